// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cli_runner.h"
#include "store/database.h"
#include "test_support.h"

namespace vireo {
namespace {

namespace fs = std::filesystem;

using Result = test::CliResult;

// Runs vireo-cli with its settings in `hive`.
Result Cli(const std::string& hive, const std::vector<std::string>& args) {
    return test::RunProgram(VIREO_CLI, {"VIREO_REGISTRY=" + hive}, args);
}

TEST(SettingsCommand, GetSetListDelete) {
    test::TempDir dir;
    std::string hive = dir.file("registry.reg");
    const std::string key = "Software\\Orn\\Vireo!\\DB";

    EXPECT_EQ(Cli(hive, {"settings", "set", key, "path", dir.file("data")}).status, 0);
    Result got = Cli(hive, {"settings", "get", key, "PATH"});
    EXPECT_EQ(got.status, 0);
    EXPECT_EQ(got.out, dir.file("data") + "\n");

    // Other roots and default values.
    EXPECT_EQ(Cli(hive, {"settings", "set", "HKEY_LOCAL_MACHINE\\Software\\x", "@", "/usr/bin/x"}).status, 0);
    EXPECT_EQ(Cli(hive, {"settings", "get", "HKLM\\Software\\x", ""}).out, "/usr/bin/x\n");

    Result list = Cli(hive, {"settings", "list"});
    EXPECT_EQ(list.status, 0);
    EXPECT_NE(list.out.find("[HKEY_CURRENT_USER\\Software\\Orn\\Vireo!\\DB]\n\"path\"=\"" + dir.file("data") +
                            "\"\n"),
              std::string::npos)
        << list.out;
    EXPECT_EQ(list.out.find("Software\\x"), std::string::npos); // only the settings key by default

    EXPECT_EQ(Cli(hive, {"settings", "get", key, "nothing"}).status, 1);
    EXPECT_EQ(Cli(hive, {"settings", "delete", key, "path"}).status, 0);
    EXPECT_EQ(Cli(hive, {"settings", "get", key, "path"}).status, 1);
    EXPECT_EQ(Cli(hive, {"settings", "delete", "Software\\Orn"}).status, 0);
    EXPECT_EQ(Cli(hive, {"settings", "list", "Software\\Orn\\Vireo!"}).status, 1);
    EXPECT_EQ(Cli(hive, {"settings", "delete", "Software\\Orn"}).status, 1);
    EXPECT_EQ(Cli(hive, {"settings", "delete", "HKEY_CURRENT_USER"}).status, 64);
    EXPECT_EQ(Cli(hive, {"settings", "frobnicate"}).status, 64);
    EXPECT_EQ(Cli(hive, {"settings", "get", key}).status, 64);
}

TEST(SettingsCommand, TheDatabaseCommandsUseTheConfiguredDataFolder) {
    test::TempDir dir;
    std::string hive = dir.file("registry.reg");
    ASSERT_EQ(Cli(hive, {"settings", "set", "Software\\Orn\\Vireo!\\DB", "path", dir.file("my data")}).status,
              0);
    Result stats = Cli(hive, {"stats"});
    EXPECT_EQ(stats.status, 0) << stats.out;
    EXPECT_NE(stats.out.find("Data folder:     " + dir.file("my data") + "\n"), std::string::npos)
        << stats.out;
    EXPECT_TRUE(fs::exists(dir.file("my data/VIREOMEM")));

    // While Vireo holds the folder, the command is refused and says what to do.
    Database running;
    ASSERT_TRUE(running.Open(dir.file("my data"), nullptr));
    for (const char* command : {"stats", "check"}) {
        Result refused = Cli(hive, {command});
        EXPECT_NE(refused.status, 0) << command;
        EXPECT_NE(
            refused.out.find("in use by another running copy of Vireo. Close Vireo, then run the command "
                             "again."),
            std::string::npos)
            << refused.out;
    }
}

TEST(SettingsCommand, TellsOnceAboutAHiveItHadToKeepAside) {
    test::TempDir dir;
    std::string hive = dir.file("registry.reg");
    std::ofstream(hive) << "garbage\n";
    Result first = Cli(hive, {"settings", "set", "Software\\Orn\\Vireo!", "ShowTips", "1"});
    EXPECT_EQ(first.status, 0);
    EXPECT_NE(first.out.find(".corrupt-"), std::string::npos) << first.out;
    Result second = Cli(hive, {"settings", "get", "Software\\Orn\\Vireo!", "ShowTips"});
    EXPECT_EQ(second.out, "1\n");
}

} // namespace
} // namespace vireo

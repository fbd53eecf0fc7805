// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>

#include "cli_runner.h"
#include "store/database.h"
#include "test_support.h"

namespace vireo {
namespace {

namespace fs = std::filesystem;

struct SettingsCommand : ::testing::Test {
    test::CliResult Cli(const std::vector<std::string>& args) {
        return test::RunProgram(VIREO_CLI, {"VIREO_REGISTRY=" + hive}, args);
    }
    test::TempDir dir;
    std::string hive = dir.file("registry.reg");
};

TEST_F(SettingsCommand, GetSetListDeleteAfterTellingOnceAboutAHiveItHadToKeepAside) {
    const std::string key = "Software\\Orn\\Vireo!\\DB", data = dir.file("data");
    struct Step {
        std::vector<std::string> args;
        int status;
        std::string out = "*"; // "*": not checked
    };
    test::WriteText(hive, "garbage\n");
    test::CliResult first = Cli({"settings", "set", key, "path", data});
    EXPECT_EQ(first.status, 0);
    EXPECT_NE(first.out.find(".corrupt-"), std::string::npos) << first.out;
    // Each step runs on the settings the steps before it left; none tells of the hive again.
    const Step steps[] = {
        {{"get", key, "PATH"}, 0, data + "\n"},
        // Other roots and default values.
        {{"set", "HKEY_LOCAL_MACHINE\\Software\\x", "@", "/usr/bin/x"}, 0},
        {{"get", "HKLM\\Software\\x", ""}, 0, "/usr/bin/x\n"},
        // Only the program's own key by default.
        {{"list"},
         0,
         "[HKEY_CURRENT_USER\\Software\\Orn\\Vireo!]\n\n[HKEY_CURRENT_USER\\Software\\Orn\\Vireo!\\DB]"
         "\n\"path\"=\"" +
             data + "\"\n\n"},
        {{"get", key, "nothing"}, 1},
        {{"delete", key, "path"}, 0},
        {{"get", key, "path"}, 1},
        {{"delete", "Software\\Orn"}, 0},
        {{"list", "Software\\Orn\\Vireo!"}, 1},
        {{"delete", "Software\\Orn"}, 1},
        {{"delete", "HKEY_CURRENT_USER"}, 64},
        {{"get", key}, 64},
    };
    for (const Step& s : steps) {
        std::vector<std::string> args = s.args;
        args.insert(args.begin(), "settings");
        test::CliResult r = Cli(args);
        EXPECT_EQ(r.status, s.status) << args[1] << " " << args.back() << ": " << r.out;
        EXPECT_EQ(r.out, s.out == "*" ? r.out : s.out) << args[1];
    }
}

TEST_F(SettingsCommand, TheDatabaseCommandsUseTheConfiguredDataFolder) {
    ASSERT_EQ(Cli({"settings", "set", "Software\\Orn\\Vireo!\\DB", "path", dir.file("my data")}).status, 0);
    test::CliResult stats = Cli({"stats"});
    EXPECT_EQ(stats.status, 0) << stats.out;
    EXPECT_NE(stats.out.find("Data folder:     " + dir.file("my data") + "\n"), std::string::npos)
        << stats.out;
    EXPECT_TRUE(fs::exists(dir.file("my data/VIREOMEM")));

    // While Vireo holds the folder, the command is refused and says what to do.
    Database running;
    ASSERT_TRUE(running.Open(dir.file("my data"), nullptr));
    for (const char* command : {"stats", "check"}) {
        test::CliResult refused = Cli({command});
        EXPECT_NE(refused.status, 0) << command;
        EXPECT_NE(
            refused.out.find("in use by another running copy of Vireo. Close Vireo, then run the command "
                             "again."),
            std::string::npos)
            << refused.out;
    }
}

} // namespace
} // namespace vireo

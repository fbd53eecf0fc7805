// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/hive_registry.h"
#include "test_support.h"

namespace vireo {
namespace {

namespace fs = std::filesystem;

const std::string kVireo = SettingsPath();

using test::ReadText;
using test::WriteText;

// A folder of its own for each test, and the settings file in it.
struct HiveFile : ::testing::Test {
    test::TempDir dir;
    const std::string path = dir.file("registry.reg");
};

std::vector<std::string> CorruptCopies(const test::TempDir& dir) {
    std::vector<std::string> found;
    for (const auto& e : fs::directory_iterator(dir.path()))
        if (e.path().filename().string().find(".corrupt-") != std::string::npos)
            found.push_back(e.path().string());
    std::sort(found.begin(), found.end());
    return found;
}

TEST_F(HiveFile, EveryProcessSeesTheOthersWrites) {
    const std::string path = dir.file("config/Vireo/registry.reg");
    HiveRegistry app(path), cli(path);

    EXPECT_EQ(GetRegText(app, kVireo + "\\DB", "path"), "");
    SetRegValue(cli, kVireo + "\\DB", "path", "/srv/data");
    ASSERT_TRUE(fs::exists(path)); // the folder was made on the way
    EXPECT_EQ(GetRegText(app, kVireo + "\\DB", "path"), "/srv/data");

    SetRegValue(app, kVireo, "ShowTips", std::int64_t{1});
    SetRegValue(app, kVireo + "\\search\\groups\\News", "Engines", "3");
    EXPECT_EQ(GetRegNumber(cli, kVireo, "showtips"), 1);
    EXPECT_EQ(cli.SubKeys(kHKeyCurrentUser, kVireo), (std::vector<std::string>{"DB", "search"}));

    EXPECT_TRUE(cli.DeleteKey(kHKeyCurrentUser, kVireo + "\\search"));
    EXPECT_FALSE(app.KeyExists(kHKeyCurrentUser, kVireo + "\\search\\groups"));

    // What is on disk is the text file a user can read and edit.
    std::string text = ReadText(path);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Orn\\Vireo!\\DB]\n\"path\"=\"/srv/data\"\n"),
              std::string::npos);
    EXPECT_EQ(text.find("search"), std::string::npos);

    // A hand edit is seen at the next read, and the program's own writes keep its lines
    // (which lines are kept is hive_format_test's).
    WriteText(path, "Windows Registry Editor Version 5.00\r\n\r\n; my settings, keep this\r\n"
                    "[HKEY_CURRENT_USER\\Software\\Orn\\Vireo!]\r\n\"ShowTips\"=\"0\"\r\n");
    EXPECT_EQ(GetRegNumber(app, kVireo, "ShowTips"), 0);
    EXPECT_EQ(GetRegText(app, kVireo + "\\DB", "path"), "");
    SetRegValue(cli, kVireo, "Trash", std::int64_t{2});
    text = ReadText(path);
    for (const char* line : {"; my settings, keep this\n", "\"Trash\"=\"2\"\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
}

TEST_F(HiveFile, TwoProcessesWritingAtOnceLoseNothing) {
    constexpr int kWrites = 60;
    std::vector<pid_t> children;
    for (int p = 0; p < 2; ++p) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            HiveRegistry reg(path);
            bool ok = true;
            for (int i = 0; i < kWrites; ++i) {
                ok = reg.SetValue(kHKeyCurrentUser, kVireo + "\\p" + std::to_string(p),
                                  "v" + std::to_string(i), RegValue::Text(std::to_string(i))) &&
                     ok;
                // Each also reads the other's values as it goes.
                GetRegText(reg, kVireo + "\\p" + std::to_string(1 - p), "v0");
            }
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    HiveRegistry reg(path);
    for (int p = 0; p < 2; ++p) {
        std::string key = kVireo + "\\p" + std::to_string(p);
        for (int i = 0; i < kWrites; ++i)
            EXPECT_EQ(GetRegNumber(reg, key, "v" + std::to_string(i)), i) << key << " v" << i;
    }
}

TEST_F(HiveFile, AFileThatIsNoHiveIsKeptAsideAndReportedOnce) {
    const std::string garbage = "this is not a settings file\n\x01\x02\x03";
    WriteText(path, garbage);

    HiveRegistry reg(path);
    EXPECT_EQ(GetRegText(reg, kVireo + "\\DB", "path"), ""); // defaults from now on
    std::string notice = reg.TakeNotice();
    EXPECT_NE(notice.find(path), std::string::npos);
    EXPECT_NE(notice.find(".corrupt-"), std::string::npos);
    EXPECT_EQ(reg.TakeNotice(), "");
    auto copies = CorruptCopies(dir);
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(ReadText(copies[0]), garbage);
    EXPECT_FALSE(fs::exists(path));

    // Life goes on with a fresh file; other processes hear nothing more about it.
    SetRegValue(reg, kVireo, "ShowTips", std::int64_t{1});
    HiveRegistry other(path);
    EXPECT_EQ(GetRegNumber(other, kVireo, "ShowTips"), 1);
    EXPECT_EQ(other.TakeNotice(), "");

    // A second damaged file the same day gets a name of its own.
    WriteText(path, garbage + "again");
    EXPECT_EQ(GetRegNumber(other, kVireo, "ShowTips"), 0);
    EXPECT_FALSE(other.TakeNotice().empty());
    copies = CorruptCopies(dir);
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_EQ(ReadText(copies[0]), garbage);
    EXPECT_EQ(ReadText(copies[1]), garbage + "again");
}

TEST_F(HiveFile, NeverWritesOverWhatItCannotRead) {
    fs::create_directories(path + "/not-a-file"); // something that is there but cannot be read as a file
    HiveRegistry reg(path);
    EXPECT_EQ(GetRegText(reg, kVireo, "x"), "");
    EXPECT_FALSE(reg.SetValue(kHKeyCurrentUser, kVireo, "x", RegValue::Text("1")));
    EXPECT_FALSE(reg.LastError().empty());
    EXPECT_TRUE(fs::is_directory(path + "/not-a-file"));

    // Names that a line of the file cannot hold are refused, and the file is left alone.
    fs::remove_all(path);
    SetRegValue(reg, kVireo, "kept", "yes");
    std::string before = ReadText(path);
    EXPECT_FALSE(reg.SetValue(kHKeyCurrentUser, kVireo + "\\two\nlines", "x", RegValue::Text("1")));
    EXPECT_FALSE(reg.SetValue(kHKeyCurrentUser, kVireo, "bad\nname", RegValue::Text("1")));
    EXPECT_FALSE(reg.SetValue(kHKeyCurrentUser, kVireo + "\\caf\xE9", "x", RegValue::Text("1")));
    EXPECT_FALSE(reg.CreateKey(kHKeyCurrentUser, kVireo + "\\" + std::string(300, 'k')));
    EXPECT_EQ(ReadText(path), before);
}

TEST_F(HiveFile, OverlayAnswersWhatTheFileDoesNotHold) {
    int fills = 0;
    RegistryOverlay overlay;
    overlay.covers = {{kHKeyCurrentUser, std::string(kShellFoldersKey)}, {kHKeyClassesRoot, ""}};
    overlay.fill = [&](MemoryRegistry& r, std::uint32_t) {
        ++fills;
        r.SetValue(kHKeyCurrentUser, kShellFoldersKey, "Personal", RegValue::Text("/home/ann/Documents"));
        r.SetValue(kHKeyClassesRoot, ".htm", "", RegValue::Text("htmlfile"));
    };
    HiveRegistry reg(path, overlay);

    EXPECT_EQ(GetRegText(reg, kShellFoldersKey, "Personal"), "/home/ann/Documents");
    EXPECT_EQ(GetRegText(reg, ".htm", "", kHKeyClassesRoot), "htmlfile");
    EXPECT_TRUE(reg.KeyExists(kHKeyCurrentUser, "Software\\Microsoft"));

    // Our own settings never go through the overlay.
    int before = fills;
    GetRegNumber(reg, kVireo, "ShowTips");
    GetRegText(reg, kVireo + "\\DB", "path");
    EXPECT_EQ(fills, before);

    // The file wins, value by value, and the overlay comes back when the value goes.
    SetRegValue(reg, kShellFoldersKey, "Personal", "/data/ann");
    EXPECT_EQ(GetRegText(reg, kShellFoldersKey, "Personal"), "/data/ann");
    SetRegValue(reg, kVireo, "x", "1");
    EXPECT_EQ(reg.SubKeys(kHKeyCurrentUser, "software"), (std::vector<std::string>{"Microsoft", "Orn"}));
    EXPECT_TRUE(reg.DeleteValue(kHKeyCurrentUser, kShellFoldersKey, "Personal"));
    EXPECT_EQ(GetRegText(reg, kShellFoldersKey, "Personal"), "/home/ann/Documents");
    // Overlay keys cannot be deleted.
    EXPECT_FALSE(reg.DeleteKey(kHKeyClassesRoot, ".htm"));
    EXPECT_EQ(GetRegText(reg, ".htm", "", kHKeyClassesRoot), "htmlfile");
}

} // namespace
} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "interchange/browser.h"
#include "platform/desktop_overlay.h"
#include "shell/startup.h"
#include "test_support.h"

namespace vireo {
namespace {

namespace fs = std::filesystem;

std::string MakeExecutable(const std::string& path) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << "#!/bin/sh\n";
    fs::permissions(path, fs::perms::owner_all);
    return path;
}

void WriteText(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << text;
}

TEST(DesktopExec, BecomesARegistryCommandLine) {
    test::TempDir dir;
    std::string bin = dir.file("bin");
    std::string webby = MakeExecutable(bin + "/webby");
    std::string searchPath = dir.file("empty") + ":" + bin;

    EXPECT_EQ(DesktopExecToCommandLine("webby %u", searchPath), "\"" + webby + "\" \"%1\"");
    EXPECT_EQ(DesktopExecToCommandLine("env MOZ_X=1 GDK_BACKEND=x11 webby --new-window %U", searchPath),
              "\"" + webby + "\" --new-window \"%1\"");
    EXPECT_EQ(DesktopExecToCommandLine("webby --class=Web --icon %i --name %c %k", searchPath),
              "\"" + webby + "\" --class=Web --icon --name");
    EXPECT_EQ(DesktopExecToCommandLine("\"/opt/My Browser/browse\" --url=%u", searchPath),
              "\"/opt/My Browser/browse\" \"--url=%1\"");
    EXPECT_EQ(DesktopExecToCommandLine("/opt/My\\sBrowser/browse \"quoted arg\" 100%%", searchPath),
              "\"/opt/My\" Browser/browse \"quoted arg\" 100%");
    // Not on the path: the name stays, and detection will find no file.
    EXPECT_EQ(DesktopExecToCommandLine("nowhere %u", searchPath), "\"nowhere\" \"%1\"");
    EXPECT_EQ(DesktopExecToCommandLine("\"unterminated %u", searchPath), "");
    EXPECT_EQ(DesktopExecToCommandLine("", searchPath), "");
    EXPECT_EQ(FindOnPath("webby", searchPath), webby);
    EXPECT_EQ(FindOnPath("sh", ""), "");

    EXPECT_EQ(
        DesktopExecValue("[Desktop Action new]\nExec=wrong\n[Desktop Entry]\nName=Web\nExec = webby %u\n"),
        "webby %u");
}

// The desktop's settings, in a folder of their own.
struct DesktopFixture : ::testing::Test {
    test::TempDir dir;
    std::vector<std::pair<std::string, std::string>> saved;

    void SetEnv(const char* name, const std::string& value) {
        const char* old = std::getenv(name);
        saved.emplace_back(name, old ? old : "\x01");
        ::setenv(name, value.c_str(), 1);
    }
    void SetUp() override {
        SetEnv("XDG_CONFIG_HOME", dir.file("config"));
        SetEnv("XDG_CONFIG_DIRS", dir.file("etc"));
        SetEnv("XDG_DATA_HOME", dir.file("data"));
        SetEnv("XDG_DATA_DIRS", dir.file("share"));
        SetEnv("XDG_CURRENT_DESKTOP", "Test:Other");
        SetEnv("XDG_DOCUMENTS_DIR", dir.file("Papers"));
        SetEnv("BROWSER", "");
        SetEnv("PATH", dir.file("bin") + ":" + std::string(std::getenv("PATH") ? std::getenv("PATH") : ""));
    }
    void TearDown() override {
        for (auto it = saved.rbegin(); it != saved.rend(); ++it) {
            if (it->second == "\x01")
                ::unsetenv(it->first.c_str());
            else
                ::setenv(it->first.c_str(), it->second.c_str(), 1);
        }
    }
};

TEST_F(DesktopFixture, DefaultBrowserAndFoldersComeFromTheDesktop) {
    std::string webby = MakeExecutable(dir.file("bin/webby"));
    std::string other = MakeExecutable(dir.file("bin/other"));
    WriteText(dir.file("share/applications/webby.desktop"),
              "[Desktop Entry]\nType=Application\nExec=webby %u\n");
    WriteText(dir.file("share/applications/vendor/other.desktop"), "[Desktop Entry]\nExec=other --new %U\n");
    // The first installed entry of the most important list wins.
    WriteText(dir.file("share/applications/mimeapps.list"),
              "[Default Applications]\ntext/html=webby.desktop\nx-scheme-handler/http=webby.desktop\n");
    WriteText(dir.file("config/mimeapps.list"),
              "[Added Associations]\nx-scheme-handler/http=other.desktop\n"
              "[Default Applications]\nx-scheme-handler/http=gone.desktop;webby.desktop;\n");

    HiveRegistry reg(dir.file("registry.reg"), DesktopOverlay());
    std::string path;
    ASSERT_TRUE(GetDefaultBrowser(reg, path));
    EXPECT_EQ(path, webby);
    EXPECT_EQ(GetRegText(reg, "htmlfile\\Shell\\Open\\Command", "", kHKeyClassesRoot),
              "\"" + webby + "\" \"%1\"");

    // A desktop-specific list comes first; ids may name files in subfolders.
    WriteText(dir.file("config/test-mimeapps.list"),
              "[Default Applications]\nx-scheme-handler/http=vendor-other.desktop\n");
    ASSERT_TRUE(GetDefaultBrowser(reg, path));
    EXPECT_EQ(path, other);

    // The user's folders.
    EXPECT_EQ(PersonalFolder(reg), dir.file("Papers"));
    EXPECT_EQ(DataDirectory(reg), dir.file("Papers") + "/Vireo Data");
    EXPECT_EQ(GetRegText(reg, kShellFoldersKey, "Favorites"), dir.file("data") + "/Vireo/Favorites");

    // What the settings file says wins over the desktop.
    SetRegValue(reg, "htmlfile\\Shell\\Open\\Command", "", "\"" + webby + "\" -private", kHKeyClassesRoot);
    ASSERT_TRUE(GetDefaultBrowser(reg, path));
    EXPECT_EQ(path, webby);
}

TEST_F(DesktopFixture, WithoutADesktopDefaultTheBrowserVariableIsUsed) {
    HiveRegistry reg(dir.file("registry.reg"), DesktopOverlay());
    std::string path;
    EXPECT_FALSE(GetDefaultBrowser(reg, path));
    EXPECT_EQ(GetRegText(reg, ".htm", "", kHKeyClassesRoot), "");

    std::string lynxish = MakeExecutable(dir.file("bin/textweb"));
    ::setenv("BROWSER", "textweb:other", 1);
    ASSERT_TRUE(GetDefaultBrowser(reg, path));
    EXPECT_EQ(path, lynxish);
    // Detection remembers the kind only; the browser itself is used at once.
    ASSERT_TRUE(GetBrowser(reg, path));
    EXPECT_EQ(path, lynxish);
    EXPECT_EQ(GetRegText(reg, SettingsPath("\\browser"), "UserDefined"), "");
}

} // namespace
} // namespace vireo

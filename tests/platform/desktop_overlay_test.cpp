// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "interchange/browser.h"
#include "platform/desktop_icon.h"
#include "platform/desktop_overlay.h"
#include "shell/startup.h"
#include "test_support.h"

namespace vireo {
namespace {

namespace fs = std::filesystem;

using test::WriteText;

std::string MakeExecutable(const std::string& path) {
    WriteText(path, "#!/bin/sh\n");
    fs::permissions(path, fs::perms::owner_all);
    return path;
}

TEST(DesktopExec, BecomesARegistryCommandLine) {
    test::TempDir dir;
    std::string bin = dir.file("bin");
    std::string webby = MakeExecutable(bin + "/webby");
    std::string searchPath = dir.file("empty") + ":" + bin;

    EXPECT_EQ(DesktopExecToCommandLine("webby %u", searchPath), "\"" + webby + "\" \"%1\"");
    // Entries of Snaps and others start the browser through env.
    EXPECT_EQ(DesktopExecToCommandLine("env MOZ_X=1 GDK_BACKEND=x11 webby --new-window %U", searchPath),
              "\"" + webby + "\" --new-window \"%1\"");
    DesktopEntryFields fields{"web-browser", "Web Browser", "/usr/share/applications/webby.desktop"};
    EXPECT_EQ(DesktopExecToCommandLine("webby %i --name=%c --from %k %u", searchPath, &fields),
              "\"" + webby +
                  "\" --icon web-browser \"--name=Web Browser\" --from "
                  "/usr/share/applications/webby.desktop \"%1\"");
    EXPECT_EQ(DesktopExecToCommandLine("\"/opt/My Browser/browse\" --url=%u", searchPath),
              "\"/opt/My Browser/browse\" \"--url=%1\"");
    EXPECT_EQ(DesktopExecToCommandLine("/opt/My\\sBrowser/browse \"quoted arg\" 100%%", searchPath),
              "\"/opt/My\" Browser/browse \"quoted arg\" 100%");
    // Not on the path: the name stays, and detection will find no file.
    EXPECT_EQ(DesktopExecToCommandLine("nowhere %u", searchPath), "\"nowhere\" \"%1\"");
    EXPECT_EQ(DesktopExecToCommandLine("\"unterminated %u", searchPath), "");

    EXPECT_EQ(
        DesktopExecValue("[Desktop Action new]\nExec=wrong\n[Desktop Entry]\nName=Web\nExec = webby %u\n"),
        "webby %u");
    // The command line stored splits back as it was quoted.
    EXPECT_EQ(SplitCommandLine("\"/opt/My Browser/run\"  --a \"%1\" \"say \\\"hi\\\"\" x\\y"),
              (std::vector<std::string>{"/opt/My Browser/run", "--a", "%1", "say \"hi\"", "x\\y"}));
}

// The desktop's settings in a folder of their own, and a settings file over them. Each test
// runs in a process of its own and no other test here reads these, so none are put back.
struct DesktopFixture : ::testing::Test {
    test::TempDir dir;
    HiveRegistry reg{dir.file("registry.reg"), DesktopOverlay()};

    void SetUp() override {
        // Only our own programs on PATH, so that the machine's browsers never answer.
        for (const auto& [name, value] : std::initializer_list<std::pair<const char*, std::string>>{
                 {"XDG_CONFIG_HOME", dir.file("config")},
                 {"XDG_CONFIG_DIRS", dir.file("etc")},
                 {"XDG_DATA_HOME", dir.file("data")},
                 {"XDG_DATA_DIRS", dir.file("share")},
                 {"XDG_CURRENT_DESKTOP", "Test:Other"},
                 {"XDG_DOCUMENTS_DIR", dir.file("Papers")},
                 {"BROWSER", ""},
                 {"PATH", dir.file("bin")}})
            ::setenv(name, value.c_str(), 1);
    }
    // The browser that detection finds, by its program.
    std::string Detected() {
        std::string path;
        return GetDefaultBrowser(reg, path) ? path : std::string("(none)");
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

    EXPECT_EQ(Detected(), webby);
    EXPECT_EQ(GetRegText(reg, "htmlfile\\Shell\\Open\\Command", "", kHKeyClassesRoot),
              "\"" + webby + "\" \"%1\"");

    // A desktop-specific list comes first; ids may name files in subfolders.
    WriteText(dir.file("config/test-mimeapps.list"),
              "[Default Applications]\nx-scheme-handler/http=vendor-other.desktop\n");
    EXPECT_EQ(Detected(), other);

    // The user's folders (the settings file wins over them as over any overlay value).
    EXPECT_EQ(PersonalFolder(reg), dir.file("Papers"));
    EXPECT_EQ(GetRegText(reg, kShellFoldersKey, "Favorites"), dir.file("data") + "/Vireo/Favorites");
}

TEST_F(DesktopFixture, TheDesktopsRulesFindASystemWideOrSandboxedBrowser) {
    MakeExecutable(dir.file("bin/chromium"));
    std::string firefox = MakeExecutable(dir.file("bin/firefox"));
    std::string flatpak = MakeExecutable(dir.file("bin/flatpak"));

    // Installed for the whole system, with no file of the user's: the system's association
    // index names it.
    WriteText(dir.file("share/applications/chromium.desktop"),
              "[Desktop Entry]\nType=Application\nName=Chromium\nExec=chromium %U\n"
              "MimeType=text/html;x-scheme-handler/http;x-scheme-handler/https;\n");
    WriteText(dir.file("share/applications/editor.desktop"),
              "[Desktop Entry]\nType=Application\nExec=editor %F\nMimeType=text/html;\n");
    WriteText(dir.file("share/applications/firefox.desktop"),
              "[Desktop Entry]\nType=Application\nExec=firefox %u\nTryExec=firefox\n");
    WriteText(dir.file("share/applications/mimeinfo.cache"),
              "[MIME Cache]\ntext/html=editor.desktop;chromium.desktop;\n"
              "x-scheme-handler/http=chromium.desktop;\n");
    EXPECT_EQ(Detected(), dir.file("bin/chromium"));

    // The user's added association comes before the index; a default before both.
    WriteText(dir.file("config/mimeapps.list"),
              "[Added Associations]\nx-scheme-handler/http=firefox.desktop;\n");
    EXPECT_EQ(Detected(), firefox);
    WriteText(dir.file("share/applications/defaults.list"),
              "[Default Applications]\nx-scheme-handler/http=chromium.desktop\n");
    EXPECT_EQ(Detected(), dir.file("bin/chromium"));
    // A default the user removed is passed over, as is an entry whose TryExec is missing.
    WriteText(dir.file("config/mimeapps.list"),
              "[Removed Associations]\nx-scheme-handler/http=chromium.desktop;\n"
              "[Added Associations]\nx-scheme-handler/http=firefox.desktop;\n");
    EXPECT_EQ(Detected(), firefox);
    fs::remove(firefox);
    EXPECT_EQ(Detected(), "(none)");
    // An editor that can read HTML is never taken for the browser.
    EXPECT_EQ(GetRegText(reg, ".htm", "", kHKeyClassesRoot), "");
    fs::remove(dir.file("config/mimeapps.list"));

    // An entry the user hid in their own folder hides the system's.
    WriteText(dir.file("data/applications/chromium.desktop"), "[Desktop Entry]\nHidden=true\n");
    EXPECT_EQ(Detected(), "(none)");

    // A Flatpak installed for the user, though the session does not list its exports: the
    // whole command starts it, with the address in its place.
    WriteText(dir.file("data/flatpak/exports/share/applications/org.chromium.Chromium.desktop"),
              "[Desktop Entry]\nType=Application\nName=Chromium\n"
              "Exec=flatpak run --branch=stable --command=chromium --file-forwarding org.chromium.Chromium "
              "@@u %U @@\n");
    WriteText(dir.file("data/flatpak/exports/share/applications/mimeinfo.cache"),
              "[MIME Cache]\nx-scheme-handler/http=org.chromium.Chromium.desktop;\n");
    std::string path;
    ASSERT_TRUE(GetBrowser(reg, path));
    EXPECT_EQ(path, flatpak);
    std::vector<std::string> args = BrowserArguments(reg, path, "https://example.org/a b");
    EXPECT_EQ(args,
              (std::vector<std::string>{"run", "--branch=stable", "--command=chromium", "--file-forwarding",
                                        "org.chromium.Chromium", "@@u", "https://example.org/a b", "@@"}));
    fs::remove_all(dir.file("data/flatpak"));

    // Without any entry, the system's x-www-browser alternative, by the program it names.
    fs::create_symlink(dir.file("bin/chromium"), dir.file("bin/x-www-browser"));
    EXPECT_EQ(Detected(), dir.file("bin/chromium"));

    // Last, the first program $BROWSER lists. Detection remembers the kind only; the
    // browser itself is used at once.
    fs::remove(dir.file("bin/x-www-browser"));
    std::string textweb = MakeExecutable(dir.file("bin/textweb"));
    ::setenv("BROWSER", "textweb:other", 1);
    ASSERT_TRUE(GetBrowser(reg, path));
    EXPECT_EQ(path, textweb);
    EXPECT_EQ(GetRegText(reg, SettingsPath("\\browser"), "UserDefined"), "");
}

TEST(DesktopIcon, TheEntryThatStartsTheProgramNamesItsIcon) {
    test::TempDir root;
    std::string bin = root.file("bin");
    std::string browser = MakeExecutable(bin + "/webby");
    std::string other = MakeExecutable(root.file("opt/webby"));
    fs::create_symlink(browser, bin + "/webby-stable");
    std::string apps = root.file("apps");
    std::vector<std::string> dirs{apps, root.file("more")};

    // Nothing describes it yet.
    EXPECT_EQ(DesktopEntryIcon(browser, dirs, bin), "");

    // An entry for a program of the same name elsewhere is only a second choice; one that
    // starts the very file wins, found on PATH, behind "env" and in a subfolder.
    WriteText(root.file("more/a-other.desktop"), "[Desktop Entry]\nExec=" + other + " %u\nIcon=other-icon\n");
    EXPECT_EQ(DesktopEntryIcon(browser, dirs, bin), "other-icon");
    WriteText(apps + "/vendor/webby.desktop",
              "[Desktop Entry]\nName=Webby\nExec=env LANG=C webby-stable --new-window %U\nIcon=webby\n"
              "[Desktop Action private]\nExec=webby --private\nIcon=private\n");
    EXPECT_EQ(DesktopEntryIcon(browser, dirs, bin), "webby");

    // Hidden entries and entries without an icon do not count; quoted programs do.
    WriteText(apps + "/vendor/webby.desktop", "[Desktop Entry]\nExec=webby\nIcon=gone\nHidden=true\n");
    WriteText(apps + "/b.desktop", "[Desktop Entry]\nExec=webby\n");
    WriteText(apps + "/c.desktop", "[Desktop Entry]\nExec=\"" + browser + "\" %u\nIcon=/icons/webby.png\n");
    EXPECT_EQ(DesktopEntryIcon(browser, dirs, bin), "/icons/webby.png");

    EXPECT_EQ(ExecProgram("\"unclosed", bin), "");
}

} // namespace
} // namespace vireo

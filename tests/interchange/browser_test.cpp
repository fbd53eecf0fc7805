// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>

#include "interchange/browser.h"
#include "interchange/exchange_fixture.h"
#include "shell/options.h"
#include "store/strings.h"

namespace vireo {
namespace {

namespace fs = std::filesystem;

const std::string kBrowserKey = SettingsPath("\\browser");

using test::ReadText;
using test::WriteText;

class RecordingLauncher : public ProcessLauncher {
public:
    bool StartProgram(const std::string& program, const std::vector<std::string>& args) override {
        started.push_back({program, args});
        return true;
    }
    std::vector<std::pair<std::string, std::vector<std::string>>> started;
};

struct BrowserFixture : ::testing::Test {
    test::TempDir dir;
    MemoryRegistry reg;

    std::string MakeFile(const std::string& name, const std::string& bytes = "x") {
        fs::create_directories(fs::path(dir.file(name)).parent_path());
        WriteText(dir.file(name), bytes);
        return dir.file(name);
    }
    void SetDefaultCommand(const std::string& command) {
        SetRegValue(reg, ".htm", "", "htmlfile", kHKeyClassesRoot);
        SetRegValue(reg, "htmlfile\\Shell\\Open\\Command", "", command, kHKeyClassesRoot);
    }
    void SetAppPath(const std::string& exe, const std::string& path, const std::string& value = "") {
        SetRegValue(reg, std::string(kAppPathsKey) + exe, value, path, kHKeyLocalMachine);
    }
    // A Netscape with user profiles whose current profile lives in `folder`.
    std::string MakeNetscapeProfile(const std::string& prefs) {
        SetAppPath("netscape.exe", MakeFile("Netscape/netscape.exe"));
        SetRegValue(reg, std::string(kNetscapeKey), "CurrentVersion", "4.7", kHKeyLocalMachine);
        SetRegValue(reg, std::string(kNetscapeUsersKey), "CurrentUser", "ann", kHKeyLocalMachine);
        fs::create_directories(dir.file("profile"));
        SetRegValue(reg, std::string(kNetscapeUsersKey) + "\\ann", "DirRoot", dir.file("profile"),
                    kHKeyLocalMachine);
        if (!prefs.empty())
            WriteText(dir.file("profile/prefs.js"), prefs);
        return dir.file("profile");
    }
};

TEST_F(BrowserFixture, DefaultBrowserFromItsCommandLineAndItsKindFromItsName) {
    std::string path;
    EXPECT_FALSE(GetDefaultBrowser(reg, path)); // nothing registered
    const std::string ie = MakeFile("Program Files/Internet Explorer/IEXPLORE.EXE");
    const std::string plain = MakeFile("bin/webbrowser");
    struct Case {
        std::string command;
        bool found;
        std::string path;
    };
    const Case cases[] = {
        {"\"" + ie + "\" -nohome", true, ie},
        // With no quote at all the executable ends at the first space.
        {plain + " --new-window %1", true, plain},
        {"\"" + dir.file("gone/browser") + "\" %1", false, dir.file("gone/browser")},
        {"", false, ""},
    };
    for (const Case& c : cases) {
        SetDefaultCommand(c.command);
        EXPECT_EQ(GetDefaultBrowser(reg, path), c.found) << c.command;
        EXPECT_EQ(path, c.path) << c.command;
    }
    // Its kind comes from the executable's name (Explorer's: the detection below).
    EXPECT_EQ(BrowserKind("/opt/Netscape/Netscape.exe"), kBrowserNetscape);
}

TEST_F(BrowserFixture, GetBrowserUsesTheChoiceAndRemembersDetectionsByKind) {
    std::string mine = MakeFile("bin/mybrowser");
    std::string ie = MakeFile("ie/iexplore.exe");
    SetDefaultCommand("\"" + ie + "\" %1");

    // A user-defined browser that exists is used without any detection.
    SaveBrowser(reg, kBrowserOther, mine);
    std::string path;
    ASSERT_TRUE(GetBrowser(reg, path));
    EXPECT_EQ(path, mine);
    EXPECT_EQ(GetRegText(reg, kBrowserKey, "UserDefined"), mine);

    // When it has vanished, the default browser is found and only its kind is kept.
    fs::remove(mine);
    ASSERT_TRUE(GetBrowser(reg, path));
    EXPECT_EQ(path, ie);
    EXPECT_EQ(GetRegNumber(reg, kBrowserKey, "Which"), kBrowserExplorer);
    EXPECT_EQ(GetRegText(reg, kBrowserKey, "UserDefined"), "");

    // Explorer chosen: its App Paths entry.
    EXPECT_FALSE(GetBrowser(reg, path));
    SetAppPath("iexplore.exe", ie);
    ASSERT_TRUE(GetBrowser(reg, path));
    EXPECT_EQ(path, ie);

    // Netscape chosen but not installed.
    SaveBrowser(reg, kBrowserNetscape, "");
    EXPECT_FALSE(GetBrowser(reg, path));

    // No default browser at all: failure, and the next start detects again.
    SaveBrowser(reg, kBrowserOther, dir.file("nothing"));
    SetDefaultCommand("");
    EXPECT_FALSE(GetBrowser(reg, path));
    EXPECT_EQ(GetRegNumber(reg, kBrowserKey, "Which"), kBrowserOther);
    EXPECT_EQ(GetRegText(reg, kBrowserKey, "UserDefined"), "");
}

TEST_F(BrowserFixture, NetscapeProfileAndBookmarkFile) {
    std::string file;
    EXPECT_FALSE(GetNetscapeBookmarkFile(reg, file));

    std::string profile = MakeNetscapeProfile("");
    ASSERT_TRUE(GetNetscapeBookmarkFile(reg, file));
    EXPECT_EQ(file, profile + "/bookmark.htm");

    // An older Netscape without profiles keeps its files in its program folder.
    reg.DeleteValue(kHKeyLocalMachine, kNetscapeKey, "CurrentVersion");
    SetAppPath("netscape.exe", dir.file("Netscape"), "path");
    ASSERT_TRUE(GetNetscapeBookmarkFile(reg, file));
    EXPECT_EQ(file, dir.file("Netscape") + "/bookmark.htm");
}

TEST_F(BrowserFixture, PreferencesAreReadAsWrittenAndWrittenAtomicallyKeepingTheFirstBackup) {
    const std::string original = "// prefs\n"
                                 "user_pref(\"browser.startup.homepage\", \"http://old.example/\");\n"
                                 "user_pref(\"mail.check\", true);\n";
    std::string profile = MakeNetscapeProfile(original);
    std::string prefs = profile + "/prefs.js", backup = profile + "/prefs.bak";

    ASSERT_TRUE(WriteNetscapePref(reg, "browser.startup.homepage", "file:///home/ann/home.html"));
    EXPECT_EQ(ReadText(prefs), "// prefs\r\n"
                               "user_pref(\"browser.startup.homepage\", \"file:///home/ann/home.html\");\r\n"
                               "user_pref(\"mail.check\", true);\r\n");
    EXPECT_EQ(ReadText(backup), original);
    EXPECT_FALSE(fs::exists(profile + "/prefs2.js"));

    // A later write keeps the first backup; a preference that is not there is not added.
    std::string before = ReadText(prefs);
    ASSERT_TRUE(WriteNetscapePref(reg, "browser.not.there", "x"));
    EXPECT_EQ(ReadText(prefs), before);
    EXPECT_EQ(ReadText(backup), original);

    // Read back: the keyword in any case, the name in its own, the last good line counts.
    WriteText(prefs, "// Netscape User Preferences\n"
                     "USER_PREF(\"browser.startup.homepage\", \"http://first.example/\");\n"
                     "user_pref(\"Browser.Startup.Homepage\", \"http://wrong-case.example/\");\n"
                     "user_pref(\"browser.startup.homepage\", \"http://last.example/\");\r\n"
                     "user_pref(\"browser.startup.homepage\", 3);\n"
                     "user_pref(\"browser.startup.homepage\", \"cut short\n");
    std::string value;
    ASSERT_TRUE(ReadNetscapePref(reg, "browser.startup.homepage", value));
    EXPECT_EQ(value, "http://last.example/");
    EXPECT_FALSE(ReadNetscapePref(reg, "browser.cache.disk", value));
    EXPECT_EQ(value, "");

    // A line marked only halfway stops the write before any file changes.
    WriteText(prefs, "user_pref(\"browser.startup.homepage, \"http://x/\");\n");
    std::string error;
    EXPECT_FALSE(WriteNetscapePref(reg, "browser.startup.homepage", "new", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadText(prefs), "user_pref(\"browser.startup.homepage, \"http://x/\");\n");
    EXPECT_EQ(ReadText(backup), original);
    EXPECT_FALSE(fs::exists(profile + "/prefs2.js"));

    // Without prefs.js nothing is written at all.
    fs::remove(prefs);
    fs::remove(backup);
    EXPECT_FALSE(WriteNetscapePref(reg, "browser.startup.homepage", "new"));
    EXPECT_TRUE(fs::is_empty(profile));
}

TEST_F(BrowserFixture, OpenInBrowserStartsTheBrowserOrAsksForOne) {
    RecordingLauncher launcher;
    std::string current;
    int optionsShown = 0;
    std::string mine = MakeFile("bin/my browser");

    // No browser: the options are shown; when they name none, nothing is started.
    EXPECT_FALSE(OpenInBrowser(reg, current, launcher, "http://a.example/", [&] { ++optionsShown; }));
    EXPECT_EQ(optionsShown, 1);
    EXPECT_TRUE(launcher.started.empty());

    // The options name one: it is started at once.
    EXPECT_TRUE(OpenInBrowser(reg, current, launcher, "http://a.example/", [&] {
        ++optionsShown;
        SaveBrowser(reg, kBrowserOther, mine);
    }));
    EXPECT_EQ(optionsShown, 2);
    EXPECT_EQ(launcher.started, (decltype(launcher.started){{mine, {"http://a.example/"}}}));
    EXPECT_EQ(current, mine);

    EXPECT_TRUE(OpenInBrowser(reg, current, launcher, "http://b.example/?q=a b", [&] { ++optionsShown; }));
    EXPECT_EQ(optionsShown, 2);
    EXPECT_EQ(launcher.started.back().second, std::vector<std::string>{"http://b.example/?q=a b"});
    EXPECT_EQ(BrowserCommandLine(" " + mine + " ", "http://b.example/"),
              "\"" + mine + "\" http://b.example/");
}

TEST_F(BrowserFixture, StartPagesOfBothBrowsersAndTheHomePageOfferThatAsksOnlyWhenItMatters) {
    std::string url;
    SetRegValue(reg, std::string(kNetscapeMainKey), "Home Page", "http://old.example/");
    // Without profiles the start page lives in the settings.
    SetAppPath("netscape.exe", MakeFile("Netscape/netscape.exe"));
    ASSERT_TRUE(GetNetscapeHome(reg, url));
    EXPECT_EQ(url, "http://old.example/");
    EXPECT_TRUE(SetNetscapeHome(reg, "/data/home.html"));
    EXPECT_EQ(GetRegText(reg, kNetscapeMainKey, "Home Page"), "/data/home.html");

    // With profiles Netscape's lives in prefs.js: the offer's last step.
    const std::string data = dir.file("Vireo Data");
    const std::string home = data + "/home.html";

    // A user-defined browser is never offered.
    EXPECT_FALSE(PrepareBrowserHomeOffer(reg, data).ask);

    SaveBrowser(reg, kBrowserExplorer, "");
    SetExplorerHome(reg, "http://portal.example/");
    BrowserHomeOffer offer = PrepareBrowserHomeOffer(reg, data);
    EXPECT_TRUE(offer.ask);
    EXPECT_NE(offer.question.find("Internet Explorer"), std::string::npos) << offer.question;
    EXPECT_EQ(offer.homePage, home);

    // "No" with the box ticked: never again, and the start page stays.
    AnswerBrowserHomeOffer(reg, offer, false, true);
    EXPECT_EQ(GetRegText(reg, kBrowserKey, "AskHome"), "1");
    EXPECT_EQ(GetRegText(reg, kExplorerMainKey, "Start Page"), "http://portal.example/");
    EXPECT_FALSE(PrepareBrowserHomeOffer(reg, data).ask);

    // "Yes" without the box: the start page becomes the home page and we may ask again.
    SetAskHome(reg, 0);
    AnswerBrowserHomeOffer(reg, PrepareBrowserHomeOffer(reg, data), true, false);
    EXPECT_EQ(GetRegText(reg, kExplorerMainKey, "Start Page"), home);
    EXPECT_EQ(GetRegText(reg, kBrowserKey, "AskHome"), "0");

    // Already the home page, itself or as a file URL: no question.
    EXPECT_FALSE(PrepareBrowserHomeOffer(reg, data).ask);
    SetExplorerHome(reg, FileUrl(home));
    EXPECT_FALSE(PrepareBrowserHomeOffer(reg, data).ask);

    // Netscape's question names Netscape; "Yes" writes its prefs.js.
    MakeNetscapeProfile("user_pref(\"browser.startup.homepage\", \"http://p.example/\");\n");
    SaveBrowser(reg, kBrowserNetscape, "");
    offer = PrepareBrowserHomeOffer(reg, data);
    EXPECT_TRUE(offer.ask);
    EXPECT_NE(offer.question.find("Netscape"), std::string::npos) << offer.question;
    AnswerBrowserHomeOffer(reg, offer, true, true);
    ASSERT_TRUE(GetNetscapeHome(reg, url));
    EXPECT_EQ(url, home);
    EXPECT_FALSE(GetAskHome(reg));
}

} // namespace
} // namespace vireo

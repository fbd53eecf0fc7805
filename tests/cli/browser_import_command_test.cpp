// SPDX-License-Identifier: GPL-3.0-or-later
// vireo-cli import BROWSER as a user types it: with the profiles found in a home folder,
// by name, by file, and with nothing to go on; the profiles listed; XBEL in and out.

#include <gtest/gtest.h>

#include "cli_runner.h"
#include "interchange/browser_stores.h"
#include "test_support.h"

namespace vireo {
namespace {

namespace fs = std::filesystem;

struct BrowserImportCommand : ::testing::Test {
    // Runs vireo-cli and checks its exit status and that it printed `text`.
    test::CliResult Expect(std::vector<std::string> args, int status, const std::string& text = {}) {
        args.insert(args.begin(), {"--data", data});
        test::CliResult r =
            test::RunProgram(VIREO_CLI, {"HOME=" + home, "VIREO_REGISTRY=" + dir.file("registry.reg")}, args);
        EXPECT_EQ(r.status, status) << args[2] << ": " << r.out;
        EXPECT_NE(r.out.find(text), std::string::npos) << r.out;
        return r;
    }
    void FirefoxProfile(const std::string& dirName, const std::string& url) {
        fs::create_directories(home + "/.mozilla/firefox/" + dirName);
        test::PlacesDb ff(home + "/.mozilla/firefox/" + dirName + "/places.sqlite");
        ff.Bookmark(test::PlacesDb::kToolbar, 0, "From " + dirName, url);
    }
    void ChromiumFamily(const std::string& folder, const std::string& title) {
        test::WriteText(home + folder + "/Default/Bookmarks",
                        test::OneBookmarkJson(title, "https://x.example/"));
    }

    test::TempDir dir;
    std::string home = dir.file("home");
    std::string data = dir.file("data");
};

TEST_F(BrowserImportCommand, ProfilesFoundListedAndChosenByNameOrFileAndXbelBothWays) {
    Expect({"import", "--list"}, 0, "no browser profile with bookmarks was found");
    Expect({"import", "firefox"}, 2, "no Firefox profile with bookmarks was found");
    FirefoxProfile("a.default-release", "https://example.org/release");
    FirefoxProfile("b.work", "https://example.org/work");
    test::WriteText(home + "/.mozilla/firefox/profiles.ini",
                    "[Profile0]\nName=default-release\nIsRelative=1\nPath=a.default-release\nDefault=1\n"
                    "[Profile1]\nName=work\nIsRelative=1\nPath=b.work\n");
    test::CliResult several = Expect({"import", "firefox"}, 2, "several Firefox profiles were found");
    EXPECT_NE(several.out.find("Firefox/default-release\t" + home +
                               "/.mozilla/firefox/a.default-release/places.sqlite\tdefault\n"),
              std::string::npos)
        << several.out;

    Expect({"import", "firefox", "work"}, 0, "Imported 1 bookmarks in 2 folders into folder");
    Expect({"import", "firefox", "nightly"}, 2, "\"nightly\" is neither a file nor a Firefox profile");
    // Two browsers of the family with a profile of the same name: the browser tells them apart.
    ChromiumFamily("/.config/chromium", "Chromium's");
    ChromiumFamily("/.config/google-chrome", "Chrome's");
    Expect({"import", "chromium", "Default"}, 2, "Google Chrome/Default\t");
    Expect({"import", "chromium", "Google Chrome/Default"}, 0);
    // A file anywhere, damaged: refused with the reason, and nothing saved.
    test::WriteText(dir.file("cut/Bookmarks"), "{\"roots\": {\"bookmark_bar\": {\"children\": [");
    Expect({"import", "chromium", dir.file("cut")}, 2, "is damaged or incomplete");
    // Each import is named after the browser whose profile it read, its root beneath it;
    // listing the profiles, and the refusals, imported nothing.
    const std::string tree = Expect({"tree"}, 0).out;
    EXPECT_TRUE(tree.ends_with(
        "5\ttrash\t0\tTrash\tMy Bookmarks\\Trash\n"
        "6\timported\t0\tImported from Firefox\tMy Bookmarks\\Imported from Firefox\n"
        "7\timported\t1\tBookmarks Toolbar\tMy Bookmarks\\Imported from Firefox\\Bookmarks Toolbar\n"
        "8\timported\t0\tImported from Google Chrome\tMy Bookmarks\\Imported from Google Chrome\n"
        "9\timported\t1\tBookmarks bar\tMy Bookmarks\\Imported from Google Chrome\\Bookmarks bar\n"))
        << tree;

    ChromiumFamily("/.config/opera", "Opera's");
    test::WriteText(
        home + "/.local/share/konqueror/bookmarks.xml",
        "<xbel><bookmark href=\"https://example.org/konqueror\"><title>K</title></bookmark></xbel>");
    // The browser's name for the command line, BROWSER/PROFILE, the store.
    Expect({"import", "--list"}, 0,
           "konqueror\tKonqueror/default\t" + home + "/.local/share/konqueror/bookmarks.xml\tdefault\n");
    Expect({"import", "opera"}, 0, "Imported 1 bookmarks");
    Expect({"import", "netscape6"}, 64, "qutebrowser");

    // An XBEL file in, a folder out as XBEL.
    const std::string file = dir.file("marks.xbel"), out = dir.file("out.xbel");
    test::WriteText(file,
                    "<?xml version=\"1.0\"?><xbel><folder><title>Caf\xC3\xA9</title>"
                    "<bookmark href=\"https://example.org/x\"><title>X</title></bookmark></folder></xbel>");
    std::string folder = Expect({"import", "xbel", file}, 0, "Imported 1 bookmarks in 2 folders").out;
    folder = folder.substr(folder.find("into folder ") + 12);
    Expect({"export", "xbel", folder.substr(0, folder.find(' ')), out}, 0,
           "Exported 1 bookmarks in 1 folders to " + out);
    EXPECT_NE(test::ReadText(out).find("<bookmark href=\"https://example.org/x\""), std::string::npos);
    Expect({"export", "xbel", "1"}, 64);
    Expect({"import", "xbel", dir.file("none.xbel")}, 2, "does not exist");
}

} // namespace
} // namespace vireo

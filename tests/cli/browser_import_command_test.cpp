// SPDX-License-Identifier: GPL-3.0-or-later
// vireo-cli import BROWSER as a user types it: with the profiles found in a home folder,
// by name, by file, and with nothing to go on; the profiles listed; XBEL in and out.

#include <gtest/gtest.h>

#include <chrono>

#include "cli_runner.h"
#include "interchange/browser_stores.h"
#include "store/database.h"
#include "test_support.h"

namespace vireo {
namespace {

namespace fs = std::filesystem;

struct BrowserImportCommand : ::testing::Test {
    test::CliResult Run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--data", data});
        return test::RunProgram(VIREO_CLI, {"HOME=" + home, "VIREO_REGISTRY=" + dir.file("registry.reg")},
                                args);
    }
    // The import folders the database holds, by name.
    std::vector<std::string> ImportFolders() {
        Database db;
        std::string error;
        EXPECT_TRUE(db.Open(data, &error)) << error;
        std::vector<std::string> names;
        std::int32_t cursor = 0;
        while (std::int16_t id = db.NextSubFolder(kRootFolder, cursor)) {
            if (FolderKindOf(db.Folder(id)) == FolderKind::Imported)
                names.push_back(db.Folder(id).Name.Text());
        }
        return names;
    }
    void FirefoxProfile(const std::string& dirName, const std::string& url) {
        fs::create_directories(home + "/.mozilla/firefox/" + dirName);
        test::PlacesDb ff(home + "/.mozilla/firefox/" + dirName + "/places.sqlite");
        ff.Bookmark(test::PlacesDb::kToolbar, 0, "From " + dirName, url);
    }

    test::TempDir dir;
    std::string home = dir.file("home");
    std::string data = dir.file("data");
};

TEST_F(BrowserImportCommand, SeveralProfilesAreListedAndOneIsChosenByNameOrFile) {
    test::CliResult none = Run({"import", "firefox"});
    EXPECT_EQ(none.status, 2) << none.out;
    EXPECT_NE(none.out.find("no Firefox profile with bookmarks was found"), std::string::npos) << none.out;

    FirefoxProfile("a.default-release", "https://example.org/release");
    FirefoxProfile("b.work", "https://example.org/work");
    test::WriteText(home + "/.mozilla/firefox/profiles.ini",
                    "[Profile0]\nName=default-release\nIsRelative=1\nPath=a.default-release\nDefault=1\n"
                    "[Profile1]\nName=work\nIsRelative=1\nPath=b.work\n");
    test::CliResult several = Run({"import", "firefox"});
    EXPECT_EQ(several.status, 2) << several.out;
    EXPECT_NE(several.out.find("several Firefox profiles were found"), std::string::npos) << several.out;
    EXPECT_NE(several.out.find("Firefox/default-release\t" + home +
                               "/.mozilla/firefox/a.default-release/places.sqlite\tdefault\n"),
              std::string::npos)
        << several.out;
    EXPECT_NE(several.out.find("Firefox/work\t"), std::string::npos) << several.out;
    EXPECT_TRUE(ImportFolders().empty()) << "listing the profiles imported something";

    test::CliResult byName = Run({"import", "firefox", "work"});
    EXPECT_EQ(byName.status, 0) << byName.out;
    EXPECT_NE(byName.out.find("Imported 1 bookmarks in 2 folders into folder"), std::string::npos)
        << byName.out;
    EXPECT_EQ(ImportFolders(), (std::vector<std::string>{"Imported from Firefox"}));

    test::CliResult unknown = Run({"import", "firefox", "nightly"});
    EXPECT_EQ(unknown.status, 2) << unknown.out;
    EXPECT_NE(unknown.out.find("\"nightly\" is neither a file nor a Firefox profile"), std::string::npos)
        << unknown.out;

    // Two browsers of the family with a profile of the same name: the browser tells them apart.
    test::WriteText(home + "/.config/chromium/Default/Bookmarks",
                    test::OneBookmarkJson("Chromium's", "https://example.org/chromium"));
    test::WriteText(home + "/.config/google-chrome/Default/Bookmarks",
                    test::OneBookmarkJson("Chrome's", "https://example.org/chrome"));
    test::CliResult ambiguous = Run({"import", "chromium", "Default"});
    EXPECT_EQ(ambiguous.status, 2) << ambiguous.out;
    EXPECT_NE(ambiguous.out.find("Google Chrome/Default\t"), std::string::npos) << ambiguous.out;
    test::CliResult chrome = Run({"import", "chromium", "Google Chrome/Default"});
    EXPECT_EQ(chrome.status, 0) << chrome.out;

    // A file anywhere, damaged: refused with the reason, and nothing saved.
    test::WriteText(dir.file("cut/Bookmarks"), "{\"roots\": {\"bookmark_bar\": {\"children\": [");
    test::CliResult cut = Run({"import", "chromium", dir.file("cut")});
    EXPECT_EQ(cut.status, 2) << cut.out;
    EXPECT_NE(cut.out.find("is damaged or incomplete"), std::string::npos) << cut.out;
    // Each import is named after the browser whose profile it read.
    EXPECT_EQ(ImportFolders(),
              (std::vector<std::string>{"Imported from Firefox", "Imported from Google Chrome"}));

    EXPECT_EQ(Run({"import", "chromium", "a", "b"}).status, 64);
}

TEST_F(BrowserImportCommand, EveryBrowserByNameTheProfilesListedAndXbelBothWays) {
    test::CliResult nothing = Run({"import", "--list"});
    EXPECT_EQ(nothing.status, 0) << nothing.out;
    EXPECT_NE(nothing.out.find("no browser profile with bookmarks was found"), std::string::npos)
        << nothing.out;

    test::WriteText(home + "/.config/opera/Default/Bookmarks",
                    test::OneBookmarkJson("Opera's", "https://example.org/opera"));
    test::WriteText(home + "/snap/vivaldi/current/.config/vivaldi/Default/Bookmarks",
                    test::OneBookmarkJson("Vivaldi's", "https://example.org/vivaldi"));
    test::WriteText(
        home + "/.local/share/konqueror/bookmarks.xml",
        "<xbel><bookmark href=\"https://example.org/konqueror\"><title>K</title></bookmark></xbel>");
    fs::last_write_time(home + "/.config/opera/Default/Bookmarks",
                        fs::file_time_type::clock::now() - std::chrono::hours(2));
    fs::last_write_time(home + "/snap/vivaldi/current/.config/vivaldi/Default/Bookmarks",
                        fs::file_time_type::clock::now() - std::chrono::hours(1));
    test::CliResult list = Run({"import", "--list"});
    EXPECT_EQ(list.status, 0) << list.out;
    // Newest first: the browser's name for the command line, BROWSER/PROFILE, the store.
    EXPECT_EQ(list.out.find("konqueror\tKonqueror/default\t" + home +
                            "/.local/share/konqueror/bookmarks.xml\tdefault\n"),
              0u)
        << list.out;
    EXPECT_NE(list.out.find("\nvivaldi\tVivaldi/Default\t"), std::string::npos) << list.out;
    EXPECT_LT(list.out.find("vivaldi\t"), list.out.find("opera\t")) << list.out;

    EXPECT_EQ(Run({"import", "opera"}).status, 0);
    EXPECT_EQ(Run({"import", "vivaldi", "Default"}).status, 0);
    EXPECT_EQ(Run({"import", "konqueror"}).status, 0);
    test::CliResult noZen = Run({"import", "zen"});
    EXPECT_EQ(noZen.status, 2) << noZen.out;
    EXPECT_NE(noZen.out.find("no Zen profile with bookmarks was found"), std::string::npos) << noZen.out;
    test::CliResult unknown = Run({"import", "netscape6"});
    EXPECT_EQ(unknown.status, 64);
    EXPECT_NE(unknown.out.find("qutebrowser"), std::string::npos) << unknown.out;
    EXPECT_EQ(ImportFolders(), (std::vector<std::string>{"Imported from Opera", "Imported from Vivaldi",
                                                         "Imported from Konqueror"}));

    // An XBEL file in, a folder out as XBEL, and that file in again.
    const std::string file = dir.file("marks.xbel");
    test::WriteText(file, "<?xml version=\"1.0\"?><xbel><folder><title>Caf\xC3\xA9</title>"
                          "<bookmark href=\"https://example.org/x?a=1&amp;b=2\"><title>X</title>"
                          "<desc>About x</desc></bookmark></folder></xbel>");
    test::CliResult in = Run({"import", "xbel", file});
    EXPECT_EQ(in.status, 0) << in.out;
    EXPECT_NE(in.out.find("Imported 1 bookmarks in 2 folders into folder"), std::string::npos) << in.out;
    const std::string folder = in.out.substr(in.out.find("into folder ") + 12);
    const std::string out = dir.file("out.xbel");
    test::CliResult exported = Run({"export", "xbel", folder.substr(0, folder.find(' ')), out});
    EXPECT_EQ(exported.status, 0) << exported.out;
    EXPECT_NE(exported.out.find("Exported 1 bookmarks in 1 folders to " + out), std::string::npos)
        << exported.out;
    const std::string text = test::ReadText(out);
    EXPECT_NE(text.find("<bookmark href=\"https://example.org/x?a=1&amp;b=2\""), std::string::npos) << text;
    EXPECT_NE(text.find("<desc>About x</desc>"), std::string::npos) << text;
    EXPECT_EQ(Run({"import", "xbel", out}).status, 0);
    EXPECT_EQ(Run({"export", "xbel", "1"}).status, 64);
    test::CliResult missing = Run({"import", "xbel", dir.file("none.xbel")});
    EXPECT_EQ(missing.status, 2);
    test::WriteText(dir.file("page.html"), "<html><body>not bookmarks</body></html>");
    test::CliResult html = Run({"import", "xbel", dir.file("page.html")});
    EXPECT_EQ(html.status, 2);
    EXPECT_NE(html.out.find("not an XBEL bookmark file"), std::string::npos) << html.out;
}

} // namespace
} // namespace vireo

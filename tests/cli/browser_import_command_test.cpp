// SPDX-License-Identifier: GPL-3.0-or-later
// vireo-cli import firefox / chromium as a user types them: with the profiles found in a
// home folder, by name, by file, and with nothing to go on.

#include <gtest/gtest.h>

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
            if (db.Folder(id).FolderType == kFolderImported)
                names.push_back(db.Folder(id).Name.text());
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
    test::WriteFile(home + "/.mozilla/firefox/profiles.ini",
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
    test::WriteFile(home + "/.config/chromium/Default/Bookmarks",
                    test::OneBookmarkJson("Chromium's", "https://example.org/chromium"));
    test::WriteFile(home + "/.config/google-chrome/Default/Bookmarks",
                    test::OneBookmarkJson("Chrome's", "https://example.org/chrome"));
    test::CliResult ambiguous = Run({"import", "chromium", "Default"});
    EXPECT_EQ(ambiguous.status, 2) << ambiguous.out;
    EXPECT_NE(ambiguous.out.find("Google Chrome/Default\t"), std::string::npos) << ambiguous.out;
    test::CliResult chrome = Run({"import", "chromium", "Google Chrome/Default"});
    EXPECT_EQ(chrome.status, 0) << chrome.out;

    // A file anywhere, damaged: refused with the reason, and nothing saved.
    test::WriteFile(dir.file("cut/Bookmarks"), "{\"roots\": {\"bookmark_bar\": {\"children\": [");
    test::CliResult cut = Run({"import", "chromium", dir.file("cut")});
    EXPECT_EQ(cut.status, 2) << cut.out;
    EXPECT_NE(cut.out.find("is damaged or incomplete"), std::string::npos) << cut.out;
    EXPECT_EQ(ImportFolders(), (std::vector<std::string>{"Imported from Firefox", "Imported from Chromium"}));

    EXPECT_EQ(Run({"import", "chromium", "a", "b"}).status, 64);
}

} // namespace
} // namespace vireo

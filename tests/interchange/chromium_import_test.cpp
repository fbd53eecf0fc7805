// SPDX-License-Identifier: GPL-3.0-or-later
// The Chromium family's Bookmarks file: every node kind, what the browser never writes but
// a file may hold, and files that are damaged or no bookmark file at all.
#include <gtest/gtest.h>

#include "exchange_fixture.h"
#include "interchange/browser_import.h"
#include "store/ole_date.h"

namespace vireo {
namespace {

struct ChromiumImport : test::ExchangeFixture {
    ExchangeResult Import(std::string_view json) {
        const std::string file = tmp.file("Bookmarks");
        test::WriteText(file, json);
        return ImportChromium(db, file);
    }
};

TEST_F(ChromiumImport, FilesTheRootsInOrderAndSkipsWhatIsNoBookmark) {
    // As the browser writes it, keys in order, plus what a damaged or newer file may hold:
    // a folder with no list, an untyped entry, an element that is no node, a number where
    // a date belongs, and a "type" inside meta_info that must not retype its node.
    ExchangeResult r = Import(R"({"checksum": "0f", "roots": {
        "bookmark_bar": {"children": [
            {"children": [{"date_added": "13345678901000000", "date_last_used": "13345678999000000",
                           "date_modified": "0", "name": "Deep \u003Cone> & \"q\" Caf\u00e9 \u20ac\/",
                           "type": "url", "url": "https://a.example/1"}],
             "meta_info": {"type": "url", "url": "https://wrong.example/"}, "name": "Sub", "type": "folder"},
            {"name": "Second", "type": "url", "url": "https://a.example/2"},
            {"name": "no address", "type": "url", "url": ""},
            {"name": "untyped", "url": "https://a.example/untyped"},
            {"name": "folder without a list", "type": "folder"},
            "not a node", [{"name": "in a list", "type": "url", "url": "https://a.example/list"}],
            {"date_added": 13345678901000000, "name": "Third", "type": "url", "url": "https://a.example/3"}],
            "name": "", "type": "folder"},
        "other": {"children": [], "name": "Other", "type": "folder"},
        "synced": {"children": [{"name": "M", "type": "url", "url": "https://m.example/"}],
                   "name": "Phone", "type": "folder"},
        "trash": {"children": [{"name": "T", "type": "url", "url": "https://t.example/"}], "type": "folder"},
        "workspaces": {"children": [{"name": "W", "type": "url", "url": "https://w.example/"}],
                       "name": "Spaces", "type": "folder"},
        "aaa": {"children": [{"name": "A", "type": "url", "url": "https://aa.example/"}], "type": "folder"}
    }, "version": 1})");
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.bookmarks, 6);
    EXPECT_EQ(r.folders, 6); // the import folder, four roots with bookmarks, "Sub"
    const std::int16_t top = Child(kRootFolder, kChromiumImportFolder);
    ASSERT_EQ(r.folder, top);
    // The known roots first (an empty one left out), then the others by name, trash never.
    EXPECT_EQ(Outline(top, true),
              "Bookmarks bar {Second <https://a.example/2>; Third <https://a.example/3>; Sub {Deep <one> & "
              "\"q\" Caf\xC3\xA9 \xE2\x82\xAC/ <https://a.example/1>}}; Phone {M <https://m.example/>}; aaa "
              "{A <https://aa.example/>}; Spaces {W <https://w.example/>}");
    const std::int16_t sub = Child(Child(top, "Bookmarks bar"), "Sub");
    const BookmarkRecord& deep = First(sub);
    EXPECT_EQ(OleToUnix(deep.added), 13345678901 - 11644473600);
    EXPECT_EQ(OleToUnix(deep.Touched), 13345678999 - 11644473600); // the later of used and modified
    EXPECT_EQ(db.Marks(sub).DescStr(db.Marks(sub).key(1)), kChromiumImportDescription);
}

TEST_F(ChromiumImport, OperaVivaldiAndFalkonFilesBringEveryBookmark) {
    // Opera keeps most bookmarks under custom_root, an untyped object holding its own roots
    // (its trash among them); Vivaldi adds a trash root; roots that are no objects, folders
    // without a list and nameless entries turn up in real files.
    ExchangeResult opera = Import(R"({"checksum": "1", "roots": {
        "bookmark_bar": {"children": [{"name": "", "type": "url", "url": "https://bar.example/"}],
                         "name": "", "type": "folder"},
        "custom_root": {
            "speedDial": {"children": [{"name": "Dial", "type": "url", "url": "https://dial.example/"}],
                          "name": "", "type": "folder"},
            "trash": {"children": [{"name": "Gone", "type": "url", "url": "https://gone.example/"}],
                      "name": "Trash", "type": "folder"},
            "unsorted": {"children": [{"name": "U", "type": "url", "url": "https://u.example/"}],
                         "type": "folder"},
            "userRoot": {"children": [{"children": [{"name": "Deep", "type": "url", "url": "https://deep.example/"}],
                                       "name": "Work", "type": "folder"},
                                      {"name": "Lost folder", "type": "folder"}],
                         "name": "My Folders", "type": "folder"},
            "meta_info": {"x": 1}, "count": 7},
        "other": {"children": [], "type": "folder"},
        "synced": {"children": [], "type": "folder"},
        "trash": {"children": [{"name": "Vivaldi's", "type": "url", "url": "https://trash.example/"}],
                  "type": "folder"},
        "sync_transaction_version": "12", "broken": [1, 2]
    }, "version": 1})");
    ASSERT_TRUE(opera.ok) << opera.message;
    EXPECT_EQ(opera.bookmarks, 4); // nothing from either trash
    EXPECT_EQ(Outline(opera.folder, true),
              "Bookmarks bar {https://bar.example/ <https://bar.example/>}; Speed Dial {Dial "
              "<https://dial.example/>}; Unsorted bookmarks {U <https://u.example/>}; My Folders {Work {Deep "
              "<https://deep.example/>}}");

    // Falkon's bookmarks.json: the same kind of file with its own roots and descriptions.
    test::WriteText(tmp.file("falkon/bookmarks.json"), R"({"roots": {
        "bookmark_bar": {"children": [{"description": "KDE's news", "name": "Planet", "type": "url",
                                       "url": "https://planet.kde.org/", "visit_count": 3},
                                      {"type": "separator"}],
                         "description": "Bookmarks located in Bookmarks Toolbar", "expanded": true,
                         "name": "Bookmarks Toolbar", "type": "folder"},
        "bookmark_menu": {"children": [{"children": [{"description": "", "name": "Falkon", "type": "url",
                                                      "url": "https://falkon.org/"}],
                                        "name": "Menu folder", "type": "folder"}],
                          "name": "Bookmarks Menu", "type": "folder"},
        "other": {"children": [], "name": "Unsorted Bookmarks", "type": "folder"}}, "version": 1})");
    const BrowserInfo* browser = FindBrowser("falkon");
    ASSERT_NE(browser, nullptr);
    ExchangeResult f = ImportBrowser(db, *browser, tmp.file("falkon"));
    ASSERT_TRUE(f.ok) << f.message;
    EXPECT_EQ(f.bookmarks, 2);
    const std::int16_t bar = Child(f.folder, "Bookmarks Toolbar");
    EXPECT_EQ(db.Marks(bar).DescStr(First(bar).key), "KDE's news");
    EXPECT_EQ(First(bar).Flags, kFlagsFalkon);
    const std::int16_t menu = Child(Child(f.folder, "Bookmarks Menu"), "Menu folder");
    EXPECT_EQ(db.Marks(menu).DescStr(First(menu).key), "Imported from Falkon");
}

TEST_F(ChromiumImport, FilesWhatTheBrowserNeverWritesAsItFilesTheRestAndCutsWhatIsTooLong) {
    // A byte order mark, an escaped pair of surrogates and numbers with fractions or many
    // digits are read by a slower way than a browser's own file; they must not change what
    // is filed.
    const std::string plain = R"({"roots": {"other": {"children": [
        {"name": "Song )"
                              "\xF0\x9F\x8E\xB5 \xE2\x82\xAC"
                              R"(", "type": "url", "url": "https://s.example/"}],
        "type": "folder"}}, "version": 1})";
    const std::string variants[] = {
        "\xEF\xBB\xBF" + plain,
        R"({"roots": {"other": {"children": [
            {"name": "Song \ud83c\udfb5 \u20AC", "type": "url", "url": "https://s.example/"}],
            "type": "folder"}}, "version": 1})",
        R"({"roots": {"other": {"children": [
            {"name": "Song \ud83c\udfb5 \u20ac", "type": "url", "url": "https://s.example/", "w": 1.5e3}],
            "type": "folder"}}, "version": 12345678901234567890})",
    };
    ExchangeResult r = Import(plain);
    ASSERT_TRUE(r.ok) << r.message;
    const std::vector<std::string> titles = Titles(Child(r.folder, "Other bookmarks"));
    ASSERT_EQ(titles, (std::vector<std::string>{"Song \xF0\x9F\x8E\xB5 \xE2\x82\xAC"}));
    for (const std::string& json : variants) {
        r = Import(json);
        ASSERT_TRUE(r.ok) << json << ": " << r.message;
        EXPECT_EQ(Titles(Child(r.folder, "Other bookmarks")), titles) << json;
    }

    // Of two equal keys the later counts.
    r = Import(R"({"roots": {"bookmark_bar": {"children": [], "type": "folder"}},
        "roots": {"bookmark_bar": {"children": [{"type": "url", "url": "https://x.example/"}],
                                   "children": [{"name": "old", "name": "new", "type": "folder",
                                                 "type": "url", "url": "https://x.example/"}],
                                   "type": "folder"},
                  "other": {"children": [{"name": "lost", "type": "url", "url": "https://y.example/"}],
                            "type": "folder"},
                  "other": 5}})");
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.bookmarks, 1);
    EXPECT_EQ(Titles(Child(r.folder, "Bookmarks bar")), (std::vector<std::string>{"new"}));

    // An address over a mebibyte is cut, and the cut counted.
    const std::string data = "data:text/plain," + std::string((1 << 20) + 500, 'd');
    r = Import(R"({"roots": {"other": {"children": [{"name": "Huge", "type": "url", "url": ")" + data +
               R"("}], "type": "folder"}}})");
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_TRUE(r.warning);
    EXPECT_NE(r.message.find("1 text was longer than 1 MiB"), std::string::npos) << r.message;
    const std::string kept = Urls(Child(r.folder, "Other bookmarks")).at(0);
    EXPECT_EQ(kept.size(), std::size_t{1} << 20);
    EXPECT_EQ(kept, data.substr(0, kept.size()));
}

TEST_F(ChromiumImport, RefusesFilesItCannotReadAndFilesNothing) {
    struct Case {
        std::string json;
        std::string says;
    };
    const Case cases[] = {
        {"  \r\n\t", "is empty"},
        {R"({"roots": {"bookmark_bar": {"children": [{"name": "Deb)", "damaged or incomplete (at byte 55)"},
        {"{\"roots\": {\"other\": {\"name\": \"\xFF\"}}}", "damaged or incomplete"},
        {R"({"roots": {}} trailing)", "damaged or incomplete"},
        // A number too large for a double is damage too, not a reason to stop the program.
        {R"({"roots": {"other": {"children": [], "type": "folder", "x": 1e999}}})", "damaged or incomplete"},
        {R"([{"roots": {}}])", "not a Chromium bookmark file"},
        // Of two "roots" the later counts, and this one is no object.
        {R"({"roots": {"other": {"children": [{"type": "url", "url": "https://y.example/"}], "type": "folder"}},
            "roots": 1})",
         "not a Chromium bookmark file"},
        {R"({"roots": {"other": {"children": [{"type": "folder", "children": []}], "type": "folder"}}})",
         "holds no bookmarks"},
    };
    for (const Case& c : cases) {
        ExchangeResult r = Import(c.json);
        EXPECT_FALSE(r.ok) << c.json;
        EXPECT_TRUE(r.warning) << c.json;
        EXPECT_NE(r.message.find(c.says), std::string::npos) << c.json << ": " << r.message;
    }
    EXPECT_EQ(Child(kRootFolder, kChromiumImportFolder), 0);
}

} // namespace
} // namespace vireo

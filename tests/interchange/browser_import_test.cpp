// SPDX-License-Identifier: GPL-3.0-or-later
// Bookmarks straight from Firefox and the Chromium family: the stores as the browsers
// write them, held open by a running browser, half-written, cut short or damaged.

#include "interchange/browser_import.h"

#include <gtest/gtest.h>

#include <map>

#include "browser_stores.h"
#include "exchange_fixture.h"
#include "store/ole_date.h"

namespace vireo {
namespace {

namespace fs = std::filesystem;
using test::PlacesDb;

constexpr std::int64_t kMicros = 1000000;

struct BrowserImportTest : test::ExchangeFixture {
    std::string places = tmp.file("profile/places.sqlite");
    void SetUp() override {
        ExchangeFixture::SetUp();
        fs::create_directories(tmp.file("profile"));
    }
    // The database must look exactly as before a refused import.
    void ExpectRefused(const ExchangeResult& r, std::size_t foldersBefore, std::string_view mentions) {
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.warning);
        EXPECT_NE(r.message.find(mentions), std::string::npos) << r.message;
        EXPECT_NE(r.message.find("Nothing was imported"), std::string::npos) << r.message;
        EXPECT_EQ(Children(kRootFolder).size(), foldersBefore);
    }
    std::string Bytes(const std::string& file) { return test::ReadText(file); }
};

TEST_F(BrowserImportTest, FirefoxRootsComeInOrderWithDatesAndWithoutQueriesSeparatorsOrTags) {
    const std::string bookmarklet = "javascript:(function(){" + std::string(5000, 'x') + "})()";
    {
        PlacesDb ff(places);
        // Positions are given out of insertion order: the browser's order is the position.
        std::int64_t work = ff.Folder(PlacesDb::kMenu, 1, "Work");
        ff.Bookmark(PlacesDb::kMenu, 0, "Caf\xC3\xA9 & Co", "https://example.org/caf%C3%A9?a=1&b=2",
                    1600000000 * kMicros, 1650000000 * kMicros);
        ff.Bookmark(work, 1, "Second", "https://example.org/2");
        ff.Separator(work, 0);
        ff.Bookmark(work, 2, "Recent", "place:sort=8&maxResults=10");
        ff.Folder(work, 3, "Empty but mine");
        ff.Untitled(PlacesDb::kToolbar, 0, "https://example.org/untitled");
        ff.Bookmark(PlacesDb::kUnfiled, 0, "Bookmarklet", bookmarklet);
        // A tag is a folder under the tags root holding a second entry for a tagged address.
        std::int64_t tag = ff.Folder(PlacesDb::kTags, 0, "reading");
        ff.Bookmark(tag, 0, "", "https://example.org/2");
        // The mobile root holds only a separator: no folder for it.
        ff.Separator(PlacesDb::kMobile, 0);
    }
    const std::string before = Bytes(places);

    ExchangeResult r = ImportFirefox(db, tmp.file("profile")); // a profile folder will do
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_TRUE(r.message.empty()) << r.message;
    EXPECT_EQ(r.bookmarks, 4);
    EXPECT_EQ(r.folders, 6); // the import folder, three roots, Work and its empty subfolder
    EXPECT_EQ(Bytes(places), before) << "the browser's own file was changed";
    EXPECT_FALSE(fs::exists(places + "-wal"));

    ASSERT_EQ(r.folder, Child(kRootFolder, "Imported from Firefox"));
    EXPECT_EQ(db.Folder(r.folder).FolderType, kFolderImported);
    std::vector<std::string> roots;
    for (std::int16_t id : Children(r.folder))
        roots.push_back(db.Folder(id).Name.text());
    EXPECT_EQ(roots, (std::vector<std::string>{"Bookmarks Menu", "Bookmarks Toolbar", "Other Bookmarks"}));

    const std::int16_t menu = Child(r.folder, "Bookmarks Menu");
    const std::int16_t work = Child(menu, "Work");
    EXPECT_EQ(Titles(menu), (std::vector<std::string>{"Caf\xC3\xA9 & Co"}));
    EXPECT_EQ(Urls(menu), (std::vector<std::string>{"https://example.org/caf%C3%A9?a=1&b=2"}));
    EXPECT_EQ(Urls(work), (std::vector<std::string>{"https://example.org/2"}));
    EXPECT_NE(Child(work, "Empty but mine"), 0);
    const BookmarkRecord& cafe = First(menu);
    EXPECT_NEAR(cafe.added, OleFromUnix(1600000000), 1.0 / 86400);
    EXPECT_NEAR(cafe.Touched, OleFromUnix(1650000000), 1.0 / 86400);
    EXPECT_EQ(cafe.Flags, kFlagsFirefox);
    EXPECT_EQ(db.Marks(menu).DescStr(cafe.key), "Imported from Firefox");
    EXPECT_EQ(Urls(Child(r.folder, "Bookmarks Toolbar")),
              (std::vector<std::string>{"https://example.org/untitled"}));

    // Whole after saving and opening again: the bookmarklet is not cut.
    std::string error;
    ASSERT_TRUE(db.Save(&error)) << error;
    db.Close();
    ASSERT_TRUE(db.Open(tmp.file("data"), &error)) << error;
    EXPECT_EQ(Urls(Child(Child(kRootFolder, "Imported from Firefox"), "Other Bookmarks")),
              (std::vector<std::string>{bookmarklet}));
}

TEST_F(BrowserImportTest, FirefoxRunningReadsWhatItCommittedAndNeverItsOpenTransaction) {
    // As the browser runs: write-ahead log, no checkpoint, the connection kept open, so
    // the committed bookmarks are in the log alone.
    PlacesDb ff(places);
    ff.Exec("PRAGMA wal_autocheckpoint = 0");
    ff.Bookmark(PlacesDb::kToolbar, 0, "In the log", "https://example.org/logged");
    ASSERT_TRUE(fs::exists(places + "-wal"));

    ExchangeResult logged = ImportFirefox(db, places);
    ASSERT_TRUE(logged.ok) << logged.message;
    EXPECT_EQ(Urls(Child(logged.folder, "Bookmarks Toolbar")),
              (std::vector<std::string>{"https://example.org/logged"}));

    // Mid-write: a transaction holding the write lock, big enough to spill into the log.
    ff.Exec("PRAGMA cache_size = 5");
    ff.Exec("BEGIN EXCLUSIVE");
    for (int i = 0; i < 500; ++i)
        ff.Bookmark(PlacesDb::kMenu, i, "Uncommitted " + std::string(200, 'u'),
                    "https://example.org/u" + std::to_string(i));
    ExchangeResult busy = ImportFirefox(db, places);
    ASSERT_TRUE(busy.ok) << busy.message;
    EXPECT_EQ(busy.bookmarks, 1);
    EXPECT_EQ(Child(busy.folder, "Bookmarks Menu"), 0);
    ff.Exec("ROLLBACK");
}

TEST_F(BrowserImportTest, AHalfWrittenRollbackJournalIsRolledBackInTheCopyOnly) {
    // Older profiles and some distributions keep a rollback journal. A writer that spilled
    // half a transaction into the database file leaves it readable only through the journal.
    PlacesDb ff(places);
    ff.Exec("PRAGMA journal_mode = DELETE");
    ff.Bookmark(PlacesDb::kMenu, 0, "Committed", "https://example.org/committed");
    ff.Exec("PRAGMA cache_size = 5");
    ff.Exec("BEGIN EXCLUSIVE");
    for (int i = 0; i < 500; ++i)
        ff.Bookmark(PlacesDb::kMenu, i + 1, std::string(300, 'h'),
                    "https://example.org/h" + std::to_string(i));
    ASSERT_TRUE(fs::exists(places + "-journal"));
    const std::string before = Bytes(places);

    ExchangeResult r = ImportFirefox(db, places);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(Urls(Child(r.folder, "Bookmarks Menu")),
              (std::vector<std::string>{"https://example.org/committed"}));
    EXPECT_EQ(Bytes(places), before) << "the browser's half-written file was touched";
    ff.Exec("ROLLBACK");
}

TEST_F(BrowserImportTest, MissingEmptyDamagedOrCutDatabasesAreRefusedAndChangeNothing) {
    const std::size_t folders = Children(kRootFolder).size();
    ExpectRefused(ImportFirefox(db, tmp.file("nowhere/places.sqlite")), folders,
                  "no Firefox bookmark database");
    ExpectRefused(ImportChromium(db, tmp.file("nowhere")), folders, "no Chromium bookmark file");

    test::WriteText(places, "");
    ExpectRefused(ImportFirefox(db, places), folders, "is empty");
    test::WriteText(places, "SQLite format 3 but not really a database, just text " + std::string(5000, 'z'));
    ExpectRefused(ImportFirefox(db, places), folders, "cannot be read");

    // A real database cut in the middle, as a copy that stopped halfway leaves it.
    {
        PlacesDb ff(tmp.file("whole.sqlite"));
        ff.Exec("PRAGMA journal_mode = DELETE");
        ff.Exec("BEGIN");
        for (int i = 0; i < 2000; ++i)
            ff.Bookmark(PlacesDb::kMenu, i, "Title " + std::to_string(i),
                        "https://example.org/" + std::to_string(i));
        ff.Exec("COMMIT");
    }
    std::string whole = Bytes(tmp.file("whole.sqlite"));
    test::WriteText(places, std::string_view(whole).substr(0, whole.size() / 2));
    ExpectRefused(ImportFirefox(db, places), folders, "cannot be read");

    // Only the roots: nothing worth a folder.
    fs::remove(places);
    { PlacesDb ff(places); }
    ExpectRefused(ImportFirefox(db, places), folders, "holds no bookmarks");
}

TEST_F(BrowserImportTest, DamageToHistoryKeepsNoBookmarkOutButDamageToTheBookmarksRefuses) {
    std::int64_t pageSize = 0;
    std::map<std::string, std::int64_t> rootPages;
    {
        PlacesDb ff(places);
        ff.Exec("PRAGMA journal_mode = DELETE");
        ff.Bookmark(PlacesDb::kMenu, 0, "Kept", "https://example.org/kept");
        ff.Exec("INSERT INTO moz_historyvisits (place_id, visit_date, visit_type) VALUES (1, 1, 1)");
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(
            ff.handle(),
            "SELECT name, rootpage, (SELECT page_size FROM pragma_page_size) FROM sqlite_master "
            "WHERE name IN ('moz_historyvisits', 'moz_bookmarks')",
            -1, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW) {
            rootPages[reinterpret_cast<const char*>(sqlite3_column_text(st, 0))] =
                sqlite3_column_int64(st, 1);
            pageSize = sqlite3_column_int64(st, 2);
        }
        sqlite3_finalize(st);
    }
    ASSERT_EQ(rootPages.size(), 2u);
    const std::string whole = Bytes(places);
    // An impossible page type in the first byte of a table's first page.
    auto damaged = [&](const char* table) {
        std::string bytes = whole;
        bytes[static_cast<std::size_t>((rootPages[table] - 1) * pageSize)] = '\x7f';
        test::WriteText(places, bytes);
    };
    damaged("moz_historyvisits");
    ExchangeResult r = ImportFirefox(db, places);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(Urls(Child(r.folder, "Bookmarks Menu")),
              (std::vector<std::string>{"https://example.org/kept"}));

    const std::size_t folders = Children(kRootFolder).size();
    damaged("moz_bookmarks");
    ExpectRefused(ImportFirefox(db, places), folders, "cannot be read");
}

TEST(BrowserProfiles, FoundWhereEachBrowserKeepsThemDefaultFirst) {
    test::TempDir home;
    const fs::path h = home.path();
    const fs::path ff = h / ".mozilla/firefox";
    test::WriteFile(ff / "profiles.ini",
                    "[Install4F96D1932A9F858E]\nDefault=abcd.default-release\nLocked=1\n\n"
                    "[Profile1]\nName=default\nIsRelative=1\nPath=efgh.default\nDefault=1\n\n"
                    "[Profile0]\nName=default-release\nIsRelative=1\nPath=abcd.default-release\n\n"
                    "[Profile2]\nName=never used\nIsRelative=1\nPath=ijkl.unused\n\n"
                    "[Profile3]\nName=elsewhere\nIsRelative=0\nPath=" +
                        (h / "elsewhere").string() + "\n\n[General]\nStartWithLastProfile=1\n");
    for (const char* dir : {"efgh.default", "abcd.default-release"})
        test::WriteFile(ff / dir / "places.sqlite", "x");
    fs::create_directories(ff / "ijkl.unused"); // never started: no database yet
    test::WriteFile(h / "elsewhere/places.sqlite", "x");
    const fs::path snap = h / "snap/firefox/common/.mozilla/firefox";
    test::WriteFile(snap / "profiles.ini",
                    "[Profile0]\nName=snap\r\nIsRelative=1\r\nPath=s.default\r\nDefault=1\r\n");
    test::WriteFile(snap / "s.default/places.sqlite", "x");

    std::vector<BrowserProfile> firefox = FindFirefoxProfiles(home.str());
    std::vector<std::string> names;
    for (const BrowserProfile& p : firefox) {
        names.push_back(p.name + (p.isDefault ? "*" : ""));
        EXPECT_EQ(p.kind, BrowserFamily::Firefox);
        EXPECT_TRUE(fs::is_regular_file(p.path)) << p.path;
    }
    // The installation's default (not the older Default=1) leads; the Snap's own default follows.
    EXPECT_EQ(names, (std::vector<std::string>{"default-release*", "snap*", "default", "elsewhere"}));

    for (const char* dir : {".config/google-chrome/Default", ".config/google-chrome/Profile 10",
                            ".config/google-chrome/Profile 2", ".config/google-chrome/System Profile",
                            ".config/chromium/Default", "snap/chromium/common/chromium/Work",
                            ".var/app/com.brave.Browser/config/BraveSoftware/Brave-Browser/Default",
                            "snap/opera/current/.config/opera/Default"})
        test::WriteFile(h / dir / "Bookmarks", "{}");
    fs::create_directories(h / ".config/google-chrome/Profile 3"); // no bookmarks yet
    std::vector<std::string> chromium;
    for (const BrowserProfile& p : FindChromiumProfiles(home.str()))
        chromium.push_back(p.browser + "/" + p.name + (p.isDefault ? "*" : ""));
    EXPECT_EQ(chromium,
              (std::vector<std::string>{"Chromium/Default*", "Chromium/Work", "Google Chrome/Default*",
                                        "Google Chrome/Profile 2", "Google Chrome/Profile 10",
                                        "Brave/Default*", "Opera/Default*"}));
    EXPECT_TRUE(FindFirefoxProfiles("").empty());
    EXPECT_TRUE(FindChromiumProfiles((h / "nobody").string()).empty());
}

} // namespace
} // namespace vireo

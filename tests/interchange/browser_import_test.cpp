// SPDX-License-Identifier: GPL-3.0-or-later
// Bookmarks straight from Firefox and the Chromium family: the stores as the browsers
// write them, held open by a running browser, half-written, cut short or damaged.

#include "interchange/browser_import.h"

#include <gtest/gtest.h>
#include <lz4.h>

#include <chrono>
#include <map>

#include "browser_stores.h"
#include "exchange_fixture.h"
#include "interchange/browser_tree.h"
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
        ff.Bookmark(PlacesDb::kToolbar, 0, std::nullopt, "https://example.org/untitled");
        ff.Bookmark(PlacesDb::kUnfiled, 0, "Bookmarklet", bookmarklet);
        // A tag is a folder under the tags root holding a second entry for a tagged address.
        std::int64_t tag = ff.Folder(PlacesDb::kTags, 0, "reading");
        ff.Bookmark(tag, 0, "", "https://example.org/2");
        // The mobile root holds only a separator: no folder for it.
        ff.Separator(PlacesDb::kMobile, 0);
    }
    const std::string before = test::ReadText(places);

    ExchangeResult r = ImportFirefox(db, tmp.file("profile")); // a profile folder will do
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_TRUE(r.message.empty()) << r.message;
    EXPECT_EQ(r.bookmarks, 4);
    EXPECT_EQ(r.folders, 6); // the import folder, three roots, Work and its empty subfolder
    EXPECT_EQ(test::ReadText(places), before) << "the browser's own file was changed";
    EXPECT_FALSE(fs::exists(places + "-wal"));

    ASSERT_EQ(r.folder, Child(kRootFolder, "Imported from Firefox"));
    EXPECT_EQ(FolderKindOf(db.Folder(r.folder)), FolderKind::Imported);
    EXPECT_EQ(Outline(r.folder, true),
              "Bookmarks Menu {Caf\xC3\xA9 & Co <https://example.org/caf%C3%A9?a=1&b=2>; Work {Second "
              "<https://example.org/2>; Empty but mine {}}}; Bookmarks Toolbar {https://example.org/untitled "
              "<https://example.org/untitled>}; Other Bookmarks {Bookmarklet <" +
                  bookmarklet + ">}");
    const BookmarkRecord& cafe = First(Child(r.folder, "Bookmarks Menu"));
    EXPECT_NEAR(cafe.added, OleFromUnix(1600000000), 1.0 / 86400);
    EXPECT_NEAR(cafe.Touched, OleFromUnix(1650000000), 1.0 / 86400);
    EXPECT_EQ(cafe.Flags, kFlagsFirefox);
    EXPECT_EQ(db.Marks(Child(r.folder, "Bookmarks Menu")).DescStr(cafe.key), "Imported from Firefox");
}

TEST_F(BrowserImportTest, ARunningOrHalfWrittenStoreGivesWhatWasCommittedAndIsLeftAlone) {
    // As the browser runs: a write-ahead log never checkpointed, so the committed bookmark is
    // in the log alone. Older profiles keep a rollback journal instead: a writer that spilled
    // half a transaction into the file leaves it readable only through the journal.
    struct Case {
        const char* pragma;
        const char* companion;
    };
    for (const Case& c :
         {Case{"wal_autocheckpoint = 0", "-wal"}, Case{"journal_mode = DELETE", "-journal"}}) {
        SCOPED_TRACE(c.pragma);
        fs::remove(places);
        PlacesDb ff(places);
        ff.Exec(std::string("PRAGMA ") + c.pragma);
        ff.Bookmark(PlacesDb::kToolbar, 0, "Committed", "https://example.org/committed");
        ff.BeginMany(PlacesDb::kMenu, 500);
        ASSERT_TRUE(fs::exists(places + c.companion));
        const std::string before = test::ReadText(places);

        ExchangeResult r = ImportFirefox(db, places);
        ASSERT_TRUE(r.ok) << r.message;
        EXPECT_EQ(Outline(r.folder, true), "Bookmarks Toolbar {Committed <https://example.org/committed>}");
        EXPECT_EQ(test::ReadText(places), before) << "the browser's half-written file was touched";
        ff.Exec("ROLLBACK");
    }
}

TEST_F(BrowserImportTest, MissingEmptyCutOrDamagedStoresAreRefusedAndChangeNothing) {
    std::size_t folders = Children(kRootFolder).size();
    ExpectRefused(ImportFirefox(db, tmp.file("nowhere/places.sqlite")), folders,
                  "no Firefox bookmark database");
    ExpectRefused(ImportChromium(db, tmp.file("nowhere")), folders, "no Chromium bookmark file");
    test::WriteText(places, "");
    ExpectRefused(ImportFirefox(db, places), folders, "is empty");
    test::WriteText(places, "SQLite format 3 but not really a database, just text " + std::string(5000, 'z'));
    ExpectRefused(ImportFirefox(db, places), folders, "cannot be read");

    std::map<std::string, std::int64_t> rootPages;
    std::int64_t pageSize = 0;
    fs::remove(places);
    {
        PlacesDb ff(places);
        ff.Exec("PRAGMA journal_mode = DELETE");
        ff.Bookmark(PlacesDb::kMenu, 0, "Kept", "https://example.org/kept");
        ff.Exec("INSERT INTO moz_historyvisits (place_id, visit_date, visit_type) VALUES (1, 1, 1)");
        ff.BeginMany(PlacesDb::kUnfiled, 1000);
        ff.Exec("COMMIT");
        pageSize = ff.Number("PRAGMA page_size");
        for (std::string table : {"moz_historyvisits", "moz_bookmarks"})
            rootPages[table] = ff.Number("SELECT rootpage FROM sqlite_master WHERE name = '" + table + "'");
    }
    const std::string whole = test::ReadText(places);
    // Cut in the middle, as a copy that stopped halfway leaves it.
    test::WriteText(places, std::string_view(whole).substr(0, whole.size() / 2));
    ExpectRefused(ImportFirefox(db, places), folders, "cannot be read");
    // An impossible page type in the first byte of a table's first page: damaged history
    // keeps no bookmark out, damaged bookmarks refuse.
    auto damaged = [&](const char* table) {
        std::string bytes = whole;
        bytes[static_cast<std::size_t>((rootPages[table] - 1) * pageSize)] = '\x7f';
        test::WriteText(places, bytes);
        return ImportFirefox(db, places);
    };
    ExchangeResult r = damaged("moz_historyvisits");
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(Urls(Child(r.folder, "Bookmarks Menu")),
              (std::vector<std::string>{"https://example.org/kept"}));
    folders = Children(kRootFolder).size();
    ExpectRefused(damaged("moz_bookmarks"), folders, "cannot be read");

    // Only the roots: nothing worth a folder.
    fs::remove(places);
    { PlacesDb ff(places); }
    ExpectRefused(ImportFirefox(db, places), folders, "holds no bookmarks");
}

// A backup as Firefox writes it: "mozLz40\0", the JSON's length, one LZ4 block.
std::string MozLz4(const std::string& json) {
    std::string block(static_cast<std::size_t>(LZ4_compressBound(static_cast<int>(json.size()))), '\0');
    const int n = LZ4_compress_default(json.data(), block.data(), static_cast<int>(json.size()),
                                       static_cast<int>(block.size()));
    EXPECT_GT(n, 0);
    block.resize(static_cast<std::size_t>(n));
    const auto size = static_cast<std::uint32_t>(json.size());
    std::string out("mozLz40\0", 8);
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((size >> (8 * i)) & 0xFF);
    return out + block;
}

// Roots are known by their guid (or, in older backups, by their "root" name).
constexpr const char* kBackupJson = R"({"guid":"root________","type":"text/x-moz-place-container","children":[
  {"guid":"menu________","type":"text/x-moz-place-container","children":[
    {"title":"Caf\u00e9 & Co","dateAdded":1600000000000000,"lastModified":1650000000000000,
     "type":"text/x-moz-place","uri":"https://example.org/cafe"},
    {"type":"text/x-moz-place-separator"},
    {"title":"Recent","type":"text/x-moz-place","uri":"place:sort=8"},
    {"title":"Work","type":"text/x-moz-place-container","children":[
      {"title":"Deep","type":"text/x-moz-place","uri":"https://example.org/deep","tags":"x,y","keyword":"d"}]}]},
  {"guid":"toolbar_____","type":"text/x-moz-place-container","children":[
    {"title":"Bar","type":"text/x-moz-place","uri":"https://example.org/bar"}]},
  {"guid":"unfiled_____","type":"text/x-moz-place-container"},
  {"guid":"mobile______","type":"text/x-moz-place-container","children":[]}]})";

TEST_F(BrowserImportTest, FirefoxBackupsAreReadAndStandInForADamagedDatabase) {
    // A backup named on its own, compressed or plain.
    const std::string backup = tmp.file("profile/bookmarkbackups/bookmarks-2026-12-01_3_abc.jsonlz4");
    test::WriteText(backup, MozLz4(kBackupJson));
    test::WriteText(tmp.file("plain.json"), kBackupJson);
    for (const std::string& file : {backup, tmp.file("plain.json")}) {
        ExchangeResult r = ImportFirefox(db, file);
        ASSERT_TRUE(r.ok) << r.message;
        EXPECT_EQ(r.message, "");
        EXPECT_EQ(r.bookmarks, 3);
        EXPECT_EQ(Outline(r.folder, true),
                  "Bookmarks Menu {Caf\xC3\xA9 & Co <https://example.org/cafe>; Work {Deep "
                  "<https://example.org/deep>}}; Bookmarks Toolbar {Bar <https://example.org/bar>}");
        const BookmarkRecord& cafe = First(Child(r.folder, "Bookmarks Menu"));
        EXPECT_EQ(OleToUnix(cafe.added), 1600000000);
        EXPECT_EQ(OleToUnix(cafe.Touched), 1650000000);
    }

    // The profile's database is damaged: the newest backup brings the bookmarks back, and
    // the user is told where they came from.
    test::WriteText(tmp.file("profile/bookmarkbackups/bookmarks-2020-01-01_1_old.jsonlz4"),
                    MozLz4(R"({"type":"text/x-moz-place-container","children":[{"root":"toolbarFolder",
                       "type":"text/x-moz-place-container","children":[{"type":"text/x-moz-place",
                       "uri":"https://example.org/old"}]}]})"));
    fs::last_write_time(tmp.file("profile/bookmarkbackups/bookmarks-2020-01-01_1_old.jsonlz4"),
                        fs::last_write_time(backup) - std::chrono::hours(24));
    test::WriteText(places, std::string(4096, 'x'));
    ExchangeResult fallback = ImportFirefox(db, tmp.file("profile"));
    ASSERT_TRUE(fallback.ok) << fallback.message;
    EXPECT_TRUE(fallback.warning);
    EXPECT_NE(fallback.message.find("cannot be read"), std::string::npos) << fallback.message;
    EXPECT_NE(fallback.message.find(backup), std::string::npos) << fallback.message;
    EXPECT_EQ(fallback.bookmarks, 3);

    // Backups that lie about their size or were cut short are refused, not trusted.
    const std::size_t folders = Children(kRootFolder).size();
    std::string lying = MozLz4(kBackupJson);
    lying[11] = '\x7f'; // claims about two gigabytes
    std::string cut = MozLz4(kBackupJson);
    cut.resize(cut.size() / 2);
    std::string longer = MozLz4(kBackupJson);
    longer[8] = static_cast<char>(longer[8] + 1); // one byte more than the block holds
    for (const std::string& bytes :
         {lying, cut, longer, std::string("mozLz40\0", 8), std::string("{\"x\": 1}")}) {
        test::WriteText(tmp.file("bad.jsonlz4"), bytes);
        ExpectRefused(ImportFirefox(db, tmp.file("bad.jsonlz4")), folders, "cannot be imported");
    }
}

TEST_F(BrowserImportTest, QutebrowserBookmarksAndQuickmarksEachInTheirFolder) {
    const fs::path config = tmp.path() / "qb";
    test::WriteText(config / "bookmarks/urls", "https://example.org/a Title with  spaces\r\n"
                                               "https://example.org/untitled\n\n"
                                               "https://example.org/caf%C3%A9 Caf\xC3\xA9\n");
    test::WriteText(config / "quickmarks", "my news site https://news.example/\n"
                                           "wiki en.wikipedia.org/wiki/Main_Page\n"
                                           "dev localhost:8080/app\n"
                                           "notes /home/me/notes.html\n"
                                           "mail mailto:me@example.org\n"
                                           "lonely\n");
    const BrowserInfo* qb = FindBrowser("qutebrowser");
    ASSERT_NE(qb, nullptr);
    ExchangeResult r = ImportBrowser(db, *qb, config.string());
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(
        Outline(r.folder, true),
        "Bookmarks {Title with  spaces <https://example.org/a>; https://example.org/untitled "
        "<https://example.org/untitled>; Caf\xC3\xA9 <https://example.org/caf%C3%A9>}; Quickmarks {my "
        "news site <https://news.example/>; wiki <http://en.wikipedia.org/wiki/Main_Page>; dev "
        "<http://localhost:8080/app>; notes <file:///home/me/notes.html>; mail <mailto:me@example.org>}");
    EXPECT_EQ(First(Child(r.folder, "Quickmarks")).Flags, kFlagsQutebrowser);

    // One file named alone; an empty configuration is refused.
    ExchangeResult one = ImportBrowser(db, *qb, (config / "quickmarks").string());
    ASSERT_TRUE(one.ok) << one.message;
    EXPECT_EQ(Children(one.folder).size(), 1u);
    const std::size_t folders = Children(kRootFolder).size();
    fs::create_directories(tmp.path() / "empty-qb");
    ExpectRefused(ImportBrowser(db, *qb, (tmp.path() / "empty-qb").string()), folders, "no qutebrowser");
}

TEST_F(BrowserImportTest, EveryBrowserFoundNewestFirstAndImportedUnderItsOwnName) {
    const fs::path h = tmp.path() / "home";
    auto url = [](const std::string& id) { return "https://" + id + ".example/"; };
    auto places = [&](const fs::path& dir, const std::string& id) {
        fs::create_directories(dir);
        PlacesDb((dir / "places.sqlite").string()).Bookmark(PlacesDb::kToolbar, 0, "T", url(id));
    };
    auto firefoxLike = [&](const fs::path& base, const std::string& dir, const std::string& id) {
        test::WriteText(base / "profiles.ini",
                        "[Profile0]\nName=" + dir + "\nIsRelative=1\nPath=" + dir + "\nDefault=1\n");
        places(base / dir, id);
    };
    // The stores, each where its browser keeps it: native, Flatpak and Snap. Firefox's
    // installation names its default, over the older Default=1; a profile never started has
    // no database yet; the Snap's profiles.ini has CR LF line ends.
    const fs::path ff = h / ".mozilla/firefox";
    test::WriteText(ff / "profiles.ini",
                    "[Install4F96D1932A9F858E]\nDefault=abcd.default-release\nLocked=1\n\n"
                    "[Profile1]\nName=default\nIsRelative=1\nPath=efgh.default\nDefault=1\n\n"
                    "[Profile0]\nName=default-release\nIsRelative=1\nPath=abcd.default-release\n\n"
                    "[Profile2]\nName=never used\nIsRelative=1\nPath=ijkl.unused\n\n"
                    "[Profile3]\nName=elsewhere\nIsRelative=0\nPath=" +
                        (h / "elsewhere").string() + "\n\n[General]\nStartWithLastProfile=1\n");
    for (const fs::path& dir : {ff / "efgh.default", ff / "abcd.default-release", h / "elsewhere"})
        places(dir, "firefox");
    fs::create_directories(ff / "ijkl.unused");
    test::WriteText(h / "snap/firefox/common/.mozilla/firefox/profiles.ini",
                    "[Profile0]\nName=snap\r\nIsRelative=1\r\nPath=s.default\r\nDefault=1\r\n");
    places(h / "snap/firefox/common/.mozilla/firefox/s.default", "firefox");
    firefoxLike(h / ".var/app/one.ablaze.floorp/.floorp", "f.default", "floorp");
    firefoxLike(h / ".zen", "z.Default (release)", "zen");
    // Chromium's own "System Profile" holds no bookmarks of the user's; Profile 3 none yet.
    for (auto [id, file] : {std::pair{"chromium", ".config/chromium/Default"},
                            {"chromium", "snap/chromium/common/chromium/Work"},
                            {"chrome", ".config/google-chrome/Default"},
                            {"chrome", ".config/google-chrome/Profile 10"},
                            {"chrome", ".config/google-chrome/Profile 2"},
                            {"chrome", ".config/google-chrome/System Profile"},
                            {"brave", "snap/brave/current/.config/BraveSoftware/Brave-Browser/Default"},
                            {"opera", ".config/opera"},
                            {"falkon", ".config/falkon/profiles/default"},
                            {"falkon", ".config/falkon/profiles/work"}})
        test::WriteText(h / file / (id == std::string("falkon") ? "bookmarks.json" : "Bookmarks"),
                        test::OneBookmarkJson("B", url(id)));
    fs::create_directories(h / ".config/google-chrome/Profile 3");
    test::WriteText(h / ".config/falkon/profiles/profiles.ini", "[Profiles]\nstartProfile=\"work\"\n");
    test::WriteText(h / ".var/app/org.qutebrowser.qutebrowser/config/qutebrowser/quickmarks",
                    "q " + url("qutebrowser") + "\n");
    test::WriteText(
        h / ".local/share/konqueror/bookmarks.xml",
        "<?xml version=\"1.0\"?><!DOCTYPE xbel><xbel><folder><title>KDE</title><bookmark href=\"" +
            url("konqueror") + "\"><title>K</title></bookmark></folder></xbel>");

    // Changed at distinct times, so that "newest first" has one answer: the later in this
    // list, the newer.
    const std::vector<std::string> byAge = {"firefox", "floorp", "zen",    "chromium",    "chrome",
                                            "brave",   "opera",  "falkon", "qutebrowser", "konqueror"};
    const auto now = fs::file_time_type::clock::now();
    for (const BrowserProfile& p : FindAllProfiles(h.string())) {
        const auto at = std::find(byAge.begin(), byAge.end(), p.browserId) - byAge.begin();
        // qutebrowser's profile is its folder; its files tell its age.
        const fs::path store =
            p.browserId == "qutebrowser" ? fs::path(p.path) / "quickmarks" : fs::path(p.path);
        fs::last_write_time(store,
                            now - std::chrono::hours(100 - at) - std::chrono::minutes(p.isDefault ? 0 : 30));
    }
    const std::vector<BrowserProfile> all = FindAllProfiles(h.string());
    std::vector<std::string> found;
    for (const BrowserProfile& p : all)
        found.push_back(p.browserId + " " + p.browser + "/" + p.name + (p.isDefault ? "*" : ""));
    // Firefox ESR shares the release's folder: its profiles are listed once.
    EXPECT_EQ(found, (std::vector<std::string>{
                         "konqueror Konqueror/default*",
                         "qutebrowser qutebrowser/default*",
                         "falkon Falkon/work*",
                         "falkon Falkon/default",
                         "opera Opera/Default*",
                         "brave Brave/Default*",
                         "chrome Google Chrome/Default*",
                         "chrome Google Chrome/Profile 2",
                         "chrome Google Chrome/Profile 10",
                         "chromium Chromium/Default*",
                         "chromium Chromium/Work",
                         "zen Zen/z.Default (release)*",
                         "floorp Floorp/f.default*",
                         "firefox Firefox/default-release*",
                         "firefox Firefox/snap*",
                         "firefox Firefox/default",
                         "firefox Firefox/elsewhere",
                     }));
    ASSERT_EQ(FindProfiles(*FindBrowser("firefox-esr"), h.string()).size(), 3u);
    EXPECT_TRUE(FindAllProfiles("").empty());

    // Each brings its bookmark into a folder named after its browser, one level below it.
    for (const BrowserProfile& p : all) {
        SCOPED_TRACE(p.path);
        ExchangeResult r = ImportProfile(db, p);
        ASSERT_TRUE(r.ok) << r.message;
        EXPECT_EQ(r.bookmarks, 1);
        EXPECT_EQ(db.FolderName(r.folder), "Imported from " + p.browser);
        ASSERT_EQ(Children(r.folder).size(), 1u);
        EXPECT_EQ(Urls(Children(r.folder)[0]), std::vector<std::string>{url(p.browserId)});
        // What the import files as a description is known as its own (exports leave it out).
        EXPECT_TRUE(IsBrowserImportDescription("Imported from " + p.browser));
    }
    EXPECT_FALSE(IsBrowserImportDescription("Imported from my old notes"));
}

} // namespace
} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <tuple>

#include "platform/hive_registry.h"
#include "platform/search_library_dl.h"
#include "search/engine_update.h"
#include "search/query_translation.h"
#include "search/search_history.h"
#include "search/search_launcher.h"
#include "search/search_settings.h"
#include "search_test_support.h"
#include "shell/options.h"

namespace vireo {
namespace {

using test::SearchFixture;

const std::string kGroups = SettingsPath(kGroupsSubkey);

std::vector<std::string> Names(const SearchGroupTable& t) {
    std::vector<std::string> out;
    for (const auto& g : t.entries)
        out.push_back(g.name);
    return out;
}

struct Groups : SearchFixture {
    void Load() { LoadGroups(state.groups, reg, lib, lib.sites); }
};

TEST_F(Groups, SaveAndLoadRoundTripThroughTheSettingsFile) {
    std::string file = tmp.file("registry.reg");
    {
        HiveRegistry hive(file);
        // A fresh installation has only "All Engines", which is every engine.
        Load();
        ASSERT_EQ(state.groups.GroupCount(), 0);
        EXPECT_EQ(state.groups.entries[0],
                  (SearchGroup{"All Engines", 0, {"Alpha Search", "Beta Search", "Gamma Search"}}));
        std::int32_t golf = -1, news = -1;
        ASSERT_EQ(AddGroup(state.groups, " Golf ", &golf), GroupEditResult::Done);
        ASSERT_EQ(AddGroup(state.groups, "News", &news), GroupEditResult::Done);
        SetGroupEngine(state.groups, golf, "Beta Search ", true);
        SetGroupEngine(state.groups, golf, "Alpha Search", true);
        SetGroupEngine(state.groups, news, "Gamma Search", true);
        SetGroupEngine(state.groups, news, "Gamma Search", false);
        SaveGroups(state.groups, hive);
    }
    HiveRegistry hive(file);
    SearchGroupTable loaded;
    LoadGroups(loaded, hive, lib, lib.sites);
    ASSERT_EQ(loaded.GroupCount(), 2);
    EXPECT_EQ(loaded.entries[1], (SearchGroup{"Golf", 1, {"Beta Search", "Alpha Search"}}));
    EXPECT_EQ(loaded.entries[2], (SearchGroup{"News", 2, {}}));
    EXPECT_EQ(lib.hashes, (std::vector<std::pair<std::int16_t, std::string>>{{1, "Golf"}, {2, "News"}}));
    EXPECT_EQ(FindGroupByName(loaded, " News"), 2);
}

TEST_F(Groups, EverySubkeyLoadsWhateverGroupCountSays) {
    SetRegValue(reg, kGroups, "GroupCount", 1);
    for (const char* name : {"b", "a", "c"}) {
        SetRegValue(reg, kGroups + "\\" + name, "uid", name[0] - 'a' + 10);
        SetRegValue(reg, kGroups + "\\" + name, "engine1", "Alpha Search");
    }
    // engine numbers stop at the first gap
    SetRegValue(reg, kGroups + "\\a", "engine3", "Gamma Search");
    Load();
    // The settings store's order: case-insensitive alphabetical.
    EXPECT_EQ(Names(state.groups), (std::vector<std::string>{"All Engines", "a", "b", "c"}));
    EXPECT_EQ(state.groups.entries[1].engines, std::vector<std::string>{"Alpha Search"});
    EXPECT_EQ(FindGroup(state.groups, 12), 3);

    // GroupCount past the subkeys makes no empty groups (saving one would write into the groups key).
    SetRegValue(reg, kGroups, "GroupCount", 9);
    Load();
    EXPECT_EQ(state.groups.GroupCount(), 3);
}

TEST_F(Groups, NewAndRenamedGroupsGetNumbersNoOtherGroupHas) {
    Load();
    std::int32_t a = -1;
    ASSERT_EQ(AddGroup(state.groups, "Golf", &a), GroupEditResult::Done);
    state.groups.entries[static_cast<std::size_t>(a)].number = 41;
    ASSERT_EQ(AddGroup(state.groups, "News"), GroupEditResult::Done);
    EXPECT_EQ(state.groups.entries.back().number, 42);
    SetGroupEngine(state.groups, a, "Beta Search", true);
    SaveGroups(state.groups, reg);

    EXPECT_EQ(AddGroup(state.groups, "  golf "), GroupEditResult::NameExists);
    EXPECT_EQ(AddGroup(state.groups, "   "), GroupEditResult::EmptyName);
    EXPECT_EQ(AddGroup(state.groups, "a\\b"), GroupEditResult::BadName);
    EXPECT_EQ(AddGroup(state.groups, "All Engines"), GroupEditResult::NameExists);

    std::int32_t renamed = -1;
    ASSERT_EQ(RenameGroup(state.groups, reg, lib, lib.sites, a, "Links", &renamed), GroupEditResult::Done);
    EXPECT_EQ(Names(state.groups), (std::vector<std::string>{"All Engines", "Links", "News"}));
    ASSERT_EQ(renamed, 1);
    EXPECT_EQ(state.groups.entries[1].engines, std::vector<std::string>{"Beta Search"});
    EXPECT_EQ(state.groups.entries[1].number, 43);
    EXPECT_FALSE(reg.KeyExists(kHKeyCurrentUser, kGroups + "\\Golf"));

    // A change of letter case only keeps the group (the settings fold case).
    ASSERT_EQ(RenameGroup(state.groups, reg, lib, lib.sites, 1, "LINKS", &renamed), GroupEditResult::Done);
    EXPECT_EQ(Names(state.groups), (std::vector<std::string>{"All Engines", "LINKS", "News"}));
    EXPECT_EQ(state.groups.entries[static_cast<std::size_t>(renamed)].engines,
              std::vector<std::string>{"Beta Search"});
    const std::int16_t deleted = state.groups.entries[static_cast<std::size_t>(renamed)].number;
    EXPECT_EQ(deleted, 44);

    // Deleting drops the group and unsaved edits; its number is never handed out again, also after
    // a restart: a results folder of the deleted group must find it gone, not rerun with a newer one.
    SetGroupEngine(state.groups, 2, "Alpha Search", true);
    ASSERT_EQ(DeleteGroup(state.groups, reg, lib, lib.sites, renamed), GroupEditResult::Done);
    EXPECT_EQ(state.groups.GroupCount(), 1);
    EXPECT_EQ(state.groups.entries[1], (SearchGroup{"News", 42, {}}));
    EXPECT_EQ(GetRegNumber(reg, kGroups, "GroupCount"), 1);
    Load();
    std::int32_t fresh = -1;
    ASSERT_EQ(AddGroup(state.groups, "Fresh", &fresh), GroupEditResult::Done);
    EXPECT_EQ(state.groups.entries[static_cast<std::size_t>(fresh)].number, 45);
    SaveGroups(state.groups, reg);
    Load();
    EXPECT_EQ(FindGroup(state.groups, deleted), -1);

    EXPECT_EQ(RenameGroup(state.groups, reg, lib, lib.sites, 0, "Mine"), GroupEditResult::BuiltIn);
    EXPECT_EQ(DeleteGroup(state.groups, reg, lib, lib.sites, 0), GroupEditResult::BuiltIn);
    EXPECT_EQ(SetGroupEngine(state.groups, 0, "Alpha Search", false), GroupEditResult::BuiltIn);
    EXPECT_EQ(state.groups.entries[0].engines.size(), 3u);
}

TEST(History, NewestFirstDuplicatesIgnoredOldestPushedOut) {
    MemoryRegistry reg;
    SearchHistory h;
    EXPECT_FALSE(h.Load(reg));
    for (int i = 1; i <= 11; ++i)
        h.Add(reg, "query " + std::to_string(i));
    h.Add(reg, "query 5");
    SearchHistory again;
    ASSERT_TRUE(again.Load(reg));
    EXPECT_EQ(again.entries[0], "query 11");
    EXPECT_EQ(again.entries[10], "query 1");
    // The twelfth distinct query pushes the oldest out.
    again.Add(reg, "query 12");
    SearchHistory third;
    third.Load(reg);
    EXPECT_EQ(third.entries[0], "query 12");
    EXPECT_EQ(third.entries[10], "query 2");
    EXPECT_EQ(third.NonEmpty().size(), 11u);
    EXPECT_EQ(GetRegText(reg, SettingsPath(kHistorySubkey), "Query1"), "query 11");
}

TEST(EngineUpdate, RunsWhenDaysToCheckHavePassedOrNeverRan) {
    MemoryRegistry reg;
    test::ScriptedSearchLibrary lib;
    const OleDate today = 45000.6;
    // Never updated: runs at once, stores today's day number.
    EXPECT_TRUE(CheckEngineUpdate(reg, lib, "/p/", today));
    EXPECT_EQ(lib.updateFolders, std::vector<std::string>{"/p/"});
    EXPECT_EQ(GetRegNumber(reg, SettingsPath(kSearchSubkey), kLastEngineUpdateValue), 45000);

    // Three days to check: due on the third day after the last update, not before.
    SetDaysToCheck(reg, 3);
    for (auto [last, due] : {std::pair{44998, false}, std::pair{44997, true}}) {
        SetRegValue(reg, SettingsPath(kSearchSubkey), kLastEngineUpdateValue, last);
        EXPECT_EQ(CheckEngineUpdate(reg, lib, "/p/", today), due) << last;
    }
    EXPECT_EQ(lib.updateFolders.size(), 2u);
    EXPECT_EQ(GetRegNumber(reg, SettingsPath(kSearchSubkey), kLastEngineUpdateValue), 45000);

    test::ScriptedMessages messages;
    for (std::int32_t result : {2, 0, -1}) {
        lib.updateResult = result;
        UpdateEngines(lib, messages, "/p/");
    }
    ASSERT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(messages.shown[0].text, "Search Engines updated");
    EXPECT_EQ(messages.shown[1].text, "No updates required");
    // A failed update says so, and that nothing was changed.
    EXPECT_NE(messages.shown[2].text.find("could not be updated, and nothing was changed"), std::string::npos)
        << messages.shown[2].text;
}

struct Launcher : SearchFixture {
    // A finished search of group `number` in a results folder.
    std::int16_t ResultsFolder(std::int16_t number) {
        std::int16_t f = db.AddFolder("golf", kSearchResultsFolder, FolderKind::SearchResults);
        FolderRecord& r = db.Folder(f);
        r.SearchQuery.Set("golf clubs  ");
        r.MaxHits = 40;
        r.SiteMax = 7;
        r.Timeout = 9;
        r.SearchGroup = number;
        r.SetFormatBit(0);
        r.SetFormatBit(1);
        return f;
    }
    void StoreGroup(const std::string& name, std::int16_t number) {
        SetRegValue(reg, kGroups + "\\" + name, "uid", number);
        SetRegValue(reg, kGroups + "\\" + name, "engine1", "Beta Search");
    }
};

TEST_F(Launcher, ARerunLoadsTheFoldersSearch) {
    StoreGroup("Golf", 4);
    std::int16_t f = ResultsFolder(4);
    SearchLaunch launch = LaunchSearch(Context(), kSearchDialogLastUsed, f, "", {});
    ASSERT_TRUE(launch.search);
    clsSearch& s = *launch.search;
    EXPECT_EQ(launch.dialog, kSearchDialogQuick);
    EXPECT_EQ((std::tuple{s.FolderToUse(), s.SearchQuery(), s.MaxHits(), s.SiteMax(), s.Timeout(),
                          s.FormatOption(), s.SearchGroupIndex()}),
              (std::tuple{f, std::string("golf clubs"), 40, 7, 9, 1, 1}));
    EXPECT_TRUE(messages.shown.empty());

    SetLastSearch(reg, 1);
    EXPECT_EQ(LaunchSearch(Context(), kSearchDialogLastUsed, 0, "", {}).dialog, kSearchDialogAdvanced);
    auto fresh = LaunchSearch(Context(), kSearchDialogQuick, 0, "typed", {});
    EXPECT_EQ(fresh.search->SearchQuery(), "typed");
    EXPECT_EQ(fresh.search->FolderToUse(), 0);
    // An ordinary folder has no search to load.
    auto plain = LaunchSearch(Context(), kSearchDialogAdvanced, kUnsortedFolder, "", {});
    EXPECT_EQ(plain.search->FolderToUse(), 0);
}

TEST_F(Launcher, AMissingGroupAsksAndCancelEndsTheSearch) {
    StoreGroup("Golf", 4);
    std::int16_t f = ResultsFolder(9);
    messages.answers = {MsgResult::Cancel};
    int managerOpened = 0;
    auto manager = [&](clsSearch& s) {
        ++managerOpened;
        s.SetSearchGroupIndex(1);
        return true;
    };
    EXPECT_FALSE(LaunchSearch(Context(), kSearchDialogQuick, f, "", manager).search);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].buttons, MsgButtons::OkCancel);
    EXPECT_EQ(managerOpened, 0);

    messages.answers = {MsgResult::Ok};
    auto chosen = LaunchSearch(Context(), kSearchDialogQuick, f, "", manager);
    ASSERT_TRUE(chosen.search);
    EXPECT_EQ(managerOpened, 1);
    EXPECT_EQ(chosen.search->SearchGroupIndex(), 1);

    messages.answers = {MsgResult::Ok};
    EXPECT_FALSE(LaunchSearch(Context(), kSearchDialogQuick, f, "", [](clsSearch&) { return false; }).search);
}

TEST_F(Launcher, TheDialogsSearchButtons) {
    SearchHistory history;
    auto s = MakeSearch("");
    // No query, or one character (said so): refused, and kept out of the history.
    for (const char* typed : {"   ", " g "})
        EXPECT_FALSE(StartQuickSearch(*s, history, typed)) << typed;
    EXPECT_TRUE(lib.searches.empty());
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown.back().text, kShortQueryMessage);
    EXPECT_FALSE(history.Load(reg));
    EXPECT_TRUE(StartQuickSearch(*s, history, "  golf courses "));
    ASSERT_EQ(lib.searches.size(), 1u);
    // A search is when the engine scripts are checked for updates.
    EXPECT_EQ(lib.updateFolders.size(), 1u);
    s->SetStatus("", 0);

    StoreGroup("Golf", 4);
    auto adv = MakeSearch("");
    AdvancedSearchInput in;
    in.query = "golf courses";
    in.groupIndex = 1;
    in.maxHitsText = "25 hits";
    in.siteMaxText = "x";
    in.format = kFormatAnyWords;
    in.playSound = true;
    // No connection and the option asks: a cancelled prompt stops everything.
    lib.connection = 0;
    EXPECT_FALSE(StartAdvancedSearch(*adv, history, in, [] { return false; }));
    EXPECT_EQ(lib.searches.size(), 1u);
    EXPECT_EQ(GetRegText(reg, SettingsPath(kSearchSubkey), "groupName"), "");
    EXPECT_TRUE(StartAdvancedSearch(*adv, history, in, [] { return true; }));
    ASSERT_EQ(lib.searches.size(), 2u);
    // Typed limits are read as numbers; one that is none still searches a page.
    EXPECT_EQ(lib.searches[1].maxHits, 25);
    EXPECT_EQ(lib.searches[1].siteMax, 1);
    EXPECT_EQ(GetRegNumber(reg, SettingsPath(kSearchSubkey), "optFormat"), 1);
}

using Words = std::vector<std::string>;

TEST(QueryTranslation, WordsSplitAtSpacesWithQuotedPhrasesKeptWhole) {
    EXPECT_EQ(SplitQueryWords("  golf   courses  "), (Words{"golf", "courses"}));
    EXPECT_EQ(SplitQueryWords("\"golf courses\" clubs"), (Words{"\"golf courses\"", "clubs"}));
    EXPECT_EQ(SplitQueryWords("clubs \"golf courses\""), (Words{"clubs", "\"golf courses\""}));
    // A quote inside a word opens no phrase; a phrase never closed runs to the end.
    EXPECT_EQ(SplitQueryWords("it's a\"b c"), (Words{"it's", "a\"b", "c"}));
    EXPECT_EQ(SplitQueryWords("\"golf courses"), (Words{"\"golf courses"}));
    EXPECT_TRUE(SplitQueryWords("   ").empty());
}

TEST(QueryTranslation, FormatsOperatorsTheUserTypedAndExcludedWords) {
    const struct {
        const char *query, *exclude;
        int format;
        const char* sent;
    } cases[] = {
        {"golf  courses", "", kFormatAllWords, "golf AND courses"},
        {"golf courses clubs", "", kFormatAllWords, "golf AND courses AND clubs"},
        {"golf courses", "", kFormatAnyWords, "golf OR courses"},
        {"golf courses", "", kFormatPhrase, "\"golf courses\""},
        {"golf  courses ", "", kFormatAsTyped, "golf  courses "},
        // Operators the user typed are left alone; short words that look like one get no
        // operator before them, words that only begin like one are ordinary words.
        {"golf or courses", "", kFormatAllWords, "golf or courses"},
        {"golf NOT courses", "", kFormatAnyWords, "golf NOT courses"},
        {"books for kids", "", kFormatAllWords, "books for AND kids"},
        {"andy notes", "", kFormatAllWords, "andy AND notes"},
        {"\"golf courses\" clubs", "", kFormatAllWords, "\"golf courses\" AND clubs"},
        // Each excluded word gets NOT, also in a query sent as typed.
        {"golf courses", "tennis polo", kFormatAllWords, "golf AND courses NOT tennis NOT polo"},
        {"golf courses", "tennis polo", kFormatAsTyped, "golf courses NOT tennis NOT polo"},
        {"golf", "tennis or polo", kFormatAllWords, "golf NOT tennis or polo"},
        {"", "tennis", kFormatAllWords, "NOT tennis"},
        {"golf", "", kFormatPhrase, "\"golf\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TranslateQuery(c.query, c.exclude, c.format), c.sent) << c.query << " / " << c.exclude;
}

TEST(SearchLibraryLoader, AMissingOrForeignLibraryIsToldOnceAndThenRefusesQuietly) {
    MemoryRegistry reg;
    SetRegValue(reg, SettingsPath("\\search"), "EngineFeed", "http://127.0.0.1:9/feed.json");
    // libm: any shared library that is not the search library.
    for (const char* path : {"/nonexistent/lib/vireo/libornsearch.so", "libm.so.6"}) {
        SCOPED_TRACE(path);
        ::unsetenv("VIREO_ENGINE_FEED");
        test::ScriptedMessages messages;
        DlSearchLibrary lib(reg, messages, path);
        std::vector<SiteEntry> sites{{"left over", "", ""}};
        EXPECT_EQ(lib.GetSites("/p/", sites), 0);
        EXPECT_TRUE(sites.empty());
        EXPECT_FALSE(lib.Usable());
        EXPECT_EQ(
            lib.InternetSearchMT({"a"}, "golf", 10, 100, 5, std::make_shared<SearchEventQueue>(), 20, 0), 0);
        EXPECT_EQ(lib.UpdateScripts("/p/"), 0);
        EXPECT_EQ(lib.ConnectionExists(), 0);
        EXPECT_EQ(lib.CancelSearch(), 0);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].title, "Vireo Engine Error");
        EXPECT_NE(messages.shown[0].text.find(path[0] == '/' ? path : "lacks the function GetSites"),
                  std::string::npos)
            << messages.shown[0].text;
        // The feed setting reached the environment before loading was tried.
        const char* feed = std::getenv("VIREO_ENGINE_FEED");
        ASSERT_NE(feed, nullptr);
        EXPECT_STREQ(feed, "http://127.0.0.1:9/feed.json");
    }
}

// The build tree is laid out as an installation (the tests run from build/tests), so the
// program looks for the library exactly where the build and the installation put it.
TEST(SearchLibraryLoader, ThePathIsWhereTheLibraryIsPut) {
    namespace fs = std::filesystem;
    fs::path expected = fs::weakly_canonical(fs::path(VIREO_LIBRARY_BUILD_FOLDER) / "libornsearch.so");
    EXPECT_EQ(fs::weakly_canonical(DefaultSearchLibraryPath()), expected);
}

} // namespace
} // namespace vireo

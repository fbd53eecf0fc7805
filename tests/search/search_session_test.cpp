// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <tuple>

#include "search/search_session.h"
#include "search_test_support.h"

namespace vireo {
namespace {

using test::Filed;
using test::ScriptedHit;
using test::SearchFixture;

ScriptedHit Hit(const std::string& n) {
    return {"Title " + n, "https://example.org/" + n, "About " + n};
}

struct Session : SearchFixture {
    // Runs the scripted search to its end on this thread.
    void RunToEnd(clsSearch& s) {
        ASSERT_TRUE(s.Search());
        lib.Deliver();
        s.ProcessEvents();
    }
};

TEST_F(Session, InitReadsTheEnginesAndRefusesWhatCannotStart) {
    auto s = MakeSearch("g");
    // One character is not a query.
    EXPECT_FALSE(s->Search());
    EXPECT_TRUE(lib.searches.empty());
    EXPECT_FALSE(state.searching);

    s->SetSearchQuery("go");
    EXPECT_TRUE(s->Search());
    EXPECT_TRUE(state.searching);
    // A second search while one runs is refused.
    EXPECT_FALSE(s->Search());
    ASSERT_EQ(lib.searches.size(), 1u);
    const auto& call = lib.searches[0];
    EXPECT_EQ(call.scripts, (std::vector<std::string>{Id("alpha"), Id("beta"), Id("gamma")}));
    // Each limit reaches its own parameter.
    EXPECT_EQ((std::tuple{call.query, call.siteMax, call.maxHits, call.timeout}),
              (std::tuple{std::string("go"), std::int16_t(10), std::int16_t(100), std::int16_t(5)}));
}

TEST_F(Session, InitFailuresAreToldAndChangeNothing) {
    struct Case {
        const char* name;
        std::int32_t sites;
        bool loaded;
        bool starts;
        std::size_t told;
    };
    // 200 engines is still an answer; a library that could not be loaded told the user itself.
    for (const Case& c : {Case{"failed", 0, true, false, 1}, Case{"past the most", 201, true, false, 1},
                          Case{"the most", 200, true, true, 0}, Case{"not loaded", 200, false, false, 0}}) {
        SCOPED_TRACE(c.name);
        lib.sitesResult = c.sites;
        lib.usable = c.loaded;
        std::size_t shown = messages.shown.size();
        clsSearch s(Context());
        EXPECT_EQ(s.Init(), c.starts);
        EXPECT_EQ(messages.shown.size(), shown + c.told);
        s.SetSearchQuery("golf");
        EXPECT_EQ(s.Search(), c.starts);
    }
}

TEST_F(Session, StatusReportsDriveTheRowsAndTheEndFilesTheHits) {
    auto s = MakeSearch();
    s->SetPlaySound(true);
    lib.AddSiteRun(Id("alpha"), {Hit("a1"), Hit("a2")});
    lib.AddSiteRun(Id("beta"), {}, 6);
    lib.AddStatus(Id("gamma"), 1);
    lib.AddStatus(Id("gamma"), 14);
    lib.AddSearchEnd();
    window.view.closeWhenComplete = true;
    RunToEnd(*s);

    const auto& rows = window.view.rows;
    EXPECT_EQ(rows.at(0).text, "Search complete.");
    EXPECT_EQ(rows.at(0).hits, 2);
    EXPECT_EQ(rows.at(0).percent, 100);
    EXPECT_EQ(rows.at(0).lamps[kLampDone], StatusLamp::On);
    EXPECT_EQ(rows.at(1).text, "Site produced 0 results...");
    EXPECT_EQ(rows.at(1).lamps[kLampDone], StatusLamp::Warning);
    EXPECT_EQ(rows.at(2).text, "Unable to resolve name.");
    EXPECT_EQ(rows.at(2).lamps[kLampConnect], StatusLamp::Error);
    EXPECT_EQ(rows.at(2).lamps[kLampDone], StatusLamp::Error);
    EXPECT_EQ(window.view.stopCaption, "Done");
    EXPECT_TRUE(window.view.stopEnabled);

    EXPECT_FALSE(state.searching);
    EXPECT_TRUE(state.closeRequested);
    auto folders = ResultFolders();
    ASSERT_EQ(folders.size(), 1u);
    std::int16_t f = folders[0];
    EXPECT_EQ(s->FolderToUse(), f);
    EXPECT_EQ(window.shownFolders, std::vector<std::int16_t>{f});
    // The folder remembers the search to run it again; no format chosen: the "phrase" bit (4).
    const FolderRecord& folder = db.Folder(f);
    EXPECT_EQ((std::tuple{folder.SearchQuery.Text(), folder.MaxHits, folder.SiteMax, folder.Timeout,
                          folder.FormatBits}),
              (std::tuple{std::string("golf courses"), 100, 10, 5, 4}));
    EXPECT_EQ(FiledIn(f), (std::vector<Filed>{{1, "Title a1", "https://example.org/a1"},
                                              {2, "Title a2", "https://example.org/a2"}}));
    const BookmarkRecord& first = db.Marks(f).At(1);
    EXPECT_EQ(db.Memo().GetMemo(first.Description), "About a1");
    EXPECT_GT(first.added, 0);
    EXPECT_EQ(sounds.played, (std::vector<SoundEvent>{SoundEvent::SearchStart, SoundEvent::SearchComplete}));

    // A report after the end changes nothing.
    s->GiveResults("alpha", "late", "Late", "https://late.example/");
    s->SetStatus(Id("alpha"), 7);
    EXPECT_EQ(s->TotalHits(), 2);
    EXPECT_EQ(rows.at(0).text, "Search complete.");
    EXPECT_EQ(FiledIn(f).size(), 2u);
}

TEST_F(Session, DuplicatesAcrossEnginesBecomeOneBookmarkRankedByTheBestSite) {
    auto s = MakeSearch();
    lib.AddSiteRun(Id("alpha"), {Hit("x"), {"Shared", "HTTPS://Example.ORG:443", "from alpha"}});
    lib.AddSiteRun(Id("beta"), {{"Shared", "https://example.org/", "from beta"}, Hit("y")});
    lib.AddSiteRun(Id("gamma"), {Hit("z"), {"Shared", "https://example.org", "from gamma"}});
    lib.AddSearchEnd();
    RunToEnd(*s);
    const std::int16_t f = s->FolderToUse();
    // The shared address kept its best rank (1, from beta) and, found thrice, leads the rank-1 hits.
    EXPECT_EQ(FiledIn(f), (std::vector<Filed>{{1, "Shared", "https://example.org/"},
                                              {2, "Title x", "https://example.org/x"},
                                              {3, "Title z", "https://example.org/z"},
                                              {4, "Title y", "https://example.org/y"}}));
    EXPECT_EQ(db.Memo().GetMemo(db.Marks(f).At(1).Description), "from beta");

    // Addresses that differ in their path's case, query or port are different pages.
    EXPECT_NE(HitAddressKey("https://a.example/Page"), HitAddressKey("https://a.example/page"));
    EXPECT_NE(HitAddressKey("http://a.example:8080/"), HitAddressKey("http://a.example/"));
    EXPECT_EQ(HitAddressKey("http://A.example:80"), HitAddressKey("http://a.example/"));
    EXPECT_NE(HitAddressKey("http://a.example/?q=1"), HitAddressKey("http://a.example/"));
}

TEST_F(Session, MaxHitsFilesTheBestRankedAndHitsBeyondCapacityAreOnlyCounted) {
    auto s = MakeSearch();
    s->SetMaxHits(5);
    s->SetSiteMax(3);
    lib.AddSiteRun(Id("alpha"), {Hit("a1"), Hit("a2"), Hit("a3")});
    lib.AddSiteRun(Id("beta"), {Hit("b1"), Hit("b2"), Hit("a1")});
    lib.AddSiteRun(Id("gamma"), {Hit("c1"), Hit("c2"), Hit("c3"), Hit("c4")});
    lib.AddSearchEnd();
    RunToEnd(*s);
    // Ten hits arrived; the table holds 3 x 3, so c4 was counted but not kept.
    EXPECT_EQ(s->TotalHits(), 10);
    EXPECT_EQ(s->Hits().size(), 9u);
    // Eight distinct addresses; the five with the lowest site ranks are filed, 1 to 5.
    std::vector<std::string> filed;
    for (const Filed& f : FiledIn(s->FolderToUse()))
        filed.push_back(std::to_string(std::get<0>(f)) + " " + std::get<2>(f).substr(20));
    EXPECT_EQ(filed, (std::vector<std::string>{"1 a1", "2 b1", "3 c1", "4 a2", "5 b2"}));
}

TEST_F(Session, RepeatingFillsTheSameFolderAndAChangedQueryMakesANewOne) {
    auto s = MakeSearch("golf courses");
    lib.AddSiteRun(Id("alpha"), {Hit("old1"), Hit("old2")});
    lib.AddSearchEnd();
    RunToEnd(*s);
    std::int16_t f = ResultFolders().at(0);
    db.Folder(f).SetFormatBit(0);

    lib.script.clear();
    lib.AddSiteRun(Id("alpha"), {Hit("new")});
    lib.AddSearchEnd();
    auto again = MakeSearch("  golf courses ");
    again->SetFolderToUse(f);
    again->SetFormatOption(1);
    RunToEnd(*again);
    EXPECT_EQ(ResultFolders(), std::vector<std::int16_t>{f});
    EXPECT_EQ(FiledIn(f), (std::vector<Filed>{{1, "Title new", "https://example.org/new"}}));
    // The replaced results went to the trash, not away for good.
    EXPECT_EQ(db.Marks(kTrashFolder).Count(), 2);
    // Format bits are only ever added.
    EXPECT_EQ(db.Folder(f).FormatBits, 1 | 2 | 4);

    auto changed = MakeSearch("golf clubs");
    changed->SetFolderToUse(f);
    RunToEnd(*changed);
    EXPECT_NE(changed->FolderToUse(), f);
    EXPECT_EQ(db.Folder(changed->FolderToUse()).SearchQuery.Text(), "golf clubs");
    EXPECT_EQ(FiledIn(f).size(), 1u);

    // A query longer than a folder name still finds its folder again.
    std::string query(150, 'q');
    auto longQuery = MakeSearch(query);
    RunToEnd(*longQuery);
    auto longAgain = MakeSearch(query);
    longAgain->SetFolderToUse(longQuery->FolderToUse());
    RunToEnd(*longAgain);
    EXPECT_EQ(longAgain->FolderToUse(), longQuery->FolderToUse());
    EXPECT_EQ(ResultFolders().size(), 3u);
}

TEST_F(Session, ASearchWideTimeOutFilesOnceAndTheEndFilesOnlyWhatCameLater) {
    auto s = MakeSearch();
    s->SetPlaySound(true);
    lib.AddSiteRun(Id("alpha"), {Hit("a1")});
    lib.AddStatus(Id("beta"), 1);
    lib.AddStatus("", 10);
    lib.AddStatus(Id("beta"), 13);
    lib.AddStatus(Id("gamma"), 13);
    lib.AddSearchEnd();
    ASSERT_TRUE(s->Search());
    lib.Deliver(7 + 2);
    s->ProcessEvents();
    EXPECT_FALSE(window.view.stopEnabled);
    // The search is still running until its end arrives, but the hits are filed.
    EXPECT_TRUE(state.searching);
    std::int16_t f = s->FolderToUse();
    ASSERT_NE(f, 0);
    EXPECT_EQ(FiledIn(f).size(), 1u);
    // The time-out named no site, and no engine row took it (an engine without a site has none either).
    EXPECT_EQ(s->StatusTable()[1].status, 1);

    lib.Deliver();
    s->ProcessEvents();
    EXPECT_FALSE(state.searching);
    EXPECT_EQ(window.view.rows.at(1).text, "Site timed out.");
    EXPECT_EQ(ResultFolders(), std::vector<std::int16_t>{f});
    EXPECT_EQ(db.Marks(kTrashFolder).Count(), 0);
    EXPECT_EQ(sounds.played, (std::vector<SoundEvent>{SoundEvent::SearchStart, SoundEvent::SearchComplete}));
}

TEST_F(Session, AGroupWhoseEnginesMatchNoSiteSendsOnlyWhatMatches) {
    auto s = MakeSearch();
    // Init loaded the groups; these stand for stored ones.
    state.groups.entries.push_back({"Mixed", 7, {"Gone Engine", " Beta Search "}});
    s->SetSearchGroupIndex(1);
    lib.AddSiteRun(Id("beta"), {Hit("b")});
    lib.AddSearchEnd();
    RunToEnd(*s);
    ASSERT_EQ(lib.searches.size(), 1u);
    EXPECT_EQ(lib.searches[0].scripts, std::vector<std::string>{Id("beta")});
    EXPECT_EQ(lib.searches[0].group, 7);
    EXPECT_EQ(window.setups.back().engines, (std::vector<std::string>{"Gone Engine", "Beta Search"}));
    // Beta is row 1: its hit shows there, and row 0 (no site) took nothing.
    EXPECT_EQ(window.view.rows.at(1).hits, 1);
    EXPECT_EQ(window.view.rows.count(0), 0u);
    EXPECT_EQ(db.Folder(s->FolderToUse()).SearchGroup, 7);

    // A group with nothing to search: when the library refuses, the search still ends.
    lib.refuseSearches = true;
    auto empty = MakeSearch("golf");
    state.groups.entries.push_back({"Empty", 8, {"Gone Engine"}});
    empty->SetSearchGroupIndex(1);
    EXPECT_FALSE(empty->Search());
    EXPECT_FALSE(state.searching);
    EXPECT_EQ(window.view.stopCaption, "Done");
    EXPECT_EQ(empty->HitCapacity(), 10u);

    // A group without any engine is said so, and nothing starts.
    std::size_t searches = lib.searches.size(), shown = messages.shown.size();
    state.groups.entries.push_back({"Nothing", 9, {}});
    empty->SetSearchGroupIndex(static_cast<std::int16_t>(state.groups.GroupCount()));
    EXPECT_FALSE(empty->Search());
    EXPECT_FALSE(state.searching);
    EXPECT_EQ(lib.searches.size(), searches);
    ASSERT_EQ(messages.shown.size(), shown + 1);
    EXPECT_NE(messages.shown.back().text.find("\"Nothing\" has no engines"), std::string::npos);
}

TEST_F(Session, HitsFindTheirRowAndOddReportsAreSkippedWithoutHarm) {
    auto s = MakeSearch();
    ASSERT_TRUE(s->Search());
    // By script path, short name or engine name; a stray hit finds none.
    s->GiveResults(Id("alpha"), "", "By path", "https://example.org/1");
    s->GiveResults("beta", "", "By short name", "https://example.org/2");
    s->GiveResults(" Gamma Search ", "", "By engine name", "https://example.org/3");
    s->GiveResults("unknown", "", "Stray", "https://stray.example/");
    s->SetStatus(Id("alpha"), 12);
    s->SetStatus(Id("alpha"), 99);
    s->SetStatus(Id("alpha"), -1); // low 16 bits 0xFFFF: out of range
    s->SetStatus("/engines/unknown.xml", 6);
    s->SetStatus("", 6);
    ASSERT_EQ(s->StatusTable().size(), 3u);
    for (const auto& st : s->StatusTable())
        EXPECT_EQ(st.hits, 1) << st.id;
    EXPECT_EQ(window.view.rows.at(2).hits, 1);
    EXPECT_TRUE(state.searching);
    EXPECT_EQ(s->TotalHits(), 4);
    EXPECT_TRUE(window.view.rows.at(0).text.empty());

    // Reports queued before the GUI set its wake hook are not left waiting.
    s->Events().OnStatus(Id("alpha"), 1);
    int wakes = 0;
    s->Events().SetWake([&] { ++wakes; });
    EXPECT_EQ(wakes, 1);
    s->Events().OnStatus(Id("alpha"), 2);
    EXPECT_EQ(wakes, 1); // one wake per batch
    EXPECT_EQ(s->ProcessEvents(), 2u);
    s->Events().OnStatus(Id("alpha"), 3);
    EXPECT_EQ(wakes, 2);
    s->Events().SetWake({});
    s->Events().OnStatus(Id("alpha"), 4);
    EXPECT_EQ(wakes, 2);

    // The status 0 carried in the high bits is still the end; the stray hit was filed too.
    s->SetStatus("", 0x10000);
    EXPECT_FALSE(state.searching);
    EXPECT_EQ(FiledIn(s->FolderToUse()).size(), 4u);
}

TEST_F(Session, TheGroupManagersOwnObjectLeavesARunningSearchAloneTheSearchsOwnStopsIt) {
    AddGroup(state.groups, "Golf");
    SetGroupEngine(state.groups, 1, "Alpha Search", true);
    SetGroupEngine(state.groups, 1, "Beta Search", true);
    SaveGroups(state.groups, reg);
    const std::int16_t golf = state.groups.entries[1].number;
    auto s = MakeSearch();
    s->SetSearchGroupIndex(1);
    lib.AddSiteRun(Id("alpha"), {Hit("a1")});
    lib.AddSiteRun(Id("beta"), {Hit("b1")});
    lib.AddSearchEnd();
    ASSERT_TRUE(s->Search());

    // Manage Groups while the search runs: its own object, and a group taking the searched one's place.
    {
        clsSearch manager(Context());
        ASSERT_TRUE(manager.Init());
        AddGroup(state.groups, "Archery");
        SaveGroups(state.groups, reg);
        ASSERT_TRUE(manager.Init());
        ASSERT_EQ(state.groups.entries[1].name, "Archery");
    }
    EXPECT_TRUE(state.searching);
    EXPECT_EQ(lib.cancels, 0);

    lib.Deliver();
    s->ProcessEvents();
    EXPECT_FALSE(state.searching);
    EXPECT_EQ(FiledIn(s->FolderToUse()).size(), 2u);
    // The folder reruns with the group it was searched with.
    EXPECT_EQ(db.Folder(s->FolderToUse()).SearchGroup, golf);

    // The search's own object released mid-search stops it.
    {
        auto released = MakeSearch();
        ASSERT_TRUE(released->Search());
    }
    EXPECT_EQ(lib.cancels, 1);
    EXPECT_FALSE(state.searching);
    EXPECT_TRUE(MakeSearch()->Search());
}

TEST(SearchNames, ShortNames) {
    EXPECT_EQ(ScriptShortName("/usr/share/vireo/engines/duck.go.xml"), "duck");
    EXPECT_EQ(ScriptShortName("/e/.hidden"), ".hidden");
    EXPECT_EQ(ScriptShortName("/e/averyveryverylongenginename.xml"), "averyveryverylongeng");
}

} // namespace
} // namespace vireo

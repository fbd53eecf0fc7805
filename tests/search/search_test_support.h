// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A database, settings, a scripted library and recording windows for the search tests.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "search/scripted_search_library.h"
#include "search/search_session.h"
#include "shell/registry.h"
#include "store/database.h"
#include "test_support.h"

namespace vireo::test {

// What the status window was told, row by row.
class RecordingStatusView : public SearchStatusView {
public:
    struct Row {
        std::int32_t hits = 0;
        std::int32_t percent = 0;
        std::string text;
        StatusLamp lamps[4] = {StatusLamp::Off, StatusLamp::Off, StatusLamp::Off, StatusLamp::Off};
    };
    void SetCaption(std::string_view) override {}
    void SetLamp(int row, StatusLampColumn lamp, StatusLamp picture) override {
        rows[row].lamps[lamp] = picture;
    }
    void SetHits(int row, std::int32_t hits) override { rows[row].hits = hits; }
    void SetProgressValue(int, std::int32_t) override {}
    void SetProgressPercent(int row, std::int32_t percent) override { rows[row].percent = percent; }
    void SetStatusText(int row, std::string_view text) override { rows[row].text = text; }
    void SetTotalText(std::string_view) override {}
    void SetStopButton(std::string_view caption_, bool enabled) override {
        stopCaption = caption_;
        stopEnabled = enabled;
    }
    bool CloseWhenComplete() const override { return closeWhenComplete; }

    std::map<int, Row> rows;
    std::string stopCaption = "Stop";
    bool stopEnabled = true;
    bool closeWhenComplete = false;
};

class RecordingMainWindow : public SearchMainWindow {
public:
    void HideSearchDialogs() override {}
    SearchStatusView* ShowStatusWindow(const StatusWindowSetup& s) override {
        setups.push_back(s);
        return &view;
    }
    void ShowResultsFolder(std::int16_t folder) override { shownFolders.push_back(folder); }

    RecordingStatusView view;
    std::vector<StatusWindowSetup> setups;
    std::vector<std::int16_t> shownFolders;
};

// A filed bookmark: (rank, title, address).
using Filed = std::tuple<std::int16_t, std::string, std::string>;

struct SearchFixture : ::testing::Test {
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(db.Open(tmp.file("data"), &error)) << error;
        lib.AddSite("Alpha Search", "alpha");
        lib.AddSite("Beta Search", "beta");
        lib.AddSite("Gamma Search", "gamma");
    }

    SearchContext Context() {
        return SearchContext{db, reg, lib, messages, sounds, state, &window, "/program/"};
    }
    std::unique_ptr<clsSearch> MakeSearch(std::string_view query = "golf courses") {
        auto s = std::make_unique<clsSearch>(Context());
        EXPECT_TRUE(s->Init());
        s->SetSearchQuery(query);
        s->SetMaxHits(100);
        s->SetSiteMax(10);
        s->SetTimeout(5);
        s->SetSearchGroupIndex(0);
        return s;
    }
    static std::string Id(const std::string& shortName) { return "/engines/" + shortName + ".xml"; }

    // The bookmarks of a folder: (rank, title, address), in the folder's order.
    std::vector<Filed> FiledIn(std::int16_t folder) const {
        std::vector<Filed> out;
        const clsBookmark& marks = db.Marks(folder);
        for (std::int32_t pos = 1; pos <= marks.Total(); ++pos) {
            const BookmarkRecord& r = marks.At(pos);
            if (r.key != 0)
                out.emplace_back(r.Rank, db.Memo().GetMemo(r.Name), db.Memo().GetMemo(r.url));
        }
        return out;
    }
    // The search-results folders below "Search Results".
    std::vector<std::int16_t> ResultFolders() const {
        std::vector<std::int16_t> out;
        for (std::int32_t i = 1; i <= db.FolderSlots(); ++i) {
            auto id = static_cast<std::int16_t>(i);
            if (db.IsLiveFolder(id) && db.Folder(id).Parent == kSearchResultsFolder &&
                FolderKindOf(db.Folder(id)) == FolderKind::SearchResults)
                out.push_back(id);
        }
        return out;
    }

    TempDir tmp;
    Database db;
    MemoryRegistry reg;
    ScriptedSearchLibrary lib;
    ScriptedMessages messages;
    RecordingSounds sounds;
    SearchState state;
    RecordingMainWindow window;
};

} // namespace vireo::test

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The rules of starting a search that need no window: the launcher that prepares a fresh
// search object for the quick or advanced dialog (with a results folder's stored search
// when one is rerun), and the steps of the two dialogs' search buttons.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "search/search_session.h"

namespace vireo {

class SearchHistory;

// Which dialog the launcher opens.
enum SearchDialogMode : std::int16_t {
    kSearchDialogLastUsed = 0,
    kSearchDialogQuick = 1,
    kSearchDialogAdvanced = 2,
};

inline constexpr std::string_view kGroupNotFoundTitle = "Group not found";
// "The group associated with this search\nno longer exists.  Press OK to select\na new
// group or CANCEL to end this search."
std::string GroupNotFoundMessage();
inline constexpr std::string_view kNoQueryMessage = "You must enter a search query";
inline constexpr std::string_view kNoQueryTitle = "Warning";
inline constexpr std::string_view kShortQueryMessage = "A search query needs at least two characters.";

// Opens the group manager modally for the search object (it sets SearchGroupIndex when
// confirmed); false when the user cancelled it.
using GroupManagerFn = std::function<bool(clsSearch& search)>;

// Loads a results folder's stored search into the object (only for a folder of type 6):
// FolderToUse, the trimmed query, MaxHits, SiteMax, Timeout, FormatOption from the highest
// format bit set, and SearchGroupIndex from the stored group number. When no group has
// that number, asks "Group not found"; Cancel, or cancelling the group manager after OK,
// returns false: the caller releases the object.
bool LoadFolderSearch(clsSearch& search, std::int16_t folder, const GroupManagerFn& openGroupManager);

struct SearchLaunch {
    std::unique_ptr<clsSearch> search;            // null: the user ended the search
    SearchDialogMode dialog = kSearchDialogQuick; // the dialog to show (quick or advanced)
};
// The search launcher: a new search object, Init, FormatOption and SearchGroupIndex -1,
// the query when given, the folder's search when `folder` is above 0; then the dialog by
// `mode` (kSearchDialogLastUsed: the one `LastSearch` names).
SearchLaunch LaunchSearch(const SearchContext& context, SearchDialogMode mode, std::int16_t folder,
                          std::string_view query, const GroupManagerFn& openGroupManager);

// Runs the engine update check before a search; empty: CheckEngineUpdate, which waits for
// the update. The windows run it without blocking (SearchWindows::CheckEnginesBeforeSearch).
using EngineCheckFn = std::function<void()>;

// The quick dialog's search button: refuses an empty query with the warning; otherwise
// Reset, PlaySound on, the engine update check, the trimmed query into the history, the
// query untranslated, all engines, 100 hits, 10 per engine, time-out 5, no format, and
// Search. False when nothing was started.
bool StartQuickSearch(clsSearch& search, SearchHistory& history, std::string_view query,
                      const EngineCheckFn& engineCheck = {});

// What the advanced dialog holds when its search button is pressed.
struct AdvancedSearchInput {
    std::string query;
    std::string exclude;
    std::int16_t groupIndex = 0;
    std::string maxHitsText; // the boxes' texts: a non-number counts as 0
    std::string siteMaxText;
    std::int32_t format = 3; // the ticked option, 0 to 3
    bool playSound = false;
};
// The advanced dialog's search button after its connection prompt: refuses an empty
// query; PlaySound, the engine update check, the settings, the group, the history, the
// translated query, the limits, time-out 5, FormatOption (option 3 leaves it), Search.
// `askConnection` runs when the library sees no connection and the option says to ask;
// false from it stops everything. False when nothing was started.
bool StartAdvancedSearch(clsSearch& search, SearchHistory& history, const AdvancedSearchInput& input,
                         const std::function<bool()>& askConnection = {},
                         const EngineCheckFn& engineCheck = {});

// The leading number of a text box ("12abc" is 12, "abc" 0), as the maxima are read.
std::int32_t NumericValue(std::string_view text);

// The group the advanced dialog selects on load: SearchGroupIndex when 0 or more, else the
// group whose trimmed name is the stored `groupName`, else 0.
std::int32_t InitialGroupSelection(const clsSearch& search);

} // namespace vireo

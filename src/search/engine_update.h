// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Keeping the engine scripts current: a quiet check before searches every `DaysToCheck`
// days, and the "Check Engines" / Update Engines command that tells what it did.

#include <cstdint>
#include <string>
#include <string_view>

#include "store/ole_date.h"

namespace vireo {

class Registry;
class SearchLibrary;
class UserMessages;

// The day number of the last engine update (0 = never), under "\search".
inline constexpr std::string_view kLastEngineUpdateValue = "LastEngineUpdate";

inline constexpr std::string_view kEnginesTitle = "Engines";
inline constexpr std::string_view kEnginesUpdatedText = "Search Engines updated";
inline constexpr std::string_view kNoUpdatesText = "No updates required";
inline constexpr std::string_view kNoEngineFeedText =
    "No engine feed is configured, so the search engines were not checked for updates.";
inline constexpr std::string_view kEnginesUpdateFailedText =
    "The search engines could not be updated, and nothing was changed. The search log "
    "(search.log in Vireo's cache folder) says why.";

// Whole days between two dates (the time of day ignored), in either order.
std::int32_t DaysBetween(OleDate SDate, OleDate EDate);

// Whether the quiet check before a search is due: at least `DaysToCheck` days passed since
// the last update, or none was ever made. `today` is now by default.
bool EngineUpdateDue(const Registry& reg, OleDate today = 0);
// Stores today as the day of the last engine update.
void NoteEngineUpdate(Registry& reg, OleDate today = 0);
// Runs UpdateScripts (its result ignored, nothing shown) when at least `DaysToCheck` days
// passed since the last update or none was ever made, and then stores today as the last
// update. `today` is now by default. True when the update ran.
bool CheckEngineUpdate(Registry& reg, SearchLibrary& library, const std::string& programFolder,
                       OleDate today = 0);
// Runs UpdateScripts and shows "Search Engines updated", "No updates required", that no
// engine feed is configured, or that the update failed, in a box titled "Engines".
// Returns the library's result.
std::int32_t UpdateEngines(SearchLibrary& library, UserMessages& messages, const std::string& programFolder);
// The box UpdateEngines shows for the library's result.
void ShowEngineUpdateResult(UserMessages& messages, std::int32_t result);

} // namespace vireo

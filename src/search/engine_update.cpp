// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/engine_update.h"

#include <cmath>
#include <cstdlib>

#include "search/search_library.h"
#include "shell/options.h"
#include "shell/registry.h"
#include "shell/user_messages.h"

namespace vireo {

std::int32_t DaysBetween(OleDate SDate, OleDate EDate) {
    double days = std::floor(EDate) - std::floor(SDate);
    return static_cast<std::int32_t>(std::fabs(days));
}

bool EngineUpdateDue(const Registry& reg, OleDate today) {
    if (today == 0)
        today = OleNow();
    today = std::floor(today);
    std::int32_t daysToCheck = GetDaysToCheck(reg);
    std::int32_t last = GetRegNumber(reg, SettingsPath(kSearchSubkey), kLastEngineUpdateValue);
    // Never updated: a date far enough away that the check fires at once.
    OleDate lastUpdate = last == 0 ? today + 8 : static_cast<OleDate>(last);
    return DaysBetween(lastUpdate, today) >= daysToCheck;
}

void NoteEngineUpdate(Registry& reg, OleDate today) {
    if (today == 0)
        today = OleNow();
    SetRegValue(reg, SettingsPath(kSearchSubkey), kLastEngineUpdateValue,
                static_cast<std::int64_t>(std::floor(today)));
}

bool CheckEngineUpdate(Registry& reg, SearchLibrary& library, const std::string& programFolder,
                       OleDate today) {
    if (!EngineUpdateDue(reg, today))
        return false;
    library.UpdateScripts(programFolder);
    NoteEngineUpdate(reg, today);
    return true;
}

std::int32_t UpdateEngines(SearchLibrary& library, UserMessages& messages, const std::string& programFolder) {
    std::int32_t r = library.UpdateScripts(programFolder);
    ShowEngineUpdateResult(messages, r);
    return r;
}

void ShowEngineUpdateResult(UserMessages& messages, std::int32_t r) {
    // A failed update (a feed out of reach, a script whose digest is wrong) is no "nothing
    // to update": the user would trust engine scripts that are out of date.
    if (r == kUpdateNoFeed)
        messages.Message(kNoEngineFeedText, kEnginesTitle, MsgButtons::Ok, MsgIcon::Information);
    else if (r < 0)
        messages.Message(kEnginesUpdateFailedText, kEnginesTitle, MsgButtons::Ok, MsgIcon::Exclamation);
    else
        messages.Message(r > 0 ? kEnginesUpdatedText : kNoUpdatesText, kEnginesTitle, MsgButtons::Ok,
                         MsgIcon::Information);
}

} // namespace vireo

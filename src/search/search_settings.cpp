// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/search_settings.h"

#include "shell/options.h"
#include "shell/registry.h"

namespace vireo {

namespace {

std::string SearchKey() {
    return SettingsPath(kSearchSubkey);
}

} // namespace

void SaveAdvancedSearchSettings(Registry& reg, const AdvancedSearchSettings& s) {
    const std::string key = SearchKey();
    SetRegValue(reg, key, "optFormat", s.optFormat);
    SetRegValue(reg, key, "comboExclude", s.comboExclude);
    SetRegValue(reg, key, "maxHits", s.maxHits);
    SetRegValue(reg, key, "PlaySound", s.playSound ? 1 : 0);
    SetRegValue(reg, key, "groupName", s.groupName);
    SetRegValue(reg, key, "siteMax", s.siteMax);
}

std::int32_t StoredMaxHits(const Registry& reg) {
    std::int32_t n = GetRegNumber(reg, SearchKey(), "maxHits");
    return n == 0 ? 100 : n;
}

std::int32_t StoredSiteMax(const Registry& reg) {
    std::int32_t n = GetRegNumber(reg, SearchKey(), "siteMax");
    return n == 0 ? 10 : n;
}

bool StoredPlaySound(const Registry& reg) {
    return GetRegNumber(reg, SearchKey(), "PlaySound") == 1;
}

std::string StoredGroupName(const Registry& reg) {
    return GetRegText(reg, SearchKey(), "groupName");
}

std::int32_t GetLastSearch(const Registry& reg) {
    return GetRegNumber(reg, SearchKey(), "LastSearch");
}

void SetLastSearch(Registry& reg, std::int32_t dialog) {
    SetRegValue(reg, SearchKey(), "LastSearch", dialog);
}

bool GetCloseStatus(const Registry& reg) {
    return GetRegNumber(reg, SearchKey(), "CloseStatus") == 1;
}

void SetCloseStatus(Registry& reg, bool close) {
    SetRegValue(reg, SearchKey(), "CloseStatus", close ? 1 : 0);
}

std::string GetEngineFeed(const Registry& reg) {
    return GetRegText(reg, SearchKey(), "EngineFeed");
}

} // namespace vireo

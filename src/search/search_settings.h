// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The search dialogs' settings under "\search": what the advanced dialog stores when it
// starts a search, which dialog was used last, and the status window's close box.

#include <cstdint>
#include <string>

namespace vireo {

class Registry;

// What the advanced dialog's search button stores.
struct AdvancedSearchSettings {
    std::int32_t optFormat = 3; // index of the chosen format
    std::string comboExclude;   // the exclude text
    std::int32_t maxHits = 100;
    bool playSound = false; // `PlaySound` 1
    std::string groupName;  // the chosen group's name
    std::int32_t siteMax = 10;
};
void SaveAdvancedSearchSettings(Registry& reg, const AdvancedSearchSettings& settings);

// `maxHits` (0 or absent: 100) and `siteMax` (0 or absent: 10).
std::int32_t StoredMaxHits(const Registry& reg);
std::int32_t StoredSiteMax(const Registry& reg);
// `PlaySound` is 1.
bool StoredPlaySound(const Registry& reg);
std::string StoredGroupName(const Registry& reg);

// `LastSearch`: 0 the quick dialog was used last, 1 the advanced one.
std::int32_t GetLastSearch(const Registry& reg);
void SetLastSearch(Registry& reg, std::int32_t dialog);

// `CloseStatus`: the status window closes itself when the search has completed.
bool GetCloseStatus(const Registry& reg);
void SetCloseStatus(Registry& reg, bool close);

// `EngineFeed`: the address the engine update reads instead of the built-in one.
std::string GetEngineFeed(const Registry& reg);

} // namespace vireo

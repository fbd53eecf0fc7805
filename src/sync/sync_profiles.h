// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Sync profiles in the settings, one key each below "sync" of the program's settings key.
// Passwords are never kept here (see PasswordStore).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sync/sync_tree.h"

namespace vireo {
class Registry;
}

namespace vireo::sync {

enum class SyncWhen { ByHand = 0, AtStart = 1, Every = 2 };

struct SyncProfile {
    std::string name;
    std::string url; // WebDAV address, or a local folder
    std::string user;
    std::int16_t folder = 1; // the folder that syncs: My Bookmarks by default
    Direction direction = Direction::Both;
    SyncWhen when = SyncWhen::ByHand;
    int minutes = 30; // with SyncWhen::Every
    // What the last run ended with, for the Tools window and `sync list`.
    std::string lastResult;
    std::int64_t lastTime = 0; // Unix seconds, 0 never
    bool lastOk = false;
};

inline constexpr int kMinMinutes = 1;
inline constexpr int kMaxMinutes = 24 * 60;

// Names become folder names for the profile's state: plain letters, digits, space, '.',
// '-', '_', at most 64, not starting with '.'.
bool ValidProfileName(std::string_view name, std::string& why);
std::string_view DirectionName(Direction d);
bool ParseDirection(std::string_view text, Direction& d);

std::vector<SyncProfile> LoadProfiles(const Registry& reg);
bool FindProfile(const Registry& reg, std::string_view name, SyncProfile& out);
void SaveProfile(Registry& reg, const SyncProfile& profile);
bool RemoveProfile(Registry& reg, std::string_view name);
void SaveProfileResult(Registry& reg, std::string_view name, bool ok, std::string_view result,
                       std::int64_t time);

// "$XDG_DATA_HOME/Vireo/sync/<name>": the profile's state and backups.
std::string ProfileDir(std::string_view name);

} // namespace vireo::sync

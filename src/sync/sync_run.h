// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the command line and the window share around a run of a profile: its password,
// its options.

#include <string>

#include "sync/sync_engine.h"
#include "sync/sync_profiles.h"

namespace vireo::sync {

class PasswordStore;

// VIREO_SYNC_PASSWORD when set, else the secret store's (none needed without a user).
bool ProfilePassword(const SyncProfile& profile, PasswordStore* store, std::string& password,
                     std::string& error);
// The options of a run of this profile (its folder, its direction).
SyncOptions ProfileOptions(const SyncProfile& profile);

} // namespace vireo::sync

// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/sync_run.h"

#include "platform/paths.h"
#include "sync/password_store.h"

namespace vireo::sync {

bool ProfilePassword(const SyncProfile& profile, PasswordStore* store, std::string& password,
                     std::string& error) {
    password = sys::GetEnv("VIREO_SYNC_PASSWORD");
    if (!password.empty() || profile.user.empty())
        return true;
    if (!store) {
        error = "No password for " + profile.name + ": set VIREO_SYNC_PASSWORD.";
        return false;
    }
    if (!store->Lookup(profile.name, password, error)) {
        error += " Set VIREO_SYNC_PASSWORD instead.";
        return false;
    }
    return true;
}

SyncOptions ProfileOptions(const SyncProfile& profile) {
    SyncOptions o;
    o.stateDir = ProfileDir(profile.name);
    o.direction = profile.direction;
    return o;
}

} // namespace vireo::sync

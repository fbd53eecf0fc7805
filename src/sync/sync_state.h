// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the last sync of a profile saw: the merged tree (with where each item lives in
// the database), the share file's ETag and the highest id handed out. Kept per profile in
// "$XDG_DATA_HOME/Vireo/sync/<profile>/state.json", replaced atomically.

#include <cstdint>
#include <string>

#include "sync/sync_tree.h"

namespace vireo::sync {

struct SyncState {
    std::string dataDir; // the database the tree's local references belong to
    std::string share;   // the shared file the tree was merged with
    std::string etag;
    std::int64_t highestId = -1;
    std::int64_t time = 0; // Unix seconds of the sync that wrote it
    SyncTree tree;
};

// A missing file gives an empty state and true; a damaged one false with the reason.
bool LoadState(const std::string& path, SyncState& out, std::string& error);
bool SaveState(const std::string& path, const SyncState& state, std::string& error);

} // namespace vireo::sync

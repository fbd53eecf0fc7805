// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Sync trees to and from the shared XBEL file in the layout the browser extension that
// shares it reads and writes: the synced folder's contents at the top level, numeric id
// attributes on every folder and bookmark and the highestId comment.

#include <string>
#include <string_view>

#include "sync/sync_tree.h"

namespace vireo::sync {

// False with the reason for a file that is not XBEL. Items without an id keep "" as
// their id until NumberRemoteItems: they are returned with temporary ids "new:N".
bool TreeFromXbel(std::string_view bytes, SyncTree& out, std::int64_t& highestId, std::string& error);
std::string TreeToXbel(const SyncTree& tree, std::int64_t highestId);

} // namespace vireo::sync

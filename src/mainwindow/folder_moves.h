// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace vireo {

class Database;

// Moves the folder `source` (with everything below it) under `target`, updating the tree
// view. Refused with the reject sound, changing nothing, for the standard folders, a
// target that is already the parent or the folder itself or lies below it, and numbers
// that are not folders. Nothing is saved here.
bool MoveFolder(Database& db, std::int16_t source, std::int16_t target);

} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where an item in the trash came from, so that Restore can put it back there.
//
// The place is kept in fields of the records that older copies of the program leave
// alone or write as zero (a bookmark's reserved Long; a folder's first reserved Integer
// and the first two bytes after the search group): a file written here means the same to
// them, and an item they moved simply has no known place. Besides the folder's number the
// mark holds a check of that folder's creation date, so that a folder number reused by a
// later folder is not taken for the one the item came from.

#include <cstdint>

namespace vireo {

class Database;
struct FolderRecord;

// The mark of `folder` as a bookmark keeps it (0 for no folder).
std::int32_t TrashOriginOf(const Database& db, std::int16_t folder);
// Notes on a folder record that it went to the trash from `parent`, or (0) that it is out.
void MarkFolderOrigin(const Database& db, FolderRecord& record, std::int16_t parent);

// The folder an item with this mark goes back to: the folder it came from while that
// folder exists and is not in the trash itself, else "My Bookmarks".
std::int16_t RestoreTarget(const Database& db, std::int32_t origin);
std::int16_t FolderRestoreTarget(const Database& db, std::int16_t folder);

// Puts a bookmark of a folder in the trash (or the trash itself) back where it came from.
// False when there is no such bookmark or it is not in the trash.
bool RestoreBookmark(Database& db, std::int16_t folder, std::int32_t key);
// Puts a folder in the trash back, with everything in it. False when it is not in the
// trash (or no folder). The tree view follows.
bool RestoreFolder(Database& db, std::int16_t folder);

} // namespace vireo

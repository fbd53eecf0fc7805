// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What one step of the command history changed in the database: the folder records, the
// bookmark positions of each folder touched, the memo store, the key counter. Each part
// keeps the state before and after, so that the step can be undone and redone exactly.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "store/memo.h"
#include "store/records.h"

namespace vireo {

struct MarkChanges {
    std::int16_t folder = 0;
    std::int32_t totalBefore = 0;
    std::int32_t totalAfter = 0;
    // Positions (1-based) that existed before the step and were changed, with the record
    // there before and after.
    std::vector<std::int32_t> touched;
    std::vector<BookmarkRecord> before;
    std::vector<BookmarkRecord> after;
    // The records the step appended (positions totalBefore + 1 ...).
    std::vector<BookmarkRecord> added;
};

struct StoreChanges {
    MemoChanges memo;
    std::int32_t slotsBefore = 0;
    std::int32_t slotsAfter = 0;
    std::vector<std::int16_t> touchedFolders; // slots that existed before the step
    std::vector<FolderRecord> foldersBefore;
    std::vector<FolderRecord> foldersAfter;
    std::vector<FolderRecord> addedFolders; // slots slotsBefore + 1 ...
    std::vector<MarkChanges> marks;
    std::int32_t keyBefore = 0;
    std::int32_t keyAfter = 0;
    std::int16_t highestBefore = 0;
    std::int16_t highestAfter = 0;

    bool Empty() const {
        return memo.Empty() && touchedFolders.empty() && addedFolders.empty() && marks.empty() &&
               slotsBefore == slotsAfter && keyBefore == keyAfter;
    }
    // About how much memory the step holds.
    std::size_t Bytes() const {
        std::size_t n = sizeof(StoreChanges) + memo.Bytes() +
                        (touchedFolders.size() * 2 + addedFolders.size()) * sizeof(FolderRecord);
        for (const MarkChanges& m : marks)
            n += sizeof(MarkChanges) +
                 m.touched.size() * (sizeof(std::int32_t) + 2 * sizeof(BookmarkRecord)) +
                 m.added.size() * sizeof(BookmarkRecord);
        return n;
    }
};

} // namespace vireo

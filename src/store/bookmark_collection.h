// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// clsBookmark: the bookmarks of one folder, in the order they were added. Deleting never
// removes a position; a deleted entry keeps its place with key 0 until the next save and
// reload drops it.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "store/records.h"

namespace vireo {

class ByteReader;
class ByteWriter;
class Database;

class clsBookmark {
public:
    clsBookmark(Database& db, std::int16_t parent) : m_db(&db), m_parent(parent) {}

    // Appends a bookmark; a key of 0 is replaced by a new key and handed back.
    void Add(std::int32_t& key, std::int16_t Flags, std::int16_t UserFlags, std::int16_t Parent, MemoID Name,
             MemoID Description, MemoID url, OleDate Checked, OleDate Touched, OleDate added,
             std::int16_t Rank);
    // Appends a whole record (its key 0 replaced by a new key); returns the key.
    std::int32_t Add(BookmarkRecord record);
    // Appends the copy buffer as a bookmark of this folder.
    void AddPaste(std::int32_t MarkKey = 0);
    // Copies the bookmark with that key into the copy buffer.
    void Copy(std::int32_t MarkKey);
    std::int32_t Count() const { return m_count; }
    std::int32_t Total() const { return static_cast<std::int32_t>(m_entries.size()); }
    void EmptyAll(bool forceDelete);
    // The key at a position (1-based), 0 for a deleted entry.
    std::int32_t key(std::int32_t position) const { return At(position).key; }
    // Removes the bookmark without freeing its texts (they went with a copy).
    void Zap(std::int32_t MarkKey);
    // Moves the bookmark to the trash, or deletes it for good.
    void Kill(std::int32_t MarkKey, bool forceDelete);

    void Serialize(ByteWriter& w) const;
    // Reads this folder's block; false when the block was cut short or its count was
    // impossible (what could be read is kept).
    bool SuckItUp(ByteReader& r);

    std::string UrlStr(std::int32_t MarkKey) const;
    MemoID url(std::int32_t MarkKey) const;
    std::int16_t Rank(std::int32_t position) const { return At(position).Rank; }
    OleDate Touched(std::int32_t position) const { return At(position).Touched; }
    std::string DescStr(std::int32_t MarkKey) const;
    MemoID Desc(std::int32_t MarkKey) const;
    std::string NameStr(std::int32_t MarkKey) const;
    MemoID Name(std::int32_t MarkKey) const;
    std::string PathString(std::int16_t folder) const;
    std::int16_t Parent() const { return m_parent; }
    void SetParent(std::int16_t parent) { m_parent = parent; }
    bool MarkInTrash(std::int32_t position) const;

    // The record at a position (1-based) and the position of a key (0 when absent).
    const BookmarkRecord& At(std::int32_t position) const {
        return m_entries[static_cast<std::size_t>(position - 1)];
    }
    // The writable record: a change through it belongs to the open history step.
    BookmarkRecord& At(std::int32_t position);
    std::int32_t PositionOf(std::int32_t MarkKey) const;
    // Changes to a record's fields in place (title edits and the like).
    BookmarkRecord* Find(std::int32_t MarkKey);
    // Drops every position (slot reuse after a delete).
    void Clear();

    // For the history: back to the state before a step (`total` positions, the changed
    // ones given back their records), and forward to the state after it.
    void Restore(std::int32_t total, const std::vector<std::int32_t>& positions,
                 const std::vector<BookmarkRecord>& records);
    void Reapply(std::int32_t totalBefore, std::int32_t totalAfter,
                 const std::vector<std::int32_t>& positions, const std::vector<BookmarkRecord>& records,
                 const std::vector<BookmarkRecord>& added);

private:
    void Append(const BookmarkRecord& record);
    void Delete(std::int32_t position, bool freeMemos);
    void Recount();

    Database* m_db;
    std::int16_t m_parent;
    std::vector<BookmarkRecord> m_entries;
    std::int32_t m_count = 0;
    // Key to first position, built on demand; lookups in big folders stay constant-time.
    mutable std::unordered_map<std::int32_t, std::int32_t> m_positions;
    mutable bool m_positionsValid = false;
};

} // namespace vireo

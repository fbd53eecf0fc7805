// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/bookmark_collection.h"

#include <algorithm>
#include <utility>

#include "store/byte_io.h"
#include "store/database.h"
#include "store/trash_origin.h"

namespace vireo {

namespace {
// Below this size a linear scan beats building a hash table.
constexpr std::size_t kIndexThreshold = 24;
} // namespace

void clsBookmark::Append(const BookmarkRecord& record) {
    m_db->NoteMarkChange(m_parent, 0);
    m_entries.push_back(record);
    if (record.Deleted == 0)
        ++m_count;
    if (m_positionsValid && record.key != 0)
        m_positions.try_emplace(record.key, Total());
}

void clsBookmark::Add(std::int32_t& key, std::int16_t Flags, std::int16_t UserFlags, std::int16_t Parent,
                      MemoID Name, MemoID Description, MemoID url, OleDate Checked, OleDate Touched,
                      OleDate added, std::int16_t Rank) {
    if (key == 0)
        key = m_db->NewKey();
    BookmarkRecord r;
    r.key = key;
    r.Flags = Flags;
    r.UserFlags = UserFlags;
    r.Parent = Parent;
    r.Name = Name;
    r.Description = Description;
    r.url = url;
    r.Checked = Checked;
    r.Touched = Touched;
    r.added = added;
    r.Rank = Rank;
    Append(r);
}

std::int32_t clsBookmark::Add(BookmarkRecord record) {
    if (record.key == 0)
        record.key = m_db->NewKey();
    record.Deleted = 0;
    Append(record);
    return record.key;
}

void clsBookmark::AddPaste(std::int32_t MarkKey) {
    BookmarkRecord& buffer = m_db->copyBuffer;
    if (MarkKey != 0)
        buffer.key = MarkKey;
    else if (buffer.key == 0)
        buffer.key = m_db->NewKey();
    std::int16_t from = buffer.Parent;
    buffer.Parent = m_parent;
    BookmarkRecord copy = buffer;
    copy.Deleted = 0;
    // A bookmark going into the trash remembers where it came from, for Restore.
    if (m_parent != kTrashFolder)
        copy.Reserved = 0;
    else if (from != kTrashFolder)
        copy.Reserved = TrashOriginOf(*m_db, from);
    Append(copy);
}

std::int32_t clsBookmark::PositionOf(std::int32_t MarkKey) const {
    if (MarkKey == 0)
        return 0;
    if (m_entries.size() < kIndexThreshold) {
        for (std::size_t i = 0; i < m_entries.size(); ++i) {
            if (m_entries[i].key == MarkKey)
                return static_cast<std::int32_t>(i + 1);
        }
        return 0;
    }
    if (!m_positionsValid) {
        m_positions.clear();
        m_positions.reserve(m_entries.size());
        for (std::size_t i = 0; i < m_entries.size(); ++i) {
            if (m_entries[i].key != 0)
                m_positions.try_emplace(m_entries[i].key, static_cast<std::int32_t>(i + 1));
        }
        m_positionsValid = true;
    }
    auto it = m_positions.find(MarkKey);
    return it == m_positions.end() ? 0 : it->second;
}

BookmarkRecord& clsBookmark::At(std::int32_t position) {
    m_db->NoteMarkChange(m_parent, position);
    return m_entries[static_cast<std::size_t>(position - 1)];
}

BookmarkRecord* clsBookmark::Find(std::int32_t MarkKey) {
    std::int32_t pos = PositionOf(MarkKey);
    return pos ? &At(pos) : nullptr;
}

void clsBookmark::Copy(std::int32_t MarkKey) {
    std::int32_t pos = PositionOf(MarkKey);
    if (pos)
        m_db->copyBuffer = std::as_const(*this).At(pos);
}

void clsBookmark::Delete(std::int32_t position, bool freeMemos) {
    BookmarkRecord& r = At(position);
    if (freeMemos) {
        clsMemo& memo = m_db->Memo();
        memo.KillMemo(r.Name);
        memo.KillMemo(r.url);
        memo.KillMemo(r.Description);
    }
    if (r.Deleted == 0)
        --m_count;
    r.key = 0;
    r.Name = 0;
    r.Description = 0;
    r.url = 0;
    r.Deleted = 255;
    // Another position may hold the same key (a pasted copy); let the index find it.
    m_positionsValid = false;
}

void clsBookmark::Zap(std::int32_t MarkKey) {
    std::int32_t pos = PositionOf(MarkKey);
    if (pos)
        Delete(pos, false);
}

void clsBookmark::Kill(std::int32_t MarkKey, bool forceDelete) {
    std::int32_t pos = PositionOf(MarkKey);
    if (!pos)
        return;
    bool immediately = m_db->Services().options && m_db->Services().options->DeleteBmksImmediately();
    if (!MarkInTrash(pos) && !forceDelete && !immediately && m_db->IsSlot(kTrashFolder)) {
        m_db->copyBuffer = std::as_const(*this).At(pos);
        m_db->Marks(kTrashFolder).AddPaste();
        Delete(pos, false);
        return;
    }
    Delete(pos, true);
}

void clsBookmark::EmptyAll(bool forceDelete) {
    // Positions added meanwhile (this folder being the trash) are not revisited.
    const std::int32_t total = Total();
    for (std::int32_t pos = 1; pos <= total; ++pos) {
        std::int32_t k = key(pos);
        if (k == 0)
            continue;
        Copy(k);
        Kill(k, forceDelete);
    }
}

void clsBookmark::Clear() {
    for (std::int32_t pos = 1; pos <= Total(); ++pos)
        m_db->NoteMarkChange(m_parent, pos);
    m_entries.clear();
    m_entries.shrink_to_fit();
    m_count = 0;
    m_positions.clear();
    m_positionsValid = false;
}

void clsBookmark::Recount() {
    m_count = 0;
    for (const BookmarkRecord& r : m_entries) {
        if (r.Deleted == 0)
            ++m_count;
    }
    m_positions.clear();
    m_positionsValid = false;
}

void clsBookmark::Restore(std::int32_t total, const std::vector<std::int32_t>& positions,
                          const std::vector<BookmarkRecord>& records) {
    m_entries.resize(static_cast<std::size_t>(total));
    for (std::size_t i = 0; i < positions.size(); ++i)
        m_entries[static_cast<std::size_t>(positions[i] - 1)] = records[i];
    Recount();
}

void clsBookmark::Reapply(std::int32_t totalBefore, std::int32_t totalAfter,
                          const std::vector<std::int32_t>& positions,
                          const std::vector<BookmarkRecord>& records,
                          const std::vector<BookmarkRecord>& added) {
    m_entries.resize(static_cast<std::size_t>(totalBefore));
    for (std::size_t i = 0; i < positions.size(); ++i) {
        if (positions[i] <= totalAfter)
            m_entries[static_cast<std::size_t>(positions[i] - 1)] = records[i];
    }
    m_entries.resize(static_cast<std::size_t>(std::min(totalBefore, totalAfter)));
    m_entries.insert(m_entries.end(), added.begin(), added.end());
    Recount();
}

void clsBookmark::Serialize(ByteWriter& w) const {
    // Every live bookmark is written, titled or not: a bookmark whose title was cleared is
    // still the user's bookmark. Deleted entries are dropped here.
    auto live = [](const BookmarkRecord& r) { return r.Deleted == 0 && r.key != 0; };
    std::int32_t n = 0;
    for (const auto& r : m_entries) {
        if (live(r))
            ++n;
    }
    w.I32(n);
    for (const auto& r : m_entries) {
        if (live(r))
            r.Write(w);
    }
}

bool clsBookmark::SuckItUp(ByteReader& r) {
    Clear();
    std::int32_t n = r.I32();
    bool sound = !r.Short();
    if (n < 0) {
        n = 0;
        sound = false;
    }
    // Never trust the count beyond what the file can hold.
    std::size_t fits = r.Remaining() / BookmarkRecord::kSize;
    if (static_cast<std::size_t>(n) > fits) {
        n = static_cast<std::int32_t>(fits);
        sound = false;
    }
    m_entries.reserve(static_cast<std::size_t>(n));
    for (std::int32_t i = 0; i < n; ++i) {
        BookmarkRecord rec = BookmarkRecord::Read(r);
        m_db->RaiseKeyCounter(rec.key);
        Append(rec);
    }
    return sound;
}

std::string clsBookmark::UrlStr(std::int32_t MarkKey) const {
    std::int32_t pos = PositionOf(MarkKey);
    return pos ? m_db->Memo().GetMemo(At(pos).url) : std::string();
}

MemoID clsBookmark::url(std::int32_t MarkKey) const {
    std::int32_t pos = PositionOf(MarkKey);
    return pos ? At(pos).url : 0;
}

std::string clsBookmark::DescStr(std::int32_t MarkKey) const {
    std::int32_t pos = PositionOf(MarkKey);
    return pos ? m_db->Memo().GetMemo(At(pos).Description) : std::string();
}

MemoID clsBookmark::Desc(std::int32_t MarkKey) const {
    std::int32_t pos = PositionOf(MarkKey);
    return pos ? At(pos).Description : 0;
}

std::string clsBookmark::NameStr(std::int32_t MarkKey) const {
    std::int32_t pos = PositionOf(MarkKey);
    return pos ? m_db->Memo().GetMemo(At(pos).Name) : std::string();
}

MemoID clsBookmark::Name(std::int32_t MarkKey) const {
    std::int32_t pos = PositionOf(MarkKey);
    return pos ? At(pos).Name : 0;
}

std::string clsBookmark::PathString(std::int16_t folder) const {
    return m_db->FolderPath(folder);
}

bool clsBookmark::MarkInTrash(std::int32_t position) const {
    return m_db->IsWithin(At(position).Parent, kTrashFolder);
}

} // namespace vireo

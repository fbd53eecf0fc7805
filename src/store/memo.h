// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The memo store: every variable-length text of the database (names, descriptions,
// addresses), addressed by a MemoID that never changes for the life of the memo.
//
// The store works on an in-memory image of its two files. Changes reach the disk only
// through a commit (Commit, PackDat, or the database's save, which commits the records in
// the same unit), so the files on disk always match the record files beside them.

#include <cstdint>
#include <functional>
#include <queue>
#include <string>
#include <string_view>
#include <vector>

#include "platform/mapped_file.h"

namespace vireo {

using MemoID = std::int32_t;

class DataCommit;

// What one step of the command history changed in the memo store, kept so that undoing
// and redoing it give back the index and the data byte for byte.
struct MemoChanges {
    struct Entry {
        std::int32_t start = 0;
        std::int32_t end = 0;
        std::int16_t flag = 0;
    };
    std::size_t entriesBefore = 0;
    std::size_t entriesAfter = 0;
    std::size_t dataBefore = 0;
    std::size_t dataAfter = 0;
    // Entries that existed before the step, in the order first changed, with their state
    // before and after.
    std::vector<MemoID> touched;
    std::vector<Entry> before;
    std::vector<Entry> after;
    // Entries the step added (entriesBefore + 1 ...).
    std::vector<Entry> added;
    // Texts rewritten in place inside data that existed before: offset and old bytes, and
    // the new bytes.
    std::vector<std::pair<std::size_t, std::string>> rewrites;
    std::vector<std::string> rewritten;
    // The bytes the step appended to the data.
    std::string appended;

    bool Empty() const {
        return touched.empty() && added.empty() && rewrites.empty() && appended.empty() &&
               entriesBefore == entriesAfter && dataBefore == dataAfter;
    }
    std::size_t Bytes() const;
};

// A text is kept whole up to this many bytes (long bookmarklets and data: addresses
// included); a longer one is cut at the last whole character before it, and counted.
inline constexpr std::size_t kMaxMemoBytes = std::size_t{1} << 20;

class clsMemo {
public:
    // start: 1-based position of the first byte (0 when free); end: just past the last
    // byte; flag: -1 in use, 0 free.
    using Entry = MemoChanges::Entry;

    // The data directory, without a trailing separator. Set before Initialize.
    std::string DBPath;

    // Finishes an interrupted save, then reads both files (creating them empty when
    // missing, and the directory too).
    bool Initialize(std::string* error = nullptr);
    void ShutDown();
    bool IsOpen() const { return m_open; }

    MemoID Add(std::string_view text);
    std::string GetMemo(MemoID id) const;
    MemoID SetMemo(MemoID id, std::string_view text);
    void KillMemo(MemoID id);
    std::int64_t DeadSpace() const;
    // Compacts the data file; every MemoID keeps its text.
    bool PackDat(std::string* error = nullptr);
    // Kept for callers of the older interface; packing is done by PackDat.
    void PackDex() {}

    // Writes every change since the last commit (with whatever the commit partner stages
    // beside it).
    bool Commit(std::string* error = nullptr);
    bool HasUncommittedChanges() const;
    // Adds this store's changes to `commit`; call CommitDone once it succeeded.
    bool StageCommit(DataCommit& commit, std::string* error);
    void CommitDone();
    // The owner of the records registers here what must be committed with every memo
    // commit, so that a pack never commits memo changes without the records using them.
    void SetCommitPartner(std::function<bool(DataCommit&, std::string*)> partner) {
        m_partner = std::move(partner);
    }

    // The command history: between BeginChanges and EndChanges every change is noted in
    // `log`; RevertChanges and ApplyChanges take the store back to the state before or
    // after such a step (the store must be in the other state).
    void BeginChanges(MemoChanges* log);
    void EndChanges();
    bool Recording() const { return m_log != nullptr; }
    void RevertChanges(const MemoChanges& log);
    void ApplyChanges(const MemoChanges& log);
    // Called before a change that no step records (so that the owner can open one), and
    // after a pack, which moves every text.
    void SetChangeHooks(std::function<void()> beforeUnrecordedChange, std::function<void()> packed) {
        m_beforeChange = std::move(beforeUnrecordedChange);
        m_packed = std::move(packed);
    }

    // How many texts Add and SetMemo have cut to kMaxMemoBytes since the store was
    // made; callers that file many texts compare it before and after to report cuts.
    std::int64_t CutTexts() const { return m_cutTexts; }

    // Inspection, for integrity checks and tests.
    std::int32_t EntryCount() const { return static_cast<std::int32_t>(m_index.size()); }
    const Entry& EntryAt(MemoID id) const { return m_index[static_cast<std::size_t>(id - 1)]; }
    std::int32_t InUseCount() const { return m_inUse; }
    std::int64_t DataSize() const { return static_cast<std::int64_t>(Size()); }
    bool IsValidEntry(const Entry& e) const;
    // The raw stored bytes of a memo (before decoding and trimming), for exact copies.
    std::string_view RawMemo(MemoID id) const;

private:
    // The data file: what was on disk when it was opened (mapped, read lazily) followed by
    // the text appended since.
    std::size_t Size() const { return m_file.Size() + m_tail.size(); }
    std::string_view Bytes(std::size_t at, std::size_t length) const;
    std::string CopyBytes(std::size_t at, std::size_t length) const;
    void Overwrite(std::size_t at, std::string_view text);
    void ReadDex(std::string_view bytes);
    void MarkDirty(MemoID id);
    std::string IndexBytes(MemoID first, MemoID last) const;
    bool CommitWith(DataCommit& commit, std::string* error);
    std::string CutMemo(std::string_view text);
    void BeforeChange();
    void Touch(MemoID id);
    void TouchBytes(std::size_t at, std::size_t length);
    void PutEntry(MemoID id, const Entry& e);
    void ResizeIndex(std::size_t n);
    void TruncateData(std::size_t size);

    bool m_open = false;
    std::vector<Entry> m_index;
    std::int32_t m_inUse = 0;
    std::priority_queue<MemoID> m_free; // free entries, highest first
    sys::MappedFile m_file;
    std::string m_tail;

    std::size_t m_committedDataSize = 0;
    std::size_t m_committedEntries = 0;
    std::vector<std::uint8_t> m_dirtyFlag;
    std::vector<MemoID> m_dirty;                                 // entries changed since the last commit
    std::vector<std::pair<std::size_t, std::size_t>> m_rewrites; // committed bytes rewritten in place
    std::function<bool(DataCommit&, std::string*)> m_partner;
    std::int64_t m_cutTexts = 0;
    // The smallest data size and index length since the last commit: an undo that went
    // below the committed ones makes the next commit write the file whole.
    std::size_t m_lowDataSize = 0;
    std::size_t m_lowEntries = 0;
    MemoChanges* m_log = nullptr;
    std::vector<std::uint8_t> m_logTouched;
    std::function<void()> m_beforeChange;
    std::function<void()> m_packed;
};

} // namespace vireo

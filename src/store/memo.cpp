// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/memo.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "store/byte_io.h"
#include "store/data_dir.h"
#include "store/text_codec.h"

namespace vireo {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kEntrySize = 10;
// The positions are 32-bit, so the data file can never grow past this.
constexpr std::size_t kMaxDataSize = 0x7FFFFFFE;
// Files larger than this are not a memo store we wrote; refuse rather than exhaust memory.
constexpr std::uint64_t kMaxIndexFileSize = UINT64_C(1) << 30;

} // namespace

std::string clsMemo::CutMemo(std::string_view text) {
    std::string_view kept = text::CutToBytes(text, kMaxMemoBytes);
    if (kept.size() < text.size())
        ++m_cutTexts;
    return std::string(kept);
}

bool clsMemo::Initialize(std::string* error) {
    ShutDown();
    std::error_code ec;
    fs::create_directories(DBPath, ec);
    if (ec || !fs::is_directory(DBPath)) {
        if (error)
            *error = "Cannot create the data folder \"" + DBPath + "\": " + ec.message();
        return false;
    }
    if (!RecoverDataDir(DBPath, nullptr, error))
        return false;

    fs::path dex = fs::path(DBPath) / std::string(kMemoIndexFile);
    fs::path dat = fs::path(DBPath) / std::string(kMemoDataFile);
    for (const fs::path& p : {dex, dat}) {
        if (!fs::exists(p, ec)) {
            // An empty file has nothing in it that could be half-written.
            std::FILE* f = std::fopen(p.string().c_str(), "ab");
            if (!f) {
                if (error)
                    *error = "Cannot create \"" + p.string() + "\"";
                return false;
            }
            std::fclose(f);
        }
    }
    sys::MappedFile index;
    if (!index.Open(dex.string(), error, kMaxIndexFileSize, true) ||
        !m_file.Open(dat.string(), error, kMaxDataSize))
        return false;
    ReadDex(index.View());
    m_committedDataSize = Size();
    m_lowDataSize = m_committedDataSize;
    m_open = true;
    return true;
}

void clsMemo::ReadDex(std::string_view bytes) {
    std::size_t n = bytes.size() / kEntrySize;
    m_index.assign(n, Entry{});
    m_inUse = 0;
    m_free = {};
    ByteReader r(bytes);
    for (std::size_t k = 0; k < n; ++k) {
        Entry& e = m_index[k];
        e.start = r.I32();
        e.end = r.I32();
        e.flag = r.I16();
        if (e.flag == -1)
            ++m_inUse;
        else if (e.flag == 0)
            m_free.push(static_cast<MemoID>(k + 1));
    }
    m_committedEntries = n;
    m_lowEntries = n;
    m_dirtyFlag.assign(n, 0);
    m_dirty.clear();
    m_rewrites.clear();
}

void clsMemo::ShutDown() {
    m_open = false;
    m_log = nullptr;
    m_logTouched.clear();
    m_index.clear();
    m_inUse = 0;
    m_free = {};
    m_file.Close();
    m_tail.clear();
    m_tail.shrink_to_fit();
    m_committedDataSize = 0;
    m_committedEntries = 0;
    m_dirtyFlag.clear();
    m_dirty.clear();
    m_rewrites.clear();
}

bool clsMemo::IsValidEntry(const Entry& e) const {
    return e.start >= 1 && e.end >= e.start && static_cast<std::size_t>(e.end - 1) <= Size();
}

std::string_view clsMemo::Bytes(std::size_t at, std::size_t length) const {
    // A text we wrote never straddles the two parts (appends go to the end, rewrites stay
    // in place); a damaged entry that does reads as empty.
    if (at + length <= m_file.Size())
        return m_file.View().substr(at, length);
    if (at >= m_file.Size())
        return std::string_view(m_tail).substr(at - m_file.Size(), length);
    return {};
}

std::string clsMemo::CopyBytes(std::size_t at, std::size_t length) const {
    std::string out;
    out.reserve(length);
    if (at < m_file.Size()) {
        std::size_t head = std::min(length, m_file.Size() - at);
        out.append(m_file.View().substr(at, head));
        at += head;
        length -= head;
    }
    if (length > 0)
        out.append(std::string_view(m_tail).substr(at - m_file.Size(), length));
    return out;
}

void clsMemo::Overwrite(std::size_t at, std::string_view text) {
    if (at + text.size() <= m_file.Size())
        std::memcpy(m_file.Data() + at, text.data(), text.size());
    else if (at >= m_file.Size())
        m_tail.replace(at - m_file.Size(), text.size(), text);
}

void clsMemo::MarkDirty(MemoID id) {
    std::size_t k = static_cast<std::size_t>(id - 1);
    if (m_dirtyFlag.size() < m_index.size())
        m_dirtyFlag.resize(m_index.size(), 0);
    if (!m_dirtyFlag[k]) {
        m_dirtyFlag[k] = 1;
        m_dirty.push_back(id);
    }
}

MemoID clsMemo::Add(std::string_view textIn) {
    BeforeChange();
    std::string text = CutMemo(textIn);
    if (Size() + text.size() > kMaxDataSize)
        return 0;
    MemoID id = 0;
    while (!m_free.empty()) {
        MemoID candidate = m_free.top();
        m_free.pop();
        // An undo may have taken entries away since they were freed.
        if (static_cast<std::size_t>(candidate) <= m_index.size() &&
            m_index[static_cast<std::size_t>(candidate - 1)].flag == 0) {
            id = candidate;
            break;
        }
    }
    if (id == 0) {
        if (m_index.size() >= 0x7FFFFFFF)
            return 0;
        m_index.push_back(Entry{});
        id = static_cast<MemoID>(m_index.size());
    }
    Touch(id);
    Entry& e = m_index[static_cast<std::size_t>(id - 1)];
    e.start = static_cast<std::int32_t>(Size() + 1);
    m_tail.append(text);
    e.end = static_cast<std::int32_t>(Size() + 1);
    e.flag = -1;
    ++m_inUse;
    MarkDirty(id);
    return id;
}

std::string_view clsMemo::RawMemo(MemoID id) const {
    if (id <= 0 || static_cast<std::size_t>(id) > m_index.size())
        return {};
    const Entry& e = m_index[static_cast<std::size_t>(id - 1)];
    if ((e.start == 0 && e.end == 0) || !IsValidEntry(e))
        return {};
    return Bytes(static_cast<std::size_t>(e.start - 1), static_cast<std::size_t>(e.end - e.start));
}

std::string clsMemo::GetMemo(MemoID id) const {
    // Stored texts follow the rule of the fixed text fields: cut at a NUL, padded.
    return text::FromFixedField(RawMemo(id));
}

MemoID clsMemo::SetMemo(MemoID id, std::string_view textIn) {
    if (id == 0 && textIn.empty())
        return 0;
    std::string text = CutMemo(textIn);
    if (id <= 0 || static_cast<std::size_t>(id) > m_index.size())
        return text.empty() ? 0 : Add(text);
    if (text.empty()) {
        KillMemo(id);
        return 0;
    }
    BeforeChange();
    Touch(id);
    Entry& e = m_index[static_cast<std::size_t>(id - 1)];
    bool fits = IsValidEntry(e) && text.size() <= static_cast<std::size_t>(e.end - e.start) &&
                (static_cast<std::size_t>(e.end - 1) <= m_file.Size() ||
                 static_cast<std::size_t>(e.start - 1) >= m_file.Size());
    if (fits) {
        std::size_t at = static_cast<std::size_t>(e.start - 1);
        TouchBytes(at, text.size());
        Overwrite(at, text);
        if (at < m_committedDataSize)
            m_rewrites.emplace_back(at, std::min(text.size(), m_committedDataSize - at));
    } else {
        if (Size() + text.size() > kMaxDataSize)
            return id;
        e.start = static_cast<std::int32_t>(Size() + 1);
        m_tail.append(text);
    }
    e.end = static_cast<std::int32_t>(e.start + text.size());
    MarkDirty(id);
    return id;
}

void clsMemo::KillMemo(MemoID id) {
    if (id <= 0 || static_cast<std::size_t>(id) > m_index.size())
        return;
    BeforeChange();
    Touch(id);
    Entry& e = m_index[static_cast<std::size_t>(id - 1)];
    bool wasFree = e.flag == 0;
    if (e.flag == -1)
        --m_inUse;
    e = Entry{};
    if (!wasFree)
        m_free.push(id);
    MarkDirty(id);
}

std::int64_t clsMemo::DeadSpace() const {
    std::int64_t live = 0;
    for (const Entry& e : m_index) {
        if (IsValidEntry(e))
            live += e.end - e.start;
    }
    return static_cast<std::int64_t>(Size()) - live;
}

bool clsMemo::HasUncommittedChanges() const {
    return !m_dirty.empty() || !m_rewrites.empty() || Size() != m_committedDataSize ||
           m_index.size() != m_committedEntries || m_lowDataSize < m_committedDataSize ||
           m_lowEntries < m_committedEntries;
}

std::string clsMemo::IndexBytes(MemoID first, MemoID last) const {
    std::string out;
    out.reserve(static_cast<std::size_t>(last - first + 1) * kEntrySize);
    ByteWriter w(out);
    for (MemoID id = first; id <= last; ++id) {
        const Entry& e = m_index[static_cast<std::size_t>(id - 1)];
        w.I32(e.start);
        w.I32(e.end);
        w.I16(e.flag);
    }
    return out;
}

bool clsMemo::StageCommit(DataCommit& commit, std::string* error) {
    if (!m_open)
        return true;
    if (m_lowDataSize < m_committedDataSize) {
        // An undo took back text that was saved: the file is written anew, shorter, and
        // replaces the old one with the rest of the commit.
        if (!commit.StageFile(kMemoDataFile, CopyBytes(0, Size()), error))
            return false;
    } else if (Size() > m_committedDataSize &&
               !commit.Append(kMemoDataFile, m_committedDataSize,
                              CopyBytes(m_committedDataSize, Size() - m_committedDataSize), error)) {
        return false;
    }

    // Texts rewritten inside committed data travel in the journal, merged into runs.
    if (m_lowDataSize < m_committedDataSize)
        m_rewrites.clear();
    std::sort(m_rewrites.begin(), m_rewrites.end());
    std::size_t i = 0;
    while (i < m_rewrites.size()) {
        std::size_t from = m_rewrites[i].first;
        std::size_t to = from + m_rewrites[i].second;
        std::size_t j = i + 1;
        while (j < m_rewrites.size() && m_rewrites[j].first <= to) {
            to = std::max(to, m_rewrites[j].first + m_rewrites[j].second);
            ++j;
        }
        commit.AddPatch(kMemoDataFile, from, CopyBytes(from, to - from));
        i = j;
    }

    if (m_lowEntries < m_committedEntries) {
        // Likewise for an index that an undo made shorter than the saved one.
        std::string whole =
            m_index.empty() ? std::string() : IndexBytes(1, static_cast<MemoID>(m_index.size()));
        return commit.StageFile(kMemoIndexFile, whole, error);
    }
    // Changed index entries, as runs of consecutive entries (entries an undo took away
    // again are not written).
    std::erase_if(m_dirty, [this](MemoID id) { return static_cast<std::size_t>(id) > m_index.size(); });
    std::sort(m_dirty.begin(), m_dirty.end());
    m_dirty.erase(std::unique(m_dirty.begin(), m_dirty.end()), m_dirty.end());
    i = 0;
    while (i < m_dirty.size()) {
        std::size_t j = i + 1;
        while (j < m_dirty.size() && m_dirty[j] == m_dirty[j - 1] + 1)
            ++j;
        MemoID first = m_dirty[i];
        MemoID last = m_dirty[j - 1];
        commit.AddPatch(kMemoIndexFile, static_cast<std::uint64_t>(first - 1) * kEntrySize,
                        IndexBytes(first, last));
        i = j;
    }
    return true;
}

void clsMemo::CommitDone() {
    m_committedDataSize = Size();
    m_committedEntries = m_index.size();
    m_lowDataSize = m_committedDataSize;
    m_lowEntries = m_committedEntries;
    m_dirtyFlag.assign(m_index.size(), 0);
    m_dirty.clear();
    m_rewrites.clear();
}

bool clsMemo::CommitWith(DataCommit& commit, std::string* error) {
    if (m_partner && !m_partner(commit, error))
        return false;
    return commit.Commit(error);
}

bool clsMemo::Commit(std::string* error) {
    if (!m_open)
        return false;
    DataCommit commit(DBPath);
    if (!StageCommit(commit, error) || !CommitWith(commit, error))
        return false;
    CommitDone();
    return true;
}

bool clsMemo::PackDat(std::string* error) {
    if (!m_open)
        return false;
    std::vector<Entry> packed(m_index.size());
    std::string data;
    data.reserve(Size() - static_cast<std::size_t>(std::max<std::int64_t>(0, DeadSpace())));
    for (std::size_t k = 0; k < m_index.size(); ++k) {
        if (m_index[k].end <= 0)
            continue;
        std::string text = GetMemo(static_cast<MemoID>(k + 1));
        packed[k].start = static_cast<std::int32_t>(data.size() + 1);
        data.append(text);
        packed[k].end = static_cast<std::int32_t>(data.size() + 1);
        packed[k].flag = -1;
    }
    std::string dex;
    dex.reserve(packed.size() * kEntrySize);
    ByteWriter w(dex);
    for (const Entry& e : packed) {
        w.I32(e.start);
        w.I32(e.end);
        w.I16(e.flag);
    }

    DataCommit commit(DBPath);
    if (!commit.StageFile(kMemoDataFile, data, error) || !commit.StageFile(kMemoIndexFile, dex, error) ||
        !CommitWith(commit, error))
        return false;

    m_file.Close();
    m_tail = std::move(data);
    ReadDex(dex);
    m_committedDataSize = Size();
    m_lowDataSize = m_committedDataSize;
    // Every text has moved: what the history remembers of positions no longer holds.
    if (m_packed)
        m_packed();
    return true;
}

// ---- the command history ---------------------------------------------------------------

std::size_t MemoChanges::Bytes() const {
    std::size_t n = sizeof(MemoChanges) + touched.size() * (sizeof(MemoID) + 2 * sizeof(Entry)) +
                    added.size() * sizeof(Entry) + appended.size();
    for (const auto& [at, bytes] : rewrites)
        n += sizeof(at) + 2 * bytes.size() + 2 * sizeof(std::string);
    return n;
}

void clsMemo::BeforeChange() {
    if (!m_log && m_beforeChange)
        m_beforeChange();
}

void clsMemo::Touch(MemoID id) {
    if (!m_log || static_cast<std::size_t>(id) > m_log->entriesBefore)
        return;
    std::size_t k = static_cast<std::size_t>(id - 1);
    if (m_logTouched.size() < m_log->entriesBefore)
        m_logTouched.resize(m_log->entriesBefore, 0);
    if (m_logTouched[k])
        return;
    m_logTouched[k] = 1;
    m_log->touched.push_back(id);
    m_log->before.push_back(m_index[k]);
}

void clsMemo::TouchBytes(std::size_t at, std::size_t length) {
    if (!m_log || at >= m_log->dataBefore)
        return;
    length = std::min(length, m_log->dataBefore - at);
    m_log->rewrites.emplace_back(at, CopyBytes(at, length));
}

void clsMemo::BeginChanges(MemoChanges* log) {
    m_log = log;
    if (!log)
        return;
    log->entriesBefore = m_index.size();
    log->dataBefore = Size();
}

void clsMemo::EndChanges() {
    MemoChanges* log = m_log;
    if (!log)
        return;
    m_log = nullptr;
    log->entriesAfter = m_index.size();
    log->dataAfter = Size();
    log->after.reserve(log->touched.size());
    for (MemoID id : log->touched) {
        log->after.push_back(m_index[static_cast<std::size_t>(id - 1)]);
        m_logTouched[static_cast<std::size_t>(id - 1)] = 0;
    }
    if (log->entriesAfter > log->entriesBefore)
        log->added.assign(m_index.begin() + static_cast<std::ptrdiff_t>(log->entriesBefore), m_index.end());
    for (const auto& [at, bytes] : log->rewrites)
        log->rewritten.push_back(CopyBytes(at, bytes.size()));
    if (log->dataAfter > log->dataBefore)
        log->appended = CopyBytes(log->dataBefore, log->dataAfter - log->dataBefore);
    // Entries whose change was undone within the step need not be kept.
    std::size_t keep = 0;
    for (std::size_t i = 0; i < log->touched.size(); ++i) {
        const Entry& b = log->before[i];
        const Entry& a = log->after[i];
        if (b.start == a.start && b.end == a.end && b.flag == a.flag)
            continue;
        log->touched[keep] = log->touched[i];
        log->before[keep] = b;
        log->after[keep] = a;
        ++keep;
    }
    log->touched.resize(keep);
    log->before.resize(keep);
    log->after.resize(keep);
    if (m_logTouched.size() > m_index.size())
        m_logTouched.resize(m_index.size());
}

void clsMemo::PutEntry(MemoID id, const Entry& e) {
    Entry& cur = m_index[static_cast<std::size_t>(id - 1)];
    if (cur.flag == -1)
        --m_inUse;
    if (e.flag == -1)
        ++m_inUse;
    else if (e.flag == 0 && cur.flag != 0)
        m_free.push(id);
    cur = e;
    MarkDirty(id);
}

void clsMemo::ResizeIndex(std::size_t n) {
    for (std::size_t k = n; k < m_index.size(); ++k) {
        if (m_index[k].flag == -1)
            --m_inUse;
    }
    std::size_t old = m_index.size();
    m_index.resize(n);
    m_lowEntries = std::min(m_lowEntries, n);
    for (std::size_t k = old; k < n; ++k)
        m_free.push(static_cast<MemoID>(k + 1)); // a free entry until PutEntry says otherwise
    if (m_dirtyFlag.size() > n)
        m_dirtyFlag.resize(n);
}

void clsMemo::TruncateData(std::size_t size) {
    if (size >= Size())
        return;
    if (size < m_file.Size()) {
        // Only text appended while the store is open can be taken back, and that always
        // lies in the tail; anything else would be a history out of step with the store.
        return;
    }
    m_tail.resize(size - m_file.Size());
    m_lowDataSize = std::min(m_lowDataSize, size);
}

void clsMemo::RevertChanges(const MemoChanges& log) {
    for (auto it = log.rewrites.rbegin(); it != log.rewrites.rend(); ++it) {
        Overwrite(it->first, it->second);
        if (it->first < m_committedDataSize)
            m_rewrites.emplace_back(it->first, std::min(it->second.size(), m_committedDataSize - it->first));
    }
    TruncateData(log.dataBefore);
    ResizeIndex(log.entriesBefore);
    for (std::size_t i = 0; i < log.touched.size(); ++i)
        PutEntry(log.touched[i], log.before[i]);
}

void clsMemo::ApplyChanges(const MemoChanges& log) {
    TruncateData(log.dataBefore);
    m_tail.append(log.appended);
    for (std::size_t i = 0; i < log.rewrites.size(); ++i) {
        std::size_t at = log.rewrites[i].first;
        Overwrite(at, log.rewritten[i]);
        if (at < m_committedDataSize)
            m_rewrites.emplace_back(at, std::min(log.rewritten[i].size(), m_committedDataSize - at));
    }
    ResizeIndex(log.entriesBefore);
    ResizeIndex(log.entriesAfter);
    for (std::size_t i = 0; i < log.added.size(); ++i) {
        MemoID id = static_cast<MemoID>(log.entriesBefore + i + 1);
        m_index[static_cast<std::size_t>(id - 1)] = Entry{};
        PutEntry(id, log.added[i]);
    }
    for (std::size_t i = 0; i < log.touched.size(); ++i)
        PutEntry(log.touched[i], log.after[i]);
}

} // namespace vireo

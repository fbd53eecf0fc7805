// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/data_dir.h"

#include <array>
#include <filesystem>
#include <system_error>

#include "platform/durable_file.h"
#include "store/byte_io.h"

namespace vireo {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kJournalMagic = "VIREOCOMMIT1";
constexpr std::array<std::string_view, 4> kDataFiles = {kFoldersFile, kBookmarksFile, kMemoIndexFile,
                                                        kMemoDataFile};

std::function<bool(CommitStep)>& CrashHook() {
    static std::function<bool(CommitStep)> hook;
    return hook;
}

bool IsDataFile(std::string_view name) {
    for (auto f : kDataFiles) {
        if (f == name)
            return true;
    }
    return false;
}

std::uint64_t Fnv1a(std::string_view bytes) {
    std::uint64_t h = 0xcbf29ce484222325ULL;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 0x100000001b3ULL;
    }
    return h;
}

void PutName(ByteWriter& w, std::string_view name) {
    w.U16(static_cast<std::uint16_t>(name.size()));
    w.Bytes(name);
}

bool Exists(const fs::path& p) {
    std::error_code ec;
    return fs::exists(p, ec);
}

void RemoveQuietly(const fs::path& p) {
    std::error_code ec;
    fs::remove(p, ec);
}

struct Journal {
    std::vector<std::string> renames;
    struct Patch {
        std::string file;
        std::uint64_t offset;
        std::string bytes;
    };
    std::vector<Patch> patches;
};

std::string EncodeJournal(const std::vector<std::string>& renames,
                          const std::vector<Journal::Patch>& patches) {
    std::string out;
    ByteWriter w(out);
    w.Bytes(kJournalMagic);
    w.I32(static_cast<std::int32_t>(renames.size()));
    for (const auto& r : renames)
        PutName(w, r);
    w.I32(static_cast<std::int32_t>(patches.size()));
    for (const auto& p : patches) {
        PutName(w, p.file);
        std::uint64_t off = p.offset;
        w.Bytes(reinterpret_cast<const char*>(&off), sizeof off);
        w.I32(static_cast<std::int32_t>(p.bytes.size()));
        w.Bytes(p.bytes);
    }
    std::uint64_t sum = Fnv1a(out);
    w.Bytes(reinterpret_cast<const char*>(&sum), sizeof sum);
    return out;
}

// False when the journal is damaged; it is then ignored as if it had never been written.
bool DecodeJournal(std::string_view bytes, Journal& j) {
    if (bytes.size() < kJournalMagic.size() + 16 || bytes.substr(0, kJournalMagic.size()) != kJournalMagic)
        return false;
    std::string_view body = bytes.substr(0, bytes.size() - 8);
    std::uint64_t stored;
    std::memcpy(&stored, bytes.data() + body.size(), 8);
    if (stored != Fnv1a(body))
        return false;
    ByteReader r(body);
    r.Skip(kJournalMagic.size());
    auto name = [&](std::string& out) {
        std::uint16_t len = r.U16();
        out = std::string(r.View(len));
        return !r.Short() && IsDataFile(out);
    };
    std::int32_t renames = r.I32();
    if (renames < 0 || renames > 4)
        return false;
    for (int i = 0; i < renames; ++i) {
        std::string n;
        if (!name(n))
            return false;
        j.renames.push_back(n);
    }
    std::int32_t patches = r.I32();
    if (patches < 0)
        return false;
    for (int i = 0; i < patches; ++i) {
        Journal::Patch p;
        if (!name(p.file))
            return false;
        char off[8];
        r.Bytes(off, 8);
        std::memcpy(&p.offset, off, 8);
        std::int32_t len = r.I32();
        if (len < 0 || static_cast<std::size_t>(len) > r.Remaining())
            return false;
        p.bytes = std::string(r.View(static_cast<std::size_t>(len)));
        j.patches.push_back(std::move(p));
    }
    return !r.Short() && r.AtEnd();
}

// Carries out a committed journal; every step may be repeated safely.
bool RollForward(const fs::path& dir, const Journal& j, std::string* error) {
    for (const auto& p : j.patches) {
        if (!sys::WriteAtSynced((dir / p.file).string(), p.offset, p.bytes, error))
            return false;
    }
    for (const auto& name : j.renames) {
        fs::path staged = dir / (name + std::string(kStagedSuffix));
        if (Exists(staged) && !sys::RenameReplacing(staged.string(), (dir / name).string(), error))
            return false;
    }
    return sys::SyncDirectory(dir.string(), error);
}

} // namespace

DataCommit::DataCommit(std::string dir) : m_dir(std::move(dir)) {}

void DataCommit::SetCrashHookForTesting(std::function<bool(CommitStep)> hook) {
    CrashHook() = std::move(hook);
}

bool DataCommit::Survives(CommitStep step) const {
    return !CrashHook() || CrashHook()(step);
}

std::string DataCommit::PathOf(std::string_view name) const {
    return (fs::path(m_dir) / std::string(name)).string();
}

bool DataCommit::Append(std::string_view fileName, std::uint64_t offset, std::string_view bytes,
                        std::string* error) {
    if (bytes.empty())
        return true;
    m_appended = true;
    return sys::WriteAtSynced(PathOf(fileName), offset, bytes, error);
}

bool DataCommit::StageFile(std::string_view fileName, std::string_view bytes, std::string* error) {
    std::string staged = PathOf(std::string(fileName) + std::string(kStagedSuffix));
    if (!sys::WriteFileSynced(staged, bytes, error)) {
        RemoveQuietly(staged);
        return false;
    }
    m_renames.emplace_back(fileName);
    return true;
}

void DataCommit::AddPatch(std::string_view fileName, std::uint64_t offset, std::string bytes) {
    m_patches.push_back({std::string(fileName), offset, std::move(bytes)});
}

void DataCommit::RemoveStaged() {
    for (const auto& name : m_renames)
        RemoveQuietly(PathOf(name + std::string(kStagedSuffix)));
    m_renames.clear();
}

bool DataCommit::Commit(std::string* error) {
    if (m_appended && !Survives(CommitStep::AppendedData))
        return false;
    if (!Survives(CommitStep::StagedFiles))
        return false;

    std::vector<Journal::Patch> patches;
    patches.reserve(m_patches.size());
    for (auto& p : m_patches)
        patches.push_back({p.file, p.offset, std::move(p.bytes)});
    m_patches.clear();

    std::string journal = EncodeJournal(m_renames, patches);
    std::string journalPath = PathOf(kCommitJournal);
    std::string journalTmp = journalPath + ".tmp";
    if (!sys::WriteFileSynced(journalTmp, journal, error) ||
        !sys::RenameReplacing(journalTmp, journalPath, error) || !sys::SyncDirectory(m_dir, error)) {
        RemoveQuietly(journalTmp);
        RemoveQuietly(journalPath);
        RemoveStaged();
        return false;
    }
    if (!Survives(CommitStep::JournalWritten))
        return false;

    // From here on the commit has happened: a failure leaves the journal for the next
    // start to finish.
    fs::path dir(m_dir);
    for (const auto& p : patches) {
        if (!sys::WriteAtSynced((dir / p.file).string(), p.offset, p.bytes, error))
            return false;
    }
    if (!Survives(CommitStep::PatchesApplied))
        return false;
    bool first = true;
    for (const auto& name : m_renames) {
        if (!sys::RenameReplacing(PathOf(name + std::string(kStagedSuffix)), PathOf(name), error))
            return false;
        if (first && !Survives(CommitStep::FirstRename))
            return false;
        first = false;
    }
    if (!sys::SyncDirectory(m_dir, error))
        return false;
    if (!Survives(CommitStep::Renamed))
        return false;
    m_renames.clear();
    RemoveQuietly(journalPath);
    sys::SyncDirectory(m_dir, nullptr);
    return true;
}

bool RecoverDataDir(const std::string& dirText, std::string* report, std::string* error) {
    fs::path dir(dirText);
    auto note = [&](const std::string& line) {
        if (report)
            *report += line + "\n";
    };

    fs::path journalPath = dir / std::string(kCommitJournal);
    bool rolledForward = false;
    if (Exists(journalPath)) {
        std::string bytes;
        Journal j;
        if (ReadWholeFile(journalPath.string(), bytes, nullptr) && DecodeJournal(bytes, j)) {
            if (!RollForward(dir, j, error))
                return false;
            note("Completed a save that was interrupted.");
            rolledForward = true;
        } else {
            note("Discarded the damaged journal of an interrupted save.");
        }
        RemoveQuietly(journalPath);
    }
    RemoveQuietly(dir / (std::string(kCommitJournal) + ".tmp"));
    for (auto name : kDataFiles) {
        fs::path staged = dir / (std::string(name) + std::string(kStagedSuffix));
        if (Exists(staged)) {
            RemoveQuietly(staged);
            if (!rolledForward)
                note("Discarded the unfinished save of " + std::string(name) + ".");
        }
    }

    // Older versions delete the old file and then rename the temporary one; a crash in
    // between leaves only the temporary file, which is complete at that point.
    auto legacy = [&](const char* tmpName, std::string_view finalName) {
        fs::path tmp = dir / tmpName;
        if (!Exists(tmp))
            return true;
        fs::path target = dir / std::string(finalName);
        if (!Exists(target)) {
            if (!sys::RenameReplacing(tmp.string(), target.string(), error))
                return false;
            note("Restored " + std::string(finalName) + " from " + tmpName + ".");
        } else {
            RemoveQuietly(tmp);
        }
        return true;
    };
    if (!legacy("folders.tmp", kFoldersFile) || !legacy("bookmarks.tmp", kBookmarksFile))
        return false;
    // A pack replaces both memo files; only once the data file is gone are both
    // temporary files complete.
    fs::path datTmp = dir / "Dat.tmp";
    fs::path dexTmp = dir / "Dex.tmp";
    if (Exists(datTmp) && !Exists(dir / std::string(kMemoDataFile))) {
        if (!sys::RenameReplacing(datTmp.string(), (dir / std::string(kMemoDataFile)).string(), error))
            return false;
        if (Exists(dexTmp) &&
            !sys::RenameReplacing(dexTmp.string(), (dir / std::string(kMemoIndexFile)).string(), error))
            return false;
        note("Completed an interrupted compaction.");
    } else {
        RemoveQuietly(datTmp);
        RemoveQuietly(dexTmp);
    }
    return sys::SyncDirectory(dir.string(), error);
}

} // namespace vireo

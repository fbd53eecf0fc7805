// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The data directory holds four files that only make sense together: the folder and
// bookmark records refer to texts by number, and the memo index says where each text
// lies in the memo data file. A save changes all four as one unit through DataCommit:
//
//   1. new bytes are written where nothing committed refers to them yet: whole files under
//      a ".new" name, and text appended past the end of the memo data file;
//   2. a journal "COMMIT" names every rename still to do and carries every in-place patch
//      (memo index entries, texts rewritten in place); writing it is the commit point;
//   3. the patches and renames are carried out and the journal is deleted.
//
// RecoverDataDir, run before anything is read, finishes a commit whose journal exists and
// throws away the staged files of one that never reached its journal. So a crash at any
// instant leaves either the state before the save or the state after it.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vireo {

inline constexpr std::string_view kFoldersFile = "FOLDERS";
inline constexpr std::string_view kBookmarksFile = "BOOKMARKS";
inline constexpr std::string_view kMemoIndexFile = "VIREODEX";
inline constexpr std::string_view kMemoDataFile = "VIREOMEM";
inline constexpr std::string_view kCommitJournal = "COMMIT";
inline constexpr std::string_view kStagedSuffix = ".new";
inline constexpr std::string_view kLockFile = ".lock";

// The points of a commit at which a test may pretend the process died.
enum class CommitStep {
    AppendedData,   // text appended to the memo data file
    StagedFiles,    // every ".new" file written and synced
    JournalWritten, // the journal is in place: the commit has happened
    PatchesApplied,
    FirstRename,
    Renamed,
};

class DataCommit {
public:
    explicit DataCommit(std::string dir);

    // Writes bytes at `offset` of `fileName` now; only for bytes no committed state refers to.
    bool Append(std::string_view fileName, std::uint64_t offset, std::string_view bytes, std::string* error);
    // Writes `fileName` + ".new" now; it replaces `fileName` at the commit.
    bool StageFile(std::string_view fileName, std::string_view bytes, std::string* error);
    // Bytes to write at `offset` of `fileName` once committed.
    void AddPatch(std::string_view fileName, std::uint64_t offset, std::string bytes);

    bool HasWork() const { return !m_renames.empty() || !m_patches.empty(); }
    // Commits everything staged. False with `error` when a write failed; then nothing
    // committed has changed and the staged files are removed.
    bool Commit(std::string* error);

    // Test hook: called at each step; returning false stops the commit there as if the
    // process had been killed (nothing is cleaned up).
    static void SetCrashHookForTesting(std::function<bool(CommitStep)> hook);

private:
    struct Patch {
        std::string file;
        std::uint64_t offset;
        std::string bytes;
    };

    bool Survives(CommitStep step) const;
    std::string PathOf(std::string_view name) const;
    void RemoveStaged();

    std::string m_dir;
    std::vector<std::string> m_renames; // final names whose ".new" file is staged
    std::vector<Patch> m_patches;
    bool m_appended = false;
};

// Completes or rolls back an interrupted commit (and the temporary files that older
// versions of the program leave when they are interrupted). `report` receives a line for
// each repair made. False only when the directory cannot be repaired.
bool RecoverDataDir(const std::string& dir, std::string* report, std::string* error);

} // namespace vireo

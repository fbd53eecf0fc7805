// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Files that survive a crash: everything the store writes goes through here so that a
// write is either complete and on disk, or reported as failed. One implementation per
// platform, chosen in CMake.

#include <cstdint>
#include <string>
#include <string_view>

namespace vireo::sys {

// Creates or truncates `path`, writes `data`, flushes and syncs it to disk.
bool WriteFileSynced(const std::string& path, std::string_view data, std::string* error);

// Writes `data` at byte `offset` of an existing or new file (growing it when needed) and
// syncs it. Used for in-place patches and appends that a commit journal protects.
bool WriteAtSynced(const std::string& path, std::uint64_t offset, std::string_view data, std::string* error);

// Atomically replaces `to` by `from` (rename over the old file).
bool RenameReplacing(const std::string& from, const std::string& to, std::string* error);

// Makes renames and deletions inside `dir` durable.
bool SyncDirectory(const std::string& dir, std::string* error);

// Writes the whole file under a temporary name in the same folder, syncs it and renames
// it over `path`: readers see the old file or the new one, never a mix.
bool WriteFileAtomic(const std::string& path, std::string_view data, std::string* error);

// An exclusive, advisory lock on a folder, held for the lifetime of the object (and
// released by the system when the process dies, so a crash never leaves it stuck).
class DirectoryLock {
public:
    DirectoryLock() = default;
    ~DirectoryLock();
    DirectoryLock(const DirectoryLock&) = delete;
    DirectoryLock& operator=(const DirectoryLock&) = delete;

    // False when another process holds it (`*busy` set) or it cannot be taken.
    bool Acquire(const std::string& dir, std::string_view lockName, bool* busy, std::string* error);
    void Release();
    bool IsHeld() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

namespace testing {
// Makes every write through this module fail once `bytes` more bytes have been
// written (-1 switches the failure off). Lets tests prove that a failed save damages
// nothing.
void FailWritesAfter(std::int64_t bytes);
} // namespace testing

} // namespace vireo::sys

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One sync of a profile: take the share's lock as other clients of the file do, read the
// file, merge it with the database against what the last sync saw, keep backups, write
// the file back (only if nobody changed it meanwhile, else start again), change the
// database, remember what both sides now hold, and let go of the lock.
//
// The order makes a kill at any moment safe: the share file is replaced atomically by
// the server, the database by its own journal, the state last; a sync interrupted after
// either side was written pairs the items both sides now hold by folder path and address
// at the next run, so nothing is doubled or lost.

#include <cstdint>
#include <functional>
#include <string>

#include "sync/sync_tree.h"

namespace vireo::sync {

class LocalSide;
class SyncShare;

enum class SyncStatus {
    Done,
    Offline,  // the share cannot be reached: try later
    Busy,     // another client holds the lock
    Declined, // the user did not want the deletions
    Damaged,  // the share's file is not a bookmark file we can read; left untouched
    Denied,
    Failed,
    Cancelled,
};

struct SyncOptions {
    std::string stateDir; // the profile's folder: state.json and backups/
    Direction direction = Direction::Both;
    // A lock older than this was left by a client that died and is taken over.
    std::int64_t staleLockSeconds = 30 * 60;
    // How long to wait for another client's lock before giving up for now.
    int lockWaitSeconds = 60;
    int lockPollMilliseconds = 2000;
    int maxAttempts = 4; // restarts after someone else wrote the file meanwhile
    std::size_t keepBackups = 10;
    // Asked when the merge would delete more than a tenth of one side's bookmarks (and
    // more than two);
    // `here` is true for the database's side. Without it such a sync stops.
    std::function<bool(int deletions, int total, bool here)> confirmDeletions;
    std::function<void(const std::string&)> progress;
    std::function<std::int64_t()> now; // Unix seconds; the system clock when empty
    std::function<void(int ms)> sleep; // the thread sleeps when empty
    // Polled between steps: true stops the run before it changes anything more.
    std::function<bool()> cancelled;
    // Tests act at named steps ("before-upload", "after-upload", "after-local"): another
    // writer coming in, or a kill.
    std::function<void(const char* step)> checkpoint;
};

struct SyncReport {
    SyncStatus status = SyncStatus::Failed;
    std::string message; // one line for the user
    int added = 0;       // items the database gained
    int removed = 0;     // items the database moved to the trash
    int uploaded = 0;    // items the share's file gained
    int copies = 0;
    int attempts = 0;
    bool remoteWritten = false;
    bool localWritten = false;
    bool Ok() const { return status == SyncStatus::Done; }
};

SyncReport RunSync(SyncShare& share, LocalSide& local, const SyncOptions& options);

// The backups kept before writing: "<stateDir>/backups", newest last.
std::string BackupDir(const std::string& stateDir);

} // namespace vireo::sync

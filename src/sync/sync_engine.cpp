// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/sync_engine.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "platform/durable_file.h"
#include "sync/sync_local.h"
#include "sync/sync_share.h"
#include "sync/sync_state.h"
#include "sync/sync_xbel.h"

namespace vireo::sync {

namespace fs = std::filesystem;

namespace {

constexpr int kAlwaysAllowedDeletions = 2;

SyncStatus FromShare(ShareStatus s) {
    switch (s) {
    case ShareStatus::Offline:
        return SyncStatus::Offline;
    case ShareStatus::Denied:
        return SyncStatus::Denied;
    case ShareStatus::Conflict:
        return SyncStatus::Busy;
    default:
        return SyncStatus::Failed;
    }
}

// Who this profile is on the share, so a lock it left in a crash is its own to take back.
std::string ClientId(const std::string& stateDir) {
    std::string path = (fs::path(stateDir) / "client-id").string();
    std::ifstream in(path);
    std::string id;
    if (in >> id && id.size() == 16)
        return id;
    std::random_device rd;
    char buf[17];
    std::snprintf(buf, sizeof buf, "%08x%08x", static_cast<unsigned>(rd()), static_cast<unsigned>(rd()));
    id = buf;
    std::error_code ec;
    fs::create_directories(stateDir, ec);
    std::string error;
    sys::WriteFileAtomic(path, id + "\n", &error);
    return id;
}

std::string Stamp(std::int64_t t) {
    std::time_t tt = static_cast<std::time_t>(t);
    std::tm tm{};
    gmtime_r(&tt, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &tm);
    return buf;
}

// Keeps the newest `keep` files of one kind ("remote-", "local-").
void Prune(const std::string& dir, const std::string& prefix, std::size_t keep) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec))
        if (e.path().filename().string().rfind(prefix, 0) == 0)
            files.push_back(e.path());
    std::sort(files.begin(), files.end());
    while (files.size() > keep) {
        fs::remove(files.front(), ec);
        files.erase(files.begin());
    }
}

bool WriteBackup(const std::string& dir, const std::string& name, std::string_view bytes,
                 std::string& error) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    fs::path path = fs::path(dir) / name;
    // Two syncs in one second keep both backups.
    for (int n = 1; fs::exists(path, ec); ++n)
        path = fs::path(dir) / (fs::path(name).stem().string() + "-" + std::to_string(n) + ".xbel");
    return sys::WriteFileAtomic(path.string(), bytes, &error);
}

class Run {
public:
    Run(SyncShare& share, LocalSide& local, const SyncOptions& o) : m_share(share), m_local(local), m_o(o) {}

    SyncReport Go() {
        std::string error;
        m_statePath = (fs::path(m_o.stateDir) / "state.json").string();
        if (!LoadState(m_statePath, m_state, error)) {
            // A damaged state only loses what it knew: the next merge pairs items by path
            // and address as a first sync does.
            Progress(error + " Starting as a first sync.");
            m_state = SyncState{};
        }
        // What was seen with another database or another file is no base for this pair: a
        // merge against it would take everything missing for deleted.
        if (m_state.dataDir != m_local.DataDir() || m_state.share != m_share.Describe())
            m_state.tree.Clear();
        m_client = ClientId(m_o.stateDir);
        if (!TakeLock())
            return m_report;
        for (int attempt = 1; attempt <= std::max(1, m_o.maxAttempts); ++attempt) {
            m_report.attempts = attempt;
            bool again = false;
            if (!Attempt(again) || !again)
                break;
            Progress("The shared file changed during the sync; starting again.");
        }
        ShareResult r = m_share.DeleteLock();
        if (!r.Ok() && m_report.Ok())
            m_report.message += " (The lock file could not be removed: " + r.message + ")";
        return m_report;
    }

private:
    std::int64_t Now() const {
        if (m_o.now)
            return m_o.now();
        return std::chrono::duration_cast<std::chrono::seconds>(
                   std::chrono::system_clock::now().time_since_epoch())
            .count();
    }
    void Sleep(int ms) const {
        if (m_o.sleep)
            m_o.sleep(ms);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
    void Progress(const std::string& s) const {
        if (m_o.progress)
            m_o.progress(s);
    }
    void Checkpoint(const char* step) const {
        if (m_o.checkpoint)
            m_o.checkpoint(step);
    }
    bool Fail(SyncStatus status, std::string message) {
        m_report.status = status;
        m_report.message = std::move(message);
        return false;
    }

    // The lock file as the other clients of the file use it: wait while someone holds
    // it, take it over when it is stale or was left by us.
    bool TakeLock() {
        Progress("Taking the lock on " + m_share.Describe());
        int waitedMs = 0;
        for (;;) {
            bool exists = false;
            std::int64_t modified = 0;
            std::string body;
            ShareResult r = m_share.LockStat(exists, modified, body);
            if (!r.Ok())
                return Fail(FromShare(r.status), r.message);
            bool ours = body.find(m_client) != std::string::npos;
            bool stale = exists && modified > 0 && Now() - modified >= m_o.staleLockSeconds;
            if (!exists || ours || stale) {
                std::string lock = "Vireo " + m_client + " " + std::to_string(Now()) + "\n";
                r = m_share.PutLock(lock, exists);
                if (r.Ok())
                    return true;
                if (r.status != ShareStatus::Conflict)
                    return Fail(FromShare(r.status), r.message);
            }
            if (Cancelled())
                return false;
            if (waitedMs >= m_o.lockWaitSeconds * 1000)
                return Fail(SyncStatus::Busy,
                            "Another device is syncing with " + m_share.Describe() + "; trying again later.");
            Progress("Waiting for another device to finish syncing");
            Sleep(m_o.lockPollMilliseconds);
            waitedMs += std::max(1, m_o.lockPollMilliseconds);
        }
    }

    bool Cancelled() {
        if (!m_o.cancelled || !m_o.cancelled())
            return false;
        Fail(SyncStatus::Cancelled, "The sync was cancelled.");
        return true;
    }

    bool Attempt(bool& again) {
        again = false;
        if (Cancelled())
            return false;
        std::string error;
        std::string bytes, etag;
        std::int64_t remoteModified = 0;
        Progress("Reading " + m_share.Describe());
        ShareResult r = m_share.Read(bytes, etag, remoteModified);
        SyncTree remote;
        std::int64_t highest = m_state.highestId;
        bool exists = r.Ok();
        if (r.status == ShareStatus::Missing) {
            etag.clear();
        } else if (!r.Ok()) {
            if (r.status == ShareStatus::Offline)
                return Fail(SyncStatus::Offline, "Offline: " + r.message + " Trying again later.");
            return Fail(FromShare(r.status), r.message);
        } else {
            std::int64_t fileHighest = -1;
            if (!TreeFromXbel(bytes, remote, fileHighest, error))
                return Fail(SyncStatus::Damaged, "The shared file " + m_share.Describe() +
                                                     " cannot be read and is left as it is: " + error);
            highest = std::max(highest, fileHighest);
        }
        SyncTree local;
        std::int64_t localTime = 0;
        if (!m_local.Snapshot(m_state.tree, local, localTime, error))
            return Fail(SyncStatus::Failed, error);
        highest = std::max({highest, m_state.tree.HighestNumericId(), local.HighestNumericId()});
        std::int64_t next = highest + 1;
        NumberRemoteItems(remote, next);
        MatchNewLocalItems(local, &m_state.tree, remote, next);

        MergeInput in;
        in.base = &m_state.tree;
        in.local = &local;
        in.remote = &remote;
        in.localTime = localTime > 0 ? localTime : Now();
        in.remoteTime = remoteModified > 0 ? remoteModified : Now();
        in.direction = m_o.direction;
        in.nextId = next;
        MergeResult m = Merge(in);
        highest = m.nextId - 1;

        if (!AllowDeletions(m.localDeletions, static_cast<int>(local.BookmarkCount()), true) ||
            !AllowDeletions(m.remoteDeletions, static_cast<int>(remote.BookmarkCount()), false))
            return Fail(SyncStatus::Declined,
                        "The sync was stopped before deleting bookmarks; nothing was changed.");

        bool writeRemote = m.remoteChanged || !exists;
        bool writeLocal = m.localChanged;
        if (m_o.direction == Direction::Up)
            writeLocal = false;
        if (m_o.direction == Direction::Down) {
            if (!exists)
                return Fail(SyncStatus::Failed, "There is no shared file at " + m_share.Describe() +
                                                    " to take the bookmarks from yet.");
            writeRemote = false;
        }
        if (writeRemote || writeLocal) {
            std::string dir = BackupDir(m_o.stateDir);
            std::string stamp = Stamp(Now());
            if (exists && !WriteBackup(dir, "remote-" + stamp + ".xbel", bytes, error))
                return Fail(SyncStatus::Failed, "No backup could be made, so nothing was changed: " + error);
            if (!WriteBackup(dir, "local-" + stamp + ".xbel", TreeToXbel(local, -1), error))
                return Fail(SyncStatus::Failed, "No backup could be made, so nothing was changed: " + error);
            Prune(dir, "remote-", m_o.keepBackups);
            Prune(dir, "local-", m_o.keepBackups);
        }
        std::string newEtag = etag;
        if (Cancelled())
            return false;
        if (writeRemote) {
            // A last look: a server that ignores If-Match still cannot let a writer that
            // came in meanwhile lose its changes, short of the last instant.
            Checkpoint("before-upload");
            std::string nowEtag;
            std::int64_t nowModified = 0;
            ShareResult s = m_share.Stat(nowEtag, nowModified);
            if (exists && s.Ok() && nowEtag != etag) {
                again = true;
                return true;
            }
            if (!exists && s.Ok()) {
                again = true;
                return true;
            }
            Progress("Writing " + m_share.Describe());
            s = m_share.Write(TreeToXbel(m.merged, highest), etag, newEtag);
            if (s.status == ShareStatus::Conflict) {
                again = true;
                return true;
            }
            if (!s.Ok())
                return Fail(s.status == ShareStatus::Offline ? SyncStatus::Offline : FromShare(s.status),
                            s.message);
            if (newEtag.empty()) {
                std::int64_t t = 0;
                m_share.Stat(newEtag, t);
            }
            m_report.remoteWritten = true;
            Checkpoint("after-upload");
        }
        if (writeLocal) {
            Progress("Changing the bookmarks here");
            if (!m_local.Apply(local, m.merged, error))
                return Fail(SyncStatus::Failed, "The bookmarks here could not be changed: " + error);
            m_report.localWritten = true;
            Checkpoint("after-local");
        } else {
            // Nothing changes here, but the merged tree still needs our references.
            for (const auto& [id, item] : local.Items())
                if (SyncItem* mi = m.merged.Find(id))
                    mi->local = item.local;
        }
        Count(local, remote, m);
        m_state.dataDir = m_local.DataDir();
        m_state.share = m_share.Describe();
        m_state.etag = newEtag;
        m_state.highestId = highest;
        m_state.time = Now();
        m_state.tree = std::move(m.merged);
        if (!SaveState(m_statePath, m_state, error))
            return Fail(SyncStatus::Failed, "The sync state could not be saved: " + error);
        m_report.status = SyncStatus::Done;
        m_report.message = Summary();
        return true;
    }

    bool AllowDeletions(int deletions, int total, bool here) {
        // A tenth of a handful is one bookmark: asking for every single delete in a small
        // collection would teach people to say yes without reading.
        if (deletions * 10 <= total || deletions <= kAlwaysAllowedDeletions)
            return true;
        return m_o.confirmDeletions && m_o.confirmDeletions(deletions, total, here);
    }

    void Count(const SyncTree& local, const SyncTree& remote, const MergeResult& m) {
        for (const auto& [id, item] : m.merged.Items()) {
            if (!local.Find(id) && m_report.localWritten)
                ++m_report.added;
            if (!remote.Find(id) && m_report.remoteWritten)
                ++m_report.uploaded;
        }
        if (m_report.localWritten)
            for (const auto& [id, item] : local.Items())
                if (!m.merged.Find(id))
                    ++m_report.removed;
        m_report.copies = m.copies;
    }

    std::string Summary() const {
        if (!m_report.localWritten && !m_report.remoteWritten)
            return "Up to date.";
        std::string s = "Synced: " + std::to_string(m_report.added) + " new here, " +
                        std::to_string(m_report.removed) + " moved to the trash, " +
                        std::to_string(m_report.uploaded) + " new on the share";
        if (m_report.copies)
            s += ", " + std::to_string(m_report.copies) + " kept twice after changes on both sides";
        return s + ".";
    }

    SyncShare& m_share;
    LocalSide& m_local;
    const SyncOptions& m_o;
    SyncReport m_report;
    SyncState m_state;
    std::string m_statePath;
    std::string m_client;
};

} // namespace

std::string BackupDir(const std::string& stateDir) {
    return (fs::path(stateDir) / "backups").string();
}

SyncReport RunSync(SyncShare& share, LocalSide& local, const SyncOptions& options) {
    Run run(share, local, options);
    return run.Go();
}

} // namespace vireo::sync

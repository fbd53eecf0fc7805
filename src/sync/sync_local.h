// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The database's side of a sync: the synced folder as a tree under the ids the last sync
// gave its items, and the merged tree put back through the store's own operations (new
// folders and bookmarks, renames, moves, and deletes into the trash), so the window and
// its undo see ordinary changes.

#include <cstdint>
#include <string>

#include "sync/sync_tree.h"

namespace vireo {
class Database;
}

namespace vireo::sync {

class LocalSide {
public:
    virtual ~LocalSide() = default;
    // The database the references in a state belong to.
    virtual std::string DataDir() = 0;
    // The synced folder. Items the last sync knew (`known`, by their "local" reference)
    // get its ids; others get "L" + their reference. `changeTime` is when the database
    // last changed (Unix seconds).
    virtual bool Snapshot(const SyncTree& known, SyncTree& out, std::int64_t& changeTime,
                          std::string& error) = 0;
    // Makes the folder what `merged` says (`before` is the snapshot it was merged from,
    // with the same ids) and saves the database; fills in the "local" reference of every
    // item of `merged`.
    virtual bool Apply(const SyncTree& before, SyncTree& merged, std::string& error) = 0;
};

class DatabaseSide : public LocalSide {
public:
    DatabaseSide(Database& db, std::int16_t folder) : m_db(db), m_folder(folder) {}
    std::string DataDir() override;
    bool Snapshot(const SyncTree& known, SyncTree& out, std::int64_t& changeTime,
                  std::string& error) override;
    bool Apply(const SyncTree& before, SyncTree& merged, std::string& error) override;

private:
    Database& m_db;
    std::int16_t m_folder;
};

} // namespace vireo::sync

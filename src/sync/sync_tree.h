// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Bookmark trees as sync compares them: every item under an id that both sides agree on
// (the id attribute of the shared XBEL file), and the three-way merge of what changed
// here and what changed on the share since the last sync saw both.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace vireo::sync {

struct SyncItem {
    std::string id;
    bool folder = false;
    std::string parent; // id of the folder holding it; "" for the top level
    std::string title;
    std::string url;
    std::string desc;
    std::int64_t added = 0;    // Unix seconds, 0 when unknown
    std::int64_t modified = 0; // Unix seconds of the last change we know of, 0 when unknown
    // Where it lives in the database: "f" + folder ID or "b" + bookmark key; "" elsewhere.
    std::string local;
    // The database cannot delete or rename it (a standard folder).
    bool fixed = false;
};

class SyncTree {
public:
    // Adds an item as the last child of its parent; false when the id is taken or empty.
    bool Add(SyncItem item);
    const SyncItem* Find(const std::string& id) const;
    SyncItem* Find(const std::string& id);
    // Ids of a folder's children in order ("" for the top level).
    const std::vector<std::string>& Children(const std::string& parent) const;
    std::size_t Size() const { return m_items.size(); }
    std::size_t BookmarkCount() const;
    const std::unordered_map<std::string, SyncItem>& Items() const { return m_items; }
    // Every item, parents before their children, each folder's children in order.
    std::vector<const SyncItem*> Walk() const;
    // The folder titles from the top down to (and with) the item, joined by '\x1f'.
    std::string Path(const std::string& id) const;
    // The largest numeric id, -1 when none is numeric.
    std::int64_t HighestNumericId() const;
    void Clear();
    // Replaces the children order of a folder (ids not in the tree are dropped).
    void SetChildren(const std::string& parent, std::vector<std::string> ids);

private:
    std::unordered_map<std::string, SyncItem> m_items;
    std::unordered_map<std::string, std::vector<std::string>> m_children;
};

enum class Direction { Both = 0, Up = 1, Down = 2 };

struct MergeInput {
    const SyncTree* base = nullptr; // what the last sync saw; null or empty on the first sync
    const SyncTree* local = nullptr;
    const SyncTree* remote = nullptr;
    // When each side's changes were made, for changes on both sides (Unix seconds); an
    // item's own `modified` wins over these when it is later than the base's.
    std::int64_t localTime = 0;
    std::int64_t remoteTime = 0;
    Direction direction = Direction::Both;
    // Next free numeric id for copies kept after conflicts.
    std::int64_t nextId = 1;
};

struct MergeResult {
    SyncTree merged;
    std::int64_t nextId = 1;
    int copies = 0;             // items kept twice after both sides changed them differently
    int conflicts = 0;          // items both sides changed
    int localDeletions = 0;     // bookmarks the merge removes from the database
    int remoteDeletions = 0;    // bookmarks the merge removes from the shared file
    bool remoteChanged = false; // the shared file must be written
    bool localChanged = false;  // the database must be changed
};

// Gives the local items that the last sync did not know an id: the remote item at the
// same folder path with the same address (a folder: the same path) when one is free,
// else a new numeric id from `nextId`. Run before the merge, on every sync, so that the
// first sync with an existing file and a sync after an interrupted one make no
// duplicates.
void MatchNewLocalItems(SyncTree& local, const SyncTree* base, const SyncTree& remote, std::int64_t& nextId);
// Gives remote items without an id (a file written by hand) new numeric ids.
void NumberRemoteItems(SyncTree& remote, std::int64_t& nextId);

MergeResult Merge(const MergeInput& in);

// True when two trees hold the same items with the same fields, parents and order.
bool SameContent(const SyncTree& a, const SyncTree& b);

} // namespace vireo::sync

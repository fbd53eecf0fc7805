// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/sync_xbel.h"

#include <unordered_set>

#include "interchange/xbel.h"

namespace vireo::sync {

namespace {

void Collect(const std::vector<xbel::Node>& nodes, const std::string& parent, SyncTree& out,
             std::unordered_set<std::string>& seen, int& fresh) {
    for (const xbel::Node& n : nodes) {
        SyncItem item;
        item.folder = n.folder;
        // An id written twice (a hand edit, a broken writer) is one item too many for the
        // same id: the second gets a new one instead of being dropped.
        item.id = n.id.empty() || seen.count(n.id) || n.id.rfind("new:", 0) == 0
                      ? "new:" + std::to_string(fresh++)
                      : n.id;
        seen.insert(item.id);
        item.parent = parent;
        item.title = n.title;
        item.url = n.url;
        item.desc = n.desc;
        item.added = n.added;
        item.modified = n.modified;
        std::string id = item.id;
        out.Add(std::move(item));
        if (n.folder)
            Collect(n.children, id, out, seen, fresh);
    }
}

void Emit(const SyncTree& tree, const std::string& parent, std::vector<xbel::Node>& out) {
    for (const std::string& id : tree.Children(parent)) {
        const SyncItem* item = tree.Find(id);
        if (!item)
            continue;
        xbel::Node n;
        n.folder = item->folder;
        n.id = item->id;
        n.title = item->title;
        n.url = item->url;
        n.desc = item->desc;
        n.added = item->added;
        n.modified = item->modified;
        if (item->folder)
            Emit(tree, id, n.children);
        out.push_back(std::move(n));
    }
}

} // namespace

bool TreeFromXbel(std::string_view bytes, SyncTree& out, std::int64_t& highestId, std::string& error) {
    out.Clear();
    xbel::Document doc;
    if (!xbel::Parse(bytes, doc, error))
        return false;
    std::unordered_set<std::string> seen;
    int fresh = 0;
    Collect(doc.items, "", out, seen, fresh);
    highestId = std::max(doc.highestId, out.HighestNumericId());
    return true;
}

std::string TreeToXbel(const SyncTree& tree, std::int64_t highestId) {
    xbel::Document doc;
    Emit(tree, "", doc.items);
    doc.highestId = std::max(highestId, tree.HighestNumericId());
    return xbel::Serialize(doc);
}

} // namespace vireo::sync

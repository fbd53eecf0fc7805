// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/sync_tree.h"

#include <charconv>
#include <deque>
#include <map>
#include <unordered_set>

namespace vireo::sync {

namespace {
const std::vector<std::string> kNoChildren;

bool IsNumber(const std::string& s, std::int64_t& v) {
    if (s.empty())
        return false;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    return ec == std::errc() && p == s.data() + s.size() && v >= 0;
}

bool SameContentFields(const SyncItem& a, const SyncItem& b) {
    return a.title == b.title && a.url == b.url && a.desc == b.desc && a.folder == b.folder;
}

// Rebuilds `tree` with ids replaced through `rename` (ids absent from it stay).
SyncTree Renamed(const SyncTree& tree, const std::unordered_map<std::string, std::string>& rename) {
    auto mapped = [&](const std::string& id) {
        auto it = rename.find(id);
        return it == rename.end() ? id : it->second;
    };
    SyncTree out;
    for (const SyncItem* item : tree.Walk()) {
        SyncItem copy = *item;
        copy.id = mapped(item->id);
        copy.parent = item->parent.empty() ? std::string() : mapped(item->parent);
        out.Add(std::move(copy));
    }
    return out;
}
} // namespace

bool SyncTree::Add(SyncItem item) {
    if (item.id.empty() || m_items.count(item.id))
        return false;
    m_children[item.parent].push_back(item.id);
    std::string id = item.id;
    m_items.emplace(std::move(id), std::move(item));
    return true;
}

const SyncItem* SyncTree::Find(const std::string& id) const {
    auto it = m_items.find(id);
    return it == m_items.end() ? nullptr : &it->second;
}

SyncItem* SyncTree::Find(const std::string& id) {
    auto it = m_items.find(id);
    return it == m_items.end() ? nullptr : &it->second;
}

const std::vector<std::string>& SyncTree::Children(const std::string& parent) const {
    auto it = m_children.find(parent);
    return it == m_children.end() ? kNoChildren : it->second;
}

std::size_t SyncTree::BookmarkCount() const {
    std::size_t n = 0;
    for (const auto& [id, item] : m_items)
        n += item.folder ? 0 : 1;
    return n;
}

std::vector<const SyncItem*> SyncTree::Walk() const {
    std::vector<const SyncItem*> out;
    out.reserve(m_items.size());
    // Only items reachable from the top level: a parent that is missing or a loop leaves
    // nothing half-placed, because the merge never produces either.
    std::vector<std::pair<const std::vector<std::string>*, std::size_t>> stack;
    stack.emplace_back(&Children(""), 0);
    std::unordered_set<std::string> seen;
    while (!stack.empty()) {
        auto& [list, index] = stack.back();
        if (index >= list->size()) {
            stack.pop_back();
            continue;
        }
        const SyncItem* item = Find((*list)[index++]);
        if (!item || !seen.insert(item->id).second)
            continue;
        out.push_back(item);
        if (item->folder)
            stack.emplace_back(&Children(item->id), 0);
    }
    return out;
}

std::string SyncTree::Path(const std::string& id) const {
    std::vector<const SyncItem*> chain;
    const SyncItem* item = Find(id);
    while (item && chain.size() < 4096) {
        chain.push_back(item);
        item = item->parent.empty() ? nullptr : Find(item->parent);
    }
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!path.empty())
            path += '\x1f';
        path += (*it)->title;
    }
    return path;
}

std::int64_t SyncTree::HighestNumericId() const {
    std::int64_t highest = -1;
    for (const auto& [id, item] : m_items) {
        std::int64_t v = 0;
        if (IsNumber(id, v) && v > highest)
            highest = v;
    }
    return highest;
}

void SyncTree::Clear() {
    m_items.clear();
    m_children.clear();
}

void SyncTree::SetChildren(const std::string& parent, std::vector<std::string> ids) {
    std::vector<std::string> kept;
    kept.reserve(ids.size());
    for (auto& id : ids) {
        const SyncItem* item = Find(id);
        if (item && item->parent == parent)
            kept.push_back(std::move(id));
    }
    m_children[parent] = std::move(kept);
}

bool SameContent(const SyncTree& a, const SyncTree& b) {
    if (a.Size() != b.Size())
        return false;
    for (const auto& [id, x] : a.Items()) {
        const SyncItem* y = b.Find(id);
        if (!y || !SameContentFields(x, *y) || x.parent != y->parent)
            return false;
        if (x.folder && a.Children(id) != b.Children(id))
            return false;
    }
    return a.Children("") == b.Children("");
}

void NumberRemoteItems(SyncTree& remote, std::int64_t& nextId) {
    std::unordered_map<std::string, std::string> rename;
    for (const auto& [id, item] : remote.Items()) {
        std::int64_t v = 0;
        if (!IsNumber(id, v))
            rename[id] = std::to_string(nextId++);
    }
    if (!rename.empty())
        remote = Renamed(remote, rename);
}

void MatchNewLocalItems(SyncTree& local, const SyncTree* base, const SyncTree& remote, std::int64_t& nextId) {
    // Remote items that nothing local claims yet, by path (folders) and by path of the
    // parent plus address (bookmarks); equal keys are taken in order.
    std::unordered_set<std::string> claimed;
    for (const auto& [id, item] : local.Items()) {
        if (remote.Find(id) || (base && base->Find(id)))
            claimed.insert(id);
    }
    std::unordered_map<std::string, std::deque<std::string>> freeRemote;
    auto keyOf = [](const SyncTree& t, const SyncItem& item) {
        if (item.folder)
            return "F" + t.Path(item.id);
        return "B" + (item.parent.empty() ? std::string() : t.Path(item.parent)) + '\x1e' + item.url;
    };
    for (const SyncItem* item : remote.Walk()) {
        if (!claimed.count(item->id) && !(base && base->Find(item->id)))
            freeRemote[keyOf(remote, *item)].push_back(item->id);
    }
    std::unordered_map<std::string, std::string> rename;
    // Parents first: a folder matched by path lets its children be matched under it.
    for (const SyncItem* item : local.Walk()) {
        if (claimed.count(item->id))
            continue;
        auto it = freeRemote.find(keyOf(local, *item));
        std::string id;
        if (it != freeRemote.end() && !it->second.empty()) {
            id = it->second.front();
            it->second.pop_front();
        } else {
            id = std::to_string(nextId++);
        }
        rename[item->id] = id;
    }
    if (!rename.empty())
        local = Renamed(local, rename);
}

namespace {

struct Merger {
    const MergeInput& in;
    const SyncTree& base;
    const SyncTree& local;
    const SyncTree& remote;
    MergeResult out;
    std::unordered_map<std::string, SyncItem> chosen; // id -> merged item (parent may be dangling)
    std::vector<std::string> copyIds;

    // Time of a side's change to an item: its own stamp when it moved past the base's.
    std::int64_t ChangeTime(const SyncItem& item, const SyncItem* b, std::int64_t sideTime) const {
        if (item.modified > 0 && (!b || item.modified > b->modified))
            return item.modified;
        return sideTime;
    }

    bool LocalWins(const SyncItem& l, const SyncItem& r, const SyncItem* b) const {
        return ChangeTime(l, b, in.localTime) > ChangeTime(r, b, in.remoteTime);
    }

    void Both(const SyncItem& l, const SyncItem& r, const SyncItem* b) {
        SyncItem m = r;
        m.local = l.local;
        m.fixed = l.fixed;
        bool lc = !b || !SameContentFields(l, *b);
        bool rc = !b || !SameContentFields(r, *b);
        if (SameContentFields(l, r)) {
            m.modified = std::max(l.modified, r.modified);
        } else if (!rc || (lc && l.fixed)) {
            CopyContent(m, l);
        } else if (!lc) {
            // remote content already in m
        } else {
            ++out.conflicts;
            bool localWins = LocalWins(l, r, b);
            const SyncItem& winner = localWins ? l : r;
            const SyncItem& loser = localWins ? r : l;
            CopyContent(m, winner);
            if (!l.folder && !r.folder && l.url != r.url) {
                SyncItem copy = loser;
                copy.id = std::to_string(out.nextId++);
                copy.local.clear();
                copy.fixed = false;
                copyIds.push_back(copy.id);
                chosen.emplace(copy.id, std::move(copy));
                ++out.copies;
            }
        }
        bool lp = !b || l.parent != b->parent;
        bool rp = !b || r.parent != b->parent;
        if (l.parent == r.parent || !lp)
            m.parent = r.parent;
        else if (!rp)
            m.parent = l.parent;
        else
            m.parent = LocalWins(l, r, b) ? l.parent : r.parent;
        chosen.emplace(m.id, std::move(m));
    }

    static void CopyContent(SyncItem& to, const SyncItem& from) {
        to.title = from.title;
        to.url = from.url;
        to.desc = from.desc;
        to.modified = from.modified;
    }

    void Run() {
        out.nextId = in.nextId;
        std::vector<std::string> ids;
        ids.reserve(local.Size() + remote.Size());
        for (const SyncItem* i : local.Walk())
            ids.push_back(i->id);
        for (const SyncItem* i : remote.Walk())
            if (!local.Find(i->id))
                ids.push_back(i->id);
        for (const std::string& id : ids) {
            const SyncItem* l = local.Find(id);
            const SyncItem* r = remote.Find(id);
            const SyncItem* b = base.Find(id);
            if (in.direction == Direction::Up) {
                if (l)
                    chosen.emplace(id, *l);
                continue;
            }
            if (in.direction == Direction::Down) {
                if (r) {
                    SyncItem m = *r;
                    if (l) {
                        m.local = l->local;
                        m.fixed = l->fixed;
                        if (l->fixed)
                            m.title = l->title;
                    }
                    chosen.emplace(id, std::move(m));
                } else if (l && l->fixed) {
                    chosen.emplace(id, *l);
                }
                continue;
            }
            if (l && r) {
                Both(*l, *r, b);
            } else if (l) {
                // Gone from the share: deleted there unless we never shared it, or we
                // changed it since (then our change outlives their delete).
                bool changed = !b || !SameContentFields(*l, *b) || l->parent != b->parent;
                if (changed || l->fixed)
                    chosen.emplace(id, *l);
            } else if (r) {
                bool changed = !b || !SameContentFields(*r, *b) || r->parent != b->parent;
                if (changed)
                    chosen.emplace(id, *r);
            }
        }
        Resurrect();
        BreakLoops();
        Build();
    }

    // An item kept under a folder the other side deleted brings that folder back, so
    // nothing kept is left without a place.
    void Resurrect() {
        std::vector<std::string> pending;
        for (const auto& [id, item] : chosen)
            if (!item.parent.empty() && !chosen.count(item.parent))
                pending.push_back(item.parent);
        while (!pending.empty()) {
            std::string id = pending.back();
            pending.pop_back();
            if (id.empty() || chosen.count(id))
                continue;
            const SyncItem* src = local.Find(id);
            if (!src)
                src = remote.Find(id);
            if (!src)
                src = base.Find(id);
            if (!src || !src->folder)
                continue; // handled below: orphans go to the top level
            SyncItem m = *src;
            if (!local.Find(id))
                m.local.clear();
            chosen.emplace(id, m);
            if (!m.parent.empty())
                pending.push_back(m.parent);
        }
        for (auto& [id, item] : chosen) {
            auto p = chosen.find(item.parent);
            if (!item.parent.empty() && (p == chosen.end() || !p->second.folder))
                item.parent.clear();
        }
    }

    // Moves on both sides can make two folders each other's parent: the folder that
    // closes a loop goes to the top level.
    void BreakLoops() {
        std::unordered_map<std::string, int> state; // 1 visiting, 2 done
        for (auto& [start, startItem] : chosen) {
            std::vector<std::string> path;
            std::string id = start;
            while (!id.empty() && !state.count(id)) {
                state[id] = 1;
                path.push_back(id);
                id = chosen[id].parent;
            }
            if (!id.empty() && state[id] == 1)
                chosen[id].parent.clear();
            for (auto& p : path)
                state[p] = 2;
        }
    }

    // Each folder's order: the share's (we keep no order of our own), with what only we
    // hold placed after its neighbour in our order.
    void Build() {
        auto place = [&](const SyncTree& side, const std::string& parent, std::vector<std::string>& seq,
                         std::unordered_set<std::string>& placed) {
            const auto& order = side.Children(parent);
            for (std::size_t i = 0; i < order.size(); ++i) {
                const std::string& id = order[i];
                auto it = chosen.find(id);
                if (it == chosen.end() || it->second.parent != parent || placed.count(id))
                    continue;
                // After its nearest placed predecessor on this side.
                std::size_t at = seq.size();
                for (std::size_t j = i; j-- > 0;) {
                    if (placed.count(order[j])) {
                        for (std::size_t k = 0; k < seq.size(); ++k)
                            if (seq[k] == order[j]) {
                                at = k + 1;
                                break;
                            }
                        break;
                    }
                }
                seq.insert(seq.begin() + static_cast<std::ptrdiff_t>(at), id);
                placed.insert(id);
            }
        };
        // Folders of the result, parents first, so the tree can be added top-down.
        std::unordered_map<std::string, std::vector<std::string>> byParent;
        for (const auto& [id, item] : chosen)
            byParent[item.parent].push_back(id);
        SyncTree& t = out.merged;
        std::deque<std::string> queue{""};
        while (!queue.empty()) {
            std::string parent = queue.front();
            queue.pop_front();
            std::vector<std::string> seq;
            std::unordered_set<std::string> placed;
            const SyncTree& first = in.direction == Direction::Up ? local : remote;
            const SyncTree& second = in.direction == Direction::Up ? remote : local;
            place(first, parent, seq, placed);
            place(second, parent, seq, placed);
            for (const auto& id : copyIds) {
                if (!placed.count(id) && chosen[id].parent == parent) {
                    seq.push_back(id);
                    placed.insert(id);
                }
            }
            for (const auto& id : byParent[parent]) // anything else (resurrected folders)
                if (!placed.count(id)) {
                    seq.push_back(id);
                    placed.insert(id);
                }
            for (const auto& id : seq) {
                SyncItem& item = chosen[id];
                t.Add(item);
                if (item.folder)
                    queue.push_back(id);
            }
        }
        out.remoteChanged = !SameContent(t, remote);
        out.localChanged = false;
        for (const auto& [id, item] : t.Items()) {
            const SyncItem* l = local.Find(id);
            if (!l || !SameContentFields(*l, item) || l->parent != item.parent) {
                out.localChanged = true;
                break;
            }
        }
        for (const auto& [id, item] : local.Items()) {
            if (!t.Find(id)) {
                out.localChanged = true;
                out.localDeletions += item.folder ? 0 : 1;
            }
        }
        for (const auto& [id, item] : remote.Items())
            if (!t.Find(id) && !item.folder)
                ++out.remoteDeletions;
    }
};

} // namespace

MergeResult Merge(const MergeInput& in) {
    static const SyncTree kEmpty;
    Merger m{in, in.base ? *in.base : kEmpty, *in.local, *in.remote, {}, {}, {}};
    m.Run();
    return std::move(m.out);
}

} // namespace vireo::sync

// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/sync_local.h"

#include <charconv>
#include <filesystem>
#include <unordered_map>
#include <unordered_set>

#include "mainwindow/folder_moves.h"
#include "store/database.h"

namespace vireo::sync {

namespace {

std::string FolderRef(std::int16_t id) {
    return "f" + std::to_string(id);
}
std::string MarkRef(std::int32_t key) {
    return "b" + std::to_string(key);
}

bool ParseRef(const std::string& ref, char kind, std::int64_t& value) {
    if (ref.size() < 2 || ref[0] != kind)
        return false;
    auto [p, ec] = std::from_chars(ref.data() + 1, ref.data() + ref.size(), value);
    return ec == std::errc() && p == ref.data() + ref.size();
}

// Folders that never sync: what the trash holds and search results are this machine's.
bool Excluded(std::int16_t id) {
    return id == kTrashFolder || id == kSearchResultsFolder;
}

std::int64_t FileTime(const std::string& path) {
    std::error_code ec;
    auto t = std::filesystem::last_write_time(path, ec);
    if (ec)
        return 0;
    auto sys = std::chrono::file_clock::to_sys(t);
    return std::chrono::duration_cast<std::chrono::seconds>(sys.time_since_epoch()).count();
}

} // namespace

std::string DatabaseSide::DataDir() {
    return m_db.DBPath();
}

bool DatabaseSide::Snapshot(const SyncTree& known, SyncTree& out, std::int64_t& changeTime,
                            std::string& error) {
    out.Clear();
    if (!m_db.IsLiveFolder(m_folder) || m_db.InTrash(m_folder)) {
        error = "The folder to sync (" + std::to_string(m_folder) + ") does not exist.";
        return false;
    }
    std::unordered_map<std::string, std::string> ids;
    for (const auto& [id, item] : known.Items())
        if (!item.local.empty())
            ids.emplace(item.local, id);
    auto idOf = [&](const std::string& ref) {
        auto it = ids.find(ref);
        return it == ids.end() ? "L" + ref : it->second;
    };
    OleDateCache dates;
    auto children = m_db.ChildLists();
    // Parents before children: a queue over the folder tree below the synced folder.
    std::vector<std::pair<std::int16_t, std::string>> queue{{m_folder, ""}};
    for (std::size_t q = 0; q < queue.size(); ++q) {
        auto [folder, parentId] = queue[q];
        for (std::int16_t sub : children[static_cast<std::size_t>(folder)]) {
            if (Excluded(sub))
                continue;
            SyncItem item;
            item.folder = true;
            item.local = FolderRef(sub);
            item.id = idOf(item.local);
            item.parent = parentId;
            item.title = m_db.FolderName(sub);
            item.added = dates.ToUnix(m_db.Folder(sub).Created);
            item.fixed = sub <= kTrashFolder;
            queue.emplace_back(sub, item.id);
            out.Add(std::move(item));
        }
        const clsBookmark& marks = m_db.Marks(folder);
        for (std::int32_t pos = 1; pos <= marks.Total(); ++pos) {
            const BookmarkRecord& r = marks.At(pos);
            if (r.key == 0 || r.Name == 0)
                continue;
            SyncItem item;
            item.local = MarkRef(r.key);
            item.id = idOf(item.local);
            item.parent = parentId;
            item.title = m_db.Memo().GetMemo(r.Name);
            item.url = m_db.Memo().GetMemo(r.url);
            item.desc = m_db.Memo().GetMemo(r.Description);
            item.added = dates.ToUnix(r.added);
            out.Add(std::move(item));
        }
    }
    const std::string dir = m_db.DBPath();
    changeTime = std::max(FileTime(dir + "/BOOKMARKS"), FileTime(dir + "/FOLDERS"));
    return true;
}

bool DatabaseSide::Apply(const SyncTree& before, SyncTree& merged, std::string& error) {
    auto folderOf = [&](const std::string& parentId) -> std::int16_t {
        if (parentId.empty())
            return m_folder;
        const SyncItem* p = merged.Find(parentId);
        std::int64_t v = 0;
        if (p && ParseRef(p->local, 'f', v) && m_db.IsLiveFolder(static_cast<std::int32_t>(v)))
            return static_cast<std::int16_t>(v);
        return m_folder;
    };
    // Where each bookmark of the snapshot lies now, to find it again.
    std::unordered_map<std::int32_t, std::int16_t> markFolder;
    for (const auto& [id, item] : before.Items()) {
        std::int64_t key = 0;
        if (!item.folder && ParseRef(item.local, 'b', key))
            markFolder[static_cast<std::int32_t>(key)] = folderOf(item.parent);
    }
    // The parents' references are only known for the merged tree once its folders are
    // placed, so folders go first, top-down.
    for (const SyncItem* cItem : merged.Walk()) {
        if (!cItem->folder)
            continue;
        SyncItem& item = *merged.Find(cItem->id);
        const SyncItem* was = before.Find(item.id);
        std::int16_t parent = folderOf(item.parent);
        std::int64_t v = 0;
        if (was && ParseRef(was->local, 'f', v) && m_db.IsLiveFolder(static_cast<std::int32_t>(v))) {
            auto id = static_cast<std::int16_t>(v);
            item.local = was->local;
            if (!was->fixed && item.title != was->title && !item.title.empty()) {
                m_db.Folder(id).Name.Set(item.title);
                if (m_db.Services().tree)
                    m_db.Services().tree->SetNodeText(FolderNodeKey(id), m_db.FolderName(id));
            }
            if (m_db.Folder(id).Parent != parent && !was->fixed)
                MoveFolder(m_db, id, parent);
            continue;
        }
        std::int16_t id = m_db.AddFolder(item.title.empty() ? std::string("Folder") : item.title, parent,
                                         FolderKind::Ordinary);
        if (id == 0) {
            error = "The folder table is full: no more folders can be made.";
            return false;
        }
        if (item.added > 0)
            m_db.Folder(id).Created = OleFromUnix(item.added);
        item.local = FolderRef(id);
    }
    OleDateCache dates;
    clsMemo& memo = m_db.Memo();
    for (const SyncItem* cItem : merged.Walk()) {
        if (cItem->folder)
            continue;
        SyncItem& item = *merged.Find(cItem->id);
        const SyncItem* was = before.Find(item.id);
        std::int16_t parent = folderOf(item.parent);
        std::int64_t key = 0;
        // A bookmark without a title would be dropped at the next save.
        std::string title = item.title.empty() ? item.url : item.title;
        if (title.empty())
            title = "(untitled)";
        if (was && ParseRef(was->local, 'b', key)) {
            auto k = static_cast<std::int32_t>(key);
            auto at = markFolder.find(k);
            BookmarkRecord* r = at == markFolder.end() ? nullptr : m_db.Marks(at->second).Find(k);
            if (r) {
                item.local = was->local;
                if (item.title != was->title)
                    r->Name = memo.SetMemo(r->Name, title);
                if (item.url != was->url)
                    r->url = memo.SetMemo(r->url, item.url);
                if (item.desc != was->desc)
                    r->Description = memo.SetMemo(r->Description, item.desc);
                if (at->second != parent) {
                    m_db.Marks(at->second).Copy(k);
                    m_db.copyBuffer.Parent = parent;
                    m_db.Marks(parent).AddPaste();
                    m_db.Marks(at->second).Zap(k);
                    at->second = parent;
                }
                continue;
            }
        }
        BookmarkRecord r = m_db.NewMark(title, item.url, parent, item.desc, kFlagsFound);
        if (item.added > 0) {
            r.added = dates.ToOle(item.added);
            r.Touched = r.added;
        }
        std::int32_t k = m_db.Marks(parent).Add(r);
        item.local = MarkRef(k);
    }
    // What the merge dropped goes into the trash: bookmarks one by one unless their whole
    // folder goes, folders only at the top of what goes.
    std::unordered_set<std::string> gone;
    for (const auto& [id, item] : before.Items())
        if (!merged.Find(id))
            gone.insert(id);
    auto parentGone = [&](const SyncItem& item) { return !item.parent.empty() && gone.count(item.parent); };
    for (const auto& id : gone) {
        const SyncItem& item = *before.Find(id);
        std::int64_t v = 0;
        if (parentGone(item))
            continue;
        if (!item.folder && ParseRef(item.local, 'b', v)) {
            auto k = static_cast<std::int32_t>(v);
            auto at = markFolder.find(k);
            if (at != markFolder.end())
                m_db.Marks(at->second).Kill(k, false);
        }
    }
    for (const auto& id : gone) {
        const SyncItem& item = *before.Find(id);
        std::int64_t v = 0;
        if (item.folder && !item.fixed && !parentGone(item) && ParseRef(item.local, 'f', v) &&
            m_db.IsLiveFolder(static_cast<std::int32_t>(v)) && v > kTrashFolder)
            m_db.KillFolder(static_cast<std::int16_t>(v), false);
    }
    if (!m_db.Save(&error))
        return false;
    m_db.RefreshList();
    return true;
}

} // namespace vireo::sync

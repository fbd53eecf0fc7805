// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/drops.h"

#include <filesystem>

#include "interchange/favorites.h"
#include "mainwindow/folder_moves.h"
#include "shell/options.h"
#include "store/database.h"
#include "store/default_content.h"

namespace fs = std::filesystem;

namespace vireo {

namespace {

// BmkDrop: 0 files at once, 1 asks when the link has no title, 2 always asks.
bool ShouldAsk(const Registry& reg, const BookmarkRecord& record) {
    switch (GetBmkDrop(reg)) {
    case 2:
        return true;
    case 1:
        return record.Name == 0;
    default:
        return false;
    }
}

void FileOrAsk(Database& db, const Registry& reg, BookmarkRecord record, std::int16_t folder,
               const AskForBookmark& ask) {
    db.copyBuffer = record;
    if (ask && ShouldAsk(reg, record)) {
        ask(record);
        return;
    }
    std::int32_t key = 0;
    db.Marks(folder).Add(key, record.Flags, record.UserFlags, record.Parent, record.Name, record.Description,
                         record.url, record.Checked, record.Touched, record.added, record.Rank);
}

// Our own bookmarks: kinds 0 and 1 move them (same keys, same texts), kind 2 copies them.
bool MoveBookmarks(Database& db, const DragPayload& payload, std::int16_t target) {
    std::int16_t source = payload.source;
    if (!db.IsLiveFolder(source))
        return false;
    bool copy = payload.kind == kDragCopyBookmarks;
    // Moving bookmarks onto their own folder changes nothing.
    if (!copy && source == target)
        return false;
    bool changed = false;
    clsMemo& memo = db.Memo();
    for (std::int32_t key : payload.keys) {
        if (key <= 0 || db.Marks(source).PositionOf(key) == 0)
            continue;
        db.Marks(source).Copy(key);
        if (copy) {
            // A copy gets texts of its own: sharing them would let deleting one bookmark
            // take the other's title and address with it.
            BookmarkRecord r = db.copyBuffer;
            r.Name = r.Name ? memo.Add(memo.GetMemo(r.Name)) : 0;
            r.url = r.url ? memo.Add(memo.GetMemo(r.url)) : 0;
            r.Description = r.Description ? memo.Add(memo.GetMemo(r.Description)) : 0;
            r.key = 0;
            r.Parent = target;
            db.Marks(target).Add(r);
        } else {
            db.Marks(target).AddPaste();
            db.Marks(source).Zap(key);
        }
        changed = true;
    }
    return changed;
}

bool ImportDirectory(Database& db, const std::string& path, std::int16_t target) {
    fs::path dir(path);
    std::string name = dir.filename().string();
    if (name.empty())
        name = dir.parent_path().filename().string(); // the path ended with a separator
    if (name.empty())
        name = path;
    std::int16_t folder = db.AddFolder(name, target, FolderKind::Imported);
    if (folder == 0) {
        db.PlaySound(SoundEvent::RejectBookmark);
        return false;
    }
    std::string scan = path;
    if (scan.back() != '/')
        scan += '/';
    ScanFavorites(db, scan, "*.url", folder);
    return true;
}

std::string CountOf(std::size_t n, std::string_view thing) {
    return std::to_string(n) + " " + std::string(thing) + (n == 1 ? "" : "s");
}

bool IsDirectory(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

} // namespace

std::string DroppedFileTitle(const std::string& path) {
    std::string name = fs::path(path).filename().string();
    std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

bool AddDroppedText(Database& db, const Registry& reg, std::string_view text, std::string_view title,
                    std::int16_t folder, const AskForBookmark& ask) {
    std::string url = ExtractUrl(text);
    if (url.empty() || !db.IsLiveFolder(folder)) {
        db.PlaySound(SoundEvent::RejectBookmark);
        return false;
    }
    db.PlaySound(SoundEvent::DropBookmark);
    FileOrAsk(db, reg, db.NewMark(CleanTitle(title), url, folder, "", kFlagsDroppedLink), folder, ask);
    return true;
}

bool AddDroppedFile(Database& db, const Registry& reg, const std::string& path, std::int16_t flags,
                    std::int16_t folder, const AskForBookmark& ask) {
    std::string url = IsDirectory(path) ? std::string() : ReadUrlFile(path);
    if (url.empty() || !db.IsLiveFolder(folder)) {
        db.PlaySound(SoundEvent::RejectBookmark);
        return false;
    }
    db.PlaySound(SoundEvent::DropBookmark);
    FileOrAsk(db, reg, db.NewMark(DroppedFileTitle(path), url, folder, "", flags), folder, ask);
    return true;
}

DropOutcome DropData(Database& db, const Registry& reg, const DropContent& data, std::int16_t target,
                     const AskForBookmark& ask) {
    DropOutcome outcome;
    if (!db.IsLiveFolder(target))
        return outcome;
    HistoryStep step(db, "Drop");
    if (data.ours) {
        DragPayload payload;
        if (!ReadDragData(data.payload, payload) || payload.kind < 0)
            return outcome;
        if (payload.kind <= 2) {
            outcome.changed = MoveBookmarks(db, payload, target);
            outcome.selectFolder = target;
            step.SetLabel(std::string(payload.kind == kDragCopyBookmarks ? "Copy " : "Move ") +
                          CountOf(payload.keys.size(), "bookmark"));
        } else if (payload.kind >= 8 && payload.kind <= 10) {
            outcome.changed = MoveFolder(db, payload.source, target);
            step.SetLabel("Move Folder");
        }
        return outcome;
    }
    if (!data.links.empty()) {
        for (const DroppedLink& link : data.links)
            outcome.changed |= AddDroppedText(db, reg, link.text, link.title, target, ask);
        step.SetLabel(data.links.size() == 1 ? std::string("Add Link")
                                             : "Add " + CountOf(data.links.size(), "link"));
        return outcome;
    }
    step.SetLabel(data.files.size() == 1 ? std::string("Add Shortcut")
                                         : "Add " + CountOf(data.files.size(), "shortcut"));
    for (const std::string& path : data.files) {
        if (IsDirectory(path)) {
            if (!ImportDirectory(db, path, target))
                break;
            outcome.changed = true;
        } else {
            outcome.changed |= AddDroppedFile(db, reg, path, kFlagsDroppedFile, target, ask);
        }
    }
    return outcome;
}

DropOutcome DropOnFolder(Database& db, const Registry& reg, const DropContent& data, std::int16_t folder,
                         const AskForBookmark& ask) {
    DropOutcome outcome;
    HistoryStep step(db, data.links.size() + data.files.size() > 1 ? "Add Links" : "Add Link");
    if (data.ours) {
        // Our own bookmarks and folders have no address of their own to file here.
        db.PlaySound(SoundEvent::RejectBookmark);
        return outcome;
    }
    if (!data.links.empty()) {
        for (const DroppedLink& link : data.links)
            outcome.changed |= AddDroppedText(db, reg, link.text, link.title, folder, ask);
        return outcome;
    }
    for (const std::string& path : data.files)
        outcome.changed |= AddDroppedFile(db, reg, path, kFlagsDroppedFile, folder, ask);
    return outcome;
}

} // namespace vireo

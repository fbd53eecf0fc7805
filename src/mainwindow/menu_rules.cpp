// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/menu_rules.h"

#include "store/database.h"

namespace vireo {

FolderMenuState PrepareFolderMenu(const Database& db, std::int16_t folder, bool rightButton, bool canPaste) {
    using namespace folder_menu;
    FolderMenuState m{};
    for (int i = kCut; i <= kMove; ++i)
        m[i].enabled = false;
    m[kRerunSearch].visible = false;
    m[kRestore].visible = false;
    if (!rightButton || !db.IsLiveFolder(folder))
        return m;
    // Any folder copies; the standard ones stay where they are, so they do not cut.
    m[kCut].enabled = true;
    m[kCopy].enabled = folder != kTrashFolder;
    m[kPaste].enabled = canPaste;
    switch (FolderKindOf(db.Folder(folder))) {
    case FolderKind::Standard:
    case FolderKind::HomePage:
    case FolderKind::Trash:
        for (int i : {kDelete, kProperties, kRename, kCut, kMove})
            m[i].enabled = false;
        break;
    case FolderKind::SearchResults:
        m[kRerunSearch].visible = true;
        break;
    default:
        break;
    }
    if (db.InTrash(folder)) {
        // Inside the trash a folder goes back (Restore) or goes for good.
        for (int i = kRerunSearch; i <= kMoveSeparator; ++i)
            m[i].visible = false;
        for (int i = kMove; i <= kFolderMenuEntries; ++i)
            m[i] = MenuEntryState{};
        return m;
    }
    m[kRestore].enabled = false;
    return m;
}

BookmarkMenuState PrepareBookmarkMenu(std::int32_t selectedKey, bool canPaste, bool inTrash) {
    using namespace bookmark_menu;
    BookmarkMenuState m{};
    for (int i : {kClipboardSeparator, kMoveSeparator, kMove})
        m[i].enabled = false;
    m[kRestore].enabled = inTrash;
    if (selectedKey == 0) {
        // Nothing to act on; a new bookmark can still be made in the folder.
        for (int i = kOpen; i <= kBookmarkMenuEntries; ++i)
            m[i].enabled = false;
    }
    // Paste needs no bookmark to act on: an empty folder takes one too.
    m[kPaste].enabled = canPaste;
    return m;
}

bool CanRerunSearch(const Database& db, std::int16_t folder) {
    return db.IsLiveFolder(folder) && FolderKindOf(db.Folder(folder)) == FolderKind::SearchResults;
}

bool CanRenameFolder(const Database& db, std::int16_t folder) {
    if (!db.IsLiveFolder(folder) || folder <= kTrashFolder)
        return false;
    FolderKind kind = FolderKindOf(db.Folder(folder));
    return kind != FolderKind::Standard && kind != FolderKind::HomePage && kind != FolderKind::Trash;
}

} // namespace vireo

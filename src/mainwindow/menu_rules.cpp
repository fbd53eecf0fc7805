// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/menu_rules.h"

#include "store/database.h"

namespace vireo {

FolderMenuState PrepareFolderMenu(const Database& db, std::int16_t folder, bool rightButton, bool canPaste) {
    FolderMenuState m{};
    for (int i = 8; i <= 12; ++i)
        m[i].enabled = false;
    m[1].visible = false;
    m[15].visible = false;
    if (!rightButton || !db.IsLiveFolder(folder))
        return m;
    // Any folder copies; the standard ones stay where they are, so they do not cut.
    m[8].enabled = true;
    m[9].enabled = folder != kTrashFolder;
    m[10].enabled = canPaste;
    switch (FolderKindOf(db.Folder(folder))) {
    case FolderKind::Standard:
    case FolderKind::HomePage:
    case FolderKind::Trash:
        for (int i : {14, 17, 3, 8, 12})
            m[i].enabled = false;
        break;
    case FolderKind::SearchResults:
        m[1].visible = true;
        break;
    default:
        break;
    }
    if (db.InTrash(folder)) {
        // Inside the trash a folder goes back (Restore) or goes for good.
        for (int i = 1; i <= 11; ++i)
            m[i].visible = false;
        for (int i = 12; i <= kFolderMenuEntries; ++i)
            m[i] = MenuEntryState{};
        return m;
    }
    m[15].enabled = false;
    return m;
}

BookmarkMenuState PrepareBookmarkMenu(std::int32_t selectedKey, bool canPaste, bool inTrash) {
    BookmarkMenuState m{};
    for (int i : {4, 8, 9})
        m[i].enabled = false;
    m[11].enabled = inTrash;
    if (selectedKey == 0) {
        // Nothing to act on; a new bookmark can still be made in the folder.
        for (int i = 2; i <= kBookmarkMenuEntries; ++i)
            m[i].enabled = false;
    }
    // Paste needs no bookmark to act on: an empty folder takes one too.
    m[7].enabled = canPaste;
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

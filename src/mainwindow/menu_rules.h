// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Which entries of the context menus are shown and enabled, decided from the folder that
// was clicked. Entries are numbered from 1 in menu order, separators included.

#include <array>
#include <cstdint>

namespace vireo {

class Database;

struct MenuEntryState {
    bool visible = true;
    bool enabled = true;
};

// Folder menu: 1 Rerun Search, 2 New Folder, 3 Rename, 4 -, 5 View as Web page,
// 6 View as Home page, 7 -, 8 Cut, 9 Copy, 10 Paste, 11 -, 12 Move, 13 Empty, 14 Delete,
// 15 Restore, 16 -, 17 Properties.
inline constexpr int kFolderMenuEntries = 17;
using FolderMenuState = std::array<MenuEntryState, kFolderMenuEntries + 1>; // [0] unused

// Bookmark menu: 1 New Bookmark, 2 Open, 3 Search for this, 4 -, 5 Cut, 6 Copy, 7 Paste,
// 8 -, 9 Move, 10 Delete, 11 Restore, 12 -, 13 Properties.
inline constexpr int kBookmarkMenuEntries = 13;
using BookmarkMenuState = std::array<MenuEntryState, kBookmarkMenuEntries + 1>;

// `rightButton` false gives the reset state a left click leaves behind. `canPaste` tells
// whether the clipboard holds anything Paste could file.
FolderMenuState PrepareFolderMenu(const Database& db, std::int16_t folder, bool rightButton,
                                  bool canPaste = false);
// `selectedKey` 0 is no bookmark (nothing selected, or the "(Empty)" row); `inTrash` says
// the list shows the trash or a folder inside it.
BookmarkMenuState PrepareBookmarkMenu(std::int32_t selectedKey, bool canPaste = false, bool inTrash = false);

// Whether the Search menu's Rerun Search applies to the selected folder.
bool CanRerunSearch(const Database& db, std::int16_t folder);

// Folders whose name the user may change (the standard folders, the home page folder and
// the trash keep theirs).
bool CanRenameFolder(const Database& db, std::int16_t folder);

} // namespace vireo

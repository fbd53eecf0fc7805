// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Which entries of the context menus are shown and enabled, decided from the folder that
// was clicked. Entries are numbered as in menu_entries.h.

#include <array>
#include <cstdint>

#include "mainwindow/menu_entries.h"

namespace vireo {

class Database;

struct MenuEntryState {
    bool visible = true;
    bool enabled = true;
};

// The entries these rules decide; the folder menu's Check Links follows the views.
inline constexpr int kFolderMenuEntries = folder_menu::kProperties;
using FolderMenuState = std::array<MenuEntryState, kFolderMenuEntries + 1>; // [0] unused

inline constexpr int kBookmarkMenuEntries = bookmark_menu::kProperties;
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

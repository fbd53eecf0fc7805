// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The command dispatchers of the menus: each receives the index of the clicked entry in
// its menu (menu_entries.h) and ignores indices it does not know.

#include "mainwindow/menu_entries.h"

namespace vireo {

class frmMain;
struct BrowserProfile;

void FolderMenuCommand(frmMain& main, int index);
void BookmarkMenuCommand(frmMain& main, int index);
void FileMenuCommand(frmMain& main, int index);
void EditMenuCommand(frmMain& main, int index);
void ImportMenuCommand(frmMain& main, int index);
void ExportMenuCommand(frmMain& main, int index);
void SearchMenuCommand(frmMain& main, int index);
void RunSearchMenuCommand(frmMain& main, int index);
void ToolsMenuCommand(frmMain& main, int index);
void HelpMenuCommand(frmMain& main, int index);
// Imports one profile that the Import menu listed.
void ImportProfileCommand(frmMain& main, const BrowserProfile& profile);
// The hidden test menu: Purge Database purges the whole database.
void TestMenuCommand(frmMain& main, int index);

// The prompts of the export commands' folder chooser.
inline constexpr const char* kExportFavoritesPrompt =
    "Select the folder of bookmarks you would like to be exported to your Explorer Favorites.";
inline constexpr const char* kExportNetscapePrompt =
    "Select the folder of bookmarks you would like to be exported to your Netscape bookmarks.";
inline constexpr const char* kExportXbelPrompt =
    "Select the folder of bookmarks you would like to be exported to an XBEL file.";
inline constexpr const char* kMoveFolderPrompt = "Select the folder to move this folder into.";

} // namespace vireo

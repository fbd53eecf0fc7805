// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The index of every menu entry, by menu. An entry's index is its position in its menu,
// counted from 1 with separators and hidden entries included; the dispatchers of
// menu_commands.h receive it and the menus' slot vectors are indexed by it. The numbers
// are fixed: entries added later take numbers after the last ones, wherever they show.
//
// Plain int constants rather than scoped enums: the index travels as an int all the way
// (the action's dispatch, the slot vectors, the preparation rules walking ranges of
// entries, indices a dispatcher ignores), so a name stands wherever a number did, without
// a cast; the namespace keeps one menu's Cut apart from another's.

namespace vireo {

// The menu bar's array: 1 and 2 hold the context menus and never show in the bar.
namespace main_menu {
inline constexpr int kFolderMenu = 1;
inline constexpr int kBookmarkMenu = 2;
inline constexpr int kFile = 3;
inline constexpr int kTest = 4; // hidden
inline constexpr int kEdit = 5;
inline constexpr int kSearch = 6;
inline constexpr int kTools = 7;
inline constexpr int kHelp = 8;
} // namespace main_menu

// The context menu of a folder in the tree.
namespace folder_menu {
inline constexpr int kRerunSearch = 1;
inline constexpr int kNewFolder = 2;
inline constexpr int kRename = 3;
inline constexpr int kViewsSeparator = 4;
inline constexpr int kViewAsWebPage = 5;
inline constexpr int kViewAsHomePage = 6;
inline constexpr int kClipboardSeparator = 7;
inline constexpr int kCut = 8;
inline constexpr int kCopy = 9;
inline constexpr int kPaste = 10;
inline constexpr int kMoveSeparator = 11;
inline constexpr int kMove = 12;
inline constexpr int kEmpty = 13;
inline constexpr int kDelete = 14;
inline constexpr int kRestore = 15;
inline constexpr int kPropertiesSeparator = 16;
inline constexpr int kProperties = 17;
// Shown after the views, numbered after the rest.
inline constexpr int kCheckLinks = 18;
} // namespace folder_menu

// The context menu of a bookmark in the list.
namespace bookmark_menu {
inline constexpr int kNewBookmark = 1;
inline constexpr int kOpen = 2;
inline constexpr int kSearchForThis = 3;
inline constexpr int kClipboardSeparator = 4;
inline constexpr int kCut = 5;
inline constexpr int kCopy = 6;
inline constexpr int kPaste = 7;
inline constexpr int kMoveSeparator = 8;
inline constexpr int kMove = 9;
inline constexpr int kDelete = 10;
inline constexpr int kRestore = 11;
inline constexpr int kPropertiesSeparator = 12;
inline constexpr int kProperties = 13;
} // namespace bookmark_menu

// File; 2 and 5 are separators.
namespace file_menu {
inline constexpr int kViewMyHomepage = 1;
inline constexpr int kImport = 3;
inline constexpr int kExport = 4;
inline constexpr int kExit = 6;
} // namespace file_menu

// File > Import.
namespace import_menu {
inline constexpr int kFavorites = 1;
inline constexpr int kNetscape = 2;
inline constexpr int kHtml = 3;
inline constexpr int kFirefox = 4;
inline constexpr int kChromium = 5;
inline constexpr int kXbel = 6;
// The submenu of the browser profiles found.
inline constexpr int kBrowserProfile = 7;
} // namespace import_menu

// File > Export.
namespace export_menu {
inline constexpr int kFavorites = 1;
inline constexpr int kNetscape = 2;
inline constexpr int kHtml = 3;
inline constexpr int kXbel = 4;
} // namespace export_menu

// Edit; 3 and 7 are separators.
namespace edit_menu {
inline constexpr int kUndo = 1;
inline constexpr int kRedo = 2;
inline constexpr int kCut = 4;
inline constexpr int kCopy = 5;
inline constexpr int kPaste = 6;
inline constexpr int kDelete = 8;
} // namespace edit_menu

// Search; 4 is a separator.
namespace search_menu {
inline constexpr int kRun = 1; // the submenu below
inline constexpr int kRerunSearch = 2;
inline constexpr int kUpdateResults = 3; // never enabled
inline constexpr int kManageGroups = 5;
inline constexpr int kUpdateEngines = 6;
} // namespace search_menu

// Search > Run: each entry's index is also the mode of the search dialog it opens.
namespace run_search_menu {
inline constexpr int kQuick = 1;
inline constexpr int kAdvanced = 2;
} // namespace run_search_menu

// Tools; 2 and 6 are separators.
namespace tools_menu {
inline constexpr int kFind = 1;
inline constexpr int kEmptyTrash = 3;
inline constexpr int kHomepageOptions = 4;
inline constexpr int kVerifyLinks = 5;
inline constexpr int kOptions = 7;
inline constexpr int kSync = 8;
} // namespace tools_menu

// Help; 2 and 6 are separators.
namespace help_menu {
inline constexpr int kHelpTopics = 1;
inline constexpr int kContents = 3;       // hidden
inline constexpr int kCheckForUpdate = 4; // never enabled
inline constexpr int kSkylark = 5;
inline constexpr int kWebSite = 7;
inline constexpr int kSupportOnline = 8;
inline constexpr int kAbout = 9;
} // namespace help_menu

// The hidden test menu.
namespace test_menu {
inline constexpr int kPurgeDatabase = 1;
inline constexpr int kTestOne = 2;
} // namespace test_menu

} // namespace vireo

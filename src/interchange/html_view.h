// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A folder's bookmarks as a simple web page: a link list for an ordinary folder ("Vireo
// View") and a numbered table with descriptions and ranks for a folder of search results
// ("Vireo Search View"). Texts and addresses are escaped.

#include <cstdint>
#include <string>
#include <string_view>

namespace vireo {

class Database;

inline constexpr std::string_view kSaveHtmlDialogTitle = "Save as HTML";

// Why no page can be written for a folder without bookmarks of its own ("" when it has
// some): a page lists one folder's bookmarks, not those of the folders below it.
std::string NothingToViewMessage(const Database& db, std::int16_t folder);
inline constexpr std::string_view kViewFileName = "view.htm";

// The head lines of every page we write: the texts are UTF-8, and the generator.
inline constexpr std::string_view kCharsetMeta =
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">";
inline constexpr std::string_view kGeneratorMeta = "<meta name=\"GENERATOR\" content=\"Vireo 2.0\">";

// Q + text + Q (Q a double quote).
std::string Quoted(std::string_view text);

// "<br>" and one "<a href=...>title</a><br>" per bookmark of the folder, on one line.
std::string FolderLinkList(const Database& db, std::int16_t folder);

// The footer paragraph of every page we write.
std::string PageFooter();

// Copies MarkHead.gif, div.gif and tabback.gif from the program folder's image/ folder
// into the data folder when the data folder has no div.gif, so that pages written there
// show them.
void CopyViewImages(const std::string& dbPath, const std::string& programFolder);

// Write the page of the folder into `fileName` (replacing it) and return the number of
// bookmarks in the folder; 0 means nothing was written (an empty file name, an empty
// folder, or a failed write, which `error` then explains).
std::int32_t SaveFolderView(const Database& db, std::string& fileName, std::int16_t folder,
                            std::string* error = nullptr);
std::int32_t SaveSearchView(const Database& db, std::string& fileName, std::int16_t folder,
                            std::string* error = nullptr);
// The search view for a folder of search results (its query not empty), else the folder
// view.
std::int32_t SaveView(const Database& db, std::string& fileName, std::int16_t folder,
                      std::string* error = nullptr);

} // namespace vireo

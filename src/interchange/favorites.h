// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The Favorites folder: a tree of directories holding one Internet shortcut (".url") file
// per link. Imported into a new folder tree, exported into a "Vireo" directory inside it.

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>

#include "interchange/exchange_result.h"

namespace vireo {

class Database;
class Registry;

inline constexpr std::string_view kFavoritesImportFolder = "Imported from Explorer";
inline constexpr std::string_view kFavoritesImportDescription = "Imported from Explorer";
inline constexpr std::string_view kNoFavoritesMessage =
    "Unable to find Favorites directory, can not export Vireo.";
inline constexpr std::string_view kFavoritesExportFolder = "Vireo";

// The user's Favorites folder as the settings name it ("" when they do not).
std::string FavoritesFolder(const Registry& reg);

// Imports the Favorites folder `favoritesDir` into a new folder "Imported from Explorer"
// under the top folder. An empty path imports nothing.
ExchangeResult ImportFavorites(Database& db, const std::string& favoritesDir);

// Imports one directory (`dir` ends with a separator) into the folder `parent`, and the
// directories below it. `pattern` is "*.url"; the text after its first character cuts
// titles. False when the folder table filled up (the scan stops there).
bool ScanFavorites(Database& db, const std::string& dir, std::string_view pattern, std::int16_t parent,
                   std::int32_t* folders = nullptr, std::int32_t* bookmarks = nullptr);

// The address in an Internet shortcut file, or "" when it holds none in its first six
// lines or cannot be read.
std::string ReadUrlFile(const std::string& path);
// The same rule on the file's text.
std::string UrlFromShortcutText(std::string_view text);
// The text of a shortcut file for an address.
std::string ShortcutFileText(std::string_view url);

// Replaces \ / : ? " < > | * by "_".
std::string SafeFileName(std::string_view text);
// A directory name made from a folder name: SafeFileName cut to fit the file system,
// never empty, never "." or "..".
std::string SafeDirName(std::string_view name);

// The file names already given out during one export, per directory, so that two
// bookmarks of one name get "Name.url" and "Name (2).url" instead of one file.
class FavNameTable {
public:
    // A free name based on `base` in `dir`, claimed for this export.
    std::string Claim(const std::string& dir, const std::string& base);

private:
    std::map<std::string, std::set<std::string>> m_used;
};

// Exports the folder `folder` with its subfolders into Favorites + "/Vireo/". A folder
// below 1 does nothing. A missing Favorites folder gives the "Unable to find" message.
ExchangeResult ExportFavorites(const Database& db, std::int16_t folder, const std::string& favoritesDir);

struct FavExportProgress {
    std::int32_t files = 0;
    std::int32_t folders = 0;
    std::int32_t failures = 0;
    std::string firstError;
};

// Exports one folder into the directory `path` and its subfolders into directories below
// it. On return `path` has lost its last component; `depth` is as it was.
void ExportFavFolder(const Database& db, std::int16_t folder, std::string& path, int& depth,
                     FavNameTable& names, FavExportProgress& progress);
// One shortcut file per bookmark of the folder.
void WriteFavBookmarks(const Database& db, std::int16_t folder, const std::string& dir, FavNameTable& names,
                       FavExportProgress& progress);
// Writes the shortcut file of one bookmark into `dir` (ending with a separator) and
// returns its path ("" when it could not be written; `error` tells why). Without a name
// table an existing file of the same name is replaced.
std::string WriteUrlFile(const Database& db, std::int16_t folder, std::int32_t key, const std::string& dir,
                         FavNameTable* names = nullptr, std::string* error = nullptr);

} // namespace vireo

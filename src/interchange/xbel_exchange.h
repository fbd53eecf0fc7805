// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// XBEL files and the database: importing one as a new folder tree, and writing a folder
// with everything below it as one.

#include <cstdint>
#include <string>
#include <string_view>

#include "interchange/exchange_result.h"
#include "interchange/xbel.h"

namespace vireo {

class Database;

inline constexpr std::string_view kXbelImportFolder = "Imported from XBEL";
inline constexpr std::string_view kXbelImportDescription = "Imported from XBEL";
inline constexpr std::string_view kXbelImportTitle = "Import XBEL";
inline constexpr std::string_view kXbelExportTitle = "Export to XBEL";
inline constexpr std::string_view kXbelImportDialogTitle = "Select XBEL Bookmark File to Import";
inline constexpr std::string_view kXbelFileFilter = "XBEL Bookmarks|*.xbel;*.xml|All files (*.*)|*.*";

// Imports the XBEL file at `path` into a new folder "Imported from XBEL" under the top
// folder, its top-level folders and bookmarks directly below. A file that is not XBEL, or
// holds no bookmark, is refused with a message and the database unchanged.
ExchangeResult ImportXbel(Database& db, const std::string& path, const ProgressFn& progress = {});

// The reader behind ImportXbel, for browsers whose own store is an XBEL file.
struct XbelImportTexts {
    std::string_view title;       // of the messages
    std::string_view folderName;  // the import folder under the top folder
    std::string_view description; // given to bookmarks without one of their own
    std::int16_t flags = 0;       // the bookmarks' origin
};
ExchangeResult ImportXbelAs(Database& db, const std::string& path, const XbelImportTexts& texts,
                            const ProgressFn& progress = {});

// Writes the folder's bookmarks and subfolders, all the way down, as a complete XBEL file
// at `path` (replaced atomically). The document's title is the folder's name; the trash
// is left out.
ExchangeResult ExportXbel(const Database& db, std::int16_t folder, const std::string& path);

// The document ExportXbel writes.
xbel::Document XbelFromFolder(const Database& db, std::int16_t folder);

} // namespace vireo

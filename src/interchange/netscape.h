// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The Netscape bookmark file: reading one into a new folder tree, and writing a folder
// tree into one (appended as a block, or as a complete file of its own).

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "interchange/exchange_result.h"

namespace vireo {

class Database;

// One bookmark as read from a bookmark file (texts already decoded).
struct NetscapeBookmark {
    std::string title;
    std::string url;
    std::string description; // from a <DD> line; empty when there was none
    bool hasDescription = false;
    std::int64_t added = 0;   // Unix seconds; 0 when the file gave none
    std::int64_t touched = 0; // latest of the last visit and last change; 0 when none
};

// Where the reader files what it reads. Folder handles are the builder's own numbers;
// the root handle is given to ReadNetscapeText.
class NetscapeBuilder {
public:
    virtual ~NetscapeBuilder() = default;
    // A new folder under `parent`; returns its handle, or 0 to stop reading.
    virtual std::int32_t AddFolder(std::int32_t parent, std::string_view name) = 0;
    // False stops reading.
    virtual bool AddBookmark(std::int32_t folder, const NetscapeBookmark& mark) = 0;
};

// Reads the decoded text of a bookmark file line by line. Returns false when the builder
// stopped it. `progress` (optional) hears the characters read so far.
bool ReadNetscapeText(std::string_view text, std::int32_t root, NetscapeBuilder& builder,
                      const ProgressFn& progress = {});

inline constexpr std::string_view kNetscapeImportFolder = "Imported from Netscape";
inline constexpr std::string_view kNetscapeImportDescription = "Imported from Netscape";
inline constexpr std::string_view kHtmlFileFilter = "HTML Files|*.htm;*.html|All files (*.*)|*.*";
inline constexpr std::string_view kNetscapeImportDialogTitle = "Select Netscape Bookmark File to Import";
inline constexpr std::string_view kNetscapeBrowseQuestion =
    "Unable to locate your Netscape bookmark file.  Would you like to browse for it?";
inline constexpr std::string_view kNetscapeExportTitle = "Export to Netscape";

// True for the descriptions the program files by itself ("Imported from Netscape" and its
// like): they say nothing a browser needs, so exports leave them out.
bool IsStandInDescription(std::string_view description);

// Imports the bookmark file at `path` into a new folder "Imported from Netscape" under
// the top folder. A missing file does nothing (ok false, no message). The caller plays
// the import sound.
ExchangeResult ImportNetscape(Database& db, const std::string& path, const ProgressFn& progress = {});

// The export block of a folder: "<DL><p>", the product folder line, the folder's list
// and "</DL><p>", every line ended by CR LF.
std::string NetscapeExportBlock(const Database& db, std::int16_t folder);
// The list of one folder with all folders below it, at the given depth (raised while
// writing and lowered again on return).
void WriteNetscapeFolder(const Database& db, std::int16_t folder, std::string& out, int& depth);
// The bookmark lines of one folder.
void WriteNetscapeBookmarks(const Database& db, std::int16_t folder, std::string_view indent,
                            std::string& out);

// Appends the folder's block to the bookmark file `bookmarkFile` (the one found in the
// browser's profile), first keeping the old file as the ".bak" file when there is no
// backup yet. A folder below 1 does nothing.
ExchangeResult ExportNetscape(const Database& db, std::int16_t folder, const std::string& bookmarkFile);

// Writes a complete bookmark file of its own (header, title, heading and the folder's
// block) that browsers import, replacing `path`.
ExchangeResult ExportNetscapeFile(const Database& db, std::int16_t folder, const std::string& path);

// The clipboard's HTML: a bookmark-file fragment of the bookmarks `keys` of `folder`, or
// (no keys) of the folder itself, its heading first, with everything below it.
std::string NetscapeFragment(const Database& db, std::int16_t folder,
                             std::span<const std::int32_t> keys = {});
// Whether HTML holds the entries of a bookmark file (a fragment copied by us or a browser).
bool LooksLikeBookmarkList(std::string_view html);
// Files the folders and bookmarks of a bookmark-file fragment into `folder`: ordinary
// folders, bookmarks with the origin of dropped links. The counts are in the result.
ExchangeResult PasteNetscapeText(Database& db, std::string_view html, std::int16_t folder);

} // namespace vireo

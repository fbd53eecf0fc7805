// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// XBEL 1.0, the bookmark file of KDE's programs and of the sync tools that exchange
// bookmarks through a shared file. Reading and writing work on a plain tree, so that both
// the import and the sync can use them without a database.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vireo::xbel {

struct Node {
    bool folder = false;
    std::string id; // the element's id attribute as written, "" when none
    std::string title;
    std::string url; // a bookmark's href
    std::string desc;
    std::int64_t added = 0;     // Unix seconds (XBEL writes ISO 8601 text); 0 when none
    std::int64_t modified = 0;  // Unix seconds; 0 when none
    std::vector<Node> children; // a folder's folders and bookmarks, in order
};

struct Document {
    std::string title;           // the top-level <title>, if any
    std::vector<Node> items;     // the top level's folders and bookmarks, in order
    std::int64_t highestId = -1; // the "highestId :N:" comment floccus writes; -1 when absent
};

// Folders nested deeper than this are refused rather than followed.
inline constexpr int kMaxDepth = 200;

// What the reader finds, in file order, for callers that keep it their own way (the import
// files it into its own tree, with no document in between). After a refusal the sink may
// hold part of the file: drop it.
class Sink {
public:
    virtual ~Sink() = default;
    virtual void Title(std::string&& title) = 0; // the top-level <title>
    virtual void HighestId(std::int64_t id) = 0;
    // A folder with its attributes (no children); its items follow, then CloseFolder.
    virtual void OpenFolder(Node&& folder) = 0;
    // The innermost open folder's title and desc, which may come after some of its items.
    virtual void FolderTitle(std::string&& title) = 0;
    virtual void FolderDesc(std::string&& desc) = 0;
    virtual void CloseFolder() = 0;
    // A bookmark of the innermost open folder, or of the top level when none is open.
    virtual void Bookmark(Node&& bookmark) = 0;
};

// Refuses what is not XBEL (error says why); never loads external entities or DTDs,
// bounded nesting; separators and unknown elements skipped; entities decoded.
bool Parse(std::string_view bytes, Sink& sink, std::string& error);
bool Parse(std::string_view bytes, Document& out, std::string& error);

// XBEL 1.0 with its DOCTYPE; when highestId >= 0 the floccus comment
// "<!--- highestId :N: for Floccus bookmark sync browser extension -->" right after <xbel>;
// id attributes written when non-empty; texts escaped; UTF-8.
std::string Serialize(const Document& doc);

// ISO 8601 date and time ("2024-05-01T12:30:00Z", with or without seconds, fraction or
// offset; a date alone is midnight UTC) as Unix seconds; 0 when it is none. Plain digits
// are taken as Unix seconds, as some writers put them there.
std::int64_t ParseDate(std::string_view text);
// Unix seconds as "YYYY-MM-DDThh:mm:ssZ".
std::string FormatDate(std::int64_t seconds);

} // namespace vireo::xbel

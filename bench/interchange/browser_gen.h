// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One deterministic bookmark collection written four ways: as a Netscape bookmark file,
// as a Firefox places.sqlite, as a Chromium-family Bookmarks file and as XBEL, so that the
// imports can be timed on the same bookmarks. Each import files the same folders and
// bookmarks; what only one format knows (separators, saved searches, tags) is written
// where the format has it and is skipped by the reader as a real one is.

#include <cstdint>
#include <string>
#include <vector>

namespace vireo::bench {

struct BrowserSize {
    std::int32_t bookmarks = 100000;
    std::int32_t folders = 2000; // besides the four roots
    int maxDepth = 6;
    std::uint32_t seed = 20261208;
};

enum class EntryKind : std::uint8_t { Folder, Bookmark, Separator, Query };

// The four roots of a Firefox profile; the Chromium file keeps the menu as a folder of
// its "other" root, since it has no menu of its own.
enum class RootKind : std::uint8_t { Menu, Toolbar, Unfiled, Mobile };
inline constexpr int kRootCount = 4;

struct BrowserEntry {
    EntryKind kind = EntryKind::Bookmark;
    std::int32_t parent = -1; // index of the folder entry; -1 for a root
    std::string title;        // plain text, not HTML
    std::string url;          // bookmarks and queries
    std::string description;  // may be empty
    std::string tag;          // at most one, may be empty
    std::int64_t added = 0;   // microseconds since 1970
    std::int64_t modified = 0;
    std::int64_t visited = 0; // 0 when never visited
};

struct BrowserBookmarks {
    // Depth first: every folder is followed by everything below it, each folder's
    // entries in their order.
    std::vector<BrowserEntry> entries;
    // Where each root's entry stands; its subtree runs up to the next root's (or the end).
    std::int32_t roots[kRootCount] = {};
    std::int32_t bookmarks = 0; // entries of kind Bookmark
    std::int32_t folders = 0;   // folder entries, roots included
};

BrowserBookmarks GenerateBrowserBookmarks(const BrowserSize& size = {});

// Each writer is false with a reason when the file cannot be written.
bool WriteNetscapeBookmarks(const BrowserBookmarks& b, const std::string& path, std::string* error);
// Built from the browser's schema (`schemaFile`, SQL) with the bookmarks added to it.
bool WritePlacesDatabase(const BrowserBookmarks& b, const std::string& path, const std::string& schemaFile,
                         std::string* error);
bool WriteChromiumBookmarks(const BrowserBookmarks& b, const std::string& path, std::string* error);
// Written by the program's own XBEL writer, as another program's would be.
bool WriteXbelBookmarks(const BrowserBookmarks& b, const std::string& path, std::string* error);

// All four in `dir` (made when missing) under these names, the database from the schema
// of the source tree.
inline constexpr const char* kNetscapeFileName = "bookmarks.html";
inline constexpr const char* kPlacesFileName = "places.sqlite";
inline constexpr const char* kChromiumFileName = "Bookmarks";
inline constexpr const char* kXbelFileName = "bookmarks.xbel";
bool WriteBrowserFiles(const std::string& dir, const BrowserSize& size, std::string* error);

} // namespace vireo::bench

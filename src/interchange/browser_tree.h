// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the browser readers build before anything reaches the database: the whole tree
// in memory, each node after its parent, so that filing it is one pass in order.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "interchange/exchange_result.h"

namespace vireo {

class Database;

namespace browser_import {

struct Node {
    std::int32_t parent = -1; // index of the parent folder; -1 for the import folder itself
    bool folder = false;
    std::string title;
    std::string url;
    std::int64_t added = 0;   // Unix seconds; 0 when the browser kept none
    std::int64_t touched = 0; // Unix seconds; 0 when none
    std::string description;  // the bookmark's own; "" gives it the import's
};

struct Tree {
    std::vector<Node> nodes;
    std::int32_t folders = 0;
    std::int32_t bookmarks = 0;

    std::int32_t AddFolder(std::int32_t parent, std::string title) {
        Node n;
        n.parent = parent;
        n.folder = true;
        n.title = std::move(title);
        nodes.push_back(std::move(n));
        ++folders;
        return static_cast<std::int32_t>(nodes.size()) - 1;
    }
    void AddBookmark(Node n) {
        nodes.push_back(std::move(n));
        ++bookmarks;
    }

    // What the tree held before a root was read, so that a root that filed nothing
    // (only separators and queries) can be taken back out.
    struct Mark {
        std::size_t nodes;
        std::int32_t folders;
        std::int32_t bookmarks;
    };
    Mark Here() const { return {nodes.size(), folders, bookmarks}; }
    // A root left empty is not worth a folder; one the user gave subfolders is kept.
    void DropIfEmpty(const Mark& m) {
        if (bookmarks != m.bookmarks || folders != m.folders + 1)
            return;
        nodes.resize(m.nodes);
        folders = m.folders;
    }
};

// A plausible date as Unix seconds, else 0 (OLE dates end with the year 9999).
inline std::int64_t PlausibleSeconds(std::int64_t seconds) {
    return seconds > 0 && seconds < INT64_C(253402300799) ? seconds : 0;
}

// `source` names either the browser's store itself or the profile folder that holds it
// under `fileName`.
std::filesystem::path StoreFile(const std::string& source, const char* fileName);

// Saved searches ("place:" queries), which mean something only inside the browser.
bool IsBrowserInternal(std::string_view url);

struct FilingTexts {
    std::string_view folderName;  // the import folder under the top folder
    std::string_view description; // given to every bookmark that brings none
    std::int16_t flags = 0;       // the bookmarks' origin
};

// Files a tree that was read whole into a new import folder under the top folder.
// `result` already holds the title; ok, folder, counts and messages are filled in.
void FileTree(Database& db, const Tree& tree, const FilingTexts& texts, ExchangeResult& result);

// A refusal: nothing was filed.
ExchangeResult Refusal(std::string title, std::string message);

// What one browser's import is called: "Import from <browser>" for its messages, and
// "Imported from <browser>" for its folder and its bookmarks' description.
struct BrowserTexts {
    std::string browser; // its name
    std::string title;
    std::string folderName;
    std::int16_t flags = 0;
    FilingTexts Filing() const { return {folderName, folderName, flags}; }
};
BrowserTexts TextsOf(std::string_view browserName, std::int16_t flags);

// The readers of each kind of store, under the texts of the browser that wrote it.
// Firefox's places.sqlite, or one of its backups (.jsonlz4 or .json).
ExchangeResult ImportFirefoxStore(Database& db, const std::string& source, const BrowserTexts& texts,
                                  const ProgressFn& progress);
// The JSON file of the Chromium family ("Bookmarks") and of Falkon ("bookmarks.json").
ExchangeResult ImportChromiumStore(Database& db, const std::string& source, const char* fileName,
                                   const BrowserTexts& texts, const ProgressFn& progress);
// qutebrowser's configuration folder, or its bookmarks/urls or quickmarks file.
ExchangeResult ImportQutebrowser(Database& db, const std::string& source, const ProgressFn& progress);

// Firefox's backups: "mozLz40\0", the JSON's length as 4 bytes little-endian, one LZ4 block.
bool IsMozLz4(std::string_view bytes);
bool DecodeMozLz4(std::string_view bytes, std::string& out, std::string& error);
// The roots of a backup (compressed or plain JSON) into `tree`; false with the reason.
bool ReadFirefoxBackup(std::string_view bytes, Tree& tree, std::string& error);

} // namespace browser_import
} // namespace vireo

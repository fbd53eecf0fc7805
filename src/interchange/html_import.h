// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Importing the links of any HTML page: one link at most per line, as the page's lines
// come.

#include <cstdint>
#include <string>
#include <string_view>

#include "interchange/exchange_result.h"

namespace vireo {

class Database;

inline constexpr std::string_view kImportHtmlTitle = "Import HTML";
inline constexpr std::string_view kImportHtmlQuestion =
    "The HTML file you select will have its links imported into the currently selected folder.  Continue?";
inline constexpr std::string_view kImportHtmlDialogTitle = "Select HTML File to Import";
inline constexpr std::string_view kNoLinksFound = "No links found";
inline constexpr std::string_view kHtmlImportDescription = "Imported from HTML";

// The link of one line: the first double-quoted value of a line that mentions HREF, and
// the text up to "</A>" (an image's source when the link shows an image). False when the
// line holds no link.
bool ParseLink(std::string_view line, std::string& address, std::string& text);

// The first run of text outside tags ("" when a "<" is never closed).
std::string StripTags(std::string_view text);

// Imports the web links (http: and https:) of the page at `path` into a new folder, named
// after the file, under `target` (the top folder when `target` is not a folder). A page
// without links gives the "No links found" message and creates nothing.
ExchangeResult ImportHtml(Database& db, const std::string& path, std::int16_t target);

} // namespace vireo

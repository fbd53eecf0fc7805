// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The summary under the bookmark list: a few lines of rich text describing the folder or
// bookmark under the mouse pointer.

#include <cstdint>
#include <string>
#include <string_view>

namespace vireo {

class Database;

// Backslashes and braces in a value would end or open RTF groups: escape them.
std::string RtfEscape(std::string_view text);

std::string FolderSummaryRtf(const Database& db, std::int16_t folder);
std::string BookmarkSummaryRtf(const Database& db, std::int16_t folder, std::int32_t key);

// What the pane shows, so that moving the mouse within one row costs nothing: "F" + folder
// number, "B" + bookmark key, or "" for nothing.
std::string FolderTag(std::int16_t folder);
std::string BookmarkTag(std::int32_t key);

} // namespace vireo

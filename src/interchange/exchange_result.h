// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What an import or export hands back to the window or command that started it: whether
// it ran, what it made, and the message (with its title) the user is to see, if any. The
// core never opens a window; the caller shows the message.

#include <cstdint>
#include <functional>
#include <string>

namespace vireo {

struct ExchangeResult {
    bool ok = false;
    std::string message;     // "" when there is nothing to tell
    std::string title;       // the message box's title
    bool warning = false;    // the message reports a problem rather than information
    std::int16_t folder = 0; // the folder an import created (0 when none)
    std::int32_t folders = 0;
    std::int32_t bookmarks = 0;
    std::string path; // the file written by an export
};

// Progress of long work: units done of a total (bytes of a file, bookmarks of a folder).
using ProgressFn = std::function<void(std::uint64_t done, std::uint64_t total)>;

// The message of an import that reached the end of the folder table.
std::string FolderTableFullMessage(std::int32_t folders, std::int32_t bookmarks);
// The message of a command given a folder number that names no folder.
std::string NoSuchFolderMessage(std::int32_t folder);
// Adds the line that tells how many texts an import had to cut to the longest text a
// memo keeps (`cuts` of them; none adds nothing), and makes the result a warning.
void NoteCutTexts(ExchangeResult& result, std::int64_t cuts);

} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a drop does to the database: bookmarks and folders moved by our own drags, links
// and shortcut files from browsers and file managers filed as new bookmarks, folders of
// shortcut files imported. The windows only find out where the drop landed.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "mainwindow/drag_data.h"
#include "store/records.h"

namespace vireo {

class Database;
class Registry;

// Shows a dropped link's properties before it is filed. The window does it once the drop
// has finished (a modal dialog must not open inside the drag); the record, key 0, is also
// in the copy buffer. Without one, links are filed at once.
using AskForBookmark = std::function<void(const BookmarkRecord& record)>;

struct DropOutcome {
    bool changed = false;          // something was filed or moved
    std::int16_t selectFolder = 0; // the folder to select afterwards (0: leave the selection)
};

// A drop on a folder of the tree or on the list (whose folder is `target`): our own
// bookmarks and folders move there (see MoveFolder for the folder rules), links and
// shortcut files are filed there, and directories become imported folders of it.
DropOutcome DropData(Database& db, const Registry& reg, const DropContent& data, std::int16_t target,
                     const AskForBookmark& ask);

// A drop on the window background, the side picture or the floating toolbar: links and
// shortcut files are filed in `folder`. Our own drags are refused there (reject sound),
// as are directories.
DropOutcome DropOnFolder(Database& db, const Registry& reg, const DropContent& data, std::int16_t folder,
                         const AskForBookmark& ask);

// Files the address found in `text` in `folder`, titled `title` (which may be empty). The
// option `BmkDrop` decides whether `ask` sees it first. False (reject sound) when the
// text holds no address.
bool AddDroppedText(Database& db, const Registry& reg, std::string_view text, std::string_view title,
                    std::int16_t folder, const AskForBookmark& ask);

// Files the address of the shortcut file at `path`, titled after the file's name without
// its extension. False (reject sound) when the file holds no address.
bool AddDroppedFile(Database& db, const Registry& reg, const std::string& path, std::int16_t flags,
                    std::int16_t folder, const AskForBookmark& ask);

// The title of a dropped shortcut file: its name without folder and last extension.
std::string DroppedFileTitle(const std::string& path);

} // namespace vireo

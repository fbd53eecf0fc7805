// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Cut, Copy and Paste through the desktop clipboard. What we put there reads in browsers,
// mail programs and text editors: the addresses as a URI list and as plain text, address
// and title pairs as browsers exchange them, and HTML holding a bookmark-file fragment
// (folders nested). Our own private format rides along, so that a paste here moves what
// was cut and copies what was copied with every field it had.

#include <QMimeData>
#include <cstdint>
#include <vector>

namespace vireo {

class Database;
class Registry;

// The clipboard's data for the bookmarks `keys` of `folder`, or, with no keys, for the
// folder itself with everything below it. `cut` makes a paste here move them.
QMimeData* ClipboardData(const Database& db, std::int16_t folder, const std::vector<std::int32_t>& keys,
                         bool cut);

struct PasteOutcome {
    bool changed = false;
    std::int32_t bookmarks = 0; // bookmarks filed (not counting those inside folders)
    std::int32_t folders = 0;   // folders filed or moved
    QString message;            // a problem the user should hear about
};

// Files what the clipboard holds into `target`: our own cut moves, our own copy copies
// (from the HTML when the copied bookmarks are gone), a bookmark-file fragment becomes
// its folders and bookmarks, links and shortcut files from elsewhere are filed as a drop
// would file them, at once. One step of the history.
PasteOutcome PasteClipboard(Database& db, const Registry& reg, const QMimeData* data, std::int16_t target);

} // namespace vireo

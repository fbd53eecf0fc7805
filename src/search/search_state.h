// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What of web search is program-wide: the searching flag, the close-request flag of the
// status window, and the group table. It belongs to the program's owner object (Program)
// and is passed by reference to each search object, which is made afresh per dialog.

#include "search/search_groups.h"

namespace vireo {

struct SearchState {
    // A search runs: no other may start, and the main window may not close.
    bool searching = false;
    // Asks the status window to close itself at its next timer tick.
    bool closeRequested = false;
    SearchGroupTable groups;
};

} // namespace vireo

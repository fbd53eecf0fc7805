// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The parts of start-up and shutdown that need no window: where the data lives, where
// the main window goes, the first-run import question, and the saving done when the
// program closes. The windows call these and show what they return.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "interchange/browser_import.h"

#include "shell/registry.h"

namespace vireo {

class Database;

inline constexpr std::string_view kSecondCopyMessage = "You can only run one copy of Vireo at a time";
inline constexpr std::string_view kSecondCopyTitle = "Vireo";

// The user's documents folder as the settings name it.
std::string PersonalFolder(const Registry& reg);
// The data folder: "path" under "\DB", else the documents folder + "/Vireo Data".
std::string DataDirectory(const Registry& reg);
// The folder for temporary files: $TMPDIR, else /tmp.
std::string TemporaryDirectory();

// The main window's place on the screen, in pixels.
struct WindowPosition {
    std::int32_t top = 0;
    std::int32_t left = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool operator==(const WindowPosition&) const = default;
};

// 10 % margins and 80 % of the screen.
WindowPosition DefaultWindowPosition(std::int32_t screenWidth, std::int32_t screenHeight);
// The stored place, or the defaults when any part of it would put the window off the
// screen or give it no size.
WindowPosition ReadWindowPosition(const Registry& reg, std::int32_t screenWidth, std::int32_t screenHeight);
void SaveWindowPosition(Registry& reg, const WindowPosition& pos);

// The question asked on the very first run, when browsers with bookmarks are found.
// When the settings name neither Explorer nor Netscape (as on nearly every Linux desktop),
// every browser profile found under the home folder is offered instead, newest first.
struct FirstRunImportOffer {
    bool explorer = false;                // import the Favorites folder
    bool netscape = false;                // import the Netscape bookmark file
    std::vector<BrowserProfile> profiles; // the browser profiles to import, newest first
    std::string title;
    std::string question; // empty: nothing to offer
};
FirstRunImportOffer PrepareFirstRunImport(const Registry& reg, const std::string& home);

// What closing the program does besides the record files.
inline constexpr std::int64_t kCompactAboveDeadBytes = 200000;
inline constexpr std::string_view kCompactingText = "{\\b Compacting Database...}";
inline constexpr std::string_view kCompactedText =
    "{{\\b Compacting Database...}{\\par Compaction Complete}}";

struct SaveDataHooks {
    // The empty-trash question, shown modally when the option asks for it.
    std::function<void()> askEmptyTrash;
    // Rich text for the summary pane.
    std::function<void(std::string_view rtf)> showSummary;
    // The main window's place, when there is a main window.
    std::optional<WindowPosition> windowPosition;
    // Regenerates the home page in the data folder so that the browser's start page is
    // current (the home page module's build with no file name and folder 0).
    std::function<bool(std::string* error)> buildHomePage;
};

// The saving done when the program closes (nothing when the database was purged): the
// trash option, compaction above kCompactAboveDeadBytes dead bytes, the window position,
// the data folder, the home page, and the folder and bookmark records. Every step is
// tried; false with the reasons when one failed.
bool SaveData(Database& db, Registry& reg, const SaveDataHooks& hooks, std::string* error = nullptr);

} // namespace vireo

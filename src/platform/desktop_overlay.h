// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The keys that other programs own on Windows, answered from the Linux desktop's own
// settings: the user's Personal (documents) and Favorites folders, and the program that
// opens web pages (".htm" and its open command), taken from the freedesktop.org default
// applications and .desktop files.

#include <string>
#include <string_view>
#include <vector>

#include "platform/hive_registry.h"

namespace vireo {

// The file class the overlay gives web pages.
inline constexpr std::string_view kHtmlFileClass = "htmlfile";

RegistryOverlay DesktopOverlay();

// The default web browser's .desktop file ("" when none is configured or found): the
// handler of http addresses by the desktop's rules (mimeapps.list files, the deprecated
// defaults.list, the associations of mimeinfo.cache), else the chosen viewer of HTML files.
std::string DefaultBrowserDesktopFile();
// The default web browser's command line in the registry's form: that entry's Exec=,
// else the system's x-www-browser alternative, else $BROWSER. "" when there is none.
std::string DefaultBrowserCommandLine();

// What an Exec= line's %i, %c and %k stand for.
struct DesktopEntryFields {
    std::string icon;
    std::string name;
    std::string file;
};

// Where Flatpak and Snap put the desktop entries of system-wide applications.
inline constexpr std::string_view kSystemFlatpakExports = "/var/lib/flatpak/exports/share";
inline constexpr std::string_view kSnapDesktopDir = "/var/lib/snapd/desktop";

// A command line in the registry's form from a .desktop Exec= value: the program resolved
// on `searchPath` (a PATH list) and quoted, the file and URL field codes as "%1", other
// icon, name and file codes filled from `fields` (dropped without), others dropped,
// arguments quoted where they need it. Leading "env" and variable assignments are skipped
// so that the program is the browser itself. "" when Exec= is empty or badly quoted.
std::string DesktopExecToCommandLine(std::string_view exec, std::string_view searchPath,
                                     const DesktopEntryFields* fields = nullptr);

// The Exec= value of the [Desktop Entry] group of a .desktop file's text.
std::string DesktopExecValue(std::string_view desktopFileText);

// Finds a program on a PATH list; a name with a slash is returned as it is. "" when not found.
std::string FindOnPath(std::string_view program, std::string_view searchPath);

// Helpers for the desktop's small text files (.desktop, mimeapps.list).
// The file's text, at most its first megabyte ("" when it cannot be read).
std::string ReadDesktopFile(const std::string& path);
// The value of `key` in `group` of a desktop-entry style text ("" when absent).
std::string DesktopGroupValue(std::string_view text, std::string_view group, std::string_view key);
// The parts of a list, empty ones left out.
std::vector<std::string> SplitDesktopList(std::string_view list, char separator);
// $XDG_DATA_HOME followed by $XDG_DATA_DIRS (or its standard value), then the Flatpak and
// Snap export folders when those are not listed.
std::vector<std::string> XdgDataDirs();

} // namespace vireo

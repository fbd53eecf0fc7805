// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Which icon the desktop shows for a program: the "Icon" of the desktop entry that starts
// it. The browser button wears the icon of the user's browser.

#include <string>
#include <string_view>
#include <vector>

namespace vireo {

// The "Icon" value (a themed icon name or a file) of the first desktop entry, in
// `applicationDirs` and their subfolders, whose "Exec" starts the very file `executable`
// (links followed), else of the first whose program has the same file name. Programs
// named without a folder are looked up on `searchPath`. "" when no entry starts it.
std::string DesktopEntryIcon(const std::string& executable, const std::vector<std::string>& applicationDirs,
                             std::string_view searchPath);

// The folders of desktop entries, most important first: "applications" in $XDG_DATA_HOME
// and in each of $XDG_DATA_DIRS (with their usual defaults).
std::vector<std::string> DesktopApplicationDirs();

// The program an "Exec" value starts, resolved on `searchPath` when it has no folder,
// after any "env" and its variable settings; "" when there is none.
std::string ExecProgram(std::string_view exec, std::string_view searchPath);

} // namespace vireo

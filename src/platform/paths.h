// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where things are on this system: the running executable and the user's folders.

#include <string>

namespace vireo::sys {

// Full path of the running executable ("" when it cannot be found).
std::string ExecutablePath();
// The user's home folder ($HOME, else the password database).
std::string HomeDir();
// $XDG_CONFIG_HOME, else ~/.config.
std::string ConfigHome();
// $XDG_DATA_HOME, else ~/.local/share.
std::string DataHome();
// The user's documents folder: XDG_DOCUMENTS_DIR from user-dirs.dirs, else ~/Documents.
std::string DocumentsDir();
// $TMPDIR, else /tmp.
std::string TempDir();
// $XDG_RUNTIME_DIR, else the temporary folder.
std::string RuntimeDir();
// The value of an environment variable, "" when unset.
std::string GetEnv(const char* name);

} // namespace vireo::sys

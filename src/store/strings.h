// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The program's string table and the program folder (which holds help/, image/,
// Sound/ and engines/).

#include <string>
#include <string_view>

namespace vireo {

// The text of a string resource; "" for an unknown id.
std::string LoadResString(int id);

// The executable's folder when it holds help/, else ../share/vireo beside it. The
// environment variable VIREO_PROGRAM_DIR overrides both.
std::string ProgramFolder();

// A file in the program folder's help/ folder as a file:// URL.
std::string HelpPageUrl(std::string_view page);

// A local path as a file:// URL (characters outside the unreserved set percent-encoded).
std::string FileUrl(std::string_view path);

// The version as shown in the caption and the About box.
int VersionMajor();
int VersionMinor();
int VersionRevision();

} // namespace vireo

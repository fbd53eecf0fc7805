// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What `vireo` is asked to do when it starts: run, perhaps with shortcut files to file
// (the desktop passes them when the user opens a .url file with Vireo), or only print its
// help or version. When a copy already runs, a second one hands its files over in the
// small message below and ends.

#include <string>
#include <string_view>
#include <vector>

namespace vireo {

struct LaunchRequest {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    std::vector<std::string> files; // as given: paths or file: URLs
    std::string error;              // what was wrong, for Error
};

// The arguments after the program name. --help and --version win wherever they stand;
// "--" ends the options, so that a file may start with a dash.
LaunchRequest ParseVireoArguments(const std::vector<std::string>& args);

// The texts of --help and --version.
std::string VireoUsage();
std::string VireoVersionText();

// The hand-over: a header line, then each absolute path ended by a NUL, then one more NUL.
// Paths cannot hold a NUL, so no path can end the message early.
inline constexpr std::string_view kOpenRequestHeader = "vireo open 1\n";
// What the running copy answers once it has taken the files.
inline constexpr std::string_view kOpenRequestTaken = "ok\n";
// Far more than any desktop passes at once; a sender beyond these is not one of ours.
inline constexpr std::size_t kOpenRequestMaxBytes = 1 << 20;
inline constexpr std::size_t kOpenRequestMaxFiles = 4096;

std::string EncodeOpenRequest(const std::vector<std::string>& paths);

enum class OpenRequestState {
    Incomplete, // more bytes may complete it
    Complete,   // `paths` holds the files
    Invalid,    // not a request of ours, or beyond the limits: drop the connection
};
// Reads what arrived so far.
OpenRequestState DecodeOpenRequest(std::string_view bytes, std::vector<std::string>& paths);

} // namespace vireo

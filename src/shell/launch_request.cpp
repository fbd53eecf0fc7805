// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/launch_request.h"

#include <algorithm>

namespace vireo {

LaunchRequest ParseVireoArguments(const std::vector<std::string>& args) {
    LaunchRequest request;
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "-h" || arg == "--help")) {
            request.action = LaunchRequest::Action::Help;
            return request;
        } else if (!optionsEnded && arg == "--version") {
            request.action = LaunchRequest::Action::Version;
            return request;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            // Remember only the first; --help may still follow and wins.
            if (request.error.empty())
                request.error = "unknown option \"" + arg + "\" (see vireo --help)";
        } else if (!arg.empty()) {
            request.files.push_back(arg);
        }
    }
    if (!request.error.empty())
        request.action = LaunchRequest::Action::Error;
    return request;
}

std::string VireoUsage() {
    return "Usage: vireo [FILE...]\n"
           "       vireo --help | --version\n"
           "\n"
           "Starts Vireo, the bookmark manager. Each FILE, an Internet shortcut (.url), is filed\n"
           "in \"Unsorted Bookmarks\" as if it had been dropped on the window. When Vireo already\n"
           "runs, the files go to the running copy.\n"
           "\n"
           "Options:\n"
           "  -h, --help   show this help and end\n"
           "  --version    show the version and end\n"
           "  --           the arguments that follow are files, even when they start with a dash\n";
}

std::string VireoVersionText() {
    return "vireo " + std::to_string(VIREO_VERSION_MAJOR) + "." + std::to_string(VIREO_VERSION_MINOR) +
           " build (" + std::to_string(VIREO_VERSION_PATCH) + ")\n";
}

std::string EncodeOpenRequest(const std::vector<std::string>& paths) {
    std::string message(kOpenRequestHeader);
    for (const std::string& path : paths) {
        message += path;
        message += '\0';
    }
    message += '\0';
    return message;
}

OpenRequestState DecodeOpenRequest(std::string_view bytes, std::vector<std::string>& paths) {
    paths.clear();
    std::size_t header = std::min(bytes.size(), kOpenRequestHeader.size());
    if (bytes.substr(0, header) != kOpenRequestHeader.substr(0, header))
        return OpenRequestState::Invalid;
    if (bytes.size() > kOpenRequestMaxBytes)
        return OpenRequestState::Invalid;
    if (header < kOpenRequestHeader.size())
        return OpenRequestState::Incomplete;
    std::size_t pos = header;
    while (pos < bytes.size()) {
        std::size_t end = bytes.find('\0', pos);
        if (end == std::string_view::npos)
            break;
        if (end == pos) {
            // The closing NUL: nothing may follow it.
            if (end + 1 != bytes.size())
                return OpenRequestState::Invalid;
            // No files at all: the second copy only asks the running one to come forward.
            return OpenRequestState::Complete;
        }
        if (paths.size() == kOpenRequestMaxFiles)
            return OpenRequestState::Invalid;
        paths.emplace_back(bytes.substr(pos, end - pos));
        pos = end + 1;
    }
    paths.clear();
    return OpenRequestState::Incomplete;
}

} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/desktop_icon.h"

#include <algorithm>
#include <filesystem>

#include "platform/desktop_overlay.h"
#include "platform/paths.h"

namespace vireo {

namespace fs = std::filesystem;

namespace {

// The application folders hold a few hundred entries; more is not a desktop's.
constexpr std::size_t kMaxEntries = 20000;

std::string Canonical(const std::string& path) {
    std::error_code ec;
    fs::path p = fs::canonical(path, ec);
    return ec ? std::string() : p.string();
}

} // namespace

std::string ExecProgram(std::string_view exec, std::string_view searchPath) {
    // The command line comes back with the program first, quoted.
    std::string command = DesktopExecToCommandLine(exec, searchPath);
    if (command.size() < 2 || command.front() != '"')
        return {};
    std::size_t close = command.find('"', 1);
    return close == std::string::npos ? std::string() : command.substr(1, close - 1);
}

std::vector<std::string> DesktopApplicationDirs() {
    std::vector<std::string> dirs;
    for (const std::string& d : XdgDataDirs())
        dirs.push_back(d + "/applications");
    return dirs;
}

std::string DesktopEntryIcon(const std::string& executable, const std::vector<std::string>& applicationDirs,
                             std::string_view searchPath) {
    if (executable.empty())
        return {};
    std::string wanted = Canonical(executable);
    std::string wantedName = fs::path(executable).filename().string();
    std::string byName;
    std::size_t seen = 0;
    for (const std::string& dir : applicationDirs) {
        std::error_code ec;
        fs::recursive_directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec);
        if (ec)
            continue;
        // Sorted, so the same entry wins every time.
        std::vector<std::string> files;
        for (; it != fs::recursive_directory_iterator() && seen < kMaxEntries; it.increment(ec)) {
            if (ec)
                break;
            if (it.depth() > 3)
                it.disable_recursion_pending();
            const fs::path& p = it->path();
            if (p.extension() == ".desktop" && it->is_regular_file(ec)) {
                files.push_back(p.string());
                ++seen;
            }
        }
        std::sort(files.begin(), files.end());
        for (const std::string& file : files) {
            std::string text = ReadDesktopFile(file);
            auto value = [&text](std::string_view key) {
                return DesktopGroupValue(text, "Desktop Entry", key);
            };
            std::string icon = value("Icon");
            std::string exec = value("Exec");
            if (value("Hidden") == "true" || icon.empty() || exec.empty())
                continue;
            std::string program = ExecProgram(exec, searchPath);
            if (program.empty())
                continue;
            if (!wanted.empty() && Canonical(program) == wanted)
                return icon;
            if (byName.empty() && fs::path(program).filename() == wantedName)
                byName = icon;
        }
    }
    return byName;
}

} // namespace vireo

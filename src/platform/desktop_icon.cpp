// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/desktop_icon.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "platform/desktop_overlay.h"
#include "platform/paths.h"

namespace vireo {

namespace fs = std::filesystem;

namespace {

// Desktop entries are a few kilobytes; the folders hold a few hundred of them.
constexpr std::size_t kMaxEntryBytes = 256 * 1024;
constexpr std::size_t kMaxEntries = 20000;

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::vector<std::string> Split(std::string_view list, char sep) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i <= list.size()) {
        std::size_t j = list.find(sep, i);
        if (j == std::string_view::npos)
            j = list.size();
        if (j > i)
            out.emplace_back(list.substr(i, j - i));
        i = j + 1;
    }
    return out;
}

// The keys of the [Desktop Entry] group (the unlocalised ones).
std::map<std::string, std::string> EntryGroup(const std::string& path) {
    std::map<std::string, std::string> values;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return values;
    std::string text(kMaxEntryBytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    bool inGroup = false;
    for (const std::string& raw : Split(text, '\n')) {
        std::string_view line = Trim(raw);
        if (line.empty() || line.front() == '#')
            continue;
        if (line.front() == '[') {
            inGroup = line == "[Desktop Entry]";
            continue;
        }
        std::size_t eq = line.find('=');
        if (!inGroup || eq == std::string_view::npos)
            continue;
        std::string key(Trim(line.substr(0, eq)));
        if (!values.count(key))
            values.emplace(std::move(key), std::string(Trim(line.substr(eq + 1))));
    }
    return values;
}

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
    std::vector<std::string> dirs{sys::DataHome() + "/applications"};
    std::string more = sys::GetEnv("XDG_DATA_DIRS");
    for (const std::string& d : Split(more.empty() ? std::string("/usr/local/share:/usr/share") : more, ':'))
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
            auto entry = EntryGroup(file);
            if (entry["Hidden"] == "true" || entry["Icon"].empty() || entry["Exec"].empty())
                continue;
            std::string program = ExecProgram(entry["Exec"], searchPath);
            if (program.empty())
                continue;
            if (!wanted.empty() && Canonical(program) == wanted)
                return entry["Icon"];
            if (byName.empty() && fs::path(program).filename() == wantedName)
                byName = entry["Icon"];
        }
    }
    return byName;
}

} // namespace vireo

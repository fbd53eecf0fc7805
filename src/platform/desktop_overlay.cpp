// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/desktop_overlay.h"

#include <filesystem>
#include <fstream>
#include <system_error>
#include <unistd.h>
#include <vector>

#include "platform/paths.h"
#include "store/text_codec.h"

namespace vireo {

namespace fs = std::filesystem;

namespace {

// .desktop and mimeapps.list files are small; a larger one is not worth reading.
constexpr std::size_t kMaxDesktopFileBytes = 1u << 20;

bool IsFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

std::vector<std::string> ConfigDirs() {
    std::vector<std::string> dirs{sys::ConfigHome()};
    std::string more = sys::GetEnv("XDG_CONFIG_DIRS");
    for (auto& d : SplitDesktopList(more.empty() ? std::string("/etc/xdg") : more, ':'))
        dirs.push_back(d);
    return dirs;
}

// The installed .desktop file of a desktop file id; ids name files in subfolders with a
// dash ("kde4-konqueror.desktop" is kde4/konqueror.desktop).
std::string FindDesktopFile(std::string_view id) {
    if (id.empty() || id.find('/') != std::string_view::npos)
        return {};
    for (const auto& dir : XdgDataDirs()) {
        std::string base = dir + "/applications/";
        if (IsFile(base + std::string(id)))
            return base + std::string(id);
        if (std::size_t dash = id.find('-'); dash != std::string_view::npos) {
            std::string nested(id);
            nested[dash] = '/';
            if (IsFile(base + nested))
                return base + nested;
        }
    }
    return {};
}

// The files that name default applications, most important first.
std::vector<std::string> MimeAppsFiles() {
    std::vector<std::string> desktops;
    for (auto& d : SplitDesktopList(sys::GetEnv("XDG_CURRENT_DESKTOP"), ':'))
        desktops.push_back(text::AsciiLower(d));
    std::vector<std::string> files;
    for (const auto& dir : ConfigDirs()) {
        for (const auto& d : desktops)
            files.push_back(dir + "/" + d + "-mimeapps.list");
        files.push_back(dir + "/mimeapps.list");
    }
    for (const auto& dir : XdgDataDirs()) {
        for (const auto& d : desktops)
            files.push_back(dir + "/applications/" + d + "-mimeapps.list");
        files.push_back(dir + "/applications/mimeapps.list");
        files.push_back(dir + "/applications/defaults.list");
    }
    return files;
}

// Replaces the field codes of an unquoted Exec argument; `placeholder` tells whether it
// named the file or URL to open.
std::string ExpandFieldCodes(std::string_view arg, bool& placeholder) {
    std::string out;
    for (std::size_t i = 0; i < arg.size(); ++i) {
        if (arg[i] != '%' || i + 1 >= arg.size()) {
            out += arg[i];
            continue;
        }
        char code = arg[++i];
        if (code == '%') {
            out += '%';
        } else if (code == 'f' || code == 'F' || code == 'u' || code == 'U') {
            out += "%1";
            placeholder = true;
        }
        // Every other code (icon, name, location, deprecated ones) stands for nothing here.
    }
    return out;
}

std::string QuoteArgument(std::string_view arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string_view::npos)
        return std::string(arg);
    std::string out = "\"";
    for (char c : arg) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

} // namespace

std::vector<std::string> SplitDesktopList(std::string_view list, char sep) {
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

std::string ReadDesktopFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::string text;
    char buf[8192];
    while (text.size() < kMaxDesktopFileBytes && (in.read(buf, sizeof buf) || in.gcount() > 0))
        text.append(buf, static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxDesktopFileBytes)
        text.resize(kMaxDesktopFileBytes);
    return text;
}

// The value of `key` in `group` of a desktop-entry style file ("" when absent).
std::string DesktopGroupValue(std::string_view text, std::string_view group, std::string_view key) {
    bool inGroup = false;
    for (const auto& rawLine : SplitDesktopList(text, '\n')) {
        std::string_view line = text::TrimWhite(rawLine);
        if (line.empty() || line.front() == '#')
            continue;
        if (line.front() == '[') {
            inGroup = line == "[" + std::string(group) + "]";
            continue;
        }
        if (!inGroup)
            continue;
        std::size_t eq = line.find('=');
        if (eq != std::string_view::npos && text::TrimWhite(line.substr(0, eq)) == key)
            return std::string(text::TrimWhite(line.substr(eq + 1)));
    }
    return {};
}

std::vector<std::string> XdgDataDirs() {
    std::vector<std::string> dirs{sys::DataHome()};
    std::string more = sys::GetEnv("XDG_DATA_DIRS");
    for (auto& d : SplitDesktopList(more.empty() ? std::string("/usr/local/share:/usr/share") : more, ':'))
        dirs.push_back(d);
    return dirs;
}

std::string FindOnPath(std::string_view program, std::string_view searchPath) {
    if (program.empty())
        return {};
    if (program.find('/') != std::string_view::npos)
        return std::string(program);
    for (const auto& dir : SplitDesktopList(searchPath, ':')) {
        std::string candidate = dir + "/" + std::string(program);
        if (IsFile(candidate) && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

std::string DesktopExecValue(std::string_view desktopFileText) {
    return DesktopGroupValue(desktopFileText, "Desktop Entry", "Exec");
}

std::string DesktopExecToCommandLine(std::string_view exec, std::string_view searchPath) {
    // The value's own escapes first, then the quoting of the command line.
    std::string value;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        if (exec[i] == '\\' && i + 1 < exec.size()) {
            char c = exec[i + 1];
            const char* plain = c == 's'    ? " "
                                : c == 'n'  ? "\n"
                                : c == 't'  ? "\t"
                                : c == 'r'  ? "\r"
                                : c == '\\' ? "\\"
                                            : nullptr;
            if (plain) {
                value += plain;
                ++i;
                continue;
            }
        }
        value += exec[i];
    }

    struct Arg {
        std::string text;
        bool placeholder = false;
    };
    std::vector<Arg> args;
    for (std::size_t i = 0; i < value.size();) {
        if (value[i] == ' ' || value[i] == '\t' || value[i] == '\n') {
            ++i;
            continue;
        }
        Arg arg;
        if (value[i] == '"') {
            bool closed = false;
            for (++i; i < value.size(); ++i) {
                char c = value[i];
                if (c == '"') {
                    closed = true;
                    ++i;
                    break;
                }
                if (c == '\\' && i + 1 < value.size() &&
                    std::string_view("\"`$\\").find(value[i + 1]) != std::string_view::npos)
                    c = value[++i];
                arg.text += c;
            }
            if (!closed)
                return {};
            args.push_back(std::move(arg));
            continue;
        }
        std::size_t end = value.find_first_of(" \t\n", i);
        if (end == std::string::npos)
            end = value.size();
        arg.text = ExpandFieldCodes(std::string_view(value).substr(i, end - i), arg.placeholder);
        i = end;
        if (!arg.text.empty())
            args.push_back(std::move(arg));
    }

    std::size_t first = 0;
    if (first < args.size() && fs::path(args[first].text).filename() == "env") {
        ++first;
        while (first < args.size() && args[first].text.find('=') != std::string::npos &&
               args[first].text.front() != '-')
            ++first;
    }
    if (first >= args.size())
        return {};
    std::string program = FindOnPath(args[first].text, searchPath);
    if (program.empty())
        program = args[first].text;
    std::string command = "\"" + program + "\"";
    for (std::size_t k = first + 1; k < args.size(); ++k) {
        command += ' ';
        command += args[k].placeholder ? "\"" + args[k].text + "\"" : QuoteArgument(args[k].text);
    }
    return command;
}

std::string DefaultBrowserDesktopFile() {
    std::vector<std::string> files = MimeAppsFiles();
    for (std::string_view mime : {"x-scheme-handler/http", "text/html"}) {
        for (const auto& file : files) {
            if (!IsFile(file))
                continue;
            std::string ids = DesktopGroupValue(ReadDesktopFile(file), "Default Applications", mime);
            for (const auto& id : SplitDesktopList(ids, ';')) {
                std::string found = FindDesktopFile(text::TrimWhite(id));
                if (!found.empty())
                    return found;
            }
        }
    }
    return {};
}

RegistryOverlay DesktopOverlay() {
    RegistryOverlay overlay;
    overlay.covers = {{kHKeyCurrentUser, std::string(kShellFoldersKey)}, {kHKeyClassesRoot, std::string()}};
    overlay.fill = [](MemoryRegistry& reg) {
        reg.SetValue(kHKeyCurrentUser, kShellFoldersKey, "Personal", RegValue::Text(sys::DocumentsDir()));
        reg.SetValue(kHKeyCurrentUser, kShellFoldersKey, "Favorites",
                     RegValue::Text(sys::DataHome() + "/Vireo/Favorites"));

        std::string searchPath = sys::GetEnv("PATH");
        std::string command;
        std::string desktop = DefaultBrowserDesktopFile();
        if (!desktop.empty())
            command = DesktopExecToCommandLine(DesktopExecValue(ReadDesktopFile(desktop)), searchPath);
        if (command.empty()) {
            // Without a desktop default, the browser named by $BROWSER (the first of a list).
            auto browsers = SplitDesktopList(sys::GetEnv("BROWSER"), ':');
            if (!browsers.empty())
                command = DesktopExecToCommandLine(browsers.front(), searchPath);
        }
        if (command.empty())
            return;
        for (const char* ext : {".htm", ".html"})
            reg.SetValue(kHKeyClassesRoot, ext, "", RegValue::Text(kHtmlFileClass));
        reg.SetValue(kHKeyClassesRoot, std::string(kHtmlFileClass) + "\\Shell\\Open\\Command", "",
                     RegValue::Text(command));
    };
    return overlay;
}

} // namespace vireo

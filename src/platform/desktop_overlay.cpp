// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/desktop_overlay.h"

#include <algorithm>
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

// A desktop entry that may be started: not deleted (Hidden), an application, with a
// command, and with its TryExec program present.
bool UsableEntry(const std::string& file) {
    std::string text = ReadDesktopFile(file);
    auto value = [&text](std::string_view key) { return DesktopGroupValue(text, "Desktop Entry", key); };
    if (value("Hidden") == "true" || value("Exec").empty())
        return false;
    if (std::string type = value("Type"); !type.empty() && type != "Application")
        return false;
    if (std::string tryExec = value("TryExec"); !tryExec.empty()) {
        std::string program = FindOnPath(tryExec, sys::GetEnv("PATH"));
        if (program.empty() || !IsFile(program) || ::access(program.c_str(), X_OK) != 0)
            return false;
    }
    return true;
}

// The installed .desktop file of a desktop file id; ids name files in subfolders with a
// dash ("kde4-konqueror.desktop" is kde4/konqueror.desktop). The first folder holding the
// id decides: an entry hidden there is deleted for every later folder too.
std::string FindDesktopFile(std::string_view id) {
    if (id.empty() || id.find('/') != std::string_view::npos)
        return {};
    for (const auto& dir : XdgDataDirs()) {
        std::string base = dir + "/applications/";
        std::string found;
        if (IsFile(base + std::string(id))) {
            found = base + std::string(id);
        } else {
            // Every dash may stand for a folder; try them from the left.
            std::string nested(id);
            for (std::size_t dash = nested.find('-'); dash != std::string::npos && found.empty();
                 dash = nested.find('-', dash + 1)) {
                nested[dash] = '/';
                if (IsFile(base + nested))
                    found = base + nested;
            }
        }
        if (!found.empty())
            return UsableEntry(found) ? found : std::string();
    }
    return {};
}

// A mimeapps.list, and whether it is one of a desktop's own (defaults only).
struct MimeAppsList {
    std::string path;
    bool desktopSpecific = false;
};

// The files that choose applications, most important first: the user's and the
// system's configuration, then the data folders; in each, the current desktop's own
// lists before the general one.
std::vector<MimeAppsList> MimeAppsLists() {
    std::vector<std::string> desktops;
    for (auto& d : SplitDesktopList(sys::GetEnv("XDG_CURRENT_DESKTOP"), ':'))
        desktops.push_back(text::AsciiLower(d));
    std::vector<MimeAppsList> files;
    auto add = [&](const std::string& folder) {
        for (const auto& d : desktops)
            files.push_back({folder + "/" + d + "-mimeapps.list", true});
        files.push_back({folder + "/mimeapps.list", false});
    };
    for (const auto& dir : ConfigDirs())
        add(dir);
    for (const auto& dir : XdgDataDirs())
        add(dir + "/applications");
    return files;
}

std::vector<std::string> ListedIds(std::string_view text, std::string_view group, std::string_view mime) {
    std::vector<std::string> ids;
    for (const auto& id : SplitDesktopList(DesktopGroupValue(text, group, mime), ';')) {
        std::string trimmed(text::TrimWhite(id));
        if (!trimmed.empty())
            ids.push_back(std::move(trimmed));
    }
    return ids;
}

bool Contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

// The desktop entry that opens `mime`, found as the desktop finds it: the first usable
// default of the most important list that no list up to it has removed, then the
// deprecated defaults.list files; then, with `associations`, the most preferred
// application associated with the type (added associations, then each data folder's
// mimeinfo.cache), less the removed ones.
std::string DefaultApplication(std::string_view mime, bool associations) {
    std::vector<MimeAppsList> lists = MimeAppsLists();
    std::vector<std::string> texts;
    texts.reserve(lists.size());
    for (const auto& list : lists)
        texts.push_back(IsFile(list.path) ? ReadDesktopFile(list.path) : std::string());

    std::vector<std::string> removed;
    for (std::size_t i = 0; i < lists.size(); ++i) {
        if (texts[i].empty())
            continue;
        if (!lists[i].desktopSpecific)
            for (auto& id : ListedIds(texts[i], "Removed Associations", mime))
                removed.push_back(std::move(id));
        for (const auto& id : ListedIds(texts[i], "Default Applications", mime)) {
            if (Contains(removed, id))
                continue;
            if (std::string found = FindDesktopFile(id); !found.empty())
                return found;
        }
    }
    for (const auto& dir : XdgDataDirs()) {
        std::string file = dir + "/applications/defaults.list";
        if (!IsFile(file))
            continue;
        for (const auto& id : ListedIds(ReadDesktopFile(file), "Default Applications", mime)) {
            if (Contains(removed, id))
                continue;
            if (std::string found = FindDesktopFile(id); !found.empty())
                return found;
        }
    }
    if (!associations)
        return {};

    // A list's removals hide the associations of the lists below it only.
    removed.clear();
    for (std::size_t i = 0; i < lists.size(); ++i) {
        if (texts[i].empty() || lists[i].desktopSpecific)
            continue;
        for (const auto& id : ListedIds(texts[i], "Added Associations", mime)) {
            if (Contains(removed, id))
                continue;
            if (std::string found = FindDesktopFile(id); !found.empty())
                return found;
        }
        for (auto& id : ListedIds(texts[i], "Removed Associations", mime))
            removed.push_back(std::move(id));
    }
    for (const auto& dir : XdgDataDirs()) {
        std::string cache = dir + "/applications/mimeinfo.cache";
        if (!IsFile(cache))
            continue;
        for (const auto& id : ListedIds(ReadDesktopFile(cache), "MIME Cache", mime)) {
            if (Contains(removed, id))
                continue;
            if (std::string found = FindDesktopFile(id); !found.empty())
                return found;
        }
    }
    return {};
}

// Replaces the field codes of an unquoted Exec argument; `placeholder` tells whether it
// named the file or URL to open.
std::string ExpandFieldCodes(std::string_view arg, bool& placeholder, const DesktopEntryFields* fields) {
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
        } else if (code == 'c' && fields) {
            out += fields->name;
        } else if (code == 'k' && fields) {
            out += fields->file;
        }
        // The icon (%i) is a pair of arguments, made by the caller; the deprecated codes
        // stand for nothing.
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
    // Flatpak and Snap export their applications here; a session started without their
    // login scripts does not list them, yet the desktop's menus show them.
    for (std::string extra : {sys::DataHome() + "/flatpak/exports/share", std::string(kSystemFlatpakExports),
                              std::string(kSnapDesktopDir)})
        if (std::find(dirs.begin(), dirs.end(), extra) == dirs.end())
            dirs.push_back(std::move(extra));
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

std::string DesktopExecToCommandLine(std::string_view exec, std::string_view searchPath,
                                     const DesktopEntryFields* fields) {
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
        std::string_view word = std::string_view(value).substr(i, end - i);
        i = end;
        if (word == "%i") {
            if (fields && !fields->icon.empty()) {
                args.push_back({"--icon"});
                args.push_back({fields->icon});
            }
            continue;
        }
        arg.text = ExpandFieldCodes(word, arg.placeholder, fields);
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
    std::string found = DefaultApplication("x-scheme-handler/http", true);
    // A page viewer chosen for HTML files is a browser too; one that merely can read them
    // (an editor) is not.
    return found.empty() ? DefaultApplication("text/html", false) : found;
}

std::string DefaultBrowserCommandLine() {
    std::string searchPath = sys::GetEnv("PATH");
    std::string desktop = DefaultBrowserDesktopFile();
    if (!desktop.empty()) {
        std::string text = ReadDesktopFile(desktop);
        DesktopEntryFields fields{DesktopGroupValue(text, "Desktop Entry", "Icon"),
                                  DesktopGroupValue(text, "Desktop Entry", "Name"), desktop};
        std::string command = DesktopExecToCommandLine(DesktopExecValue(text), searchPath, &fields);
        if (!command.empty())
            return command;
    }
    // Debian's alternative for the system's browser, by the program it points to, so
    // that the browser is known by its own name and icon.
    if (std::string alternative = FindOnPath("x-www-browser", searchPath); !alternative.empty()) {
        std::error_code ec;
        fs::path target = fs::canonical(alternative, ec);
        return "\"" + (ec ? alternative : target.string()) + "\" \"%1\"";
    }
    // Then the browser named by $BROWSER (the first of a list).
    auto browsers = SplitDesktopList(sys::GetEnv("BROWSER"), ':');
    if (!browsers.empty())
        return DesktopExecToCommandLine(browsers.front(), searchPath);
    return {};
}

RegistryOverlay DesktopOverlay() {
    RegistryOverlay overlay;
    overlay.covers = {{kHKeyCurrentUser, std::string(kShellFoldersKey)}, {kHKeyClassesRoot, std::string()}};
    overlay.fill = [](MemoryRegistry& reg, std::uint32_t root) {
        if (root == kHKeyCurrentUser) {
            reg.SetValue(kHKeyCurrentUser, kShellFoldersKey, "Personal", RegValue::Text(sys::DocumentsDir()));
            reg.SetValue(kHKeyCurrentUser, kShellFoldersKey, "Favorites",
                         RegValue::Text(sys::DataHome() + "/Vireo/Favorites"));
            return;
        }
        std::string command = DefaultBrowserCommandLine();
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

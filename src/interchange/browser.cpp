// SPDX-License-Identifier: GPL-3.0-or-later
#include "interchange/browser.h"

#include <filesystem>
#include <system_error>

#include "interchange/html_text.h"
#include "platform/durable_file.h"
#include "shell/options.h"
#include "store/byte_io.h"
#include "store/strings.h"
#include "store/text_codec.h"

namespace vireo {

namespace fs = std::filesystem;

namespace {

// prefs.js is a small text file; anything larger is not one we should rewrite.
constexpr std::uint64_t kMaxPrefsBytes = 16u << 20;

bool IsExistingPath(std::string_view path) {
    std::error_code ec;
    return !path.empty() && fs::exists(fs::path(std::string(path)), ec);
}

bool IsExistingFile(std::string_view path) {
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(fs::path(std::string(path)), ec);
}

bool IsExistingFolder(std::string_view path) {
    std::error_code ec;
    return !path.empty() && fs::is_directory(fs::path(std::string(path)), ec);
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string out(folder);
    if (out.empty() || out.back() != '/')
        out += '/';
    out += name;
    return out;
}

bool Fail(std::string* error, std::string text) {
    if (error)
        *error = std::move(text);
    return false;
}

// Splits a file into lines, accepting CR LF and bare LF endings.
std::vector<std::string_view> Lines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    html::ForEachLine(bytes, [&](std::string_view line) { lines.push_back(line); });
    return lines;
}

// The name and the value of a preference line, by the markers of the file format.
std::string PrefName(std::string_view line, Marked* how) {
    return TextBetween(line, "SER_PREF", 10, "\",", how);
}
std::string PrefValue(std::string_view line, Marked* how) {
    return TextBetween(line, "\", \"", 4, "\");", how);
}

} // namespace

std::string TextBetween(std::string_view text, std::string_view startMarker, std::size_t skip,
                        std::string_view endMarker, Marked* how) {
    auto report = [how](Marked m) {
        if (how)
            *how = m;
    };
    std::string upper = text::AsciiUpper(text);
    std::string start = text::AsciiUpper(startMarker);
    std::string end = text::AsciiUpper(endMarker);
    std::size_t at = upper.find(start);
    if (at == std::string::npos) {
        report(Marked::NoStart);
        return {};
    }
    std::size_t from = at + skip;
    if (from > upper.size()) {
        report(Marked::NoEnd);
        return {};
    }
    std::size_t to = upper.find(end, from);
    if (to == std::string::npos) {
        report(Marked::NoEnd);
        return {};
    }
    report(Marked::Found);
    return std::string(text.substr(from, to - from));
}

bool GetAppPath(const Registry& reg, std::string_view exeName, std::string& path,
                std::string_view valueName) {
    path = GetRegText(reg, std::string(kAppPathsKey) + std::string(exeName), valueName, kHKeyLocalMachine);
    return IsExistingPath(path);
}

bool GetExplorerPath(const Registry& reg, std::string& path) {
    return GetAppPath(reg, "iexplore.exe", path) || GetAppPath(reg, "explore.exe", path);
}

bool GetNetscapePath(const Registry& reg, std::string& path, bool& hasProfiles) {
    bool found = GetAppPath(reg, "netscape.exe", path);
    hasProfiles = !GetRegText(reg, kNetscapeKey, "CurrentVersion", kHKeyLocalMachine).empty();
    return found;
}

bool GetDefaultBrowser(const Registry& reg, std::string& path) {
    path.clear();
    std::string fileClass = GetRegText(reg, ".htm", "", kHKeyClassesRoot);
    std::string command;
    if (!fileClass.empty())
        command = GetRegText(reg, fileClass + "\\Shell\\Open\\Command", "", kHKeyClassesRoot);
    if (command.empty())
        return false;
    // A quoted executable is what lies between the leading quote(s) and the next quote.
    // Without a quote after it, the executable ends at the first space.
    std::string_view rest = command;
    while (true) {
        std::size_t quote = rest.find('"');
        if (quote == 0) {
            rest.remove_prefix(1);
            continue;
        }
        if (quote == std::string_view::npos) {
            std::string_view trimmed = text::TrimSpaces(rest);
            rest = trimmed.substr(0, trimmed.find(' '));
        } else {
            rest = rest.substr(0, quote);
        }
        break;
    }
    path = std::string(text::TrimSpaces(rest));
    return IsExistingFile(path);
}

int BrowserKind(std::string_view path) {
    std::string lower = text::AsciiLower(path);
    // Only a name after the first character counts: that is how "iexplore.exe" matches.
    std::size_t at = lower.find("explore.exe");
    if (at != std::string::npos && at >= 1)
        return kBrowserExplorer;
    at = lower.find("netscape.exe");
    if (at != std::string::npos && at >= 1)
        return kBrowserNetscape;
    return kBrowserOther;
}

bool GetBrowser(Registry& reg, std::string& path) {
    std::int32_t which = 0;
    std::string userDefined;
    GetBrowserChoice(reg, which, userDefined);
    switch (which) {
    case kBrowserOther: {
        if (IsExistingFile(userDefined)) {
            path = userDefined;
            return true;
        }
        // Remember only the kind, so that a change of the desktop's default browser is
        // followed next time.
        std::string detected;
        if (GetDefaultBrowser(reg, detected)) {
            path = detected;
            SaveBrowser(reg, BrowserKind(detected), "");
            return true;
        }
        SaveBrowser(reg, kBrowserOther, "");
        return false;
    }
    case kBrowserExplorer:
        return GetExplorerPath(reg, path);
    case kBrowserNetscape: {
        bool hasProfiles = false;
        return GetNetscapePath(reg, path, hasProfiles);
    }
    default:
        return true;
    }
}

void SaveBrowser(Registry& reg, int kind, std::string_view path) {
    std::string key = SettingsPath(kBrowserSubkey);
    SetRegValue(reg, key, "Which", static_cast<std::int64_t>(kind));
    SetRegValue(reg, key, "UserDefined", path);
}

bool GetNetscapeUserDir(const Registry& reg, std::string& folder) {
    folder.clear();
    if (!GetRegText(reg, kNetscapeKey, "CurrentVersion", kHKeyLocalMachine).empty()) {
        std::string profile = GetRegText(reg, kNetscapeUsersKey, "CurrentUser", kHKeyLocalMachine);
        if (profile.empty())
            return false;
        folder =
            GetRegText(reg, std::string(kNetscapeUsersKey) + "\\" + profile, "DirRoot", kHKeyLocalMachine);
        return IsExistingFolder(folder);
    }
    std::string exe;
    bool hasProfiles = false;
    if (!GetNetscapePath(reg, exe, hasProfiles))
        return false;
    return GetAppPath(reg, "netscape.exe", folder, "path") && IsExistingFolder(folder);
}

bool GetNetscapeBookmarkFile(const Registry& reg, std::string& file) {
    file.clear();
    std::string folder;
    if (!GetNetscapeUserDir(reg, folder))
        return false;
    file = JoinPath(folder, "bookmark.htm");
    return true;
}

bool GetExplorerHome(const Registry& reg, std::string& url) {
    url = GetRegText(reg, kExplorerMainKey, "Start Page");
    return !url.empty();
}

bool SetExplorerHome(Registry& reg, std::string_view url) {
    SetRegValue(reg, kExplorerMainKey, "Start Page", url);
    return true;
}

bool GetNetscapeHome(const Registry& reg, std::string& url) {
    url.clear();
    std::string exe;
    bool hasProfiles = false;
    if (!GetNetscapePath(reg, exe, hasProfiles))
        return false;
    if (hasProfiles)
        return ReadNetscapePref(reg, kNetscapeHomePref, url);
    url = GetRegText(reg, kNetscapeMainKey, "Home Page");
    return !url.empty();
}

bool SetNetscapeHome(Registry& reg, std::string_view url, std::string* error) {
    std::string exe;
    bool hasProfiles = false;
    if (!GetNetscapePath(reg, exe, hasProfiles))
        return Fail(error, "Netscape Navigator is not installed");
    if (hasProfiles)
        return WriteNetscapePref(reg, kNetscapeHomePref, url, error);
    // Without profiles the start page is set only where the browser already keeps one.
    if (GetRegText(reg, kNetscapeMainKey, "Home Page").empty())
        return Fail(error, "Netscape Navigator has no start page setting");
    SetRegValue(reg, kNetscapeMainKey, "Home Page", url);
    return true;
}

bool ReadNetscapePref(const Registry& reg, std::string_view name, std::string& value) {
    value.clear();
    std::string folder;
    if (!GetNetscapeUserDir(reg, folder))
        return false;
    std::string bytes;
    if (!ReadWholeFile(JoinPath(folder, "prefs.js"), bytes, nullptr, kMaxPrefsBytes))
        return false;
    bool found = false;
    for (std::string_view line : Lines(bytes)) {
        Marked nameMark, valueMark;
        std::string lineName = PrefName(line, &nameMark);
        if (nameMark != Marked::Found || lineName != name)
            continue;
        std::string lineValue = PrefValue(line, &valueMark);
        if (valueMark != Marked::Found)
            continue;
        value = std::move(lineValue);
        found = true;
    }
    return found;
}

bool WriteNetscapePref(const Registry& reg, std::string_view name, std::string_view value,
                       std::string* error) {
    std::string folder;
    if (!GetNetscapeUserDir(reg, folder))
        return Fail(error, "The Netscape Navigator profile folder was not found");
    std::string prefs = JoinPath(folder, "prefs.js");
    std::string original;
    if (!IsExistingFile(prefs) || !ReadWholeFile(prefs, original, error, kMaxPrefsBytes))
        return Fail(error, "Cannot read \"" + prefs + "\"");

    // Everything is decided before any file is touched, so that a line we cannot read
    // leaves the preferences exactly as they were.
    std::string rewritten;
    rewritten.reserve(original.size() + value.size() + 64);
    for (std::string_view line : Lines(original)) {
        Marked nameMark;
        std::string lineName = PrefName(line, &nameMark);
        if (nameMark == Marked::NoEnd)
            return Fail(error,
                        "\"" + prefs + "\" holds a preference line that is cut short: " + std::string(line));
        if (nameMark == Marked::Found && lineName == name) {
            rewritten += "user_pref(\"";
            rewritten += name;
            rewritten += "\", \"";
            rewritten += value;
            rewritten += "\");";
        } else {
            rewritten += line;
        }
        rewritten += "\r\n";
    }

    // The first prefs.js we replaced stays as prefs.bak for good; prefs.js is replaced by
    // a rename, so at no moment is there no prefs.js.
    std::string staged = JoinPath(folder, "prefs2.js");
    std::string backup = JoinPath(folder, "prefs.bak");
    std::error_code ec;
    if (!sys::WriteFileSynced(staged, rewritten, error)) {
        fs::remove(staged, ec);
        return false;
    }
    if (!fs::exists(backup, ec) && !sys::WriteFileAtomic(backup, original, error)) {
        fs::remove(staged, ec);
        return false;
    }
    if (!sys::RenameReplacing(staged, prefs, error)) {
        fs::remove(staged, ec);
        return false;
    }
    return sys::SyncDirectory(folder, error);
}

std::string BrowserCommandLine(std::string_view browserPath, std::string_view url) {
    return "\"" + std::string(text::TrimSpaces(browserPath)) + "\" " + std::string(url);
}

std::vector<std::string> SplitCommandLine(std::string_view command) {
    std::vector<std::string> args;
    for (std::size_t i = 0; i < command.size();) {
        if (command[i] == ' ' || command[i] == '\t') {
            ++i;
            continue;
        }
        std::string arg;
        bool quoted = false;
        while (i < command.size() && (quoted || (command[i] != ' ' && command[i] != '\t'))) {
            char c = command[i++];
            if (c == '"') {
                quoted = !quoted;
            } else if (c == '\\' && quoted && i < command.size() &&
                       (command[i] == '"' || command[i] == '\\')) {
                arg += command[i++];
            } else {
                arg += c;
            }
        }
        args.push_back(std::move(arg));
    }
    return args;
}

std::vector<std::string> BrowserArguments(const Registry& reg, std::string_view browserPath,
                                          std::string_view url) {
    // The desktop's own browser may need more than its program to start (a Flatpak's
    // "flatpak run ... app-id"): its whole command line is used, the address put where the
    // command wants it.
    std::string fileClass = GetRegText(reg, ".htm", "", kHKeyClassesRoot);
    std::string command = fileClass.empty()
                              ? std::string()
                              : GetRegText(reg, fileClass + "\\Shell\\Open\\Command", "", kHKeyClassesRoot);
    std::vector<std::string> parts = SplitCommandLine(command);
    if (parts.size() < 2 || parts.front() != text::TrimSpaces(browserPath))
        return {std::string(url)};
    std::vector<std::string> args;
    bool placed = false;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        std::string arg = std::move(parts[i]);
        if (std::size_t at = arg.find("%1"); at != std::string::npos) {
            arg.replace(at, 2, url);
            placed = true;
        }
        args.push_back(std::move(arg));
    }
    if (!placed)
        args.emplace_back(url);
    return args;
}

bool OpenInBrowser(Registry& reg, std::string& currentBrowserPath, ProcessLauncher& launcher,
                   std::string_view url, const std::function<void()>& showBrowserOptions) {
    if (!GetBrowser(reg, currentBrowserPath)) {
        if (showBrowserOptions)
            showBrowserOptions();
        // The options may just have named a browser.
        if (!GetBrowser(reg, currentBrowserPath))
            currentBrowserPath.clear();
    }
    std::string program(text::TrimSpaces(currentBrowserPath));
    if (program.empty())
        return false;
    return launcher.StartProgram(program, BrowserArguments(reg, program, url));
}

BrowserHomeOffer PrepareBrowserHomeOffer(Registry& reg, std::string_view dbPath) {
    BrowserHomeOffer offer;
    std::string userDefined;
    GetBrowserChoice(reg, offer.kind, userDefined);
    offer.homePage = JoinPath(dbPath, "home.html");
    if (offer.kind != kBrowserExplorer && offer.kind != kBrowserNetscape)
        return offer;
    offer.question = "Would you like to set " + LoadResString(offer.kind == kBrowserExplorer ? 50 : 51) +
                     " to use your Vireo! Homepage?";
    if (!GetAskHome(reg))
        return offer;
    std::string current;
    if (offer.kind == kBrowserExplorer)
        GetExplorerHome(reg, current);
    else
        GetNetscapeHome(reg, current);
    // A browser may hold the page as a file URL; it is the same page.
    std::string folded = text::FoldCase(current);
    if (folded == text::FoldCase(offer.homePage) || folded == text::FoldCase(FileUrl(offer.homePage)))
        return offer;
    offer.ask = true;
    return offer;
}

void AnswerBrowserHomeOffer(Registry& reg, const BrowserHomeOffer& offer, bool yes, bool doNotAskAgain) {
    if (yes) {
        if (offer.kind == kBrowserExplorer)
            SetExplorerHome(reg, offer.homePage);
        else if (offer.kind == kBrowserNetscape)
            SetNetscapeHome(reg, offer.homePage);
    }
    SetAskHome(reg, doNotAskAgain ? 1 : 0);
}

} // namespace vireo

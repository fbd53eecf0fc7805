// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/strings.h"

#include <filesystem>
#include <system_error>

#include "platform/paths.h"

namespace vireo {

namespace fs = std::filesystem;

std::string LoadResString(int id) {
    switch (id) {
    case 3:
        return HelpPageUrl("index.html");
    case 4:
        return "Vireo!";
    case 5:
        return HelpPageUrl("skylark.html");
    case 11:
        return "Software\\Orn\\Vireo!";
    case 15:
        return "AppEvents\\Schemes\\Apps\\Vireo!";
    case 20:
        return "Search the Web";
    case 21:
        return "Find Bookmarks";
    case 23:
        return "Open Homepage";
    case 24:
        return "Minimize/Maximize Vireo! Tool Bar";
    case 50:
        return "Microsoft Internet Explorer";
    case 51:
        return "Netscape Navigator";
    case 60:
        return "Empty the Trash Folder?  This will permanently delete all bookmarks and folders in the "
               "trash.";
    case 61:
        return "Empty Trash";
    case 70:
        return "Search Status - ";
    case 71:
        return "Canceling the search, please wait...";
    case 72:
        return "Waiting...";
    case 73:
        return "Search Complete";
    case 101:
        return HelpPageUrl("support.html");
    case 102:
        return HelpPageUrl("faq.html");
    case 402:
        return "Yes";
    case 403:
        return "No";
    case 407:
        return "Stop";
    case 408:
        return "Done";
    default:
        return {};
    }
}

std::string ProgramFolder() {
    std::string overridden = sys::GetEnv("VIREO_PROGRAM_DIR");
    if (!overridden.empty())
        return overridden;
    std::error_code ec;
    fs::path exeDir = fs::path(sys::ExecutablePath()).parent_path();
    if (fs::is_directory(exeDir / "help", ec))
        return exeDir.string();
    fs::path shared = fs::weakly_canonical(exeDir / ".." / "share" / "vireo", ec);
    return ec ? (exeDir / ".." / "share" / "vireo").string() : shared.string();
}

std::string FileUrl(std::string_view path) {
    static const char* hex = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : path) {
        bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' ||
                    c == '-' || c == '_' || c == '.' || c == '~';
        if (keep) {
            url.push_back(static_cast<char>(c));
        } else {
            url.push_back('%');
            url.push_back(hex[c >> 4]);
            url.push_back(hex[c & 15]);
        }
    }
    return url;
}

std::string HelpPageUrl(std::string_view page) {
    return FileUrl((fs::path(ProgramFolder()) / "help" / std::string(page)).string());
}

int VersionMajor() {
    return VIREO_VERSION_MAJOR;
}
int VersionMinor() {
    return VIREO_VERSION_MINOR;
}
int VersionRevision() {
    return VIREO_VERSION_PATCH;
}

} // namespace vireo

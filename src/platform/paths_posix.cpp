// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/paths.h"

#include <cstdlib>
#include <fstream>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

#include <filesystem>

namespace vireo::sys {

std::string GetEnv(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string ExecutablePath() {
    std::error_code ec;
    auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : p.string();
}

std::string HomeDir() {
    std::string home = GetEnv("HOME");
    if (!home.empty())
        return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/tmp";
}

std::string ConfigHome() {
    std::string v = GetEnv("XDG_CONFIG_HOME");
    return v.empty() ? HomeDir() + "/.config" : v;
}

std::string DataHome() {
    std::string v = GetEnv("XDG_DATA_HOME");
    return v.empty() ? HomeDir() + "/.local/share" : v;
}

std::string DocumentsDir() {
    std::string fromEnv = GetEnv("XDG_DOCUMENTS_DIR");
    if (!fromEnv.empty())
        return fromEnv;
    // user-dirs.dirs lines look like XDG_DOCUMENTS_DIR="$HOME/Documents".
    std::ifstream in(ConfigHome() + "/user-dirs.dirs");
    std::string line;
    const std::string key = "XDG_DOCUMENTS_DIR=";
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) != 0)
            continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0)
            value = HomeDir() + value.substr(5);
        if (!value.empty() && value != HomeDir() && value != HomeDir() + "/")
            return value;
    }
    return HomeDir() + "/Documents";
}

std::string TempDir() {
    std::string v = GetEnv("TMPDIR");
    return v.empty() ? std::string("/tmp") : v;
}

std::string RuntimeDir() {
    std::string v = GetEnv("XDG_RUNTIME_DIR");
    return v.empty() ? TempDir() : v;
}

} // namespace vireo::sys

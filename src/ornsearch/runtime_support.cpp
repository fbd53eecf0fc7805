// SPDX-License-Identifier: GPL-3.0-or-later
#include "ornsearch/runtime_support.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <ifaddrs.h>
#include <net/if.h>
#include <openssl/evp.h>
#include <sstream>
#include <vector>

#include "ornsearch/hit_text.h"

namespace vireo::orn {

namespace fs = std::filesystem;

namespace {

std::string XdgFolder(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    if (value && *value == '/')
        return value;
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/" + fallback;
}

std::string ReadSmallFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text;
    char buffer[4096];
    while (in && text.size() < (1u << 20)) {
        in.read(buffer, sizeof buffer);
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
    }
    return text;
}

} // namespace

std::string UserEnginesFolder() {
    return XdgFolder("XDG_DATA_HOME", ".local/share") + "/Vireo/engines";
}

std::string SearchLogPath() {
    return XdgFolder("XDG_CACHE_HOME", ".cache") + "/Vireo/search.log";
}

SearchLog::SearchLog(std::string path) {
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    if (fs::file_size(path, ec) > kLogCap && !ec)
        fs::rename(path, path + ".1", ec);
    m_file = std::fopen(path.c_str(), "a");
}

SearchLog::~SearchLog() {
    if (m_file)
        std::fclose(m_file);
}

void SearchLog::Line(std::string_view text) {
    if (!m_file)
        return;
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &tm);
    std::string line;
    line.reserve(text.size() + 24);
    line += stamp;
    line += ' ';
    // One entry a line of valid UTF-8, whatever a server or a script put into the text.
    for (char c : RepairUtf8(text))
        line += (c == '\n' || c == '\r') ? ' ' : c;
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), m_file);
    std::fflush(m_file);
}

void GroupNames::Clear() {
    std::lock_guard lock(m_mutex);
    m_names.clear();
}

void GroupNames::Add(std::int16_t number, std::string name) {
    std::lock_guard lock(m_mutex);
    m_names[number] = std::move(name);
}

std::string GroupNames::Name(std::int16_t number) const {
    std::lock_guard lock(m_mutex);
    auto it = m_names.find(number);
    if (it != m_names.end())
        return it->second;
    return number == 0 ? "All Engines" : "group " + std::to_string(number);
}

GroupNames& Groups() {
    static GroupNames groups;
    return groups;
}

std::string Sha256Hex(std::string_view data) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_Digest(data.data(), data.size(), digest, &size, EVP_sha256(), nullptr) != 1)
        return {};
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(size * 2);
    for (unsigned int i = 0; i < size; ++i) {
        out.push_back(kHex[digest[i] >> 4]);
        out.push_back(kHex[digest[i] & 0x0F]);
    }
    return out;
}

bool HasDefaultRoute(std::string_view ipv4Table, std::string_view ipv6Table) {
    std::istringstream v4{std::string(ipv4Table)};
    std::string line;
    std::getline(v4, line); // the heading
    while (std::getline(v4, line)) {
        std::istringstream fields(line);
        std::string iface, destination, gateway, flags;
        if (!(fields >> iface >> destination >> gateway >> flags))
            continue;
        unsigned long f = std::strtoul(flags.c_str(), nullptr, 16);
        if (destination == "00000000" && (f & 0x1) && iface != "lo")
            return true;
    }
    std::istringstream v6{std::string(ipv6Table)};
    while (std::getline(v6, line)) {
        std::istringstream fields(line);
        std::vector<std::string> f;
        std::string word;
        while (fields >> word)
            f.push_back(word);
        if (f.size() < 10)
            continue;
        unsigned long flags = std::strtoul(f[8].c_str(), nullptr, 16);
        if (f[0] == std::string(32, '0') && f[1] == "00" && (flags & 0x1) && f[9] != "lo" &&
            (flags & 0x200) == 0 /* not a reject route */)
            return true;
    }
    return false;
}

bool HasConnection(const std::string& ipv4Routes, const std::string& ipv6Routes) {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return false;
    bool up = false;
    for (ifaddrs* a = list; a; a = a->ifa_next) {
        if ((a->ifa_flags & IFF_UP) && (a->ifa_flags & IFF_RUNNING) && !(a->ifa_flags & IFF_LOOPBACK) &&
            a->ifa_addr) {
            up = true;
            break;
        }
    }
    freeifaddrs(list);
    return up && HasDefaultRoute(ReadSmallFile(ipv4Routes), ReadSmallFile(ipv6Routes));
}

std::string CutUtf8(std::string_view text, std::size_t bytes) {
    if (text.size() <= bytes)
        return std::string(text);
    std::size_t end = bytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return std::string(text.substr(0, end));
}

} // namespace vireo::orn

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ornsearch/runtime_support.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <ifaddrs.h>
#include <net/if.h>
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
    static constexpr std::array<std::uint32_t, 64> k = {
        0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
        0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
        0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
        0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
        0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
        0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
        0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
        0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};
    std::array<std::uint32_t, 8> h = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                      0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    auto rotr = [](std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); };
    std::string msg(data);
    std::uint64_t bits = static_cast<std::uint64_t>(data.size()) * 8;
    msg += static_cast<char>(0x80);
    while (msg.size() % 64 != 56)
        msg += '\0';
    for (int i = 7; i >= 0; --i)
        msg += static_cast<char>((bits >> (i * 8)) & 0xff);
    for (std::size_t chunk = 0; chunk < msg.size(); chunk += 64) {
        std::array<std::uint32_t, 64> w{};
        for (int i = 0; i < 16; ++i) {
            const auto* p = reinterpret_cast<const unsigned char*>(msg.data() + chunk + i * 4);
            w[i] =
                (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
        }
        for (int i = 16; i < 64; ++i) {
            std::uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
            std::uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        auto v = h;
        for (int i = 0; i < 64; ++i) {
            std::uint32_t S1 = rotr(v[4], 6) ^ rotr(v[4], 11) ^ rotr(v[4], 25);
            std::uint32_t ch = (v[4] & v[5]) ^ (~v[4] & v[6]);
            std::uint32_t t1 = v[7] + S1 + ch + k[i] + w[i];
            std::uint32_t S0 = rotr(v[0], 2) ^ rotr(v[0], 13) ^ rotr(v[0], 22);
            std::uint32_t maj = (v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]);
            std::uint32_t t2 = S0 + maj;
            v = {t1 + t2, v[0], v[1], v[2], v[3] + t1, v[4], v[5], v[6]};
        }
        for (int i = 0; i < 8; ++i)
            h[i] += v[i];
    }
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (std::uint32_t word : h)
        for (int shift = 28; shift >= 0; shift -= 4)
            out += hex[(word >> shift) & 0xf];
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

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the search runtime needs around the transfers: where the user's engines and the
// search log live, the log itself, the group names, SHA-256 for engine updates, and the
// connection check. Internal to the library.

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace vireo::orn {

// $XDG_DATA_HOME/Vireo/engines (else ~/.local/share/Vireo/engines).
std::string UserEnginesFolder();
// $XDG_CACHE_HOME/Vireo/search.log (else ~/.cache/Vireo/search.log).
std::string SearchLogPath();

// Appends lines to the search log. Writing never fails loudly: a log that cannot be
// written is skipped, the search goes on. The log is rotated to search.log.1 when it grows
// past kLogCap at the start of a search.
class SearchLog {
public:
    static constexpr std::uintmax_t kLogCap = 1u << 20;
    explicit SearchLog(std::string path = SearchLogPath());
    ~SearchLog();
    SearchLog(const SearchLog&) = delete;
    SearchLog& operator=(const SearchLog&) = delete;
    void Line(std::string_view text);

private:
    std::FILE* m_file = nullptr;
};

// The group table the program fills (ClearHashTable / AddHash).
class GroupNames {
public:
    void Clear();
    void Add(std::int16_t number, std::string name);
    std::string Name(std::int16_t number) const;

private:
    mutable std::mutex m_mutex;
    std::map<std::int16_t, std::string> m_names;
};
GroupNames& Groups();

// Lower-case hexadecimal SHA-256 of the bytes.
std::string Sha256Hex(std::string_view data);

// Whether an interface other than loopback is up and a default route exists; the /proc
// files are arguments so tests can hand in their own.
bool HasConnection(const std::string& ipv4Routes = "/proc/net/route",
                   const std::string& ipv6Routes = "/proc/net/ipv6_route");
// The default-route part alone, over the texts of the two route tables.
bool HasDefaultRoute(std::string_view ipv4Table, std::string_view ipv6Table);

// One engine update from the feed into the user's engines folder, logged: UpdateScripts
// without the transfer library's start-up (the number of scripts replaced, 0, or < 0).
std::int32_t RunUpdate(const std::string& programFolder, SearchLog& log);

// Cuts UTF-8 text to at most `bytes` bytes without splitting a character.
std::string CutUtf8(std::string_view text, std::size_t bytes);

} // namespace vireo::orn

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The search library as the rest of the program sees it: the functions of
// libornsearch (src/ornsearch/ornsearch.h) with C++ types, and its two callbacks turned
// into events handed to a sink. The program loads the real library at run time
// (platform/search_library_dl.h); tests use a scripted one
// (tests/search/scripted_search_library.h).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vireo {

// One engine the library knows: its display name, its script identifier (the script's
// path) and its home page.
struct SiteEntry {
    std::string name;
    std::string id;
    std::string home;
    bool operator==(const SiteEntry&) const = default;
};

// Where the library's callbacks go. The library calls these on its own worker thread, one
// at a time, between InternetSearchMT and the status 0 of that search; the texts are only
// valid during the call. An implementation must not block (the event queue only copies).
class SearchEventSink {
public:
    virtual ~SearchEventSink() = default;
    virtual void OnResult(std::string_view site, std::string_view description, std::string_view title,
                          std::string_view address) = 0;
    virtual void OnStatus(std::string_view site, std::int32_t status) = 0;
};

// GetSites results (1 to 200 success, above 200 no scripts, 0 failure).
inline constexpr std::int32_t kSitesFailed = 0;
inline constexpr std::int32_t kSitesOk = 1;
inline constexpr std::int32_t kSitesNoScripts = 201;
// The most engines GetSites reports.
inline constexpr std::size_t kMaxSites = 61;
// What the program passes as InternetSearchMT's transfer argument; the library runs every
// engine at once whatever it says.
inline constexpr std::int16_t kMaxTransfers = 20;
// UpdateScripts: no engine feed is set, so nothing was checked.
inline constexpr std::int32_t kUpdateNoFeed = -2;

class SearchLibrary {
public:
    virtual ~SearchLibrary() = default;

    // False when the library could not be loaded (that was told to the user once) or
    // lacks a function; every call then does nothing and returns 0.
    virtual bool Usable() { return true; }

    // Replaces `sites` with the engines the library knows (at most kMaxSites) and returns
    // the library's result. `programFolder` is the program folder with a trailing "/".
    virtual std::int32_t GetSites(const std::string& programFolder, std::vector<SiteEntry>& sites) = 0;
    // The engines GetSites keeps first when it cannot report them all: names as the program
    // shows them (cut to `nameWidth` characters, trimmed) or whole names.
    virtual std::int32_t KeepSites(const std::vector<std::string>& names, std::int16_t nameWidth) = 0;
    // The engines the last GetSites left out for want of room (their names and ids; no
    // home pages), in short-name order.
    virtual std::vector<SiteEntry> LeftOutSites() = 0;
    // Starts a search over `scripts` (empty texts are skipped) and returns at once: 1
    // started, 0 refused (nothing will be reported then). Every hit and status report of
    // this search goes to `events`, which the library keeps alive until the status 0.
    // `group` is the number of the search group the list was made from (0 for all
    // engines), so that the library's log can name it.
    virtual std::int32_t InternetSearchMT(const std::vector<std::string>& scripts, const std::string& query,
                                          std::int16_t siteMax, std::int16_t maxHits, std::int16_t timeout,
                                          std::shared_ptr<SearchEventSink> events, std::int16_t maxTransfers,
                                          std::int16_t group) = 0;
    // Asks the running search to stop (each running site reports 9, then the search 0).
    // Safe at any time; 1 when a search was running.
    virtual std::int32_t CancelSearch() = 0;
    // Brings the engine scripts up to date; blocks. Above 0: scripts were updated;
    // kUpdateNoFeed: no feed is set. May run on a thread of its own while a search runs.
    virtual std::int32_t UpdateScripts(const std::string& programFolder) = 0;
    // 0 when no connection to the internet is open.
    virtual std::int32_t ConnectionExists() = 0;
    // The library's table of search groups (for its log).
    virtual std::int32_t ClearHashTable() = 0;
    virtual std::int32_t AddHash(std::int16_t number, const std::string& name) = 0;
};

} // namespace vireo

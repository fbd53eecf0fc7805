// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Checking a folder's links: each bookmark's page is fetched and read for the phrase of a
// "not found" page. Several pages are fetched at once; the caller hears each result as it
// comes and may cancel.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vireo {

class Database;

// What a fetch brought back.
struct FetchResult {
    bool opened = false;    // the server answered (with any status)
    long status = 0;        // the HTTP status; 0 for other schemes
    std::string body;       // the body as read, at most the fetcher's cap
    bool truncated = false; // the body was longer than the cap
    bool cancelled = false;
    std::string error; // why it could not be opened
};

// Fetches a page. Implementations must allow calls from several threads at once and
// must end each call in bounded time, also when the server never answers, sends without
// end or redirects in a circle.
class UrlFetcher {
public:
    virtual ~UrlFetcher() = default;
    // `cancel` (may be null) becomes true when the caller gives up.
    virtual FetchResult Fetch(const std::string& url, const std::atomic<bool>* cancel) = 0;
};

// The text with every tag removed ("<" starts a tag, ">" ends it).
std::string StripHtml(std::string_view text);
// True when the page's text (tags removed, any letter case, any run of white space
// between the words) says "404 not found".
bool HasNotFoundPhrase(std::string_view body);

enum class LinkState {
    Alive,
    NotFoundPage, // the page says "404 not found"
    Gone,         // the server answered 404 or 410
    Unreachable,  // no answer, or an error answer; `reason` tells
    NotChecked,   // the check was cancelled first
};

// "alive", "dead", ... for reports.
std::string_view LinkStateName(LinkState state);

struct LinkReport {
    std::int32_t key = 0;
    std::int32_t position = 0; // in the folder's collection
    std::string title;
    std::string url;
    LinkState state = LinkState::NotChecked;
    long status = 0;
    std::string reason; // for anything but Alive: why, in a few words
};

// Judges one fetch.
void ClassifyFetch(const FetchResult& fetch, LinkReport& report);

struct VerifyOptions {
    int jobs = 4; // pages fetched at once (1 to 16)
    // Called on the calling thread as each result comes: the report, how many are done,
    // of how many.
    std::function<void(const LinkReport&, std::int32_t done, std::int32_t total)> progress;
    const std::atomic<bool>* cancel = nullptr;
};

// Checks every bookmark of the folder (not of its subfolders) and returns one report per
// bookmark, in the folder's order. The database is read only before the fetches start.
std::vector<LinkReport> VerifyLinks(const Database& db, std::int16_t folder, UrlFetcher& fetcher,
                                    const VerifyOptions& options = {});

// The two halves of VerifyLinks, so that a window can read the database on its own thread
// and leave the fetching to another: the unchecked reports of a folder's bookmarks, and
// the check of such reports (which touches no database).
std::vector<LinkReport> CollectLinks(const Database& db, std::int16_t folder);
std::vector<LinkReport> CheckLinks(std::vector<LinkReport> reports, UrlFetcher& fetcher,
                                   const VerifyOptions& options = {});

} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Checking a folder's links: each bookmark's page is fetched and read for the phrase of a
// "not found" page. Many pages are fetched at once, only a few from any one host, and no
// more of a page is read than the judgement needs; the caller hears each result as it
// comes and may cancel.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "interchange/link_marks.h"

namespace vireo {

class Database;
class Registry;

// Pages fetched at once: the most, the default, and the most from one host (a host being
// a host name and port), so that no site is hammered.
inline constexpr int kMaxLinkJobs = 128;
inline constexpr int kDefaultLinkJobs = 128;
inline constexpr int kLinkJobsPerHost = 4;
// The most of a page that is read: a page that says "404 not found" says it early.
inline constexpr std::size_t kMaxPageBytes = 2u << 20;

// Why a fetch brought no answer.
enum class FetchFailure {
    None,
    NoAnswer,         // nothing in time
    NoConnection,     // the host is unknown or refused the connection
    NoSuchFile,       // a file server has no such file
    TooManyRedirects, // redirections without end
    OtherScheme,      // redirected to an address that is not http or https (not followed)
    Other,
};

// What a fetch brought back.
struct FetchResult {
    bool opened = false;    // the server answered (with any status)
    long status = 0;        // the HTTP status; 0 for other schemes
    bool truncated = false; // the body went on past the cap
    FetchFailure failure = FetchFailure::None;
    std::string error; // why it could not be opened, in a few words
};

// Takes in a page as it arrives and says when enough of it has been read.
class PageReader {
public:
    virtual ~PageReader() = default;
    // The answer's status and content type have come: false when its body is not needed.
    virtual bool WantBody(long status, std::string_view contentType) = 0;
    // The next piece of the body: false when enough has been read.
    virtual bool Feed(std::string_view data) = 0;
};

struct FetchJob {
    std::string url;
    PageReader* reader = nullptr; // null: no body is read
};

struct FetchPlan {
    int jobs = kDefaultLinkJobs;    // fetches at once
    int perHost = kLinkJobsPerHost; // fetches at once from one host
    const std::atomic<bool>* cancel = nullptr;
};

// Fetches pages. Implementations end every fetch in bounded time, also when the server
// never answers, sends without end or redirects in a circle.
class UrlFetcher {
public:
    virtual ~UrlFetcher() = default;
    using Finished = std::function<void(std::size_t job, const FetchResult& result)>;
    // Fetches the jobs and calls `finished` on the calling thread as each one ends.
    // Returns when all have ended, or within 50 ms of *plan.cancel becoming true; jobs
    // unfinished then are not reported. One call at a time per fetcher.
    virtual void FetchAll(std::span<const FetchJob> jobs, const FetchPlan& plan,
                          const Finished& finished) = 0;
};

// "host:port" of a web address in lower case, with the scheme's port when it names none;
// "" when it names no host. Fetches are counted against this.
std::string LinkHost(std::string_view url);

// Reads a page piece by piece for the phrase of a "not found" page, the way
// HasNotFoundPhrase reads a whole one.
class NotFoundScanner {
public:
    // True once the phrase has been seen (in this piece or before).
    bool Feed(std::string_view data);
    bool Found() const { return m_found; }

private:
    int m_matched = 0; // letters of the phrase matched so far
    bool m_inTag = false;
    bool m_white = false; // white space seen since the last letter
    bool m_any = false;   // any letter seen yet
    bool m_found = false;
};

// The text with every tag removed ("<" starts a tag, ">" ends it).
std::string StripHtml(std::string_view text);
// True when the page's text (tags removed, any letter case, any run of white space
// between the words) says "404 not found".
bool HasNotFoundPhrase(std::string_view body);

enum class LinkState {
    Alive,
    NotFoundPage, // the page says "404 not found"
    Gone,         // the server answered 404 or 410, or has no such file
    Unreachable,  // no answer, or an error answer; `reason` tells
    Skipped,      // not a web address: nothing to fetch
    NotChecked,   // the check was cancelled first
};

// "alive", "dead", ... for reports.
std::string_view LinkStateName(LinkState state);
// Dead or unreachable: what the mark in a bookmark stands for.
bool IsMarkedState(LinkState state);

struct LinkReport {
    std::int32_t key = 0;
    std::int32_t position = 0; // in the folder's collection
    std::string title;
    std::string url;
    LinkState state = LinkState::NotChecked;
    long status = 0;
    std::string reason;                        // for anything but Alive: why, in a few words
    DeadReason deadReason = DeadReason::Other; // for marked states: the kind the mark keeps
};

// Judges one fetch; `saysNotFound` tells whether the body read had the phrase.
void ClassifyFetch(const FetchResult& fetch, bool saysNotFound, LinkReport& report);

struct VerifyOptions {
    int jobs = kDefaultLinkJobs; // pages fetched at once (1 to kMaxLinkJobs)
    int perHost = kLinkJobsPerHost;
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

// Remembers a report in its bookmark of `folder` (RememberLinkCheck): links that were
// not checked change nothing. True when the bookmark changed.
bool RememberLinkReport(Database& db, std::int16_t folder, const LinkReport& report, OleDate when);

// Counts a check as its reports come, for the progress line: links and hosts done, and
// the time left judged by the pace so far.
class LinkCheckProgress {
public:
    explicit LinkCheckProgress(const std::vector<LinkReport>& reports);
    void Add(const LinkReport& report);
    std::int32_t LinksDone() const { return m_linksDone; }
    std::int32_t LinksTotal() const { return m_linksTotal; }
    std::int32_t HostsDone() const { return m_hostsDone; }
    std::int32_t HostsTotal() const { return static_cast<std::int32_t>(m_left.size()); }
    // Seconds still to go after `elapsed` seconds; negative while too little is known.
    double SecondsLeft(double elapsed) const;

private:
    std::unordered_map<std::string, std::int32_t> m_left; // links still to check per host
    std::int32_t m_linksDone = 0;
    std::int32_t m_linksTotal = 0;
    std::int32_t m_fetchesDone = 0;
    std::int32_t m_fetchesTotal = 0;
    std::int32_t m_hostsDone = 0;
};

// "about 12 seconds left", "about 3 minutes left"; "" when unknown.
std::string TimeLeftText(double seconds);

// The link check window's setting: how many pages it fetches at once ("Jobs" under
// "\LinkCheck"); absent or out of range gives the default.
inline constexpr std::string_view kLinkCheckSettingsKey = "\\LinkCheck";
int GetLinkCheckJobs(const Registry& reg);
void SetLinkCheckJobs(Registry& reg, int jobs);

} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
// The search itself: one worker thread runs every engine of the list over one libcurl
// multi handle, page after page, and reports hits and progress through the program's two
// callbacks. Only this thread calls them, so they never overlap.

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ornsearch/engine.h"
#include "ornsearch/ornsearch.h"
#include "ornsearch/runtime_support.h"
#include "store/text_codec.h"

namespace vireo::orn {

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kUserAgent[] = "Mozilla/5.0 (X11; Linux x86_64) Vireo/2.0 (bookmark manager)";
// An engine that keeps sending new pages is asked at most this often per search.
constexpr int kMaxPages = 10;

class Runner;

struct Site {
    std::string id;
    EngineScript script;
    bool ended = false;
    bool connected = false; // 2 was reported
    int pageIndex = 0;
    int items = 0;        // result entries seen so far (the start of the next page)
    int delivered = 0;    // hits passed to the program
    int count = 10;       // hits asked for per page
    int form = 0;         // the script's Url asked for its pages
    bool refused = false; // a form's answer was the site refusing an automated search
    std::set<std::string> addresses;
};

struct Transfer {
    Runner* runner = nullptr;
    Site* site = nullptr;
    CURL* easy = nullptr;
    curl_slist* headers = nullptr;
    PageRequest request;
    std::string body;
    bool capped = false;
    bool headerSeen = false;
    Clock::time_point started;
};

struct Search {
    std::vector<std::string> scripts;
    std::string query;
    int siteMax = 10;
    int maxHits = 100;
    int timeout = 5;
    std::int16_t group = 0;
    OrnResultCallback onResult = nullptr;
    OrnStatusCallback onStatus = nullptr;
};

std::mutex g_mutex; // guards g_worker, g_multi
std::thread g_worker;
std::atomic<bool> g_running{false};
std::atomic<bool> g_cancel{false};
CURLM* g_multi = nullptr;

class Runner {
public:
    explicit Runner(Search search) : m_s(std::move(search)) {}
    void Run();

private:
    void Status(Site& site, int code) { m_s.onStatus(site.id.c_str(), code); }
    void End(Site& site, int code);
    void Finish(Site& site) {
        Status(site, ORN_STATUS_DISCONNECTING);
        End(site, ORN_STATUS_COMPLETE);
    }
    bool Queue(Site& site);
    void Fail(Site& site, int code, bool refused);
    void Start(Transfer* t);
    void Complete(Transfer* t, CURLcode result);
    void Drop(Transfer* t);
    static std::size_t OnBody(char* data, std::size_t size, std::size_t n, void* user);
    static std::size_t OnHeader(char* data, std::size_t size, std::size_t n, void* user);
    static int OnConnected(void* user, char*, char*, int, int);
    void Connected(Site& site) {
        if (!site.connected) {
            site.connected = true;
            Status(site, ORN_STATUS_CONNECTED);
        }
    }

    Search m_s;
    SearchLog m_log;
    CURLM* m_multi = nullptr;
    std::vector<std::unique_ptr<Site>> m_sites;
    std::deque<std::unique_ptr<Transfer>> m_waiting;
    std::vector<std::unique_ptr<Transfer>> m_active;
    int m_total = 0;
};

void Runner::End(Site& site, int code) {
    if (site.ended)
        return;
    site.ended = true;
    Status(site, code);
}

bool Runner::Queue(Site& site) {
    auto t = std::make_unique<Transfer>();
    t->runner = this;
    t->site = &site;
    bool more = true;
    std::string error;
    if (!BuildPageRequest(site.script, m_s.query, site.items, site.pageIndex, site.count, t->request, &more,
                          &error, site.form)) {
        m_log.Line(site.script.shortName + ": no request for page " + std::to_string(site.pageIndex + 1) +
                   ": " + error);
        return false;
    }
    m_waiting.push_back(std::move(t));
    return true;
}

// The page could not be had or read with the site's form: the next form is asked for the
// same page; with none left the site ends with `code`, or as refused when any form's answer
// was a refusal (the program shows it as a general error; the flag says why).
void Runner::Fail(Site& site, int code, bool refused) {
    site.refused = site.refused || refused;
    while (site.form + 1 < FormCount(site.script) && !g_cancel) {
        ++site.form;
        m_log.Line(site.script.shortName + ": trying the engine's Url " + std::to_string(site.form + 1) +
                   " for page " + std::to_string(site.pageIndex + 1));
        if (Queue(site))
            return;
    }
    End(site, site.refused ? (ORN_STATUS_GENERAL_ERROR | ORN_STATUS_REFUSED) : code);
}

std::size_t Runner::OnBody(char* data, std::size_t size, std::size_t n, void* user) {
    auto* t = static_cast<Transfer*>(user);
    std::size_t bytes = size * n;
    // A body past the cap (a decompression bomb, an endless page) ends the transfer; the
    // part we have is read as the page.
    if (t->body.size() + bytes > kMaxBody) {
        t->body.append(data, kMaxBody - t->body.size());
        t->capped = true;
        return 0;
    }
    t->body.append(data, bytes);
    return bytes;
}

// The engine's answer has begun: the user sees the page coming while it is still on its
// way, however slowly it arrives.
std::size_t Runner::OnHeader(char*, std::size_t size, std::size_t n, void* user) {
    auto* t = static_cast<Transfer*>(user);
    if (!t->headerSeen) {
        t->headerSeen = true;
        t->runner->Connected(*t->site);
        t->runner->Status(*t->site, ORN_STATUS_GETTING_PAGE);
    }
    return size * n;
}

// Called once the connection stands and before the request goes out, so "Connected."
// shows while a slow engine is still working on its answer.
int Runner::OnConnected(void* user, char*, char*, int, int) {
    auto* t = static_cast<Transfer*>(user);
    t->runner->Connected(*t->site);
    return CURL_PREREQFUNC_OK;
}

void Runner::Start(Transfer* t) {
    CURL* e = curl_easy_init();
    t->easy = e;
    t->started = Clock::now();
    curl_easy_setopt(e, CURLOPT_URL, t->request.url.c_str());
    curl_easy_setopt(e, CURLOPT_PRIVATE, t);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &Runner::OnBody);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, t);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &Runner::OnHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, t);
    curl_easy_setopt(e, CURLOPT_PREREQFUNCTION, &Runner::OnConnected);
    curl_easy_setopt(e, CURLOPT_PREREQDATA, t);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, static_cast<long>(m_s.timeout));
    curl_easy_setopt(e, CURLOPT_TIMEOUT, static_cast<long>(m_s.timeout));
    curl_easy_setopt(e, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(e, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(e, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_2TLS);
    for (const std::string& h : t->request.headers)
        t->headers = curl_slist_append(t->headers, h.c_str());
    if (t->request.method == "POST") {
        curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE, static_cast<long>(t->request.body.size()));
        curl_easy_setopt(e, CURLOPT_POSTFIELDS, t->request.body.c_str());
        if (!t->request.contentType.empty())
            t->headers = curl_slist_append(t->headers, ("Content-Type: " + t->request.contentType).c_str());
    }
    if (t->headers)
        curl_easy_setopt(e, CURLOPT_HTTPHEADER, t->headers);
    curl_multi_add_handle(m_multi, e);
}

void Runner::Drop(Transfer* t) {
    if (t->easy) {
        curl_multi_remove_handle(m_multi, t->easy);
        curl_easy_cleanup(t->easy);
        t->easy = nullptr;
    }
    if (t->headers) {
        curl_slist_free_all(t->headers);
        t->headers = nullptr;
    }
}

int CodeOf(CURLcode result) {
    switch (result) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return ORN_STATUS_UNRESOLVED;
    case CURLE_COULDNT_CONNECT:
        return ORN_STATUS_UNREACHABLE;
    case CURLE_OPERATION_TIMEDOUT:
        return ORN_STATUS_TIMED_OUT;
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL:
        return ORN_STATUS_INVALID_URL;
    default:
        return ORN_STATUS_GENERAL_ERROR;
    }
}

void Runner::Complete(Transfer* t, CURLcode result) {
    Site& site = *t->site;
    long http = 0;
    char* type = nullptr;
    char* effective = nullptr;
    curl_easy_getinfo(t->easy, CURLINFO_RESPONSE_CODE, &http);
    curl_easy_getinfo(t->easy, CURLINFO_CONTENT_TYPE, &type);
    curl_easy_getinfo(t->easy, CURLINFO_EFFECTIVE_URL, &effective);
    std::string contentType = type ? type : "";
    std::string pageUrl = effective ? effective : t->request.url;
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t->started).count();
    std::string entry = site.script.shortName + " " + t->request.method + " " + t->request.url + " -> HTTP " +
                        std::to_string(http) + ", " + std::to_string(t->body.size()) + " bytes, " +
                        std::to_string(ms) + " ms";
    if (result == CURLE_WRITE_ERROR && t->capped)
        result = CURLE_OK;
    if (result != CURLE_OK) {
        m_log.Line(entry + ", error: " + curl_easy_strerror(result));
        Fail(site, CodeOf(result), false);
        return;
    }
    // A page without a header callback (not seen with HTTP, but the order is promised).
    Connected(site);
    if (!t->headerSeen) {
        t->headerSeen = true;
        Status(site, ORN_STATUS_GETTING_PAGE);
    }
    if (http < 200 || http >= 300) {
        std::string refusal = RefusalOf(site.script, t->body, contentType, pageUrl, http);
        m_log.Line(entry + (refusal.empty()
                                ? ", error: the server answered " + std::to_string(http)
                                : ", refused: the site refused an automated search (" + refusal + ")"));
        Fail(site, ORN_STATUS_GENERAL_ERROR, !refusal.empty());
        return;
    }
    PageHits page = ExtractHits(site.script, t->body, contentType, pageUrl, site.form);
    if (!page.ok) {
        m_log.Line(entry + (page.refused ? ", refused: " : ", error: ") + page.error);
        Fail(site, ORN_STATUS_SCRIPT_ERROR, page.refused);
        return;
    }
    if (page.form != site.form)
        entry += ", read as the engine's Url " + std::to_string(page.form + 1);
    Status(site, ORN_STATUS_WRITING_RESULTS);
    // Every engine delivers up to its own limit whatever the others did: the program keeps
    // the best of all by their rank within their engine, and an engine stopped because a
    // quicker one filled the search would be reported as having found nothing.
    int fresh = 0;
    for (const Hit& hit : page.hits) {
        if (site.delivered >= m_s.siteMax)
            break;
        if (!site.addresses.insert(hit.address).second)
            continue;
        ++fresh;
        ++site.delivered;
        ++m_total;
        m_s.onResult(site.id.c_str(), hit.snippet.c_str(), hit.title.c_str(), hit.address.c_str());
    }
    m_log.Line(entry + ", " + std::to_string(page.items) + " results, " + std::to_string(fresh) + " new" +
               (t->capped ? ", cut at the size limit" : ""));
    site.items += page.items;
    ++site.pageIndex;
    bool more = true;
    PageRequest probe;
    std::string error;
    // Whether the engine pages at all is told by building the next request.
    BuildPageRequest(site.script, m_s.query, site.items, site.pageIndex, site.count, probe, &more, &error,
                     site.form);
    if (more && page.items > 0 && fresh > 0 && site.delivered < m_s.siteMax && site.pageIndex < kMaxPages &&
        !g_cancel && Queue(site))
        return;
    Finish(site);
}

void Runner::Run() {
    m_multi = curl_multi_init();
    {
        std::lock_guard lock(g_mutex);
        g_multi = m_multi;
    }
    // One connection per engine stays open between its pages.
    curl_multi_setopt(m_multi, CURLMOPT_MAXCONNECTS,
                      static_cast<long>(std::max<std::size_t>(m_s.scripts.size(), 1)));
    m_log.Line("search \"" + m_s.query + "\" in " + Groups().Name(m_s.group) + ": " +
               std::to_string(m_s.scripts.size()) + " engines, " + std::to_string(m_s.siteMax) +
               " per engine, the best " + std::to_string(m_s.maxHits) + " kept, time-out " +
               std::to_string(m_s.timeout) + " s");

    for (const std::string& id : m_s.scripts) {
        auto site = std::make_unique<Site>();
        site->id = id;
        site->count = std::max(1, m_s.siteMax);
        m_sites.push_back(std::move(site));
    }
    for (auto& site : m_sites)
        Status(*site, ORN_STATUS_CONNECTING);
    for (auto& site : m_sites) {
        std::string error;
        if (!ReadEngineScript(site->id, site->script, &error)) {
            m_log.Line(site->id + ": " + error);
            End(*site, ORN_STATUS_SCRIPT_ERROR);
            continue;
        }
        if (!Queue(*site))
            End(*site, ORN_STATUS_INVALID_URL);
    }

    // Each page may take the whole time-out, and an engine is usually asked for one or two.
    const auto deadline = Clock::now() + std::chrono::seconds(3 * m_s.timeout + 2);
    bool timedOut = false;
    // Every engine has its transfer running at once (one page at a time each, so there are
    // never more transfers than engines). A finished page is handled as soon as curl says
    // so, and the engine's next page starts in the same round, without waiting in poll.
    while (!g_cancel) {
        if (Clock::now() >= deadline) {
            timedOut = true;
            break;
        }
        while (!m_waiting.empty()) {
            m_active.push_back(std::move(m_waiting.front()));
            m_waiting.pop_front();
            Start(m_active.back().get());
        }
        if (m_active.empty())
            break;
        int running = 0;
        curl_multi_perform(m_multi, &running);
        int left = 0;
        while (CURLMsg* msg = curl_multi_info_read(m_multi, &left)) {
            if (msg->msg != CURLMSG_DONE)
                continue;
            Transfer* t = nullptr;
            curl_easy_getinfo(msg->easy_handle, CURLINFO_PRIVATE, &t);
            CURLcode result = msg->data.result;
            if (!t)
                continue;
            Complete(t, result);
            Drop(t);
            m_active.erase(std::remove_if(m_active.begin(), m_active.end(),
                                          [t](const std::unique_ptr<Transfer>& p) { return p.get() == t; }),
                           m_active.end());
            if (g_cancel)
                break;
        }
        // New pages to start, or nothing left: round again at once.
        if (g_cancel || !m_waiting.empty() || m_active.empty())
            continue;
        // Sleeps until a socket is ready, curl's own next time-out, the deadline or a
        // wake-up from CancelSearch, whichever comes first.
        auto leftMs = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        int wait = static_cast<int>(std::clamp<long long>(leftMs + 1, 1, 1000));
        curl_multi_poll(m_multi, nullptr, 0, wait, nullptr);
    }

    for (auto& t : m_active)
        Drop(t.get());
    m_active.clear();
    m_waiting.clear();
    if (timedOut) {
        m_log.Line("the search passed its deadline");
        m_s.onStatus("", ORN_STATUS_SEARCH_TIMED_OUT);
    }
    for (auto& site : m_sites) {
        if (site->ended)
            continue;
        if (g_cancel)
            End(*site, ORN_STATUS_CANCELLED);
        else if (timedOut)
            End(*site, ORN_STATUS_DEADLINE);
        else
            Finish(*site);
    }
    m_log.Line("search ended: " + std::to_string(m_total) + " hits" + (g_cancel ? " (cancelled)" : ""));
    {
        std::lock_guard lock(g_mutex);
        g_multi = nullptr;
    }
    curl_multi_cleanup(m_multi);
    // Cleared before the last report, so the program may start its next search as soon as
    // it has seen the end; that call waits for this thread to finish.
    g_running = false;
    m_s.onStatus("", ORN_STATUS_SEARCH_ENDED);
}

std::once_flag g_curlInit;

// A program that ends while a search runs must not leave the worker behind: std::thread
// would end the process on its way out.
struct WorkerReaper {
    ~WorkerReaper() {
        g_cancel = true;
        {
            std::lock_guard lock(g_mutex);
            if (g_multi)
                curl_multi_wakeup(g_multi);
        }
        if (g_worker.joinable())
            g_worker.join();
    }
} g_reaper;

// What KeepSites named, and what the last GetSites left out (its LeftOutSites text).
std::mutex g_sitesMutex;
std::set<std::string, std::less<>> g_keep;
int g_keepWidth = 0;
std::string g_leftOut;

// By the whole name or the name as the program shows it (cut, then trimmed).
bool Kept(const EngineScript& e) {
    std::string_view shown = e.name;
    if (g_keepWidth > 0)
        shown = text::CutToChars(shown, static_cast<std::size_t>(g_keepWidth));
    return g_keep.count(text::TrimSpaces(e.name)) > 0 || g_keep.count(text::TrimSpaces(shown)) > 0;
}

// Cuts `engines` (in short-name order) to ORN_MAX_SITES: the kept engines first, then the
// others in their order; the engines that remain keep their order. Returns the engines
// left out, in their order.
std::vector<EngineScript> LeaveOutBeyondLimit(std::vector<EngineScript>& engines) {
    if (engines.size() <= ORN_MAX_SITES)
        return {};
    std::vector<bool> chosen(engines.size(), false);
    std::size_t room = ORN_MAX_SITES;
    {
        std::lock_guard lock(g_sitesMutex);
        for (std::size_t i = 0; i < engines.size() && room > 0; ++i) {
            if (Kept(engines[i])) {
                chosen[i] = true;
                --room;
            }
        }
    }
    for (std::size_t i = 0; i < engines.size() && room > 0; ++i) {
        if (!chosen[i]) {
            chosen[i] = true;
            --room;
        }
    }
    std::vector<EngineScript> kept, leftOut;
    for (std::size_t i = 0; i < engines.size(); ++i)
        (chosen[i] ? kept : leftOut).push_back(std::move(engines[i]));
    engines = std::move(kept);
    return leftOut;
}

} // namespace

} // namespace vireo::orn

using namespace vireo::orn;

extern "C" {

ORNSEARCH_API int32_t InternetSearchMT(const char* const* scripts, const char* query, int16_t siteMax,
                                       int16_t maxHits, int16_t timeout, OrnResultCallback onResult,
                                       OrnStatusCallback onStatus, int16_t /*maxTransfers*/, int16_t group) {
    if (!scripts || !query || !onResult || !onStatus)
        return 0;
    bool expected = false;
    if (!g_running.compare_exchange_strong(expected, true))
        return 0;
    std::call_once(g_curlInit, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    {
        std::lock_guard lock(g_mutex);
        if (g_worker.joinable())
            g_worker.join();
    }
    Search s;
    std::set<std::string> seen;
    for (const char* const* p = scripts; *p; ++p) {
        if (**p && seen.insert(*p).second)
            s.scripts.emplace_back(*p);
    }
    s.query = query;
    s.siteMax = std::max<int>(1, siteMax);
    s.maxHits = std::max<int>(1, maxHits);
    s.timeout = std::max<int>(1, timeout);
    s.group = group;
    s.onResult = onResult;
    s.onStatus = onStatus;
    g_cancel = false;
    std::lock_guard lock(g_mutex);
    g_worker = std::thread([s = std::move(s)]() mutable { Runner(std::move(s)).Run(); });
    return 1;
}

ORNSEARCH_API int32_t CancelSearch(void) {
    if (!g_running)
        return 0;
    g_cancel = true;
    std::lock_guard lock(g_mutex);
    if (g_multi)
        curl_multi_wakeup(g_multi);
    return 1;
}

ORNSEARCH_API int32_t ClearHashTable(void) {
    Groups().Clear();
    return 1;
}

ORNSEARCH_API int32_t AddHash(int16_t number, const char* name) {
    if (!name)
        return 0;
    Groups().Add(number, name);
    return 1;
}

ORNSEARCH_API int32_t ConnectionExists(void) {
    return HasConnection() ? 1 : 0;
}

ORNSEARCH_API int32_t GetSites(char (*names)[ORN_NAME_BYTES], char (*ids)[ORN_ID_BYTES],
                               char (*homes)[ORN_HOME_BYTES], int16_t* count, const char* programFolder) {
    if (!names || !ids || !homes || !count || !programFolder)
        return ORN_SITES_FAILED;
    *count = 0;
    std::vector<std::string> problems;
    std::vector<EngineScript> engines = LoadEngines(programFolder, UserEnginesFolder(), &problems);
    std::vector<EngineScript> leftOut = LeaveOutBeyondLimit(engines);
    {
        std::lock_guard lock(g_sitesMutex);
        g_leftOut.clear();
        for (const EngineScript& e : leftOut)
            g_leftOut += e.id + '\t' + e.name + '\n';
    }
    if (!problems.empty() || !leftOut.empty()) {
        SearchLog log;
        for (const std::string& p : problems)
            log.Line("engine script: " + p);
        for (const EngineScript& e : leftOut)
            log.Line("engine left out (more than " + std::to_string(ORN_MAX_SITES) + "): " + e.id);
    }
    if (engines.empty())
        return ORN_SITES_NO_SCRIPTS;
    std::size_t n = engines.size();
    for (std::size_t i = 0; i < n; ++i) {
        auto put = [](char* buffer, std::size_t size, const std::string& text) {
            std::string cut = CutUtf8(text, size - 1);
            std::copy(cut.begin(), cut.end(), buffer);
            buffer[cut.size()] = '\0';
        };
        put(names[i], ORN_NAME_BYTES, engines[i].name);
        put(ids[i], ORN_ID_BYTES, engines[i].id);
        put(homes[i], ORN_HOME_BYTES, engines[i].homePage);
    }
    *count = static_cast<int16_t>(n);
    return ORN_SITES_OK;
}

ORNSEARCH_API int32_t KeepSites(const char* const* names, int16_t nameWidth) {
    std::lock_guard lock(g_sitesMutex);
    g_keep.clear();
    g_keepWidth = std::max<int>(0, nameWidth);
    for (const char* const* p = names; p && *p; ++p) {
        std::string_view name = vireo::text::TrimSpaces(*p);
        if (!name.empty())
            g_keep.emplace(name);
    }
    return 1;
}

ORNSEARCH_API int32_t LeftOutSites(char* buffer, int32_t size) {
    std::lock_guard lock(g_sitesMutex);
    const auto length = static_cast<int32_t>(std::min<std::size_t>(g_leftOut.size(), INT32_MAX - 1));
    if (buffer && size > 0) {
        if (length < size)
            std::copy(g_leftOut.begin(), g_leftOut.begin() + length, buffer);
        buffer[length < size ? length : 0] = '\0';
    }
    return length;
}

} // extern "C"

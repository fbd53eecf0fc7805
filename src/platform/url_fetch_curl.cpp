// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/url_fetch.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace vireo::sys {

namespace {

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The most of a body's rest that is read to keep its connection (see Transfer::Drain).
constexpr curl_off_t kDrainLimit = 64 * 1024;

// With a proxy every transfer goes to the proxy, which libcurl then counts as the one
// host; the limit per site is kept by our own scheduling instead.
bool ProxyInEnvironment() {
    for (const char* name :
         {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY", "ftp_proxy"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

// One transfer and its easy handle, which is kept for the next transfer.
struct Transfer {
    CURL* easy = nullptr;
    std::size_t job = 0;
    std::size_t host = 0;
    PageReader* reader = nullptr;
    std::size_t cap = 0;
    std::size_t bytes = 0;
    bool decided = false;  // WantBody has been asked
    bool declined = false; // the reader wanted no body
    bool stopped = false;  // the reader had enough, or the cap was reached
    bool truncated = false;
    bool draining = false; // the rest of the body is read and thrown away
    char error[CURL_ERROR_SIZE] = {};

    // Once the reader wants no more, a short rest of the body is still taken in (and
    // thrown away), so that the connection stays fit for the next page; a long rest, or
    // one of unknown length, ends the transfer there.
    bool Drain() {
        curl_off_t length = -1;
        curl_easy_getinfo(easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        draining = length >= 0 && length <= kDrainLimit;
        return draining;
    }

    // Asked once per transfer, when the final answer's headers are in.
    bool Decide() {
        if (decided)
            return !declined;
        decided = true;
        long status = 0;
        char* type = nullptr;
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
        curl_easy_getinfo(easy, CURLINFO_CONTENT_TYPE, &type);
        declined = !reader || !reader->WantBody(status, type ? std::string_view(type) : std::string_view());
        return !declined;
    }
};

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    std::size_t n = size * count;
    // The blank line ends a header block; an answer that is a redirection to follow, or
    // an interim one, is not the page.
    if (n <= 2 && (n == 0 || data[0] == '\r' || data[0] == '\n')) {
        long status = 0;
        curl_easy_getinfo(t->easy, CURLINFO_RESPONSE_CODE, &status);
        if (status >= 200 && (status < 300 || status >= 400) && !t->Decide())
            return t->Drain() ? n : 0; // no body wanted: stop before it comes
    }
    return n;
}

std::size_t OnData(char* data, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    std::size_t n = size * count;
    if (t->draining)
        return n;
    if (!t->Decide())
        return t->Drain() ? n : 0;
    std::size_t room = t->cap > t->bytes ? t->cap - t->bytes : 0;
    if (n > room) {
        // Enough read: a page that sends without end costs no more than the cap.
        if (room)
            t->reader->Feed(std::string_view(data, room));
        t->bytes += room;
        t->truncated = true;
        t->stopped = true;
        return 0;
    }
    t->bytes += n;
    if (!t->reader->Feed(std::string_view(data, n))) {
        t->stopped = true;
        return t->Drain() ? n : 0;
    }
    return n;
}

FetchResult ResultOf(const Transfer& t, CURLcode rc) {
    FetchResult result;
    long status = 0;
    curl_easy_getinfo(t.easy, CURLINFO_RESPONSE_CODE, &status);
    result.status = status;
    result.truncated = t.truncated;
    if (rc == CURLE_OK || (rc == CURLE_WRITE_ERROR && (t.declined || t.stopped))) {
        result.opened = true;
        return result;
    }
    std::string detail = t.error[0] ? std::string(t.error) : std::string(curl_easy_strerror(rc));
    switch (rc) {
    case CURLE_OPERATION_TIMEDOUT:
        result.failure = FetchFailure::NoAnswer;
        result.error = "no answer in time";
        break;
    case CURLE_TOO_MANY_REDIRECTS:
        result.failure = FetchFailure::TooManyRedirects;
        result.error = "too many redirections";
        break;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT:
        result.failure = FetchFailure::NoConnection;
        result.error = detail;
        break;
    case CURLE_UNSUPPORTED_PROTOCOL:
        result.failure = FetchFailure::OtherScheme;
        result.error = "redirected to an address that is not http or https, which is not followed";
        break;
    case CURLE_REMOTE_FILE_NOT_FOUND:
        result.failure = FetchFailure::NoSuchFile;
        result.error = "the server has no such file";
        break;
    default:
        result.failure = FetchFailure::Other;
        result.error = detail;
        break;
    }
    return result;
}

// Reads a whole body for Fetch.
class BodyReader : public PageReader {
public:
    explicit BodyReader(std::string& body) : m_body(body) {}
    bool WantBody(long, std::string_view) override { return true; }
    bool Feed(std::string_view data) override {
        m_body.append(data);
        return true;
    }

private:
    std::string& m_body;
};

} // namespace

struct CurlFetcher::Impl {
    FetchLimits limits;
    CURLM* multi = nullptr;
    CURLSH* share = nullptr;
    std::vector<std::unique_ptr<Transfer>> transfers; // every one made so far
    std::vector<Transfer*> idle;

    ~Impl() {
        for (auto& t : transfers) {
            if (t->easy)
                curl_easy_cleanup(t->easy);
        }
        if (multi)
            curl_multi_cleanup(multi);
        if (share)
            curl_share_cleanup(share);
    }

    Transfer* Take() {
        if (!idle.empty()) {
            Transfer* t = idle.back();
            idle.pop_back();
            curl_easy_reset(t->easy);
            return t;
        }
        CURL* easy = curl_easy_init();
        if (!easy)
            return nullptr;
        transfers.push_back(std::make_unique<Transfer>());
        transfers.back()->easy = easy;
        return transfers.back().get();
    }

    void Give(Transfer* t) { idle.push_back(t); }

    void Prepare(Transfer& t, const FetchJob& job) {
        CURL* easy = t.easy;
        t.reader = job.reader;
        t.cap = limits.maxBody;
        t.bytes = 0;
        t.decided = t.declined = t.stopped = t.truncated = t.draining = false;
        t.error[0] = '\0';
        curl_easy_setopt(easy, CURLOPT_URL, job.url.c_str());
        curl_easy_setopt(easy, CURLOPT_USERAGENT, kUserAgent);
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(easy, CURLOPT_MAXREDIRS, limits.maxRedirects);
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, limits.connectTimeoutMs);
        curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, limits.totalTimeoutMs);
        // Web pages only: an FTP check would log in as "anonymous" to whatever host a
        // bookmark or a redirection names, and no other scheme has a page to judge.
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, ""); // what the library can decode
        curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_2TLS));
        curl_easy_setopt(easy, CURLOPT_SHARE, share);
#if LIBCURL_VERSION_NUM >= 0x075700
        // A cancelled check must not wait for a host name lookup still under way.
        curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L);
#endif
        curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnHeader);
        curl_easy_setopt(easy, CURLOPT_HEADERDATA, &t);
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnData);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &t);
        curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, t.error);
        curl_easy_setopt(easy, CURLOPT_PRIVATE, &t);
    }
};

CurlFetcher::CurlFetcher(FetchLimits limits) : m_impl(std::make_unique<Impl>()) {
    GlobalInit();
    m_impl->limits = limits;
    m_impl->multi = curl_multi_init();
    m_impl->share = curl_share_init();
    if (m_impl->share) {
        curl_share_setopt(m_impl->share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
        curl_share_setopt(m_impl->share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    }
}

CurlFetcher::~CurlFetcher() = default;

void CurlFetcher::FetchAll(std::span<const FetchJob> jobs, const FetchPlan& plan, const Finished& finished) {
    if (jobs.empty())
        return;
    auto cancelled = [&] { return plan.cancel && plan.cancel->load(); };
    if (!m_impl->multi) {
        FetchResult failed;
        failed.failure = FetchFailure::Other;
        failed.error = "the network library could not start";
        for (std::size_t j = 0; j < jobs.size() && !cancelled(); ++j)
            finished(j, failed);
        return;
    }
    const int most = std::max(plan.jobs, 1);
    const int perHost = std::max(plan.perHost, 1);
    curl_multi_setopt(m_impl->multi, CURLMOPT_MAX_HOST_CONNECTIONS,
                      ProxyInEnvironment() ? 0L : static_cast<long>(perHost));

    // The jobs of each host in their order, and a ring of the hosts that may start one
    // more: the hosts take turns, so a folder that starts with one big site still keeps
    // every other site busy meanwhile.
    struct Host {
        std::vector<std::size_t> jobs;
        std::size_t next = 0;
        int running = 0;
        bool inRing = false;
        bool HasMore() const { return next < jobs.size(); }
    };
    std::vector<Host> hosts;
    {
        std::unordered_map<std::string, std::size_t> index;
        for (std::size_t j = 0; j < jobs.size(); ++j) {
            auto [it, added] = index.try_emplace(LinkHost(jobs[j].url), hosts.size());
            if (added)
                hosts.emplace_back();
            hosts[it->second].jobs.push_back(j);
        }
    }
    std::deque<std::size_t> ring;
    for (std::size_t h = 0; h < hosts.size(); ++h) {
        ring.push_back(h);
        hosts[h].inRing = true;
    }
    int running = 0;
    std::vector<Transfer*> active;
    active.reserve(static_cast<std::size_t>(most));

    auto offer = [&](std::size_t h) {
        Host& host = hosts[h];
        if (!host.inRing && host.HasMore() && host.running < perHost) {
            ring.push_back(h);
            host.inRing = true;
        }
    };
    auto start = [&](std::size_t h) -> bool {
        Host& host = hosts[h];
        std::size_t j = host.jobs[host.next++];
        Transfer* t = m_impl->Take();
        bool added = false;
        if (t) {
            m_impl->Prepare(*t, jobs[j]);
            added = curl_multi_add_handle(m_impl->multi, t->easy) == CURLM_OK;
            if (!added)
                m_impl->Give(t);
        }
        if (!added) {
            FetchResult failed;
            failed.failure = FetchFailure::Other;
            failed.error = "the network library could not start the transfer";
            finished(j, failed);
            return false;
        }
        t->job = j;
        t->host = h;
        ++host.running;
        ++running;
        active.push_back(t);
        return true;
    };
    auto fill = [&] {
        while (running < most && !ring.empty()) {
            std::size_t h = ring.front();
            ring.pop_front();
            hosts[h].inRing = false;
            // Its connections may have taken its pages meanwhile.
            if (hosts[h].HasMore() && hosts[h].running < perHost)
                start(h);
            offer(h);
        }
    };
    auto stopAll = [&] {
        for (Transfer* t : active) {
            curl_multi_remove_handle(m_impl->multi, t->easy);
            m_impl->Give(t);
        }
        active.clear();
        running = 0;
    };

    fill();
    while (running > 0) {
        if (cancelled()) {
            stopAll();
            return;
        }
        int still = 0;
        curl_multi_perform(m_impl->multi, &still);
        int left = 0;
        while (CURLMsg* msg = curl_multi_info_read(m_impl->multi, &left)) {
            if (msg->msg != CURLMSG_DONE)
                continue;
            CURL* easy = msg->easy_handle;
            CURLcode rc = msg->data.result;
            Transfer* t = nullptr;
            curl_easy_getinfo(easy, CURLINFO_PRIVATE, reinterpret_cast<char**>(&t));
            if (!t)
                continue;
            FetchResult result = ResultOf(*t, rc);
            curl_multi_remove_handle(m_impl->multi, easy);
            std::erase(active, t);
            m_impl->Give(t);
            Host& host = hosts[t->host];
            --host.running;
            --running;
            finished(t->job, result);
            if (cancelled()) {
                stopAll();
                return;
            }
            // The connection just freed is best used for the same host's next page.
            if (host.HasMore() && running < most)
                start(t->host);
            offer(t->host);
        }
        fill();
        if (running == 0)
            break;
        curl_multi_poll(m_impl->multi, nullptr, 0, 50, nullptr);
    }
}

FetchResult CurlFetcher::Fetch(const std::string& url, std::string& body) {
    body.clear();
    BodyReader reader(body);
    FetchJob job{url, &reader};
    FetchResult result;
    result.failure = FetchFailure::Other;
    result.error = "not fetched";
    FetchAll(std::span<const FetchJob>(&job, 1), FetchPlan{1, 1, nullptr},
             [&](std::size_t, const FetchResult& r) { result = r; });
    return result;
}

std::string FetchUrl(const std::string& address) {
    CurlFetcher fetcher;
    std::string body;
    FetchResult r = fetcher.Fetch(address, body);
    return r.opened ? body : std::string();
}

} // namespace vireo::sys

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/url_fetch.h"

#include <curl/curl.h>
#include <memory>
#include <mutex>

namespace vireo::sys {

namespace {

struct Transfer {
    std::string body;
    std::size_t cap = 0;
    bool truncated = false;
    const std::atomic<bool>* cancel = nullptr;
};

std::size_t OnData(char* data, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    std::size_t n = size * count;
    std::size_t room = t->cap > t->body.size() ? t->cap - t->body.size() : 0;
    if (n > room) {
        // Enough read: a page that sends without end costs no more than the cap.
        t->body.append(data, room);
        t->truncated = true;
        return 0;
    }
    t->body.append(data, n);
    return n;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* t = static_cast<Transfer*>(user);
    return t->cancel && t->cancel->load() ? 1 : 0;
}

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

} // namespace

CurlFetcher::CurlFetcher(FetchLimits limits) : m_limits(limits) {
    GlobalInit();
}

FetchResult CurlFetcher::Fetch(const std::string& url, const std::atomic<bool>* cancel) {
    FetchResult result;
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) {
        result.error = "the network library could not start";
        return result;
    }
    Transfer t;
    t.cap = m_limits.maxBody;
    t.cancel = cancel;
    char errorText[CURL_ERROR_SIZE] = {};
    CURL* h = curl.get();
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L); // we run on several threads
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, m_limits.maxRedirects);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, m_limits.connectTimeoutMs);
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, m_limits.totalTimeoutMs);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https,ftp");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp");
    curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, ""); // what the library can decode
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, OnData);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &t);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);
    CURLcode rc = curl_easy_perform(h);
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    result.status = status;
    result.truncated = t.truncated;
    result.body = std::move(t.body);
    if (rc == CURLE_OK || (rc == CURLE_WRITE_ERROR && t.truncated)) {
        result.opened = true;
    } else if (rc == CURLE_ABORTED_BY_CALLBACK) {
        result.cancelled = true;
        result.error = "cancelled";
    } else if (rc == CURLE_TOO_MANY_REDIRECTS) {
        result.error = "too many redirections";
    } else if (rc == CURLE_OPERATION_TIMEDOUT) {
        result.error = "no answer in time";
    } else {
        result.error = errorText[0] ? errorText : curl_easy_strerror(rc);
    }
    return result;
}

std::string FetchUrl(const std::string& address) {
    CurlFetcher fetcher;
    FetchResult r = fetcher.Fetch(address, nullptr);
    return r.opened ? r.body : std::string();
}

} // namespace vireo::sys

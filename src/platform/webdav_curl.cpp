// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/webdav_curl.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <curl/curl.h>
#include <mutex>
#include <string_view>
#include <vector>

namespace vireo::sys {

namespace {

using sync::ShareResult;
using sync::ShareStatus;

struct Response {
    long code = 0;
    CURLcode curl = CURLE_OK;
    std::string body;
    std::string etag;
    std::int64_t modified = 0;
    bool tooLarge = false;
    std::size_t maxBody = 0;
};

std::size_t OnBody(char* data, std::size_t size, std::size_t n, void* user) {
    auto* r = static_cast<Response*>(user);
    std::size_t bytes = size * n;
    if (r->body.size() + bytes > r->maxBody) {
        r->tooLarge = true;
        return 0; // stops the transfer
    }
    r->body.append(data, bytes);
    return bytes;
}

std::size_t OnHeader(char* data, std::size_t size, std::size_t n, void* user) {
    auto* r = static_cast<Response*>(user);
    std::string_view line(data, size * n);
    // A redirect or a "100 Continue" starts a new set of headers.
    if (line.rfind("HTTP/", 0) == 0)
        r->etag.clear();
    constexpr std::string_view kName = "etag:";
    if (line.size() > kName.size()) {
        bool match = true;
        for (std::size_t i = 0; i < kName.size() && match; ++i)
            match = std::tolower(static_cast<unsigned char>(line[i])) == kName[i];
        if (match) {
            std::string_view v = line.substr(kName.size());
            while (!v.empty() && (v.front() == ' ' || v.front() == '\t'))
                v.remove_prefix(1);
            while (!v.empty() && (v.back() == '\r' || v.back() == '\n' || v.back() == ' '))
                v.remove_suffix(1);
            r->etag = std::string(v);
        }
    }
    return size * n;
}

struct Upload {
    std::string_view data;
    std::size_t offset = 0;
};

std::size_t OnRead(char* buffer, std::size_t size, std::size_t n, void* user) {
    auto* u = static_cast<Upload*>(user);
    std::size_t left = u->data.size() - u->offset;
    std::size_t take = std::min(left, size * n);
    std::copy_n(u->data.data() + u->offset, take, buffer);
    u->offset += take;
    return take;
}

// Authentication that needs a first round (digest) sends the body again.
int OnSeek(void* user, curl_off_t offset, int origin) {
    auto* u = static_cast<Upload*>(user);
    if (origin != SEEK_SET || offset < 0 || static_cast<std::size_t>(offset) > u->data.size())
        return CURL_SEEKFUNC_CANTSEEK;
    u->offset = static_cast<std::size_t>(offset);
    return CURL_SEEKFUNC_OK;
}

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

class WebDavShare : public sync::SyncShare {
public:
    WebDavShare(const sync::ShareAccount& account, WebDavLimits limits)
        : m_account(account), m_file(sync::ShareFileAddress(account.url)), m_lock(m_file + sync::kLockSuffix),
          m_limits(limits) {
        GlobalInit();
    }

    std::string Describe() const override { return m_file; }

    ShareResult Read(std::string& bytes, std::string& etag, std::int64_t& modified) override {
        Response r = Request("GET", m_file, nullptr, {});
        ShareResult s = Status(r, m_file);
        if (s.Ok()) {
            bytes = std::move(r.body);
            etag = r.etag;
            modified = r.modified;
        }
        return s;
    }

    ShareResult Stat(std::string& etag, std::int64_t& modified) override {
        Response r = Request("HEAD", m_file, nullptr, {});
        ShareResult s = Status(r, m_file);
        if (s.Ok()) {
            etag = r.etag;
            modified = r.modified;
        }
        return s;
    }

    ShareResult Write(std::string_view bytes, const std::string& ifMatch, std::string& etag) override {
        std::string header = ifMatch.empty() ? "If-None-Match: *" : "If-Match: " + ifMatch;
        Response r = Request("PUT", m_file, &bytes, {header, "Content-Type: application/xml; charset=utf-8"});
        ShareResult s = Status(r, m_file);
        if (s.Ok())
            etag = r.etag;
        return s;
    }

    ShareResult LockStat(bool& exists, std::int64_t& modified, std::string& body) override {
        Response r = Request("GET", m_lock, nullptr, {});
        ShareResult s = Status(r, m_lock);
        exists = s.Ok();
        modified = r.modified;
        body = exists ? r.body.substr(0, 256) : std::string();
        if (s.status == ShareStatus::Missing)
            return {};
        return s;
    }

    ShareResult PutLock(std::string_view body, bool takeOver) override {
        std::vector<std::string> headers{"Content-Type: text/plain"};
        if (!takeOver)
            headers.emplace_back("If-None-Match: *");
        Response r = Request("PUT", m_lock, &body, headers);
        return Status(r, m_lock);
    }

    ShareResult DeleteLock() override {
        Response r = Request("DELETE", m_lock, nullptr, {});
        ShareResult s = Status(r, m_lock);
        if (s.status == ShareStatus::Missing)
            return {};
        return s;
    }

private:
    Response Request(const char* method, const std::string& url, const std::string_view* upload,
                     const std::vector<std::string>& headers) {
        Response r;
        r.maxBody = m_limits.maxBody;
        CURL* c = curl_easy_init();
        if (!c) {
            r.curl = CURLE_FAILED_INIT;
            return r;
        }
        Upload up;
        curl_slist* list = nullptr;
        for (const auto& h : headers)
            list = curl_slist_append(list, h.c_str());
        // Keeps a server from holding the upload back for a "100 Continue" it never sends.
        list = curl_slist_append(list, "Expect:");
        curl_easy_setopt(c, CURLOPT_URL, url.c_str());
        curl_easy_setopt(c, CURLOPT_HTTPHEADER, list);
        curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, m_limits.connectTimeoutMs);
        curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, m_limits.totalTimeoutMs);
        curl_easy_setopt(c, CURLOPT_FILETIME, 1L);
        curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(c, CURLOPT_USERAGENT, "Vireo");
        curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, OnBody);
        curl_easy_setopt(c, CURLOPT_WRITEDATA, &r);
        curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, OnHeader);
        curl_easy_setopt(c, CURLOPT_HEADERDATA, &r);
        if (!m_account.user.empty()) {
            curl_easy_setopt(c, CURLOPT_USERNAME, m_account.user.c_str());
            curl_easy_setopt(c, CURLOPT_PASSWORD, m_account.password.c_str());
            curl_easy_setopt(c, CURLOPT_HTTPAUTH, CURLAUTH_BASIC | CURLAUTH_DIGEST);
        }
        std::string_view m(method);
        if (m == "HEAD") {
            curl_easy_setopt(c, CURLOPT_NOBODY, 1L);
        } else if (m == "PUT" && upload) {
            up.data = *upload;
            curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
            curl_easy_setopt(c, CURLOPT_READFUNCTION, OnRead);
            curl_easy_setopt(c, CURLOPT_READDATA, &up);
            curl_easy_setopt(c, CURLOPT_SEEKFUNCTION, OnSeek);
            curl_easy_setopt(c, CURLOPT_SEEKDATA, &up);
            curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(upload->size()));
        } else if (m != "GET") {
            curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, method);
        }
        r.curl = curl_easy_perform(c);
        curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &r.code);
        curl_off_t filetime = -1;
        if (curl_easy_getinfo(c, CURLINFO_FILETIME_T, &filetime) == CURLE_OK && filetime > 0)
            r.modified = static_cast<std::int64_t>(filetime);
        curl_slist_free_all(list);
        curl_easy_cleanup(c);
        return r;
    }

    ShareResult Status(const Response& r, const std::string& url) const {
        if (r.tooLarge)
            return {ShareStatus::Failed, url + " is too large to be a bookmark file."};
        switch (r.curl) {
        case CURLE_OK:
        case CURLE_WRITE_ERROR:
            break;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_COULDNT_CONNECT:
        case CURLE_OPERATION_TIMEDOUT:
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
        case CURLE_GOT_NOTHING:
            return {ShareStatus::Offline, "Cannot reach " + url + ": " + curl_easy_strerror(r.curl)};
        default:
            return {ShareStatus::Failed, url + ": " + curl_easy_strerror(r.curl)};
        }
        if (r.code >= 200 && r.code < 300)
            return {};
        if (r.code == 404 || r.code == 410)
            return {ShareStatus::Missing, url + " does not exist."};
        if (r.code == 401 || r.code == 403)
            return {ShareStatus::Denied,
                    "The share refused the user name or password (HTTP " + std::to_string(r.code) + ")."};
        if (r.code == 409)
            return {ShareStatus::Failed, "The folder of " + url + " does not exist on the share."};
        if (r.code == 412 || r.code == 423)
            return {ShareStatus::Conflict, url + " was changed or locked by someone else."};
        if (r.code == 502 || r.code == 503 || r.code == 504)
            return {ShareStatus::Offline,
                    url + " is not available now (HTTP " + std::to_string(r.code) + ")."};
        return {ShareStatus::Failed, url + ": the server answered HTTP " + std::to_string(r.code) + "."};
    }

    sync::ShareAccount m_account;
    std::string m_file;
    std::string m_lock;
    WebDavLimits m_limits;
};

} // namespace

std::unique_ptr<sync::SyncShare> MakeWebDavShare(const sync::ShareAccount& account, WebDavLimits limits) {
    return std::make_unique<WebDavShare>(account, limits);
}

std::unique_ptr<sync::SyncShare> MakeShare(const sync::ShareAccount& account) {
    if (sync::IsWebAddress(account.url))
        return MakeWebDavShare(account);
    return sync::MakeFolderShare(account.url);
}

} // namespace vireo::sys

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Fetching web pages over libcurl, behind the core's UrlFetcher. Proxies come from the
// environment (http_proxy, https_proxy, no_proxy), as the system's settings.

#include <cstddef>
#include <memory>
#include <string>

#include "interchange/link_check.h"

namespace vireo::sys {

inline constexpr const char* kUserAgent = "VEZidoveva";

struct FetchLimits {
    long connectTimeoutMs = 10000;       // to resolve and connect
    long totalTimeoutMs = 30000;         // for the whole transfer, redirects included
    std::size_t maxBody = kMaxPageBytes; // bytes read of a body; the transfer stops there
    long maxRedirects = 10;
};

// All transfers of a call run in one libcurl multi loop on the calling thread. The
// connections, the host names looked up and the TLS sessions are kept from one transfer
// to the next and from one call to the next, and HTTP/2 is used where a server offers it.
class CurlFetcher : public UrlFetcher {
public:
    explicit CurlFetcher(FetchLimits limits = {});
    ~CurlFetcher() override;
    CurlFetcher(const CurlFetcher&) = delete;
    CurlFetcher& operator=(const CurlFetcher&) = delete;

    void FetchAll(std::span<const FetchJob> jobs, const FetchPlan& plan, const Finished& finished) override;
    // One page, its body read whole up to the cap.
    FetchResult Fetch(const std::string& url, std::string& body);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// The body of the resource at `address`, or "" when it cannot be opened.
std::string FetchUrl(const std::string& address);

} // namespace vireo::sys

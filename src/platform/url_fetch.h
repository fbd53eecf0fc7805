// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Fetching web pages over libcurl, behind the core's UrlFetcher. Proxies come from the
// environment (http_proxy, https_proxy, no_proxy), as the system's settings.

#include <cstddef>
#include <string>

#include "interchange/link_check.h"

namespace vireo::sys {

inline constexpr const char* kUserAgent = "VEZidoveva";

struct FetchLimits {
    long connectTimeoutMs = 10000;  // to resolve and connect
    long totalTimeoutMs = 30000;    // for the whole transfer, redirects included
    std::size_t maxBody = 2u << 20; // bytes kept of a body; the transfer stops there
    long maxRedirects = 10;
};

class CurlFetcher : public UrlFetcher {
public:
    explicit CurlFetcher(FetchLimits limits = {});
    FetchResult Fetch(const std::string& url, const std::atomic<bool>* cancel) override;

private:
    FetchLimits m_limits;
};

// The body of the resource at `address`, or "" when it cannot be opened.
std::string FetchUrl(const std::string& address);

} // namespace vireo::sys

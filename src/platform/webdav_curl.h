// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A profile's bookmark file on a WebDAV share, spoken over libcurl: GET with its ETag,
// PUT with If-Match (If-None-Match: * for a new file), HEAD for the lock file's age, PUT
// and DELETE of the lock.

#include <memory>

#include "sync/sync_share.h"

namespace vireo::sys {

struct WebDavLimits {
    long connectTimeoutMs = 10000;
    long totalTimeoutMs = 120000;
    std::size_t maxBody = 256u << 20;
};

std::unique_ptr<sync::SyncShare> MakeWebDavShare(const sync::ShareAccount& account, WebDavLimits limits = {});
// A WebDAV share for http(s) addresses, a plain folder for anything else.
std::unique_ptr<sync::SyncShare> MakeShare(const sync::ShareAccount& account);

} // namespace vireo::sys

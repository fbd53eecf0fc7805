// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where a profile's bookmark file lives: a WebDAV share or a plain folder that another
// program keeps in step. Both hold the file and, while someone writes it, the lock file
// beside it ("<file>.lock").

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace vireo::sync {

enum class ShareStatus {
    Ok,
    Missing,  // no such file (yet)
    Offline,  // the share cannot be reached now: try again later
    Denied,   // user name or password refused, or no permission
    Conflict, // someone else changed the file since it was read
    Failed,   // anything else; the message says what
};

struct ShareResult {
    ShareStatus status = ShareStatus::Ok;
    std::string message;
    bool Ok() const { return status == ShareStatus::Ok; }
};

class SyncShare {
public:
    virtual ~SyncShare() = default;
    // What the user knows the share by, for messages.
    virtual std::string Describe() const = 0;
    // The file's bytes, its ETag and when it last changed (Unix seconds, 0 unknown).
    virtual ShareResult Read(std::string& bytes, std::string& etag, std::int64_t& modified) = 0;
    // The file's ETag and change time without its bytes; Missing when absent.
    virtual ShareResult Stat(std::string& etag, std::int64_t& modified) = 0;
    // Replaces the file only while its ETag still is `ifMatch`; an empty `ifMatch`
    // creates it only when it does not exist. `etag` gets the new ETag when known.
    virtual ShareResult Write(std::string_view bytes, const std::string& ifMatch, std::string& etag) = 0;
    // The lock file: whether it exists, when it was written and what it says.
    virtual ShareResult LockStat(bool& exists, std::int64_t& modified, std::string& body) = 0;
    // Writes the lock file; `takeOver` replaces a stale one, otherwise an existing lock
    // makes it fail with Conflict.
    virtual ShareResult PutLock(std::string_view body, bool takeOver) = 0;
    virtual ShareResult DeleteLock() = 0;
};

struct ShareAccount {
    std::string url; // http(s) address of the file or its folder, or a local folder / file path
    std::string user;
    std::string password;
};

// The name of the shared file when the address names a folder.
inline constexpr const char* kShareFileName = "bookmarks.xbel";
inline constexpr const char* kLockSuffix = ".lock";

// True for http: and https: addresses.
bool IsWebAddress(std::string_view url);
// The file an address names: itself when it ends in ".xbel", else bookmarks.xbel in it.
std::string ShareFileAddress(std::string_view url);

// A plain folder (file: addresses and paths).
std::unique_ptr<SyncShare> MakeFolderShare(const std::string& path);

} // namespace vireo::sync

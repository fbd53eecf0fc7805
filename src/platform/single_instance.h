// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One running copy of the program per user: a lock file in the user's runtime folder,
// held for the life of the program and released by the system when it ends, even after a
// crash.

#include <string>

namespace vireo::sys {

class SingleInstance {
public:
    SingleInstance() = default;
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    enum class Result {
        First,          // we hold the lock now
        AlreadyRunning, // another copy holds it
        Unknown,        // the lock could not be taken at all (see error); better to run
    };

    // `name` tells programs apart ("vireo").
    Result Acquire(const std::string& name, std::string* error = nullptr);
    void Release();

    // $XDG_RUNTIME_DIR/<name>.lock, or <temporary folder>/<name>-<uid>.lock without one.
    static std::string LockPath(const std::string& name);
    // Where the copy holding the lock listens for a second copy's files: beside the lock,
    // ending in ".socket" instead.
    static std::string ChannelPath(const std::string& name);
    // Whether `path` is a socket of this user: a second copy hands its files over only
    // then, since a shared temporary folder may hold one that another user planted.
    static bool IsOwnSocket(const std::string& path);

private:
    int m_fd = -1;
};

} // namespace vireo::sys

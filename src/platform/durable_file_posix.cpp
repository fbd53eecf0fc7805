// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/durable_file.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vireo::sys {

namespace {

std::atomic<std::int64_t> g_failAfter{-1};

std::string ErrnoText(const std::string& what, const std::string& path) {
    return what + " \"" + path + "\": " + std::strerror(errno);
}

// Writes all of `data` at `offset`, honouring the test failure budget.
bool WriteAll(int fd, std::uint64_t offset, std::string_view data, const std::string& path,
              std::string* error) {
    std::size_t done = 0;
    while (done < data.size()) {
        std::size_t chunk = data.size() - done;
        std::int64_t budget = g_failAfter.load();
        if (budget >= 0) {
            if (budget == 0) {
                errno = ENOSPC;
                if (error)
                    *error = ErrnoText("Cannot write", path);
                return false;
            }
            chunk = std::min<std::size_t>(chunk, static_cast<std::size_t>(budget));
        }
        ssize_t n = ::pwrite(fd, data.data() + done, chunk, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (error)
                *error = ErrnoText("Cannot write", path);
            return false;
        }
        if (budget >= 0)
            g_failAfter.store(std::max<std::int64_t>(0, g_failAfter.load() - n));
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool SyncAndClose(int fd, const std::string& path, std::string* error) {
    bool ok = true;
    if (::fsync(fd) != 0) {
        if (error)
            *error = ErrnoText("Cannot flush", path);
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        if (error)
            *error = ErrnoText("Cannot close", path);
        ok = false;
    }
    return ok;
}

} // namespace

bool WriteFileSynced(const std::string& path, std::string_view data, std::string* error) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (error)
            *error = ErrnoText("Cannot create", path);
        return false;
    }
    if (!WriteAll(fd, 0, data, path, error)) {
        ::close(fd);
        return false;
    }
    return SyncAndClose(fd, path, error);
}

bool WriteAtSynced(const std::string& path, std::uint64_t offset, std::string_view data, std::string* error) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (error)
            *error = ErrnoText("Cannot open", path);
        return false;
    }
    if (!WriteAll(fd, offset, data, path, error)) {
        ::close(fd);
        return false;
    }
    return SyncAndClose(fd, path, error);
}

bool RenameReplacing(const std::string& from, const std::string& to, std::string* error) {
    if (::rename(from.c_str(), to.c_str()) != 0) {
        if (error)
            *error = ErrnoText("Cannot rename", from) + " to \"" + to + "\"";
        return false;
    }
    return true;
}

bool SyncDirectory(const std::string& dir, std::string* error) {
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        if (error)
            *error = ErrnoText("Cannot open folder", dir);
        return false;
    }
    // Some file systems refuse to sync a directory; the rename is still ordered after
    // the file's own sync, which is what matters for them.
    if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) {
        if (error)
            *error = ErrnoText("Cannot flush folder", dir);
        ::close(fd);
        return false;
    }
    ::close(fd);
    return true;
}

bool WriteFileAtomic(const std::string& path, std::string_view data, std::string* error) {
    std::filesystem::path target(path);
    std::string tmp = path + ".tmp-" + std::to_string(::getpid());
    if (!WriteFileSynced(tmp, data, error)) {
        ::unlink(tmp.c_str());
        return false;
    }
    if (!RenameReplacing(tmp, path, error)) {
        ::unlink(tmp.c_str());
        return false;
    }
    std::string dir = target.parent_path().string();
    return SyncDirectory(dir.empty() ? std::string(".") : dir, error);
}

DirectoryLock::~DirectoryLock() {
    Release();
}

bool DirectoryLock::Acquire(const std::string& dir, std::string_view lockName, bool* busy,
                            std::string* error) {
    if (busy)
        *busy = false;
    Release();
    std::string path = (std::filesystem::path(dir) / std::string(lockName)).string();
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (error)
            *error = ErrnoText("Cannot create the lock file", path);
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        bool inUse = errno == EWOULDBLOCK;
        if (busy)
            *busy = inUse;
        if (error)
            *error = inUse ? std::string("in use by another process") : ErrnoText("Cannot lock", path);
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

void DirectoryLock::Release() {
    if (m_fd >= 0) {
        ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
        m_fd = -1;
    }
}

namespace testing {
void FailWritesAfter(std::int64_t bytes) {
    g_failAfter.store(bytes);
}
} // namespace testing

} // namespace vireo::sys

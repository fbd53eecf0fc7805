// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/single_instance.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/paths.h"

namespace vireo::sys {

SingleInstance::~SingleInstance() {
    Release();
}

namespace {

std::string RuntimePath(const std::string& name, const char* extension) {
    std::string runtime = GetEnv("XDG_RUNTIME_DIR");
    if (!runtime.empty())
        return runtime + "/" + name + extension;
    // The temporary folder is shared by every user: the user id keeps us apart.
    return TempDir() + "/" + name + "-" + std::to_string(::getuid()) + extension;
}

} // namespace

std::string SingleInstance::LockPath(const std::string& name) {
    return RuntimePath(name, ".lock");
}

std::string SingleInstance::ChannelPath(const std::string& name) {
    return RuntimePath(name, ".socket");
}

bool SingleInstance::IsOwnSocket(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_uid == ::getuid();
}

SingleInstance::Result SingleInstance::Acquire(const std::string& name, std::string* error) {
    Release();
    std::string path = LockPath(name);
    // Never follow a link another user may have planted in a shared folder.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        if (error)
            *error = "Cannot open \"" + path + "\": " + std::strerror(errno);
        return Result::Unknown;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK)
            return Result::AlreadyRunning;
        if (error)
            *error = "Cannot lock \"" + path + "\": " + std::strerror(err);
        return Result::Unknown;
    }
    m_fd = fd;
    return Result::First;
}

void SingleInstance::Release() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

} // namespace vireo::sys

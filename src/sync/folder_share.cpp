// SPDX-License-Identifier: GPL-3.0-or-later
// A bookmark file in a plain folder that a file-syncing program keeps in step. ETags are
// made from the size and the change time, so a write by anyone else shows.

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/durable_file.h"
#include "sync/sync_share.h"

namespace vireo::sync {

namespace fs = std::filesystem;

namespace {

// Bookmark files are small; a far larger one is not a bookmark file.
constexpr std::uintmax_t kMaxFileBytes = 256u << 20;

class FolderShare : public SyncShare {
public:
    explicit FolderShare(std::string file) : m_file(std::move(file)), m_lock(m_file + kLockSuffix) {}

    std::string Describe() const override { return m_file; }

    ShareResult Read(std::string& bytes, std::string& etag, std::int64_t& modified) override {
        for (int attempt = 0; attempt < 3; ++attempt) {
            ShareResult r = Stat(etag, modified);
            if (!r.Ok())
                return r;
            std::ifstream in(m_file, std::ios::binary);
            if (!in)
                return Error("cannot be opened");
            std::ostringstream buf;
            buf << in.rdbuf();
            bytes = buf.str();
            std::string after;
            std::int64_t m2 = 0;
            // A writer that replaced the file while we read it: read again.
            if (Stat(after, m2).Ok() && after == etag)
                return {};
        }
        return {ShareStatus::Conflict, m_file + " keeps changing while it is read."};
    }

    ShareResult Stat(std::string& etag, std::int64_t& modified) override {
        struct stat st {};
        if (::stat(m_file.c_str(), &st) != 0) {
            if (errno == ENOENT)
                return MissingOrOffline();
            return Error(std::strerror(errno));
        }
        if (static_cast<std::uintmax_t>(st.st_size) > kMaxFileBytes)
            return Error("is too large to be a bookmark file");
        etag = "\"" + std::to_string(st.st_size) + "-" + std::to_string(st.st_mtim.tv_sec) + "." +
               std::to_string(st.st_mtim.tv_nsec) + "-" + std::to_string(st.st_ino) + "\"";
        modified = st.st_mtim.tv_sec;
        return {};
    }

    ShareResult Write(std::string_view bytes, const std::string& ifMatch, std::string& etag) override {
        std::string now;
        std::int64_t m = 0;
        ShareResult r = Stat(now, m);
        if (r.status == ShareStatus::Offline || r.status == ShareStatus::Failed)
            return r;
        if (ifMatch.empty() ? r.Ok() : (!r.Ok() || now != ifMatch))
            return {ShareStatus::Conflict, m_file + " was changed by someone else."};
        std::string error;
        if (!sys::WriteFileAtomic(m_file, bytes, &error))
            return Error(error);
        Stat(etag, m);
        return {};
    }

    ShareResult LockStat(bool& exists, std::int64_t& modified, std::string& body) override {
        struct stat st {};
        exists = ::stat(m_lock.c_str(), &st) == 0;
        if (!exists && errno != ENOENT)
            return Error(std::strerror(errno));
        if (!exists && !FolderThere())
            return MissingOrOffline();
        modified = exists ? st.st_mtim.tv_sec : 0;
        body.clear();
        if (exists) {
            std::ifstream in(m_lock, std::ios::binary);
            char buf[256];
            in.read(buf, sizeof buf);
            body.assign(buf, static_cast<std::size_t>(in.gcount()));
        }
        return {};
    }

    ShareResult PutLock(std::string_view body, bool takeOver) override {
        int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (takeOver ? O_TRUNC : O_EXCL);
        int fd = ::open(m_lock.c_str(), flags, 0644);
        if (fd < 0) {
            if (errno == EEXIST)
                return {ShareStatus::Conflict, m_lock + " is held by someone else."};
            if (!FolderThere())
                return MissingOrOffline();
            return Error(std::strerror(errno));
        }
        bool ok = ::write(fd, body.data(), body.size()) == static_cast<ssize_t>(body.size());
        ok = ::fsync(fd) == 0 && ok;
        ::close(fd);
        return ok ? ShareResult{} : Error("lock file cannot be written");
    }

    ShareResult DeleteLock() override {
        if (::unlink(m_lock.c_str()) != 0 && errno != ENOENT)
            return Error(std::strerror(errno));
        return {};
    }

private:
    bool FolderThere() const {
        std::error_code ec;
        return fs::is_directory(fs::path(m_file).parent_path(), ec);
    }
    // A missing folder is a share that is not mounted or not synced here yet.
    ShareResult MissingOrOffline() const {
        if (!FolderThere())
            return {ShareStatus::Offline, "The folder of " + m_file + " is not there."};
        return {ShareStatus::Missing, {}};
    }
    ShareResult Error(const std::string& why) const { return {ShareStatus::Failed, m_file + ": " + why}; }

    std::string m_file;
    std::string m_lock;
};

} // namespace

bool IsWebAddress(std::string_view url) {
    auto starts = [&](std::string_view p) {
        if (url.size() < p.size())
            return false;
        for (std::size_t i = 0; i < p.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(url[i])) != p[i])
                return false;
        return true;
    };
    return starts("http://") || starts("https://");
}

std::string ShareFileAddress(std::string_view url) {
    std::string u(url);
    if (!IsWebAddress(u) && u.rfind("file://", 0) == 0)
        u = u.substr(7);
    std::string lower = u;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower.size() > 5 && lower.compare(lower.size() - 5, 5, ".xbel") == 0)
        return u;
    if (u.empty() || u.back() != '/')
        u += '/';
    return u + kShareFileName;
}

std::unique_ptr<SyncShare> MakeFolderShare(const std::string& path) {
    return std::make_unique<FolderShare>(ShareFileAddress(path));
}

} // namespace vireo::sync

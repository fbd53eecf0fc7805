// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/hive_registry.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "platform/desktop_overlay.h"
#include "platform/durable_file.h"
#include "platform/locale_text.h"
#include "platform/paths.h"

namespace vireo {

namespace fs = std::filesystem;

namespace {

// The write lock: an flock on a companion file, since the hive itself is replaced by
// renames and a lock on it would not outlive the next write.
class HiveLock {
public:
    HiveLock() = default;
    ~HiveLock() {
        if (m_fd >= 0)
            ::close(m_fd); // closing releases the lock
    }
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;

    bool Acquire(const std::string& path, std::string* error) {
        m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (m_fd < 0) {
            if (error)
                *error = "Cannot open the lock file \"" + path + "\": " + std::strerror(errno);
            return false;
        }
        auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(HiveRegistry::kLockWaitMs);
        while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() > deadline) {
                if (error)
                    *error = "The settings file is locked by another program: \"" + path + "\"";
                ::close(m_fd);
                m_fd = -1;
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

private:
    int m_fd = -1;
};

enum class Load { Missing, Ok, Unreadable, Corrupt };

// What tells us that the file changed: every write replaces it by a new inode, and an
// edit in place changes its size or times.
template <class Stamp>
Stamp MakeStamp(const struct stat& st) {
    Stamp s;
    s.exists = true;
    s.dev = st.st_dev;
    s.ino = st.st_ino;
    s.size = static_cast<std::uint64_t>(st.st_size);
    s.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.ctimeNs = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return s;
}

std::string FoldedPath(std::string_view path) {
    std::string out;
    for (auto part : SplitRegPath(path)) {
        if (!out.empty())
            out += '\\';
        out += FoldRegName(part);
    }
    return out;
}

bool SameValue(const RegValue& a, const RegValue& b) {
    if (a.type != b.type)
        return false;
    switch (a.type) {
    case RegValue::Type::Text:
        return a.text == b.text;
    case RegValue::Type::Number:
        return a.number == b.number;
    case RegValue::Type::Binary:
        return a.bytes == b.bytes && a.regType == b.regType;
    default:
        return true;
    }
}

// Merges two name lists into one case-insensitively sorted list without repeats; the
// spelling of the first list wins.
std::vector<std::string> MergeNames(std::vector<std::string> first, const std::vector<std::string>& second) {
    for (const auto& name : second) {
        std::string folded = FoldRegName(name);
        bool seen = std::any_of(first.begin(), first.end(),
                                [&](const std::string& n) { return FoldRegName(n) == folded; });
        if (!seen)
            first.push_back(name);
    }
    std::stable_sort(first.begin(), first.end(), [](const std::string& a, const std::string& b) {
        return FoldRegName(a) < FoldRegName(b);
    });
    return first;
}

} // namespace

HiveRegistry::HiveRegistry(std::string path, RegistryOverlay overlay)
    : m_path(std::move(path)), m_overlay(std::move(overlay)), m_doc(std::make_unique<HiveDocument>()) {}

HiveRegistry::~HiveRegistry() = default;

HiveRegistry::Stamp HiveRegistry::StampNow() const {
    struct stat st {};
    if (::stat(m_path.c_str(), &st) != 0)
        return Stamp{};
    return MakeStamp<Stamp>(st);
}

namespace {

// Reads and parses the file, taking its stamp from the very file read.
Load ReadHive(const std::string& path, HiveDocument& doc, struct stat& st, std::string& why) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return Load::Missing;
        why = std::strerror(errno);
        return Load::Unreadable;
    }
    std::string bytes;
    bool ok = ::fstat(fd, &st) == 0;
    if (ok && !S_ISREG(st.st_mode)) {
        ::close(fd);
        why = "it is not a file";
        return Load::Unreadable;
    }
    char buf[65536];
    while (ok) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0)
            break;
        bytes.append(buf, static_cast<std::size_t>(n));
        if (bytes.size() > kMaxHiveBytes)
            break; // the parser refuses it for its size
    }
    if (!ok)
        why = std::strerror(errno);
    ::close(fd);
    if (!ok)
        return Load::Unreadable;
    return ParseHive(bytes, doc, &why) ? Load::Ok : Load::Corrupt;
}

} // namespace

void HiveRegistry::Refresh(bool locked) const {
    Stamp now = StampNow();
    if (m_loaded && now == m_stamp)
        return;

    auto load = [&](std::unique_ptr<HiveDocument>& doc, Stamp& stamp, std::string& why) {
        doc = std::make_unique<HiveDocument>();
        struct stat st {};
        Load r = ReadHive(m_path, *doc, st, why);
        stamp = Stamp{};
        if (r == Load::Ok || r == Load::Corrupt)
            stamp = MakeStamp<Stamp>(st);
        else if (r == Load::Unreadable)
            stamp = StampNow(); // read again only once it changes
        return r;
    };

    std::unique_ptr<HiveDocument> doc;
    Stamp stamp;
    std::string why;
    Load r = load(doc, stamp, why);
    if (r == Load::Corrupt) {
        // Decide under the lock, so that a file another process is just replacing is not
        // taken for a damaged one, and only one process keeps it aside.
        HiveLock lock;
        std::string lockError;
        if (!locked && !lock.Acquire(m_path + ".lock", &lockError)) {
            r = Load::Unreadable;
        } else {
            r = load(doc, stamp, why);
            if (r == Load::Corrupt) {
                KeepAside(why);
                r = m_readable ? Load::Missing : Load::Unreadable;
                doc = std::make_unique<HiveDocument>();
                stamp = StampNow();
            }
        }
    }
    m_loaded = true;
    m_stamp = stamp;
    if (r == Load::Unreadable) {
        m_doc = std::make_unique<HiveDocument>();
        m_readable = false;
        m_unreadable = why;
    } else {
        m_doc = std::move(doc);
        m_readable = true;
        m_unreadable.clear();
    }
}

void HiveRegistry::KeepAside(const std::string& reason) const {
    sys::CivilTime t = sys::LocalFromUnix(sys::UnixNow());
    char date[32];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", t.year, t.month, t.day);
    std::string aside = m_path + ".corrupt-" + date;
    std::error_code ec;
    for (int n = 2; fs::exists(aside, ec) || fs::is_symlink(aside, ec); ++n)
        aside = m_path + ".corrupt-" + date + "-" + std::to_string(n);
    if (::rename(m_path.c_str(), aside.c_str()) != 0) {
        m_readable = false;
        m_notice = "The settings file \"" + m_path + "\" could not be read (" + reason +
                   ") and could not be moved aside: " + std::strerror(errno) +
                   ". Vireo uses its default settings and will not change that file.";
        return;
    }
    m_readable = true;
    m_notice = "The settings file \"" + m_path + "\" could not be read (" + reason + "). It was kept as \"" +
               aside + "\", and Vireo starts again with its default settings.";
}

std::string HiveRegistry::TakeNotice() {
    Refresh(false);
    return std::exchange(m_notice, std::string());
}

bool HiveRegistry::Modify(const std::function<Change(HiveDocument&)>& change) {
    m_error.clear();
    std::error_code ec;
    fs::path parent = fs::path(m_path).parent_path();
    if (!parent.empty())
        fs::create_directories(parent, ec);
    HiveLock lock;
    if (!lock.Acquire(m_path + ".lock", &m_error))
        return false;
    Refresh(true);
    if (!m_readable) {
        m_error = "The settings file \"" + m_path + "\" cannot be read (" + m_unreadable +
                  "), so it is left as it is and the change is not saved.";
        return false;
    }
    Change c = change(*m_doc);
    if (c == Change::None)
        return true;
    if (c == Change::Refused)
        return false;
    if (!sys::WriteFileAtomic(m_path, WriteHive(*m_doc), &m_error)) {
        m_loaded = false; // the document holds a change the file does not
        return false;
    }
    m_stamp = StampNow();
    return true;
}

bool HiveRegistry::CheckPath(std::uint32_t root, std::string_view path) {
    auto parts = SplitRegPath(path);
    bool ok =
        !RegRootName(root).empty() && parts.size() <= kMaxRegDepth &&
        std::all_of(parts.begin(), parts.end(), [](std::string_view p) { return IsStorableRegKeyName(p); });
    if (!ok)
        m_error = "A key name cannot be stored in the settings file: " + std::string(path);
    return ok;
}

bool HiveRegistry::Covered(std::uint32_t root, std::string_view path) const {
    if (!m_overlay.fill)
        return false;
    std::string folded = FoldedPath(path);
    for (const auto& [r, p] : m_overlay.covers) {
        if (r != root)
            continue;
        std::string cover = FoldedPath(p);
        if (folded.empty() || cover.empty() || folded == cover || folded.starts_with(cover + "\\") ||
            cover.starts_with(folded + "\\"))
            return true;
    }
    return false;
}

std::unique_ptr<MemoryRegistry> HiveRegistry::Overlay(std::uint32_t root, std::string_view path) const {
    if (!Covered(root, path))
        return nullptr;
    auto overlay = std::make_unique<MemoryRegistry>();
    m_overlay.fill(*overlay, root);
    return overlay;
}

bool HiveRegistry::KeyExists(std::uint32_t root, std::string_view path) const {
    Refresh(false);
    if (m_doc->Keys().KeyExists(root, path))
        return true;
    auto overlay = Overlay(root, path);
    return overlay && overlay->KeyExists(root, path);
}

bool HiveRegistry::CreateKey(std::uint32_t root, std::string_view path) {
    if (!CheckPath(root, path))
        return false;
    return Modify([&](HiveDocument& doc) {
        if (doc.Keys().KeyExists(root, path))
            return Change::None;
        doc.Keys().CreateKey(root, path);
        return Change::Changed;
    });
}

RegValue HiveRegistry::QueryValue(std::uint32_t root, std::string_view path, std::string_view name) const {
    Refresh(false);
    RegValue v = m_doc->Keys().QueryValue(root, path, name);
    if (v.type != RegValue::Type::None)
        return v;
    auto overlay = Overlay(root, path);
    return overlay ? overlay->QueryValue(root, path, name) : v;
}

bool HiveRegistry::SetValue(std::uint32_t root, std::string_view path, std::string_view name,
                            const RegValue& value) {
    if (!CheckPath(root, path))
        return false;
    if (!IsStorableRegValueName(name)) {
        m_error = "A value name cannot be stored in the settings file: " + std::string(name);
        return false;
    }
    return Modify([&](HiveDocument& doc) {
        if (doc.Keys().KeyExists(root, path) && SameValue(doc.Keys().QueryValue(root, path, name), value))
            return Change::None;
        doc.Keys().SetValue(root, path, name, value);
        return Change::Changed;
    });
}

bool HiveRegistry::DeleteValue(std::uint32_t root, std::string_view path, std::string_view name) {
    bool existed = false;
    bool ok = Modify([&](HiveDocument& doc) {
        existed = doc.Keys().DeleteValue(root, path, name);
        return existed ? Change::Changed : Change::None;
    });
    return ok && existed;
}

std::vector<std::string> HiveRegistry::SubKeys(std::uint32_t root, std::string_view path) const {
    Refresh(false);
    std::vector<std::string> names = m_doc->Keys().SubKeys(root, path);
    if (auto overlay = Overlay(root, path))
        names = MergeNames(std::move(names), overlay->SubKeys(root, path));
    return names;
}

bool HiveRegistry::DeleteKey(std::uint32_t root, std::string_view path) {
    bool existed = false;
    bool ok = Modify([&](HiveDocument& doc) {
        existed = doc.Keys().DeleteKey(root, path);
        return existed ? Change::Changed : Change::None;
    });
    return ok && existed;
}

std::vector<std::string> HiveRegistry::ValueNames(std::uint32_t root, std::string_view path) const {
    Refresh(false);
    std::vector<std::string> names = m_doc->Keys().ValueNames(root, path);
    if (auto overlay = Overlay(root, path))
        names = MergeNames(std::move(names), overlay->ValueNames(root, path));
    return names;
}

std::string DefaultHivePath() {
    std::string overridden = sys::GetEnv("VIREO_REGISTRY");
    if (!overridden.empty())
        return overridden;
    return sys::ConfigHome() + "/Vireo/registry.reg";
}

std::unique_ptr<HiveRegistry> OpenUserRegistry() {
    return std::make_unique<HiveRegistry>(DefaultHivePath(), DesktopOverlay());
}

} // namespace vireo

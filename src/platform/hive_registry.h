// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The settings store on Linux: one hive file per user in the registry editor's text format
// (shell/hive_format.h), shared by every running vireo and vireo-cli.
//
// - Reads go to the file: it is read again whenever it changed since we last read it, so
//   one process sees what another wrote.
// - Each write takes a lock on the hive, reads the file again if another process changed
//   it, applies the one change and replaces the file atomically. Two processes writing at
//   once therefore never lose each other's values.
// - A file that is not a hive at all is renamed aside (".corrupt-<date>") instead of being
//   overwritten, and the user is told once (TakeNotice). A file we cannot read is never
//   written over.
// - Keys that other programs own on Windows (the user's folders, the default browser) are
//   answered by a read-only overlay; values in the file win over it.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "shell/hive_format.h"
#include "shell/registry.h"

namespace vireo {

struct RegistryOverlay {
    // Fills a registry with the overlay's keys under `root`; called whenever a covered key
    // of that root is read, so the answers follow the desktop's settings. Told the root, a
    // fill need not work out the answers of the others (finding the default browser reads
    // many files; the documents folder reads one).
    std::function<void(MemoryRegistry&, std::uint32_t root)> fill;
    // The keys it answers (with everything below them).
    std::vector<std::pair<std::uint32_t, std::string>> covers;
};

class HiveRegistry : public Registry {
public:
    explicit HiveRegistry(std::string path, RegistryOverlay overlay = {});
    ~HiveRegistry() override;
    HiveRegistry(const HiveRegistry&) = delete;
    HiveRegistry& operator=(const HiveRegistry&) = delete;

    bool KeyExists(std::uint32_t root, std::string_view path) const override;
    bool CreateKey(std::uint32_t root, std::string_view path) override;
    RegValue QueryValue(std::uint32_t root, std::string_view path, std::string_view name) const override;
    bool SetValue(std::uint32_t root, std::string_view path, std::string_view name,
                  const RegValue& value) override;
    bool DeleteValue(std::uint32_t root, std::string_view path, std::string_view name) override;
    std::vector<std::string> SubKeys(std::uint32_t root, std::string_view path) const override;
    bool DeleteKey(std::uint32_t root, std::string_view path) override;
    std::vector<std::string> ValueNames(std::uint32_t root, std::string_view path) const override;

    const std::string& Path() const { return m_path; }
    // The message for the user after an unreadable hive was kept aside; "" afterwards.
    std::string TakeNotice();
    // Why the last write failed.
    const std::string& LastError() const { return m_error; }

    // How long a write waits for another process's write to finish.
    static constexpr int kLockWaitMs = 10000;

private:
    struct Stamp {
        bool exists = false;
        std::uint64_t dev = 0, ino = 0, size = 0;
        std::int64_t mtimeNs = 0, ctimeNs = 0;
        bool operator==(const Stamp&) const = default;
    };
    enum class Change { None, Changed, Refused };

    Stamp StampNow() const;
    // Brings the document up to date with the file. `locked`: we hold the write lock.
    void Refresh(bool locked) const;
    // Renames a file that is no hive out of the way and prepares the notice.
    void KeepAside(const std::string& reason) const;
    // Runs `change` on the current document under the lock and saves the file when it
    // reports a change. False when the change was refused or could not be saved.
    bool Modify(const std::function<Change(HiveDocument&)>& change);
    bool Covered(std::uint32_t root, std::string_view path) const;
    std::unique_ptr<MemoryRegistry> Overlay(std::uint32_t root, std::string_view path) const;
    bool CheckPath(std::uint32_t root, std::string_view path);

    std::string m_path;
    RegistryOverlay m_overlay;
    mutable std::unique_ptr<HiveDocument> m_doc;
    mutable Stamp m_stamp;
    mutable bool m_loaded = false;
    mutable bool m_readable = true;
    mutable std::string m_notice;
    mutable std::string m_unreadable; // why the file could not be read
    std::string m_error;
};

// The user's hive file: $VIREO_REGISTRY, else $XDG_CONFIG_HOME/Vireo/registry.reg.
std::string DefaultHivePath();

// The user's settings as the program uses them: the hive file with the desktop overlay.
std::unique_ptr<HiveRegistry> OpenUserRegistry();

} // namespace vireo

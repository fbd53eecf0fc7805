// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The search library loaded at run time: libornsearch.so from the lib/vireo folder beside
// the executable's folder (build/lib/vireo in the build tree, <prefix>/lib/vireo when
// installed; lib/<multiarch>/vireo in both when built for /usr on Debian). It is loaded at the first call. A
// missing file or a missing function is told to the user once; after that every call quietly does nothing and
// returns 0.

#include <memory>
#include <mutex>
#include <string>

#include "search/search_library.h"

namespace vireo {

class Registry;
class UserMessages;

// <executable folder>/../lib[/<multiarch>]/vireo/libornsearch.so
std::string DefaultSearchLibraryPath();

inline constexpr std::string_view kEngineFeedVariable = "VIREO_ENGINE_FEED";

class DlSearchLibrary : public SearchLibrary {
public:
    // Before loading, a non-empty `EngineFeed` under "\search" goes into the environment
    // variable VIREO_ENGINE_FEED, which the library reads.
    DlSearchLibrary(const Registry& reg, UserMessages& messages,
                    std::string path = DefaultSearchLibraryPath());
    ~DlSearchLibrary() override;
    DlSearchLibrary(const DlSearchLibrary&) = delete;
    DlSearchLibrary& operator=(const DlSearchLibrary&) = delete;

    bool Usable() override;
    std::int32_t GetSites(const std::string& programFolder, std::vector<SiteEntry>& sites) override;
    std::int32_t KeepSites(const std::vector<std::string>& names, std::int16_t nameWidth) override;
    std::vector<SiteEntry> LeftOutSites() override;
    std::int32_t InternetSearchMT(const std::vector<std::string>& scripts, const std::string& query,
                                  std::int16_t siteMax, std::int16_t maxHits, std::int16_t timeout,
                                  std::shared_ptr<SearchEventSink> events, std::int16_t maxTransfers,
                                  std::int16_t group) override;
    std::int32_t CancelSearch() override;
    std::int32_t UpdateScripts(const std::string& programFolder) override;
    std::int32_t ConnectionExists() override;
    std::int32_t ClearHashTable() override;
    std::int32_t AddHash(std::int16_t number, const std::string& name) override;

    const std::string& Path() const { return m_path; }
    // Why loading failed ("" when it did not, or was not tried yet).
    const std::string& LoadError() const { return m_error; }

    struct Functions;

private:
    bool Load();

    const Registry& m_reg;
    UserMessages& m_messages;
    std::string m_path;
    std::once_flag m_once;
    void* m_handle = nullptr;
    std::unique_ptr<Functions> m_fn;
    std::string m_error;
};

} // namespace vireo

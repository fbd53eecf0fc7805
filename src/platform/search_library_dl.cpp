// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/search_library_dl.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>

#include "ornsearch/ornsearch.h"
#include "platform/paths.h"
#include "search/search_settings.h"
#include "shell/user_messages.h"

namespace vireo {

struct DlSearchLibrary::Functions {
    decltype(&::GetSites) getSites = nullptr;
    decltype(&::InternetSearchMT) internetSearchMT = nullptr;
    decltype(&::CancelSearch) cancelSearch = nullptr;
    decltype(&::UpdateScripts) updateScripts = nullptr;
    decltype(&::ConnectionExists) connectionExists = nullptr;
    decltype(&::ClearHashTable) clearHashTable = nullptr;
    decltype(&::AddHash) addHash = nullptr;
    decltype(&::KeepSites) keepSites = nullptr;
    decltype(&::LeftOutSites) leftOutSites = nullptr;
};

namespace {

// The library's callbacks carry no context, and one search runs at a time: the sink of
// that search is kept here until its status 0.
std::mutex g_sinkMutex;
std::shared_ptr<SearchEventSink> g_sink;

std::shared_ptr<SearchEventSink> CurrentSink() {
    std::lock_guard lock(g_sinkMutex);
    return g_sink;
}

const char* OrEmpty(const char* s) {
    return s ? s : "";
}

int32_t OnResult(const char* site, const char* description, const char* title, const char* address) {
    if (auto sink = CurrentSink())
        sink->OnResult(OrEmpty(site), OrEmpty(description), OrEmpty(title), OrEmpty(address));
    return 0;
}

int32_t OnStatus(const char* site, int32_t status) {
    auto sink = CurrentSink();
    if (sink)
        sink->OnStatus(OrEmpty(site), status);
    if ((status & 0xFFFF) == 0) {
        // Nothing follows the end of a search: let the sink go.
        std::lock_guard lock(g_sinkMutex);
        if (g_sink == sink)
            g_sink.reset();
    }
    return 0;
}

template <std::size_t N>
std::string FromBuffer(const char (&buffer)[N]) {
    std::size_t len = 0;
    while (len < N && buffer[len] != '\0')
        ++len;
    return std::string(buffer, len);
}

} // namespace

std::string DefaultSearchLibraryPath() {
    namespace fs = std::filesystem;
    fs::path exeDir = fs::path(sys::ExecutablePath()).parent_path();
    return (exeDir / ".." / VIREO_LIBRARY_FOLDER / "libornsearch.so").lexically_normal().string();
}

DlSearchLibrary::DlSearchLibrary(const Registry& reg, UserMessages& messages, std::string path)
    : m_reg(reg), m_messages(messages), m_path(std::move(path)) {}

DlSearchLibrary::~DlSearchLibrary() {
    // The library stays loaded: its worker thread may still be finishing a search, and
    // unloading code that runs would crash the program on its way out.
}

bool DlSearchLibrary::Load() {
    std::call_once(m_once, [this] {
        std::string feed = GetEngineFeed(m_reg);
        if (!feed.empty())
            ::setenv(std::string(kEngineFeedVariable).c_str(), feed.c_str(), 1);
        ::dlerror();
        void* handle = ::dlopen(m_path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* why = ::dlerror();
            // dlerror names the file itself.
            m_error = "The search library could not be loaded:\n" + std::string(why ? why : m_path.c_str());
        } else {
            auto fn = std::make_unique<Functions>();
            auto find = [&](const char* name, auto& slot) {
                void* sym = ::dlsym(handle, name);
                if (!sym && m_error.empty())
                    m_error = "The search library " + m_path + "\nlacks the function " + name + ".";
                slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(sym);
            };
            find("GetSites", fn->getSites);
            find("InternetSearchMT", fn->internetSearchMT);
            find("CancelSearch", fn->cancelSearch);
            find("UpdateScripts", fn->updateScripts);
            find("ConnectionExists", fn->connectionExists);
            find("ClearHashTable", fn->clearHashTable);
            find("AddHash", fn->addHash);
            find("KeepSites", fn->keepSites);
            find("LeftOutSites", fn->leftOutSites);
            if (m_error.empty()) {
                m_handle = handle;
                m_fn = std::move(fn);
            } else {
                ::dlclose(handle);
            }
        }
        if (!m_error.empty())
            m_messages.Message(m_error, "Vireo Engine Error", MsgButtons::Ok, MsgIcon::Critical);
    });
    return m_fn != nullptr;
}

bool DlSearchLibrary::Usable() {
    return Load();
}

std::int32_t DlSearchLibrary::GetSites(const std::string& programFolder, std::vector<SiteEntry>& sites) {
    sites.clear();
    if (!Load())
        return 0;
    auto names = std::make_unique<char[][ORN_NAME_BYTES]>(ORN_MAX_SITES);
    auto ids = std::make_unique<char[][ORN_ID_BYTES]>(ORN_MAX_SITES);
    auto homes = std::make_unique<char[][ORN_HOME_BYTES]>(ORN_MAX_SITES);
    for (int i = 0; i < ORN_MAX_SITES; ++i)
        names[i][0] = ids[i][0] = homes[i][0] = '\0';
    int16_t count = 0;
    std::int32_t r = m_fn->getSites(names.get(), ids.get(), homes.get(), &count, programFolder.c_str());
    // The count comes from outside: never read past the buffers.
    int n = std::clamp<int>(count, 0, ORN_MAX_SITES);
    for (int i = 0; i < n; ++i)
        sites.push_back({FromBuffer(names[i]), FromBuffer(ids[i]), FromBuffer(homes[i])});
    return r;
}

std::int32_t DlSearchLibrary::KeepSites(const std::vector<std::string>& names, std::int16_t nameWidth) {
    if (!Load())
        return 0;
    std::vector<const char*> list;
    for (const auto& n : names)
        list.push_back(n.c_str());
    list.push_back(nullptr);
    return m_fn->keepSites(list.data(), nameWidth);
}

std::vector<SiteEntry> DlSearchLibrary::LeftOutSites() {
    std::vector<SiteEntry> out;
    if (!Load())
        return out;
    std::int32_t length = m_fn->leftOutSites(nullptr, 0);
    if (length <= 0)
        return out;
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    if (m_fn->leftOutSites(text.data(), static_cast<std::int32_t>(text.size())) != length)
        return out; // changed in between: another GetSites ran
    text.resize(std::strlen(text.c_str()));
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string_view line(text.data() + start, end - start);
        std::size_t tab = line.find('\t');
        if (tab != std::string_view::npos)
            out.push_back({std::string(line.substr(tab + 1)), std::string(line.substr(0, tab)), {}});
        start = end + 1;
    }
    return out;
}

std::int32_t DlSearchLibrary::InternetSearchMT(const std::vector<std::string>& scripts,
                                               const std::string& query, std::int16_t siteMax,
                                               std::int16_t maxHits, std::int16_t timeout,
                                               std::shared_ptr<SearchEventSink> events,
                                               std::int16_t maxTransfers, std::int16_t group) {
    if (!Load() || !events)
        return 0;
    std::vector<const char*> list;
    for (const auto& s : scripts) {
        if (!s.empty())
            list.push_back(s.c_str());
    }
    list.push_back(nullptr);
    {
        std::lock_guard lock(g_sinkMutex);
        g_sink = events;
    }
    std::int32_t r = m_fn->internetSearchMT(list.data(), query.c_str(), siteMax, maxHits, timeout, OnResult,
                                            OnStatus, maxTransfers, group);
    if (r == 0) {
        std::lock_guard lock(g_sinkMutex);
        if (g_sink == events)
            g_sink.reset();
    }
    return r;
}

std::int32_t DlSearchLibrary::CancelSearch() {
    return Load() ? m_fn->cancelSearch() : 0;
}

std::int32_t DlSearchLibrary::UpdateScripts(const std::string& programFolder) {
    return Load() ? m_fn->updateScripts(programFolder.c_str()) : 0;
}

std::int32_t DlSearchLibrary::ConnectionExists() {
    return Load() ? m_fn->connectionExists() : 0;
}

std::int32_t DlSearchLibrary::ClearHashTable() {
    return Load() ? m_fn->clearHashTable() : 0;
}

std::int32_t DlSearchLibrary::AddHash(std::int16_t number, const std::string& name) {
    return Load() ? m_fn->addHash(number, name.c_str()) : 0;
}

} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A search library for tests: it reports the engines it is given and, for each search, plays
// a script of hits and status reports into the search's sink on demand. It records every call.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "search/search_events.h"
#include "search/search_library.h"
#include "search/search_session.h"
#include "shell/user_messages.h"

namespace vireo::test {

struct ScriptedHit {
    std::string title;
    std::string address;
    std::string description;
};

class ScriptedSearchLibrary : public SearchLibrary {
public:
    struct SearchCall {
        std::vector<std::string> scripts;
        std::string query;
        std::int16_t siteMax = 0;
        std::int16_t maxHits = 0;
        std::int16_t timeout = 0;
        std::int16_t group = 0;
    };

    std::vector<SiteEntry> sites;
    std::int32_t sitesResult = kSitesOk;
    bool usable = true;
    bool refuseSearches = false; // InternetSearchMT returns 0
    std::int32_t updateResult = 0;
    std::atomic<bool> holdUpdate{false};
    std::int32_t connection = 1;
    std::vector<SiteEntry> leftOut; // what LeftOutSites answers

    // Adds an engine named `name` with the script "/engines/<shortName>.xml".
    void AddSite(const std::string& name, const std::string& shortName) {
        sites.push_back({name, "/engines/" + shortName + ".xml", "https://" + shortName + ".example/"});
    }

    // The script of the next search, played in order.
    std::vector<SearchEvent> script;

    void AddStatus(const std::string& id, std::int32_t code) {
        script.push_back(SearchEvent::Status(id, code));
    }
    // A whole site as the library reports it: 1, 2, 3, the hits (by short name), 4, 5, the end code.
    void AddSiteRun(const std::string& id, const std::vector<ScriptedHit>& hits, std::int32_t endCode = 6) {
        const std::string site = ScriptShortName(id);
        for (std::int32_t code : {1, 2, 3})
            AddStatus(id, code);
        for (const auto& h : hits)
            script.push_back(SearchEvent::Result(site, h.description, h.title, h.address));
        for (std::int32_t code : {4, 5})
            AddStatus(id, code);
        AddStatus(id, endCode);
    }
    void AddSearchEnd() { AddStatus("", 0); }

    // Plays up to `n` more events of the running search; returns how many.
    std::size_t Deliver(std::size_t n = std::numeric_limits<std::size_t>::max()) {
        std::size_t done = 0;
        while (done < n && DeliverOne())
            ++done;
        return done;
    }
    // Events of the running search not yet played.
    std::size_t Pending() const { return m_pending.size(); }

    std::vector<SearchCall> searches;
    std::atomic<int> cancels{0};
    std::vector<std::string> updateFolders;
    std::vector<std::pair<std::int16_t, std::string>> hashes;
    std::vector<std::string> kept;
    std::int16_t keptWidth = 0;

    bool Usable() override { return usable; }
    std::int32_t GetSites(const std::string&, std::vector<SiteEntry>& out) override {
        out.clear();
        if (!usable)
            return 0;
        if (sitesResult >= 1 && sitesResult <= 200)
            out = sites;
        return sitesResult;
    }
    std::int32_t KeepSites(const std::vector<std::string>& names, std::int16_t nameWidth) override {
        kept = names;
        keptWidth = nameWidth;
        return 1;
    }
    std::vector<SiteEntry> LeftOutSites() override { return leftOut; }
    std::int32_t InternetSearchMT(const std::vector<std::string>& scripts, const std::string& query,
                                  std::int16_t siteMax, std::int16_t maxHits, std::int16_t timeout,
                                  std::shared_ptr<SearchEventSink> events, std::int16_t,
                                  std::int16_t group) override {
        searches.push_back({scripts, query, siteMax, maxHits, timeout, group});
        if (!usable || refuseSearches || !events)
            return 0;
        m_sink = std::move(events);
        m_pending.assign(script.begin(), script.end());
        m_running.clear();
        for (const auto& s : scripts)
            if (!s.empty())
                m_running.insert(s);
        return 1;
    }
    // As the real library: every site still running ends with 9, the search with 0.
    std::int32_t CancelSearch() override {
        ++cancels;
        if (!m_sink)
            return 0;
        std::deque<SearchEvent> rest;
        for (const auto& id : m_running)
            rest.push_back(SearchEvent::Status(id, 9));
        rest.push_back(SearchEvent::Status("", 0));
        m_pending = std::move(rest);
        return 1;
    }
    // Runs on a thread of the program's own while the window goes on.
    std::int32_t UpdateScripts(const std::string& programFolder) override {
        updateFolders.push_back(programFolder);
        // A feed that answers slowly: held until the test lets it go (or 5 s pass).
        for (int i = 0; i < 500 && holdUpdate; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return updateResult;
    }
    std::int32_t ConnectionExists() override { return connection; }
    std::int32_t ClearHashTable() override {
        hashes.clear();
        return 1;
    }
    std::int32_t AddHash(std::int16_t number, const std::string& name) override {
        hashes.emplace_back(number, name);
        return 1;
    }

private:
    bool DeliverOne() {
        if (!m_sink || m_pending.empty())
            return false;
        const SearchEvent e = m_pending.front();
        m_pending.pop_front();
        std::shared_ptr<SearchEventSink> sink = m_sink;
        if (e.kind == SearchEvent::Kind::Status) {
            if (StatusCodeOf(e.status) == SearchStatus::SearchEnded)
                m_sink.reset(); // nothing follows the end of a search
            else if (EndsSite(StatusCodeOf(e.status)))
                m_running.erase(e.site);
        }
        if (e.kind == SearchEvent::Kind::Result)
            sink->OnResult(e.site, e.description, e.title, e.address);
        else
            sink->OnStatus(e.site, e.status);
        return true;
    }

    std::shared_ptr<SearchEventSink> m_sink;
    std::deque<SearchEvent> m_pending;
    std::set<std::string> m_running;
};

// Message boxes that answer from a list (then Ok / No) and remember what was shown.
class ScriptedMessages : public UserMessages {
public:
    struct Shown {
        std::string text;
        std::string title;
        MsgButtons buttons;
    };
    MsgResult Message(std::string_view text, std::string_view title, MsgButtons buttons, MsgIcon) override {
        shown.push_back({std::string(text), std::string(title), buttons});
        if (!answers.empty()) {
            MsgResult r = answers.front();
            answers.pop_front();
            return r;
        }
        return buttons == MsgButtons::Ok || buttons == MsgButtons::OkCancel ? MsgResult::Ok : MsgResult::No;
    }
    std::vector<Shown> shown;
    std::deque<MsgResult> answers;
};

} // namespace vireo::test

// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/search_session.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

#include "search/engine_update.h"
#include "shell/registry.h"
#include "shell/user_messages.h"
#include "store/database.h"
#include "store/store_services.h"
#include "store/strings.h"
#include "store/text_codec.h"

namespace vireo {

namespace {

std::string Trimmed(std::string_view s) {
    return std::string(text::TrimSpaces(s));
}

std::string Cut(std::string_view s, std::size_t chars) {
    return std::string(text::CutToChars(s, chars));
}

std::int16_t ClampToShort(std::int32_t n) {
    return static_cast<std::int16_t>(std::clamp<std::int32_t>(n, 1, 32767));
}

// The lamps of each code, Connect / Getting / Parsing / Done; nullopt leaves a lamp.
struct LampRow {
    SearchStatus code;
    std::optional<StatusLamp> lamps[4];
};

constexpr auto kOff = StatusLamp::Off;
constexpr auto kOn = StatusLamp::On;
constexpr auto kWarn = StatusLamp::Warning;
constexpr auto kErr = StatusLamp::Error;
constexpr std::optional<StatusLamp> kKeep = std::nullopt;

const LampRow kLampTable[] = {
    {SearchStatus::Connecting, {kWarn, kKeep, kKeep, kKeep}},
    {SearchStatus::Connected, {kOn, kKeep, kKeep, kKeep}},
    {SearchStatus::GettingPage, {kKeep, kOn, kOff, kKeep}},
    {SearchStatus::WritingResults, {kKeep, kOff, kOn, kKeep}},
    {SearchStatus::Disconnecting, {kWarn, kOff, kOff, kKeep}},
    {SearchStatus::GeneralError, {kKeep, kOff, kOff, kErr}},
    {SearchStatus::TimedOut, {kOff, kOff, kOff, kWarn}},
    {SearchStatus::Cancelled, {kOff, kOff, kOff, kOn}},
    {SearchStatus::ScriptError, {kErr, kOff, kOff, kErr}},
    {SearchStatus::Deadline, {kOff, kOff, kOff, kWarn}},
    {SearchStatus::Unresolved, {kErr, kOff, kOff, kErr}},
    {SearchStatus::Unreachable, {kErr, kOff, kOff, kErr}},
    {SearchStatus::InvalidUrl, {kOff, kErr, kOff, kErr}},
};

// Lower-cases the scheme and host, drops a default port and gives an empty path "/".
std::string NormalisedAddress(std::string_view address) {
    std::string a = Trimmed(address);
    std::size_t colon = a.find("://");
    if (colon == std::string::npos || colon == 0)
        return a;
    std::string scheme = text::AsciiLower(a.substr(0, colon));
    std::size_t hostStart = colon + 3;
    std::size_t hostEnd = a.find_first_of("/?#", hostStart);
    std::string authority =
        a.substr(hostStart, hostEnd == std::string::npos ? std::string::npos : hostEnd - hostStart);
    std::string rest = hostEnd == std::string::npos ? std::string() : a.substr(hostEnd);
    // Keep user information as it is; only the host part folds.
    std::size_t at = authority.rfind('@');
    std::string user = at == std::string::npos ? std::string() : authority.substr(0, at + 1);
    std::string host = text::AsciiLower(at == std::string::npos ? authority : authority.substr(at + 1));
    std::size_t portColon = host.rfind(':');
    if (portColon != std::string::npos && host.find(']', portColon) == std::string::npos) {
        std::string port = host.substr(portColon + 1);
        if (port.empty() || (scheme == "http" && port == "80") || (scheme == "https" && port == "443"))
            host.erase(portColon);
    }
    if (rest.empty() || rest[0] != '/')
        rest.insert(0, "/");
    return scheme + "://" + user + host + rest;
}

} // namespace

bool EndsSite(SearchStatus code) {
    switch (code) {
    case SearchStatus::Complete:
    case SearchStatus::GeneralError:
    case SearchStatus::TimedOut:
    case SearchStatus::Cancelled:
    case SearchStatus::ScriptError:
    case SearchStatus::Deadline:
    case SearchStatus::Unresolved:
    case SearchStatus::Unreachable:
    case SearchStatus::InvalidUrl:
        return true;
    default:
        return false;
    }
}

std::string SearchProgramFolder() {
    std::string folder = ProgramFolder();
    if (folder.empty() || folder.back() != '/')
        folder.push_back('/');
    return folder;
}

std::string ScriptShortName(std::string_view id) {
    std::string_view s = text::TrimSpaces(id);
    std::size_t slash = s.find_last_of("/\\");
    if (slash != std::string_view::npos)
        s = s.substr(slash + 1);
    std::size_t dot = s.find('.');
    if (dot != std::string_view::npos && dot != 0)
        s = s.substr(0, dot);
    return Cut(s, kSiteNameWidth);
}

std::string HitAddressKey(std::string_view address) {
    return NormalisedAddress(address);
}

std::string_view StatusCodeText(SearchStatus code, bool siteHasHits) {
    switch (code) {
    case SearchStatus::Connecting:
        return "Connecting...";
    case SearchStatus::Connected:
        return "Connected.";
    case SearchStatus::GettingPage:
        return "Getting result page...";
    case SearchStatus::WritingResults:
        return "Writing results...";
    case SearchStatus::Disconnecting:
        return "Disconnecting...";
    case SearchStatus::Complete:
        return siteHasHits ? "Search complete." : "Site produced 0 results...";
    case SearchStatus::GeneralError:
        return "General Error.";
    case SearchStatus::TimedOut:
    case SearchStatus::Deadline:
        return "Site timed out.";
    case SearchStatus::Cancelled:
        return "User aborted search.";
    case SearchStatus::ScriptError:
        return "Search Script Error.";
    case SearchStatus::Unresolved:
        return "Unable to resolve name.";
    case SearchStatus::Unreachable:
        return "Unable to connect to site.";
    case SearchStatus::InvalidUrl:
        return "Invalid URL.";
    default:
        return {};
    }
}

clsSearch::clsSearch(SearchContext context)
    : m_ctx(std::move(context)), m_events(std::make_shared<SearchEventQueue>()) {
    if (m_ctx.programFolder.empty())
        m_ctx.programFolder = SearchProgramFolder();
}

clsSearch::~clsSearch() {
    m_events->SetWake({});
    // An object released while its search runs must not leave the program thinking a
    // search is still going: stop it, and forget what it would still report.
    if (m_ctx.state.searching && m_started) {
        m_ctx.library.CancelSearch();
        m_ctx.state.searching = false;
    }
}

bool clsSearch::Init() {
    std::vector<SiteEntry> sites;
    std::int32_t r = GetSitesKeepingGroups(m_ctx.library, m_ctx.reg, m_ctx.programFolder,
                                           static_cast<std::int16_t>(kSiteNameWidth), sites, m_leftOut);
    if (!m_ctx.library.Usable())
        return false; // the loader told the user already
    if (r >= 1 && r <= 200 && !sites.empty()) {
        m_sites.clear();
        for (const auto& s : sites) {
            // The identifier and the home page are used as they are: cutting a path or an
            // address would make it name something else.
            m_sites.push_back({Cut(s.name, kSiteNameWidth), s.id, s.home});
        }
        // The searching flag is left alone: another object (the group manager's) may be
        // made while a search runs, and that search must go on being followed.
        m_initialized = true;
        LoadGroups(m_ctx.state.groups, m_ctx.reg, m_ctx.library, m_sites);
        return true;
    }
    if (r == 0) {
        m_ctx.messages.Message("Could not open search engines.\n" + m_ctx.programFolder +
                                   "\nGetSites failed: " + std::to_string(r),
                               "Vireo Engine Error", MsgButtons::Ok, MsgIcon::Exclamation);
    } else if (r > 200) {
        m_ctx.messages.Message("Search Scripts not found.", "GetSites Error:" + std::to_string(r),
                               MsgButtons::Ok, MsgIcon::Critical);
    }
    return false;
}

bool clsSearch::ReloadSites(std::string_view alsoKeep) {
    if (!m_initialized)
        return false;
    // The groups being edited keep their engines, saved or not.
    std::vector<std::string> grouped;
    for (std::size_t i = 1; i < m_ctx.state.groups.entries.size(); ++i) {
        const auto& engines = m_ctx.state.groups.entries[i].engines;
        grouped.insert(grouped.end(), engines.begin(), engines.end());
    }
    if (!alsoKeep.empty())
        grouped.emplace_back(alsoKeep);
    m_ctx.library.KeepSites(grouped, static_cast<std::int16_t>(kSiteNameWidth));
    std::vector<SiteEntry> sites;
    std::int32_t r = m_ctx.library.GetSites(m_ctx.programFolder, sites);
    if (r < 1 || r > 200 || sites.empty())
        return false;
    m_leftOut = m_ctx.library.LeftOutSites();
    m_sites.clear();
    for (const auto& s : sites)
        m_sites.push_back({Cut(s.name, kSiteNameWidth), s.id, s.home});
    RefreshAllEngines(m_ctx.state.groups, m_sites);
    return true;
}

std::int16_t clsSearch::EngineCount() const {
    if (!m_ctx.state.groups.IsIndex(m_groupIndex))
        return 0;
    return static_cast<std::int16_t>(m_ctx.state.groups.At(m_groupIndex).engines.size());
}

bool clsSearch::SiteInfo(std::int16_t index, std::string& name, std::string& id, std::string& home) const {
    if (index < 1 || index > siteCount())
        return false;
    const SiteEntry& s = m_sites[static_cast<std::size_t>(index - 1)];
    name = s.name;
    id = s.id;
    home = s.home;
    return true;
}

void clsSearch::SetMaxHits(std::int32_t n) {
    m_maxHits = ClampToShort(n);
}
void clsSearch::SetSiteMax(std::int32_t n) {
    m_siteMax = ClampToShort(n);
}
void clsSearch::SetTimeout(std::int32_t n) {
    m_timeout = ClampToShort(n);
}

std::int32_t clsSearch::DaysBetween(OleDate SDate, OleDate EDate) {
    return vireo::DaysBetween(SDate, EDate);
}

void clsSearch::Reset() {
    for (auto& s : m_status) {
        s.status = 0;
        s.hits = 0;
        s.finished = false;
    }
    m_totalHits = 0;
    m_unknownSiteHits = 0;
    m_filedAtTotal = -1;
    m_ctx.state.searching = false;
}

bool clsSearch::Search(std::int32_t /*unused*/) {
    if (m_ctx.state.searching || !m_initialized || text::CharCount(m_query) < 2)
        return false;
    if (m_ctx.state.groups.IsIndex(m_groupIndex) && m_ctx.state.groups.At(m_groupIndex).engines.empty()) {
        // Nothing to ask: a status window with one blank row would only wait for nothing.
        m_ctx.messages.Message("The search group \"" + Trimmed(m_ctx.state.groups.At(m_groupIndex).name) +
                                   "\" has no engines.\nChoose its engines in Search › Manage Groups.",
                               "Vireo!", MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    Reset();
    m_ctx.state.searching = true;
    if (m_ctx.mainWindow)
        m_ctx.mainWindow->HideSearchDialogs();

    const SearchGroup* group =
        m_ctx.state.groups.IsIndex(m_groupIndex) ? &m_ctx.state.groups.At(m_groupIndex) : nullptr;
    const std::size_t n = group ? group->engines.size() : 0;
    m_status.assign(n, SiteStatus{});
    m_rowEngines.clear();
    std::vector<std::string> scripts;
    StatusWindowSetup setup;
    setup.caption = std::string(kStatusCaptionPrefix) + m_query;
    setup.siteMax = std::max<std::int16_t>(m_siteMax, 1);
    for (std::size_t i = 0; i < n; ++i) {
        std::string engine = Trimmed(group->engines[i]);
        setup.engines.push_back(engine);
        m_rowEngines.push_back(engine);
        auto site = std::find_if(m_sites.begin(), m_sites.end(),
                                 [&](const SiteEntry& s) { return Trimmed(s.name) == engine; });
        if (site == m_sites.end())
            continue; // an engine the library no longer has contributes nothing
        std::string id = Trimmed(site->id);
        scripts.push_back(id);
        m_status[i].id = id;
        m_status[i].shortName = ScriptShortName(id);
    }
    m_capacity = static_cast<std::size_t>(std::max<std::int16_t>(m_siteMax, 1)) * n;
    m_hits.clear();
    m_hits.reserve(std::min<std::size_t>(m_capacity, 4096));

    m_ctx.sounds.PlayEventSound(SoundEvent::SearchStart);
    m_view = m_ctx.mainWindow ? m_ctx.mainWindow->ShowStatusWindow(setup) : nullptr;
    if (m_view)
        m_view->SetCaption(setup.caption);

    std::int16_t groupNumber = group ? group->number : 0;
    // Kept for the results folder: the group table may be edited while the search runs.
    m_searchGroupNumber = groupNumber;
    m_started = true;
    std::int32_t started = m_ctx.library.InternetSearchMT(scripts, m_query, m_siteMax, m_maxHits, m_timeout,
                                                          m_events, kMaxTransfers, groupNumber);
    if (started == 0) {
        // The library refused (nothing to search, or it could not start): nothing will
        // ever report the end, so end the search here as its end would.
        SetStatus("", static_cast<std::int32_t>(SearchStatus::SearchEnded));
        return false;
    }
    return true;
}

std::int32_t clsSearch::EntryForSite(std::string_view site) const {
    std::string shortName = ScriptShortName(site);
    if (shortName.empty())
        return 0;
    for (std::size_t i = 0; i < m_status.size(); ++i) {
        if (!m_status[i].shortName.empty() && Trimmed(m_status[i].shortName) == shortName)
            return static_cast<std::int32_t>(i + 1);
    }
    // A library that names the site by its engine's name rather than its script.
    std::string name = Trimmed(site);
    for (std::size_t i = 0; i < m_status.size() && i < m_rowEngines.size(); ++i) {
        if (!m_status[i].id.empty() && m_rowEngines[i] == name)
            return static_cast<std::int32_t>(i + 1);
    }
    return 0;
}

std::int32_t clsSearch::EntryForId(std::string_view id) const {
    std::string wanted = Trimmed(id);
    // The search-wide reports (10, 0) name no site; an engine row without a site has an
    // empty identifier too, and must not take them.
    if (wanted.empty())
        return 0;
    for (std::size_t i = 0; i < m_status.size(); ++i) {
        if (Trimmed(m_status[i].id) == wanted)
            return static_cast<std::int32_t>(i + 1);
    }
    return 0;
}

void clsSearch::GiveResults(std::string_view site, std::string_view description, std::string_view title,
                            std::string_view address) {
    if (!m_ctx.state.searching)
        return;
    std::int32_t entry = EntryForSite(site);
    std::int32_t rank;
    if (entry > 0) {
        SiteStatus& s = m_status[static_cast<std::size_t>(entry - 1)];
        ++s.hits;
        rank = s.hits;
        if (m_view) {
            m_view->SetHits(entry - 1, s.hits);
            m_view->SetProgressValue(entry - 1, s.hits);
        }
    } else {
        // A hit the library gave under a name no engine row has: kept, ranked among its own.
        rank = ++m_unknownSiteHits;
    }
    ++m_totalHits;
    if (m_view)
        m_view->SetTotalText("Total hits: " + std::to_string(m_totalHits));
    if (static_cast<std::size_t>(m_totalHits) > m_capacity)
        return; // counted, but there is no room to keep it
    SearchHit hit;
    hit.rank = rank;
    hit.site = entry;
    hit.title = Cut(title, kHitTitleWidth);
    hit.address = Cut(address, kHitAddressWidth);
    hit.description = Cut(description, kHitDescriptionWidth);
    m_hits.push_back(std::move(hit));
}

void clsSearch::SetStatus(std::string_view site, std::int32_t status) {
    if (!m_ctx.state.searching)
        return;
    const SearchStatus code = StatusCodeOf(status);
    std::int32_t entry = 0;
    if (code != SearchStatus::SearchEnded) {
        entry = EntryForId(site);
        if (entry > 0) {
            m_status[static_cast<std::size_t>(entry - 1)].status = static_cast<std::int32_t>(code);
            if (m_view)
                m_view->SetHits(entry - 1, m_status[static_cast<std::size_t>(entry - 1)].hits);
        }
    }
    if (code == SearchStatus::SearchEnded) {
        EndSearch();
        return;
    }
    if (code == SearchStatus::SearchTimedOut) {
        if (m_view) {
            m_view->SetCaption(kStatusTimedOutCaption);
            m_view->SetStopButton(kStopCaption, false);
        }
        FinishSearch();
        return;
    }
    if (code > SearchStatus::InvalidUrl || code == SearchStatus::NotUsed || entry == 0)
        return;
    SiteStatus& s = m_status[static_cast<std::size_t>(entry - 1)];
    const int row = entry - 1;
    if (EndsSite(code))
        s.finished = true;
    if (!m_view)
        return;
    if (code == SearchStatus::Complete) {
        if (s.hits < m_maxHits)
            m_view->SetProgressPercent(row, 100);
        bool any = s.hits > 0;
        m_view->SetLamp(row, kLampConnect, StatusLamp::Off);
        m_view->SetLamp(row, kLampDone, any ? StatusLamp::On : StatusLamp::Warning);
        m_view->SetStatusText(row, StatusCodeText(SearchStatus::Complete, any));
        return;
    }
    for (const auto& r : kLampTable) {
        if (r.code != code)
            continue;
        for (int lamp = 0; lamp < 4; ++lamp) {
            if (r.lamps[lamp])
                m_view->SetLamp(row, static_cast<StatusLampColumn>(lamp), *r.lamps[lamp]);
        }
        m_view->SetStatusText(row, StatusCodeText(code));
        break;
    }
}

void clsSearch::EndSearch() {
    if (m_view)
        m_view->SetStopButton(kDoneCaption, true);
    FinishSearch();
    m_ctx.state.searching = false;
    m_started = false;
    if (m_view && m_view->CloseWhenComplete())
        m_ctx.state.closeRequested = true;
}

void clsSearch::FinishSearch() {
    if (m_totalHits < 1)
        return;
    // After a search-wide time-out (10) the hits were filed already; the end (0) files
    // again only when more arrived in between.
    if (m_filedAtTotal == m_totalHits)
        return;
    Database& db = m_ctx.db;
    // Filing is one step of the history: undoing it takes the results folder back.
    HistoryStep step(db, "File Search Results");

    // 1. The folder: the one being repeated when it still holds this query, else a new one.
    std::string storedQuery = Trimmed(text::CutToBytes(Trimmed(m_query), 128));
    std::int16_t folder = 0;
    if (m_folderToUse != 0 && db.IsLiveFolder(m_folderToUse) && !db.InTrash(m_folderToUse) &&
        db.Folder(m_folderToUse).SearchQuery.Text() == storedQuery) {
        folder = m_folderToUse;
        db.EmptyFolder(folder, false);
    } else {
        folder = db.AddFolder(m_query, kSearchResultsFolder, FolderKind::SearchResults);
        if (folder == 0) {
            m_ctx.messages.Message("The search results cannot be filed: the folder table is full.", "Vireo!",
                                   MsgButtons::Ok, MsgIcon::Exclamation);
            return;
        }
        m_folderToUse = folder;
    }
    m_filedAtTotal = m_totalHits;

    // 2. The search, stored with the folder so that it can be repeated.
    FolderRecord& f = db.Folder(folder);
    f.SearchQuery.Set(m_query);
    f.SearchGroup = m_searchGroupNumber;
    f.MaxHits = m_maxHits;
    f.SiteMax = m_siteMax;
    f.Timeout = static_cast<std::uint8_t>(std::clamp<std::int32_t>(m_timeout, 0, 255));
    f.SetFormatBit(m_formatOption < 0 ? 2 : m_formatOption);

    // 3. One hit per address (the lowest rank kept), then every site's first hit before
    // any site's second; among equal ranks the address more engines found comes first.
    struct Candidate {
        const SearchHit* hit;
        std::size_t arrival;
        std::set<std::int32_t> sites;
    };
    std::map<std::string, Candidate> byAddress;
    for (std::size_t i = 0; i < m_hits.size(); ++i) {
        const SearchHit& h = m_hits[i];
        auto [it, fresh] = byAddress.try_emplace(HitAddressKey(h.address), Candidate{&h, i, {}});
        Candidate& c = it->second;
        c.sites.insert(h.site);
        if (!fresh && h.rank < c.hit->rank) {
            c.hit = &h;
            c.arrival = i;
        }
    }
    std::vector<const Candidate*> order;
    order.reserve(byAddress.size());
    for (const auto& [key, c] : byAddress)
        order.push_back(&c);
    std::sort(order.begin(), order.end(), [](const Candidate* a, const Candidate* b) {
        if (a->hit->rank != b->hit->rank)
            return a->hit->rank < b->hit->rank;
        if (a->sites.size() != b->sites.size())
            return a->sites.size() > b->sites.size();
        return a->arrival < b->arrival;
    });

    // 4. File the best MaxHits of them.
    std::size_t count =
        std::min<std::size_t>(order.size(), static_cast<std::size_t>(std::max<std::int16_t>(m_maxHits, 1)));
    clsMemo& memo = db.Memo();
    clsBookmark& marks = db.Marks(folder);
    const OleDate now = OleNow();
    for (std::size_t i = 0; i < count; ++i) {
        const SearchHit& h = *order[i]->hit;
        std::string title = Trimmed(h.title);
        std::string address = Trimmed(h.address);
        std::string description = Trimmed(h.description);
        std::int32_t key = 0;
        marks.Add(key, kFlagsFound, 0, folder, memo.Add(title.empty() ? address : title),
                  description.empty() ? 0 : memo.Add(description), memo.Add(address), 0, now, now,
                  static_cast<std::int16_t>(i + 1));
    }
    m_filedCount = static_cast<std::int32_t>(count);

    // 5. and 6.
    if (m_ctx.mainWindow)
        m_ctx.mainWindow->ShowResultsFolder(folder);
    if (m_playSound)
        m_ctx.sounds.PlayEventSound(SoundEvent::SearchComplete);
}

std::size_t clsSearch::ProcessEvents() {
    std::size_t handled = 0;
    for (const auto& e : m_events->TakeAll()) {
        // A report that cannot be handled is skipped; the next one still is.
        try {
            if (e.kind == SearchEvent::Kind::Result)
                GiveResults(e.site, e.description, e.title, e.address);
            else
                SetStatus(e.site, e.status);
            ++handled;
        } catch (const std::exception&) {
        }
    }
    return handled;
}

void clsSearch::CancelSearch() {
    m_ctx.library.CancelSearch();
}

} // namespace vireo

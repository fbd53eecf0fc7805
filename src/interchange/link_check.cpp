// SPDX-License-Identifier: GPL-3.0-or-later
#include "interchange/link_check.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "shell/registry.h"
#include "store/database.h"
#include "store/text_codec.h"

namespace vireo {

namespace {

constexpr std::string_view kPhrase = "404 not found";

bool IsWhite(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// A web address we fetch: the other schemes (mail, scripts, local files, FTP, whose
// check would log in to any host named) are not checked.
bool IsFetchable(std::string_view url) {
    return text::StartsWithNoCase(url, "http://") || text::StartsWithNoCase(url, "https://");
}

// For each length of a partial match of the phrase, the length of its longest proper
// prefix that is also its suffix, so a failed letter never needs to look back.
constexpr std::array<int, kPhrase.size()> PhraseFallback() {
    std::array<int, kPhrase.size()> fallback{};
    int k = 0;
    for (std::size_t i = 1; i < kPhrase.size(); ++i) {
        while (k > 0 && kPhrase[i] != kPhrase[static_cast<std::size_t>(k)])
            k = fallback[static_cast<std::size_t>(k - 1)];
        if (kPhrase[i] == kPhrase[static_cast<std::size_t>(k)])
            ++k;
        fallback[i] = k;
    }
    return fallback;
}
constexpr auto kFallback = PhraseFallback();

// Only text can say "404 not found"; pictures, sounds and archives are judged by their
// status alone.
bool IsTextType(std::string_view type) {
    if (type.empty())
        return true;
    std::string lower = text::AsciiLower(type);
    return lower.rfind("text/", 0) == 0 || lower.find("html") != std::string::npos ||
           lower.find("xml") != std::string::npos || lower.find("json") != std::string::npos;
}

// Reads a page for the link check: a 404 or 410 answer needs no body, a page that says
// "404 not found" needs no more once it has said so.
class PageScan : public PageReader {
public:
    bool WantBody(long status, std::string_view contentType) override {
        return status != 404 && status != 410 && IsTextType(contentType);
    }
    bool Feed(std::string_view data) override { return !m_scanner.Feed(data); }
    bool SaysNotFound() const { return m_scanner.Found(); }

private:
    NotFoundScanner m_scanner;
};

std::string_view DefaultPort(std::string_view scheme) {
    if (scheme == "https")
        return "443";
    if (scheme == "ftp")
        return "21";
    return "80";
}

} // namespace

std::string LinkHost(std::string_view url) {
    std::size_t colon = url.find("://");
    if (colon == std::string_view::npos)
        return {};
    std::string scheme = text::AsciiLower(url.substr(0, colon));
    std::string_view rest = url.substr(colon + 3);
    std::string_view authority = rest.substr(0, rest.find_first_of("/?#"));
    if (std::size_t at = authority.rfind('@'); at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    std::string_view host = authority;
    std::string_view port;
    if (!authority.empty() && authority.front() == '[') {
        std::size_t close = authority.find(']');
        if (close == std::string_view::npos)
            return {};
        host = authority.substr(0, close + 1);
        std::string_view after = authority.substr(close + 1);
        if (!after.empty() && after.front() == ':')
            port = after.substr(1);
    } else if (std::size_t c = authority.rfind(':'); c != std::string_view::npos) {
        host = authority.substr(0, c);
        port = authority.substr(c + 1);
    }
    if (host.empty())
        return {};
    return text::AsciiLower(host) + ":" + std::string(port.empty() ? DefaultPort(scheme) : port);
}

bool NotFoundScanner::Feed(std::string_view data) {
    if (m_found)
        return true;
    auto step = [this](char c) {
        while (m_matched > 0 && kPhrase[static_cast<std::size_t>(m_matched)] != c)
            m_matched = kFallback[static_cast<std::size_t>(m_matched - 1)];
        if (kPhrase[static_cast<std::size_t>(m_matched)] == c)
            ++m_matched;
        if (m_matched == static_cast<int>(kPhrase.size()))
            m_found = true;
    };
    for (char c : data) {
        if (c == '<') {
            m_inTag = true;
        } else if (c == '>') {
            m_inTag = false;
        } else if (!m_inTag) {
            // White space between words counts as one space; before the first word, none.
            if (IsWhite(c)) {
                m_white = true;
                continue;
            }
            if (m_white && m_any)
                step(' ');
            m_white = false;
            m_any = true;
            step((c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c);
            if (m_found)
                return true;
        }
    }
    return false;
}

std::string StripHtml(std::string_view textIn) {
    std::string out;
    out.reserve(textIn.size());
    bool inTag = false;
    for (char c : textIn) {
        if (c == '<')
            inTag = true;
        else if (c == '>')
            inTag = false;
        else if (!inTag)
            out.push_back(c);
    }
    return out;
}

bool HasNotFoundPhrase(std::string_view body) {
    return NotFoundScanner().Feed(body);
}

std::string_view LinkStateName(LinkState state) {
    switch (state) {
    case LinkState::Alive:
        return "alive";
    case LinkState::NotFoundPage:
        return "dead (the page says 404 not found)";
    case LinkState::Gone:
        return "dead";
    case LinkState::Unreachable:
        return "unreachable";
    case LinkState::Skipped:
        return "skipped";
    case LinkState::NotChecked:
        return "not checked";
    }
    return "";
}

bool IsMarkedState(LinkState state) {
    return state == LinkState::Gone || state == LinkState::NotFoundPage || state == LinkState::Unreachable;
}

void ClassifyFetch(const FetchResult& fetch, bool saysNotFound, LinkReport& report) {
    report.status = fetch.status;
    report.deadReason = DeadReason::Other;
    if (!fetch.opened) {
        report.state = LinkState::Unreachable;
        report.reason = fetch.error.empty() ? std::string("no answer") : fetch.error;
        switch (fetch.failure) {
        case FetchFailure::NoAnswer:
            report.deadReason = DeadReason::NoAnswer;
            break;
        case FetchFailure::NoConnection:
            report.deadReason = DeadReason::NoConnection;
            break;
        case FetchFailure::NoSuchFile:
            report.state = LinkState::Gone;
            report.deadReason = DeadReason::NotFound;
            break;
        case FetchFailure::OtherScheme:
            // Nothing was fetched there, so nothing is known about the link.
            report.state = LinkState::Skipped;
            break;
        default:
            break;
        }
    } else if (fetch.status == 404 || fetch.status == 410) {
        report.state = LinkState::Gone;
        report.deadReason = fetch.status == 404 ? DeadReason::NotFound : DeadReason::Gone;
        report.reason = std::string(DeadReasonText(report.deadReason));
    } else if (saysNotFound) {
        report.state = LinkState::NotFoundPage;
        report.deadReason = DeadReason::NotFoundPage;
        report.reason = std::string(DeadReasonText(report.deadReason));
    } else if (fetch.status >= 400) {
        report.state = LinkState::Unreachable;
        report.deadReason = fetch.status >= 500 ? DeadReason::ServerError : DeadReason::Refused;
        report.reason = "the server answered " + std::to_string(fetch.status);
    } else {
        report.state = LinkState::Alive;
        report.reason.clear();
    }
}

std::vector<LinkReport> VerifyLinks(const Database& db, std::int16_t folder, UrlFetcher& fetcher,
                                    const VerifyOptions& options) {
    return CheckLinks(CollectLinks(db, folder), fetcher, options);
}

std::vector<LinkReport> CollectLinks(const Database& db, std::int16_t folder) {
    std::vector<LinkReport> reports;
    if (!db.IsLiveFolder(folder))
        return reports;
    const clsBookmark& marks = db.Marks(folder);
    reports.reserve(static_cast<std::size_t>(marks.Count()));
    for (std::int32_t pos = 1; pos <= marks.Total(); ++pos) {
        const BookmarkRecord& r = marks.At(pos);
        if (r.key == 0)
            continue;
        LinkReport rep;
        rep.key = r.key;
        rep.position = pos;
        rep.title = db.Memo().GetMemo(r.Name);
        rep.url = db.Memo().GetMemo(r.url);
        reports.push_back(std::move(rep));
    }
    return reports;
}

std::vector<LinkReport> CheckLinks(std::vector<LinkReport> reports, UrlFetcher& fetcher,
                                   const VerifyOptions& options) {
    const auto total = static_cast<std::int32_t>(reports.size());
    std::int32_t done = 0;
    std::vector<bool> reported(reports.size(), false);
    auto report = [&](std::size_t i) {
        reported[i] = true;
        ++done;
        if (options.progress)
            options.progress(reports[i], done, total);
    };

    std::vector<FetchJob> jobs;
    std::vector<std::size_t> owners; // the report of each job
    jobs.reserve(reports.size());
    owners.reserve(reports.size());
    for (std::size_t i = 0; i < reports.size(); ++i) {
        LinkReport& rep = reports[i];
        if (rep.url.empty() || !IsFetchable(rep.url)) {
            rep.state = LinkState::Skipped;
            rep.reason = rep.url.empty() ? "the bookmark has no address"
                                         : "not checked: only http and https addresses are";
            report(i);
            continue;
        }
        jobs.push_back({rep.url, nullptr});
        owners.push_back(i);
    }
    std::vector<PageScan> scans(jobs.size());
    for (std::size_t j = 0; j < jobs.size(); ++j)
        jobs[j].reader = &scans[j];

    if (!jobs.empty() && !(options.cancel && options.cancel->load())) {
        FetchPlan plan;
        plan.jobs = std::clamp(options.jobs, 1, kMaxLinkJobs);
        plan.perHost = std::clamp(options.perHost, 1, plan.jobs);
        plan.cancel = options.cancel;
        fetcher.FetchAll(jobs, plan, [&](std::size_t j, const FetchResult& fetch) {
            if (j >= jobs.size() || reported[owners[j]])
                return;
            ClassifyFetch(fetch, scans[j].SaysNotFound(), reports[owners[j]]);
            report(owners[j]);
        });
    }
    for (std::size_t i = 0; i < reports.size(); ++i) {
        if (!reported[i]) {
            reports[i].state = LinkState::NotChecked;
            reports[i].reason = "cancelled";
        }
    }
    return reports;
}

bool RememberLinkReport(Database& db, std::int16_t folder, const LinkReport& report, OleDate when) {
    if (report.state == LinkState::Skipped || report.state == LinkState::NotChecked)
        return false;
    return RememberLinkCheck(db, folder, report.key, IsMarkedState(report.state), report.deadReason, when);
}

LinkCheckProgress::LinkCheckProgress(const std::vector<LinkReport>& reports) {
    m_linksTotal = static_cast<std::int32_t>(reports.size());
    for (const LinkReport& r : reports) {
        if (r.url.empty() || !IsFetchable(r.url))
            continue;
        ++m_fetchesTotal;
        ++m_left[LinkHost(r.url)];
    }
}

void LinkCheckProgress::Add(const LinkReport& report) {
    ++m_linksDone;
    // A link redirected to another scheme was fetched all the same; only one never
    // fetched counts for no host.
    if (report.url.empty() || !IsFetchable(report.url))
        return;
    ++m_fetchesDone;
    auto it = m_left.find(LinkHost(report.url));
    if (it != m_left.end() && it->second > 0 && --it->second == 0)
        ++m_hostsDone;
}

double LinkCheckProgress::SecondsLeft(double elapsed) const {
    // A second's worth of answers is the least to judge the pace by.
    if (m_fetchesDone == 0 || elapsed < 1.0)
        return -1;
    return (m_fetchesTotal - m_fetchesDone) * elapsed / m_fetchesDone;
}

std::string TimeLeftText(double seconds) {
    if (seconds < 0)
        return {};
    if (seconds < 1.5)
        return "about a second left";
    if (seconds < 90)
        return "about " + std::to_string(static_cast<int>(std::lround(seconds))) + " seconds left";
    return "about " + std::to_string(static_cast<int>(std::lround(seconds / 60))) + " minutes left";
}

int GetLinkCheckJobs(const Registry& reg) {
    std::int32_t jobs = GetRegNumber(reg, SettingsPath(kLinkCheckSettingsKey), "Jobs");
    return jobs >= 1 && jobs <= kMaxLinkJobs ? jobs : kDefaultLinkJobs;
}

void SetLinkCheckJobs(Registry& reg, int jobs) {
    SetRegValue(reg, SettingsPath(kLinkCheckSettingsKey), "Jobs", static_cast<std::int64_t>(jobs));
}

} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "interchange/link_check.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

#include "store/database.h"
#include "store/text_codec.h"

namespace vireo {

namespace {

bool IsWhite(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// A web address we can fetch: the other schemes (mail, scripts, local files) are not
// pages on the web.
bool IsFetchable(std::string_view url) {
    return text::StartsWithNoCase(url, "http://") || text::StartsWithNoCase(url, "https://") ||
           text::StartsWithNoCase(url, "ftp://");
}

} // namespace

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
    std::string plain = StripHtml(body);
    std::string squeezed;
    squeezed.reserve(plain.size());
    bool white = false;
    for (char c : plain) {
        if (IsWhite(c)) {
            white = true;
            continue;
        }
        if (white && !squeezed.empty())
            squeezed.push_back(' ');
        white = false;
        squeezed.push_back((c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c);
    }
    return squeezed.find("404 not found") != std::string::npos;
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
    case LinkState::NotChecked:
        return "not checked";
    }
    return "";
}

void ClassifyFetch(const FetchResult& fetch, LinkReport& report) {
    report.status = fetch.status;
    if (fetch.cancelled) {
        report.state = LinkState::NotChecked;
        report.reason = "cancelled";
    } else if (!fetch.opened) {
        report.state = LinkState::Unreachable;
        report.reason = fetch.error.empty() ? std::string("no answer") : fetch.error;
    } else if (fetch.status == 404 || fetch.status == 410) {
        report.state = LinkState::Gone;
        report.reason = "the server answered " + std::to_string(fetch.status) +
                        (fetch.status == 404 ? " (not found)" : " (gone)");
    } else if (HasNotFoundPhrase(fetch.body)) {
        report.state = LinkState::NotFoundPage;
        report.reason = "the page says \"404 Not Found\"";
    } else if (fetch.status >= 400) {
        report.state = LinkState::Unreachable;
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
    if (total == 0)
        return reports;

    auto cancelled = [&] { return options.cancel && options.cancel->load(); };
    std::mutex mutex;
    std::condition_variable done;
    std::deque<std::size_t> finished;
    std::size_t next = 0;

    auto work = [&] {
        while (true) {
            std::size_t i;
            {
                std::lock_guard lock(mutex);
                if (next >= reports.size() || cancelled())
                    return;
                i = next++;
            }
            LinkReport& rep = reports[i];
            if (rep.url.empty()) {
                rep.state = LinkState::Unreachable;
                rep.reason = "the bookmark has no address";
            } else if (!IsFetchable(rep.url)) {
                rep.state = LinkState::Unreachable;
                rep.reason = "not a web address";
            } else {
                ClassifyFetch(fetcher.Fetch(rep.url, options.cancel), rep);
            }
            {
                std::lock_guard lock(mutex);
                finished.push_back(i);
            }
            done.notify_one();
        }
    };

    const int jobs = std::clamp(options.jobs, 1, 16);
    std::vector<std::thread> workers;
    for (int j = 0; j < jobs && j < total; ++j) {
        try {
            workers.emplace_back(work);
        } catch (const std::system_error&) {
            break; // fewer threads than asked for; the ones running do the rest
        }
    }
    if (workers.empty())
        work(); // not even one thread: check on this one

    std::int32_t reported = 0;
    {
        std::unique_lock lock(mutex);
        while (true) {
            while (!finished.empty()) {
                std::size_t i = finished.front();
                finished.pop_front();
                ++reported;
                if (options.progress) {
                    lock.unlock();
                    options.progress(reports[i], reported, total);
                    lock.lock();
                }
            }
            bool allTaken = next >= reports.size() || cancelled();
            if (reported == total || workers.empty())
                break;
            // Once no more work is handed out, the rest finish on their own.
            if (allTaken && reported == static_cast<std::int32_t>(next))
                break;
            done.wait_for(lock, std::chrono::milliseconds(200));
        }
    }
    for (auto& t : workers)
        t.join();
    for (LinkReport& rep : reports) {
        if (rep.state == LinkState::NotChecked && rep.reason.empty())
            rep.reason = "cancelled";
    }
    return reports;
}

} // namespace vireo

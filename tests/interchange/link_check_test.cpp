// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

#include "interchange/exchange_fixture.h"
#include "interchange/link_check.h"
#include "local_http_server.h"
#include "platform/url_fetch.h"

namespace vireo::test {
namespace {

using namespace std::chrono_literals;

sys::FetchLimits TestLimits() {
    sys::FetchLimits l;
    l.connectTimeoutMs = 2000;
    l.totalTimeoutMs = 1500;
    l.maxBody = 100 * 1024;
    l.maxRedirects = 5;
    return l;
}

TEST(LinkCheck, StripHtmlAndThePhrase) {
    EXPECT_EQ(StripHtml("<h1>404 <i>Not</i> Found</h1>"), "404 Not Found");
    EXPECT_EQ(StripHtml("a > b <b"), "a  b ");
    EXPECT_TRUE(HasNotFoundPhrase("<title>404 Not Found</title>"));
    EXPECT_TRUE(HasNotFoundPhrase("<h1>404</h1>\n<p>NOT   found</p>"));
    EXPECT_FALSE(HasNotFoundPhrase("Error 404: page not found"));
    EXPECT_FALSE(HasNotFoundPhrase(""));
}

TEST(LinkCheck, HostileServersCostBoundedTimeAndMemory) {
    LocalHttpServer server;
    sys::CurlFetcher fetcher(TestLimits());
    FetchResult ok = fetcher.Fetch(server.Url("/ok"), nullptr);
    EXPECT_TRUE(ok.opened);
    EXPECT_EQ(ok.status, 200);
    EXPECT_NE(ok.body.find("Welcome"), std::string::npos);
    EXPECT_EQ(server.Agent(), "VEZidoveva");

    FetchResult endless = fetcher.Fetch(server.Url("/endless"), nullptr);
    EXPECT_TRUE(endless.opened);
    EXPECT_TRUE(endless.truncated);
    EXPECT_EQ(endless.body.size(), 100u * 1024);

    FetchResult silent = fetcher.Fetch(server.Url("/silent"), nullptr);
    EXPECT_FALSE(silent.opened);
    EXPECT_EQ(silent.error, "no answer in time");

    FetchResult loop = fetcher.Fetch(server.Url("/loop"), nullptr);
    EXPECT_FALSE(loop.opened);
    EXPECT_EQ(loop.error, "too many redirections");

    FetchResult moved = fetcher.Fetch(server.Url("/moved"), nullptr);
    EXPECT_TRUE(moved.opened);
    EXPECT_EQ(moved.status, 200);

    std::atomic<bool> cancel{true};
    FetchResult cancelled = fetcher.Fetch(server.Url("/silent"), &cancel);
    EXPECT_FALSE(cancelled.opened);
    EXPECT_TRUE(cancelled.cancelled);

    EXPECT_EQ(sys::FetchUrl("http://127.0.0.1:1/"), "");
}

struct VerifyTest : ExchangeFixture {};

TEST_F(VerifyTest, EveryBookmarkGetsAReportInFolderOrder) {
    LocalHttpServer server;
    sys::CurlFetcher fetcher(TestLimits());
    std::int16_t folder = db.AddFolder("Links", kRootFolder, kFolderOrdinary);
    const std::vector<std::string> paths = {"/ok",     "/not-found-text", "/gone",   "/removed",
                                            "/broken", "/loop",           "/silent", "/moved"};
    for (const auto& p : paths)
        AddMark(folder, p, server.Url(p));
    AddMark(folder, "mail", "mailto:someone@example.com");
    AddMark(folder, "nothing", "");
    std::int32_t deleted = AddMark(folder, "deleted", server.Url("/ok"));
    db.Marks(folder).Kill(deleted, true);
    AddMark(folder, "refused", "http://127.0.0.1:1/");

    std::vector<std::int32_t> done;
    VerifyOptions options;
    options.jobs = 4;
    options.progress = [&](const LinkReport& r, std::int32_t n, std::int32_t total) {
        EXPECT_EQ(total, 11);
        EXPECT_FALSE(r.url.empty() && r.title != "nothing");
        done.push_back(n);
    };
    std::vector<LinkReport> reports = VerifyLinks(db, folder, fetcher, options);
    ASSERT_EQ(reports.size(), 11u);
    EXPECT_EQ(done.size(), 11u);
    EXPECT_EQ(done.back(), 11);
    std::map<std::string, LinkState> state;
    for (const auto& r : reports)
        state[r.title] = r.state;
    EXPECT_EQ(reports[0].title, "/ok");
    EXPECT_EQ(reports[10].title, "refused");
    EXPECT_EQ(reports[10].position, 12);
    EXPECT_EQ(state["/ok"], LinkState::Alive);
    EXPECT_EQ(state["/moved"], LinkState::Alive);
    EXPECT_EQ(state["/not-found-text"], LinkState::NotFoundPage);
    EXPECT_EQ(state["/gone"], LinkState::Gone);
    EXPECT_EQ(state["/removed"], LinkState::Gone);
    EXPECT_EQ(state["/broken"], LinkState::Unreachable);
    EXPECT_EQ(state["/loop"], LinkState::Unreachable);
    EXPECT_EQ(state["/silent"], LinkState::Unreachable);
    EXPECT_EQ(state["mail"], LinkState::Unreachable);
    EXPECT_EQ(state["nothing"], LinkState::Unreachable);
    EXPECT_EQ(state["refused"], LinkState::Unreachable);
    for (const auto& r : reports)
        EXPECT_EQ(r.reason.empty(), r.state == LinkState::Alive) << r.title << ": " << r.reason;
}

// Answers after a pause and counts how many calls overlap.
class SlowFetcher : public UrlFetcher {
public:
    FetchResult Fetch(const std::string&, const std::atomic<bool>*) override {
        int now = ++m_running;
        int seen = m_most.load();
        while (now > seen && !m_most.compare_exchange_weak(seen, now)) {
        }
        std::this_thread::sleep_for(20ms);
        --m_running;
        ++calls;
        FetchResult r;
        r.opened = true;
        r.status = 200;
        return r;
    }
    int Most() const { return m_most.load(); }
    std::atomic<int> calls{0};

private:
    std::atomic<int> m_running{0};
    std::atomic<int> m_most{0};
};

TEST_F(VerifyTest, ChecksAreBoundedAndCanBeCancelled) {
    std::int16_t folder = db.AddFolder("Many", kRootFolder, kFolderOrdinary);
    for (int i = 0; i < 40; ++i)
        AddMark(folder, "m" + std::to_string(i), "http://m" + std::to_string(i) + ".example/");
    SlowFetcher fetcher;
    VerifyOptions options;
    options.jobs = 3;
    std::vector<LinkReport> all = VerifyLinks(db, folder, fetcher, options);
    EXPECT_EQ(all.size(), 40u);
    EXPECT_LE(fetcher.Most(), 3);
    EXPECT_GE(fetcher.Most(), 2);
    for (const auto& r : all)
        EXPECT_EQ(r.state, LinkState::Alive);

    SlowFetcher second;
    std::atomic<bool> cancel{false};
    options.cancel = &cancel;
    options.progress = [&](const LinkReport&, std::int32_t done, std::int32_t) {
        if (done == 5)
            cancel = true;
    };
    std::vector<LinkReport> part = VerifyLinks(db, folder, second, options);
    ASSERT_EQ(part.size(), 40u);
    int checked = 0;
    for (const auto& r : part)
        checked += r.state == LinkState::Alive ? 1 : 0;
    EXPECT_EQ(checked, second.calls.load());
    EXPECT_LT(checked, 40);
    EXPECT_EQ(part.back().state, LinkState::NotChecked);
    EXPECT_EQ(part.back().reason, "cancelled");
}

} // namespace
} // namespace vireo::test

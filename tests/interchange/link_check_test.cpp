// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

#include "interchange/exchange_fixture.h"
#include "interchange/link_check.h"
#include "platform/url_fetch.h"

namespace vireo::test {
namespace {

using namespace std::chrono_literals;

// A tiny web server on 127.0.0.1 with a handful of well- and ill-behaved pages.
class TestServer {
public:
    TestServer() {
        // A proxy named in the environment must not stand between us and our own server.
        ::setenv("no_proxy", "127.0.0.1,localhost", 1);
        ::setenv("NO_PROXY", "127.0.0.1,localhost", 1);
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        int one = 1;
        ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        if (::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            ::listen(m_listen, 64) != 0)
            ADD_FAILURE() << "cannot listen on 127.0.0.1";
        socklen_t len = sizeof addr;
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &len);
        m_port = ntohs(addr.sin_port);
        m_accepter = std::thread([this] { Accept(); });
    }
    ~TestServer() {
        m_stop = true;
        m_accepter.join();
        std::vector<std::thread> handlers;
        {
            std::lock_guard lock(m_mutex);
            handlers.swap(m_handlers);
        }
        for (auto& t : handlers)
            t.join();
        ::close(m_listen);
    }
    std::string Url(std::string_view path) const {
        return "http://127.0.0.1:" + std::to_string(m_port) + std::string(path);
    }
    std::string Agent() {
        std::lock_guard lock(m_mutex);
        return m_agent;
    }

private:
    void Accept() {
        while (!m_stop) {
            pollfd p{m_listen, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            int fd = ::accept(m_listen, nullptr, nullptr);
            if (fd < 0)
                continue;
            std::lock_guard lock(m_mutex);
            m_handlers.emplace_back([this, fd] { Serve(fd); });
        }
    }

    bool Send(int fd, std::string_view data) {
        while (!data.empty()) {
            pollfd p{fd, POLLOUT, 0};
            if (m_stop || ::poll(&p, 1, 20) < 0)
                return false;
            if (!(p.revents & POLLOUT))
                continue;
            ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            data.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }

    void Reply(int fd, int status, std::string_view extra, std::string_view body) {
        Send(fd, "HTTP/1.1 " + std::to_string(status) +
                     " Whatever\r\nContent-Length: " + std::to_string(body.size()) +
                     "\r\nConnection: close\r\n" + std::string(extra) + "\r\n" + std::string(body));
    }

    void Serve(int fd) {
        std::string request;
        char buf[4096];
        while (request.find("\r\n\r\n") == std::string::npos && !m_stop) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0)
                break;
            request.append(buf, static_cast<std::size_t>(n));
        }
        std::size_t sp = request.find(' ');
        std::string path = request.substr(sp + 1, request.find(' ', sp + 1) - sp - 1);
        if (std::size_t ua = request.find("User-Agent: "); ua != std::string::npos) {
            std::lock_guard lock(m_mutex);
            m_agent = request.substr(ua + 12, request.find("\r\n", ua) - ua - 12);
        }
        if (path == "/ok") {
            Reply(fd, 200, "", "<html><body>Welcome to a page about 404 errors</body></html>");
        } else if (path == "/not-found-text") {
            Reply(fd, 200, "", "<html><h1>404 NoT\n  <b>FoUnD</b></h1><p>Sorry</p></html>");
        } else if (path == "/gone") {
            Reply(fd, 404, "", "missing");
        } else if (path == "/removed") {
            Reply(fd, 410, "", "");
        } else if (path == "/broken") {
            Reply(fd, 500, "", "oops");
        } else if (path == "/moved") {
            Reply(fd, 301, "Location: /ok\r\n", "");
        } else if (path == "/loop") {
            Reply(fd, 302, "Location: /loop\r\n", "");
        } else if (path == "/endless") {
            Send(fd, "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
            std::string chunk(64 * 1024, 'x');
            while (Send(fd, chunk)) {
            }
        } else if (path == "/silent") {
            while (!m_stop) {
                pollfd p{fd, POLLIN, 0};
                if (::poll(&p, 1, 20) > 0 && ::recv(fd, buf, sizeof buf, 0) <= 0)
                    break; // the client gave up
            }
        } else {
            Reply(fd, 404, "", "");
        }
        ::close(fd);
    }

    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_accepter;
    std::mutex m_mutex;
    std::vector<std::thread> m_handlers;
    std::string m_agent;
};

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
    TestServer server;
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
    TestServer server;
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

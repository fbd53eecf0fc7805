// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A tiny web server on 127.0.0.1 for the tests of link checking: /ok is a page, /gone
// and /removed are missing (404, 410), /not-found-text says so in its text, /broken
// fails (500), /moved redirects to /ok, /loop redirects to itself, /endless never ends
// its body and /silent never answers. For the link check: /moved-gone redirects to
// /gone, /not-found-endless says "404 Not Found" and then never ends, and pages whose
// path starts with /slow answer after a delay; requests open at once are counted per Host.
// A test may answer other requests itself (a search engine's result pages) with SetHandler.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace vireo::test {

// A tiny web server on 127.0.0.1 with a handful of well- and ill-behaved pages.
class LocalHttpServer {
public:
    LocalHttpServer() {
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
        m_listening = ::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
                      ::listen(m_listen, 64) == 0;
        socklen_t len = sizeof addr;
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &len);
        m_port = ntohs(addr.sin_port);
        m_accepter = std::thread([this] { Accept(); });
    }
    ~LocalHttpServer() {
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

    // --- Link check: slow pages, and the requests open at once per host ----------------
    // Pages whose path starts with /slow wait this long before they answer.
    void SetSlowDelay(std::chrono::milliseconds delay) { m_slowDelayMs = delay.count(); }
    // The Host header our own URLs carry.
    std::string HostHeader() const { return "127.0.0.1:" + std::to_string(m_port); }
    // The most requests with that Host header that were open at the same time.
    int MostAtOnce(const std::string& host) {
        std::lock_guard lock(m_countMutex);
        auto it = m_open.find(host);
        return it == m_open.end() ? 0 : it->second.most;
    }
    int MostAtOnce() { return MostAtOnce(HostHeader()); }
    // Requests answered or given up so far.
    int RequestCount() {
        std::lock_guard lock(m_countMutex);
        return m_requestCount;
    }

private:
    struct OpenCount {
        int now = 0;
        int most = 0;
    };
    // Counts a request as open from the moment it is read until its connection is
    // closed, and holds back the slow pages.
    class OpenRequest {
    public:
        OpenRequest(LocalHttpServer& server, const std::string& request) : m_server(server) {
            std::size_t at = request.find("\r\nHost: ");
            if (at != std::string::npos) {
                at += 8;
                m_host = request.substr(at, request.find("\r\n", at) - at);
            }
            {
                std::lock_guard lock(m_server.m_countMutex);
                OpenCount& c = m_server.m_open[m_host];
                c.most = std::max(c.most, ++c.now);
            }
            Current() = this;
            std::size_t sp = request.find(' ');
            if (sp != std::string::npos && request.compare(sp + 1, 5, "/slow") == 0) {
                auto until =
                    std::chrono::steady_clock::now() + std::chrono::milliseconds(m_server.m_slowDelayMs);
                while (!m_server.m_stop && std::chrono::steady_clock::now() < until)
                    ::poll(nullptr, 0, 5);
            }
        }
        ~OpenRequest() {
            Done();
            Current() = nullptr;
        }
        // A request stops counting as open once its answer starts: the client may have the
        // whole answer and be on its next request before this thread closes the socket, and
        // that overlap is the server's, not the client's.
        void Done() {
            if (m_done)
                return;
            m_done = true;
            std::lock_guard lock(m_server.m_countMutex);
            --m_server.m_open[m_host].now;
            ++m_server.m_requestCount;
        }
        static OpenRequest*& Current() {
            thread_local OpenRequest* current = nullptr;
            return current;
        }
        OpenRequest(const OpenRequest&) = delete;
        OpenRequest& operator=(const OpenRequest&) = delete;

    private:
        LocalHttpServer& m_server;
        std::string m_host;
        bool m_done = false;
    };
    std::atomic<long> m_slowDelayMs{100};
    std::mutex m_countMutex;
    std::map<std::string, OpenCount> m_open;
    int m_requestCount = 0;

public:
    bool Listening() const { return m_listening; }
    std::string Url(std::string_view path) const {
        return "http://127.0.0.1:" + std::to_string(m_port) + std::string(path);
    }
    std::string Agent() {
        std::lock_guard lock(m_mutex);
        return m_agent;
    }

    // An answer to one request: the status, extra header lines (each ending "\r\n") and
    // the body.
    struct Response {
        int status = 200;
        std::string headers;
        std::string body;
    };
    // Asked first for every request with its path and query ("/search?q=golf"); returning
    // false leaves the request to the built-in pages. Set it before the first request.
    using Handler = std::function<bool(const std::string& target, Response& response)>;
    void SetHandler(Handler handler) {
        std::lock_guard lock(m_mutex);
        m_handler = std::move(handler);
    }
    // The targets asked for so far, in arrival order.
    std::vector<std::string> Requests() {
        std::lock_guard lock(m_mutex);
        return m_requests;
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
        if (OpenRequest* open = OpenRequest::Current())
            open->Done();
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
        OpenRequest open(*this, request);
        std::size_t sp = request.find(' ');
        std::string path = request.substr(sp + 1, request.find(' ', sp + 1) - sp - 1);
        Handler handler;
        {
            std::lock_guard lock(m_mutex);
            if (std::size_t ua = request.find("User-Agent: "); ua != std::string::npos)
                m_agent = request.substr(ua + 12, request.find("\r\n", ua) - ua - 12);
            m_requests.push_back(path);
            handler = m_handler;
        }
        Response custom;
        if (handler && handler(path, custom)) {
            Reply(fd, custom.status, custom.headers, custom.body);
        } else if (path == "/ok") {
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
        } else if (path == "/moved-gone") {
            Reply(fd, 302, "Location: /gone\r\n", "");
        } else if (path == "/not-found-endless") {
            Send(fd, "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\n\r\n"
                     "<html><head><title>404 Not Found</title></head><body>");
            std::string chunk(64 * 1024, 'x');
            while (Send(fd, chunk)) {
            }
        } else if (path.rfind("/slow", 0) == 0) {
            Reply(fd, 200, "Content-Type: text/html\r\n", "<html><body>Worth the wait</body></html>");
        } else {
            Reply(fd, 404, "", "");
        }
        ::close(fd);
    }

    int m_listen = -1;
    int m_port = 0;
    bool m_listening = false;
    std::atomic<bool> m_stop{false};
    std::thread m_accepter;
    std::mutex m_mutex;
    std::vector<std::thread> m_handlers;
    std::string m_agent;
    Handler m_handler;
    std::vector<std::string> m_requests;
};

} // namespace vireo::test

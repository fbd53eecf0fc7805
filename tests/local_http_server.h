// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A tiny web server on 127.0.0.1 with a handful of well- and ill-behaved pages: /ok is a
// page, /gone and /removed are missing (404, 410), /not-found-text says so in its text,
// /broken fails (500), /moved redirects to /ok, /moved-gone to /gone, /loop to itself,
// /endless never ends its body, /not-found-endless says "404 Not Found" and then never
// ends, /silent never answers, and pages whose path starts with /slow answer after a delay.
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
#include <utility>
#include <vector>

namespace vireo::test {

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

    bool Listening() const { return m_listening; }
    std::string Url(std::string_view path) const {
        return "http://127.0.0.1:" + std::to_string(m_port) + std::string(path);
    }
    // Pages whose path starts with /slow wait this long before they answer.
    void SetSlowDelay(std::chrono::milliseconds delay) { m_slowDelayMs = delay.count(); }
    // The most requests that were open at the same time.
    int MostAtOnce() {
        std::lock_guard lock(m_mutex);
        return m_mostAtOnce;
    }
    // Requests answered or given up so far.
    int RequestCount() {
        std::lock_guard lock(m_mutex);
        return m_requestCount;
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
        Handler handler;
        {
            std::lock_guard lock(m_mutex);
            m_mostAtOnce = std::max(m_mostAtOnce, ++m_openNow);
            if (std::size_t ua = request.find("\r\nUser-Agent: "); ua != std::string::npos)
                m_agent = request.substr(ua + 14, request.find("\r\n", ua + 14) - ua - 14);
            m_requests.push_back(path);
            handler = m_handler;
        }
        // A request stops counting as open once its answer starts: the client may have the
        // whole answer and be on its next request before this thread closes the socket, and
        // that overlap is the server's, not the client's.
        bool open = true;
        auto done = [&] {
            if (!std::exchange(open, false))
                return;
            std::lock_guard lock(m_mutex);
            --m_openNow;
            ++m_requestCount;
        };
        auto reply = [&](const Response& r) {
            done();
            Send(fd, "HTTP/1.1 " + std::to_string(r.status) +
                         " Whatever\r\nContent-Length: " + std::to_string(r.body.size()) +
                         "\r\nConnection: close\r\n" + r.headers + "\r\n" + r.body);
        };
        auto endless = [&](std::string_view head) {
            Send(fd, "HTTP/1.1 200 OK\r\n" + std::string(head));
            std::string chunk(64 * 1024, 'x');
            while (Send(fd, chunk)) {
            }
        };
        const bool slow = path.rfind("/slow", 0) == 0;
        if (slow) {
            auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_slowDelayMs);
            while (!m_stop && std::chrono::steady_clock::now() < until)
                ::poll(nullptr, 0, 5);
        }

        static const std::map<std::string, Response, std::less<>> kPages = {
            {"/ok", {200, "", "<html><body>Welcome to a page about 404 errors</body></html>"}},
            {"/not-found-text", {200, "", "<html><h1>404 NoT\n  <b>FoUnD</b></h1><p>Sorry</p></html>"}},
            {"/gone", {404, "", "missing"}},
            {"/removed", {410, "", ""}},
            {"/broken", {500, "", "oops"}},
            {"/moved", {301, "Location: /ok\r\n", ""}},
            {"/moved-gone", {302, "Location: /gone\r\n", ""}},
            {"/loop", {302, "Location: /loop\r\n", ""}},
        };
        Response custom;
        if (handler && handler(path, custom)) {
            reply(custom);
        } else if (auto page = kPages.find(path); page != kPages.end()) {
            reply(page->second);
        } else if (path == "/endless") {
            endless("Connection: close\r\n\r\n");
        } else if (path == "/not-found-endless") {
            endless("Content-Type: text/html\r\nConnection: close\r\n\r\n"
                    "<html><head><title>404 Not Found</title></head><body>");
        } else if (path == "/silent") {
            while (!m_stop) {
                pollfd p{fd, POLLIN, 0};
                if (::poll(&p, 1, 20) > 0 && ::recv(fd, buf, sizeof buf, 0) <= 0)
                    break; // the client gave up
            }
        } else if (slow) {
            reply({200, "Content-Type: text/html\r\n", "<html><body>Worth the wait</body></html>"});
        } else {
            reply({404, "", ""});
        }
        ::close(fd);
        done();
    }

    int m_listen = -1;
    int m_port = 0;
    bool m_listening = false;
    std::atomic<bool> m_stop{false};
    std::atomic<long> m_slowDelayMs{100};
    std::thread m_accepter;
    std::mutex m_mutex;
    std::vector<std::thread> m_handlers;
    int m_openNow = 0;
    int m_mostAtOnce = 0;
    int m_requestCount = 0;
    std::string m_agent;
    Handler m_handler;
    std::vector<std::string> m_requests;
};

} // namespace vireo::test

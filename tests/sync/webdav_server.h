// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A real WebDAV server on loopback for the sync tests: rclone's "serve webdav" over a
// temporary folder, on a free port, stopped with the test. scripts/install-deps installs
// rclone; a machine without it fails these tests with that reason.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace vireo::test {

class WebDavServer {
public:
    // `root` is the folder served; with a user name the server asks for it and `pass`.
    explicit WebDavServer(const std::string& root, const std::string& user = {},
                          const std::string& pass = {}) {
        ::setenv("no_proxy", "127.0.0.1,localhost", 1);
        ::setenv("NO_PROXY", "127.0.0.1,localhost", 1);
        m_rclone = Find("rclone");
        if (m_rclone.empty())
            return;
        for (int attempt = 0; attempt < 5 && !m_ready; ++attempt) {
            m_port = FreePort();
            std::vector<std::string> args{m_rclone, "serve", "webdav", "--addr",
                                          "127.0.0.1:" + std::to_string(m_port), "--config", "/dev/null",
                                          "--log-level", "ERROR",
                                          // files changed behind its back show at once
                                          "--dir-cache-time", "0s", root};
            if (!user.empty()) {
                args.insert(args.end() - 1, {"--user", user, "--pass", pass});
            }
            m_pid = ::fork();
            if (m_pid == 0) {
                std::vector<char*> argv;
                for (auto& a : args)
                    argv.push_back(a.data());
                argv.push_back(nullptr);
                ::execv(m_rclone.c_str(), argv.data());
                ::_exit(127);
            }
            for (int i = 0; i < 200 && !m_ready; ++i) {
                int status = 0;
                if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                    m_pid = -1;
                    break;
                }
                m_ready = Answers(m_port);
                if (!m_ready)
                    std::this_thread::sleep_for(std::chrono::milliseconds(25));
            }
            if (!m_ready)
                Stop();
        }
    }
    ~WebDavServer() { Stop(); }
    WebDavServer(const WebDavServer&) = delete;
    WebDavServer& operator=(const WebDavServer&) = delete;

    bool ready() const { return m_ready; }
    std::string why() const {
        return m_rclone.empty() ? "rclone is not installed (scripts/install-deps installs it)"
                                : "rclone serve webdav did not start";
    }
    std::string url(const std::string& path = {}) const {
        return "http://127.0.0.1:" + std::to_string(m_port) + "/" + path;
    }

private:
    static std::string Find(const char* name) {
        const char* path = std::getenv("PATH");
        std::string p = path ? path : "/usr/bin:/bin";
        std::size_t start = 0;
        while (start <= p.size()) {
            std::size_t end = p.find(':', start);
            std::string dir = p.substr(start, end == std::string::npos ? std::string::npos : end - start);
            std::string full = dir + "/" + name;
            if (!dir.empty() && ::access(full.c_str(), X_OK) == 0)
                return full;
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
        return {};
    }
    static int FreePort() {
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        socklen_t len = sizeof addr;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
        ::close(fd);
        return ntohs(addr.sin_port);
    }
    static bool Answers(int port) {
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(static_cast<std::uint16_t>(port));
        bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        ::close(fd);
        return ok;
    }
    void Stop() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            int status = 0;
            ::waitpid(m_pid, &status, 0);
        }
        m_pid = -1;
        m_ready = false;
    }

    std::string m_rclone;
    pid_t m_pid = -1;
    int m_port = 0;
    bool m_ready = false;
};

} // namespace vireo::test

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
        m_installed = std::system("command -v rclone >/dev/null 2>&1") == 0;
        if (!m_installed)
            return;
        for (int attempt = 0; attempt < 5 && !m_ready; ++attempt) {
            m_port = FreePort();
            std::vector<std::string> args{"rclone", "serve", "webdav", "--addr",
                                          "127.0.0.1:" + std::to_string(m_port), "--config", "/dev/null",
                                          "--log-level", "ERROR",
                                          // files changed behind its back show at once
                                          "--dir-cache-time", "0s", root};
            if (!user.empty())
                args.insert(args.end() - 1, {"--user", user, "--pass", pass});
            m_pid = ::fork();
            if (m_pid == 0) {
                std::vector<char*> argv;
                for (auto& a : args)
                    argv.push_back(a.data());
                argv.push_back(nullptr);
                ::execvp("rclone", argv.data());
                ::_exit(127);
            }
            for (int i = 0; i < 200 && !(m_ready = Answers(m_port)); ++i) {
                if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
                    m_pid = -1; // it could not start, on this port or at all
                    break;
                }
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
        return !m_installed ? "rclone is not installed (scripts/install-deps installs it)"
                            : "rclone serve webdav did not start";
    }
    std::string url(const std::string& path = {}) const {
        return "http://127.0.0.1:" + std::to_string(m_port) + "/" + path;
    }

private:
    static sockaddr_in Loopback(int port) {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(static_cast<std::uint16_t>(port));
        return addr;
    }
    static int FreePort() {
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr = Loopback(0);
        socklen_t len = sizeof addr;
        ::bind(fd, reinterpret_cast<sockaddr*>(&addr), len);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
        ::close(fd);
        return ntohs(addr.sin_port);
    }
    static bool Answers(int port) {
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr = Loopback(port);
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

    bool m_installed = false;
    pid_t m_pid = -1;
    int m_port = 0;
    bool m_ready = false;
};

} // namespace vireo::test

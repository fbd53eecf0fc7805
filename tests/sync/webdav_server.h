// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A real WebDAV server on loopback for the sync tests: rclone's "serve webdav" over a
// temporary folder, on a port the system picks, stopped with the test. scripts/install-deps
// installs rclone; a machine without it fails these tests with that reason.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"

namespace vireo::test {

class WebDavServer {
public:
    // `root` is the folder served; with a user name the server asks for it and `pass`.
    explicit WebDavServer(const std::string& root, const std::string& user = {},
                          const std::string& pass = {}) {
        ::setenv("no_proxy", "127.0.0.1,localhost", 1);
        ::setenv("NO_PROXY", "127.0.0.1,localhost", 1);
        // It names its address in its log once it listens; "0s": files changed behind its
        // back show at once.
        const std::string log = m_log.file("rclone.log");
        std::vector<std::string> args{"rclone",   "serve",     "webdav",     "--addr", "127.0.0.1:0",
                                      "--config", "/dev/null", "--log-file", log,      "--dir-cache-time",
                                      "0s",       root};
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
        for (int i = 0; i < 400 && m_url.empty(); ++i) {
            if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
                m_pid = -1;
                return;
            }
            std::string text = ReadText(log);
            std::size_t at = text.find("http://127.0.0.1:"), end = text.find('/', at + 17);
            if (at != std::string::npos && end != std::string::npos)
                m_url = text.substr(at, end + 1 - at);
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
    }
    ~WebDavServer() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    WebDavServer(const WebDavServer&) = delete;
    WebDavServer& operator=(const WebDavServer&) = delete;

    bool ready() const { return !m_url.empty(); }
    std::string why() const {
        return "rclone serve webdav did not start (scripts/install-deps installs rclone): " +
               ReadText(m_log.file("rclone.log"));
    }
    std::string url(const std::string& path = {}) const { return m_url + path; }

private:
    TempDir m_log;
    pid_t m_pid = -1;
    std::string m_url;
};

} // namespace vireo::test

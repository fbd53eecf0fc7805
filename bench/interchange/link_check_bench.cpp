// SPDX-License-Identifier: GPL-3.0-or-later
// The link check of a big folder, timed the way a user meets it: `vireo-cli check-links`
// run as a process on a generated database, against many web sites that each answer
// after a delay. The sites are served on loopback by one event-driven server in this
// process (one port per site, keep-alive, the delay kept by a timer queue), so that the
// server never becomes what is measured.
//
// vireo-bench-linkcheck --cli PATH [--links N] [--hosts H] [--delay-ms D] [--jobs J]
//                       [--cancel-after-ms C]
// prints the wall time and peak memory of the check, what the sites saw (requests,
// connections, the most open at once per site and in all) and, with --cancel-after-ms,
// how long the check took to stop after Ctrl+C.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <queue>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/paths.h"
#include "store/database.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Every tenth page is dead, in the three ways a page can be.
enum class Page { Alive, Status404, Status410, SaysNotFound };

Page PageOf(int i) {
    if (i % 10 != 0)
        return Page::Alive;
    switch ((i / 10) % 3) {
    case 0:
        return Page::Status404;
    case 1:
        return Page::Status410;
    default:
        return Page::SaysNotFound;
    }
}

std::string AlivePage() {
    std::string body =
        "<!DOCTYPE html><html><head><title>A page of a site</title></head><body><h1>Welcome</h1>";
    while (body.size() < 6000)
        body += "<p>Some text of an ordinary page, with a <a href=\"/elsewhere\">link</a> in it.</p>\n";
    return body + "</body></html>";
}

// Many sites on loopback, one port each, served by one thread with epoll.
class LoopbackSites {
public:
    LoopbackSites(int sites, int delayMs) : m_delay(delayMs) {
        m_epoll = ::epoll_create1(0);
        for (int s = 0; s < sites; ++s) {
            int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            int one = 1;
            ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
            sockaddr_in addr{};
            addr.sin_family = AF_INET;
            addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 1024) != 0) {
                std::perror("listen");
                std::exit(2);
            }
            socklen_t len = sizeof addr;
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
            m_ports.push_back(ntohs(addr.sin_port));
            m_listeners[fd] = s;
            Watch(fd);
        }
        m_open.assign(static_cast<std::size_t>(sites), 0);
        m_mostPerSite.assign(static_cast<std::size_t>(sites), 0);
        m_alive = AlivePage();
        m_thread = std::thread([this] { Run(); });
    }
    ~LoopbackSites() {
        m_stop = true;
        m_thread.join();
        for (auto& [fd, c] : m_connections)
            ::close(fd);
        for (auto& [fd, s] : m_listeners)
            ::close(fd);
        ::close(m_epoll);
    }
    int Port(int site) const { return m_ports[static_cast<std::size_t>(site)]; }

    // Read once the check is over.
    long requests = 0;
    long connections = 0;
    int mostOpen = 0;    // connections, idle ones kept for the next page included
    int mostWaiting = 0; // requests waiting for their answer
    int MostPerSite() const {
        int most = 0;
        for (int n : m_mostPerSite)
            most = std::max(most, n);
        return most;
    }

private:
    struct Connection {
        int site = 0;
        std::string in;
        bool waiting = false; // an answer is due
    };
    struct Due {
        Clock::time_point at;
        int fd;
        std::string answer;
        bool operator>(const Due& o) const { return at > o.at; }
    };

    void Watch(int fd) {
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.fd = fd;
        ::epoll_ctl(m_epoll, EPOLL_CTL_ADD, fd, &ev);
    }

    void Close(int fd) {
        auto it = m_connections.find(fd);
        if (it == m_connections.end())
            return;
        --m_open[static_cast<std::size_t>(it->second.site)];
        --m_openAll;
        m_connections.erase(it);
        ::epoll_ctl(m_epoll, EPOLL_CTL_DEL, fd, nullptr);
        ::close(fd);
    }

    std::string Answer(const std::string& path) {
        int i = 0;
        if (std::size_t slash = path.rfind('/'); slash != std::string::npos)
            i = std::atoi(path.c_str() + slash + 1);
        int status = 200;
        std::string body = m_alive;
        switch (PageOf(i)) {
        case Page::Alive:
            break;
        case Page::Status404:
            status = 404;
            body = "<html><body><h1>Not Found</h1><p>The requested URL was not found.</p></body></html>";
            break;
        case Page::Status410:
            status = 410;
            body = "<html><body><h1>Gone</h1></body></html>";
            break;
        case Page::SaysNotFound:
            body = "<html><head><title>404 Not Found</title></head><body>" + m_alive.substr(0, 3000) +
                   "</body></html>";
            break;
        }
        return "HTTP/1.1 " + std::to_string(status) + (status == 200 ? " OK" : " Not Found") +
               "\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" +
               body;
    }

    void Readable(int fd) {
        auto it = m_connections.find(fd);
        if (it == m_connections.end())
            return;
        char buf[8192];
        while (true) {
            ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n == 0) {
                Close(fd);
                return;
            }
            if (n < 0) {
                if (errno != EAGAIN && errno != EWOULDBLOCK) {
                    Close(fd);
                    return;
                }
                break;
            }
            it->second.in.append(buf, static_cast<std::size_t>(n));
        }
        Connection& c = it->second;
        std::size_t end = c.in.find("\r\n\r\n");
        if (c.waiting || end == std::string::npos)
            return;
        std::size_t sp = c.in.find(' ');
        std::string path = c.in.substr(sp + 1, c.in.find(' ', sp + 1) - sp - 1);
        c.in.erase(0, end + 4);
        c.waiting = true;
        ++requests;
        mostWaiting = std::max(mostWaiting, ++m_waitingAll);
        m_due.push({Clock::now() + std::chrono::milliseconds(m_delay), fd, Answer(path)});
    }

    void SendDue() {
        auto now = Clock::now();
        while (!m_due.empty() && m_due.top().at <= now) {
            Due d = m_due.top();
            m_due.pop();
            --m_waitingAll;
            auto it = m_connections.find(d.fd);
            if (it == m_connections.end())
                continue;
            // Loopback takes a few kilobytes at once; a client that stopped reading (a
            // 404 it did not want) is closed.
            std::size_t sent = 0;
            while (sent < d.answer.size()) {
                ssize_t n = ::send(d.fd, d.answer.data() + sent, d.answer.size() - sent, MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                sent += static_cast<std::size_t>(n);
            }
            if (sent < d.answer.size()) {
                Close(d.fd);
                continue;
            }
            it->second.waiting = false;
            if (it->second.in.find("\r\n\r\n") != std::string::npos)
                Readable(d.fd);
        }
    }

    void Run() {
        std::vector<epoll_event> events(512);
        while (!m_stop) {
            int timeout = 20;
            if (!m_due.empty()) {
                auto wait =
                    std::chrono::duration_cast<std::chrono::milliseconds>(m_due.top().at - Clock::now());
                timeout = std::clamp(static_cast<int>(wait.count()), 0, 20);
            }
            int n = ::epoll_wait(m_epoll, events.data(), static_cast<int>(events.size()), timeout);
            for (int e = 0; e < n; ++e) {
                int fd = events[static_cast<std::size_t>(e)].data.fd;
                auto listener = m_listeners.find(fd);
                if (listener == m_listeners.end()) {
                    Readable(fd);
                    continue;
                }
                while (true) {
                    int c = ::accept4(fd, nullptr, nullptr, SOCK_NONBLOCK);
                    if (c < 0)
                        break;
                    int site = listener->second;
                    m_connections[c].site = site;
                    ++connections;
                    auto& open = m_open[static_cast<std::size_t>(site)];
                    ++open;
                    m_mostPerSite[static_cast<std::size_t>(site)] =
                        std::max(m_mostPerSite[static_cast<std::size_t>(site)], open);
                    mostOpen = std::max(mostOpen, ++m_openAll);
                    Watch(c);
                }
            }
            SendDue();
        }
    }

    int m_delay;
    int m_epoll = -1;
    std::vector<int> m_ports;
    std::unordered_map<int, int> m_listeners; // fd -> site
    std::unordered_map<int, Connection> m_connections;
    std::priority_queue<Due, std::vector<Due>, std::greater<>> m_due;
    std::vector<int> m_open;
    std::vector<int> m_mostPerSite;
    int m_openAll = 0;
    int m_waitingAll = 0;
    std::string m_alive;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

struct Run {
    double seconds = 0;
    long peakMb = 0;
    int status = -1;
};

// Runs vireo-cli with its output into `out`; with `interruptAfterMs` >= 0, sends it
// Ctrl+C then and times from there.
Run RunCli(const std::vector<std::string>& args, const std::string& out, int interruptAfterMs = -1) {
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    auto start = Clock::now();
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::perror("posix_spawn");
        std::exit(2);
    }
    posix_spawn_file_actions_destroy(&actions);
    if (interruptAfterMs >= 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(interruptAfterMs));
        ::kill(pid, SIGINT);
        start = Clock::now();
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    Run r;
    r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    r.peakMb = usage.ru_maxrss / 1024;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return r;
}

int Arg(int argc, char** argv, const char* name, int fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return std::atoi(argv[i + 1]);
    return fallback;
}

std::string TextArg(int argc, char** argv, const char* name) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return argv[i + 1];
    return {};
}

} // namespace

int main(int argc, char** argv) {
    const std::string cli = TextArg(argc, argv, "--cli");
    const int links = Arg(argc, argv, "--links", 2000);
    const int hosts = Arg(argc, argv, "--hosts", 50);
    const int delay = Arg(argc, argv, "--delay-ms", 50);
    const int jobs = Arg(argc, argv, "--jobs", 128);
    const int cancelAfter = Arg(argc, argv, "--cancel-after-ms", -1);
    if (cli.empty() || links < 1 || hosts < 1) {
        std::cerr
            << "usage: vireo-bench-linkcheck --cli PATH [--links N] [--hosts H] [--delay-ms D] [--jobs J] "
               "[--cancel-after-ms C]\n";
        return 64;
    }
    const std::string dir = vireo::sys::TempDir() + "/vireo-bench-linkcheck-" + std::to_string(::getpid());
    fs::remove_all(dir);
    fs::create_directories(dir);
    // The user's own settings are neither read nor written.
    ::setenv("VIREO_REGISTRY", (dir + "/registry.reg").c_str(), 1);
    ::setenv("no_proxy", "127.0.0.1,localhost", 1);
    ::setenv("NO_PROXY", "127.0.0.1,localhost", 1);
    LoopbackSites sites(hosts, delay);

    // The folder mixes the sites, as a user's folders do.
    std::int16_t folder = 0;
    int dead = 0;
    {
        vireo::Database db;
        std::string error;
        if (!db.Open(dir + "/data", &error)) {
            std::cerr << error << '\n';
            return 2;
        }
        folder = db.AddFolder("Links", vireo::kRootFolder, vireo::FolderKind::Ordinary);
        for (int i = 0; i < links; ++i) {
            std::string url =
                "http://127.0.0.1:" + std::to_string(sites.Port(i % hosts)) + "/page/" + std::to_string(i);
            db.Marks(folder).Add(
                db.NewMark("Page " + std::to_string(i), url, folder, "", vireo::kFlagsFound));
            dead += PageOf(i) != Page::Alive;
        }
        if (!db.Save(&error)) {
            std::cerr << error << '\n';
            return 2;
        }
    }
    const std::string out = dir + "/report.tsv";
    const std::vector<std::string> args = {cli,
                                           "--data",
                                           dir + "/data",
                                           "check-links",
                                           std::to_string(folder),
                                           "--jobs",
                                           std::to_string(jobs),
                                           "--mark"};
    std::cout << links << " links over " << hosts << " loopback hosts answering after " << delay << " ms, "
              << dead << " dead, --jobs " << jobs << ":\n";
    if (cancelAfter >= 0) {
        Run r = RunCli(args, out, cancelAfter);
        std::cout << "  stopped " << static_cast<int>(r.seconds * 1000) << " ms after Ctrl+C (sent after "
                  << cancelAfter << " ms), exit status " << r.status << ", peak memory " << r.peakMb
                  << " MB\n";
        fs::remove_all(dir);
        return 0;
    }
    Run r = RunCli(args, out);
    int reportedDead = 0, reportedAlive = 0;
    {
        std::ifstream report(out);
        std::string line;
        while (std::getline(report, line)) {
            reportedDead += line.rfind("dead\t", 0) == 0;
            reportedAlive += line.rfind("alive\t", 0) == 0;
        }
    }
    std::cout << "  " << r.seconds << " s wall, peak memory " << r.peakMb << " MB, exit status " << r.status
              << '\n'
              << "  reported " << reportedAlive << " alive and " << reportedDead << " dead\n"
              << "  the sites saw " << sites.requests << " requests over " << sites.connections
              << " connections; at most " << sites.mostWaiting << " requests at once, " << sites.MostPerSite()
              << " connections at once to one site and " << sites.mostOpen
              << " in all (idle ones kept for reuse included)\n";
    fs::remove_all(dir);
    bool right = reportedDead == dead && reportedAlive == links - dead && r.status == 1;
    if (!right)
        std::cout << "  WRONG: the check did not find exactly the dead pages\n";
    return right ? 0 : 1;
}

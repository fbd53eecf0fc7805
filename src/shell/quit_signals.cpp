// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/quit_signals.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vireo {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

// Written by the handler, read on the GUI thread: a handler may do little more than
// write(), so it only passes the signal's number on.
volatile std::sig_atomic_t g_writeFd = -1;
struct sigaction g_previous[3];

extern "C" void OnQuitSignal(int number) {
    int fd = g_writeFd;
    if (fd < 0)
        return;
    int saved = errno;
    auto byte = static_cast<unsigned char>(number);
    [[maybe_unused]] ssize_t n = ::write(fd, &byte, 1);
    errno = saved;
}

} // namespace

QuitSignals::QuitSignals() {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, m_fds) != 0)
        return;
    ::fcntl(m_fds[1], F_SETFL, O_NONBLOCK);
    g_writeFd = m_fds[1];
    m_notifier = new QSocketNotifier(m_fds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &QuitSignals::Drain);
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        struct sigaction action {};
        action.sa_handler = OnQuitSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(kSignals[i], &action, &g_previous[i]);
    }
}

QuitSignals::~QuitSignals() {
    if (m_fds[0] < 0)
        return;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
    g_writeFd = -1;
    ::close(m_fds[0]);
    ::close(m_fds[1]);
}

void QuitSignals::Drain() {
    unsigned char byte = 0;
    if (::read(m_fds[0], &byte, 1) == 1)
        Q_EMIT quitRequested(byte);
}

} // namespace vireo

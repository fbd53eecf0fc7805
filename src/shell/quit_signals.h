// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The signals that ask a program to end (SIGTERM, which a desktop session sends at
// logout; SIGHUP, when its terminal goes; SIGINT, Ctrl+C in a terminal) turned into a Qt
// signal on the GUI thread, so that the program saves before it ends instead of being
// cut off with its last changes still waiting to be written.

#include <QObject>

class QSocketNotifier;

namespace vireo {

class QuitSignals : public QObject {
    Q_OBJECT
public:
    // Takes the three signals over until destroyed; one instance at a time.
    QuitSignals();
    ~QuitSignals() override;
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

Q_SIGNALS:
    void quitRequested(int signalNumber);

private:
    void Drain();

    int m_fds[2] = {-1, -1};
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace vireo

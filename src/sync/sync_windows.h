// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main window's side of sync: runs profiles one at a time on a thread of their own
// (the database is only touched on the window's thread, through blocking calls), keeps
// their schedule (at start, every N minutes, again after an offline or busy share), shows
// the state in the status bar and opens the Tools window of profiles.

#include <QObject>
#include <QString>
#include <atomic>
#include <deque>
#include <map>
#include <memory>
#include <string>

#include "sync/sync_engine.h"
#include "sync/sync_profiles.h"

class QLabel;
class QThread;
class QTimer;

namespace vireo {

class frmMain;

namespace sync {
class PasswordStore;
class SyncShare;
struct ShareAccount;
} // namespace sync

class SyncWindows : public QObject {
    Q_OBJECT
public:
    explicit SyncWindows(frmMain& main);
    ~SyncWindows() override;

    // Opens the Tools window of profiles.
    void ShowWindow();
    // Queues a run of the profile (a profile already queued or running is not queued twice).
    void RunProfile(const QString& name);
    bool Running() const { return m_thread != nullptr; }
    QString Current() const { return m_current; }
    // False while a sync runs: it is cancelled and the window closes when it has stopped.
    bool MayClose();
    // Re-reads the profiles' schedule after they changed.
    void Reschedule();
    // A password for this session only, when the secret store cannot keep it.
    void RememberPassword(const std::string& profile, const std::string& password);
    frmMain& Main() { return m_main; }
    sync::PasswordStore* Passwords() const;

    QLabel* lblSync = nullptr; // in the status bar
    // Tests replace where profiles' files are reached and the pause before a retry.
    std::function<std::unique_ptr<sync::SyncShare>(const sync::ShareAccount&)> makeShare;
    int retryMinutes = 5;

Q_SIGNALS:
    void runStarted(const QString& name);
    void runFinished(const QString& name, bool ok, const QString& message);

private:
    void StartNext();
    void Finished();
    void Show(const QString& text);
    bool AskDeletions(int n, int total, bool here);

    frmMain& m_main;
    std::deque<QString> m_queue;
    std::map<QString, QTimer*> m_timers; // folded name -> its interval or retry timer
    std::map<std::string, std::string> m_sessionPasswords;
    QThread* m_thread = nullptr;
    QString m_current;
    std::atomic<bool> m_cancel{false};
    bool m_closeWhenDone = false;
    sync::SyncReport m_report;
    std::unique_ptr<sync::PasswordStore> m_ownPasswords;
};

} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/sync_windows.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLabel>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <ctime>

#include "mainwindow/facades.h"
#include "mainwindow/main_window.h"
#include "platform/secret_store_libsecret.h"
#include "platform/webdav_curl.h"
#include "store/database.h"
#include "sync/password_store.h"
#include "sync/sync_dialogs.h"
#include "sync/sync_local.h"
#include "sync/sync_run.h"
#include "sync/sync_share.h"

namespace vireo {

namespace {

// The database's side, called from the sync's thread: every call is carried out on the
// window's thread, which owns the database.
class WindowSide : public sync::LocalSide {
public:
    WindowSide(QObject* owner, Database& db, std::int16_t folder, const std::atomic<bool>& cancel)
        : m_owner(owner), m_side(db, folder), m_dir(db.DBPath()), m_cancel(cancel) {}
    std::string DataDir() override { return m_dir; }
    bool Snapshot(const sync::SyncTree& known, sync::SyncTree& out, std::int64_t& changeTime,
                  std::string& error) override {
        bool ok = false;
        QMetaObject::invokeMethod(
            m_owner, [&] { ok = m_side.Snapshot(known, out, changeTime, error); },
            Qt::BlockingQueuedConnection);
        return ok;
    }
    bool Apply(const sync::SyncTree& before, sync::SyncTree& merged, std::string& error) override {
        if (m_cancel) {
            error = "the sync was cancelled";
            return false;
        }
        bool ok = false;
        QMetaObject::invokeMethod(
            m_owner, [&] { ok = m_side.Apply(before, merged, error); }, Qt::BlockingQueuedConnection);
        return ok;
    }

private:
    QObject* m_owner;
    sync::DatabaseSide m_side;
    std::string m_dir;
    const std::atomic<bool>& m_cancel;
};

QString TimeOfDay(std::int64_t t) {
    return QDateTime::fromSecsSinceEpoch(t).toString(QStringLiteral("HH:mm"));
}

} // namespace

SyncWindows::SyncWindows(frmMain& main) : QObject(&main), m_main(main) {
    setObjectName(QStringLiteral("SyncWindows"));
    makeShare = [](const sync::ShareAccount& a) { return sys::MakeShare(a); };
    lblSync = new QLabel(&main);
    lblSync->setObjectName(QStringLiteral("lblSync"));
    main.statusBar()->addPermanentWidget(lblSync);
    lblSync->hide();
    Reschedule();
    // Profiles that sync at start wait for the window to be up.
    QTimer::singleShot(1500, this, [this] {
        for (const auto& p : sync::LoadProfiles(m_main.Context().reg))
            if (p.when == sync::SyncWhen::AtStart)
                RunProfile(Utf8ToQString(p.name));
    });
}

SyncWindows::~SyncWindows() {
    if (m_thread) {
        // The thread may be waiting for the window's thread: serve it until it ends.
        m_cancel = true;
        while (!m_thread->wait(20))
            QCoreApplication::processEvents();
        delete m_thread;
        m_thread = nullptr;
    }
}

sync::PasswordStore* SyncWindows::Passwords() const {
    if (m_main.Context().passwords)
        return m_main.Context().passwords;
    if (!m_ownPasswords)
        const_cast<SyncWindows*>(this)->m_ownPasswords = sys::MakeSecretStore();
    return m_ownPasswords.get();
}

void SyncWindows::ShowWindow() {
    frmSync window(*this, &m_main);
    m_main.Context().dialogs.RunDialog(window);
}

void SyncWindows::RememberPassword(const std::string& profile, const std::string& password) {
    m_sessionPasswords[FoldRegName(profile)] = password;
}

void SyncWindows::Reschedule() {
    for (auto& [name, timer] : m_timers)
        delete timer;
    m_timers.clear();
    for (const auto& p : sync::LoadProfiles(m_main.Context().reg)) {
        if (p.when != sync::SyncWhen::Every)
            continue;
        auto* timer = new QTimer(this);
        timer->setInterval(p.minutes * 60 * 1000);
        QString name = Utf8ToQString(p.name);
        connect(timer, &QTimer::timeout, this, [this, name] { RunProfile(name); });
        timer->start();
        m_timers[Utf8ToQString(FoldRegName(p.name))] = timer;
    }
}

void SyncWindows::RunProfile(const QString& name) {
    if (m_current.compare(name, Qt::CaseInsensitive) == 0)
        return;
    for (const auto& q : m_queue)
        if (q.compare(name, Qt::CaseInsensitive) == 0)
            return;
    m_queue.push_back(name);
    StartNext();
}

void SyncWindows::Show(const QString& text) {
    lblSync->setText(text);
    lblSync->setVisible(!text.isEmpty());
}

bool SyncWindows::AskDeletions(int n, int total, bool here) {
    QString text =
        QStringLiteral("The sync of \"%1\" would delete %2 of %3 bookmarks %4.\n\nGo on?")
            .arg(m_current)
            .arg(n)
            .arg(total)
            .arg(here ? QStringLiteral("here (they go to the trash)") : QStringLiteral("on the share"));
    return m_main.Context().dialogs.Message(&m_main, text, QStringLiteral("Sync"), MsgButtons::YesNo,
                                            MsgIcon::Question) == MsgResult::Yes;
}

void SyncWindows::StartNext() {
    if (m_thread || m_queue.empty() || m_closeWhenDone)
        return;
    QString name = m_queue.front();
    m_queue.pop_front();
    sync::SyncProfile p;
    if (!sync::FindProfile(m_main.Context().reg, QStringToUtf8(name), p))
        return StartNext();
    if (!m_main.Db().IsLiveFolder(p.folder)) {
        sync::SaveProfileResult(m_main.Context().reg, p.name, false,
                                "The folder to sync does not exist any more.", std::time(nullptr));
        Q_EMIT runFinished(Utf8ToQString(p.name), false,
                           QStringLiteral("The folder to sync does not exist any more."));
        return StartNext();
    }
    m_current = Utf8ToQString(p.name);
    m_cancel = false;
    Show(QStringLiteral("Syncing %1...").arg(m_current));
    Q_EMIT runStarted(m_current);
    std::string session;
    if (auto it = m_sessionPasswords.find(FoldRegName(p.name)); it != m_sessionPasswords.end())
        session = it->second;
    sync::PasswordStore* passwords = Passwords();
    auto side = std::make_shared<WindowSide>(this, m_main.Db(), p.folder, m_cancel);
    m_thread = QThread::create([this, p, session, passwords, side] {
        std::string password = session, error;
        if (password.empty() && !sync::ProfilePassword(p, passwords, password, error)) {
            m_report = {};
            m_report.status = sync::SyncStatus::Denied;
            m_report.message = error;
            return;
        }
        auto share = makeShare({p.url, p.user, password});
        sync::SyncOptions o = sync::ProfileOptions(p);
        o.cancelled = [this] { return m_cancel.load(); };
        o.confirmDeletions = [this](int n, int total, bool here) {
            bool yes = false;
            QMetaObject::invokeMethod(
                this, [&] { yes = AskDeletions(n, total, here); }, Qt::BlockingQueuedConnection);
            return yes;
        };
        o.progress = [this](const std::string& s) {
            QString text = Utf8ToQString(s);
            QMetaObject::invokeMethod(
                this, [this, text] { Show(m_current + QStringLiteral(": ") + text); }, Qt::QueuedConnection);
        };
        m_report = sync::RunSync(*share, *side, o);
    });
    connect(m_thread, &QThread::finished, this, &SyncWindows::Finished);
    m_thread->start();
}

void SyncWindows::Finished() {
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    QString name = m_current;
    m_current.clear();
    std::int64_t now = std::time(nullptr);
    sync::SaveProfileResult(m_main.Context().reg, QStringToUtf8(name), m_report.Ok(), m_report.message, now);
    QString text = Utf8ToQString(m_report.message);
    if (m_report.Ok())
        Show(QStringLiteral("%1: synced %2").arg(name, TimeOfDay(now)));
    else
        Show(QStringLiteral("%1: %2").arg(name, text));
    lblSync->setToolTip(text);
    // An unreachable share or another device's lock: try again later by itself.
    bool retry = m_report.status == sync::SyncStatus::Offline || m_report.status == sync::SyncStatus::Busy;
    if (retry && !m_closeWhenDone)
        QTimer::singleShot(retryMinutes * 60 * 1000, this, [this, name] { RunProfile(name); });
    Q_EMIT runFinished(name, m_report.Ok(), text);
    if (m_closeWhenDone) {
        m_main.close();
        return;
    }
    StartNext();
}

bool SyncWindows::MayClose() {
    if (!m_thread)
        return true;
    m_cancel = true;
    m_queue.clear();
    m_closeWhenDone = true;
    Show(QStringLiteral("Finishing the sync of %1; Vireo closes when it is done.").arg(m_current));
    return false;
}

} // namespace vireo

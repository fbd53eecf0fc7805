// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The way a second copy of Vireo hands the files it was started with to the copy that
// already runs: a local socket in the user's runtime folder beside the single-instance
// lock, only the user may connect to it, and one short message each way.

#include <QLocalServer>
#include <QObject>
#include <QStringList>
#include <string>
#include <vector>

namespace vireo {

// The running copy's end.
class OpenRequestServer : public QObject {
    Q_OBJECT
public:
    explicit OpenRequestServer(QObject* parent = nullptr);

    // Listens at `path`. The caller holds the single-instance lock, so a socket already
    // there was left by a copy that ended and is replaced. False with the reason.
    bool Listen(const QString& path, QString* error = nullptr);
    bool IsListening() const { return m_server.isListening(); }

    // How long a sender may take to send its request before it is dropped.
    static constexpr int kReadTimeoutMs = 5000;

Q_SIGNALS:
    // A second copy handed these files over (absolute paths, in its order); it has been
    // told they are taken.
    void filesReceived(const QStringList& paths);
    // A second copy was started (with or without files): the running copy's window should
    // come forward.
    void activationRequested();

private:
    void Accept();

    QLocalServer m_server;
};

// The second copy's end: hands `paths` (absolute; none just asks the running copy to bring
// its window forward) to the copy listening at `path` and
// waits until it has taken them. The running copy may be starting up and not listening
// yet, so connecting is retried for `connectMs`; it may be busy, so its answer may take up
// to `answerMs`. False with the reason for the user.
bool HandFilesToRunningCopy(const QString& path, const QStringList& paths, QString* error,
                            int connectMs = 5000, int answerMs = 20000);

// The files of a command line as absolute paths: file: URLs become paths, relative paths
// are taken from the current folder (the running copy has another one).
QStringList AbsoluteFilePaths(const std::vector<std::string>& files);

} // namespace vireo

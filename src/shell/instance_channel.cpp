// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/instance_channel.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include "platform/single_instance.h"
#include "shell/launch_request.h"

namespace vireo {

OpenRequestServer::OpenRequestServer(QObject* parent) : QObject(parent) {
    // Only this user may connect: the socket file gets mode 0600.
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &OpenRequestServer::Accept);
}

bool OpenRequestServer::Listen(const QString& path, QString* error) {
    QLocalServer::removeServer(path);
    if (m_server.listen(path))
        return true;
    if (error)
        *error = QStringLiteral("Cannot listen at \"%1\": %2").arg(path, m_server.errorString());
    return false;
}

void OpenRequestServer::Accept() {
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A sender that never finishes its request must not keep a connection forever.
        QTimer::singleShot(kReadTimeoutMs, socket, [socket] { socket->abort(); });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            QByteArray received = socket->property("received").toByteArray() + socket->readAll();
            std::vector<std::string> paths;
            switch (DecodeOpenRequest(std::string_view(received.constData(), received.size()), paths)) {
            case OpenRequestState::Incomplete:
                socket->setProperty("received", received);
                return;
            case OpenRequestState::Invalid:
                socket->abort();
                return;
            case OpenRequestState::Complete:
                break;
            }
            socket->setProperty("received", QByteArray());
            socket->write(kOpenRequestTaken.data(), static_cast<qint64>(kOpenRequestTaken.size()));
            socket->flush();
            socket->disconnectFromServer();
            QStringList files;
            for (const std::string& p : paths)
                files << QFile::decodeName(QByteArray(p.data(), static_cast<qsizetype>(p.size())));
            if (!files.isEmpty())
                Q_EMIT filesReceived(files);
            Q_EMIT activationRequested();
        });
    }
}

bool HandFilesToRunningCopy(const QString& path, const QStringList& paths, QString* error, int connectMs,
                            int answerMs) {
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    QLocalSocket socket;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        // Hand nothing to a socket that is not this user's own.
        if (sys::SingleInstance::IsOwnSocket(path.toStdString())) {
            socket.connectToServer(path);
            if (socket.waitForConnected(1000))
                break;
        }
        if (clock.elapsed() >= connectMs)
            return fail(QStringLiteral("The running copy of Vireo cannot be reached."));
        QThread::msleep(100);
    }
    std::vector<std::string> files;
    for (const QString& p : paths)
        files.push_back(QFile::encodeName(p).toStdString());
    std::string message = EncodeOpenRequest(files);
    if (message.size() > kOpenRequestMaxBytes || files.size() > kOpenRequestMaxFiles)
        return fail(QStringLiteral("Too many files at once (at most %1).").arg(kOpenRequestMaxFiles));
    socket.write(message.data(), static_cast<qint64>(message.size()));
    const QByteArray taken(kOpenRequestTaken.data(), static_cast<qsizetype>(kOpenRequestTaken.size()));
    QByteArray answer;
    clock.restart();
    for (;;) {
        answer += socket.readAll();
        if (answer.endsWith(taken))
            return true;
        int left = answerMs - static_cast<int>(clock.elapsed());
        if (left <= 0 || socket.state() != QLocalSocket::ConnectedState)
            return fail(QStringLiteral("The running copy of Vireo did not answer."));
        // A long request goes out while the answer is awaited.
        if (socket.bytesToWrite() > 0)
            socket.waitForBytesWritten(left);
        else
            socket.waitForReadyRead(left);
    }
}

QStringList AbsoluteFilePaths(const std::vector<std::string>& files) {
    QStringList out;
    for (const std::string& f : files) {
        QString text = QFile::decodeName(QByteArray(f.data(), static_cast<qsizetype>(f.size())));
        if (text.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
            QUrl url(text);
            if (url.isLocalFile())
                text = url.toLocalFile();
        }
        out << QDir::cleanPath(QFileInfo(text).absoluteFilePath());
    }
    return out;
}

} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <atomic>
#include <csignal>
#include <sys/stat.h>
#include <thread>

#include "platform/hive_registry.h"
#include "platform/single_instance.h"
#include "shell/instance_channel.h"
#include "shell/launch_request.h"
#include "shell/options.h"
#include "shell/registry.h"
#include "store/database.h"
#include "test_support.h"

using namespace vireo;

namespace {

QString Channel() {
    return QFile::decodeName(sys::SingleInstance::ChannelPath("vireo").c_str());
}

void Touch(const QString& path) {
    test::WriteText(QFile::encodeName(path).constData(), "[InternetShortcut]\nURL=https://example.org/\n");
}

} // namespace

class InstanceChannelTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void secondCopyHandsItsFilesToTheRunningOne();
    void noAnswerIsNeverTakenForSuccess();
    void aShortcutHandedOverJustBeforeTheEndIsSaved();
};

// Strangers on the channel cannot wedge the running copy: a second copy is served while
// they are connected.
void InstanceChannelTest::secondCopyHandsItsFilesToTheRunningOne() {
    // This test is the running copy: it holds the lock and listens where a copy would.
    sys::SingleInstance running;
    QCOMPARE(running.Acquire("vireo"), sys::SingleInstance::Result::First);
    OpenRequestServer server;
    QString error;
    QVERIFY2(server.Listen(Channel(), &error), qPrintable(error));
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(Channel()).constData(), &st), 0);
    QCOMPARE(st.st_mode & 077, 0u); // nobody else may connect
    QSignalSpy received(&server, &OpenRequestServer::filesReceived);

    // Someone speaks another protocol: dropped at once, nothing opened.
    QLocalSocket stranger;
    stranger.connectToServer(Channel());
    QVERIFY(stranger.waitForConnected(2000));
    stranger.write("GET / HTTP/1.1\r\nHost: x\r\n\r\n");
    QTRY_COMPARE(stranger.state(), QLocalSocket::UnconnectedState);
    // A sender that stops half-way is left waiting: not answered, nothing received.
    QLocalSocket halfway;
    halfway.connectToServer(Channel());
    QVERIFY(halfway.waitForConnected(2000));
    halfway.write(kOpenRequestHeader.data(), static_cast<qint64>(kOpenRequestHeader.size()));
    halfway.write("/tmp/half.url");

    test::TempDir dir;
    QString base = QString::fromStdString(dir.str());
    for (const char* name : {"/News.url", "/Old Links/Owl #1.url", "/-dash.url"})
        Touch(base + QLatin1String(name));
    QString owlUrl =
        QUrl::fromLocalFile(base + QStringLiteral("/Old Links/Owl #1.url")).toString(QUrl::FullyEncoded);

    // The real program, started in another folder with a relative path, a URL and a file
    // that looks like an option.
    QProcess second;
    second.setWorkingDirectory(base);
    second.start(QStringLiteral(VIREO_EXECUTABLE),
                 {QStringLiteral("News.url"), owlUrl, QStringLiteral("--"), QStringLiteral("-dash.url")});
    QVERIFY(second.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(received.count(), 1, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 20000);
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(received.at(0).at(0).toStringList(),
             (QStringList{base + QStringLiteral("/News.url"), base + QStringLiteral("/Old Links/Owl #1.url"),
                          base + QStringLiteral("/-dash.url")}));

    // Started without files, a copy only asks the running one to come forward.
    QSignalSpy forward(&server, &OpenRequestServer::activationRequested);
    std::atomic<bool> handed = false;
    std::thread sender([&] { handed = HandFilesToRunningCopy(Channel(), {}, nullptr, 2000, 5000); });
    QTRY_COMPARE_WITH_TIMEOUT(forward.count(), 1, 10000);
    QTRY_VERIFY(handed.load());
    sender.join();
    QCOMPARE(received.count(), 1);
    QCOMPARE(halfway.bytesAvailable(), 0);
}

void InstanceChannelTest::noAnswerIsNeverTakenForSuccess() {
    const QStringList files{QStringLiteral("/tmp/News.url")};
    QString error;

    // Nobody listens (the running copy is still starting, or hung before listening).
    QFile::remove(Channel());
    QVERIFY(!HandFilesToRunningCopy(Channel(), files, &error, 300, 300));
    QVERIFY(!error.isEmpty());

    // A copy that takes the connection but never answers (this thread does not serve it).
    QLocalServer silent;
    QVERIFY(silent.listen(Channel()));
    error.clear();
    QVERIFY(!HandFilesToRunningCopy(Channel(), files, &error, 1000, 500));
    QVERIFY(error.contains(QLatin1String("did not answer")));
}

void InstanceChannelTest::aShortcutHandedOverJustBeforeTheEndIsSaved() {
    // Saving waits a second after a change; the desktop's SIGTERM at logout (or SIGHUP,
    // SIGINT) in that second must not lose the change.
    for (int number : {SIGTERM, SIGHUP, SIGINT}) {
        test::TempDir trial;
        const QString base = QString::fromStdString(trial.str());
        const QString run = base + QStringLiteral("/run");
        QVERIFY(QDir().mkpath(run));
        QFile::setPermissions(run, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        const std::string data = trial.file("data");
        {
            HiveRegistry reg(trial.file("registry.reg"));
            SetShowTips(reg, false);
            SetRegValue(reg, SettingsPath(kBrowserSubkey), "Which", std::int64_t{0});
            SetRegValue(reg, SettingsPath(kBrowserSubkey), "UserDefined", std::string("/bin/true"));
            SetRegValue(reg, SettingsPath("\\DB"), "path", data);
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (auto [name, folder] : {std::pair{"HOME", ""},
                                    {"XDG_CONFIG_HOME", "/config"},
                                    {"XDG_DATA_HOME", "/share"},
                                    {"XDG_CACHE_HOME", "/cache"},
                                    {"XDG_DOCUMENTS_DIR", "/Documents"},
                                    {"XDG_RUNTIME_DIR", "/run"},
                                    {"VIREO_REGISTRY", "/registry.reg"}})
            env.insert(QLatin1String(name), base + QLatin1String(folder));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

        QProcess first;
        first.setProcessEnvironment(env);
        first.start(QStringLiteral(VIREO_EXECUTABLE), {});
        QVERIFY(first.waitForStarted());
        Touch(base + QStringLiteral("/News.url"));
        QString error;
        QVERIFY2(HandFilesToRunningCopy(run + QStringLiteral("/vireo.socket"),
                                        {base + QStringLiteral("/News.url")}, &error, 20000),
                 qPrintable(error));
        QTest::qWait(200);
        ::kill(static_cast<pid_t>(first.processId()), number);
        QVERIFY2(first.waitForFinished(20000), "the running copy did not end on the signal");
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
        QCOMPARE(first.exitCode(), 0);

        Database db;
        std::string why;
        QVERIFY2(db.Open(data, &why), why.c_str());
        const clsBookmark& unsorted = db.Marks(kUnsortedFolder);
        QVERIFY2(unsorted.Count() == 1 && unsorted.UrlStr(unsorted.key(1)) == "https://example.org/",
                 qPrintable(QStringLiteral("signal %1: the shortcut was not saved").arg(number)));
    }
}

QTEST_MAIN(InstanceChannelTest)
#include "instance_channel_test.moc"

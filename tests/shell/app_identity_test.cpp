// SPDX-License-Identifier: GPL-3.0-or-later
// What the desktop shows of the program: the captions as the window system has them (on a
// private X server: a window manager shows what Qt hands to the platform, not the widget's
// title), and the one line a start without any display gives.

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>
#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "mainwindow/bookmark_dialog.h"
#include "mainwindow/scripted_app.h"
#include "shell/app_main.h"
#include "shell/launch_request.h"
#include "test_support.h"

namespace vireo::test {
namespace {

pid_t g_xserver = 0;

bool OnPath(const char* program) {
    return !QStandardPaths::findExecutable(QLatin1String(program)).isEmpty();
}

// Starts Xvfb on a free display (it writes the number it took to a pipe), listening on
// its local socket only. Empty when there is no Xvfb or it did not start.
QByteArray StartXServer() {
    int fds[2];
    if (!OnPath("Xvfb") || !OnPath("xprop") || ::pipe(fds) != 0)
        return {};
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        std::string fd = std::to_string(fds[1]);
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0", "1280x1024x24",
                 static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    g_xserver = pid; // when the fork failed, the pipe has no writer and reads as empty
    QByteArray number;
    pollfd p{fds[0], POLLIN, 0};
    char c = 0;
    while (::poll(&p, 1, 15000) > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n')
        number.append(c);
    ::close(fds[0]);
    return number.isEmpty() ? QByteArray() : ":" + number;
}

// The caption the window system holds for a window, as window managers read it.
QString WindowManagerTitle(QWidget& w) {
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-id"), QString::number(w.winId()), QStringLiteral("_NET_WM_NAME")});
    if (!xprop.waitForFinished(10000))
        return QStringLiteral("<xprop did not answer>");
    QString out = QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
    qsizetype eq = out.indexOf(QStringLiteral(" = \""));
    if (eq < 0 || !out.endsWith(QLatin1Char('"')))
        return QStringLiteral("<no caption: ") + out + QLatin1Char('>');
    return out.mid(eq + 4, out.size() - eq - 5);
}

} // namespace

class AppIdentityTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void eachWindowShowsOnlyItsOwnCaption() {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("no Xvfb and xprop here: the captions the window system holds cannot be read");
        SetApplicationIdentity();
        ScriptedApp app;
        app.main->show();
        QVERIFY(QTest::qWaitForWindowExposed(app.main.get()));
        const QString caption = QStringLiteral("Vireo! Version: %1.%2 Build (%3)")
                                    .arg(VersionMajor())
                                    .arg(VersionMinor())
                                    .arg(VersionRevision());
        QTRY_COMPARE(WindowManagerTitle(*app.main), caption);
        frmBMDialog dialog(*app.main);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTRY_COMPARE(WindowManagerTitle(dialog), QStringLiteral("Bookmark Properties"));
        // The window class is still the one the desktop entry names.
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral(VIREO_WM_CLASS));
    }

    void withoutADisplayOneLineTellsWhatToDo() {
        TempDir dir;
        const QString home = QString::fromStdString(dir.str());
        QProcessEnvironment env;
        env.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
        env.insert(QStringLiteral("VIREO_REGISTRY"), home + QStringLiteral("/registry.reg"));
        auto run = [&](const QStringList& args, int& status) -> QString {
            QProcess vireo;
            vireo.setProcessEnvironment(env);
            vireo.start(QStringLiteral(VIREO_EXECUTABLE), args);
            if (!vireo.waitForFinished(20000))
                return QStringLiteral("<still running>");
            status = vireo.exitStatus() == QProcess::NormalExit ? vireo.exitCode() : -1;
            return QString::fromUtf8(vireo.readAllStandardOutput()) + QStringLiteral("|") +
                   QString::fromUtf8(vireo.readAllStandardError());
        };
        int status = 0;
        QCOMPARE(run({}, status), QStringLiteral("|") + QLatin1String(kNoDisplayMessage) + QLatin1Char('\n'));
        QCOMPARE(status, 1);
        // Nothing was made in the home folder: the program stopped before it began.
        QVERIFY(QDir(home).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden).isEmpty());
        QCOMPARE(run({QStringLiteral("--help")}, status),
                 QString::fromStdString(VireoUsage()) + QLatin1Char('|'));
        QCOMPARE(status, 0); // help needs no display
    }
};

} // namespace vireo::test

int main(int argc, char** argv) {
    // The captions are read from a private X server when one can be started; otherwise
    // the test of the captions is skipped and the rest runs offscreen.
    QByteArray display = vireo::test::StartXServer();
    if (!display.isEmpty()) {
        qputenv("DISPLAY", display);
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    int status = 0;
    {
        QApplication app(argc, argv);
        vireo::test::AppIdentityTest test;
        status = QTest::qExec(&test, argc, argv);
    }
    if (vireo::test::g_xserver > 0) {
        ::kill(vireo::test::g_xserver, SIGTERM);
        ::waitpid(vireo::test::g_xserver, nullptr, 0);
    }
    return status;
}

#include "app_identity_test.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/app_main.h"

#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QSessionManager>
#include <cstdlib>
#include <iostream>
#include <string_view>

#include "interchange/browser_import.h"
#include "interchange/favorites.h"
#include "interchange/netscape.h"
#include "mainwindow/app_context.h"
#include "mainwindow/app_icons.h"
#include "mainwindow/button_bar.h"
#include "mainwindow/drag_drop.h"
#include "mainwindow/facades.h"
#include "mainwindow/main_window.h"
#include "platform/hive_registry.h"
#include "platform/paths.h"
#include "platform/search_library_dl.h"
#include "platform/single_instance.h"
#include "platform/sound_canberra.h"
#include "shell/instance_channel.h"
#include "shell/launch_request.h"
#include "shell/quit_signals.h"
#include "shell/startup.h"
#include "store/database.h"
#include "store/strings.h"
#include "ui/options_dialog.h"
#include "ui/tips_dialog.h"

namespace vireo {

std::unique_ptr<frmMain> BuildMainWindow(AppContext& ctx, const QRect& screen) {
    auto main = std::make_unique<frmMain>(ctx);
    ctx.db.SetServices(main->Services());
    WindowPosition pos = ReadWindowPosition(ctx.reg, screen.width(), screen.height());
    main->setGeometry(pos.left, pos.top, pos.width, pos.height);
    ctx.db.FillTree(*main->TreeView);
    main->FillBookmarkList();
    return main;
}

void OfferFirstRunImport(frmMain& main) {
    AppContext& ctx = main.Context();
    if (!ctx.db.IsFirstRun())
        return;
    FirstRunImportOffer offer = PrepareFirstRunImport(ctx.reg, sys::HomeDir());
    if (offer.question.empty())
        return;
    if (ctx.dialogs.Message(&main, Utf8ToQString(offer.question), Utf8ToQString(offer.title),
                            MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
        return;
    WaitCursor wait;
    if (offer.explorer)
        ImportFavorites(ctx.db, FavoritesFolder(ctx.reg));
    std::string file;
    if (offer.netscape && GetNetscapeBookmarkFile(ctx.reg, file))
        ImportNetscape(ctx.db, file);
    // A browser that cannot be read now (a damaged or locked store) says why; the rest
    // of the first run goes on.
    std::string problems;
    auto note = [&problems](const ExchangeResult& r) {
        if (r.warning && !r.message.empty())
            problems += (problems.empty() ? "" : "\n\n") + r.message;
    };
    for (const BrowserProfile& profile : offer.profiles)
        note(ImportProfile(ctx.db, profile));
    if (!problems.empty())
        ctx.dialogs.Message(&main, Utf8ToQString(problems), Utf8ToQString(offer.title), MsgButtons::Ok,
                            MsgIcon::Exclamation);
    ctx.sounds.PlayEventSound(SoundEvent::Import);
    main.FillBookmarkList();
    main.SaveNow();
}

void ReportStartupRepairs(frmMain& main, const std::string& settingsNotice) {
    AppContext& ctx = main.Context();
    if (!settingsNotice.empty())
        ctx.dialogs.Message(&main, Utf8ToQString(settingsNotice), Utf8ToQString(LoadResString(4)),
                            MsgButtons::Ok, MsgIcon::Exclamation);
    const auto& warnings = ctx.db.LoadWarnings();
    if (warnings.empty())
        return;
    QString text =
        QStringLiteral("Your bookmark database was damaged. Vireo repaired it while opening it:\n");
    for (std::size_t i = 0; i < warnings.size() && i < 8; ++i)
        text += QStringLiteral("\n• ") + Utf8ToQString(warnings[i]);
    if (warnings.size() > 8)
        text += QStringLiteral("\n• ... and %1 more.").arg(warnings.size() - 8);
    if (!ctx.db.DamagedCopyFolder().empty())
        text += QStringLiteral("\n\nThe damaged files were copied to \"%1\" before anything was changed.")
                    .arg(Utf8ToQString(ctx.db.DamagedCopyFolder()));
    ctx.dialogs.Message(&main, text, Utf8ToQString(LoadResString(4)), MsgButtons::Ok, MsgIcon::Exclamation);
}

bool OpenDataOrChoose(AppContext& ctx, bool playStartupSound) {
    std::string error;
    bool busy = false;
    while (!ctx.program.OpenData(playStartupSound, &error, &busy)) {
        playStartupSound = false;
        QString text = Utf8ToQString(error) +
                       QStringLiteral("\n\nWould you like to choose another folder for your bookmarks? "
                                      "(No closes Vireo; nothing has been changed.)");
        QApplication::restoreOverrideCursor();
        if (ctx.dialogs.Message(nullptr, text, Utf8ToQString(LoadResString(4)), MsgButtons::YesNo,
                                MsgIcon::Critical) != MsgResult::Yes)
            return false;
        QString dir = ctx.dialogs.ExistingDirectory(
            nullptr, QStringLiteral("Choose a Folder for Your Bookmarks"), Utf8ToQString(ctx.db.DBPath()));
        if (dir.isEmpty())
            return false;
        SetRegValue(ctx.reg, SettingsPath("\\DB"), "path", QStringToUtf8(dir));
    }
    return true;
}

OutsideFiles::OutsideFiles() {
    m_retry.setSingleShot(true);
    m_retry.setInterval(kRetryMs);
    connect(&m_retry, &QTimer::timeout, this, &OutsideFiles::Deliver);
}

void OutsideFiles::Add(const QStringList& paths) {
    m_waiting += paths;
    Deliver();
}

void OutsideFiles::SetMainWindow(frmMain* main) {
    m_main = main;
    Deliver();
}

void OutsideFiles::Deliver() {
    if (!m_main || m_waiting.isEmpty())
        return;
    if (QApplication::activeModalWidget()) {
        m_retry.start();
        return;
    }
    QStringList paths;
    paths.swap(m_waiting);
    // The floating toolbar may stand in for the main window: the filed bookmark is shown
    // in the main window.
    if (m_main->buttons)
        m_main->buttons->ShowMainWindow();
    else
        m_main->show();
    if (m_main->isMinimized())
        m_main->showNormal();
    m_main->raise();
    m_main->activateWindow();
    m_main->dragDrop->FileShortcuts(paths);
}

void SetApplicationIdentity() {
    // The window class that the desktop entry's StartupWMClass names is taken from the
    // application name. No display name is set: Qt would add it to every caption
    // ("... \u2014 Vireo!"), and each window's caption is its own.
    QApplication::setApplicationName(QStringLiteral(VIREO_WM_CLASS));
    QGuiApplication::setDesktopFileName(QStringLiteral(VIREO_APP_ID));
    QApplication::setWindowIcon(ResourceIcon(QStringLiteral("icon_app")));
}

bool DisplayNamed(int argc, char** argv) {
    auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v != nullptr && *v != '\0';
    };
    if (set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM"))
        return true;
    // Qt's own option chooses a platform that may need no display (offscreen, vnc).
    for (int i = 1; i < argc; ++i) {
        std::string_view a = argv[i];
        if (a == "-platform" || a == "--platform" || a.rfind("-platform=", 0) == 0 ||
            a.rfind("--platform=", 0) == 0)
            return true;
    }
    return false;
}

int RunVireo(int argc, char** argv) {
    // Help and version need no display, so they are answered before Qt starts.
    LaunchRequest early = ParseVireoArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (early.action == LaunchRequest::Action::Help) {
        std::cout << VireoUsage();
        return 0;
    }
    if (early.action == LaunchRequest::Action::Version) {
        std::cout << VireoVersionText();
        return 0;
    }
    // Without a display Qt aborts with a page of advice about platform plugins; one line
    // says what to do.
    if (!DisplayNamed(argc, argv)) {
        std::cerr << kNoDisplayMessage << '\n';
        return 1;
    }

    QApplication app(argc, argv);
    SetApplicationIdentity();
    QtDialogs dialogs;
    DesktopDocumentOpener documents;
    QtProcessLauncher launcher;

    // Qt has taken its own options out of argv by now.
    LaunchRequest request = ParseVireoArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (request.action == LaunchRequest::Action::Error) {
        std::cerr << "vireo: " << request.error << '\n';
        return 64;
    }
    QStringList files = AbsoluteFilePaths(request.files);

    sys::SingleInstance instance;
    const QString channel = QFile::decodeName(sys::SingleInstance::ChannelPath("vireo").c_str());
    if (instance.Acquire("vireo") == sys::SingleInstance::Result::AlreadyRunning) {
        if (files.isEmpty()) {
            // The running window comes forward first, so the user sees where Vireo is; a
            // copy that cannot be reached still gets the message.
            HandFilesToRunningCopy(channel, {}, nullptr, 2000, 5000);
            dialogs.Message(nullptr, Utf8ToQString(kSecondCopyMessage), Utf8ToQString(kSecondCopyTitle),
                            MsgButtons::Ok, MsgIcon::Exclamation);
            return 0;
        }
        QString error;
        if (HandFilesToRunningCopy(channel, files, &error))
            return 0;
        dialogs.Message(nullptr,
                        Utf8ToQString(kSecondCopyMessage) + QStringLiteral("\n\n") + error +
                            QStringLiteral(" Drop the file on its window instead."),
                        Utf8ToQString(kSecondCopyTitle), MsgButtons::Ok, MsgIcon::Exclamation);
        return 1;
    }

    // Second copies may be started with files from now on, even while this one starts.
    OutsideFiles outside;
    OpenRequestServer server;
    QObject::connect(&server, &OpenRequestServer::filesReceived, &outside, &OutsideFiles::Add);
    if (QString error; !server.Listen(channel, &error))
        std::cerr << "vireo: " << QStringToUtf8(error)
                  << " (files opened while Vireo runs will not reach it)\n";
    outside.Add(files);

    std::unique_ptr<HiveRegistry> registry = OpenUserRegistry();
    CanberraSoundOutput soundOutput;
    Program program(*registry, soundOutput, ProgramFolder());
    AppContext ctx(program, dialogs, documents, launcher);
    // Loaded at the first search; a missing library is told once and searching stays off.
    DialogsMessages searchMessages(dialogs);
    DlSearchLibrary searchLibrary(*registry, searchMessages);
    ctx.searchLibrary = &searchLibrary;

    std::unique_ptr<frmMain> main;
    {
        WaitCursor wait;
        if (!OpenDataOrChoose(ctx, true))
            return 1;
        if (!program.FindBrowser())
            frmOptions::ShowBrowserConfigError(ctx, nullptr, true);
        QScreen* screen = QGuiApplication::primaryScreen();
        main = BuildMainWindow(ctx, screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800));
        main->show();
    }
    // Logout, a closed terminal or Ctrl+C end the program with everything saved; a
    // change made in the second before (saving waits that long) is not lost.
    QuitSignals quitSignals;
    frmMain* window = main.get();
    QObject::connect(&quitSignals, &QuitSignals::quitRequested, window, [window] { window->EndOnRequest(); });
#ifndef QT_NO_SESSIONMANAGER
    // The session manager asks for the data before it ends the session; nothing is asked
    // of the user, and the program may go on running if the logout is cancelled.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, window,
                     [window](QSessionManager&) { window->SaveNow(); });
#endif
    ReportStartupRepairs(*main, registry->TakeNotice());
    OfferFirstRunImport(*main);
    outside.SetMainWindow(main.get());
    QObject::connect(&server, &OpenRequestServer::activationRequested, main.get(), &frmMain::BringForward);
    frmTips::ShowAtStartup(ctx, main.get());
    int status = app.exec();
    main.reset();
    return status;
}

} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/search_windows.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QProgressDialog>

#include "mainwindow/facades.h"
#include "mainwindow/main_window.h"
#include "search/engine_update.h"
#include "search/group_manager.h"

namespace vireo {

SearchWindows::SearchWindows(frmMain& main, SearchLibrary& library)
    : QObject(&main), m_main(main), m_library(library),
      m_messages(std::make_unique<DialogsMessages>(main.Context().dialogs, &main)) {}

SearchWindows::~SearchWindows() {
    if (m_search)
        m_search->Events().SetWake({});
    // An update the user went on without may still run: it ends on its own (the library
    // bounds it), and must not be left running into the program's exit.
    if (m_updateThread.joinable()) {
        WaitCursor wait;
        m_updateThread.join();
    }
}

AppContext& SearchWindows::Context() {
    return m_main.Context();
}

SearchContext SearchWindows::MakeContext() {
    AppContext& ctx = Context();
    return SearchContext{
        ctx.db, ctx.reg, m_library, *m_messages, ctx.sounds, ctx.program.Search, this, SearchProgramFolder()};
}

bool SearchWindows::Searching() const {
    return m_main.Context().program.Search.searching;
}

void SearchWindows::ProcessEvents() {
    if (m_search)
        m_search->ProcessEvents();
}

void SearchWindows::Launch(SearchDialogMode mode, std::int16_t folder, std::string_view query) {
    if (Searching()) {
        // One search at a time: the running one's window is where the user can act.
        if (m_stat) {
            m_stat->show();
            m_stat->raise();
            m_stat->activateWindow();
        }
        return;
    }
    CloseDialogs();
    if (m_stat)
        m_stat->close();
    ReleaseSearch();
    SearchLaunch launch = LaunchSearch(MakeContext(), mode, folder, query, [this](clsSearch& search) {
        return OpenGroupManager(search, &m_main);
    });
    if (!launch.search)
        return;
    m_search = std::move(launch.search);
    // The library reports on its own thread; its reports are handled here, in order.
    m_search->Events().SetWake(
        [this] { QMetaObject::invokeMethod(this, &SearchWindows::ProcessEvents, Qt::QueuedConnection); });
    QString text = Utf8ToQString(m_search->SearchQuery());
    if (launch.dialog == kSearchDialogAdvanced)
        ShowAdvanced(text);
    else
        ShowQuick(text);
}

void SearchWindows::ShowQuick(const QString& query) {
    if (m_quick)
        m_quick->CloseForSwitch();
    m_quick = new frmSearchQuick(*this, &m_main);
    m_quick->Load();
    if (!query.isEmpty())
        m_quick->comboQuickQuery->setCurrentText(query);
    m_quick->show();
    m_quick->raise();
    m_quick->activateWindow();
}

void SearchWindows::ShowAdvanced(const QString& query) {
    if (m_adv)
        m_adv->CloseForSwitch();
    m_adv = new frmSearchAdv(*this, &m_main);
    m_adv->Load();
    if (!query.isEmpty())
        m_adv->comboQuery->setCurrentText(query);
    m_adv->show();
    m_adv->raise();
    m_adv->activateWindow();
}

void SearchWindows::CloseDialogs() {
    if (m_quick)
        m_quick->close();
    if (m_adv)
        m_adv->close();
}

void SearchWindows::ReleaseSearch() {
    if (!m_search || Searching())
        return;
    m_search->Events().SetWake({});
    m_search->ForgetStatusView();
    m_search.reset();
}

bool SearchWindows::OpenGroupManager(clsSearch& search, QWidget* parent) {
    frmGroupManage manager(Context(), search, parent ? parent : &m_main);
    manager.InitialGroup = std::max<std::int32_t>(0, search.SearchGroupIndex());
    return manager.LoadGroupManagerForm() == 0;
}

void SearchWindows::ManageGroups() {
    // An object of its own for the engine list; a search running meanwhile goes on.
    clsSearch search(MakeContext());
    if (!search.Init())
        return;
    OpenGroupManager(search, &m_main);
    if (m_adv)
        m_adv->GroupsChanged();
}

std::optional<std::int32_t> SearchWindows::RunEngineUpdate(QWidget* parent, bool maySkip) {
    QProgressDialog window(parent ? parent : &m_main);
    window.setObjectName(QStringLiteral("frmEngineUpdate"));
    window.setWindowTitle(Utf8ToQString(kEnginesTitle));
    window.setLabelText(QStringLiteral("Checking for updated search engines..."));
    window.setRange(0, 0); // no measure of progress: a moving bar
    window.setMinimumDuration(0);
    window.setAutoClose(false);
    window.setAutoReset(false);
    if (maySkip)
        window.setCancelButtonText(QStringLiteral("&Search Now"));
    else
        window.setCancelButton(nullptr);
    window.setWindowModality(Qt::ApplicationModal);
    m_updateWindow = &window;
    WaitCursor wait;
    QEventLoop loop;
    connect(&window, &QProgressDialog::canceled, &loop, &QEventLoop::quit);
    connect(this, &SearchWindows::engineUpdateEnded, &loop, &QEventLoop::quit);
    // One update at a time: one the user went on without is waited for first.
    if (!m_update) {
        auto task = std::make_shared<UpdateTask>();
        m_update = task;
        if (m_updateThread.joinable())
            m_updateThread.join();
        m_updateThread = std::thread([this, task, folder = SearchProgramFolder()] {
            task->result = m_library.UpdateScripts(folder);
            task->done = true;
            QMetaObject::invokeMethod(this, &SearchWindows::EngineUpdateEnded, Qt::QueuedConnection);
        });
    }
    std::shared_ptr<UpdateTask> task = m_update;
    window.show();
    while (!task->done && !window.wasCanceled())
        loop.exec();
    m_updateWindow = nullptr;
    if (!task->done)
        return std::nullopt;
    return task->result;
}

void SearchWindows::EngineUpdateEnded() {
    if (!m_update || !m_update->done)
        return;
    if (m_update->noteWhenDone)
        NoteEngineUpdate(Context().reg);
    m_update.reset();
    if (m_updateThread.joinable())
        m_updateThread.join();
    Q_EMIT engineUpdateEnded();
}

void SearchWindows::UpdateEngines(QWidget* parent) {
    // An update that was running already (the user went on without it) is not this one:
    // wait for it, then check again.
    if (m_update)
        RunEngineUpdate(parent, false);
    std::optional<std::int32_t> r = RunEngineUpdate(parent, false);
    if (r)
        ShowEngineUpdateResult(*m_messages, *r);
}

void SearchWindows::CheckEnginesBeforeSearch(QWidget* parent) {
    // One that already runs in the background is enough.
    if (m_update || !EngineUpdateDue(Context().reg))
        return;
    RunEngineUpdate(parent, true);
    // Stored when the update ends, also when the search went on without it.
    if (m_update)
        m_update->noteWhenDone = true;
    else
        NoteEngineUpdate(Context().reg);
}

bool SearchWindows::MayClose() {
    if (!Searching())
        return true;
    Context().sounds.PlayEventSound(SoundEvent::RejectBookmark);
    if (m_stat) {
        m_stat->show();
        m_stat->raise();
        m_stat->activateWindow();
    }
    return false;
}

void SearchWindows::CloseAll() {
    if (m_stat)
        m_stat->close();
    CloseDialogs();
    ReleaseSearch();
}

void SearchWindows::HideSearchDialogs() {
    if (m_quick)
        m_quick->hide();
    if (m_adv)
        m_adv->hide();
}

SearchStatusView* SearchWindows::ShowStatusWindow(const StatusWindowSetup& setup) {
    if (m_stat) {
        // A finished search's window that was left open gives way to the new one.
        m_stat->hide();
        m_stat->deleteLater();
    }
    m_stat = new frmSearchStat(*this, setup, &m_main);
    m_stat->show();
    m_stat->raise();
    return m_stat;
}

void SearchWindows::ShowResultsFolder(std::int16_t folder) {
    m_main.TreeView->setUpdatesEnabled(false);
    m_main.SelectFolder(folder);
    m_main.FillBookmarkList();
    m_main.TreeView->setUpdatesEnabled(true);
    if (QTreeWidgetItem* item = m_main.TreeView->currentItem())
        m_main.TreeView->scrollToItem(item);
}

} // namespace vireo

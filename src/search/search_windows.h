// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <thread>

#include "search/advanced_search_dialog.h"
#include "search/quick_search_dialog.h"
#include "search/search_history.h"
#include "search/search_launcher.h"
#include "search/search_library.h"
#include "search/search_session.h"
#include "search/search_status_window.h"
#include "shell/user_messages.h"

namespace vireo {

class frmMain;
struct AppContext;

// Holds the search object of the dialogs and of the running search, and the windows that
// show them; the main window's side of a search.
class SearchWindows : public QObject, public SearchMainWindow {
    Q_OBJECT
public:
    SearchWindows(frmMain& main, SearchLibrary& library);
    ~SearchWindows() override;

    // The search launcher: mode 0 the dialog used last, 1 quick, 2 advanced; a folder
    // above 0 loads its stored search; a query fills the query box.
    void Launch(SearchDialogMode mode, std::int16_t folder, std::string_view query);
    // Manage Groups: a search object of its own, the group manager, released again.
    void ManageGroups();
    // Update Engines and the Check Engines buttons: the update runs on a thread of its own
    // while a small window says so (the program's windows keep being drawn), then its
    // message.
    void UpdateEngines(QWidget* parent = nullptr);
    // The quiet check before a search, when it is due: the same, with "Search Now" to go
    // on at once (the update then finishes in the background).
    void CheckEnginesBeforeSearch(QWidget* parent);
    // The window an engine update shows while it runs (null when none runs).
    QDialog* EngineUpdateWindow() { return m_updateWindow; }
    // Opens the group manager for a search object; false when cancelled.
    bool OpenGroupManager(clsSearch& search, QWidget* parent);

    bool Searching() const;
    // The main window may not close while a search runs: the reject sound, the status
    // window brought forward. True when closing may go on.
    bool MayClose();
    // Shutdown: the status window and both dialogs go.
    void CloseAll();
    // Releases the search object (and closes the dialogs when no search runs).
    void ReleaseSearch();

    clsSearch* Search() { return m_search.get(); }
    frmSearchQuick* Quick() { return m_quick; }
    frmSearchAdv* Advanced() { return m_adv; }
    frmSearchStat* Status() { return m_stat; }
    frmMain& Main() { return m_main; }
    AppContext& Context();
    SearchHistory& History() { return m_history; }
    SearchLibrary& Library() { return m_library; }
    UserMessages& Messages() { return *m_messages; }

    // Switching between the dialogs (they call these).
    void ShowQuick(const QString& query);
    void ShowAdvanced(const QString& query);
    void CloseDialogs();

    // SearchMainWindow
    void HideSearchDialogs() override;
    SearchStatusView* ShowStatusWindow(const StatusWindowSetup& setup) override;
    void ShowResultsFolder(std::int16_t folder) override;

Q_SIGNALS:
    // An engine update that ran on the update thread has ended.
    void engineUpdateEnded();

private:
    SearchContext MakeContext();
    void ProcessEvents();
    // Runs UpdateScripts on the update thread and waits for it in a small modal window;
    // its result, or nothing when the user went on without it.
    std::optional<std::int32_t> RunEngineUpdate(QWidget* parent, bool maySkip);
    void EngineUpdateEnded();
    struct UpdateTask {
        std::atomic<bool> done{false};
        std::int32_t result = 0;
        bool noteWhenDone = false; // store the day of the update when it ends
    };

    frmMain& m_main;
    SearchLibrary& m_library;
    std::unique_ptr<UserMessages> m_messages;
    SearchHistory m_history;
    std::unique_ptr<clsSearch> m_search;
    QPointer<frmSearchQuick> m_quick;
    QPointer<frmSearchAdv> m_adv;
    QPointer<frmSearchStat> m_stat;
    std::shared_ptr<UpdateTask> m_update;
    std::thread m_updateThread;
    QPointer<QDialog> m_updateWindow;
};

} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The windows of web search: the quick and advanced search dialogs, the status window of a
// running search, the group manager and the connection prompt, and SearchWindows, which
// holds the one search object at a time and is the main window's side of a search.

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "search/search_history.h"
#include "search/search_launcher.h"
#include "search/search_session.h"

namespace vireo {

struct AppContext;
class frmMain;
class OrnPBar1;
class SearchWindows;

// "Internet Connection": shown before an advanced search when no connection is open.
class frmPromptConnection : public QDialog {
    Q_OBJECT
public:
    frmPromptConnection(Registry& reg, QWidget* parent = nullptr);

    QCheckBox* chkConnection = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    bool cancelHit() const { return m_cancelHit; }
    void setCancelHit(bool hit) { m_cancelHit = hit; }
    void cmdOK_Click();
    void cmdCancel_Click();

    // Asks modally; true when the search may go on.
    static bool Ask(Registry& reg, QWidget* parent);

protected:
    void reject() override { cmdCancel_Click(); }

private:
    Registry& m_reg;
    bool m_cancelHit = true;
};

// "Search Status": one row per engine of the group while the search runs.
class frmSearchStat : public QDialog, public SearchStatusView {
    Q_OBJECT
public:
    frmSearchStat(SearchWindows& owner, const StatusWindowSetup& setup, QWidget* parent = nullptr);
    ~frmSearchStat() override;

    std::vector<OrnPBar1*> prgProgress;
    std::vector<std::array<QLabel*, 4>> imgLamps; // imgConnect, imgGetting, imgParsing, imgDone
    std::vector<QLabel*> lblHits;
    std::vector<QLabel*> lblStatusText;
    QLabel* lblTotalHits = nullptr;
    QPushButton* cmdStop = nullptr;
    QPushButton* cmdHelp = nullptr;
    QCheckBox* chkCloseStat = nullptr;
    QFrame* frameStat = nullptr;
    QTimer* timerSearchStat = nullptr;

    // Pixels between rows, and the top margin above the first (200 twips).
    static constexpr int kRowPitch = 30;
    static constexpr int kTopMargin = 13;
    static int RowTop(int row) { return static_cast<int>((row + 0.75) * kRowPitch + 0.5) + kTopMargin; }

    int RowCount() const { return static_cast<int>(prgProgress.size()); }
    void cmdStop_Click();
    void cmdHelp_Click();
    void timerSearchStat_Timer();

    // SearchStatusView
    void SetCaption(std::string_view caption) override;
    void SetLamp(int row, StatusLampColumn lamp, StatusLamp picture) override;
    void SetHits(int row, std::int32_t hits) override;
    void SetProgressValue(int row, std::int32_t value) override;
    void SetProgressPercent(int row, std::int32_t percent) override;
    void SetStatusText(int row, std::string_view text) override;
    void SetTotalText(std::string_view text) override;
    void SetStopButton(std::string_view caption, bool enabled) override;
    bool CloseWhenComplete() const override;

    // The picture of a lamp state, as the lamps show it.
    static StatusLamp LampOf(const QLabel* lamp);

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    bool ValidRow(int row) const { return row >= 0 && row < RowCount(); }
    SearchWindows& m_owner;
    bool m_waitCursor = false;
};

// "Quick Search".
class frmSearchQuick : public QDialog {
    Q_OBJECT
public:
    frmSearchQuick(SearchWindows& owner, QWidget* parent = nullptr);

    QComboBox* comboQuickQuery = nullptr;
    QPushButton* cmdSearch = nullptr;
    QPushButton* cmdAdvanced = nullptr;
    QPushButton* cmdUpdateScripts = nullptr;
    QPushButton* cmdCancel = nullptr;
    QLabel* imgLogo = nullptr;
    std::int32_t HistoryIndex = 0;

    void Load();
    void cmdSearch_Click();
    void cmdAdvanced_Click();
    void cmdUpdateScripts_Click();
    void cmdCancel_Click();
    // Closes the dialog for the other one: the search it was opened for goes on.
    void CloseForSwitch();

protected:
    void reject() override { cmdCancel_Click(); }

private:
    bool m_switching = false;
    SearchWindows& m_owner;
};

// "Advanced Search".
class frmSearchAdv : public QDialog {
    Q_OBJECT
public:
    frmSearchAdv(SearchWindows& owner, QWidget* parent = nullptr);

    QComboBox* comboQuery = nullptr;
    QComboBox* comboExclude = nullptr;
    QComboBox* comboGroups = nullptr;
    QLineEdit* txtMaxHits = nullptr;
    QLineEdit* txtSiteMax = nullptr;
    std::array<QRadioButton*, 4> optFormat{};
    QCheckBox* chkSound = nullptr;
    QPushButton* cmdSearch = nullptr;
    QPushButton* cmdQuick = nullptr;
    QPushButton* cmdEditGroups = nullptr;
    QPushButton* cmdUpdateScripts = nullptr;
    QPushButton* cmdCancel = nullptr;
    QLabel* imgLogo = nullptr;
    std::int32_t HistoryIndex = 0;

    void Load();
    void cmdSearch_Click();
    void cmdQuick_Click();
    void cmdEditGroups_Click();
    void cmdUpdateScripts_Click();
    void cmdCancel_Click();
    // Closes the dialog for the other one: the search it was opened for goes on.
    void CloseForSwitch();
    // The caption: "Advanced Search - " and the translated query.
    void UpdateCaption();
    // The group table changed (Manage Groups): the list is filled again with the chosen
    // group still chosen. False when that group is gone (All Engines is chosen then).
    bool GroupsChanged();
    // The table index of the chosen group, found by its number; -1 when it is gone.
    std::int32_t SelectedGroupIndex() const;
    std::int32_t CheckedFormat() const;

protected:
    void reject() override { cmdCancel_Click(); }

private:
    void FillGroups(std::int32_t select);
    bool m_switching = false;
    SearchWindows& m_owner;
};

// Making, renaming and deleting search groups and choosing their engines.
class frmGroupManage : public QDialog {
    Q_OBJECT
public:
    frmGroupManage(AppContext& ctx, clsSearch& search, QWidget* parent = nullptr);

    QComboBox* comboNames = nullptr;
    QListWidget* lstAll = nullptr;
    QLabel* lblLeftOut = nullptr; // the engines the library left out, when it did
    QPushButton* cmdNew = nullptr;
    QPushButton* cmdRename = nullptr;
    QPushButton* cmdDel = nullptr;
    QPushButton* cmdVisitHomePage = nullptr;
    QPushButton* cmdAddInstance = nullptr; // an engine of the user's own SearXNG instance
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdHelp = nullptr;

    std::int32_t InitialGroup = 0;
    // Shows the window modally: 1 when the user cancelled, else 0.
    int LoadGroupManagerForm();

    void SelectGroup(std::int32_t index);
    void cmdNew_Click();
    void cmdRename_Click();
    void cmdDel_Click();
    void cmdVisitHomePage_Click();
    void cmdAddInstance_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdHelp_Click();
    bool Cancelled() const { return m_cancelled; }

protected:
    void reject() override { cmdCancel_Click(); }

private:
    void FillNames(std::int32_t select);
    void FillEngines();
    void ItemChanged(QListWidgetItem* item);
    void ItemClicked(QListWidgetItem* item);
    SearchGroupTable& Table();

    AppContext& m_ctx;
    clsSearch& m_search;
    bool m_cancelled = false;
    bool m_loading = false;
};

// The address string resource 102 names: the help page on web search.
QString SearchHelpPage();

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

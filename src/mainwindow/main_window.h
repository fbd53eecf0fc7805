// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// frmMain: the folder tree on the left, the bookmarks of the selected folder on the
// right, the summary of the item under the mouse below them, and the strip of picture
// buttons at the far left. Closing it is the program's shutdown.

#include <QLabel>
#include <QMainWindow>
#include <QSplitter>
#include <QTimer>
#include <memory>

#include "mainwindow/app_context.h"
#include "mainwindow/bookmark_list.h"
#include "mainwindow/folder_dialogs.h"
#include "mainwindow/folder_tree.h"
#include "mainwindow/rtf_view.h"
#include "store/store_services.h"

namespace vireo {

class ButtonBars;
class DragDrop;
class MainMenus;
class SearchWindows;
class SyncWindows;
struct EditTargets;

class frmMain : public QMainWindow, public BookmarkListView, public BusyIndicator {
    Q_OBJECT
public:
    explicit frmMain(AppContext& ctx, QWidget* parent = nullptr);
    ~frmMain() override;

    AppContext& Context() { return m_ctx; }
    Database& Db() { return m_ctx.db; }
    // The services the store uses while this window is the main window.
    StoreServices Services();

    // Controls, by the names the rest of the program knows them by.
    QWidget* toolframe = nullptr;
    QLabel* imgLogo = nullptr;
    QSplitter* picSplit = nullptr;
    FolderTree* TreeView = nullptr;
    BookmarkList* ListView = nullptr;
    RtfPane* rtDetail = nullptr;
    QTimer* Timer = nullptr;

    std::int16_t SelectedFolder() const { return TreeView->SelectedFolder(); }
    std::int32_t SelectedBookmark() const { return ListView->SelectedBookmark(); }
    void SelectFolder(std::int16_t folder);

    void FillBookmarkList() override;
    void BeginBusy() override;
    void EndBusy() override;

    void ShowFolderSummary(std::int16_t folder);
    void ShowBookmarkSummary(std::int16_t folder, std::int32_t key);
    void ClearSummary();
    // Draws the summary of what the pane shows again, or empties it when that is gone.
    void RefreshSummary();

    // Delete, F3: true when the key was handled.
    bool HandleMainKey(int key);
    // Web pages open in the chosen browser, other documents with the desktop's handler.
    void OpenDocument(const QString& target);

    // Shows the program's window (this one, or the floating toolbar that stands in for it)
    // restored, raised and active: a second start asks for it.
    void BringForward();

    // Writes the changes soon (changes are also written when the window closes).
    void ScheduleSave();
    // Writes the changes now; a failure is shown to the user once per failure streak.
    bool SaveNow();
    // The shutdown sequence: trash option, compaction, window position, home page, records.
    // Without `mayAsk` the trash option that asks is passed over (nobody would answer).
    bool SaveData(std::string* error = nullptr, bool mayAsk = true);
    // Ends the program at once when the desktop or the terminal asks it to (logout,
    // SIGTERM, SIGHUP, SIGINT): pending changes and the settings are saved first, without
    // a question, since nobody is there to answer. Returns the exit status.
    int EndOnRequest();
    // Set when the data must not be written at exit (after the purge).
    void SetPurged() { m_purged = true; }

    // The label editor for a folder (New Folder and Rename).
    void EditFolderLabel(std::int16_t folder);
    // Deletes the selected bookmarks (Delete key and the bookmark menu).
    void DeleteSelectedBookmarks();
    // Deletes a folder (Delete key and the folder menu), saying in the status bar where it went.
    void DeleteFolder(std::int16_t folder);
    // Empties a folder (the trash for good), saying what went where.
    void EmptyFolderCommand(std::int16_t folder);

    // The history: Undo and Redo show the result in tree and list and say what they did.
    void UndoCommand();
    void RedoCommand();
    // The clipboard: the selected bookmarks of the list, or a folder of the tree.
    void CutOrCopyBookmarks(bool cut);
    void CutOrCopyFolder(std::int16_t folder, bool cut);
    void PasteInto(std::int16_t folder);
    // Cut, Copy, Paste and Delete of the Edit menu act on the list or the tree, whichever
    // has the focus.
    void EditCommand(int index);
    EditTargets CurrentEditTargets() const;
    bool ClipboardUsable() const;
    // Restore: back to the folder each item was deleted from.
    void RestoreSelectedBookmarks();
    void RestoreFolderCommand(std::int16_t folder);

    // Says in the status bar what a command did.
    void ShowStatus(const QString& text);
    // Fills tree and list again from the database, keeping the selected and the opened
    // folders where they still exist.
    void RefreshViews();

    MainMenus& Menus() { return *m_menus; }
    // Asks for a folder of the database (frmSelFolder); 0 when cancelled.
    std::int16_t ChooseFolder(QWidget* parent, const QString& prompt);
    // Opens the find window: the Tools menu and the find buttons.
    void ShowFind();
    // Drag and drop, and the button bars of this window and of the floating toolbar.
    DragDrop* dragDrop = nullptr;
    ButtonBars* buttons = nullptr;
    // The web search windows (none without a search library).
    SearchWindows* searchWindows = nullptr;
    // The sync profiles' runs, their schedule and the status bar's sync state.
    SyncWindows* syncWindows = nullptr;
    // The search launcher: mode 0 the dialog used last, 1 quick, 2 advanced; a folder above
    // 0 brings its stored search; a query goes into the query box.
    void WebSearch(int mode, std::int16_t folder, const QString& query = {});

Q_SIGNALS:
    // The mouse moved over the window's tree, list or frame: off the button bar.
    void pointerMovedOffButtons();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void BuildLayout();
    void TreeLabelEdited(QTreeWidgetItem* item);
    void TreeContextMenu(const QPoint& pos);
    void ListContextMenu(const QPoint& pos);
    bool TreeHasFocus() const;
    bool ListHasFocus() const;
    void AfterHistoryMove(const std::string& label, bool redo);

    AppContext& m_ctx;
    std::unique_ptr<MainMenus> m_menus;
    QTimer m_saveTimer;
    int m_busy = 0;
    bool m_purged = false;
    // What the summary pane describes (a bookmark when the key is not 0).
    std::int16_t m_summaryFolder = 0;
    std::int32_t m_summaryKey = 0;
    bool m_saveFailureShown = false;
    bool m_closing = false;
};

} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/main_window.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSet>
#include <QShortcut>
#include <QStatusBar>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>
#include <iostream>
#include <utility>

#include "interchange/find_dialog.h"
#include "interchange/home_page.h"
#include "mainwindow/app_icons.h"
#include "mainwindow/button_bar.h"
#include "mainwindow/clipboard.h"
#include "mainwindow/drag_drop.h"
#include "mainwindow/facades.h"
#include "mainwindow/floating_toolbar.h"
#include "mainwindow/menu_entries.h"
#include "mainwindow/menu_rules.h"
#include "mainwindow/menus.h"
#include "mainwindow/page_opener.h"
#include "mainwindow/summary.h"
#include "mainwindow/trash_query.h"
#include "search/search_windows.h"
#include "shell/startup.h"
#include "store/database.h"
#include "store/strings.h"
#include "store/text_codec.h"
#include "store/trash_origin.h"
#include "sync/sync_windows.h"

namespace vireo {

namespace {
// The summary pane keeps its height; the list takes every change of the window's height.
constexpr int kDetailHeight = 112;
// The smallest window: 4665 x 5250 twips.
constexpr QSize kMinimumWindow(311, 350);
// How long a status bar message stays.
constexpr int kStatusMs = 15000;

QString CountOf(qsizetype n, const char* thing) {
    return QString::number(n) + QLatin1Char(' ') + Utf8ToQString(thing) +
           (n == 1 ? QString() : QStringLiteral("s"));
}

QString Quoted(const std::string& name) {
    return Utf8ToQString("\u201C") + Utf8ToQString(name) + Utf8ToQString("\u201D");
}

// "3 bookmarks and 2 folders", leaving out what there is none of.
QString ItemsText(qsizetype bookmarks, qsizetype folders) {
    if (folders == 0)
        return CountOf(bookmarks, "bookmark");
    if (bookmarks == 0)
        return CountOf(folders, "folder");
    return CountOf(bookmarks, "bookmark") + Utf8ToQString(" and ") + CountOf(folders, "folder");
}

const QString kUndoes = Utf8ToQString(" \u2014 Ctrl+Z undoes");
} // namespace

frmMain::frmMain(AppContext& ctx, QWidget* parent) : QMainWindow(parent), m_ctx(ctx) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(Utf8ToQString(LoadResString(4)) + QStringLiteral(" Version: ") +
                   QString::number(VersionMajor()) + QLatin1Char('.') + QString::number(VersionMinor()) +
                   QStringLiteral(" Build (") + QString::number(VersionRevision()) + QLatin1Char(')'));
    setWindowIcon(ResourceIcon(QStringLiteral("icon_app")));
    setMinimumSize(kMinimumWindow);
    BuildLayout();
    m_menus = std::make_unique<MainMenus>(*this);
    dragDrop = new DragDrop(*this);
    buttons = new ButtonBars(*this);
    if (ctx.searchLibrary)
        searchWindows = new SearchWindows(*this, *ctx.searchLibrary);
    syncWindows = new SyncWindows(*this);

    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(1000);
    connect(&m_saveTimer, &QTimer::timeout, this, [this] { SaveNow(); });

    // The Delete key belongs to the Edit menu's Delete.
    auto* f3 = new QShortcut(QKeySequence(Qt::Key_F3), this);
    connect(f3, &QShortcut::activated, this, [this] { HandleMainKey(Qt::Key_F3); });

    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    CommandHistory& history = m_ctx.db.History();
    history.SetEnabled(true);
    history.changed = [this] { m_menus->UpdateHistoryEntries(); };
    // A change no command named is one step with whatever else the same event changes.
    history.unnamedStepOpened = [this] {
        QTimer::singleShot(0, this, [this] { m_ctx.db.History().Seal(); });
    };
    m_menus->UpdateHistoryEntries();
}

frmMain::~frmMain() {
    CommandHistory& history = m_ctx.db.History();
    history.changed = {};
    history.unnamedStepOpened = {};
    // The store must not call into widgets that are going away.
    if (m_ctx.db.Services().tree == TreeView)
        m_ctx.db.SetServices({});
}

StoreServices frmMain::Services() {
    return {TreeView, &m_ctx.sounds, this, this, &m_ctx.program.Options()};
}

void frmMain::BuildLayout() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("frmMainClient"));
    central->setMouseTracking(true);
    auto* row = new QHBoxLayout(central);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    toolframe = new QWidget(central);
    toolframe->setObjectName(QStringLiteral("toolframe"));
    toolframe->setAutoFillBackground(true);
    QPalette strip = toolframe->palette();
    strip.setColor(QPalette::Window, QColor(123, 170, 255));
    toolframe->setPalette(strip);
    auto* stripLayout = new QVBoxLayout(toolframe);
    stripLayout->setContentsMargins(2, 0, 2, 0);
    stripLayout->setSpacing(0);
    stripLayout->addStretch(1);
    imgLogo = new QLabel(toolframe);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setToolTip(QStringLiteral("Vireo! Web Site"));
    imgLogo->setPixmap(ResourcePixmap(QStringLiteral("vireo_side"), QSize(48, 240)));
    imgLogo->setCursor(Qt::PointingHandCursor);
    imgLogo->installEventFilter(this);
    stripLayout->addWidget(imgLogo, 0, Qt::AlignHCenter | Qt::AlignBottom);
    toolframe->setFixedWidth(48 + 4);
    row->addWidget(toolframe);

    picSplit = new QSplitter(Qt::Horizontal, central);
    picSplit->setObjectName(QStringLiteral("picSplit"));
    // Like a splitter bar that is drawn while dragged and applied on release.
    picSplit->setOpaqueResize(false);
    picSplit->setChildrenCollapsible(false);
    picSplit->setHandleWidth(4);

    TreeView = new FolderTree(picSplit);
    TreeView->setObjectName(QStringLiteral("TreeView"));
    TreeView->setMinimumWidth(50);
    TreeView->setContextMenuPolicy(Qt::CustomContextMenu);
    TreeView->SetRenamePolicy([this](std::int16_t folder) { return CanRenameFolder(m_ctx.db, folder); });
    TreeView->viewport()->installEventFilter(this);

    auto* right = new QWidget(picSplit);
    right->setMinimumWidth(50);
    auto* column = new QVBoxLayout(right);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    ListView = new BookmarkList(right);
    ListView->setObjectName(QStringLiteral("ListView"));
    ListView->setContextMenuPolicy(Qt::CustomContextMenu);
    ListView->viewport()->installEventFilter(this);
    rtDetail = new RtfPane(right);
    rtDetail->setObjectName(QStringLiteral("rtDetail"));
    rtDetail->setFixedHeight(kDetailHeight);
    column->addWidget(ListView, 1);
    column->addWidget(rtDetail, 0);

    picSplit->addWidget(TreeView);
    picSplit->addWidget(right);
    picSplit->setStretchFactor(0, 0);
    picSplit->setStretchFactor(1, 1);
    picSplit->setSizes({240, 700});
    row->addWidget(picSplit, 1);
    setCentralWidget(central);

    Timer = new QTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setSingleShot(true);
    Timer->setInterval(10);

    connect(TreeView, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        if (current && !TreeView->Filling())
            FillBookmarkList();
    });
    connect(TreeView, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) {
        if (!TreeView->Filling())
            TreeLabelEdited(item);
    });
    connect(TreeView, &QWidget::customContextMenuRequested, this, &frmMain::TreeContextMenu);
    connect(ListView, &QWidget::customContextMenuRequested, this, &frmMain::ListContextMenu);
    connect(ListView, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        if (item && BookmarkList::KeyOf(item).size() > 1)
            OpenDocument(item->text(1));
    });
}

void frmMain::WebSearch(int mode, std::int16_t folder, const QString& query) {
    if (searchWindows)
        searchWindows->Launch(static_cast<SearchDialogMode>(mode), folder, QStringToUtf8(query));
}

void frmMain::SelectFolder(std::int16_t folder) {
    TreeView->SelectNode(FolderNodeKey(folder));
}

void frmMain::FillBookmarkList() {
    WaitCursor wait;
    ListView->Fill(m_ctx.db, SelectedFolder());
    RefreshSummary();
}

void frmMain::RefreshSummary() {
    // The list is refilled after every change: what the pane describes may just have been
    // deleted, emptied or moved, so it is drawn again from the database.
    if (rtDetail->Tag.isEmpty())
        return;
    std::int16_t folder = m_summaryFolder;
    std::int32_t key = m_summaryKey;
    rtDetail->Tag.clear();
    const Database& db = m_ctx.db;
    if (!db.IsLiveFolder(folder) || (key && db.Marks(folder).PositionOf(key) <= 0))
        ClearSummary();
    else if (key)
        ShowBookmarkSummary(folder, key);
    else
        ShowFolderSummary(folder);
}

void frmMain::BeginBusy() {
    if (m_busy++ == 0)
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

void frmMain::EndBusy() {
    if (m_busy > 0 && --m_busy == 0)
        QApplication::restoreOverrideCursor();
}

void frmMain::ShowFolderSummary(std::int16_t folder) {
    QString tag = Utf8ToQString(FolderTag(folder));
    if (rtDetail->Tag == tag)
        return;
    rtDetail->Tag = tag;
    m_summaryFolder = folder;
    m_summaryKey = 0;
    rtDetail->SetRtf(Utf8ToQString(FolderSummaryRtf(m_ctx.db, folder)));
}

void frmMain::ShowBookmarkSummary(std::int16_t folder, std::int32_t key) {
    QString tag = Utf8ToQString(BookmarkTag(key));
    if (rtDetail->Tag == tag)
        return;
    rtDetail->Tag = tag;
    m_summaryFolder = folder;
    m_summaryKey = key;
    rtDetail->SetRtf(Utf8ToQString(BookmarkSummaryRtf(m_ctx.db, folder, key)));
}

void frmMain::ClearSummary() {
    rtDetail->Tag.clear();
    rtDetail->SetRtf(QString());
}

bool frmMain::HandleMainKey(int key) {
    if (key == Qt::Key_Delete) {
        QWidget* focus = QApplication::focusWidget();
        if (focus && (focus == TreeView || TreeView->isAncestorOf(focus))) {
            DeleteFolder(SelectedFolder());
        } else if (focus && (focus == ListView || ListView->isAncestorOf(focus))) {
            DeleteSelectedBookmarks();
        } else {
            m_ctx.sounds.PlayEventSound(SoundEvent::RejectBookmark);
        }
        return true;
    }
    if (key == Qt::Key_F3) {
        WebSearch(0, 0);
        return true;
    }
    return false;
}

void frmMain::DeleteSelectedBookmarks() {
    std::int16_t folder = SelectedFolder();
    if (!m_ctx.db.IsLiveFolder(folder))
        return;
    std::vector<std::int32_t> keys = ListView->SelectedBookmarks();
    if (keys.empty() && SelectedBookmark())
        keys.push_back(SelectedBookmark());
    if (keys.empty())
        return;
    Database& db = m_ctx.db;
    std::int32_t trashBefore = db.Marks(kTrashFolder).Total();
    {
        HistoryStep step(
            db, keys.size() == 1
                    ? std::string("Delete Bookmark")
                    : "Delete " + QStringToUtf8(CountOf(static_cast<qsizetype>(keys.size()), "bookmark")));
        for (std::int32_t key : keys) {
            db.Marks(folder).Copy(key);
            db.Marks(folder).Kill(key, false);
        }
    }
    bool toTrash = db.Marks(kTrashFolder).Total() > trashBefore;
    FillBookmarkList();
    ShowStatus(CountOf(static_cast<qsizetype>(keys.size()), "bookmark") +
               (toTrash ? Utf8ToQString(" moved to the Trash") : Utf8ToQString(" deleted")) + kUndoes);
    ScheduleSave();
}

void frmMain::DeleteFolder(std::int16_t folder) {
    Database& db = m_ctx.db;
    if (!db.IsLiveFolder(folder))
        return;
    std::string name = db.FolderName(folder);
    bool ok;
    {
        HistoryStep step(db, "Delete Folder " + QStringToUtf8(Quoted(name)));
        ok = db.KillFolder(folder, false);
    }
    if (!ok)
        m_ctx.dialogs.Message(this, Utf8ToQString(db.LastError()), {}, MsgButtons::Ok, MsgIcon::Critical);
    FillBookmarkList();
    if (folder <= kTrashFolder)
        return; // refused with the reject sound
    bool inTrash = db.IsLiveFolder(folder) && db.InTrash(folder);
    ShowStatus(Utf8ToQString("Folder ") + Quoted(name) +
               (inTrash ? Utf8ToQString(" moved to the Trash") : Utf8ToQString(" deleted")) + kUndoes);
}

void frmMain::EmptyFolderCommand(std::int16_t folder) {
    Database& db = m_ctx.db;
    if (!db.IsLiveFolder(folder))
        return;
    bool trash = folder == kTrashFolder;
    qsizetype bookmarks = db.Marks(folder).Count();
    qsizetype folders = db.CountSubFolders(folder);
    bool ok;
    {
        HistoryStep step(db, trash ? std::string("Empty Trash")
                                   : "Empty " + QStringToUtf8(Quoted(db.FolderName(folder))));
        ok = db.EmptyFolder(folder, trash);
    }
    if (!ok)
        m_ctx.dialogs.Message(this, Utf8ToQString(db.LastError()), {}, MsgButtons::Ok, MsgIcon::Critical);
    FillBookmarkList();
    bool forGood = trash || m_ctx.program.Options().DeleteBmksImmediately();
    if (trash)
        ShowStatus(Utf8ToQString("The Trash was emptied: ") + ItemsText(bookmarks, folders) +
                   Utf8ToQString(" deleted") + kUndoes);
    else
        ShowStatus(ItemsText(bookmarks, folders) +
                   (forGood ? Utf8ToQString(" deleted") : Utf8ToQString(" moved to the Trash")) + kUndoes);
}

void frmMain::ShowStatus(const QString& text) {
    statusBar()->showMessage(text, kStatusMs);
}

bool frmMain::TreeHasFocus() const {
    QWidget* focus = QApplication::focusWidget();
    return focus && (focus == TreeView || TreeView->isAncestorOf(focus));
}

bool frmMain::ListHasFocus() const {
    QWidget* focus = QApplication::focusWidget();
    return focus && (focus == ListView || ListView->isAncestorOf(focus));
}

void frmMain::RefreshViews() {
    QString current = FolderTree::KeyOf(TreeView->currentItem());
    QSet<QString> opened;
    for (QTreeWidgetItemIterator it(TreeView); *it; ++it) {
        if ((*it)->isExpanded())
            opened.insert(FolderTree::KeyOf(*it));
    }
    int scroll = TreeView->verticalScrollBar()->value();
    m_ctx.db.FillTree(*TreeView);
    for (const QString& key : opened) {
        if (QTreeWidgetItem* node = TreeView->Node(key))
            node->setExpanded(true);
    }
    std::int16_t folder = KeyToInt(QStringToUtf8(current));
    SelectFolder(m_ctx.db.IsLiveFolder(folder) ? folder : std::int16_t{kRootFolder});
    TreeView->verticalScrollBar()->setValue(scroll);
    FillBookmarkList();
    ClearSummary();
}

void frmMain::AfterHistoryMove(const std::string& label, bool redo) {
    RefreshViews();
    ShowStatus((redo ? Utf8ToQString("Redone: ") : Utf8ToQString("Undone: ")) + Utf8ToQString(label) +
               (redo ? kUndoes : Utf8ToQString(" \u2014 Ctrl+Y redoes")));
    ScheduleSave();
}

void frmMain::UndoCommand() {
    CommandHistory& history = m_ctx.db.History();
    history.Seal();
    std::string label = history.UndoLabel();
    if (!history.Undo()) {
        m_ctx.sounds.PlayEventSound(SoundEvent::RejectBookmark);
        return;
    }
    AfterHistoryMove(label, false);
}

void frmMain::RedoCommand() {
    CommandHistory& history = m_ctx.db.History();
    history.Seal();
    std::string label = history.RedoLabel();
    if (!history.Redo()) {
        m_ctx.sounds.PlayEventSound(SoundEvent::RejectBookmark);
        return;
    }
    AfterHistoryMove(label, true);
}

bool frmMain::ClipboardUsable() const {
    return CanDrop(QApplication::clipboard()->mimeData());
}

EditTargets frmMain::CurrentEditTargets() const {
    EditTargets t;
    std::int16_t folder = SelectedFolder();
    bool live = m_ctx.db.IsLiveFolder(folder);
    if (TreeHasFocus() && live) {
        t.cut = CanRenameFolder(m_ctx.db, folder) || m_ctx.db.InTrash(folder);
        t.copy = folder != kTrashFolder;
        t.paste = ClipboardUsable();
    } else if (ListHasFocus() && live) {
        bool any = !ListView->SelectedBookmarks().empty() || SelectedBookmark() != 0;
        t.cut = any;
        t.copy = any;
        t.paste = ClipboardUsable();
    }
    return t;
}

void frmMain::EditCommand(int index) {
    bool tree = TreeHasFocus();
    bool list = ListHasFocus();
    EditTargets t = CurrentEditTargets();
    bool allowed = (index == edit_menu::kPaste && t.paste) || (index == edit_menu::kCopy && t.copy) ||
                   ((index == edit_menu::kCut || index == edit_menu::kDelete) && t.cut);
    if (!allowed || (!tree && !list)) {
        if (index == edit_menu::kDelete)
            HandleMainKey(Qt::Key_Delete); // says no in its own way
        else
            m_ctx.sounds.PlayEventSound(SoundEvent::RejectBookmark);
        return;
    }
    switch (index) {
    case edit_menu::kCut:
    case edit_menu::kCopy:
        if (tree)
            CutOrCopyFolder(SelectedFolder(), index == edit_menu::kCut);
        else
            CutOrCopyBookmarks(index == edit_menu::kCut);
        break;
    case edit_menu::kPaste:
        PasteInto(SelectedFolder());
        break;
    case edit_menu::kDelete:
        HandleMainKey(Qt::Key_Delete);
        break;
    default:
        break;
    }
}

void frmMain::CutOrCopyBookmarks(bool cut) {
    std::int16_t folder = SelectedFolder();
    std::vector<std::int32_t> keys = ListView->SelectedBookmarks();
    if (keys.empty() && SelectedBookmark())
        keys.push_back(SelectedBookmark());
    if (keys.empty() || !m_ctx.db.IsLiveFolder(folder)) {
        m_ctx.sounds.PlayEventSound(SoundEvent::RejectBookmark);
        return;
    }
    QApplication::clipboard()->setMimeData(ClipboardData(m_ctx.db, folder, keys, cut));
    QString what = CountOf(static_cast<qsizetype>(keys.size()), "bookmark");
    ShowStatus(cut ? what + Utf8ToQString(" cut: paste where they should go")
                   : what + Utf8ToQString(" copied"));
}

void frmMain::CutOrCopyFolder(std::int16_t folder, bool cut) {
    Database& db = m_ctx.db;
    if (!db.IsLiveFolder(folder) || (cut && !CanRenameFolder(db, folder) && !db.InTrash(folder)) ||
        (!cut && folder == kTrashFolder)) {
        m_ctx.sounds.PlayEventSound(SoundEvent::RejectBookmark);
        return;
    }
    QApplication::clipboard()->setMimeData(ClipboardData(db, folder, {}, cut));
    ShowStatus(Utf8ToQString("Folder ") + Quoted(db.FolderName(folder)) +
               (cut ? Utf8ToQString(" cut: paste where it should go") : Utf8ToQString(" copied")));
}

void frmMain::PasteInto(std::int16_t folder) {
    Database& db = m_ctx.db;
    PasteOutcome outcome;
    {
        WaitCursor wait;
        outcome = PasteClipboard(db, m_ctx.reg, QApplication::clipboard()->mimeData(), folder);
    }
    if (!outcome.message.isEmpty())
        m_ctx.dialogs.Message(this, outcome.message, {}, MsgButtons::Ok, MsgIcon::Exclamation);
    if (!outcome.changed) {
        m_ctx.sounds.PlayEventSound(SoundEvent::RejectBookmark);
        return;
    }
    RefreshViews();
    SelectFolder(folder);
    ShowStatus(ItemsText(outcome.bookmarks, outcome.folders) + Utf8ToQString(" pasted into ") +
               Quoted(db.FolderName(folder)) + kUndoes);
    ScheduleSave();
}

void frmMain::RestoreSelectedBookmarks() {
    Database& db = m_ctx.db;
    std::int16_t folder = SelectedFolder();
    std::vector<std::int32_t> keys = ListView->SelectedBookmarks();
    if (keys.empty() && SelectedBookmark())
        keys.push_back(SelectedBookmark());
    if (keys.empty() || !db.IsLiveFolder(folder) || !db.IsWithin(folder, kTrashFolder)) {
        m_ctx.sounds.PlayEventSound(SoundEvent::RejectBookmark);
        return;
    }
    std::int16_t target = 0;
    bool several = false;
    std::size_t restored = 0;
    {
        HistoryStep step(db, "Restore " +
                                 QStringToUtf8(CountOf(static_cast<qsizetype>(keys.size()), "bookmark")));
        for (std::int32_t key : keys) {
            std::int32_t pos = std::as_const(db).Marks(folder).PositionOf(key);
            if (pos == 0)
                continue;
            std::int16_t to = RestoreTarget(db, std::as_const(db).Marks(folder).At(pos).Reserved);
            if (RestoreBookmark(db, folder, key)) {
                ++restored;
                several |= target != 0 && to != target;
                target = to;
            }
        }
    }
    FillBookmarkList();
    if (restored == 0)
        return;
    ShowStatus(CountOf(static_cast<qsizetype>(restored), "bookmark") + Utf8ToQString(" restored to ") +
               (several ? Utf8ToQString("the folders they came from") : Quoted(db.FolderName(target))) +
               kUndoes);
    ScheduleSave();
}

void frmMain::RestoreFolderCommand(std::int16_t folder) {
    Database& db = m_ctx.db;
    std::string name = db.FolderName(folder);
    bool done;
    {
        HistoryStep step(db, "Restore Folder " + QStringToUtf8(Quoted(name)));
        done = RestoreFolder(db, folder);
    }
    if (!done) {
        m_ctx.sounds.PlayEventSound(SoundEvent::RejectBookmark);
        return;
    }
    SelectFolder(folder);
    ShowStatus(Utf8ToQString("Folder ") + Quoted(name) + Utf8ToQString(" restored to ") +
               Quoted(db.FolderName(db.Folder(folder).Parent)) + kUndoes);
    ScheduleSave();
}

void frmMain::OpenDocument(const QString& target) {
    OpenPage(m_ctx, target);
}

void frmMain::BringForward() {
    QWidget* window = this;
    if (!isVisible() && buttons && buttons->Toolbar())
        window = buttons->Toolbar();
    window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->show();
    window->raise();
    window->activateWindow();
}

void frmMain::EditFolderLabel(std::int16_t folder) {
    if (QTreeWidgetItem* item = TreeView->Node(Utf8ToQString(FolderNodeKey(folder)))) {
        TreeView->setCurrentItem(item);
        TreeView->scrollToItem(item);
        TreeView->setFocus();
        TreeView->editItem(item, 0);
    }
}

void frmMain::TreeLabelEdited(QTreeWidgetItem* item) {
    std::int16_t folder = KeyToInt(QStringToUtf8(FolderTree::KeyOf(item)));
    if (!m_ctx.db.IsLiveFolder(folder))
        return;
    const FolderRecord& f = std::as_const(m_ctx.db).Folder(folder);
    std::string typed = QStringToUtf8(item->text(0));
    std::string name(text::TrimSpaces(typed));
    if (name.empty()) {
        // A folder without a name could not be told apart: keep the old one.
        TreeView->SetNodeText(FolderNodeKey(folder), f.Name.Text());
        return;
    }
    if (text::CutToBytes(name, 128) == f.Name.Text())
        return;
    {
        HistoryStep step(m_ctx.db, "Rename Folder");
        m_ctx.db.Folder(folder).Name.Set(typed);
    }
    TreeView->SetNodeText(FolderNodeKey(folder), f.Name.Text());
    rtDetail->Tag.clear();
    ScheduleSave();
}

void frmMain::TreeContextMenu(const QPoint& pos) {
    QTreeWidgetItem* item = TreeView->itemAt(pos);
    if (!item)
        return;
    TreeView->setCurrentItem(item);
    std::int16_t folder = KeyToInt(QStringToUtf8(FolderTree::KeyOf(item)));
    m_menus->PopupFolderMenu(PrepareFolderMenu(m_ctx.db, folder, true, ClipboardUsable()),
                             TreeView->viewport()->mapToGlobal(pos));
}

void frmMain::ListContextMenu(const QPoint& pos) {
    QTreeWidgetItem* item = ListView->itemAt(pos);
    std::int32_t key = KeyToLong(QStringToUtf8(BookmarkList::KeyOf(item)));
    if (key)
        m_ctx.db.Marks(SelectedFolder()).Copy(key);
    std::int16_t folder = SelectedFolder();
    bool inTrash = m_ctx.db.IsLiveFolder(folder) && m_ctx.db.IsWithin(folder, kTrashFolder);
    m_menus->PopupBookmarkMenu(PrepareBookmarkMenu(key, ClipboardUsable(), inTrash),
                               ListView->viewport()->mapToGlobal(pos));
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == TreeView->viewport() && event->type() == QEvent::MouseMove) {
        Q_EMIT pointerMovedOffButtons();
        auto* me = static_cast<QMouseEvent*>(event);
        std::int16_t folder = TreeView->FolderAt(me->position().toPoint());
        if (folder)
            ShowFolderSummary(folder);
        else
            ClearSummary();
    } else if (watched == ListView->viewport() && event->type() == QEvent::MouseMove) {
        Q_EMIT pointerMovedOffButtons();
        auto* me = static_cast<QMouseEvent*>(event);
        QTreeWidgetItem* item = ListView->itemAt(me->position().toPoint());
        if (!item)
            ClearSummary();
        else if (std::int32_t key = KeyToLong(QStringToUtf8(BookmarkList::KeyOf(item))))
            ShowBookmarkSummary(SelectedFolder(), key);
    } else if (watched == ListView->viewport() && event->type() == QEvent::MouseButtonPress) {
        // The pressed row waits in the copy buffer, ready for a drag or the properties.
        auto* me = static_cast<QMouseEvent*>(event);
        if (std::int32_t key = ListView->BookmarkAt(me->position().toPoint()))
            m_ctx.db.Marks(SelectedFolder()).Copy(key);
    } else if (watched == imgLogo && event->type() == QEvent::MouseButtonRelease) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            OpenDocument(Utf8ToQString(LoadResString(3)));
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::mouseMoveEvent(QMouseEvent* event) {
    Q_EMIT pointerMovedOffButtons();
    QMainWindow::mouseMoveEvent(event);
}

std::int16_t frmMain::ChooseFolder(QWidget* parent, const QString& prompt) {
    return m_ctx.dialogs.ChooseFolder(parent, m_ctx.db, prompt);
}

void frmMain::ShowFind() {
    frmFind find(*this);
    m_ctx.dialogs.RunDialog(find);
}

void frmMain::ScheduleSave() {
    m_saveTimer.start();
}

bool frmMain::SaveNow() {
    m_saveTimer.stop();
    if (m_purged)
        return false;
    std::string error;
    if (m_ctx.db.Save(&error)) {
        m_saveFailureShown = false;
        return true;
    }
    if (!m_saveFailureShown) {
        m_saveFailureShown = true;
        m_ctx.dialogs.Message(this,
                              Utf8ToQString(error) +
                                  QStringLiteral("\n\nYour changes are kept while Vireo runs and are "
                                                 "saved again with the next change or when you exit."),
                              {}, MsgButtons::Ok, MsgIcon::Critical);
    }
    return false;
}

bool frmMain::SaveData(std::string* error, bool mayAsk) {
    m_saveTimer.stop();
    if (m_purged)
        return true;
    SaveDataHooks hooks;
    if (mayAsk) {
        hooks.askEmptyTrash = [this] {
            frmTrashQuery query(m_ctx.db, m_ctx.reg, this);
            m_ctx.dialogs.RunDialog(query);
        };
    }
    hooks.showSummary = [this](std::string_view rtf) {
        rtDetail->Tag.clear();
        rtDetail->SetRtf(Utf8ToQString(rtf));
        rtDetail->repaint();
    };
    // The place of the window as the user left it (not maximised or minimised).
    QRect place = isMaximized() || isMinimized() ? normalGeometry() : geometry();
    hooks.windowPosition = WindowPosition{place.y(), place.x(), place.width(), place.height()};
    hooks.buildHomePage = [this](std::string* err) {
        std::string file;
        std::int16_t folder = 0;
        return BuildHomePage(m_ctx.db, m_ctx.reg, file, folder, err);
    };
    return vireo::SaveData(m_ctx.db, m_ctx.reg, hooks, error);
}

int frmMain::EndOnRequest() {
    if (m_closing)
        return 0;
    m_closing = true;
    std::string error;
    bool saved = SaveData(&error, false);
    if (!saved && m_ctx.db.IsOpen() && !m_ctx.db.Purged())
        std::cerr << "vireo: the changes could not be saved before ending: " << error << '\n';
    // Every event loop ends, also that of a dialog still open.
    QCoreApplication::exit(saved ? 0 : 1);
    return saved ? 0 : 1;
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (m_closing) {
        event->accept();
        return;
    }
    // A running search keeps the program open: its hits are still to be filed.
    if (searchWindows && !searchWindows->MayClose()) {
        event->ignore();
        return;
    }
    // A running sync is stopped at its next step first; the window closes after it.
    if (syncWindows && !syncWindows->MayClose()) {
        event->ignore();
        return;
    }
    if (searchWindows)
        searchWindows->CloseAll();
    std::string error;
    bool saved;
    {
        WaitCursor wait;
        saved = SaveData(&error);
    }
    if (!saved && m_ctx.db.IsOpen() && !m_ctx.db.Purged()) {
        // Leaving now would lose what the disk could not take: let the user decide.
        MsgResult answer = m_ctx.dialogs.Message(
            this,
            Utf8ToQString(error) +
                QStringLiteral("\n\nClose Vireo anyway? Changes made since the last successful save "
                               "would be lost."),
            {}, MsgButtons::YesNo, MsgIcon::Critical);
        if (answer != MsgResult::Yes) {
            event->ignore();
            return;
        }
    }
    m_closing = true;
    event->accept();
}

} // namespace vireo

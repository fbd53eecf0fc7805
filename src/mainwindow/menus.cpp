// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/menus.h"

#include <QMenuBar>

#include "mainwindow/facades.h"
#include "mainwindow/main_window.h"
#include "mainwindow/menu_commands.h"
#include "platform/paths.h"
#include "store/database.h"

namespace vireo {

QMenu* MainMenus::AddMenu(QMenu* menu, const QString& title, std::vector<QAction*>& slots,
                          const std::vector<QString>& captions, void (*dispatch)(frmMain&, int)) {
    menu->setTitle(title);
    slots.assign(captions.size() + 1, nullptr);
    for (std::size_t i = 0; i < captions.size(); ++i) {
        const int index = static_cast<int>(i + 1);
        QAction* action = nullptr;
        if (captions[i] == QLatin1String("-")) {
            action = menu->addSeparator();
        } else {
            action = menu->addAction(captions[i]);
            if (dispatch)
                connect(action, &QAction::triggered, this,
                        [this, dispatch, index] { dispatch(m_window, index); });
        }
        action->setData(index);
        slots[static_cast<std::size_t>(index)] = action;
    }
    return menu;
}

void MainMenus::PrepareProfileMenu() {
    m_profiles->clear();
    m_foundProfiles = FindAllProfiles(sys::HomeDir());
    if (m_foundProfiles.empty()) {
        m_profiles->addAction(QStringLiteral("(No browser profiles found)"))->setEnabled(false);
        return;
    }
    for (std::size_t i = 0; i < m_foundProfiles.size(); ++i) {
        const BrowserProfile& p = m_foundProfiles[i];
        QAction* action =
            m_profiles->addAction(Utf8ToQString(p.browser) + QStringLiteral(": ") + Utf8ToQString(p.name) +
                                  (p.isDefault ? QStringLiteral(" (default)") : QString()));
        action->setToolTip(Utf8ToQString(p.path));
        action->setData(static_cast<int>(i));
        connect(action, &QAction::triggered, this, [this, i] {
            if (i < m_foundProfiles.size())
                ImportProfileCommand(m_window, BrowserProfile(m_foundProfiles[i]));
        });
    }
}

MainMenus::MainMenus(frmMain& window) : QObject(&window), m_window(window) {
    QMenuBar* bar = window.menuBar();
    mnuMain.assign(main_menu::kHelp + 1, nullptr);

    // The first two hold the context menus; they never show in the bar.
    m_node = new QMenu(&window);
    m_node->setObjectName(QStringLiteral("mnuNode"));
    AddMenu(m_node, Utf8ToQString("x"), mnuNode,
            {Utf8ToQString("Rerun &Search"), Utf8ToQString("&New Folder"), Utf8ToQString("&Rename"),
             Utf8ToQString("-"), Utf8ToQString("&View as Web page"), Utf8ToQString("View as &Home page"),
             Utf8ToQString("-"), Utf8ToQString("Cu&t"), Utf8ToQString("&Copy"), Utf8ToQString("&Paste"),
             Utf8ToQString("-"), Utf8ToQString("&Move"), Utf8ToQString("&Empty"), Utf8ToQString("&Delete"),
             Utf8ToQString("Restore"), Utf8ToQString("-"), Utf8ToQString("P&roperties")},
            &FolderMenuCommand);
    m_mark = new QMenu(&window);
    m_mark->setObjectName(QStringLiteral("mnuMark"));
    AddMenu(m_mark, Utf8ToQString("x2"), mnuMark,
            {Utf8ToQString("&New Bookmark"), Utf8ToQString("&Open"), Utf8ToQString("&Search for this"),
             Utf8ToQString("-"), Utf8ToQString("Cu&t"), Utf8ToQString("&Copy"), Utf8ToQString("&Paste"),
             Utf8ToQString("-"), Utf8ToQString("&Move"), Utf8ToQString("&Delete"), Utf8ToQString("Restore"),
             Utf8ToQString("-"), Utf8ToQString("P&roperties")},
            &BookmarkMenuCommand);
    // Check Links sits with the views of the folder; its index comes after the others.
    QAction* checkLinks = new QAction(Utf8ToQString("Check &Links"), m_node);
    checkLinks->setData(folder_menu::kCheckLinks);
    m_node->insertAction(mnuNode[folder_menu::kClipboardSeparator], checkLinks);
    connect(checkLinks, &QAction::triggered, this,
            [this] { FolderMenuCommand(m_window, folder_menu::kCheckLinks); });
    mnuNode.push_back(checkLinks);
    mnuMain[main_menu::kFolderMenu] = m_node->menuAction();
    mnuMain[main_menu::kBookmarkMenu] = m_mark->menuAction();

    auto* file = new QMenu(bar);
    file->setObjectName(QStringLiteral("mnuFile"));
    AddMenu(file, Utf8ToQString("&File"), mnuFile,
            {Utf8ToQString("View My Homepage"), Utf8ToQString("-"), Utf8ToQString("&Import"),
             Utf8ToQString("&Export"), Utf8ToQString("-"), Utf8ToQString("E&xit")},
            &FileMenuCommand);
    auto* import = new QMenu(file);
    import->setObjectName(QStringLiteral("mnuImport"));
    AddMenu(import, Utf8ToQString("&Import"), mnuImport,
            {Utf8ToQString("&Explorer/Favorites"), Utf8ToQString("&Netscape"), Utf8ToQString("From &HTML"),
             Utf8ToQString("From &Firefox..."), Utf8ToQString("From C&hrome/Chromium..."),
             Utf8ToQString("From &XBEL / KDE..."), Utf8ToQString("From &Browser Profile")},
            &ImportMenuCommand);
    mnuFile[file_menu::kImport]->setMenu(import);
    // Every profile found on this machine, newest first, looked for each time it opens.
    m_profiles = new QMenu(import);
    m_profiles->setObjectName(QStringLiteral("mnuImportProfile"));
    mnuImport[import_menu::kBrowserProfile]->setMenu(m_profiles);
    connect(m_profiles, &QMenu::aboutToShow, this, &MainMenus::PrepareProfileMenu);
    auto* exportMenu = new QMenu(file);
    exportMenu->setObjectName(QStringLiteral("mnuExport"));
    AddMenu(exportMenu, Utf8ToQString("&Export"), mnuExport,
            {Utf8ToQString("To &Explorer/Favorites"), Utf8ToQString("To &Netscape"),
             Utf8ToQString("To &HTML"), Utf8ToQString("To &XBEL...")},
            &ExportMenuCommand);
    mnuFile[file_menu::kExport]->setMenu(exportMenu);
    mnuMain[main_menu::kFile] = bar->addMenu(file);

    // A hidden menu whose only working entry is the purge of the whole database.
    auto* test = new QMenu(bar);
    test->setObjectName(QStringLiteral("mnuTest"));
    AddMenu(test, Utf8ToQString("Test Stuff"), mnuTest,
            {Utf8ToQString("&Purge Database"), Utf8ToQString("Test One")}, &TestMenuCommand);
    mnuMain[main_menu::kTest] = bar->addMenu(test);
    mnuMain[main_menu::kTest]->setVisible(false);
    // Edit: the history of changes and the clipboard, between File and Search.
    auto* edit = new QMenu(bar);
    edit->setObjectName(QStringLiteral("mnuEdit"));
    AddMenu(edit, Utf8ToQString("&Edit"), mnuEdit,
            {Utf8ToQString("&Undo"), Utf8ToQString("&Redo"), Utf8ToQString("-"), Utf8ToQString("Cu&t"),
             Utf8ToQString("&Copy"), Utf8ToQString("&Paste"), Utf8ToQString("-"), Utf8ToQString("&Delete")},
            &EditMenuCommand);
    mnuEdit[edit_menu::kUndo]->setShortcut(QKeySequence::Undo);
    mnuEdit[edit_menu::kRedo]->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    mnuEdit[edit_menu::kCut]->setShortcut(QKeySequence::Cut);
    mnuEdit[edit_menu::kCopy]->setShortcut(QKeySequence::Copy);
    mnuEdit[edit_menu::kPaste]->setShortcut(QKeySequence::Paste);
    mnuEdit[edit_menu::kDelete]->setShortcut(QKeySequence(Qt::Key_Delete));
    for (QAction* action : mnuEdit) {
        if (action && !action->isSeparator())
            window.addAction(action); // the keys work while the menu is closed
    }
    mnuMain[main_menu::kEdit] = bar->addMenu(edit);
    connect(edit, &QMenu::aboutToShow, this, &MainMenus::PrepareEditMenu);
    // The clipboard entries decide for themselves when used by their keys.
    connect(edit, &QMenu::aboutToHide, this, [this] {
        for (int i : {edit_menu::kCut, edit_menu::kCopy, edit_menu::kPaste, edit_menu::kDelete})
            mnuEdit[static_cast<std::size_t>(i)]->setEnabled(true);
    });
    UpdateHistoryEntries();

    auto* search = new QMenu(bar);
    search->setObjectName(QStringLiteral("mnuSearch"));
    AddMenu(search, Utf8ToQString("&Search"), mnuSearch,
            {Utf8ToQString("Run"), Utf8ToQString("Rerun Search"), Utf8ToQString("Update Results"),
             Utf8ToQString("-"), Utf8ToQString("Manage Groups"), Utf8ToQString("Update Engines")},
            &SearchMenuCommand);
    auto* run = new QMenu(search);
    run->setObjectName(QStringLiteral("mnuRunSearch"));
    AddMenu(run, Utf8ToQString("Run"), mnuRunSearch, {Utf8ToQString("Quick"), Utf8ToQString("Advanced")},
            &RunSearchMenuCommand);
    mnuSearch[search_menu::kRun]->setMenu(run);
    mnuMain[main_menu::kSearch] = bar->addMenu(search);
    connect(search, &QMenu::aboutToShow, this, &MainMenus::PrepareSearchMenu);
    // Updating a results folder in place was never offered.
    mnuSearch[search_menu::kUpdateResults]->setEnabled(false);

    auto* tools = new QMenu(bar);
    tools->setObjectName(QStringLiteral("mnuTools"));
    AddMenu(tools, Utf8ToQString("&Tools"), mnuTools,
            {Utf8ToQString("&Find in Vireo!"), Utf8ToQString("-"), Utf8ToQString("&Empty Trash"),
             Utf8ToQString("&My Homepage Options"), Utf8ToQString("&Verify Links"), Utf8ToQString("-"),
             Utf8ToQString("&Options..."), Utf8ToQString("S&ync...")},
            &ToolsMenuCommand);
    mnuMain[main_menu::kTools] = bar->addMenu(tools);

    auto* help = new QMenu(bar);
    help->setObjectName(QStringLiteral("mnuHelp"));
    AddMenu(help, Utf8ToQString("&Help"), mnuHelp,
            {Utf8ToQString("&Help Topics"), Utf8ToQString("-"), Utf8ToQString("Contents"),
             Utf8ToQString("Check for &Update Now"), Utf8ToQString("Sky&lark!"), Utf8ToQString("-"),
             Utf8ToQString("&Vireo! Web Site"), Utf8ToQString("Support Online"), Utf8ToQString("&About")},
            &HelpMenuCommand);
    mnuHelp[help_menu::kContents]->setVisible(false);
    mnuHelp[help_menu::kCheckForUpdate]->setEnabled(false);
    mnuHelp[help_menu::kHelpTopics]->setShortcut(QKeySequence::HelpContents);
    mnuMain[main_menu::kHelp] = bar->addMenu(help);

    mnuFile[file_menu::kExit]->setShortcut(QKeySequence::Quit);
    mnuNode[folder_menu::kRename]->setShortcut(Qt::Key_F2);
    mnuNode[folder_menu::kRename]->setShortcutContext(Qt::WidgetShortcut);
}

void MainMenus::ApplyFolderMenu(const FolderMenuState& state) {
    for (int i = 1; i <= kFolderMenuEntries; ++i) {
        mnuNode[static_cast<std::size_t>(i)]->setVisible(state[static_cast<std::size_t>(i)].visible);
        mnuNode[static_cast<std::size_t>(i)]->setEnabled(state[static_cast<std::size_t>(i)].enabled);
    }
    // Link checking goes with the views: not for folders in the trash, and only when
    // there is something to check.
    std::int16_t folder = m_window.SelectedFolder();
    const bool views = state[folder_menu::kViewAsHomePage].visible;
    mnuNode[folder_menu::kCheckLinks]->setVisible(views);
    mnuNode[folder_menu::kCheckLinks]->setEnabled(views && m_window.Db().FolderHasMarks(folder));
}

void MainMenus::ApplyBookmarkMenu(const BookmarkMenuState& state) {
    for (int i = 1; i <= kBookmarkMenuEntries; ++i) {
        mnuMark[static_cast<std::size_t>(i)]->setVisible(state[static_cast<std::size_t>(i)].visible);
        mnuMark[static_cast<std::size_t>(i)]->setEnabled(state[static_cast<std::size_t>(i)].enabled);
    }
}

void MainMenus::PopupFolderMenu(const FolderMenuState& state, const QPoint& globalPos) {
    ApplyFolderMenu(state);
    m_node->popup(globalPos);
}

void MainMenus::PopupBookmarkMenu(const BookmarkMenuState& state, const QPoint& globalPos) {
    ApplyBookmarkMenu(state);
    m_mark->popup(globalPos);
}

void MainMenus::UpdateHistoryEntries() {
    const CommandHistory& history = m_window.Db().History();
    bool undo = history.CanUndo();
    bool redo = history.CanRedo();
    // A name with "&" in it must not give the entry a mnemonic.
    auto caption = [](const std::string& label) {
        return Utf8ToQString(label).replace(QLatin1Char('&'), Utf8ToQString("&&"));
    };
    mnuEdit[edit_menu::kUndo]->setText(undo ? Utf8ToQString("&Undo ") + caption(history.UndoLabel())
                                            : Utf8ToQString("&Undo"));
    mnuEdit[edit_menu::kRedo]->setText(redo ? Utf8ToQString("&Redo ") + caption(history.RedoLabel())
                                            : Utf8ToQString("&Redo"));
    mnuEdit[edit_menu::kUndo]->setEnabled(undo);
    mnuEdit[edit_menu::kRedo]->setEnabled(redo);
}

void MainMenus::PrepareEditMenu() {
    m_window.Db().History().Seal();
    UpdateHistoryEntries();
    EditTargets targets = m_window.CurrentEditTargets();
    mnuEdit[edit_menu::kCut]->setEnabled(targets.cut);
    mnuEdit[edit_menu::kCopy]->setEnabled(targets.copy);
    mnuEdit[edit_menu::kPaste]->setEnabled(targets.paste);
    mnuEdit[edit_menu::kDelete]->setEnabled(targets.cut);
}

void MainMenus::PrepareSearchMenu() {
    // Rerun Search applies to a folder of search results only.
    mnuSearch[search_menu::kRerunSearch]->setEnabled(
        CanRerunSearch(m_window.Db(), m_window.SelectedFolder()));
}

} // namespace vireo

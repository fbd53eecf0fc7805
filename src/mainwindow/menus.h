// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The menu bar and the two context menus of the main window. Every entry keeps its index
// in its menu (menu_entries.h), which is what the dispatchers of menu_commands.h receive.

#include <QAction>
#include <QMenu>
#include <array>
#include <vector>

#include "interchange/browser_import.h"
#include "mainwindow/menu_entries.h"
#include "mainwindow/menu_rules.h"

namespace vireo {

class frmMain;

// Which clipboard commands apply to what has the focus.
struct EditTargets {
    bool cut = false; // also Delete
    bool copy = false;
    bool paste = false;
};

class MainMenus : public QObject {
    Q_OBJECT
public:
    explicit MainMenus(frmMain& window);

    // Entries by index ([0] unused; null where the index is reserved).
    std::vector<QAction*> mnuMain;
    std::vector<QAction*> mnuNode;
    std::vector<QAction*> mnuMark;
    std::vector<QAction*> mnuFile;
    std::vector<QAction*> mnuEdit;
    std::vector<QAction*> mnuImport;
    std::vector<QAction*> mnuExport;
    std::vector<QAction*> mnuSearch;
    std::vector<QAction*> mnuRunSearch;
    std::vector<QAction*> mnuTools;
    std::vector<QAction*> mnuHelp;
    std::vector<QAction*> mnuTest;

    QMenu* NodeMenu() const { return m_node; }
    QMenu* MarkMenu() const { return m_mark; }

    void ApplyFolderMenu(const FolderMenuState& state);
    void ApplyBookmarkMenu(const BookmarkMenuState& state);
    void PopupFolderMenu(const FolderMenuState& state, const QPoint& globalPos);
    void PopupBookmarkMenu(const BookmarkMenuState& state, const QPoint& globalPos);
    // The Search menu is prepared each time it opens.
    void PrepareSearchMenu();
    // So is the Import menu's list of browser profiles.
    void PrepareProfileMenu();
    QMenu* ProfileMenu() const { return m_profiles; }
    void PrepareEditMenu();
    // Undo and Redo name the step they would take back or do again.
    void UpdateHistoryEntries();

private:
    QMenu* AddMenu(QMenu* parent, const QString& title, std::vector<QAction*>& slots,
                   const std::vector<QString>& captions, void (*dispatch)(frmMain&, int));

    frmMain& m_window;
    QMenu* m_node = nullptr;
    QMenu* m_mark = nullptr;
    QMenu* m_profiles = nullptr;
    std::vector<BrowserProfile> m_foundProfiles;
};

} // namespace vireo

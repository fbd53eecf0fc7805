// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The menu bar and the two context menus of the main window. Every entry keeps its index
// in its menu (separators and hidden entries count), which is what the dispatchers of
// menu_commands.h receive.

#include <QAction>
#include <QMenu>
#include <array>
#include <vector>

#include "interchange/browser_import.h"
#include "mainwindow/menu_rules.h"

namespace vireo {

class frmMain;

// The folder menu's Check Links entry, shown after the views but numbered after the rest.
inline constexpr int kCheckLinksEntry = kFolderMenuEntries + 1;
// The Import menu's submenu of the browser profiles found.
inline constexpr int kImportProfileEntry = 7;

// The Edit menu: 1 Undo, 2 Redo, 3 -, 4 Cut, 5 Copy, 6 Paste, 7 -, 8 Delete.
inline constexpr int kEditUndo = 1;
inline constexpr int kEditRedo = 2;
inline constexpr int kEditCut = 4;
inline constexpr int kEditCopy = 5;
inline constexpr int kEditPaste = 6;
inline constexpr int kEditDelete = 8;

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

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Drag and drop in the main window: bookmarks dragged from the list and folders dragged
// from the tree, and the drop targets (tree folders, the list, the window background, the
// side picture, and the floating toolbar's picture through LogoDrop).

#include <QMimeData>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "mainwindow/drops.h"

class QDropEvent;

namespace vireo {

class Database;
class frmMain;

// A private folder inside the temporary folder for the shortcut files our drags hand to
// other programs. Each drag gets a folder of its own, so that the files keep the names of
// their bookmarks; all of it goes when the program ends.
class DragFileArea {
public:
    explicit DragFileArea(std::string tempDir) : m_tempDir(std::move(tempDir)) {}
    // A new empty folder (ending without a separator); "" when none can be made.
    std::string NewFolder();

private:
    std::string m_tempDir;
    std::unique_ptr<QTemporaryDir> m_root;
    int m_next = 0;
};

// The data of a drag that starts here. It announces our private format, text and files,
// and produces each only when a target asks: the text is the addresses, one a line; the
// files are Internet shortcut files, written on demand into the drag file area.
class VireoMimeData : public QMimeData {
    Q_OBJECT
public:
    // Bookmarks `keys` of `folder`.
    static VireoMimeData* ForBookmarks(const Database& db, DragFileArea& files, std::int16_t folder,
                                       std::vector<std::int32_t> keys);
    // The folder itself, with everything below it; `nodeText` names its directory.
    static VireoMimeData* ForFolder(const Database& db, DragFileArea& files, std::int16_t folder,
                                    const QString& nodeText);

    QStringList formats() const override;

    std::int16_t Kind() const { return m_kind; }
    // How often shortcut files were written (once at most, and only when asked for).
    int FileRenderings() const { return m_fileRenderings; }

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

private:
    VireoMimeData(const Database& db, DragFileArea& files, std::int16_t kind, std::int16_t folder)
        : m_db(db), m_files(files), m_kind(kind), m_folder(folder) {}
    QByteArray Payload() const;
    QString Addresses() const;
    const QList<QUrl>& Files() const;

    const Database& m_db;
    DragFileArea& m_files;
    std::int16_t m_kind;
    std::int16_t m_folder;
    std::vector<std::int32_t> m_keys;
    QString m_nodeText;
    mutable std::optional<QList<QUrl>> m_fileUrls;
    mutable int m_fileRenderings = 0;
};

// What a drop carries, whichever program it comes from.
DropContent ReadMimeData(const QMimeData* data);
// Whether a drag carries anything a drop here could use.
bool CanDrop(const QMimeData* data);

class DragDrop : public QObject {
    Q_OBJECT
public:
    explicit DragDrop(frmMain& main);
    ~DragDrop() override;

    // The data a drag from the list (its selected rows) or from the tree (its selected
    // folder) carries; nullptr when there is nothing to drag. The caller owns it.
    VireoMimeData* ListDragData();
    VireoMimeData* TreeDragData();

    // The drop targets, with the position in the tree's viewport. The tree's answer is
    // false when the drop missed every folder.
    bool TreeDrop(const QMimeData* data, const QPoint& viewportPos);
    void ListDrop(const QMimeData* data);
    void FormDrop(const QMimeData* data);
    // The side picture of the main window and of the floating toolbar.
    void LogoDrop(const QMimeData* data);
    // Shortcut files the desktop asked Vireo to open: filed as dropped shortcut files on
    // the window would be, and the last one filed is selected in its folder. The user is
    // told which files could not be filed and why.
    void FileShortcuts(const QStringList& paths);

    // The main window's timer: opens the bookmark dialog for the next dropped link.
    void Timer_Timer();
    std::size_t PendingLinks() const { return m_pending.size(); }

    // Accepts a drag or drop: our own drags move, anything else is copied.
    static void ChooseAction(QDropEvent* event);
    // Accepts (ChooseAction) a drag or drop that carries anything a drop here could use,
    // ignores any other; true when accepted.
    static bool AcceptUsable(QDropEvent* event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    AskForBookmark Asker();
    void AfterDrop(const DropOutcome& outcome);
    void StartDrag(QWidget* source, VireoMimeData* data);
    void TreeDragMove(const QPoint& viewportPos);
    void EndTreeDrag();

    frmMain& m_main;
    // The targets, by the widgets that see the events.
    QPointer<QWidget> m_treePort;
    QPointer<QWidget> m_listPort;
    QPointer<QWidget> m_logo;
    DragFileArea m_files;
    std::deque<BookmarkRecord> m_pending;
    // The press that may become a drag.
    QPointer<QWidget> m_pressWidget;
    QPoint m_pressPos;
    // Hovering over a closed folder opens it; hovering near an edge scrolls.
    QTimer m_expandTimer;
    QTimer m_scrollTimer;
    std::int16_t m_expandFolder = 0;
    int m_scrollStep = 0;
};

} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The folder tree of the main window and of the dialogs that let the user pick a folder:
// a tree widget whose nodes are keyed "x" + folder number, filled and changed by the
// store.

#include <QHash>
#include <QTreeWidget>
#include <functional>

#include "store/store_services.h"

namespace vireo {

class FolderTree : public QTreeWidget, public FolderTreeView {
    Q_OBJECT
public:
    explicit FolderTree(QWidget* parent = nullptr);

    void ClearNodes() override;
    void AddNode(std::string_view parentKey, std::string_view key, std::string_view text, int image) override;
    void MoveNode(std::string_view key, std::string_view newParentKey) override;
    void RemoveNode(std::string_view key) override;
    void SetNodeText(std::string_view key, std::string_view text) override;
    void ExpandNode(std::string_view key) override;
    void SelectNode(std::string_view key) override;

    QTreeWidgetItem* Node(const QString& key) const { return m_nodes.value(key); }
    static QString KeyOf(const QTreeWidgetItem* item);
    // The folder of the selected node (0 when none).
    std::int16_t SelectedFolder() const;
    std::int16_t FolderAt(const QPoint& viewportPos) const;
    bool IsEditing() const { return state() == EditingState; }
    // Whether changes are being made by the program (label edits are the user's only).
    bool Filling() const { return m_filling > 0; }

    // The node shown as the target of a drag in progress (none with nullptr).
    void SetDropHighlight(QTreeWidgetItem* item);
    QTreeWidgetItem* DropHighlight() const;

    // Decides which folders' labels the user may edit (all when unset).
    void SetRenamePolicy(std::function<bool(std::int16_t folder)> canRename) {
        m_canRename = std::move(canRename);
    }

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;

private:
    std::function<bool(std::int16_t)> m_canRename;
    QHash<QString, QTreeWidgetItem*> m_nodes;
    QPersistentModelIndex m_dropHighlight;
    int m_filling = 0;
};

} // namespace vireo

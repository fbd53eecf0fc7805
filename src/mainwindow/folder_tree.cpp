// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/folder_tree.h"

#include <QHeaderView>

#include "mainwindow/app_icons.h"
#include "mainwindow/facades.h"
#include "store/records.h"

namespace vireo {

namespace {
constexpr int kKeyRole = Qt::UserRole;

class FillScope {
public:
    explicit FillScope(int& counter) : m_counter(counter) { ++m_counter; }
    ~FillScope() { --m_counter; }
    FillScope(const FillScope&) = delete;
    FillScope& operator=(const FillScope&) = delete;

private:
    int& m_counter;
};
} // namespace

FolderTree::FolderTree(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(1);
    header()->hide();
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::EditKeyPressed);
    setMouseTracking(true);
    setIconSize(QSize(16, 16));
}

QString FolderTree::KeyOf(const QTreeWidgetItem* item) {
    return item ? item->data(0, kKeyRole).toString() : QString();
}

void FolderTree::ClearNodes() {
    FillScope f(m_filling);
    clear();
    m_nodes.clear();
}

void FolderTree::AddNode(std::string_view parentKey, std::string_view key, std::string_view text, int image) {
    FillScope f(m_filling);
    QString k = Utf8ToQString(key);
    QTreeWidgetItem* parent = m_nodes.value(Utf8ToQString(parentKey));
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    item->setText(0, Utf8ToQString(text));
    item->setIcon(0, ImageListIcon(image));
    item->setData(0, kKeyRole, k);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    m_nodes.insert(k, item);
}

void FolderTree::MoveNode(std::string_view key, std::string_view newParentKey) {
    FillScope f(m_filling);
    QTreeWidgetItem* item = m_nodes.value(Utf8ToQString(key));
    QTreeWidgetItem* target = m_nodes.value(Utf8ToQString(newParentKey));
    if (!item || !target)
        return;
    bool wasCurrent = currentItem() == item;
    QTreeWidgetItem* oldParent = item->parent();
    QTreeWidgetItem* taken = oldParent ? oldParent->takeChild(oldParent->indexOfChild(item))
                                       : takeTopLevelItem(indexOfTopLevelItem(item));
    target->addChild(taken);
    if (wasCurrent)
        setCurrentItem(taken);
}

void FolderTree::RemoveNode(std::string_view key) {
    FillScope f(m_filling);
    QTreeWidgetItem* item = m_nodes.value(Utf8ToQString(key));
    if (!item)
        return;
    // Forget the keys of the whole branch before it goes.
    QList<QTreeWidgetItem*> branch{item};
    for (qsizetype i = 0; i < branch.size(); ++i) {
        m_nodes.remove(KeyOf(branch[i]));
        for (int c = 0; c < branch[i]->childCount(); ++c)
            branch.append(branch[i]->child(c));
    }
    delete item;
}

void FolderTree::SetNodeText(std::string_view key, std::string_view text) {
    FillScope f(m_filling);
    if (QTreeWidgetItem* item = m_nodes.value(Utf8ToQString(key)))
        item->setText(0, Utf8ToQString(text));
}

void FolderTree::ExpandNode(std::string_view key) {
    if (QTreeWidgetItem* item = m_nodes.value(Utf8ToQString(key)))
        item->setExpanded(true);
}

void FolderTree::SelectNode(std::string_view key) {
    if (QTreeWidgetItem* item = m_nodes.value(Utf8ToQString(key))) {
        setCurrentItem(item);
        scrollToItem(item);
    }
}

bool FolderTree::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    if (trigger != NoEditTriggers && m_canRename) {
        QTreeWidgetItem* item = itemFromIndex(index);
        if (item && !m_canRename(KeyToInt(QStringToUtf8(KeyOf(item)))))
            return false;
    }
    return QTreeWidget::edit(index, trigger, event);
}

void FolderTree::SetDropHighlight(QTreeWidgetItem* item) {
    QModelIndex index = item ? indexFromItem(item) : QModelIndex();
    if (index == m_dropHighlight)
        return;
    m_dropHighlight = index;
    viewport()->update();
}

QTreeWidgetItem* FolderTree::DropHighlight() const {
    return m_dropHighlight.isValid() ? itemFromIndex(m_dropHighlight) : nullptr;
}

void FolderTree::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    if (index != m_dropHighlight || !m_dropHighlight.isValid()) {
        QTreeWidget::drawRow(painter, option, index);
        return;
    }
    // The drop target is drawn as a selected row, as the user knows it from every tree.
    QStyleOptionViewItem highlighted(option);
    highlighted.state |= QStyle::State_Selected | QStyle::State_Active;
    QTreeWidget::drawRow(painter, highlighted, index);
}

std::int16_t FolderTree::SelectedFolder() const {
    return KeyToInt(QStringToUtf8(KeyOf(currentItem())));
}

std::int16_t FolderTree::FolderAt(const QPoint& viewportPos) const {
    return KeyToInt(QStringToUtf8(KeyOf(itemAt(viewportPos))));
}

} // namespace vireo

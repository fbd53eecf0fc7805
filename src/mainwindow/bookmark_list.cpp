// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/bookmark_list.h"

#include <QHeaderView>

#include "mainwindow/app_icons.h"
#include "mainwindow/facades.h"
#include "store/database.h"

namespace vireo {

namespace {

constexpr int kKeyRole = Qt::UserRole;

// Rows sort by the text of the sort column, without regard to case.
class ListRow : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        auto* list = static_cast<const BookmarkList*>(treeWidget());
        int column = list ? list->SortKey() : 0;
        return text(column).compare(other.text(column), Qt::CaseInsensitive) < 0;
    }
};

} // namespace

BookmarkList::BookmarkList(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(4);
    setHeaderLabels({QStringLiteral("Name"), QStringLiteral("URL"), QStringLiteral("Rank"),
                     QStringLiteral("Last Used/Modified")});
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setMouseTracking(true);
    setIconSize(QSize(16, 16));
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(true);
    header()->setStretchLastSection(false);
    header()->resizeSection(0, 260);
    header()->resizeSection(1, 300);
    header()->resizeSection(2, 50);
    header()->resizeSection(3, 150);
    connect(header(), &QHeaderView::sectionClicked, this, &BookmarkList::ColumnClick);
    ApplySort();
}

QString BookmarkList::KeyOf(const QTreeWidgetItem* item) {
    return item ? item->data(0, kKeyRole).toString() : QString();
}

void BookmarkList::Fill(const Database& db, std::int16_t folder) {
    setUpdatesEnabled(false);
    clear();
    QList<QTreeWidgetItem*> rows;
    if (!db.IsSlot(folder) || db.Marks(folder).Count() == 0) {
        rows << new ListRow(QStringList{QStringLiteral("(Empty)")});
    } else {
        const clsBookmark& marks = db.Marks(folder);
        const clsMemo& memo = db.Memo();
        const QIcon icon = ImageListIcon(2);
        rows.reserve(marks.Count());
        for (std::int32_t pos = 1; pos <= marks.Total(); ++pos) {
            const BookmarkRecord& r = marks.At(pos);
            if (r.key == 0)
                continue;
            QString title = Q(memo.GetMemo(r.Name));
            if (title.isEmpty())
                title = QStringLiteral("(No Title)");
            QString rank = r.Rank > 0 ? QStringLiteral("%1").arg(r.Rank, 4, 10, QLatin1Char('0')) : QString();
            QString touched = r.Touched > 0 ? Q(FormatGeneralDate(r.Touched)) : QString();
            auto* row = new ListRow(QStringList{title, Q(memo.GetMemo(r.url)), rank, touched});
            row->setIcon(0, icon);
            row->setData(0, kKeyRole, QString(QLatin1Char('b') + QString::number(r.key)));
            rows << row;
        }
    }
    addTopLevelItems(rows);
    ApplySort();
    setUpdatesEnabled(true);
}

void BookmarkList::ColumnClick(int column) {
    if (column == m_sortKey)
        m_sortOrder = m_sortOrder == Qt::DescendingOrder ? Qt::AscendingOrder : Qt::DescendingOrder;
    else
        m_sortKey = column;
    ApplySort();
}

void BookmarkList::ApplySort() {
    // The header flips its own indicator on a click; ours is the rule that counts.
    QSignalBlocker block(header());
    header()->setSortIndicator(m_sortKey, m_sortOrder);
    sortItems(m_sortKey, m_sortOrder);
}

std::int32_t BookmarkList::SelectedBookmark() const {
    return KeyToLong(S(KeyOf(currentItem())));
}

std::int32_t BookmarkList::BookmarkAt(const QPoint& viewportPos) const {
    return KeyToLong(S(KeyOf(itemAt(viewportPos))));
}

std::vector<std::int32_t> BookmarkList::SelectedBookmarks() const {
    std::vector<std::int32_t> keys;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = topLevelItem(i);
        if (item->isSelected()) {
            if (std::int32_t k = KeyToLong(S(KeyOf(item))))
                keys.push_back(k);
        }
    }
    return keys;
}

QTreeWidgetItem* BookmarkList::Row(std::int32_t key) const {
    QString k = QLatin1Char('b') + QString::number(key);
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (KeyOf(topLevelItem(i)) == k)
            return topLevelItem(i);
    }
    return nullptr;
}

} // namespace vireo

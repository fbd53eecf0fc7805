// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The bookmark list of the main window: one row per live bookmark of the selected folder,
// four columns sorted by their text, each row keyed "b" + bookmark key.

#include <QTreeWidget>

namespace vireo {

class Database;

class BookmarkList : public QTreeWidget {
    Q_OBJECT
public:
    explicit BookmarkList(QWidget* parent = nullptr);

    // Fills the list with the bookmarks of `folder`; "(Empty)" when it has none.
    void Fill(const Database& db, std::int16_t folder);
    // Gives each row the icon its bookmark in `folder` calls for now (after a link check
    // marked some), keeping the rows, the selection and the scroll position.
    void RefreshIcons(const Database& db, std::int16_t folder);

    static QString KeyOf(const QTreeWidgetItem* item);
    // The selected (current) bookmark; 0 for none or the "(Empty)" row.
    std::int32_t SelectedBookmark() const;
    std::int32_t BookmarkAt(const QPoint& viewportPos) const;
    // Keys of the selected rows, in list order.
    std::vector<std::int32_t> SelectedBookmarks() const;
    QTreeWidgetItem* Row(std::int32_t key) const;

    // A click on a column header: the same column again toggles the order, another column
    // becomes the sort column and keeps the order.
    void ColumnClick(int column);
    int SortKey() const { return m_sortKey; }
    Qt::SortOrder SortOrderNow() const { return m_sortOrder; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ApplySort();
    void SetIndicator();
    bool m_columnsSized = false;
    int m_sortKey = 0;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};

} // namespace vireo

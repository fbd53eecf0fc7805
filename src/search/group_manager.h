// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <cstdint>

#include "search/search_groups.h"
#include "search/search_session.h"

namespace vireo {

struct AppContext;

// Making, renaming and deleting search groups and choosing their engines.
class frmGroupManage : public QDialog {
    Q_OBJECT
public:
    frmGroupManage(AppContext& ctx, clsSearch& search, QWidget* parent = nullptr);

    QComboBox* comboNames = nullptr;
    QListWidget* lstAll = nullptr;
    QLabel* lblLeftOut = nullptr; // the engines the library left out, when it did
    QPushButton* cmdNew = nullptr;
    QPushButton* cmdRename = nullptr;
    QPushButton* cmdDel = nullptr;
    QPushButton* cmdVisitHomePage = nullptr;
    QPushButton* cmdAddInstance = nullptr; // an engine of the user's own SearXNG instance
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdHelp = nullptr;

    std::int32_t InitialGroup = 0;
    // Shows the window modally: 1 when the user cancelled, else 0.
    int LoadGroupManagerForm();

    void SelectGroup(std::int32_t index);
    void cmdNew_Click();
    void cmdRename_Click();
    void cmdDel_Click();
    void cmdVisitHomePage_Click();
    void cmdAddInstance_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdHelp_Click();
    bool Cancelled() const { return m_cancelled; }

protected:
    void reject() override { cmdCancel_Click(); }

private:
    void FillNames(std::int32_t select);
    void FillEngines();
    void ItemChanged(QListWidgetItem* item);
    void ItemClicked(QListWidgetItem* item);
    SearchGroupTable& Table();

    AppContext& m_ctx;
    clsSearch& m_search;
    bool m_cancelled = false;
    bool m_loading = false;
};

} // namespace vireo

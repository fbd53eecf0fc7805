// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <cstdint>

namespace vireo {

class SearchWindows;

// "Quick Search".
class frmSearchQuick : public QDialog {
    Q_OBJECT
public:
    frmSearchQuick(SearchWindows& owner, QWidget* parent = nullptr);

    QComboBox* comboQuickQuery = nullptr;
    QPushButton* cmdSearch = nullptr;
    QPushButton* cmdAdvanced = nullptr;
    QPushButton* cmdUpdateScripts = nullptr;
    QPushButton* cmdCancel = nullptr;
    QLabel* imgLogo = nullptr;
    std::int32_t HistoryIndex = 0;

    void Load();
    void cmdSearch_Click();
    void cmdAdvanced_Click();
    void cmdUpdateScripts_Click();
    void cmdCancel_Click();
    // Closes the dialog for the other one: the search it was opened for goes on.
    void CloseForSwitch();

protected:
    void reject() override { cmdCancel_Click(); }

private:
    bool m_switching = false;
    SearchWindows& m_owner;
};

} // namespace vireo

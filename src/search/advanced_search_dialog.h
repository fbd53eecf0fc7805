// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <array>
#include <cstdint>

namespace vireo {

class SearchWindows;

// "Advanced Search": the query, words to leave out, the group, limits and the result format.
class frmSearchAdv : public QDialog {
    Q_OBJECT
public:
    frmSearchAdv(SearchWindows& owner, QWidget* parent = nullptr);

    QComboBox* comboQuery = nullptr;
    QComboBox* comboExclude = nullptr;
    QComboBox* comboGroups = nullptr;
    QLineEdit* txtMaxHits = nullptr;
    QLineEdit* txtSiteMax = nullptr;
    std::array<QRadioButton*, 4> optFormat{};
    QCheckBox* chkSound = nullptr;
    QPushButton* cmdSearch = nullptr;
    QPushButton* cmdQuick = nullptr;
    QPushButton* cmdEditGroups = nullptr;
    QPushButton* cmdUpdateScripts = nullptr;
    QPushButton* cmdCancel = nullptr;
    QLabel* imgLogo = nullptr;
    std::int32_t HistoryIndex = 0;

    void Load();
    void cmdSearch_Click();
    void cmdQuick_Click();
    void cmdEditGroups_Click();
    void cmdUpdateScripts_Click();
    void cmdCancel_Click();
    // Closes the dialog for the other one: the search it was opened for goes on.
    void CloseForSwitch();
    // The caption: "Advanced Search - " and the translated query.
    void UpdateCaption();
    // The group table changed (Manage Groups): the list is filled again with the chosen
    // group still chosen. False when that group is gone (All Engines is chosen then).
    bool GroupsChanged();
    // The table index of the chosen group, found by its number; -1 when it is gone.
    std::int32_t SelectedGroupIndex() const;
    std::int32_t CheckedFormat() const;

protected:
    void reject() override { cmdCancel_Click(); }

private:
    void FillGroups(std::int32_t select);
    bool m_switching = false;
    SearchWindows& m_owner;
};

} // namespace vireo

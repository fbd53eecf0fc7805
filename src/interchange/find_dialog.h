// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// frmFind ("Find Bookmarks"): finds bookmarks by title, address or description in a
// folder (and the folders below it), lists the hits as they are found, opens one on
// double-click and copies them all into a new folder.

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTreeWidget>
#include <array>
#include <vector>

#include "interchange/find.h"

namespace vireo {

class frmMain;

class frmFind : public QDialog {
    Q_OBJECT
public:
    explicit frmFind(frmMain& main, QWidget* parent = nullptr);

    QLineEdit* txtFind = nullptr;
    std::array<QCheckBox*, 3> chkFind{}; // Name, URL, Description
    QCheckBox* MatchCase = nullptr;
    std::array<QRadioButton*, 2> optExact{}; // Match any part, Exact Match
    QLineEdit* FolderId = nullptr;
    QLineEdit* FolderName = nullptr;
    QPushButton* Browse = nullptr;
    QCheckBox* recursive = nullptr;
    QCheckBox* chkDead = nullptr; // only bookmarks a link check found dead
    QPushButton* Find = nullptr;
    QPushButton* CopyTo = nullptr;
    QPushButton* cmdDelete = nullptr; // deletes the selected hits
    QPushButton* CancelFind = nullptr;
    QPushButton* cmdHelp = nullptr;
    QTreeWidget* listV = nullptr;
    QStatusBar* StatBar = nullptr;
    QLabel* imgLogo = nullptr;
    // The status bar's two panels: the count of hits, and the folder being searched.
    std::array<QLabel*, 2> statPanel{};

    void Find_Click();
    void Browse_Click();
    void CopyTo_Click();
    void cmdDelete_Click();
    void listV_DblClick();
    void cmdHelp_Click();

    const FindSettings& Settings() const { return m_settings; }
    std::int32_t FoundCount() const { return m_foundCount; }

    void done(int result) override;

private:
    void LoadFindSettings();
    void SaveFindSettings();
    void ReadFindControls();
    void ShowFindControls();
    void ShowFindStatus(std::int16_t folder, bool found, const std::string& path = {});
    void AddPlaceholderRow();
    bool HasHits() const;
    void SelectionChanged();

    frmMain& m_main;
    FindSettings m_settings;
    std::int32_t m_foundCount = 0;
    std::vector<FindHit> m_hits;
};

} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// frmTips: the tip of the day, one at a time in rotation, with a button that opens the
// help page a tip refers to and the choice not to see tips at start-up.

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <string>

#include "ui/tips.h"

namespace vireo {

struct AppContext;

class frmTips : public QDialog {
    Q_OBJECT
public:
    // `programFolder` holds help/tips.vro and the help pages the tips refer to.
    frmTips(AppContext& ctx, QWidget* parent = nullptr, std::string programFolder = {});

    QLabel* lblTip = nullptr;
    QLabel* imgTip = nullptr;
    QPushButton* cmdMore = nullptr;
    QPushButton* cmdHelp = nullptr;
    QPushButton* cmdOK = nullptr;
    QCheckBox* chkPissoff = nullptr;

    void SetTip();
    void cmdMore_Click() { SetTip(); }
    void cmdHelp_Click();
    void cmdOK_Click();

    std::int32_t CurrentTip() const { return m_current; }
    const TipList& Tips() const { return m_tips; }

    // The start-up rule: shows the tips (not modally) unless the user switched them off.
    static void ShowAtStartup(AppContext& ctx, QWidget* mainWindow);

    void done(int result) override;

private:
    AppContext& m_ctx;
    std::string m_programFolder;
    TipList m_tips;
    std::int32_t m_current = 0;
};

} // namespace vireo

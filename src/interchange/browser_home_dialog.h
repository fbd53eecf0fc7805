// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// frmBrowserHome: asks whether the browser should start on the generated home page.

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include "interchange/browser.h"

namespace vireo {

class Dialogs;

class frmBrowserHome : public QDialog {
    Q_OBJECT
public:
    frmBrowserHome(Registry& reg, BrowserHomeOffer offer, QWidget* parent);

    QLabel* Label1 = nullptr;
    QPushButton* YES = nullptr;
    QPushButton* NO = nullptr;
    QCheckBox* ShowAgain = nullptr;

    void YES_Click();
    void NO_Click();

    // The whole offer: decides whether to ask and, if so, asks modally.
    static void SetBrowserHome(Registry& reg, const std::string& dbPath, QWidget* parent, Dialogs& dialogs);

private:
    Registry& m_reg;
    BrowserHomeOffer m_offer;
};

} // namespace vireo

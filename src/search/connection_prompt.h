// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QPushButton>

namespace vireo {

class Dialogs;
class Registry;

// "Internet Connection": shown before an advanced search when no connection is open.
class frmPromptConnection : public QDialog {
    Q_OBJECT
public:
    frmPromptConnection(Registry& reg, QWidget* parent = nullptr);

    QCheckBox* chkConnection = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    bool cancelHit() const { return m_cancelHit; }
    void SetCancelHit(bool hit) { m_cancelHit = hit; }
    void cmdOK_Click();
    void cmdCancel_Click();

    // Asks through `dialogs`; true when the search may go on (OK, not Cancel or closed).
    static bool Ask(Dialogs& dialogs, Registry& reg, QWidget* parent);

protected:
    void reject() override { cmdCancel_Click(); }

private:
    Registry& m_reg;
    bool m_cancelHit = true;
};

} // namespace vireo

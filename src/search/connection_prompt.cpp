// SPDX-License-Identifier: GPL-3.0-or-later
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "mainwindow/app_icons.h"
#include "mainwindow/facades.h"
#include "search/connection_prompt.h"
#include "shell/options.h"
#include "shell/registry.h"

namespace vireo {

frmPromptConnection::frmPromptConnection(Registry& reg, QWidget* parent) : QDialog(parent), m_reg(reg) {
    setObjectName(QStringLiteral("frmPromptConnection"));
    setWindowTitle(QStringLiteral("Internet Connection"));
    setWindowIcon(ResourceIcon(QStringLiteral("icon_app")));
    auto* heading = new QLabel(QStringLiteral("Internet connection not found."), this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    auto* text =
        new QLabel(QStringLiteral("Please establish an Internet connection or press the OK button to use "
                                  "the default dial-up connection"),
                   this);
    text->setWordWrap(true);
    chkConnection = new QCheckBox(QStringLiteral("Don't ask me again, just make the connection."), this);
    chkConnection->setObjectName(QStringLiteral("chkConnection"));
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdOK, &QPushButton::clicked, this, &frmPromptConnection::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmPromptConnection::cmdCancel_Click);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(text);
    layout->addSpacing(6);
    layout->addWidget(chkConnection);
    layout->addLayout(buttons);
    setMinimumWidth(380);
}

void frmPromptConnection::cmdOK_Click() {
    if (chkConnection->isChecked())
        SetConnectionAction(m_reg, 1);
    m_cancelHit = false;
    hide();
    setResult(QDialog::Accepted);
    done(QDialog::Accepted);
}

void frmPromptConnection::cmdCancel_Click() {
    m_cancelHit = true;
    hide();
    done(QDialog::Rejected);
}

bool frmPromptConnection::Ask(Dialogs& dialogs, Registry& reg, QWidget* parent) {
    frmPromptConnection prompt(reg, parent);
    dialogs.RunDialog(prompt);
    return !prompt.cancelHit();
}

} // namespace vireo

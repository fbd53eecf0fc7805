// SPDX-License-Identifier: GPL-3.0-or-later
#include "interchange/browser_home_dialog.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "mainwindow/app_icons.h"
#include "mainwindow/facades.h"
#include "store/strings.h"

namespace vireo {

frmBrowserHome::frmBrowserHome(Registry& reg, BrowserHomeOffer offer, QWidget* parent)
    : QDialog(parent), m_reg(reg), m_offer(std::move(offer)) {
    setObjectName(QStringLiteral("frmBrowserHome"));
    setWindowTitle(Utf8ToQString(kBrowserHomeCaption));
    setWindowIcon(ResourceIcon(QStringLiteral("icon_app")));
    Label1 = new QLabel(Utf8ToQString(m_offer.question), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setMinimumWidth(320);
    YES = new QPushButton(Utf8ToQString(LoadResString(402)), this);
    YES->setObjectName(QStringLiteral("YES"));
    YES->setDefault(true);
    NO = new QPushButton(Utf8ToQString(LoadResString(403)), this);
    NO->setObjectName(QStringLiteral("NO"));
    ShowAgain = new QCheckBox(Utf8ToQString(kBrowserHomeShowAgain), this);
    ShowAgain->setObjectName(QStringLiteral("ShowAgain"));

    auto* icon = new QLabel(this);
    icon->setPixmap(ResourcePixmap(QStringLiteral("icon_app"), QSize(48, 48)));
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addWidget(Label1, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(ShowAgain);
    bottom->addStretch(1);
    bottom->addWidget(YES);
    bottom->addWidget(NO);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(YES, &QPushButton::clicked, this, &frmBrowserHome::YES_Click);
    connect(NO, &QPushButton::clicked, this, &frmBrowserHome::NO_Click);
}

void frmBrowserHome::YES_Click() {
    AnswerBrowserHomeOffer(m_reg, m_offer, true, ShowAgain->isChecked());
    accept();
}

void frmBrowserHome::NO_Click() {
    AnswerBrowserHomeOffer(m_reg, m_offer, false, ShowAgain->isChecked());
    reject();
}

void frmBrowserHome::SetBrowserHome(Registry& reg, const std::string& dbPath, QWidget* parent,
                                    Dialogs& dialogs) {
    BrowserHomeOffer offer = PrepareBrowserHomeOffer(reg, dbPath);
    if (!offer.ask)
        return;
    frmBrowserHome dialog(reg, std::move(offer), parent);
    dialogs.RunDialog(dialog);
}

} // namespace vireo

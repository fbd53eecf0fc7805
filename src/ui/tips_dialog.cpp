// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/tips_dialog.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "interchange/browser.h"
#include "mainwindow/app_context.h"
#include "mainwindow/app_icons.h"
#include "mainwindow/facades.h"
#include "shell/options.h"
#include "store/strings.h"
#include "ui/options_dialog.h"

namespace vireo {

frmTips::frmTips(AppContext& ctx, QWidget* parent, std::string programFolder)
    : QDialog(parent), m_ctx(ctx),
      m_programFolder(programFolder.empty() ? ProgramFolder() : std::move(programFolder)) {
    setObjectName(QStringLiteral("frmTips"));
    setWindowTitle(Utf8ToQString("Tip of the Day"));
    setWindowIcon(ResourceIcon(QStringLiteral("tiplogo")));

    imgTip = new QLabel(this);
    imgTip->setObjectName(QStringLiteral("imgTip"));
    auto* heading = new QLabel(Utf8ToQString("Did you know..."), this);
    QFont big = heading->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.3);
    heading->setFont(big);
    lblTip = new QLabel(this);
    lblTip->setObjectName(QStringLiteral("lblTip"));
    lblTip->setTextFormat(Qt::PlainText);
    lblTip->setWordWrap(true);
    lblTip->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblTip->setFixedWidth(340);
    lblTip->setMinimumHeight(fontMetrics().lineSpacing() * 5);

    cmdMore = new QPushButton(Utf8ToQString("Next Tip"), this);
    cmdMore->setObjectName(QStringLiteral("cmdMore"));
    cmdHelp = new QPushButton(Utf8ToQString("More>> (opens browser)"), this);
    cmdHelp->setObjectName(QStringLiteral("cmdHelp"));
    cmdOK = new QPushButton(Utf8ToQString("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    chkPissoff = new QCheckBox(Utf8ToQString("Don't show tips at startup"), this);
    chkPissoff->setObjectName(QStringLiteral("chkPissoff"));

    // The tip on a white card, the bulb in a strip beside it.
    auto* card = new QFrame(this);
    card->setFrameShape(QFrame::StyledPanel);
    card->setAutoFillBackground(true);
    QPalette white = card->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    card->setPalette(white);
    auto* strip = new QFrame(card);
    strip->setAutoFillBackground(true);
    QPalette grey = strip->palette();
    grey.setColor(QPalette::Window, QColor(128, 128, 128));
    strip->setPalette(grey);
    auto* stripLayout = new QVBoxLayout(strip);
    stripLayout->setContentsMargins(10, 12, 10, 12);
    stripLayout->addWidget(imgTip, 0, Qt::AlignHCenter | Qt::AlignTop);
    stripLayout->addStretch(1);
    auto* text = new QVBoxLayout;
    text->setContentsMargins(12, 12, 12, 12);
    text->setSpacing(10);
    text->addWidget(heading);
    text->addWidget(lblTip, 1);
    auto* cardLayout = new QHBoxLayout(card);
    cardLayout->setContentsMargins(0, 0, 0, 0);
    cardLayout->setSpacing(0);
    cardLayout->addWidget(strip);
    cardLayout->addLayout(text, 1);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdMore);
    buttons->addWidget(cmdHelp);
    buttons->addStretch(1);
    auto* top = new QHBoxLayout;
    top->setSpacing(10);
    top->addWidget(card, 1);
    top->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(chkPissoff);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdMore, &QPushButton::clicked, this, &frmTips::cmdMore_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmTips::cmdHelp_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmTips::cmdOK_Click);

    // Form_Load
    imgTip->setPixmap(ResourcePixmap(QStringLiteral("tiplogo"), QSize(40, 40)));
    chkPissoff->setChecked(!GetShowTips(m_ctx.reg));
    m_tips = ReadTips(TipsFilePath(m_programFolder));
    SetTip();
}

void frmTips::SetTip() {
    m_current = AdvanceTip(m_ctx.reg, m_tips);
    if (m_current < 1) {
        lblTip->setText(Utf8ToQString("There are no tips to show."));
        cmdMore->setEnabled(false);
        cmdHelp->hide();
        return;
    }
    lblTip->setText(Utf8ToQString(m_tips.tips[static_cast<std::size_t>(m_current)]));
    const std::string& reference = m_tips.references[static_cast<std::size_t>(m_current)];
    cmdHelp->setVisible(!reference.empty());
    cmdHelp->setToolTip(Utf8ToQString(reference));
}

void frmTips::cmdHelp_Click() {
    if (m_current < 1)
        return;
    std::string target = TipTarget(m_tips.references[static_cast<std::size_t>(m_current)], m_programFolder);
    if (target.empty())
        return;
    OpenInBrowser(m_ctx.reg, m_ctx.program.CurrentBrowserPath, m_ctx.launcher, target,
                  [this] { frmOptions::ShowBrowserConfigError(m_ctx, this, true); });
}

void frmTips::cmdOK_Click() {
    accept();
}

void frmTips::done(int result) {
    // However the window is closed, the box says whether it comes back next time.
    SetShowTips(m_ctx.reg, !chkPissoff->isChecked());
    QDialog::done(result);
}

void frmTips::ShowAtStartup(AppContext& ctx, QWidget* mainWindow) {
    if (!GetShowTips(ctx.reg))
        return;
    auto* tips = new frmTips(ctx, mainWindow);
    tips->setAttribute(Qt::WA_DeleteOnClose);
    tips->show();
}

} // namespace vireo

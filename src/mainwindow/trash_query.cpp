// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/trash_query.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "mainwindow/app_icons.h"
#include "mainwindow/facades.h"
#include "shell/options.h"
#include "store/database.h"
#include "store/strings.h"

namespace vireo {

frmTrashQuery::frmTrashQuery(Database& db, Registry& reg, QWidget* parent)
    : QDialog(parent), m_db(db), m_reg(reg) {
    setObjectName(QStringLiteral("frmTrashQuery"));
    setWindowTitle(Utf8ToQString(LoadResString(61)));
    setWindowIcon(ResourceIcon(QStringLiteral("icon_trash")));
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(ResourcePixmap(QStringLiteral("icon_bigtrash"), QSize(64, 64)));
    Label1 = new QLabel(Utf8ToQString(LoadResString(60)), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setMinimumWidth(300);
    Check = new QCheckBox(QStringLiteral("Don't ask this again"), this);
    Check->setObjectName(QStringLiteral("Check"));
    cmdTrash[0] = new QPushButton(Utf8ToQString(LoadResString(403)), this);
    cmdTrash[0]->setObjectName(QStringLiteral("cmdTrash0"));
    cmdTrash[1] = new QPushButton(Utf8ToQString(LoadResString(402)), this);
    cmdTrash[1]->setObjectName(QStringLiteral("cmdTrash1"));
    cmdTrash[1]->setDefault(true);

    auto* top = new QHBoxLayout;
    top->addWidget(Image1, 0, Qt::AlignTop);
    top->addWidget(Label1, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Check);
    bottom->addStretch(1);
    bottom->addWidget(cmdTrash[1]);
    bottom->addWidget(cmdTrash[0]);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdTrash[0], &QPushButton::clicked, this, [this] { cmdTrash_Click(0); });
    connect(cmdTrash[1], &QPushButton::clicked, this, [this] { cmdTrash_Click(1); });
}

void frmTrashQuery::cmdTrash_Click(int index) {
    if (index == 0) {
        if (Check->isChecked())
            SetTrash(m_reg, 0);
        reject();
        return;
    }
    if (Check->isChecked())
        SetTrash(m_reg, 1);
    {
        WaitCursor wait;
        m_db.EmptyFolder(kTrashFolder, true);
    }
    accept();
}

} // namespace vireo

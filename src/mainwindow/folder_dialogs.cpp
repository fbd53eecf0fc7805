// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/folder_dialogs.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "mainwindow/app_icons.h"
#include "mainwindow/facades.h"
#include "mainwindow/main_window.h"
#include "store/database.h"
#include "store/text_codec.h"

namespace vireo {

frmFolderProp::frmFolderProp(frmMain& main, std::int16_t folder)
    : QDialog(&main), m_main(main), m_folder(folder), m_buffer(main.Db().Folder(folder)) {
    setObjectName(QStringLiteral("frmFolderProp"));
    setWindowTitle(QStringLiteral("Folder Properties"));
    setWindowIcon(ResourceIcon(QStringLiteral("icon_greencube")));
    Database& db = main.Db();

    txtName = new QLineEdit(Utf8ToQString(m_buffer.Name.Text()), this);
    txtName->setObjectName(QStringLiteral("txtfpDialog0"));
    txtName->setMinimumWidth(320);
    txtDescription = new QPlainTextEdit(Utf8ToQString(db.Memo().GetMemo(m_buffer.Description)), this);
    txtDescription->setObjectName(QStringLiteral("txtfpDialog1"));
    txtDescription->setTabChangesFocus(true);
    txtDescription->setFixedHeight(64);
    txtSearch = new QLineEdit(Utf8ToQString(m_buffer.SearchQuery.Text()), this);
    txtSearch->setObjectName(QStringLiteral("txtfpDialog2"));
    lblDate = new QLabel(
        m_buffer.Created > 0 ? Utf8ToQString(FormatGeneralDate(m_buffer.Created)) : QString(), this);
    lblDate->setObjectName(QStringLiteral("lblDate"));
    lblSearch = new QLabel(QStringLiteral("Search String:"), this);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Name:"), txtName);
    form->addRow(QStringLiteral("Description:"), txtDescription);
    form->addRow(QStringLiteral("Created:"), lblDate);
    form->addRow(lblSearch, txtSearch);

    btnOK = new QPushButton(QStringLiteral("&OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // The search string belongs to folders of search results, and is only shown there.
    bool search = FolderKindOf(m_buffer) == FolderKind::SearchResults;
    txtSearch->setVisible(search);
    lblSearch->setVisible(search);
    txtSearch->setReadOnly(true);
    txtSearch->setEnabled(false);
    txtSearch->setFocusPolicy(Qt::NoFocus);

    connect(btnOK, &QPushButton::clicked, this, &frmFolderProp::btnOK_Click);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmFolderProp::btnOK_Click() {
    Database& db = m_main.Db();
    if (!db.IsLiveFolder(m_folder)) {
        reject();
        return;
    }
    std::string name = QStringToUtf8(txtName->text());
    // A folder without a name could not be told apart: keep the old one.
    if (!text::TrimSpaces(name).empty())
        m_buffer.Name.Set(name);
    m_buffer.SearchQuery.Set(QStringToUtf8(txtSearch->text()));
    m_buffer.Description =
        db.Memo().SetMemo(m_buffer.Description, QStringToUtf8(txtDescription->toPlainText()));
    FolderRecord& f = db.Folder(m_folder);
    // Only what the dialog edits is written back: the folder may have moved meanwhile.
    f.Name = m_buffer.Name;
    f.SearchQuery = m_buffer.SearchQuery;
    f.Description = m_buffer.Description;
    m_main.TreeView->SetNodeText(FolderNodeKey(m_folder), f.Name.Text());
    m_main.rtDetail->Tag.clear();
    m_main.ScheduleSave();
    accept();
}

frmSelFolder::frmSelFolder(Database& db, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSelFolder"));
    setWindowTitle(QStringLiteral("Select Folder"));
    setWindowIcon(ResourceIcon(QStringLiteral("icon_greencube")));
    Descrip = new QLabel(this);
    Descrip->setObjectName(QStringLiteral("Descrip"));
    Descrip->setWordWrap(true);
    Descrip->setFixedWidth(240);
    tView = new FolderTree(this);
    tView->setObjectName(QStringLiteral("tView"));
    tView->setFixedSize(240, 220);
    db.FillTree(*tView);
    OK = new QPushButton(QStringLiteral("OK"), this);
    OK->setObjectName(QStringLiteral("OK"));
    OK->setDefault(true);
    Cancel = new QPushButton(QStringLiteral("Cancel"), this);
    Cancel->setObjectName(QStringLiteral("Cancel"));

    // The prompt above the tree on the left, the buttons at the top right.
    auto* grid = new QGridLayout(this);
    grid->setSpacing(8);
    grid->addWidget(Descrip, 0, 0);
    grid->addWidget(tView, 1, 0);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(OK);
    buttons->addWidget(Cancel);
    buttons->addStretch(1);
    grid->addLayout(buttons, 0, 1, 2, 1);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    connect(OK, &QPushButton::clicked, this, [this] {
        m_chosen = tView->SelectedFolder();
        accept();
    });
    connect(Cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(tView, &QTreeWidget::itemDoubleClicked, OK, &QPushButton::click);
}

std::int16_t frmSelFolder::GetFolderId(const QString& prompt) {
    Descrip->setText(prompt.left(256));
    Descrip->setVisible(!prompt.isEmpty());
    m_chosen = 0;
    exec();
    return m_chosen;
}

} // namespace vireo

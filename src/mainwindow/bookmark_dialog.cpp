// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/bookmark_dialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "mainwindow/app_icons.h"
#include "mainwindow/facades.h"
#include "mainwindow/main_window.h"
#include "store/database.h"
#include "store/text_codec.h"

namespace vireo {

QString OriginText(std::int16_t flags) {
    switch (flags) {
    case kFlagsStandard:
        return QStringLiteral("Created manually");
    case kFlagsNetscape:
        return QStringLiteral("Imported from Netscape");
    case kFlagsFavorites:
        return QStringLiteral("Imported from Explorer");
    case kFlagsHtml:
        return QStringLiteral("Imported from HTML");
    case kFlagsDroppedLink:
        return QStringLiteral("Dropped from a browser link");
    case kFlagsDroppedFile:
        return QStringLiteral("Dropped from a file link");
    case kFlagsFirefox:
        return QStringLiteral("Imported from Firefox");
    case kFlagsChromium:
        return QStringLiteral("Imported from Chromium");
    case kFlagsXbel:
        return QStringLiteral("Imported from XBEL");
    case kFlagsFalkon:
        return QStringLiteral("Imported from Falkon");
    case kFlagsQutebrowser:
        return QStringLiteral("Imported from qutebrowser");
    case kFlagsKonqueror:
        return QStringLiteral("Imported from Konqueror");
    default:
        return QStringLiteral("Unknown source");
    }
}

frmBMDialog::frmBMDialog(frmMain& main) : QDialog(&main), m_main(main) {
    setObjectName(QStringLiteral("frmBMDialog"));
    setWindowTitle(QStringLiteral("Bookmark Properties"));
    setWindowIcon(ResourceIcon(QStringLiteral("icon_BB")));
    Database& db = main.Db();
    const BookmarkRecord& buffer = db.copyBuffer;
    m_newRecord = buffer.key == 0;

    txtTitle = new QLineEdit(this);
    txtTitle->setObjectName(QStringLiteral("txtBMDialog0"));
    txtDescription = new QPlainTextEdit(this);
    txtDescription->setObjectName(QStringLiteral("txtBMDialog1"));
    txtDescription->setTabChangesFocus(true);
    txtDescription->setFixedHeight(64);
    txtAddress = new QLineEdit(this);
    txtAddress->setObjectName(QStringLiteral("txtBMDialog2"));
    txtTitle->setText(Utf8ToQString(db.Memo().GetMemo(buffer.Name)));
    txtAddress->setText(Utf8ToQString(db.Memo().GetMemo(buffer.url)));
    txtDescription->setPlainText(Utf8ToQString(db.Memo().GetMemo(buffer.Description)));
    txtTitle->setMinimumWidth(360);

    for (int i = 0; i < 2; ++i) {
        lblDate[static_cast<std::size_t>(i)] = new QLabel(this);
        lblDate[static_cast<std::size_t>(i)]->setObjectName(QStringLiteral("lblDate%1").arg(i));
    }
    lblDate[0]->setText(buffer.added > 0 ? Utf8ToQString(FormatGeneralDate(buffer.added)) : QString());
    lblDate[1]->setText(buffer.Touched > 0 ? Utf8ToQString(FormatGeneralDate(buffer.Touched)) : QString());
    lblOrigin = new QLabel(OriginText(buffer.Flags), this);
    lblOrigin->setObjectName(QStringLiteral("Label1_5"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Title:"), txtTitle);
    form->addRow(QStringLiteral("&Address:"), txtAddress);
    form->addRow(QStringLiteral("&Description:"), txtDescription);
    form->addRow(QStringLiteral("Created:"), lblDate[0]);
    form->addRow(QStringLiteral("Last used:"), lblDate[1]);
    form->addRow(QStringLiteral("Origin:"), lblOrigin);

    DropInFolder = new QPushButton(QStringLiteral("&Folder>>"), this);
    DropInFolder->setObjectName(QStringLiteral("DropInFolder"));
    lblDestination = new QLabel(this);
    lblDestination->setObjectName(QStringLiteral("lblDestination"));
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));

    TreeView = new FolderTree(this);
    TreeView->setObjectName(QStringLiteral("TreeView"));
    TreeView->setMinimumHeight(220);
    db.FillTree(*TreeView);
    TreeView->SelectNode(
        FolderNodeKey(db.IsLiveFolder(buffer.Parent) ? buffer.Parent : std::int16_t{kUnsortedFolder}));
    if (QTreeWidgetItem* item = TreeView->currentItem())
        lblDestination->setText(item->text(0));

    auto* destination = new QHBoxLayout;
    destination->addWidget(DropInFolder);
    destination->addWidget(new QLabel(QStringLiteral("Folder:"), this));
    destination->addWidget(lblDestination, 1);
    destination->addWidget(btnOK);
    destination->addWidget(btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(destination);
    layout->addWidget(TreeView, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(DropInFolder, &QPushButton::clicked, this, &frmBMDialog::DropInFolder_Click);
    connect(btnOK, &QPushButton::clicked, this, &frmBMDialog::btnOK_Click);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(TreeView, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item)
            lblDestination->setText(item->text(0));
    });
    connect(TreeView, &QTreeWidget::itemDoubleClicked, this, [this] { btnOK_Click(); });
    Fold(false);
}

bool frmBMDialog::FoldedOut() const {
    return !TreeView->isHidden();
}

void frmBMDialog::Fold(bool out) {
    TreeView->setVisible(out);
    DropInFolder->setText(out ? QStringLiteral("&Folder<<") : QStringLiteral("&Folder>>"));
}

void frmBMDialog::DropInFolder_Click() {
    Fold(!FoldedOut());
}

void frmBMDialog::btnOK_Click() {
    // A bookmark without an address opens nothing and could not be told from a mistake.
    if (txtAddress->text().trimmed().isEmpty()) {
        m_main.Context().dialogs.Message(this, Utf8ToQString(kEmptyAddressMessage), windowTitle(),
                                         MsgButtons::Ok, MsgIcon::Exclamation);
        txtAddress->setFocus();
        return;
    }
    Database& db = m_main.Db();
    BookmarkRecord& buffer = db.copyBuffer;
    clsMemo& memo = db.Memo();
    buffer.Name = memo.SetMemo(buffer.Name, QStringToUtf8(txtTitle->text()));
    buffer.Description = memo.SetMemo(buffer.Description, QStringToUtf8(txtDescription->toPlainText()));
    buffer.url = memo.SetMemo(buffer.url, text::EncodeLineBreaks(QStringToUtf8(txtAddress->text())));
    std::int16_t target = TreeView->SelectedFolder();
    if (!db.IsLiveFolder(target))
        target = kUnsortedFolder;
    if (buffer.key != 0 && db.IsSlot(buffer.Parent))
        db.Marks(buffer.Parent).Zap(buffer.key);
    std::int32_t key = buffer.key;
    db.Marks(target).Add(key, buffer.Flags, buffer.UserFlags, target, buffer.Name, buffer.Description,
                         buffer.url, buffer.Checked, buffer.Touched, buffer.added, buffer.Rank);
    buffer.key = key;
    buffer.Parent = target;
    m_main.FillBookmarkList();
    m_main.ScheduleSave();
    accept();
}

void frmBMDialog::reject() {
    if (m_newRecord) {
        Database& db = m_main.Db();
        BookmarkRecord& buffer = db.copyBuffer;
        db.Memo().KillMemo(buffer.Name);
        db.Memo().KillMemo(buffer.url);
        db.Memo().KillMemo(buffer.Description);
        buffer.Name = buffer.url = buffer.Description = 0;
    }
    QDialog::reject();
}

} // namespace vireo

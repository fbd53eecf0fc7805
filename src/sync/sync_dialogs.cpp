// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/sync_dialogs.h"

#include <QComboBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <filesystem>

#include "mainwindow/facades.h"
#include "mainwindow/main_window.h"
#include "shell/registry.h"
#include "store/database.h"
#include "sync/password_store.h"
#include "sync/sync_engine.h"
#include "sync/sync_share.h"
#include "sync/sync_windows.h"

namespace vireo {

namespace {

// A row whose field is a layout gets no buddy from the form, and without one the label
// would show its mnemonic's ampersand instead of underlining the letter.
QLabel* BuddyLabel(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

QString WhenText(const sync::SyncProfile& p) {
    switch (p.when) {
    case sync::SyncWhen::AtStart:
        return QStringLiteral("At start");
    case sync::SyncWhen::Every:
        return QStringLiteral("Every %1 min").arg(p.minutes);
    case sync::SyncWhen::ByHand:
        break;
    }
    return QStringLiteral("By hand");
}

QString DirectionText(sync::Direction d) {
    switch (d) {
    case sync::Direction::Up:
        return QStringLiteral("Only up");
    case sync::Direction::Down:
        return QStringLiteral("Only down");
    case sync::Direction::Both:
        break;
    }
    return QStringLiteral("Both ways");
}

} // namespace

frmSync::frmSync(SyncWindows& sync, QWidget* parent) : QDialog(parent), m_sync(sync) {
    setObjectName(QStringLiteral("frmSync"));
    setWindowTitle(QStringLiteral("Sync"));
    resize(760, 320);
    auto* layout = new QVBoxLayout(this);
    lstProfiles = new QTreeWidget(this);
    lstProfiles->setObjectName(QStringLiteral("lstProfiles"));
    lstProfiles->setRootIsDecorated(false);
    lstProfiles->setHeaderLabels({QStringLiteral("Profile"), QStringLiteral("Share"),
                                  QStringLiteral("Folder"), QStringLiteral("Direction"),
                                  QStringLiteral("When"), QStringLiteral("Last sync"),
                                  QStringLiteral("Result")});
    layout->addWidget(lstProfiles);
    auto* row = new QHBoxLayout;
    auto button = [&](QPushButton*& b, const char* name, const QString& text) {
        b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        row->addWidget(b);
    };
    button(cmdAdd, "cmdAdd", QStringLiteral("&Add..."));
    button(cmdEdit, "cmdEdit", QStringLiteral("&Edit..."));
    button(cmdRemove, "cmdRemove", QStringLiteral("&Remove"));
    button(cmdSync, "cmdSync", QStringLiteral("&Sync Now"));
    row->addStretch();
    button(cmdClose, "cmdClose", QStringLiteral("Close"));
    layout->addLayout(row);
    connect(cmdAdd, &QPushButton::clicked, this, [this] { Edit(true); });
    connect(cmdEdit, &QPushButton::clicked, this, [this] { Edit(false); });
    connect(lstProfiles, &QTreeWidget::itemActivated, this, [this] { Edit(false); });
    connect(cmdRemove, &QPushButton::clicked, this, &frmSync::Remove);
    connect(cmdSync, &QPushButton::clicked, this, [this] {
        if (!SelectedName().isEmpty())
            m_sync.RunProfile(SelectedName());
    });
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(lstProfiles, &QTreeWidget::itemSelectionChanged, this, &frmSync::UpdateButtons);
    connect(&m_sync, &SyncWindows::runStarted, this, &frmSync::Refill);
    connect(&m_sync, &SyncWindows::runFinished, this, &frmSync::Refill);
    Refill();
}

void frmSync::Refill() {
    QString keep = SelectedName();
    lstProfiles->clear();
    const Database& db = m_sync.Main().Db();
    for (const auto& p : sync::LoadProfiles(m_sync.Main().Context().reg)) {
        QString last = p.lastTime > 0 ? QDateTime::fromSecsSinceEpoch(p.lastTime).toString(Qt::ISODate)
                                      : QStringLiteral("Never");
        QString result = Utf8ToQString(p.lastResult);
        if (m_sync.Current().compare(Utf8ToQString(p.name), Qt::CaseInsensitive) == 0)
            result = QStringLiteral("Syncing...");
        QString folder =
            db.IsLiveFolder(p.folder) ? Utf8ToQString(db.FolderPath(p.folder)) : QStringLiteral("(missing)");
        auto* item = new QTreeWidgetItem(lstProfiles,
                                         {Utf8ToQString(p.name), Utf8ToQString(sync::ShareFileAddress(p.url)),
                                          folder, DirectionText(p.direction), WhenText(p), last, result});
        if (!p.lastOk && p.lastTime > 0)
            item->setForeground(6, Qt::darkRed);
        if (Utf8ToQString(p.name) == keep)
            lstProfiles->setCurrentItem(item);
    }
    if (!lstProfiles->currentItem() && lstProfiles->topLevelItemCount() > 0)
        lstProfiles->setCurrentItem(lstProfiles->topLevelItem(0));
    for (int c = 0; c < lstProfiles->columnCount() - 1; ++c)
        lstProfiles->resizeColumnToContents(c);
    UpdateButtons();
}

QString frmSync::SelectedName() const {
    auto* item = lstProfiles->currentItem();
    return item ? item->text(0) : QString();
}

void frmSync::UpdateButtons() {
    bool any = !SelectedName().isEmpty();
    cmdEdit->setEnabled(any);
    cmdRemove->setEnabled(any);
    cmdSync->setEnabled(any);
}

void frmSync::Edit(bool adding) {
    sync::SyncProfile p;
    if (!adding && !sync::FindProfile(m_sync.Main().Context().reg, QStringToUtf8(SelectedName()), p))
        return;
    frmSyncProfile dialog(m_sync, p, this);
    if (m_sync.Main().Context().dialogs.RunDialog(dialog) != QDialog::Accepted)
        return;
    m_sync.Reschedule();
    Refill();
}

void frmSync::Remove() {
    QString name = SelectedName();
    if (name.isEmpty())
        return;
    if (m_sync.Current().compare(name, Qt::CaseInsensitive) == 0) {
        m_sync.Main().Context().dialogs.Message(this, QStringLiteral("\"%1\" is syncing now.").arg(name), {},
                                                MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    if (m_sync.Main().Context().dialogs.Message(
            this,
            QStringLiteral("Remove the sync profile \"%1\"? The bookmarks stay where they are.").arg(name),
            {}, MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
        return;
    sync::RemoveProfile(m_sync.Main().Context().reg, QStringToUtf8(name));
    std::string error;
    if (auto* store = m_sync.Passwords())
        store->Remove(QStringToUtf8(name), error);
    // A new profile of that name starts afresh; the backups stay.
    std::error_code ec;
    std::filesystem::remove(std::filesystem::path(sync::ProfileDir(QStringToUtf8(name))) / "state.json", ec);
    m_sync.Reschedule();
    Refill();
}

frmSyncProfile::frmSyncProfile(SyncWindows& sync, const sync::SyncProfile& profile, QWidget* parent)
    : QDialog(parent), m_sync(sync), m_profile(profile), m_adding(profile.name.empty()) {
    setObjectName(QStringLiteral("frmSyncProfile"));
    setWindowTitle(m_adding ? QStringLiteral("New Sync Profile") : QStringLiteral("Sync Profile"));
    auto* form = new QFormLayout(this);
    auto edit = [&](QLineEdit*& e, const char* name, const QString& text) {
        e = new QLineEdit(text, this);
        e->setObjectName(QLatin1String(name));
    };
    edit(txtName, "txtName", Utf8ToQString(m_profile.name));
    txtName->setReadOnly(!m_adding);
    form->addRow(QStringLiteral("&Name:"), txtName);
    edit(txtUrl, "txtUrl", Utf8ToQString(m_profile.url));
    txtUrl->setPlaceholderText(QStringLiteral("https://cloud.example/remote.php/dav/files/me/ or a folder"));
    // Share addresses are long; room for most of one keeps the placeholder readable.
    txtUrl->setMinimumWidth(txtUrl->fontMetrics().averageCharWidth() * 48);
    cmdBrowse = new QPushButton(QStringLiteral("&Folder..."), this);
    cmdBrowse->setObjectName(QStringLiteral("cmdBrowse"));
    auto* urlRow = new QHBoxLayout;
    urlRow->addWidget(txtUrl, 1);
    urlRow->addWidget(cmdBrowse);
    form->addRow(BuddyLabel(QStringLiteral("&WebDAV address:"), txtUrl, this), urlRow);
    edit(txtUser, "txtUser", Utf8ToQString(m_profile.user));
    form->addRow(QStringLiteral("&User name:"), txtUser);
    edit(txtPassword, "txtPassword", {});
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setPlaceholderText(m_adding ? QString() : QStringLiteral("(unchanged)"));
    form->addRow(QStringLiteral("&Password:"), txtPassword);
    lblFolder = new QLabel(this);
    lblFolder->setObjectName(QStringLiteral("lblFolder"));
    cmdFolder = new QPushButton(QStringLiteral("&Choose..."), this);
    cmdFolder->setObjectName(QStringLiteral("cmdFolder"));
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(lblFolder, 1);
    folderRow->addWidget(cmdFolder);
    form->addRow(QStringLiteral("Folder to sync:"), folderRow);
    optBoth = new QRadioButton(QStringLiteral("&Both ways"), this);
    optBoth->setObjectName(QStringLiteral("optBoth"));
    optUp = new QRadioButton(QStringLiteral("Only &up (this copy wins)"), this);
    optUp->setObjectName(QStringLiteral("optUp"));
    optDown = new QRadioButton(QStringLiteral("Only &down (the share wins)"), this);
    optDown->setObjectName(QStringLiteral("optDown"));
    auto* dirs = new QVBoxLayout;
    dirs->addWidget(optBoth);
    dirs->addWidget(optUp);
    dirs->addWidget(optDown);
    form->addRow(QStringLiteral("Direction:"), dirs);
    (m_profile.direction == sync::Direction::Up     ? optUp
     : m_profile.direction == sync::Direction::Down ? optDown
                                                    : optBoth)
        ->setChecked(true);
    cboWhen = new QComboBox(this);
    cboWhen->setObjectName(QStringLiteral("cboWhen"));
    cboWhen->addItems({QStringLiteral("By hand"), QStringLiteral("At start"), QStringLiteral("Every")});
    cboWhen->setCurrentIndex(static_cast<int>(m_profile.when));
    spnMinutes = new QSpinBox(this);
    spnMinutes->setObjectName(QStringLiteral("spnMinutes"));
    spnMinutes->setRange(sync::kMinMinutes, sync::kMaxMinutes);
    spnMinutes->setSuffix(QStringLiteral(" minutes"));
    spnMinutes->setValue(m_profile.minutes);
    spnMinutes->setEnabled(m_profile.when == sync::SyncWhen::Every);
    auto* whenRow = new QHBoxLayout;
    whenRow->addWidget(cboWhen);
    whenRow->addWidget(spnMinutes);
    form->addRow(BuddyLabel(QStringLiteral("&Sync:"), cboWhen, this), whenRow);
    auto* box = new QDialogButtonBox(this);
    cmdOK = box->addButton(QDialogButtonBox::Ok);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel = box->addButton(QDialogButtonBox::Cancel);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    form->addRow(box);
    connect(cboWhen, &QComboBox::currentIndexChanged, this,
            [this](int i) { spnMinutes->setEnabled(i == 2); });
    connect(cmdBrowse, &QPushButton::clicked, this, [this] {
        QString dir = m_sync.Main().Context().dialogs.ExistingDirectory(
            this, QStringLiteral("The folder that holds bookmarks.xbel"), txtUrl->text());
        if (!dir.isEmpty())
            txtUrl->setText(dir);
    });
    connect(cmdFolder, &QPushButton::clicked, this, [this] {
        std::int16_t f = m_sync.Main().ChooseFolder(this, QStringLiteral("The folder to sync:"));
        if (f > 0) {
            m_profile.folder = f;
            ShowFolder();
        }
    });
    connect(cmdOK, &QPushButton::clicked, this, &frmSyncProfile::Accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    ShowFolder();
}

void frmSyncProfile::ShowFolder() {
    const Database& db = m_sync.Main().Db();
    lblFolder->setText(db.IsLiveFolder(m_profile.folder) ? Utf8ToQString(db.FolderPath(m_profile.folder))
                                                         : QStringLiteral("(missing)"));
}

void frmSyncProfile::Accept() {
    Dialogs& dialogs = m_sync.Main().Context().dialogs;
    Registry& reg = m_sync.Main().Context().reg;
    auto refuse = [&](const QString& why, QWidget* focus) {
        dialogs.Message(this, why, {}, MsgButtons::Ok, MsgIcon::Exclamation);
        focus->setFocus();
    };
    std::string name = QStringToUtf8(txtName->text().trimmed());
    std::string why;
    if (m_adding) {
        sync::SyncProfile other;
        if (!sync::ValidProfileName(name, why))
            return refuse(Utf8ToQString(why), txtName);
        if (sync::FindProfile(reg, name, other))
            return refuse(QStringLiteral("There is already a profile \"%1\".").arg(Utf8ToQString(other.name)),
                          txtName);
    }
    std::string url = QStringToUtf8(txtUrl->text().trimmed());
    if (!sync::IsWebAddress(url)) {
        std::string path = url.rfind("file://", 0) == 0 ? url.substr(7) : url;
        if (path.empty() || !std::filesystem::path(path).is_absolute())
            return refuse(
                QStringLiteral("Give the address of a WebDAV share (http:// or https://) or a folder."),
                txtUrl);
    }
    const Database& db = m_sync.Main().Db();
    if (!db.IsLiveFolder(m_profile.folder) || db.IsWithin(m_profile.folder, kTrashFolder) ||
        db.IsWithin(m_profile.folder, kSearchResultsFolder))
        return refuse(QStringLiteral("Choose a folder outside the trash and the search results."), cmdFolder);
    if (!m_adding)
        name = m_profile.name;
    m_profile.name = name;
    m_profile.url = url;
    m_profile.user = QStringToUtf8(txtUser->text().trimmed());
    m_profile.direction = optUp->isChecked()     ? sync::Direction::Up
                          : optDown->isChecked() ? sync::Direction::Down
                                                 : sync::Direction::Both;
    m_profile.when = static_cast<sync::SyncWhen>(cboWhen->currentIndex());
    m_profile.minutes = spnMinutes->value();
    sync::SaveProfile(reg, m_profile);
    QString password = txtPassword->text();
    if (!password.isEmpty()) {
        std::string error;
        sync::PasswordStore* store = m_sync.Passwords();
        if (!store || !store->Store(name, url, m_profile.user, QStringToUtf8(password), error)) {
            m_sync.RememberPassword(name, QStringToUtf8(password));
            dialogs.Message(this,
                            Utf8ToQString(error) +
                                QStringLiteral("\n\nThe password is kept only until Vireo closes."),
                            {}, MsgButtons::Ok, MsgIcon::Exclamation);
        }
    }
    accept();
}

} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/options_dialog.h"

#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "interchange/browser.h"
#include "mainwindow/app_context.h"
#include "mainwindow/app_icons.h"
#include "mainwindow/facades.h"
#include "shell/options.h"
#include "store/database.h"
#include "store/strings.h"
#include "ui/sounds_dialog.h"

namespace vireo {

namespace {

// A browser the user names must be a program we can start.
bool IsProgram(const QString& path) {
    QFileInfo info(path);
    return !path.trimmed().isEmpty() && info.isFile() && info.isExecutable();
}

QString BrowserCaption(const QString& name, bool isDefault, bool installed) {
    if (isDefault)
        return name + Utf8ToQString(" (System Default)");
    if (!installed)
        return name + Utf8ToQString(" (Not Installed)");
    return name;
}

void CheckIndex(QButtonGroup* group, int index) {
    if (QAbstractButton* b = group->button(index))
        b->setChecked(true);
}

QButtonGroup* Group(QObject* parent, std::initializer_list<QAbstractButton*> buttons) {
    auto* group = new QButtonGroup(parent);
    int i = 0;
    for (QAbstractButton* b : buttons)
        group->addButton(b, i++);
    return group;
}

std::int32_t CheckedIndex(std::initializer_list<QAbstractButton*> buttons) {
    bool checked[8] = {};
    std::size_t n = 0;
    for (QAbstractButton* b : buttons)
        checked[n++] = b->isChecked();
    return CheckedButtonIndex(std::span<const bool>(checked, n));
}

} // namespace

QString ClampDaysText(const QString& typed) {
    bool ok = false;
    int days = typed.trimmed().toInt(&ok);
    if (!ok)
        days = 0;
    return QString::number(std::clamp(days, 2, 7));
}

frmOptions::frmOptions(AppContext& ctx, QWidget* parent, bool noBrowser) : QDialog(parent), m_ctx(ctx) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(Utf8ToQString("Options"));
    setWindowIcon(ResourceIcon(QStringLiteral("icon_app")));

    tbsOptions = new QTabWidget(this);
    tbsOptions->setObjectName(QStringLiteral("tbsOptions"));
    picOptions = {BuildBrowserPage(), BuildSoundsPage(), BuildGeneralPage(), BuildMarksPage()};
    const char* tabs[][2] = {{"Browsers", "Set Browser Options"},
                             {"Sounds", "Set Sound Options"},
                             {"General", "Set General Options"},
                             {"Marks", "Set Marks Options"}};
    for (int i = 0; i < 4; ++i) {
        picOptions[static_cast<std::size_t>(i)]->setObjectName(QStringLiteral("picOptions%1").arg(i));
        tbsOptions->addTab(picOptions[static_cast<std::size_t>(i)], Utf8ToQString(tabs[i][0]));
        tbsOptions->setTabToolTip(i, Utf8ToQString(tabs[i][1]));
    }
    lblNoBrowser->setVisible(noBrowser);

    cmdOK = new QPushButton(Utf8ToQString("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(Utf8ToQString("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdApply = new QPushButton(Utf8ToQString("Apply"), this);
    cmdApply->setObjectName(QStringLiteral("cmdApply"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdApply);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tbsOptions);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdOK, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmdApply, &QPushButton::clicked, this, &frmOptions::cmdApply_Click);

    LoadSettings();
    tbsOptions->setCurrentIndex(0);
}

QWidget* frmOptions::BuildBrowserPage() {
    auto* page = new QWidget;
    fraSample1 = new QGroupBox(Utf8ToQString("Browser Information"), page);
    fraSample1->setObjectName(QStringLiteral("fraSample1"));
    lblNoBrowser =
        new QLabel(Utf8ToQString("Vireo! could not find a web browser to open your bookmarks with. "
                                 "Please choose the browser Vireo! should use."),
                   page);
    lblNoBrowser->setObjectName(QStringLiteral("lblNoBrowser"));
    lblNoBrowser->setWordWrap(true);
    QFont bold = lblNoBrowser->font();
    bold.setBold(true);
    lblNoBrowser->setFont(bold);
    Option1 = new QRadioButton(Utf8ToQString(LoadResString(50)), fraSample1);
    Option1->setObjectName(QStringLiteral("Option1"));
    Option2 = new QRadioButton(Utf8ToQString(LoadResString(51)), fraSample1);
    Option2->setObjectName(QStringLiteral("Option2"));
    Option0 = new QRadioButton(Utf8ToQString("Other"), fraSample1);
    Option0->setObjectName(QStringLiteral("Option0"));
    BrowserPath = new QLineEdit(fraSample1);
    BrowserPath->setObjectName(QStringLiteral("BrowserPath"));
    BrowserPath->setMinimumWidth(300);
    Browse = new QPushButton(Utf8ToQString("Browse..."), fraSample1);
    Browse->setObjectName(QStringLiteral("Browse"));
    HomePage =
        new QCheckBox(Utf8ToQString("Check if browser's homepage is the Vireo! homepage."), fraSample1);
    HomePage->setObjectName(QStringLiteral("HomePage"));
    m_browsers = Group(this, {Option0, Option1, Option2});

    auto* box = new QVBoxLayout(fraSample1);
    box->setSpacing(8);
    box->addWidget(
        new QLabel(Utf8ToQString("Select which browser you would like Vireo! to use."), fraSample1));
    box->addWidget(Option1);
    box->addWidget(Option2);
    box->addWidget(Option0);
    auto* pathRow = new QHBoxLayout;
    pathRow->setContentsMargins(22, 0, 0, 0);
    pathRow->addWidget(BrowserPath, 1);
    pathRow->addWidget(Browse);
    box->addLayout(pathRow);
    box->addSpacing(6);
    box->addWidget(HomePage);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(lblNoBrowser);
    layout->addWidget(fraSample1);
    layout->addStretch(1);

    connect(Option0, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            BrowserChosen();
    });
    connect(Option1, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            BrowserChosen();
    });
    connect(Option2, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            BrowserChosen();
    });
    // A path typed in names the browser to use.
    connect(BrowserPath, &QLineEdit::textEdited, this, [this] { Option0->setChecked(true); });
    connect(Browse, &QPushButton::clicked, this, &frmOptions::Browse_Click);
    return page;
}

QWidget* frmOptions::BuildSoundsPage() {
    auto* page = new QWidget;
    fraSample2 = new QGroupBox(Utf8ToQString("Sound Settings"), page);
    fraSample2->setObjectName(QStringLiteral("fraSample2"));
    DisableSound = new QCheckBox(Utf8ToQString("Disable all sounds."), fraSample2);
    DisableSound->setObjectName(QStringLiteral("DisableSound"));
    auto* text =
        new QLabel(Utf8ToQString("Selecting the Change button below will display the Sounds\n"
                                 "Properties dialog.  This dialog will allow you to change the sounds\n"
                                 "that are played when certain events occur."),
                   fraSample2);
    Sounds = new QPushButton(Utf8ToQString("Change"), fraSample2);
    Sounds->setObjectName(QStringLiteral("Sounds"));

    auto* box = new QVBoxLayout(fraSample2);
    box->setSpacing(10);
    box->addWidget(DisableSound);
    box->addWidget(text);
    box->addWidget(Sounds, 0, Qt::AlignLeft);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(fraSample2);
    layout->addStretch(1);
    connect(Sounds, &QPushButton::clicked, this, &frmOptions::Sounds_Click);
    return page;
}

QWidget* frmOptions::BuildGeneralPage() {
    auto* page = new QWidget;
    fraSample3 = new QGroupBox(page);
    fraSample3->setObjectName(QStringLiteral("fraSample3"));
    frmConnection = new QGroupBox(Utf8ToQString("When a search starts"), fraSample3);
    frmConnection->setObjectName(QStringLiteral("frmConnection"));
    optPromptConnection =
        new QRadioButton(Utf8ToQString("Ask me if I would like to dial a connection"), frmConnection);
    optPromptConnection->setObjectName(QStringLiteral("optPromptConnection"));
    optUseDefault = new QRadioButton(Utf8ToQString("Use the default dialup connection"), frmConnection);
    optUseDefault->setObjectName(QStringLiteral("optUseDefault"));
    auto* conn = new QVBoxLayout(frmConnection);
    conn->addWidget(optPromptConnection);
    conn->addWidget(optUseDefault);

    txtDaysToCheck = new QLineEdit(fraSample3);
    txtDaysToCheck->setObjectName(QStringLiteral("txtDaysToCheck"));
    txtDaysToCheck->setValidator(new QIntValidator(0, 999, txtDaysToCheck));
    txtDaysToCheck->setMaxLength(3);
    txtDaysToCheck->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 12);
    txtDaysToCheck->setAlignment(Qt::AlignRight);
    txtDaysToCheck->installEventFilter(this);
    connect(txtDaysToCheck, &QLineEdit::editingFinished, this, &frmOptions::txtDaysToCheck_LostFocus);
    ToolbarTop = new QCheckBox(Utf8ToQString("Toolbar is always on top."), fraSample3);
    ToolbarTop->setObjectName(QStringLiteral("ToolbarTop"));
    ShowTips = new QCheckBox(Utf8ToQString("Show tips on startup."), fraSample3);
    ShowTips->setObjectName(QStringLiteral("ShowTips"));

    auto* days = new QHBoxLayout;
    days->addWidget(new QLabel(Utf8ToQString("Check for updated/new engines every"), fraSample3));
    days->addWidget(txtDaysToCheck);
    days->addWidget(new QLabel(Utf8ToQString("Days"), fraSample3));
    days->addStretch(1);
    auto* box = new QVBoxLayout(fraSample3);
    box->setSpacing(10);
    box->addWidget(frmConnection);
    box->addLayout(days);
    box->addWidget(ToolbarTop);
    box->addWidget(ShowTips);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(fraSample3);
    layout->addStretch(1);
    return page;
}

QWidget* frmOptions::BuildMarksPage() {
    auto* page = new QWidget;
    // A group of option buttons named `buttons` + index.
    auto frame = [page](const char* name, const char* title, const char* buttons,
                        const std::vector<const char*>& captions, QRadioButton** out) {
        auto* box = new QGroupBox(Utf8ToQString(title), page);
        box->setObjectName(QString::fromLatin1(name));
        auto* layout = new QVBoxLayout(box);
        layout->setSpacing(4);
        for (std::size_t i = 0; i < captions.size(); ++i) {
            out[i] = new QRadioButton(Utf8ToQString(captions[i]), box);
            out[i]->setObjectName(QStringLiteral("%1%2").arg(QString::fromLatin1(buttons)).arg(i));
            layout->addWidget(out[i]);
        }
        return box;
    };
    Frame1 = frame("Frame1", "When a bookmark or folder is deleted;", "DelBmk",
                   {"Move to Recycle Bin", "Delete immediately (cannot UnDelete)"}, DelBmk.data());
    Frame2 = frame("Frame2", "When a link is dropped on the toolbar;", "BmkDrop",
                   {"Never ask for properties, just put into Unsorted Bookmarks",
                    "Only ask when a title is needed.", "Always ask"},
                   BmkDrop.data());
    Frame3 = frame("Frame3", "Trash", "EmptyTrash",
                   {"Do NOT empty trash folder on exit.", "Empty trash folder on exit.",
                    "Ask me if I want trash folder emptied on exit."},
                   EmptyTrash.data());
    TrashNow = new QPushButton(Utf8ToQString("Empty Now"), Frame3);
    TrashNow->setObjectName(QStringLiteral("TrashNow"));
    static_cast<QVBoxLayout*>(Frame3->layout())->addWidget(TrashNow, 0, Qt::AlignRight);

    auto* layout = new QVBoxLayout(page);
    layout->setSpacing(8);
    layout->addWidget(Frame1);
    layout->addWidget(Frame2);
    layout->addWidget(Frame3);
    layout->addStretch(1);
    connect(TrashNow, &QPushButton::clicked, this, &frmOptions::TrashNow_Click);
    return page;
}

void frmOptions::LoadSettings() {
    Registry& reg = m_ctx.reg;
    // Browsers
    std::string defaultBrowser, explorer, netscape;
    bool hasDefault = GetDefaultBrowser(reg, defaultBrowser);
    int defaultKind = hasDefault ? BrowserKind(defaultBrowser) : -1;
    bool hasExplorer = GetExplorerPath(reg, explorer);
    bool hasProfiles = false;
    bool hasNetscape = GetNetscapePath(reg, netscape, hasProfiles);
    Option1->setText(
        BrowserCaption(Utf8ToQString(LoadResString(50)), defaultKind == kBrowserExplorer, hasExplorer));
    Option1->setEnabled(hasExplorer);
    Option2->setText(
        BrowserCaption(Utf8ToQString(LoadResString(51)), defaultKind == kBrowserNetscape, hasNetscape));
    Option2->setEnabled(hasNetscape);
    if (hasDefault)
        BrowserPath->setPlaceholderText(Utf8ToQString("The desktop's default browser: ") +
                                        Utf8ToQString(defaultBrowser));

    std::int32_t which = 0;
    std::string userDefined;
    GetBrowserChoice(reg, which, userDefined);
    BrowserPath->setText(Utf8ToQString(userDefined));
    m_browsers->setExclusive(false);
    for (QAbstractButton* b : m_browsers->buttons())
        b->setChecked(false);
    m_browsers->setExclusive(true);
    if (which == kBrowserOther) {
        if (QFileInfo(Utf8ToQString(userDefined)).isFile())
            Option0->setChecked(true);
    } else if (which == kBrowserExplorer) {
        Option1->setChecked(true);
    } else if (which == kBrowserNetscape) {
        Option2->setChecked(true);
    }
    HomePage->setChecked(GetAskHome(reg));

    // Sounds
    DisableSound->setChecked(GetDisableSound(reg));

    // General
    ToolbarTop->setChecked(GetToolbarTop(reg));
    ShowTips->setChecked(GetShowTips(reg));
    (GetConnectionAction(reg) ? optPromptConnection : optUseDefault)->setChecked(true);
    txtDaysToCheck->setText(QString::number(GetDaysToCheck(reg)));

    // Marks: a stored number no button stands for leaves the group without a choice.
    CheckIndex(Group(this, {DelBmk[0], DelBmk[1]}), GetDeleteBmks(reg));
    CheckIndex(Group(this, {BmkDrop[0], BmkDrop[1], BmkDrop[2]}), GetBmkDrop(reg));
    CheckIndex(Group(this, {EmptyTrash[0], EmptyTrash[1], EmptyTrash[2]}), GetTrash(reg));
}

void frmOptions::BrowserChosen() {
    bool other = Option0->isChecked();
    BrowserPath->setEnabled(other);
    Browse->setEnabled(other);
}

void frmOptions::NextTab() {
    tbsOptions->setCurrentIndex((tbsOptions->currentIndex() + 1) % tbsOptions->count());
}

void frmOptions::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) &&
        (event->modifiers() & Qt::ControlModifier)) {
        NextTab();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool frmOptions::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtDaysToCheck && event->type() == QEvent::FocusOut)
        txtDaysToCheck_LostFocus();
    return QDialog::eventFilter(watched, event);
}

void frmOptions::Browse_Click() {
    QString file = m_ctx.dialogs.OpenFileName(this, Utf8ToQString("Choose a Browser"),
                                              Utf8ToQString("Programs|*|All files (*.*)|*.*"),
                                              QStringLiteral("/usr/bin"));
    if (file.isEmpty())
        return;
    BrowserPath->setText(file);
    Option0->setChecked(true);
}

void frmOptions::Sounds_Click() {
    frmSounds dialog(m_ctx.reg, m_ctx.program.Sounds(), m_ctx.dialogs, this);
    m_ctx.dialogs.RunDialog(dialog);
}

void frmOptions::TrashNow_Click() {
    Database& db = m_ctx.db;
    WaitCursor wait;
    if (!db.EmptyFolder(kTrashFolder, true))
        m_ctx.dialogs.Message(this, Utf8ToQString(db.LastError()), {}, MsgButtons::Ok, MsgIcon::Critical);
}

void frmOptions::txtDaysToCheck_LostFocus() {
    QString clamped = ClampDaysText(txtDaysToCheck->text());
    if (clamped != txtDaysToCheck->text())
        txtDaysToCheck->setText(clamped);
}

bool frmOptions::SaveSettings() {
    Registry& reg = m_ctx.reg;
    if (Option0->isChecked()) {
        QString path = BrowserPath->text().trimmed();
        // A refused path is not stored, nor anything else: the dialog stays open for the
        // user to correct it, and Cancel then leaves every setting as it was.
        if (!IsProgram(path)) {
            m_ctx.dialogs.Message(
                this,
                Utf8ToQString("The file ") + path +
                    Utf8ToQString(" does not appear to be a valid file.  Please select a different "
                                  "browser executable."),
                {}, MsgButtons::Ok, MsgIcon::Exclamation);
            return false;
        }
        SaveBrowser(reg, kBrowserOther, QStringToUtf8(path));
    } else if (Option1->isChecked()) {
        std::string path;
        if (GetExplorerPath(reg, path))
            SaveBrowser(reg, kBrowserExplorer, path);
    } else if (Option2->isChecked()) {
        std::string path;
        bool hasProfiles = false;
        if (GetNetscapePath(reg, path, hasProfiles))
            SaveBrowser(reg, kBrowserNetscape, path);
    }

    SetAskHome(reg, HomePage->isChecked() ? 0 : 1);
    SetDisableSound(reg, DisableSound->isChecked());
    SetShowTips(reg, ShowTips->isChecked());
    SetToolbarTop(reg, ToolbarTop->isChecked());
    SetConnectionAction(reg, optPromptConnection->isChecked() ? 0 : 1);
    // The field is stored as it shows after leaving it, also when OK is pressed with Enter.
    txtDaysToCheck_LostFocus();
    SetDaysToCheck(reg, txtDaysToCheck->text().toInt());
    SetDeleteBmks(reg, CheckedIndex({DelBmk[0], DelBmk[1]}));
    SetBmkDrop(reg, CheckedIndex({BmkDrop[0], BmkDrop[1], BmkDrop[2]}));
    SetTrash(reg, CheckedIndex({EmptyTrash[0], EmptyTrash[1], EmptyTrash[2]}));

    // The browser in use follows the choice at once.
    m_ctx.program.FindBrowser();
    return true;
}

void frmOptions::cmdOK_Click() {
    if (SaveSettings())
        accept();
}

void frmOptions::cmdApply_Click() {
    SaveSettings();
}

void frmOptions::ShowBrowserConfigError(AppContext& ctx, QWidget* parent, bool noBrowser) {
    frmOptions dialog(ctx, parent, noBrowser);
    dialog.tbsOptions->setCurrentIndex(0);
    ctx.dialogs.RunDialog(dialog);
}

} // namespace vireo

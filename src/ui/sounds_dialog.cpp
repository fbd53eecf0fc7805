// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/sounds_dialog.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QVBoxLayout>

#include "mainwindow/app_icons.h"
#include "mainwindow/facades.h"
#include "shell/registry.h"
#include "ui/event_sounds.h"

namespace vireo {

namespace {

constexpr const char* kSoundFilter = "Sounds (*.wav;*.ogg;*.oga)|*.wav;*.ogg;*.oga|All files (*.*)|*.*";

} // namespace

QString frmSounds::EventTitle(SoundEvent event) {
    static const char* titles[] = {"A dropped link is filed",
                                   "A drop is refused",
                                   "A web search starts",
                                   "A web search is complete",
                                   "A folder is emptied",
                                   "Bookmarks are imported",
                                   "Vireo! starts"};
    if (SoundIndex(event) >= std::size(titles))
        return {};
    return Utf8ToQString(titles[SoundIndex(event)]);
}

frmSounds::frmSounds(Registry& reg, EventSounds& sounds, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_reg(reg), m_sounds(sounds), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("frmSounds"));
    setWindowTitle(Utf8ToQString("Sounds"));
    setWindowIcon(ResourceIcon(QStringLiteral("icon_app")));

    lstEvents = new QTreeWidget(this);
    lstEvents->setObjectName(QStringLiteral("lstEvents"));
    lstEvents->setRootIsDecorated(false);
    lstEvents->setUniformRowHeights(true);
    lstEvents->setAllColumnsShowFocus(true);
    lstEvents->setHeaderLabels({Utf8ToQString("Event"), Utf8ToQString("Sound")});
    lstEvents->header()->setStretchLastSection(true);
    lstEvents->setColumnWidth(0, 190);
    lstEvents->setMinimumSize(460, 7 * (fontMetrics().height() + 8) + fontMetrics().height() + 14);
    for (SoundEvent event : kSoundEvents) {
        std::string file = GetRegText(m_reg, SoundEventKey(event), "");
        auto* row = new QTreeWidgetItem(lstEvents);
        row->setText(0, EventTitle(event));
        row->setData(0, Qt::UserRole, static_cast<int>(event));
        row->setSizeHint(0, QSize(0, fontMetrics().height() + 8));
        SetFile(event, file.empty() ? m_sounds.DefaultSoundFile(event) : file);
    }

    txtFile = new QLineEdit(this);
    txtFile->setObjectName(QStringLiteral("txtFile"));
    cmdBrowse = new QPushButton(Utf8ToQString("&Browse..."), this);
    cmdBrowse->setObjectName(QStringLiteral("cmdBrowse"));
    cmdPlay = new QPushButton(Utf8ToQString("&Play"), this);
    cmdPlay->setObjectName(QStringLiteral("cmdPlay"));
    cmdPlay->setToolTip(Utf8ToQString("Play the sound"));
    cmdDefault = new QPushButton(Utf8ToQString("&Default"), this);
    cmdDefault->setObjectName(QStringLiteral("cmdDefault"));
    cmdDefault->setToolTip(Utf8ToQString("The sound that comes with Vireo!"));
    cmdOK = new QPushButton(Utf8ToQString("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(Utf8ToQString("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(txtFile, 1);
    fileRow->addWidget(cmdBrowse);
    fileRow->addWidget(cmdPlay);
    fileRow->addWidget(cmdDefault);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(Utf8ToQString("Choose an event, then the sound Vireo! plays when it happens."), this));
    layout->addWidget(lstEvents, 1);
    layout->addWidget(new QLabel(Utf8ToQString("Sound file:"), this));
    layout->addLayout(fileRow);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    resize(580, 0);

    connect(lstEvents, &QTreeWidget::currentItemChanged, this, [this] {
        std::optional<SoundEvent> event = CurrentEvent();
        QSignalBlocker block(txtFile);
        txtFile->setText(event ? Utf8ToQString(FileOf(*event)) : QString());
        for (QWidget* w : {static_cast<QWidget*>(txtFile), static_cast<QWidget*>(cmdBrowse),
                           static_cast<QWidget*>(cmdPlay), static_cast<QWidget*>(cmdDefault)})
            w->setEnabled(event.has_value());
    });
    connect(txtFile, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (std::optional<SoundEvent> event = CurrentEvent())
            SetFile(*event, QStringToUtf8(text.trimmed()));
    });
    connect(lstEvents, &QTreeWidget::itemActivated, this, [this] { cmdPlay_Click(); });
    connect(cmdBrowse, &QPushButton::clicked, this, &frmSounds::cmdBrowse_Click);
    connect(cmdPlay, &QPushButton::clicked, this, &frmSounds::cmdPlay_Click);
    connect(cmdDefault, &QPushButton::clicked, this, &frmSounds::cmdDefault_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmSounds::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    SelectEvent(kSoundEvents.front());
}

std::optional<SoundEvent> frmSounds::CurrentEvent() const {
    QTreeWidgetItem* row = lstEvents->currentItem();
    if (!row)
        return std::nullopt;
    return static_cast<SoundEvent>(row->data(0, Qt::UserRole).toInt());
}

void frmSounds::SelectEvent(SoundEvent event) {
    lstEvents->setCurrentItem(lstEvents->topLevelItem(static_cast<int>(SoundIndex(event))));
}

void frmSounds::SetFile(SoundEvent event, const std::string& file) {
    m_files[SoundIndex(event)] = file;
    QTreeWidgetItem* row = lstEvents->topLevelItem(static_cast<int>(SoundIndex(event)));
    QString path = Utf8ToQString(file);
    row->setText(1, QFileInfo(path).fileName());
    row->setToolTip(1, path);
    if (event == CurrentEvent() && txtFile && txtFile->text() != path) {
        QSignalBlocker block(txtFile);
        txtFile->setText(path);
    }
}

void frmSounds::cmdBrowse_Click() {
    std::optional<SoundEvent> event = CurrentEvent();
    if (!event)
        return;
    QString dir = QFileInfo(Utf8ToQString(FileOf(*event))).absolutePath();
    QString file =
        m_dialogs.OpenFileName(this, Utf8ToQString("Choose a Sound"), Utf8ToQString(kSoundFilter), dir);
    if (!file.isEmpty())
        SetFile(*event, QStringToUtf8(file));
}

void frmSounds::cmdPlay_Click() {
    std::optional<SoundEvent> event = CurrentEvent();
    if (!event)
        return;
    std::string file = FileOf(*event);
    if (file.empty() || !QFileInfo(Utf8ToQString(file)).isFile()) {
        m_dialogs.Message(this, Utf8ToQString("The file \"%1\" cannot be found.").arg(Utf8ToQString(file)),
                          windowTitle(), MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    // A sound tried out here plays even while the event sounds are switched off.
    m_sounds.Output().PlayFile(file);
}

void frmSounds::cmdDefault_Click() {
    if (std::optional<SoundEvent> event = CurrentEvent())
        SetFile(*event, m_sounds.DefaultSoundFile(*event));
}

void frmSounds::cmdOK_Click() {
    for (SoundEvent event : kSoundEvents) {
        std::string file = FileOf(event);
        // No file would give the shipped one back at the next start anyway; say so now.
        if (file.empty())
            file = m_sounds.DefaultSoundFile(event);
        if (GetRegText(m_reg, SoundEventKey(event), "") != file)
            SetRegValue(m_reg, SoundEventKey(event), "", file);
    }
    accept();
}

} // namespace vireo

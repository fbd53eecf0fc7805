// SPDX-License-Identifier: GPL-3.0-or-later
#include "interchange/find_dialog.h"

#include <QElapsedTimer>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QShortcut>
#include <QVBoxLayout>

#include "interchange/link_marks.h"
#include "mainwindow/app_icons.h"
#include "mainwindow/facades.h"
#include "mainwindow/main_window.h"
#include "store/database.h"
#include "store/strings.h"

namespace vireo {

namespace {

constexpr const char* kBrowsePrompt = "Select a folder to find bookmarks in.";
constexpr const char* kCopyToPrompt = "Select a folder to copy the find result to.";
// Rows found are painted at least this often while a search runs (milliseconds).
constexpr qint64 kRepaintEvery = 60;

} // namespace

frmFind::frmFind(frmMain& main, QWidget* parent) : QDialog(parent ? parent : &main), m_main(main) {
    setObjectName(QStringLiteral("frmFind"));
    setWindowTitle(Utf8ToQString(LoadResString(21)));
    setWindowIcon(ResourceIcon(QStringLiteral("findlogo")));
    setSizeGripEnabled(true);

    imgLogo = new QLabel(this);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    txtFind = new QLineEdit(this);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    const char* fields[] = {"Name", "URL", "Description"};
    for (int i = 0; i < 3; ++i) {
        chkFind[i] = new QCheckBox(Utf8ToQString(fields[i]), this);
        chkFind[i]->setObjectName(QStringLiteral("chkFind%1").arg(i));
    }
    MatchCase = new QCheckBox(Utf8ToQString("Match Case"), this);
    MatchCase->setObjectName(QStringLiteral("MatchCase"));
    optExact[0] = new QRadioButton(Utf8ToQString("Match any part"), this);
    optExact[0]->setObjectName(QStringLiteral("optExact0"));
    optExact[1] = new QRadioButton(Utf8ToQString("Exact Match"), this);
    optExact[1]->setObjectName(QStringLiteral("optExact1"));
    FolderId = new QLineEdit(this);
    FolderId->setObjectName(QStringLiteral("FolderId"));
    // The folder is chosen with Browse; the number only tells which one it is.
    FolderId->setReadOnly(true);
    FolderId->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 12);
    FolderId->setAlignment(Qt::AlignRight);
    FolderName = new QLineEdit(this);
    FolderName->setObjectName(QStringLiteral("FolderName"));
    FolderName->setReadOnly(true);
    Browse = new QPushButton(Utf8ToQString("&Browse..."), this);
    Browse->setObjectName(QStringLiteral("Browse"));
    Browse->setToolTip(Utf8ToQString("Folder to find in."));
    recursive = new QCheckBox(Utf8ToQString("Include subfolders"), this);
    recursive->setObjectName(QStringLiteral("recursive"));
    chkDead = new QCheckBox(Utf8ToQString("Only dead &links"), this);
    chkDead->setObjectName(QStringLiteral("chkDead"));
    chkDead->setToolTip(Utf8ToQString("Only bookmarks that the last link check found dead or unreachable; "
                                      "with no text, all of them"));
    Find = new QPushButton(Utf8ToQString("&Find Now"), this);
    Find->setObjectName(QStringLiteral("Find"));
    Find->setDefault(true);
    CopyTo = new QPushButton(Utf8ToQString("&Copy to"), this);
    CopyTo->setObjectName(QStringLiteral("CopyTo"));
    CopyTo->setToolTip(Utf8ToQString("Copy the Find results to a folder"));
    cmdDelete = new QPushButton(Utf8ToQString("&Delete"), this);
    cmdDelete->setObjectName(QStringLiteral("cmdDelete"));
    cmdDelete->setToolTip(Utf8ToQString("Delete the selected bookmarks"));
    CancelFind = new QPushButton(Utf8ToQString("Cl&ose"), this);
    CancelFind->setObjectName(QStringLiteral("CancelFind"));
    cmdHelp = new QPushButton(Utf8ToQString("&Help"), this);
    cmdHelp->setObjectName(QStringLiteral("cmdHelp"));
    cmdHelp->setToolTip(Utf8ToQString("Help on Find"));

    listV = new QTreeWidget(this);
    listV->setObjectName(QStringLiteral("listV"));
    listV->setRootIsDecorated(false);
    listV->setUniformRowHeights(true);
    listV->setAllColumnsShowFocus(true);
    listV->setSelectionMode(QAbstractItemView::ExtendedSelection);
    listV->setHeaderLabels(
        {Utf8ToQString("Name"), Utf8ToQString("URL"), Utf8ToQString("Description"), Utf8ToQString("Path")});
    listV->setIconSize(QSize(16, 16));
    listV->header()->setStretchLastSection(true);
    // The end of a long folder path tells most: cut its middle.
    listV->setTextElideMode(Qt::ElideMiddle);
    listV->setColumnWidth(0, 200);
    listV->setColumnWidth(1, 220);
    listV->setColumnWidth(2, 160);

    StatBar = new QStatusBar(this);
    StatBar->setObjectName(QStringLiteral("StatBar"));
    StatBar->setSizeGripEnabled(false);
    for (int i = 0; i < 2; ++i) {
        statPanel[i] = new QLabel(this);
        statPanel[i]->setObjectName(QStringLiteral("statPanel%1").arg(i + 1));
    }
    statPanel[0]->setMinimumWidth(150);
    StatBar->addWidget(statPanel[0]);
    StatBar->addWidget(statPanel[1], 1);

    // The question on the left, in rows; the buttons in a column on the right.
    auto* form = new QGridLayout;
    form->setHorizontalSpacing(8);
    form->setVerticalSpacing(6);
    form->addWidget(new QLabel(Utf8ToQString("Search for bookmark(s) with"), this), 0, 0);
    form->addWidget(txtFind, 0, 1, 1, 4);
    form->addWidget(new QLabel(Utf8ToQString("In the"), this), 1, 0);
    auto* fieldsRow = new QHBoxLayout;
    fieldsRow->setSpacing(14);
    for (QCheckBox* c : chkFind)
        fieldsRow->addWidget(c);
    fieldsRow->addStretch(1);
    fieldsRow->addWidget(MatchCase);
    form->addLayout(fieldsRow, 1, 1, 1, 4);
    auto* exactRow = new QHBoxLayout;
    exactRow->setSpacing(14);
    exactRow->addWidget(optExact[0]);
    exactRow->addWidget(optExact[1]);
    exactRow->addStretch(1);
    form->addLayout(exactRow, 2, 1, 1, 4);
    form->addWidget(new QLabel(Utf8ToQString("Within folder"), this), 3, 0);
    form->addWidget(FolderId, 3, 1);
    form->addWidget(FolderName, 3, 2, 1, 2);
    form->addWidget(Browse, 3, 4);
    auto* scopeRow = new QHBoxLayout;
    scopeRow->setSpacing(14);
    scopeRow->addWidget(recursive);
    scopeRow->addWidget(chkDead);
    scopeRow->addStretch(1);
    form->addLayout(scopeRow, 4, 1, 1, 4);
    form->setColumnStretch(2, 1);

    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(6);
    for (QPushButton* b : {Find, CopyTo, cmdDelete, CancelFind, cmdHelp})
        buttons->addWidget(b);
    buttons->addStretch(1);

    auto* logoColumn = new QVBoxLayout;
    logoColumn->addWidget(imgLogo);
    logoColumn->addStretch(1);

    auto* top = new QHBoxLayout;
    top->setSpacing(12);
    top->addLayout(logoColumn);
    top->addLayout(form, 1);
    top->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 0);
    layout->addLayout(top);
    layout->addWidget(listV, 1);
    layout->addWidget(StatBar);
    resize(860, 500);

    connect(Find, &QPushButton::clicked, this, &frmFind::Find_Click);
    connect(Browse, &QPushButton::clicked, this, &frmFind::Browse_Click);
    connect(CopyTo, &QPushButton::clicked, this, &frmFind::CopyTo_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmFind::cmdDelete_Click);
    connect(listV, &QTreeWidget::itemSelectionChanged, this, &frmFind::SelectionChanged);
    connect(CancelFind, &QPushButton::clicked, this, &QDialog::close);
    connect(cmdHelp, &QPushButton::clicked, this, &frmFind::cmdHelp_Click);
    connect(listV, &QTreeWidget::itemActivated, this, [this] { listV_DblClick(); });

    // Form_Load
    LoadFindSettings();
    m_settings.FindFolder = kRootFolder;
    ShowFindControls();
    imgLogo->setPixmap(ResourcePixmap(QStringLiteral("findlogo"), QSize(48, 48)));
    txtFind->setFocus();
    SelectionChanged();
    auto* deleteKey = new QShortcut(QKeySequence::Delete, listV, this, &frmFind::cmdDelete_Click);
    deleteKey->setContext(Qt::WidgetShortcut);
}

void frmFind::LoadFindSettings() {
    vireo::LoadFindSettings(m_main.Context().reg, m_settings);
}

void frmFind::SaveFindSettings() {
    vireo::SaveFindSettings(m_main.Context().reg, m_settings);
}

void frmFind::ShowFindControls() {
    listV->clear();
    m_hits.clear();
    txtFind->setText(Utf8ToQString(m_settings.FindText));
    FolderId->setText(QString::number(m_settings.FindFolder));
    chkFind[0]->setChecked(m_settings.InName);
    chkFind[1]->setChecked(m_settings.InUrl);
    chkFind[2]->setChecked(m_settings.InDesc);
    MatchCase->setChecked(m_settings.MatchCase);
    recursive->setChecked(m_settings.Recursive);
    chkDead->setChecked(m_settings.OnlyDead);
    optExact[m_settings.ExactMatch ? 1 : 0]->setChecked(true);
    AddPlaceholderRow();
    const Database& db = m_main.Db();
    FolderName->setText(db.IsLiveFolder(m_settings.FindFolder)
                            ? Utf8ToQString(db.FolderName(m_settings.FindFolder))
                            : QString());
}

void frmFind::ReadFindControls() {
    m_settings.FindText = QStringToUtf8(txtFind->text());
    m_settings.FindFolder = static_cast<std::int16_t>(FolderId->text().toInt());
    m_settings.InName = chkFind[0]->isChecked();
    m_settings.InUrl = chkFind[1]->isChecked();
    m_settings.InDesc = chkFind[2]->isChecked();
    m_settings.MatchCase = MatchCase->isChecked();
    m_settings.ExactMatch = !optExact[0]->isChecked();
    m_settings.Recursive = recursive->isChecked();
    m_settings.OnlyDead = chkDead->isChecked();
}

void frmFind::AddPlaceholderRow() {
    auto* row = new QTreeWidgetItem(listV);
    row->setText(0, Utf8ToQString(kNoItemsRow));
    row->setFirstColumnSpanned(true);
}

bool frmFind::HasHits() const {
    QTreeWidgetItem* first = listV->topLevelItem(0);
    return first && first->text(0) != Utf8ToQString(kNoItemsRow);
}

void frmFind::ShowFindStatus(std::int16_t folder, bool found, const std::string& path) {
    if (found) {
        ++m_foundCount;
        statPanel[0]->setText(QString::number(m_foundCount) + Utf8ToQString(kFoundSuffix));
    } else if (folder == 0) {
        statPanel[1]->clear();
    } else {
        statPanel[1]->setText(Utf8ToQString(path.empty() ? m_main.Db().FolderPath(folder) : path));
    }
}

void frmFind::Find_Click() {
    ReadFindControls();
    SaveFindSettings();
    listV->clear();
    m_hits.clear();
    m_foundCount = -1;
    ShowFindStatus(m_settings.FindFolder, true);

    // The search keeps the window to itself until it ends; found rows are painted as they
    // come, without handing events to anything else meanwhile.
    struct Sink : FindSink {
        explicit Sink(frmFind& f) : form(f) { clock.start(); }
        void SearchingFolder(std::int16_t folder, const std::string& path) override {
            form.ShowFindStatus(folder, false, path);
            Paint(false);
        }
        void Found(const FindHit& hit, std::int32_t) override {
            form.ShowFindStatus(hit.folder, true);
            auto* row = new QTreeWidgetItem(form.listV);
            row->setText(0, Utf8ToQString(hit.title));
            row->setText(1, Utf8ToQString(hit.url));
            row->setText(2, Utf8ToQString(hit.description));
            row->setText(3, Utf8ToQString(hit.path));
            row->setIcon(0, ImageListIcon(IsDeadLink(hit.userFlags) ? kImageDeadLink : kImageBookmark));
            if (IsDeadLink(hit.userFlags))
                row->setToolTip(0, Utf8ToQString("Dead link: ") +
                                       Utf8ToQString(DeadReasonText(DeadLinkReason(hit.userFlags))));
            form.m_hits.push_back(hit);
            Paint(form.m_hits.size() == 1);
        }
        void Paint(bool now) {
            if (!now && clock.elapsed() < kRepaintEvery)
                return;
            clock.restart();
            form.listV->viewport()->repaint();
            form.StatBar->repaint();
        }
        frmFind& form;
        QElapsedTimer clock;
    } sink(*this);
    {
        WaitCursor wait;
        SearchFolder(m_main.Db(), m_settings, m_settings.FindFolder, sink);
    }
    if (listV->topLevelItemCount() == 0)
        AddPlaceholderRow();
    ShowFindStatus(0, false);
    SelectionChanged();
}

void frmFind::Browse_Click() {
    std::int16_t folder = m_main.ChooseFolder(this, Utf8ToQString(kBrowsePrompt));
    if (folder < 1)
        return;
    FolderId->setText(QString::number(folder));
    ReadFindControls();
    ShowFindControls();
}

void frmFind::CopyTo_Click() {
    AppContext& ctx = m_main.Context();
    if (!HasHits()) {
        ctx.dialogs.Message(this, Utf8ToQString(kNothingToCopy), Utf8ToQString(kCopyResultsTitle),
                            MsgButtons::Ok, MsgIcon::None);
        return;
    }
    std::int16_t target = m_main.ChooseFolder(this, Utf8ToQString(kCopyToPrompt));
    if (target < 1)
        return;
    ExchangeResult result;
    {
        WaitCursor wait;
        result = CopyFindResults(m_main.Db(), m_hits, m_settings.FindText, target);
    }
    if (!result.message.empty())
        ctx.dialogs.Message(this, Utf8ToQString(result.message), Utf8ToQString(result.title), MsgButtons::Ok,
                            result.warning ? MsgIcon::Exclamation : MsgIcon::Information);
    if (result.ok) {
        statPanel[1]->setText(QStringLiteral("Copied %1 bookmark(s) into \"%2\".")
                                  .arg(result.bookmarks)
                                  .arg(Utf8ToQString(m_main.Db().FolderName(result.folder))));
        m_main.FillBookmarkList();
        m_main.ScheduleSave();
    }
}

void frmFind::SelectionChanged() {
    cmdDelete->setEnabled(HasHits() && !listV->selectedItems().isEmpty());
}

void frmFind::cmdDelete_Click() {
    if (!HasHits())
        return;
    Database& db = m_main.Db();
    std::int32_t deleted = 0;
    // Rows and hits are in the same order; go from the end so the indexes hold.
    for (int i = listV->topLevelItemCount() - 1; i >= 0; --i) {
        QTreeWidgetItem* row = listV->topLevelItem(i);
        if (!row->isSelected() || i >= static_cast<int>(m_hits.size()))
            continue;
        const FindHit& hit = m_hits[static_cast<std::size_t>(i)];
        // The bookmark may have moved or gone since it was found.
        if (db.IsLiveFolder(hit.folder) && db.Marks(hit.folder).PositionOf(hit.key) > 0) {
            db.Marks(hit.folder).Copy(hit.key);
            db.Marks(hit.folder).Kill(hit.key, false);
            ++deleted;
        }
        m_hits.erase(m_hits.begin() + i);
        delete row;
    }
    // The count tells what the list still holds.
    m_foundCount = static_cast<int>(m_hits.size());
    statPanel[0]->setText(QString::number(m_foundCount) + Utf8ToQString(kFoundSuffix));
    if (listV->topLevelItemCount() == 0)
        AddPlaceholderRow();
    statPanel[1]->setText(QStringLiteral("Deleted %1 bookmark(s).").arg(deleted));
    if (deleted) {
        m_main.FillBookmarkList();
        m_main.ScheduleSave();
    }
    SelectionChanged();
}

void frmFind::listV_DblClick() {
    QTreeWidgetItem* row = listV->currentItem();
    if (!row || !HasHits() || row->text(1).isEmpty())
        return;
    m_main.OpenDocument(row->text(1));
}

void frmFind::cmdHelp_Click() {
    m_main.OpenDocument(Utf8ToQString(HelpPageUrl("find.html")));
}

void frmFind::done(int result) {
    // The boxes as the user left them are what the next Find starts with.
    ReadFindControls();
    SaveFindSettings();
    QDialog::done(result);
}

} // namespace vireo

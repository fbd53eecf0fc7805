// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/link_check_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>

#include "mainwindow/app_icons.h"
#include "mainwindow/facades.h"
#include "mainwindow/main_window.h"
#include "platform/url_fetch.h"
#include "store/database.h"

namespace vireo {

namespace {

// Pages fetched at once: enough to keep a slow server from holding up the rest, few
// enough not to look like an attack on any one site.
constexpr int kJobs = 4;

bool IsDead(LinkState state) {
    return state == LinkState::Gone || state == LinkState::NotFoundPage;
}

QString ResultText(const LinkReport& report) {
    QString state = IsDead(report.state) ? Q("Dead") : Q("Unreachable");
    return report.reason.empty() ? state : state + Q(": ") + Q(report.reason);
}

} // namespace

frmLinkCheck::frmLinkCheck(frmMain& main, std::int16_t folder, std::unique_ptr<UrlFetcher> fetcher,
                           QWidget* parent)
    : QDialog(parent ? parent : &main), m_main(main), m_folder(folder), m_fetcher(std::move(fetcher)) {
    if (!m_fetcher)
        m_fetcher = std::make_unique<sys::CurlFetcher>();
    setObjectName(QStringLiteral("frmLinkCheck"));
    QString name = Q(main.Db().IsLiveFolder(folder) ? main.Db().FolderName(folder) : std::string());
    setWindowTitle(Q("Check Links - ") + name);
    setWindowIcon(ResourceIcon(QStringLiteral("icon_app")));
    setSizeGripEnabled(true);

    lblFolder = new QLabel(Q("The links of the folder \"%1\".").arg(name), this);
    lblFolder->setObjectName(QStringLiteral("lblFolder"));
    lblFolder->setTextFormat(Qt::PlainText);
    prgProgress = new QProgressBar(this);
    prgProgress->setObjectName(QStringLiteral("prgProgress"));
    prgProgress->setRange(0, 1);
    prgProgress->setValue(0);
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lstResults = new QTreeWidget(this);
    lstResults->setObjectName(QStringLiteral("lstResults"));
    lstResults->setRootIsDecorated(false);
    lstResults->setUniformRowHeights(true);
    lstResults->setAllColumnsShowFocus(true);
    lstResults->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstResults->setHeaderLabels({Q("Name"), Q("URL"), Q("Result")});
    lstResults->header()->setStretchLastSection(true);
    lstResults->setColumnWidth(0, 190);
    lstResults->setColumnWidth(1, 230);
    lstResults->setIconSize(QSize(16, 16));

    cmdOpen = new QPushButton(Q("&Open"), this);
    cmdOpen->setObjectName(QStringLiteral("cmdOpen"));
    cmdOpen->setToolTip(Q("Open the bookmark in your browser"));
    cmdSelect = new QPushButton(Q("&Select"), this);
    cmdSelect->setObjectName(QStringLiteral("cmdSelect"));
    cmdSelect->setToolTip(Q("Select the bookmarks in the main window"));
    cmdDelete = new QPushButton(Q("&Delete"), this);
    cmdDelete->setObjectName(QStringLiteral("cmdDelete"));
    cmdDelete->setToolTip(Q("Delete the bookmarks"));
    cmdCancel = new QPushButton(Q("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setToolTip(Q("Stop checking"));
    cmdClose = new QPushButton(Q("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));

    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(prgProgress, 1);
    progressRow->addWidget(cmdCancel);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdOpen);
    buttons->addWidget(cmdSelect);
    buttons->addWidget(cmdDelete);
    buttons->addStretch(1);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblFolder);
    layout->addLayout(progressRow);
    layout->addWidget(lblStatus);
    layout->addWidget(new QLabel(Q("Bookmarks that are dead or could not be reached:"), this));
    layout->addWidget(lstResults, 1);
    layout->addLayout(buttons);
    resize(680, 420);

    connect(cmdCancel, &QPushButton::clicked, this, &frmLinkCheck::cmdCancel_Click);
    connect(cmdOpen, &QPushButton::clicked, this, &frmLinkCheck::cmdOpen_Click);
    connect(cmdSelect, &QPushButton::clicked, this, &frmLinkCheck::cmdSelect_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmLinkCheck::cmdDelete_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
    connect(lstResults, &QTreeWidget::itemSelectionChanged, this, &frmLinkCheck::SelectionChanged);
    connect(lstResults, &QTreeWidget::itemActivated, this, [this] { cmdOpen_Click(); });
    SelectionChanged();
}

frmLinkCheck::~frmLinkCheck() {
    StopWorker();
}

void frmLinkCheck::StopWorker() {
    m_cancel = true;
    if (m_worker.joinable())
        m_worker.join();
}

void frmLinkCheck::Start() {
    if (m_running || m_worker.joinable())
        return;
    // The database is read here, on its own thread; the worker only fetches.
    std::vector<LinkReport> reports = CollectLinks(m_main.Db(), m_folder);
    const auto total = static_cast<std::int32_t>(reports.size());
    prgProgress->setRange(0, std::max(total, 1));
    prgProgress->setValue(0);
    m_alive = m_dead = m_unreachable = 0;
    lstResults->clear();
    ShowCounts(0, total);
    m_running = true;
    cmdCancel->setEnabled(true);
    m_cancel = false;
    m_worker = std::thread([this, reports = std::move(reports)]() mutable {
        VerifyOptions options;
        options.jobs = kJobs;
        options.cancel = &m_cancel;
        options.progress = [this](const LinkReport& report, std::int32_t done, std::int32_t total) {
            QMetaObject::invokeMethod(
                this, [this, report, done, total] { Progress(report, done, total); }, Qt::QueuedConnection);
        };
        std::vector<LinkReport> result = CheckLinks(std::move(reports), *m_fetcher, options);
        QMetaObject::invokeMethod(
            this, [this, result = std::move(result)]() mutable { Ended(std::move(result)); },
            Qt::QueuedConnection);
    });
}

void frmLinkCheck::Progress(const LinkReport& report, std::int32_t done, std::int32_t total) {
    prgProgress->setValue(done);
    if (report.state == LinkState::Alive)
        ++m_alive;
    else if (IsDead(report.state))
        ++m_dead;
    else if (report.state == LinkState::Unreachable)
        ++m_unreachable;
    if (report.state != LinkState::Alive && report.state != LinkState::NotChecked)
        AddResult(report);
    ShowCounts(done, total);
}

void frmLinkCheck::ShowCounts(std::int32_t done, std::int32_t total) {
    lblStatus->setText(Q("Checked %1 of %2: %3 alive, %4 dead, %5 unreachable.")
                           .arg(done)
                           .arg(total)
                           .arg(m_alive)
                           .arg(m_dead)
                           .arg(m_unreachable));
}

void frmLinkCheck::AddResult(const LinkReport& report) {
    // Results come as the pages answer; the list keeps the folder's order.
    int at = lstResults->topLevelItemCount();
    while (at > 0 && lstResults->topLevelItem(at - 1)->data(1, Qt::UserRole).toInt() > report.position)
        --at;
    auto* row = new QTreeWidgetItem;
    lstResults->insertTopLevelItem(at, row);
    row->setData(1, Qt::UserRole, report.position);
    row->setText(0, report.title.empty() ? Q("(No Title)") : Q(report.title));
    row->setText(1, Q(report.url));
    row->setText(2, ResultText(report));
    row->setToolTip(2, row->text(2));
    row->setIcon(0, ImageListIcon(2));
    row->setData(0, Qt::UserRole, report.key);
}

void frmLinkCheck::Ended(std::vector<LinkReport> reports) {
    if (m_worker.joinable())
        m_worker.join();
    m_running = false;
    m_reports = std::move(reports);
    cmdCancel->setEnabled(false);
    const auto total = static_cast<std::int32_t>(m_reports.size());
    std::int32_t checked = 0;
    for (const LinkReport& r : m_reports)
        checked += r.state != LinkState::NotChecked;
    prgProgress->setValue(checked);
    QString counts = Q("%1 alive, %2 dead, %3 unreachable.").arg(m_alive).arg(m_dead).arg(m_unreachable);
    if (checked < total)
        lblStatus->setText(Q("Cancelled after %1 of %2 links: ").arg(checked).arg(total) + counts);
    else if (m_dead == 0 && m_unreachable == 0)
        lblStatus->setText(Q("All %1 links are alive.").arg(total));
    else
        lblStatus->setText(Q("Checked all %1 links: ").arg(total) + counts);
    cmdClose->setDefault(true);
    Q_EMIT checkEnded();
}

void frmLinkCheck::cmdCancel_Click() {
    if (!m_running)
        return;
    m_cancel = true;
    cmdCancel->setEnabled(false);
    lblStatus->setText(Q("Stopping..."));
}

void frmLinkCheck::SelectionChanged() {
    bool any = !lstResults->selectedItems().isEmpty();
    cmdOpen->setEnabled(lstResults->currentItem() != nullptr && any);
    cmdSelect->setEnabled(any);
    cmdDelete->setEnabled(any);
}

void frmLinkCheck::cmdOpen_Click() {
    QTreeWidgetItem* row = lstResults->currentItem();
    if (row && !row->text(1).isEmpty())
        m_main.OpenDocument(row->text(1));
}

void frmLinkCheck::cmdSelect_Click() {
    Database& db = m_main.Db();
    if (!db.IsLiveFolder(m_folder))
        return;
    m_main.SelectFolder(m_folder);
    BookmarkList* list = m_main.ListView;
    list->clearSelection();
    QTreeWidgetItem* first = nullptr;
    for (QTreeWidgetItem* result : lstResults->selectedItems()) {
        if (QTreeWidgetItem* row = list->Row(result->data(0, Qt::UserRole).toInt())) {
            if (!first) {
                first = row;
                list->setCurrentItem(row, 0, QItemSelectionModel::NoUpdate);
            }
            row->setSelected(true);
        }
    }
    if (first)
        list->scrollToItem(first);
    m_main.raise();
    m_main.activateWindow();
    list->setFocus();
}

void frmLinkCheck::cmdDelete_Click() {
    Database& db = m_main.Db();
    const QList<QTreeWidgetItem*> rows = lstResults->selectedItems();
    bool changed = false;
    for (QTreeWidgetItem* row : rows) {
        std::int32_t key = row->data(0, Qt::UserRole).toInt();
        // The bookmark may have moved or gone while the window was open.
        if (db.IsLiveFolder(m_folder) && db.Marks(m_folder).PositionOf(key) > 0) {
            db.Marks(m_folder).Copy(key);
            db.Marks(m_folder).Kill(key, false);
            changed = true;
        }
        delete row;
    }
    if (changed) {
        m_main.FillBookmarkList();
        m_main.ScheduleSave();
    }
    SelectionChanged();
}

void frmLinkCheck::done(int result) {
    // Closing the window ends the check; the fetches stop within moments.
    StopWorker();
    m_running = false;
    QDialog::done(result);
}

void CheckFolderLinks(frmMain& main, std::int16_t folder) {
    Database& db = main.Db();
    if (!db.IsLiveFolder(folder))
        return;
    if (!db.FolderHasMarks(folder)) {
        main.Context().dialogs.Message(
            &main, Q("The folder \"%1\" holds no bookmarks to check.").arg(Q(db.FolderName(folder))),
            Q("Check Links"), MsgButtons::Ok, MsgIcon::Information);
        return;
    }
    auto* dialog = new frmLinkCheck(main, folder);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    dialog->Start();
}

} // namespace vireo

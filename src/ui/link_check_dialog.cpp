// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/link_check_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>

#include "mainwindow/app_icons.h"
#include "mainwindow/facades.h"
#include "mainwindow/main_window.h"
#include "mainwindow/summary.h"
#include "platform/url_fetch.h"
#include "store/database.h"

namespace vireo {

namespace {

// Results are taken in and shown this often (milliseconds): often enough to look live,
// seldom enough that thousands of answers a second cost the window nothing.
constexpr int kDrainEvery = 100;

bool IsDead(LinkState state) {
    return state == LinkState::Gone || state == LinkState::NotFoundPage;
}

QString Hosts(std::int32_t n) {
    return n == 1 ? Utf8ToQString("1 host") : Utf8ToQString("%1 hosts").arg(n);
}

QString ResultText(const LinkReport& report) {
    QString state = IsDead(report.state) ? Utf8ToQString("Dead") : Utf8ToQString("Unreachable");
    return report.reason.empty() ? state : state + Utf8ToQString(": ") + Utf8ToQString(report.reason);
}

} // namespace

frmLinkCheck::frmLinkCheck(frmMain& main, std::int16_t folder, std::unique_ptr<UrlFetcher> fetcher,
                           QWidget* parent)
    : QDialog(parent ? parent : &main), m_main(main), m_folder(folder), m_fetcher(std::move(fetcher)) {
    if (!m_fetcher)
        m_fetcher = std::make_unique<sys::CurlFetcher>();
    setObjectName(QStringLiteral("frmLinkCheck"));
    QString name =
        Utf8ToQString(main.Db().IsLiveFolder(folder) ? main.Db().FolderName(folder) : std::string());
    setWindowTitle(Utf8ToQString("Check Links - ") + name);
    setWindowIcon(ResourceIcon(QStringLiteral("icon_app")));
    setSizeGripEnabled(true);

    lblFolder = new QLabel(Utf8ToQString("The links of the folder \"%1\".").arg(name), this);
    lblFolder->setObjectName(QStringLiteral("lblFolder"));
    lblFolder->setTextFormat(Qt::PlainText);
    prgProgress = new QProgressBar(this);
    prgProgress->setObjectName(QStringLiteral("prgProgress"));
    prgProgress->setRange(0, 1);
    prgProgress->setValue(0);
    lblProgress = new QLabel(this);
    lblProgress->setObjectName(QStringLiteral("lblProgress"));
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lstResults = new QTreeWidget(this);
    lstResults->setObjectName(QStringLiteral("lstResults"));
    lstResults->setRootIsDecorated(false);
    lstResults->setUniformRowHeights(true);
    lstResults->setAllColumnsShowFocus(true);
    lstResults->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstResults->setHeaderLabels({Utf8ToQString("Name"), Utf8ToQString("URL"), Utf8ToQString("Result")});
    lstResults->header()->setStretchLastSection(true);
    lstResults->setColumnWidth(0, 190);
    lstResults->setColumnWidth(1, 230);
    lstResults->setIconSize(QSize(16, 16));

    auto* jobsLabel = new QLabel(Utf8ToQString("&Links at once:"), this);
    spnJobs = new QSpinBox(this);
    spnJobs->setObjectName(QStringLiteral("spnJobs"));
    spnJobs->setRange(1, kMaxLinkJobs);
    spnJobs->setValue(GetLinkCheckJobs(main.Context().reg));
    spnJobs->setToolTip(Utf8ToQString("How many pages are fetched at once; never more than %1 from one site")
                            .arg(kLinkJobsPerHost));
    jobsLabel->setBuddy(spnJobs);

    cmdOpen = new QPushButton(Utf8ToQString("&Open"), this);
    cmdOpen->setObjectName(QStringLiteral("cmdOpen"));
    cmdOpen->setToolTip(Utf8ToQString("Open the bookmark in your browser"));
    cmdSelect = new QPushButton(Utf8ToQString("&Select"), this);
    cmdSelect->setObjectName(QStringLiteral("cmdSelect"));
    cmdSelect->setToolTip(Utf8ToQString("Select the bookmarks in the main window"));
    cmdDelete = new QPushButton(Utf8ToQString("&Delete"), this);
    cmdDelete->setObjectName(QStringLiteral("cmdDelete"));
    cmdDelete->setToolTip(Utf8ToQString("Delete the bookmarks"));
    cmdRecheck = new QPushButton(Utf8ToQString("Check &Again"), this);
    cmdRecheck->setObjectName(QStringLiteral("cmdRecheck"));
    cmdRecheck->setToolTip(Utf8ToQString("Check the links of the folder once more"));
    cmdCancel = new QPushButton(Utf8ToQString("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setToolTip(Utf8ToQString("Stop checking"));
    cmdClose = new QPushButton(Utf8ToQString("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));

    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(prgProgress, 1);
    progressRow->addWidget(cmdCancel);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdOpen);
    buttons->addWidget(cmdSelect);
    buttons->addWidget(cmdDelete);
    buttons->addStretch(1);
    buttons->addWidget(jobsLabel);
    buttons->addWidget(spnJobs);
    buttons->addWidget(cmdRecheck);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblFolder);
    layout->addLayout(progressRow);
    layout->addWidget(lblProgress);
    layout->addWidget(lblStatus);
    layout->addWidget(new QLabel(Utf8ToQString("Bookmarks that are dead or could not be reached:"), this));
    layout->addWidget(lstResults, 1);
    layout->addLayout(buttons);
    resize(760, 440);

    m_drainTimer.setInterval(kDrainEvery);
    connect(&m_drainTimer, &QTimer::timeout, this, &frmLinkCheck::Drain);
    connect(cmdCancel, &QPushButton::clicked, this, &frmLinkCheck::cmdCancel_Click);
    connect(cmdOpen, &QPushButton::clicked, this, &frmLinkCheck::cmdOpen_Click);
    connect(cmdSelect, &QPushButton::clicked, this, &frmLinkCheck::cmdSelect_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmLinkCheck::cmdDelete_Click);
    connect(cmdRecheck, &QPushButton::clicked, this, &frmLinkCheck::Start);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
    connect(lstResults, &QTreeWidget::itemSelectionChanged, this, &frmLinkCheck::SelectionChanged);
    connect(lstResults, &QTreeWidget::itemActivated, this, [this] { cmdOpen_Click(); });
    cmdCancel->setEnabled(false);
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
    const int jobs = spnJobs->value();
    SetLinkCheckJobs(m_main.Context().reg, jobs);
    m_counts = std::make_unique<LinkCheckProgress>(reports);
    prgProgress->setRange(0, std::max(total, 1));
    prgProgress->setValue(0);
    m_alive = m_dead = m_unreachable = m_skipped = 0;
    m_reports.clear();
    lstResults->clear();
    m_running = true;
    cmdCancel->setEnabled(true);
    cmdRecheck->setEnabled(false);
    m_cancel = false;
    m_clock.start();
    ShowProgress();
    m_drainTimer.start();
    m_worker = std::thread([this, jobs, reports = std::move(reports)]() mutable {
        VerifyOptions options;
        options.jobs = jobs;
        options.cancel = &m_cancel;
        options.progress = [this](const LinkReport& report, std::int32_t, std::int32_t) {
            std::lock_guard lock(m_mutex);
            m_pending.push_back(report);
        };
        std::vector<LinkReport> result = CheckLinks(std::move(reports), *m_fetcher, options);
        QMetaObject::invokeMethod(
            this, [this, result = std::move(result)]() mutable { Ended(std::move(result)); },
            Qt::QueuedConnection);
    });
}

void frmLinkCheck::Drain() {
    std::vector<LinkReport> batch;
    {
        std::lock_guard lock(m_mutex);
        batch.swap(m_pending);
    }
    if (!m_counts)
        return;
    Database& db = m_main.Db();
    const OleDate now = OleNow();
    bool changed = false;
    for (const LinkReport& report : batch) {
        m_counts->Add(report);
        switch (report.state) {
        case LinkState::Alive:
            ++m_alive;
            break;
        case LinkState::Gone:
        case LinkState::NotFoundPage:
            ++m_dead;
            break;
        case LinkState::Unreachable:
            ++m_unreachable;
            break;
        case LinkState::Skipped:
            ++m_skipped;
            break;
        case LinkState::NotChecked:
            break;
        }
        if (IsMarkedState(report.state))
            AddResult(report);
        if (RememberLinkReport(db, m_folder, report, now)) {
            changed = true;
            // The summary under the mouse shows the mark as it is now.
            QString tag = Utf8ToQString(BookmarkTag(report.key));
            if (m_main.rtDetail->Tag == tag) {
                m_main.rtDetail->Tag.clear();
                m_main.ShowBookmarkSummary(m_folder, report.key);
            }
        }
    }
    if (changed) {
        m_marksChanged = true;
        if (m_main.SelectedFolder() == m_folder)
            m_main.ListView->RefreshIcons(db, m_folder);
    }
    ShowProgress();
}

QString frmLinkCheck::Counts() const {
    QString counts =
        Utf8ToQString("%1 alive, %2 dead, %3 unreachable").arg(m_alive).arg(m_dead).arg(m_unreachable);
    if (m_skipped)
        counts += Utf8ToQString(", %1 without a web address").arg(m_skipped);
    return counts;
}

void frmLinkCheck::ShowProgress() {
    if (!m_counts)
        return;
    prgProgress->setValue(m_counts->LinksDone());
    QString line = Utf8ToQString("%1 of %2 links checked, %3 of %4 hosts done")
                       .arg(m_counts->LinksDone())
                       .arg(m_counts->LinksTotal())
                       .arg(m_counts->HostsDone())
                       .arg(m_counts->HostsTotal());
    std::string left = TimeLeftText(m_counts->SecondsLeft(static_cast<double>(m_clock.elapsed()) / 1000.0));
    if (!left.empty())
        line += Utf8ToQString(", ") + Utf8ToQString(left);
    lblProgress->setText(line + Utf8ToQString("."));
    lblStatus->setText(Counts() + Utf8ToQString("."));
}

void frmLinkCheck::AddResult(const LinkReport& report) {
    // Results come as the pages answer; the list keeps the folder's order.
    int at = lstResults->topLevelItemCount();
    while (at > 0 && lstResults->topLevelItem(at - 1)->data(1, Qt::UserRole).toInt() > report.position)
        --at;
    auto* row = new QTreeWidgetItem;
    lstResults->insertTopLevelItem(at, row);
    row->setData(1, Qt::UserRole, report.position);
    row->setText(0, report.title.empty() ? Utf8ToQString("(No Title)") : Utf8ToQString(report.title));
    row->setText(1, Utf8ToQString(report.url));
    row->setText(2, ResultText(report));
    row->setToolTip(2, row->text(2));
    row->setIcon(0, ImageListIcon(kImageDeadLink));
    row->setData(0, Qt::UserRole, report.key);
}

void frmLinkCheck::Ended(std::vector<LinkReport> reports) {
    if (m_worker.joinable())
        m_worker.join();
    Drain();
    m_drainTimer.stop();
    m_running = false;
    m_reports = std::move(reports);
    cmdCancel->setEnabled(false);
    cmdRecheck->setEnabled(true);
    const auto total = static_cast<std::int32_t>(m_reports.size());
    std::int32_t checked = 0;
    for (const LinkReport& r : m_reports)
        checked += r.state != LinkState::NotChecked;
    prgProgress->setValue(checked);
    const double seconds = static_cast<double>(m_clock.elapsed()) / 1000.0;
    if (checked < total)
        lblProgress->setText(Utf8ToQString("Cancelled after %1 of %2 links.").arg(checked).arg(total));
    else
        lblProgress->setText(Utf8ToQString("Checked %1 links on %2 in %3 seconds.")
                                 .arg(total)
                                 .arg(Hosts(m_counts ? m_counts->HostsTotal() : 0))
                                 .arg(seconds, 0, 'f', 1));
    if (checked == total && m_dead == 0 && m_unreachable == 0 && m_skipped == 0)
        lblStatus->setText(Utf8ToQString("All %1 links are alive.").arg(total));
    else
        lblStatus->setText(Counts() + Utf8ToQString("."));
    if (m_marksChanged)
        m_main.ScheduleSave();
    cmdClose->setDefault(true);
    Q_EMIT checkEnded();
}

void frmLinkCheck::cmdCancel_Click() {
    if (!m_running)
        return;
    m_cancel = true;
    cmdCancel->setEnabled(false);
    lblProgress->setText(Utf8ToQString("Stopping..."));
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
    // Closing the window ends the check; the fetches stop within moments, and what was
    // checked by then is remembered.
    StopWorker();
    if (m_running) {
        Drain();
        m_drainTimer.stop();
        m_running = false;
    }
    if (m_marksChanged)
        m_main.ScheduleSave();
    SetLinkCheckJobs(m_main.Context().reg, spnJobs->value());
    QDialog::done(result);
}

void CheckFolderLinks(frmMain& main, std::int16_t folder) {
    Database& db = main.Db();
    if (!db.IsLiveFolder(folder))
        return;
    if (!db.FolderHasMarks(folder)) {
        main.Context().dialogs.Message(&main,
                                       Utf8ToQString("The folder \"%1\" holds no bookmarks to check.")
                                           .arg(Utf8ToQString(db.FolderName(folder))),
                                       Utf8ToQString("Check Links"), MsgButtons::Ok, MsgIcon::Information);
        return;
    }
    auto* dialog = new frmLinkCheck(main, folder);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    dialog->Start();
}

} // namespace vireo

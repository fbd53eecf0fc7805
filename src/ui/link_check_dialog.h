// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// frmLinkCheck: checks the links of one folder in the background, with progress (links,
// hosts and the time left) and a Cancel button, and lists the bookmarks whose pages are
// gone or cannot be reached, with the reason. Every result is remembered in its bookmark
// as it comes (the date of the check, and the dead-link mark set or cleared). From the
// list the user opens the bookmarks, selects them in the main window or deletes them.

#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "interchange/link_check.h"

namespace vireo {

class frmMain;

class frmLinkCheck : public QDialog {
    Q_OBJECT
public:
    // Without a fetcher the pages are fetched from the web.
    frmLinkCheck(frmMain& main, std::int16_t folder, std::unique_ptr<UrlFetcher> fetcher = {},
                 QWidget* parent = nullptr);
    ~frmLinkCheck() override;

    QLabel* lblFolder = nullptr;
    QProgressBar* prgProgress = nullptr;
    QLabel* lblProgress = nullptr; // links, hosts and the time left
    QLabel* lblStatus = nullptr;   // alive, dead, unreachable
    QTreeWidget* lstResults = nullptr;
    QSpinBox* spnJobs = nullptr;
    QPushButton* cmdOpen = nullptr;
    QPushButton* cmdSelect = nullptr;
    QPushButton* cmdDelete = nullptr;
    QPushButton* cmdRecheck = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdClose = nullptr;

    // Reads the folder's bookmarks and starts checking them.
    void Start();
    bool Running() const { return m_running; }
    std::int16_t Folder() const { return m_folder; }
    // Every report, once the check has ended.
    const std::vector<LinkReport>& Reports() const { return m_reports; }

    void cmdCancel_Click();
    void cmdOpen_Click();
    void cmdSelect_Click();
    void cmdDelete_Click();

    void done(int result) override;

Q_SIGNALS:
    void checkEnded();

private:
    // Takes in the results the worker has queued: remembers them in the bookmarks and
    // shows them.
    void Drain();
    void Ended(std::vector<LinkReport> reports);
    void AddResult(const LinkReport& report);
    void ShowProgress();
    QString Counts() const;
    void SelectionChanged();
    void StopWorker();

    frmMain& m_main;
    std::int16_t m_folder;
    std::unique_ptr<UrlFetcher> m_fetcher;
    std::thread m_worker;
    std::atomic<bool> m_cancel{false};
    bool m_running = false;
    std::vector<LinkReport> m_reports;

    // Results pass from the worker to this thread through here.
    std::mutex m_mutex;
    std::vector<LinkReport> m_pending;
    QTimer m_drainTimer;

    std::unique_ptr<LinkCheckProgress> m_counts;
    QElapsedTimer m_clock;
    std::int32_t m_alive = 0;
    std::int32_t m_dead = 0;
    std::int32_t m_unreachable = 0;
    std::int32_t m_skipped = 0;
    bool m_marksChanged = false;
};

// Tools › Verify Links and the folder menu's Check Links: checks the folder's links in a
// window of their own, or says that there is nothing to check.
void CheckFolderLinks(frmMain& main, std::int16_t folder);

} // namespace vireo

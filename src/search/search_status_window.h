// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QTimer>
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "search/search_session.h"

namespace vireo {

class OrnPBar1;
class SearchWindows;

// "Search Status": one row per engine of the group while the search runs.
class frmSearchStat : public QDialog, public SearchStatusView {
    Q_OBJECT
public:
    frmSearchStat(SearchWindows& owner, const StatusWindowSetup& setup, QWidget* parent = nullptr);
    ~frmSearchStat() override;

    std::vector<OrnPBar1*> prgProgress;
    std::vector<std::array<QLabel*, 4>> imgLamps; // imgConnect, imgGetting, imgParsing, imgDone
    std::vector<QLabel*> lblHits;
    std::vector<QLabel*> lblStatusText;
    QLabel* lblTotalHits = nullptr;
    QPushButton* cmdStop = nullptr;
    QPushButton* cmdHelp = nullptr;
    QCheckBox* chkCloseStat = nullptr;
    QFrame* frameStat = nullptr;
    QTimer* timerSearchStat = nullptr;

    // Pixels between rows, and the top margin above the first (200 twips).
    static constexpr int kRowPitch = 30;
    static constexpr int kTopMargin = 13;
    static int RowTop(int row) { return static_cast<int>((row + 0.75) * kRowPitch + 0.5) + kTopMargin; }

    int RowCount() const { return static_cast<int>(prgProgress.size()); }
    void cmdStop_Click();
    void cmdHelp_Click();
    void timerSearchStat_Timer();

    // SearchStatusView
    void SetCaption(std::string_view caption) override;
    void SetLamp(int row, StatusLampColumn lamp, StatusLamp picture) override;
    void SetHits(int row, std::int32_t hits) override;
    void SetProgressValue(int row, std::int32_t value) override;
    void SetProgressPercent(int row, std::int32_t percent) override;
    void SetStatusText(int row, std::string_view text) override;
    void SetTotalText(std::string_view text) override;
    void SetStopButton(std::string_view caption, bool enabled) override;
    bool CloseWhenComplete() const override;

    // The picture of a lamp state, as the lamps show it.
    static StatusLamp LampOf(const QLabel* lamp);

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    bool ValidRow(int row) const { return row >= 0 && row < RowCount(); }
    SearchWindows& m_owner;
    bool m_waitCursor = false;
};

// The address string resource 102 names: the help page on web search.
QString SearchHelpPage();

} // namespace vireo

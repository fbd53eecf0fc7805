// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QCloseEvent>
#include <QUrl>

#include "mainwindow/app_icons.h"
#include "mainwindow/facades.h"
#include "mainwindow/main_window.h"
#include "mainwindow/page_opener.h"
#include "search/search_settings.h"
#include "search/search_status_window.h"
#include "search/search_windows.h"
#include "store/strings.h"
#include "ui/orn_pbar.h"

namespace vireo {

namespace {

// Columns of a row, in pixels from the window's left edge.
constexpr int kLeft = 10;
constexpr int kBarWidth = 190;
constexpr int kBarHeight = 20;
constexpr int kLampLeft = kLeft + kBarWidth + 10;
constexpr int kLampPitch = 20;
constexpr int kLampSize = 16;
constexpr int kHitsLeft = kLampLeft + 4 * kLampPitch + 8;
constexpr int kHitsWidth = 44;
constexpr int kStatusLeft = kHitsLeft + kHitsWidth + 10;
constexpr int kStatusWidth = 300;
constexpr int kWidth = kStatusLeft + kStatusWidth + kLeft;

const char* LampName(StatusLamp lamp) {
    switch (lamp) {
    case StatusLamp::On:
        return "status_on";
    case StatusLamp::Warning:
        return "status_warning";
    case StatusLamp::Error:
        return "status_error";
    case StatusLamp::Off:
        break;
    }
    return "status_off";
}

void SetLampPicture(QLabel* lamp, StatusLamp state) {
    lamp->setPixmap(ResourcePixmap(QString::fromLatin1(LampName(state)), QSize(kLampSize, kLampSize)));
    lamp->setProperty("lamp", static_cast<int>(state));
}

QFrame* Divider(QWidget* parent, int x, int height) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(x, 0, 2, height);
    return line;
}

} // namespace

QString SearchHelpPage() {
    // String resource 102 is the FAQ here (the about box and the Help menu open it); the
    // search windows' Help is about web search.
    return Utf8ToQString(HelpPageUrl("search.html"));
}

frmSearchStat::frmSearchStat(SearchWindows& owner, const StatusWindowSetup& setup, QWidget* parent)
    : QDialog(parent), m_owner(owner) {
    setObjectName(QStringLiteral("frmSearchStat"));
    setWindowIcon(ResourceIcon(QStringLiteral("icon_app")));
    setWindowTitle(Utf8ToQString(setup.caption));
    SearchState& state = owner.Context().program.Search;
    state.closeRequested = false;

    auto* headProgress = new QLabel(QStringLiteral("Search site Progress"), this);
    headProgress->setGeometry(kLeft, 0, kBarWidth, kTopMargin + 8);
    auto* headHits = new QLabel(QStringLiteral("Hits"), this);
    headHits->setGeometry(kHitsLeft, 0, kHitsWidth, kTopMargin + 8);
    auto* headStatus = new QLabel(QStringLiteral("Status"), this);
    headStatus->setGeometry(kStatusLeft, 0, kStatusWidth, kTopMargin + 8);

    // At least one row: the window is laid out for an empty group as for one engine.
    int rows = std::max<int>(1, static_cast<int>(setup.engines.size()));
    QPalette pal = palette();
    for (int r = 0; r < rows; ++r) {
        int top = RowTop(r);
        auto* bar = new OrnPBar1(this);
        bar->setObjectName(QStringLiteral("prgProgress%1").arg(r));
        bar->SetDialogs(&owner.Context().dialogs);
        bar->setGeometry(kLeft, top, kBarWidth, kBarHeight);
        bar->SetCaption(r < static_cast<int>(setup.engines.size()) ? Utf8ToQString(setup.engines[r])
                                                                   : QString());
        bar->SetMax(setup.siteMax);
        bar->SetBackColour(pal.color(QPalette::Active, QPalette::HighlightedText));
        bar->SetForeColour(pal.color(QPalette::Active, QPalette::Text));
        bar->SetBarColour(pal.color(QPalette::Active, QPalette::Highlight));
        bar->SetPercent(0);
        prgProgress.push_back(bar);

        std::array<QLabel*, 4> lamps{};
        static const char* const kNames[] = {"imgConnect", "imgGetting", "imgParsing", "imgDone"};
        for (int i = 0; i < 4; ++i) {
            lamps[i] = new QLabel(this);
            lamps[i]->setObjectName(QStringLiteral("%1%2").arg(QLatin1String(kNames[i])).arg(r));
            lamps[i]->setGeometry(kLampLeft + i * kLampPitch, top + (kBarHeight - kLampSize) / 2, kLampSize,
                                  kLampSize);
            SetLampPicture(lamps[i], StatusLamp::Off);
        }
        imgLamps.push_back(lamps);

        int labelHeight = fontMetrics().height();
        auto* hits = new QLabel(QStringLiteral("0"), this);
        hits->setObjectName(QStringLiteral("lblHits%1").arg(r));
        hits->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        hits->setGeometry(kHitsLeft, top + (kBarHeight - labelHeight) / 2, kHitsWidth, labelHeight);
        lblHits.push_back(hits);
        auto* text = new QLabel(QStringLiteral("Waiting..."), this);
        text->setObjectName(QStringLiteral("lblStatusText%1").arg(r));
        text->setTextFormat(Qt::PlainText);
        text->setGeometry(kStatusLeft, top + (kBarHeight - labelHeight) / 2, kStatusWidth, labelHeight);
        lblStatusText.push_back(text);
    }
    // The column lines reach down to the frame: ending them at rows x pitch would cut
    // through the last row, whose bar starts three quarters of a pitch down.
    int linesEnd = std::max(rows * kRowPitch + kTopMargin, RowTop(rows - 1) + kBarHeight + 4);
    Divider(this, kLampLeft - 6, linesEnd);
    Divider(this, kHitsLeft - 4, linesEnd);
    Divider(this, kStatusLeft - 5, linesEnd);

    frameStat = new QFrame(this);
    frameStat->setObjectName(QStringLiteral("frameStat"));
    frameStat->setFrameShape(QFrame::StyledPanel);
    // A number from the start: a search that finds nothing shows 0, not a blank.
    lblTotalHits = new QLabel(QStringLiteral("Total hits: 0"), frameStat);
    lblTotalHits->setObjectName(QStringLiteral("lblTotalHits"));
    chkCloseStat = new QCheckBox(QStringLiteral("Close the Search Status dialog when a search has completed"),
                                 frameStat);
    chkCloseStat->setObjectName(QStringLiteral("chkCloseStat"));
    chkCloseStat->setChecked(GetCloseStatus(owner.Context().reg));
    cmdStop = new QPushButton(Utf8ToQString(kStopCaption), frameStat);
    cmdStop->setObjectName(QStringLiteral("cmdStop"));
    cmdStop->setDefault(true);
    cmdHelp = new QPushButton(QStringLiteral("Help"), frameStat);
    cmdHelp->setObjectName(QStringLiteral("cmdHelp"));
    connect(cmdStop, &QPushButton::clicked, this, &frmSearchStat::cmdStop_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmSearchStat::cmdHelp_Click);

    int frameTop = linesEnd + 4;
    int frameHeight = 72;
    frameStat->setGeometry(kLeft, frameTop, kWidth - 2 * kLeft, frameHeight);
    lblTotalHits->setGeometry(10, 8, 200, fontMetrics().height());
    chkCloseStat->setGeometry(10, 40, kWidth - 2 * kLeft - 200, 24);
    cmdHelp->setGeometry(kWidth - 2 * kLeft - 180, 36, 80, 28);
    cmdStop->setGeometry(kWidth - 2 * kLeft - 90, 36, 80, 28);
    setFixedSize(kWidth, frameTop + frameHeight + 10);

    timerSearchStat = new QTimer(this);
    timerSearchStat->setObjectName(QStringLiteral("timerSearchStat"));
    timerSearchStat->setInterval(1000);
    connect(timerSearchStat, &QTimer::timeout, this, &frmSearchStat::timerSearchStat_Timer);
    timerSearchStat->start();
}

frmSearchStat::~frmSearchStat() {
    if (m_waitCursor)
        QApplication::restoreOverrideCursor();
}

void frmSearchStat::SetCaption(std::string_view caption) {
    setWindowTitle(Utf8ToQString(caption));
}

void frmSearchStat::SetLamp(int row, StatusLampColumn lamp, StatusLamp picture) {
    if (ValidRow(row) && lamp >= 0 && lamp < 4)
        SetLampPicture(imgLamps[row][lamp], picture);
}

void frmSearchStat::SetHits(int row, std::int32_t hits) {
    if (ValidRow(row))
        lblHits[row]->setText(QString::number(hits));
}

void frmSearchStat::SetProgressValue(int row, std::int32_t value) {
    // An engine that delivers more than asked would push the bar past its end.
    if (ValidRow(row) && prgProgress[row]->max() >= 1)
        prgProgress[row]->SetPercent(
            std::min<double>(100, std::trunc(double(value) / prgProgress[row]->max() * 100)));
}

void frmSearchStat::SetProgressPercent(int row, std::int32_t percent) {
    if (ValidRow(row))
        prgProgress[row]->SetPercent(std::clamp(percent, 0, 100));
}

void frmSearchStat::SetStatusText(int row, std::string_view text) {
    if (ValidRow(row))
        lblStatusText[row]->setText(Utf8ToQString(text));
}

void frmSearchStat::SetTotalText(std::string_view text) {
    lblTotalHits->setText(Utf8ToQString(text));
}

void frmSearchStat::SetStopButton(std::string_view caption, bool enabled) {
    cmdStop->setText(Utf8ToQString(caption));
    cmdStop->setEnabled(enabled);
}

bool frmSearchStat::CloseWhenComplete() const {
    return chkCloseStat->isChecked();
}

StatusLamp frmSearchStat::LampOf(const QLabel* lamp) {
    return static_cast<StatusLamp>(lamp->property("lamp").toInt());
}

void frmSearchStat::cmdStop_Click() {
    if (cmdStop->text() == Utf8ToQString(kStopCaption)) {
        setWindowTitle(Utf8ToQString(kStatusCaptionPrefix) +
                       QStringLiteral("Canceling the search, please wait..."));
        cmdStop->setEnabled(false);
        if (clsSearch* search = m_owner.Search())
            search->CancelSearch();
        return;
    }
    if (!m_waitCursor) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_waitCursor = true;
    }
    m_owner.Context().program.Search.closeRequested = true;
    // The timer would close the window within a second; a pressed button need not wait.
    timerSearchStat_Timer();
}

void frmSearchStat::cmdHelp_Click() {
    OpenPage(m_owner.Context(), SearchHelpPage());
}

void frmSearchStat::timerSearchStat_Timer() {
    SearchState& state = m_owner.Context().program.Search;
    if (state.searching)
        return;
    // Also after a search-wide time-out: once the search has ended it is complete.
    setWindowTitle(Utf8ToQString(kStatusCaptionPrefix) + QStringLiteral("Search Complete"));
    if (m_waitCursor) {
        QApplication::restoreOverrideCursor();
        m_waitCursor = false;
    }
    if (!state.closeRequested)
        return;
    state.closeRequested = false;
    SetCloseStatus(m_owner.Context().reg, chkCloseStat->isChecked());
    timerSearchStat->stop();
    m_owner.ReleaseSearch();
    m_owner.CloseDialogs();
    close();
}

void frmSearchStat::closeEvent(QCloseEvent* event) {
    // The window's close box acts as the button does: it stops a running search first.
    if (m_owner.Context().program.Search.searching) {
        event->ignore();
        if (cmdStop->isEnabled() && cmdStop->text() == Utf8ToQString(kStopCaption))
            cmdStop_Click();
        return;
    }
    SetCloseStatus(m_owner.Context().reg, chkCloseStat->isChecked());
    if (clsSearch* search = m_owner.Search())
        search->ForgetStatusView();
    event->accept();
    deleteLater();
}

void frmSearchStat::reject() {
    close();
}

} // namespace vireo

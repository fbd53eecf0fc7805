// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The start routine of the application: one copy per user, the data opened, the main
// window built, placed and filled, the first-run import offered.

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QStringList>
#include <QTimer>
#include <memory>

namespace vireo {

struct AppContext;
class frmMain;

// Builds the main window over an opened program, places it within `screen` (the
// primary screen's available area) and fills tree and list. Not yet shown.
std::unique_ptr<frmMain> BuildMainWindow(AppContext& ctx, const QRect& screen);

// On the very first run, offers to import the bookmarks of the browsers found.
void OfferFirstRunImport(frmMain& main);

// Tells the user what was repaired while a damaged database was opened, and about a
// settings file that had to be kept aside.
void ReportStartupRepairs(frmMain& main, const std::string& settingsNotice);

// Opens the database, letting the user choose another data folder when it cannot be
// opened (in use, unreadable). False when the user gave up.
bool OpenDataOrChoose(AppContext& ctx, bool playStartupSound);

// Shortcut files to open that come from outside: the command line, and second copies
// started with files. They wait until the main window is there and no modal window is
// open (a dialog waits for an answer, and filing may open one of its own), then the main
// window comes to the front and files them.
class OutsideFiles : public QObject {
    Q_OBJECT
public:
    OutsideFiles();
    void Add(const QStringList& paths);
    // From now on files are delivered to `main`.
    void SetMainWindow(frmMain* main);
    int Waiting() const { return static_cast<int>(m_waiting.size()); }

    static constexpr int kRetryMs = 250;

private:
    void Deliver();

    QPointer<frmMain> m_main;
    QStringList m_waiting;
    QTimer m_retry;
};

inline constexpr const char* kNoDisplayMessage =
    "vireo: no display found; set DISPLAY, or run under a virtual display such as xvfb-run";

// Names the program to the desktop (window class, desktop entry, icon); called once the
// application object exists.
void SetApplicationIdentity();

// True when the environment (DISPLAY, WAYLAND_DISPLAY, QT_QPA_PLATFORM) or Qt's
// "-platform" option names somewhere to show windows.
bool DisplayNamed(int argc, char** argv);

// The whole program: returns the exit status.
int RunVireo(int argc, char** argv);

} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The start routine of the application: one copy per user, the data opened, the main
// window built, placed and filled, the first-run import offered.

#include <QRect>
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

// The whole program: returns the exit status.
int RunVireo(int argc, char** argv);

} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// clsSearch: one meta-search. It learns the engines from the search library, starts a
// search over the engines of the chosen group, follows each hit and each engine's progress
// (shown in the status window while the search runs) and at the end files the hits as
// ranked bookmarks in a folder of search results that remembers the search.
//
// Threads: the library reports on its own thread into the object's event queue; the
// program's one thread hands them to the object with ProcessEvents (the GUI from the
// queue's wake hook, vireo-cli from its loop). Everything else runs on that one thread.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "search/search_events.h"
#include "search/search_library.h"
#include "search/search_state.h"
#include "store/ole_date.h"

namespace vireo {

class Database;
class EventSoundPlayer;
class Registry;
class UserMessages;

// The four lamps of a status row and their pictures (bitmaps status_off, status_on,
// status_warning, status_error).
enum class StatusLamp { Off, On, Warning, Error };
enum StatusLampColumn : int { kLampConnect = 0, kLampGetting = 1, kLampParsing = 2, kLampDone = 3 };

inline constexpr std::string_view kStatusCaptionPrefix = "Search Status - "; // resource 70
inline constexpr std::string_view kStatusTimedOutCaption = "Search Status - Search Timed out.";
inline constexpr std::string_view kStopCaption = "Stop"; // resource 407
inline constexpr std::string_view kDoneCaption = "Done"; // resource 408

// What the status window (frmSearchStat) shows. Rows are the engines of the search group
// in group order, from 0; the window lays them out when it is shown (each engine's name,
// "0" hits, "Waiting...", every lamp off).
class SearchStatusView {
public:
    virtual ~SearchStatusView() = default;
    virtual void SetCaption(std::string_view caption) = 0;
    virtual void SetLamp(int row, StatusLampColumn lamp, StatusLamp picture) = 0;
    // The row's hit count label (lblHits).
    virtual void SetHits(int row, std::int32_t hits) = 0;
    // The row's progress bar: its value (hits so far, of SiteMax) or its percentage.
    virtual void SetProgressValue(int row, std::int32_t value) = 0;
    virtual void SetProgressPercent(int row, std::int32_t percent) = 0;
    virtual void SetStatusText(int row, std::string_view text) = 0;
    // lblTotalHits: "Total hits: " and the total.
    virtual void SetTotalText(std::string_view text) = 0;
    // cmdStop: "Stop" or "Done", enabled or not.
    virtual void SetStopButton(std::string_view caption, bool enabled) = 0;
    // chkCloseStat: close the window when the search has completed.
    virtual bool CloseWhenComplete() const = 0;
};

// What the status window needs to lay out its rows.
struct StatusWindowSetup {
    std::string caption;              // "Search Status - " and the query
    std::vector<std::string> engines; // one row each: the group's engine names, trimmed
    std::int16_t siteMax = 1;         // each progress bar's maximum
};

// The main window's side of a search.
class SearchMainWindow {
public:
    virtual ~SearchMainWindow() = default;
    // Hides the quick and advanced search dialogs while the search runs.
    virtual void HideSearchDialogs() = 0;
    // Shows the status window without waiting and returns it; it must stay alive until the
    // search has ended (or call clsSearch::ForgetStatusView before it goes). nullptr: no
    // window (the search runs all the same).
    virtual SearchStatusView* ShowStatusWindow(const StatusWindowSetup& setup) = 0;
    // Makes the folder's tree node visible and selected and refills the bookmark list with
    // redrawing frozen meanwhile.
    virtual void ShowResultsFolder(std::int16_t folder) = 0;
};

// Everything a search object works with. `mainWindow` may be null (vireo-cli, tests).
struct SearchContext {
    Database& db;
    Registry& reg;
    SearchLibrary& library;
    UserMessages& messages;
    EventSoundPlayer& sounds;
    SearchState& state;
    SearchMainWindow* mainWindow = nullptr;
    // The program folder, with a trailing "/", as the library wants it.
    std::string programFolder;
};

// The program folder (ProgramFolder()) with a trailing "/".
std::string SearchProgramFolder();

// Widths of the stored texts, in characters.
inline constexpr std::size_t kSiteNameWidth = 20;
inline constexpr std::size_t kSiteIdWidth = 255;
inline constexpr std::size_t kSiteHomeWidth = 200;
inline constexpr std::size_t kHitTitleWidth = 200;
inline constexpr std::size_t kHitAddressWidth = 600;
inline constexpr std::size_t kHitDescriptionWidth = 1024;

struct SiteStatus {
    std::string id;          // script identifier (cut to 255)
    std::int32_t status = 0; // last status code
    std::int32_t hits = 0;   // hits so far
    bool finished = false;
    std::string shortName; // the identifier's file name up to its first "." (cut to 20)
};

struct SearchHit {
    std::int32_t rank = 0; // the hit's position within its site, from 1
    std::int32_t site = 0; // index into the status table, from 1
    std::string title;
    std::string address;
    std::string description;
};

// The file-name part of a script identifier (after the last "/" or "\"), cut before its
// first "." unless that is its first character.
std::string ScriptShortName(std::string_view id);

// Two addresses are one hit when they differ only in the letter case of scheme and host,
// a default port (80 for http, 443 for https) or an empty path against "/". The key that
// compares equal for such addresses.
std::string HitAddressKey(std::string_view address);

// The code of a status report (its low 16 bits); the values are the numbers the search
// library reports and the search log shows.
enum class SearchStatus : std::int32_t {
    SearchEnded = 0,
    Connecting = 1,
    Connected = 2,
    GettingPage = 3,
    WritingResults = 4,
    Disconnecting = 5,
    Complete = 6,
    GeneralError = 7,
    TimedOut = 8,
    Cancelled = 9,
    SearchTimedOut = 10,
    ScriptError = 11,
    NotUsed = 12,
    Deadline = 13,
    Unresolved = 14,
    Unreachable = 15,
    InvalidUrl = 16,
};

// The code of a raw status report; flag bits above the low 16 (kStatusSiteRefused) do not
// change it, and a number outside the list stays as it is, matching no named code.
inline SearchStatus StatusCodeOf(std::int32_t report) {
    return static_cast<SearchStatus>(report & 0xFFFF);
}

// Whether a code is the last a site reports: it finished, failed or was stopped.
bool EndsSite(SearchStatus code);

// The status text of a code (Complete with and without hits), "" for codes without one.
std::string_view StatusCodeText(SearchStatus code, bool siteHasHits = true);

// The library reports the code in the low 16 bits of a status; this bit above them marks a
// site that refused an automated search (a bot check, a consent page), which the status
// window shows as the code's own text and the command line says outright.
inline constexpr std::int32_t kStatusSiteRefused = 0x10000;

class clsSearch {
public:
    explicit clsSearch(SearchContext context);
    ~clsSearch();
    clsSearch(const clsSearch&) = delete;
    clsSearch& operator=(const clsSearch&) = delete;

    // Reads the engine list (message boxes on failure) and loads the groups.
    bool Init();
    bool Initialized() const { return m_initialized; }
    std::int16_t siteCount() const { return static_cast<std::int16_t>(m_sites.size()); }
    // Engines in the group at SearchGroupIndex (0 when that is no group).
    std::int16_t EngineCount() const;
    // Site `index` from 1; false when there is none.
    bool SiteInfo(std::int16_t index, std::string& name, std::string& id, std::string& home) const;
    const std::vector<SiteEntry>& Sites() const { return m_sites; }
    // Reads the engine list again after an engine was added, keeping the groups the user
    // is editing (only the built-in group of every engine follows the new list). False,
    // changing nothing, when the library lists no engines. `alsoKeep` names an engine to
    // keep besides those of the groups when the library cannot report them all.
    bool ReloadSites(std::string_view alsoKeep = {});
    // The engines the library left out for want of room (none in a stored group, unless
    // the groups name more than it can report).
    const std::vector<SiteEntry>& LeftOutSites() const { return m_leftOut; }

    const std::string& SearchQuery() const { return m_query; }
    void SetSearchQuery(std::string_view query) { m_query = query; }
    std::int16_t MaxHits() const { return m_maxHits; }
    void SetMaxHits(std::int32_t n); // below 1 stores 1
    std::int16_t SiteMax() const { return m_siteMax; }
    void SetSiteMax(std::int32_t n); // below 1 stores 1
    std::int16_t Timeout() const { return m_timeout; }
    void SetTimeout(std::int32_t n); // below 1 stores 1
    std::int16_t SearchGroupIndex() const { return m_groupIndex; }
    void SetSearchGroupIndex(std::int16_t index) { m_groupIndex = index; }
    std::int16_t FormatOption() const { return m_formatOption; }
    void SetFormatOption(std::int16_t option) { m_formatOption = option; }
    bool PlaySound() const { return m_playSound; }
    void SetPlaySound(bool play) { m_playSound = play; }
    std::int16_t FolderToUse() const { return m_folderToUse; }
    void SetFolderToUse(std::int16_t folder) { m_folderToUse = folder; }

    static std::int32_t DaysBetween(OleDate SDate, OleDate EDate);

    // Clears the status table and the total and ends the searching state.
    void Reset();
    // Starts the search; does nothing while one runs, before Init, or for a query of fewer
    // than 2 characters. The argument is not used. True when the library was called.
    bool Search(std::int32_t unused = 0);
    // One hit, one status report (the library's callbacks, on this thread).
    void GiveResults(std::string_view site, std::string_view description, std::string_view title,
                     std::string_view address);
    void SetStatus(std::string_view site, std::int32_t code);
    // Files the hits into the results folder (nothing when there are none).
    void FinishSearch();

    // Where the library's reports arrive; its wake hook is the GUI's to fill in.
    SearchEventQueue& Events() { return *m_events; }
    // Hands every queued report to GiveResults / SetStatus, in arrival order. A report
    // that cannot be handled is skipped. Returns the number handled.
    std::size_t ProcessEvents();
    // Asks the library to stop the search (the status window's Stop button).
    void CancelSearch();
    // The status window is going away: nothing more is shown in it.
    void ForgetStatusView() { m_view = nullptr; }

    bool Searching() const { return m_ctx.state.searching; }
    std::int32_t TotalHits() const { return m_totalHits; }
    const std::vector<SiteStatus>& StatusTable() const { return m_status; } // entry i at [i - 1]
    const std::vector<SearchHit>& Hits() const { return m_hits; }           // in arrival order
    std::size_t HitCapacity() const { return m_capacity; }
    // The number of bookmarks the last filing made (0 before any).
    std::int32_t FiledCount() const { return m_filedCount; }
    const SearchContext& Context() const { return m_ctx; }

private:
    // A status entry from 1 for a hit's site or a status report's identifier; 0 if none.
    std::int32_t EntryForSite(std::string_view site) const;
    std::int32_t EntryForId(std::string_view id) const;
    void EndSearch();

    SearchContext m_ctx;
    std::shared_ptr<SearchEventQueue> m_events;
    SearchStatusView* m_view = nullptr;
    bool m_initialized = false;
    std::vector<SiteEntry> m_sites;
    std::vector<SiteEntry> m_leftOut;
    std::vector<SiteStatus> m_status;
    std::vector<std::string> m_rowEngines; // the group's engine name of each status entry
    std::vector<SearchHit> m_hits;
    std::size_t m_capacity = 0;
    std::int32_t m_totalHits = 0;
    std::int32_t m_filedAtTotal = -1; // total hits when last filed, so code 0 after 10 refiles only news
    std::int32_t m_filedCount = 0;
    std::int32_t m_unknownSiteHits = 0;
    bool m_started = false; // the library was asked to search and has not ended yet
    std::string m_query;
    std::int16_t m_maxHits = 0;
    std::int16_t m_siteMax = 0;
    std::int16_t m_timeout = 0;
    std::int16_t m_groupIndex = 0;
    std::int16_t m_searchGroupNumber = 0; // the number of the group the running search uses
    std::int16_t m_formatOption = -1;
    bool m_playSound = false;
    std::int16_t m_folderToUse = 0;
};

} // namespace vireo

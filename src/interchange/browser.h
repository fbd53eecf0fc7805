// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The web browsers the program works beside: finding them through the settings store,
// remembering the user's choice, the Netscape profile (its bookmark file and prefs.js),
// each browser's start page, the offer to make our home page the browser's start page,
// and starting the browser on an address.
//
// Other programs' keys are read through the same Registry as our own settings; on Linux
// the registry backend answers the default browser and the user's folders from the
// desktop's own settings, and App Paths and Netscape keys only from the hive file.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/registry.h"

namespace vireo {

// Browser kinds, also the stored option `Which`.
inline constexpr int kBrowserOther = 0;
inline constexpr int kBrowserExplorer = 1;
inline constexpr int kBrowserNetscape = 2;

inline constexpr std::string_view kAppPathsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
inline constexpr std::string_view kNetscapeKey = "Software\\Netscape\\Netscape Navigator";
inline constexpr std::string_view kNetscapeUsersKey = "Software\\Netscape\\Netscape Navigator\\Users";
inline constexpr std::string_view kNetscapeMainKey = "Software\\Netscape\\Netscape Navigator\\Main";
inline constexpr std::string_view kExplorerMainKey = "Software\\Microsoft\\Internet Explorer\\Main";
inline constexpr std::string_view kNetscapeHomePref = "browser.startup.homepage";

// Starts programs; the application implements it, tests record what was started.
class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    // Starts `program` with `args` detached from us, in a normal focused window.
    // False when it could not be started.
    virtual bool StartProgram(const std::string& program, const std::vector<std::string>& args) = 0;
};

// How TextBetween found its markers.
enum class Marked {
    Found,
    NoStart, // the start marker is absent
    NoEnd,   // the start marker is there, the end marker is not
};

// The text between a start marker and an end marker, found regardless of letter case and
// returned in its own case. The result starts `skip` characters after the first character
// of the start marker (which need not be the marker's length) and ends before the next
// end marker. Empty unless both markers are found; `how` tells which case it was.
std::string TextBetween(std::string_view text, std::string_view startMarker, std::size_t skip,
                        std::string_view endMarker, Marked* how = nullptr);

// The App Paths entry of an executable ("netscape.exe"): its default value, or the value
// `valueName`. True when the text is not empty and names an existing file or folder.
bool GetAppPath(const Registry& reg, std::string_view exeName, std::string& path,
                std::string_view valueName = {});
bool GetExplorerPath(const Registry& reg, std::string& path);
// `hasProfiles` is filled whether or not the executable is found.
bool GetNetscapePath(const Registry& reg, std::string& path, bool& hasProfiles);
// The executable that opens ".htm" pages. True when it is an existing file.
bool GetDefaultBrowser(const Registry& reg, std::string& path);
// The browser kind of an executable path, by its file name.
int BrowserKind(std::string_view path);

// The browser to use. False when none is usable; the caller then lets the user pick one
// in the options. May remember an automatically detected browser (by kind only).
bool GetBrowser(Registry& reg, std::string& path);
void SaveBrowser(Registry& reg, int kind, std::string_view path);

// The Netscape profile folder, and the bookmark file in it.
bool GetNetscapeUserDir(const Registry& reg, std::string& folder);
bool GetNetscapeBookmarkFile(const Registry& reg, std::string& file);

// Start pages. The setters report success, though the home-page offer ignores it.
bool GetExplorerHome(const Registry& reg, std::string& url);
bool GetNetscapeHome(const Registry& reg, std::string& url);
bool SetExplorerHome(Registry& reg, std::string_view url);
bool SetNetscapeHome(Registry& reg, std::string_view url, std::string* error = nullptr);

// One preference of prefs.js in the Netscape profile folder. Reading: the last complete
// line naming the preference wins. Writing replaces the lines naming it (it is never
// added), keeps the very first prefs.js as prefs.bak and replaces prefs.js atomically; it
// fails without touching any file when prefs.js is missing or a line is only half marked.
bool ReadNetscapePref(const Registry& reg, std::string_view name, std::string& value);
bool WriteNetscapePref(const Registry& reg, std::string_view name, std::string_view value,
                       std::string* error = nullptr);

// The command line OpenInBrowser runs: the quoted browser path and the address.
std::string BrowserCommandLine(std::string_view browserPath, std::string_view url);

// The arguments of a command line in the registry's form: split at blanks outside double
// quotes, the quotes removed, \" and \\ inside them taken as the character.
std::vector<std::string> SplitCommandLine(std::string_view command);
// The arguments that start `browserPath` on `url`: the address alone, or, for the
// desktop's default browser, the arguments of its open command with the address in the
// place of "%1".
std::vector<std::string> BrowserArguments(const Registry& reg, std::string_view browserPath,
                                          std::string_view url);

// Starts the configured browser on `url`. When no browser is usable,
// `showBrowserOptions` (the options dialog on its browser page) runs first and the
// browser is looked up again. `currentBrowserPath` is refreshed. False when nothing was
// started; callers ignore it.
bool OpenInBrowser(Registry& reg, std::string& currentBrowserPath, ProcessLauncher& launcher,
                   std::string_view url, const std::function<void()>& showBrowserOptions = {});

// The offer to make the generated home page the browser's start page, without its window.
inline constexpr std::string_view kBrowserHomeCaption = "Browser Home Page";
inline constexpr std::string_view kBrowserHomeShowAgain = "Do not ask me this again.";

struct BrowserHomeOffer {
    bool ask = false;     // show the question
    int kind = 0;         // the browser it concerns
    std::string question; // the dialog's label
    std::string homePage; // the generated home page that would become the start page
};

// Decides whether to ask, for the data folder `dbPath`. Reading `AskHome` repairs a
// stored value that is neither 0 nor 1.
BrowserHomeOffer PrepareBrowserHomeOffer(Registry& reg, std::string_view dbPath);
// Stores the answer: Yes makes the home page the start page; either answer stores
// whether to ask again.
void AnswerBrowserHomeOffer(Registry& reg, const BrowserHomeOffer& offer, bool yes, bool doNotAskAgain);

} // namespace vireo

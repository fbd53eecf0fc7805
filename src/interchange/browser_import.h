// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Bookmarks straight from the browsers a Linux user runs, from their own stores. Each import reads the whole
// source into memory first and files it into the database only when all of it was read, so a missing, locked,
// damaged or half-written store leaves the database as it was.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "interchange/exchange_result.h"

namespace vireo {

class Database;

// How a browser keeps its bookmarks: Firefox's places.sqlite, the Chromium family's
// Bookmarks file, Falkon's bookmarks.json, qutebrowser's bookmark and quickmark lists,
// Konqueror's XBEL file.
enum class BrowserFamily { Firefox, Chromium, Falkon, Qutebrowser, Konqueror };

// One browser a Linux user may run, and where it keeps its profiles below the home folder:
// natively, as a Flatpak (below ~/.var/app) and as a Snap (below ~/snap); "" where there is
// no such package.
struct BrowserInfo {
    std::string_view id;   // its name on the command line: "firefox", "chrome", "opera", ...
    std::string_view name; // as the user knows it: "Firefox", "Google Chrome", "Opera"
    BrowserFamily family;
    std::string_view native;
    std::string_view flatpak;
    std::string_view snap;
};

// Every browser we read, in the order the command line's help lists them.
std::span<const BrowserInfo> KnownBrowsers();
// The browser of that command-line name, or null.
const BrowserInfo* FindBrowser(std::string_view id);
// The first browser of the family (Firefox, Chromium, Falkon, ...).
const BrowserInfo& FamilyBrowser(BrowserFamily family);

struct BrowserProfile {
    BrowserFamily kind = BrowserFamily::Firefox;
    std::string browser;   // the browser's name: "Firefox", "Google Chrome", "qutebrowser", ...
    std::string browserId; // its command-line name
    std::string name;      // the profile's own name ("default-release", "Default", "Profile 1")
    std::string path;      // the store: places.sqlite, Bookmarks, bookmarks.json, bookmarks.xml, or
                           // qutebrowser's configuration folder
    bool isDefault = false;
    std::int64_t modified = 0; // when the store last changed (Unix seconds; 0 when unknown)
};

// The profiles of one browser whose bookmark store exists, found under `home` (the user's
// home folder) in its native, Snap and Flatpak folders, the default profile first.
std::vector<BrowserProfile> FindProfiles(const BrowserInfo& browser, const std::string& home);
// The profiles of every browser, newest first (each store once, where two browsers share a
// folder).
std::vector<BrowserProfile> FindAllProfiles(const std::string& home);
// Firefox's profiles (~/.mozilla/firefox/profiles.ini and the Snap and Flatpak homes).
std::vector<BrowserProfile> FindFirefoxProfiles(const std::string& home);
// Every profile folder of the Chromium-family browsers that holds a "Bookmarks" file.
std::vector<BrowserProfile> FindChromiumProfiles(const std::string& home);
// The above by family (the Chromium family: all its browsers).
std::vector<BrowserProfile> FindBrowserProfiles(BrowserFamily family, const std::string& home);

inline constexpr std::string_view kFirefoxImportFolder = "Imported from Firefox";
inline constexpr std::string_view kChromiumImportFolder = "Imported from Chromium";
// The description given to imported bookmarks that bring none of their own.
inline constexpr std::string_view kFirefoxImportDescription = "Imported from Firefox";
inline constexpr std::string_view kChromiumImportDescription = "Imported from Chromium";

// True for "Imported from <browser>" of any browser above: the description an import gives
// bookmarks that bring none.
bool IsBrowserImportDescription(std::string_view description);

// `source`: the browser's store (for Firefox also one of its bookmark backups,
// bookmarkbackups/*.jsonlz4 or a .json backup), or a profile folder that holds it.
// Success: ok, folder = the new folder "Imported from <browser>" (type 7, under the top
// folder) with the browser's own root folders beneath, folders and bookmarks counted.
// Failure: ok false, warning true, a message with its title, and the database unchanged.
ExchangeResult ImportBrowser(Database& db, const BrowserInfo& browser, const std::string& source,
                             const ProgressFn& progress = {});
ExchangeResult ImportFirefox(Database& db, const std::string& source, const ProgressFn& progress = {});
ExchangeResult ImportChromium(Database& db, const std::string& source, const ProgressFn& progress = {});
// A profile found by the finders above.
ExchangeResult ImportProfile(Database& db, const BrowserProfile& profile, const ProgressFn& progress = {});

// The imports by family, for the callers that let the user pick either.
ExchangeResult ImportFromBrowser(Database& db, BrowserFamily family, const std::string& source,
                                 const ProgressFn& progress = {});

} // namespace vireo

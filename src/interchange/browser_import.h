// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Bookmarks straight from the browsers a Linux user runs: Firefox's places.sqlite and the
// Bookmarks JSON file of the Chromium family. Each import reads the whole source into
// memory first and files it into the database only when all of it was read, so a
// missing, locked, damaged or half-written store leaves the database as it was.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "interchange/exchange_result.h"

namespace vireo {

class Database;

enum class BrowserFamily { Firefox, Chromium };

struct BrowserProfile {
    BrowserFamily kind = BrowserFamily::Firefox;
    std::string
        browser;      // "Firefox", "Chromium", "Google Chrome", "Brave", "Microsoft Edge", "Vivaldi", "Opera"
    std::string name; // the profile's own name ("default-release", "Default", "Profile 1")
    std::string path; // the places.sqlite or Bookmarks file
    bool isDefault = false;
};

// Profiles whose bookmark store exists, found under `home` (the user's home folder):
// ~/.mozilla/firefox/profiles.ini and the Snap and Flatpak homes of Firefox, the default
// profile first.
std::vector<BrowserProfile> FindFirefoxProfiles(const std::string& home);
// Every profile folder of the Chromium-family browsers (their ~/.config homes and the Snap
// and Flatpak ones) that holds a "Bookmarks" file.
std::vector<BrowserProfile> FindChromiumProfiles(const std::string& home);

inline constexpr std::string_view kFirefoxImportFolder = "Imported from Firefox";
inline constexpr std::string_view kChromiumImportFolder = "Imported from Chromium";
// The description given to imported bookmarks that bring none of their own.
inline constexpr std::string_view kFirefoxImportDescription = "Imported from Firefox";
inline constexpr std::string_view kChromiumImportDescription = "Imported from Chromium";

// `source`: a places.sqlite / Bookmarks file, or a profile folder that holds one.
// Success: ok, folder = the new folder (type 7, under the top folder), folders and
// bookmarks counted. Failure: ok false, warning true, a message with its title, and the
// database unchanged.
ExchangeResult ImportFirefox(Database& db, const std::string& source, const ProgressFn& progress = {});
ExchangeResult ImportChromium(Database& db, const std::string& source, const ProgressFn& progress = {});

// The two above, by family, for the callers that let the user pick either.
std::vector<BrowserProfile> FindBrowserProfiles(BrowserFamily family, const std::string& home);
ExchangeResult ImportFromBrowser(Database& db, BrowserFamily family, const std::string& source,
                                 const ProgressFn& progress = {});

} // namespace vireo

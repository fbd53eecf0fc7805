// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/startup.h"

#include <algorithm>
#include <cmath>

#include "interchange/browser.h"
#include "interchange/browser_import.h"
#include "platform/paths.h"
#include "shell/options.h"
#include "store/database.h"
#include "store/strings.h"

namespace vireo {

namespace {

inline constexpr std::string_view kLocationSubkey = "\\location";
inline constexpr std::string_view kDBSubkey = "\\DB";

// 0.8 of a screen side, halves rounded to even.
std::int32_t EightyPercent(std::int32_t side) {
    return static_cast<std::int32_t>(std::nearbyint(0.8 * static_cast<double>(side)));
}

void AddError(std::string* error, const std::string& text) {
    if (!error || text.empty())
        return;
    if (!error->empty())
        *error += '\n';
    *error += text;
}

} // namespace

std::string PersonalFolder(const Registry& reg) {
    std::string personal = GetRegText(reg, kShellFoldersKey, "Personal");
    return personal.empty() ? sys::DocumentsDir() : personal;
}

std::string DataDirectory(const Registry& reg) {
    std::string path = GetRegText(reg, SettingsPath(kDBSubkey), "path");
    return path.empty() ? PersonalFolder(reg) + "/Vireo Data" : path;
}

std::string TemporaryDirectory() {
    return sys::TempDir();
}

WindowPosition DefaultWindowPosition(std::int32_t screenWidth, std::int32_t screenHeight) {
    return {screenHeight / 10, screenWidth / 10, EightyPercent(screenWidth), EightyPercent(screenHeight)};
}

WindowPosition ReadWindowPosition(const Registry& reg, std::int32_t screenWidth, std::int32_t screenHeight) {
    std::string key = SettingsPath(kLocationSubkey);
    WindowPosition p{GetRegNumber(reg, key, "top"), GetRegNumber(reg, key, "left"),
                     GetRegNumber(reg, key, "width"), GetRegNumber(reg, key, "height")};
    bool off = p.top < 0 || p.top > screenHeight || p.left < 0 || p.left > screenWidth || p.width <= 0 ||
               p.width > screenWidth || p.height <= 0 || p.height > screenHeight;
    return off ? DefaultWindowPosition(screenWidth, screenHeight) : p;
}

void SaveWindowPosition(Registry& reg, const WindowPosition& pos) {
    std::string key = SettingsPath(kLocationSubkey);
    SetRegValue(reg, key, "top", static_cast<std::int64_t>(pos.top));
    SetRegValue(reg, key, "left", static_cast<std::int64_t>(pos.left));
    SetRegValue(reg, key, "width", static_cast<std::int64_t>(pos.width));
    SetRegValue(reg, key, "height", static_cast<std::int64_t>(pos.height));
}

FirstRunImportOffer PrepareFirstRunImport(const Registry& reg, const std::string& home) {
    FirstRunImportOffer offer;
    std::string path;
    bool hasProfiles = false;
    offer.explorer = GetExplorerPath(reg, path);
    offer.netscape = GetNetscapePath(reg, path, hasProfiles);
    offer.title = LoadResString(4);
    std::string first;
    std::string second;
    if (offer.explorer || offer.netscape) {
        first = LoadResString(offer.explorer ? 50 : 51);
        if (offer.explorer && offer.netscape)
            second = LoadResString(51);
    } else if (!home.empty()) {
        offer.profiles = FindAllProfiles(home);
    }
    std::string q = LoadResString(4) + " has determined that you have ";
    if (!offer.profiles.empty()) {
        // Each browser once, in the order of its newest profile.
        std::vector<std::string> browsers;
        for (const BrowserProfile& p : offer.profiles) {
            if (std::find(browsers.begin(), browsers.end(), p.browser) == browsers.end())
                browsers.push_back(p.browser);
        }
        std::string names = browsers.front();
        for (std::size_t i = 1; i < browsers.size(); ++i)
            names += (i + 1 == browsers.size() ? " and " : ", ") + browsers[i];
        if (browsers.size() == 2)
            names = "both " + names;
        q += names + " installed.  Would you like to import the bookmarks from " +
             (browsers.size() > 1 ? "these browsers" : "this browser") + " into Vireo!?";
        // Which profiles, so that nothing comes in unannounced.
        q += offer.profiles.size() > 1 ? "\n\nThe profiles found, newest first:" : "\n\nThe profile found:";
        for (const BrowserProfile& p : offer.profiles)
            q += "\n    " + p.browser + ": " + p.name;
        offer.question = std::move(q);
        return offer;
    }
    if (first.empty())
        return offer;
    if (!second.empty()) {
        q += "both " + first + " and " + second +
             " installed.  Would you like to import the bookmarks from these browsers into Vireo!?";
    } else {
        q += first + " installed.  Would you like to import the bookmarks from this browser into Vireo!?";
    }
    offer.question = std::move(q);
    return offer;
}

bool SaveData(Database& db, Registry& reg, const SaveDataHooks& hooks, std::string* error) {
    if (db.Purged() || !db.IsOpen())
        return true;
    bool ok = true;
    std::string why;

    if (db.HasSubFolders(kTrashFolder) || db.FolderHasMarks(kTrashFolder)) {
        switch (GetTrash(reg)) {
        case 1:
            if (!db.EmptyFolder(kTrashFolder, true)) {
                ok = false;
                AddError(error, db.LastError());
            }
            break;
        case 2:
            if (hooks.askEmptyTrash)
                hooks.askEmptyTrash();
            break;
        default:
            break;
        }
    }

    if (db.Memo().DeadSpace() > kCompactAboveDeadBytes) {
        BusyGuard busy(db.Services().busy);
        if (hooks.showSummary)
            hooks.showSummary(kCompactingText);
        if (!db.Memo().PackDat(&why)) {
            ok = false;
            AddError(error, why);
        } else if (hooks.showSummary) {
            hooks.showSummary(kCompactedText);
        }
    }

    if (hooks.windowPosition)
        SaveWindowPosition(reg, *hooks.windowPosition);

    std::string dbKey = SettingsPath(kDBSubkey);
    if (db.DBPath() != GetRegText(reg, dbKey, "path"))
        SetRegValue(reg, dbKey, "path", db.DBPath());

    if (hooks.buildHomePage) {
        why.clear();
        if (!hooks.buildHomePage(&why)) {
            ok = false;
            AddError(error, why);
        }
    }

    why.clear();
    if (!db.SaveFolders(&why) || !db.SaveBookmarks(&why)) {
        ok = false;
        AddError(error, why);
    }
    return ok;
}

} // namespace vireo

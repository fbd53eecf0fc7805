// SPDX-License-Identifier: GPL-3.0-or-later
// Finding the browsers' profiles, and filing what their readers built.
#include "interchange/browser_import.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "interchange/browser_tree.h"
#include "store/database.h"
#include "store/ole_date.h"

namespace vireo {

namespace fs = std::filesystem;

namespace browser_import {

bool IsBrowserInternal(std::string_view url) {
    // Saved searches and smart folders: queries into the browser's own history.
    constexpr std::string_view kPlace = "place:";
    if (url.size() < kPlace.size())
        return false;
    for (std::size_t i = 0; i < kPlace.size(); ++i) {
        char c = url[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != kPlace[i])
            return false;
    }
    return true;
}

fs::path StoreFile(const std::string& source, const char* fileName) {
    std::error_code ec;
    if (fs::is_directory(source, ec))
        return fs::path(source) / fileName;
    return fs::path(source);
}

ExchangeResult Refusal(std::string title, std::string message) {
    ExchangeResult r;
    r.title = std::move(title);
    r.message = std::move(message);
    r.warning = true;
    return r;
}

void FileTree(Database& db, const Tree& tree, const FilingTexts& texts, ExchangeResult& result) {
    std::int16_t root = db.AddFolder(texts.folderName, kRootFolder, kFolderImported);
    if (root == 0) {
        result.message = FolderTableFullMessage(0, 0);
        result.warning = true;
        return;
    }
    BusyGuard busy(db.Services().busy);
    const std::int64_t cutsBefore = db.Memo().CutTexts();
    OleDateCache dates;
    // Folder IDs by node index; every node comes after its parent.
    std::vector<std::int16_t> ids(tree.nodes.size(), 0);
    std::int32_t folders = 1;
    std::int32_t bookmarks = 0;
    bool full = false;
    for (std::size_t i = 0; i < tree.nodes.size() && !full; ++i) {
        const Node& n = tree.nodes[i];
        std::int16_t parent = n.parent < 0 ? root : ids[static_cast<std::size_t>(n.parent)];
        if (parent == 0)
            continue; // under a folder that could not be made
        if (n.folder) {
            ids[i] = db.AddFolder(n.title, parent, kFolderImported);
            if (ids[i] == 0)
                full = true;
            else
                ++folders;
            continue;
        }
        // A bookmark without a name would be a blank line in the list: its address names it.
        BookmarkRecord r = db.NewMark(
            n.title.empty() ? std::string_view(n.url) : std::string_view(n.title), n.url, parent,
            n.description.empty() ? texts.description : std::string_view(n.description), texts.flags);
        if (n.added > 0)
            r.added = dates.ToOle(n.added);
        if (n.touched > 0)
            r.Touched = dates.ToOle(n.touched);
        else if (n.added > 0)
            r.Touched = r.added;
        db.Marks(parent).Add(r);
        ++bookmarks;
    }
    result.ok = true;
    result.warning = false;
    result.folder = root;
    result.folders = folders;
    result.bookmarks = bookmarks;
    if (full) {
        result.message = FolderTableFullMessage(folders, bookmarks);
        result.warning = true;
    }
    NoteCutTexts(result, db.Memo().CutTexts() - cutsBefore);
}

} // namespace browser_import

namespace {

bool IsFile(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

bool IsDir(const fs::path& p) {
    std::error_code ec;
    return fs::is_directory(p, ec);
}

std::string Trim(std::string_view s) {
    std::size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string_view::npos)
        return {};
    std::size_t b = s.find_last_not_of(" \t\r\n");
    return std::string(s.substr(a, b - a + 1));
}

struct IniSection {
    std::string name;
    std::vector<std::pair<std::string, std::string>> values;
    std::string Get(std::string_view key) const {
        for (const auto& [k, v] : values) {
            if (k == key)
                return v;
        }
        return {};
    }
};

std::vector<IniSection> ReadIni(const fs::path& file) {
    std::vector<IniSection> sections;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    std::size_t bytes = 0;
    while (std::getline(in, line) && (bytes += line.size()) < (std::size_t{1} << 20)) {
        std::string t = Trim(line);
        if (t.empty() || t[0] == ';' || t[0] == '#')
            continue;
        if (t.front() == '[' && t.back() == ']') {
            sections.push_back({t.substr(1, t.size() - 2), {}});
        } else if (std::size_t eq = t.find('='); eq != std::string::npos && !sections.empty()) {
            sections.back().values.emplace_back(Trim(t.substr(0, eq)), Trim(t.substr(eq + 1)));
        }
    }
    return sections;
}

void FirefoxProfilesIn(const fs::path& base, std::vector<BrowserProfile>& out) {
    std::vector<IniSection> ini = ReadIni(base / "profiles.ini");
    // Newer releases name each installation's default profile in an [Install...] section;
    // the Default=1 of a profile section is what older ones go by.
    std::vector<std::string> installDefaults;
    for (const IniSection& s : ini) {
        if (s.name.rfind("Install", 0) == 0 && !s.Get("Default").empty())
            installDefaults.push_back(s.Get("Default"));
    }
    for (const IniSection& s : ini) {
        if (s.name.rfind("Profile", 0) != 0)
            continue;
        std::string path = s.Get("Path");
        if (path.empty())
            continue;
        fs::path dir = s.Get("IsRelative") == "0" ? fs::path(path) : base / path;
        fs::path places = dir / "places.sqlite";
        if (!IsFile(places))
            continue;
        BrowserProfile p;
        p.kind = BrowserFamily::Firefox;
        p.browser = "Firefox";
        p.name = s.Get("Name").empty() ? dir.filename().string() : s.Get("Name");
        p.path = places.lexically_normal().string();
        if (installDefaults.empty())
            p.isDefault = s.Get("Default") == "1";
        else
            p.isDefault =
                std::find(installDefaults.begin(), installDefaults.end(), path) != installDefaults.end();
        out.push_back(std::move(p));
    }
}

// "Default" first, then "Profile 2" before "Profile 10", then any other name.
bool ChromiumProfileBefore(const std::string& a, const std::string& b) {
    auto rank = [](const std::string& n) -> std::pair<int, long> {
        if (n == "Default")
            return {0, 0};
        long number = 0;
        if (n.rfind("Profile ", 0) == 0) {
            auto [ptr, ec] = std::from_chars(n.data() + 8, n.data() + n.size(), number);
            if (ec == std::errc() && ptr == n.data() + n.size())
                return {1, number};
        }
        return {2, 0};
    };
    auto ra = rank(a);
    auto rb = rank(b);
    return ra != rb ? ra < rb : a < b;
}

void ChromiumProfilesIn(const fs::path& base, const std::string& browser, std::vector<BrowserProfile>& out) {
    if (!IsDir(base))
        return;
    std::vector<BrowserProfile> found;
    // Some keep the one profile in the browser's own folder rather than in "Default".
    if (IsFile(base / "Bookmarks"))
        found.push_back({BrowserFamily::Chromium, browser, "Default", (base / "Bookmarks").string(), true});
    std::error_code ec;
    for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name == "System Profile" || name == "Guest Profile" || !IsDir(it->path()))
            continue;
        fs::path bookmarks = it->path() / "Bookmarks";
        if (!IsFile(bookmarks))
            continue;
        if (!found.empty() && found.front().name == name)
            continue;
        found.push_back({BrowserFamily::Chromium, browser, name, bookmarks.string(), name == "Default"});
    }
    std::stable_sort(found.begin(), found.end(), [](const BrowserProfile& a, const BrowserProfile& b) {
        return ChromiumProfileBefore(a.name, b.name);
    });
    out.insert(out.end(), found.begin(), found.end());
}

} // namespace

std::vector<BrowserProfile> FindFirefoxProfiles(const std::string& home) {
    std::vector<BrowserProfile> out;
    if (home.empty())
        return out;
    const fs::path h(home);
    for (const fs::path& base : {h / ".mozilla/firefox", h / "snap/firefox/common/.mozilla/firefox",
                                 h / ".var/app/org.mozilla.firefox/.mozilla/firefox"})
        FirefoxProfilesIn(base, out);
    std::stable_partition(out.begin(), out.end(), [](const BrowserProfile& p) { return p.isDefault; });
    return out;
}

std::vector<BrowserProfile> FindChromiumProfiles(const std::string& home) {
    std::vector<BrowserProfile> out;
    if (home.empty())
        return out;
    const fs::path h(home);
    struct Home {
        const char* browser;
        const char* config;  // below ~/.config
        const char* flatpak; // the Flatpak application
        const char* snap;    // the Snap's own folder for it below ~/snap, if there is a Snap
    };
    static constexpr Home kHomes[] = {
        {"Chromium", "chromium", "org.chromium.Chromium", "chromium/common/chromium"},
        {"Google Chrome", "google-chrome", "com.google.Chrome", nullptr},
        {"Brave", "BraveSoftware/Brave-Browser", "com.brave.Browser",
         "brave/current/.config/BraveSoftware/Brave-Browser"},
        {"Microsoft Edge", "microsoft-edge", "com.microsoft.Edge", nullptr},
        {"Vivaldi", "vivaldi", "com.vivaldi.Vivaldi", "vivaldi/current/.config/vivaldi"},
        {"Opera", "opera", "com.opera.Opera", "opera/current/.config/opera"},
    };
    for (const Home& b : kHomes) {
        ChromiumProfilesIn(h / ".config" / b.config, b.browser, out);
        if (b.snap)
            ChromiumProfilesIn(h / "snap" / b.snap, b.browser, out);
        ChromiumProfilesIn(h / ".var/app" / b.flatpak / "config" / b.config, b.browser, out);
    }
    return out;
}

std::vector<BrowserProfile> FindBrowserProfiles(BrowserFamily family, const std::string& home) {
    return family == BrowserFamily::Firefox ? FindFirefoxProfiles(home) : FindChromiumProfiles(home);
}

ExchangeResult ImportFromBrowser(Database& db, BrowserFamily family, const std::string& source,
                                 const ProgressFn& progress) {
    return family == BrowserFamily::Firefox ? ImportFirefox(db, source, progress)
                                            : ImportChromium(db, source, progress);
}

} // namespace vireo

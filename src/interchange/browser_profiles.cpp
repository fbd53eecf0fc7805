// SPDX-License-Identifier: GPL-3.0-or-later
// Where each browser keeps its profiles: one table for all of them, read by one finder per
// family of store.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "interchange/browser_import.h"

namespace vireo {

namespace fs = std::filesystem;

namespace {

// Native folders below the home folder; Flatpak folders below ~/.var/app; Snap folders
// below ~/snap. The Firefox family's folders hold profiles.ini, the Chromium family's the
// profile folders, Falkon's its "profiles" folder, qutebrowser's its configuration,
// Konqueror's its bookmarks.xml.
constexpr BrowserInfo kBrowsers[] = {
    {"firefox", "Firefox", BrowserFamily::Firefox, ".mozilla/firefox", "org.mozilla.firefox/.mozilla/firefox",
     "firefox/common/.mozilla/firefox"},
    // Debian's ESR shares the profile folder of the release.
    {"firefox-esr", "Firefox ESR", BrowserFamily::Firefox, ".mozilla/firefox", "", ""},
    {"librewolf", "LibreWolf", BrowserFamily::Firefox, ".librewolf",
     "io.gitlab.librewolf-community/.librewolf", ""},
    {"waterfox", "Waterfox", BrowserFamily::Firefox, ".waterfox", "net.waterfox.waterfox/.waterfox", ""},
    {"floorp", "Floorp", BrowserFamily::Firefox, ".floorp", "one.ablaze.floorp/.floorp", ""},
    {"zen", "Zen", BrowserFamily::Firefox, ".zen", "app.zen_browser.zen/.zen", ""},
    {"chromium", "Chromium", BrowserFamily::Chromium, ".config/chromium",
     "org.chromium.Chromium/config/chromium", "chromium/common/chromium"},
    {"chrome", "Google Chrome", BrowserFamily::Chromium, ".config/google-chrome",
     "com.google.Chrome/config/google-chrome", ""},
    {"brave", "Brave", BrowserFamily::Chromium, ".config/BraveSoftware/Brave-Browser",
     "com.brave.Browser/config/BraveSoftware/Brave-Browser",
     "brave/current/.config/BraveSoftware/Brave-Browser"},
    {"vivaldi", "Vivaldi", BrowserFamily::Chromium, ".config/vivaldi", "com.vivaldi.Vivaldi/config/vivaldi",
     "vivaldi/current/.config/vivaldi"},
    {"edge", "Microsoft Edge", BrowserFamily::Chromium, ".config/microsoft-edge",
     "com.microsoft.Edge/config/microsoft-edge", ""},
    {"opera", "Opera", BrowserFamily::Chromium, ".config/opera", "com.opera.Opera/config/opera",
     "opera/current/.config/opera"},
    {"falkon", "Falkon", BrowserFamily::Falkon, ".config/falkon/profiles",
     "org.kde.falkon/config/falkon/profiles", "falkon/current/.config/falkon/profiles"},
    {"qutebrowser", "qutebrowser", BrowserFamily::Qutebrowser, ".config/qutebrowser",
     "org.qutebrowser.qutebrowser/config/qutebrowser", ""},
    {"konqueror", "Konqueror", BrowserFamily::Konqueror, ".local/share/konqueror",
     "org.kde.konqueror/data/konqueror", ""},
};

bool IsFile(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

bool IsDir(const fs::path& p) {
    std::error_code ec;
    return fs::is_directory(p, ec);
}

// When the store last changed, as Unix seconds (0 when unknown): what "newest" means.
std::int64_t ModifiedSeconds(const fs::path& p) {
    std::error_code ec;
    const fs::file_time_type t = fs::last_write_time(p, ec);
    if (ec)
        return 0;
    const auto system = std::chrono::file_clock::to_sys(t);
    return std::chrono::duration_cast<std::chrono::seconds>(system.time_since_epoch()).count();
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

BrowserProfile MakeProfile(const BrowserInfo& b, std::string name, const fs::path& store, bool isDefault) {
    BrowserProfile p;
    p.kind = b.family;
    p.browser = std::string(b.name);
    p.browserId = std::string(b.id);
    p.name = std::move(name);
    p.path = store.lexically_normal().string();
    p.isDefault = isDefault;
    p.modified = ModifiedSeconds(store);
    return p;
}

void FirefoxProfilesIn(const BrowserInfo& b, const fs::path& base, std::vector<BrowserProfile>& out) {
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
        const bool isDefault =
            installDefaults.empty()
                ? s.Get("Default") == "1"
                : std::find(installDefaults.begin(), installDefaults.end(), path) != installDefaults.end();
        out.push_back(MakeProfile(b, s.Get("Name").empty() ? dir.filename().string() : s.Get("Name"), places,
                                  isDefault));
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

// Profile folders holding `fileName`, and the browser's own folder when it holds one
// itself (some keep their one profile there rather than in "Default").
void ProfileFoldersIn(const BrowserInfo& b, const fs::path& base, const char* fileName,
                      const std::string& defaultName, std::vector<BrowserProfile>& out) {
    if (!IsDir(base))
        return;
    std::vector<BrowserProfile> found;
    if (b.family == BrowserFamily::Chromium && IsFile(base / fileName))
        found.push_back(MakeProfile(b, "Default", base / fileName, true));
    std::error_code ec;
    for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name == "System Profile" || name == "Guest Profile" || !IsDir(it->path()))
            continue;
        fs::path store = it->path() / fileName;
        if (!IsFile(store))
            continue;
        if (!found.empty() && found.front().name == name)
            continue;
        found.push_back(MakeProfile(b, name, store, name == defaultName));
    }
    std::stable_sort(found.begin(), found.end(), [](const BrowserProfile& x, const BrowserProfile& y) {
        return ChromiumProfileBefore(x.name, y.name);
    });
    out.insert(out.end(), found.begin(), found.end());
}

void ProfilesIn(const BrowserInfo& b, const fs::path& base, std::vector<BrowserProfile>& out) {
    switch (b.family) {
    case BrowserFamily::Firefox:
        FirefoxProfilesIn(b, base, out);
        break;
    case BrowserFamily::Chromium:
        ProfileFoldersIn(b, base, "Bookmarks", "Default", out);
        break;
    case BrowserFamily::Falkon: {
        // profiles.ini names the profile Falkon starts with, quoted or not.
        std::string start = "default";
        for (const IniSection& s : ReadIni(base / "profiles.ini")) {
            if (s.name == "Profiles" && !s.Get("startProfile").empty())
                start = s.Get("startProfile");
        }
        if (start.size() >= 2 && start.front() == '"' && start.back() == '"')
            start = start.substr(1, start.size() - 2);
        ProfileFoldersIn(b, base, "bookmarks.json", start, out);
        break;
    }
    case BrowserFamily::Qutebrowser: {
        // One set of bookmarks and quickmarks per configuration folder; the newer of the two
        // files tells when it last changed.
        const fs::path urls = base / "bookmarks" / "urls";
        const fs::path quick = base / "quickmarks";
        if (IsFile(urls) || IsFile(quick)) {
            BrowserProfile p = MakeProfile(b, "default", base, true);
            p.modified = std::max(ModifiedSeconds(urls), ModifiedSeconds(quick));
            out.push_back(std::move(p));
        }
        break;
    }
    case BrowserFamily::Konqueror:
        if (IsFile(base / "bookmarks.xml"))
            out.push_back(MakeProfile(b, "default", base / "bookmarks.xml", true));
        break;
    }
}

} // namespace

std::span<const BrowserInfo> KnownBrowsers() {
    return kBrowsers;
}

const BrowserInfo* FindBrowser(std::string_view id) {
    for (const BrowserInfo& b : kBrowsers) {
        if (b.id == id)
            return &b;
    }
    return nullptr;
}

const BrowserInfo& FamilyBrowser(BrowserFamily family) {
    for (const BrowserInfo& b : kBrowsers) {
        if (b.family == family)
            return b;
    }
    return kBrowsers[0];
}

std::vector<BrowserProfile> FindProfiles(const BrowserInfo& browser, const std::string& home) {
    std::vector<BrowserProfile> out;
    if (home.empty())
        return out;
    const fs::path h(home);
    ProfilesIn(browser, h / browser.native, out);
    if (!browser.snap.empty())
        ProfilesIn(browser, h / "snap" / browser.snap, out);
    if (!browser.flatpak.empty())
        ProfilesIn(browser, h / ".var/app" / browser.flatpak, out);
    std::stable_partition(out.begin(), out.end(), [](const BrowserProfile& p) { return p.isDefault; });
    return out;
}

std::vector<BrowserProfile> FindAllProfiles(const std::string& home) {
    std::vector<BrowserProfile> out;
    for (const BrowserInfo& b : kBrowsers) {
        for (BrowserProfile& p : FindProfiles(b, home)) {
            // Browsers that share a folder (Firefox and its ESR) list each profile once.
            const bool listed = std::any_of(out.begin(), out.end(),
                                            [&](const BrowserProfile& q) { return q.path == p.path; });
            if (!listed)
                out.push_back(std::move(p));
        }
    }
    // Newest first: the profile the user works in is the one changed last.
    std::stable_sort(out.begin(), out.end(), [](const BrowserProfile& a, const BrowserProfile& b) {
        return a.modified > b.modified;
    });
    return out;
}

std::vector<BrowserProfile> FindFirefoxProfiles(const std::string& home) {
    return FindProfiles(FamilyBrowser(BrowserFamily::Firefox), home);
}

std::vector<BrowserProfile> FindChromiumProfiles(const std::string& home) {
    std::vector<BrowserProfile> out;
    for (const BrowserInfo& b : kBrowsers) {
        if (b.family == BrowserFamily::Chromium) {
            for (BrowserProfile& p : FindProfiles(b, home))
                out.push_back(std::move(p));
        }
    }
    return out;
}

std::vector<BrowserProfile> FindBrowserProfiles(BrowserFamily family, const std::string& home) {
    return family == BrowserFamily::Chromium ? FindChromiumProfiles(home)
                                             : FindProfiles(FamilyBrowser(family), home);
}

} // namespace vireo

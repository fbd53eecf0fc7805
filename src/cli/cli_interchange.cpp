// SPDX-License-Identifier: GPL-3.0-or-later
#include <atomic>
#include <charconv>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <memory>

#include "cli/cli.h"
#include "interchange/browser.h"
#include "interchange/browser_import.h"
#include "interchange/favorites.h"
#include "interchange/find.h"
#include "interchange/home_page.h"
#include "interchange/html_import.h"
#include "interchange/html_view.h"
#include "interchange/link_check.h"
#include "interchange/netscape.h"
#include "interchange/xbel_exchange.h"
#include "platform/hive_registry.h"
#include "platform/paths.h"
#include "platform/url_fetch.h"
#include "store/database.h"

namespace vireo::cli {

namespace fs = std::filesystem;

namespace {

// A percentage on the terminal, rewritten in place; nothing when stderr is not one.
class Progress {
public:
    Progress(Context& ctx, std::string label) : m_ctx(ctx), m_label(std::move(label)) {}
    ~Progress() { Done(); }
    void Show(std::uint64_t done, std::uint64_t total) {
        if (!m_ctx.progress || total == 0)
            return;
        int percent = static_cast<int>(done * 100 / total);
        if (percent == m_last)
            return;
        m_last = percent;
        m_ctx.err << '\r' << m_label << ' ' << percent << "%   " << std::flush;
        m_shown = true;
    }
    void Done() {
        if (m_shown)
            m_ctx.err << "\r\033[K" << std::flush;
        m_shown = false;
    }

private:
    Context& m_ctx;
    std::string m_label;
    int m_last = -1;
    bool m_shown = false;
};

// Takes "--name VALUE" out of the arguments; "" when absent.
// Reports an import, saves it and gives the exit status.
int FinishImport(Context& ctx, Database& db, const ExchangeResult& r) {
    if (!r.ok)
        return Fail(ctx, r.message.empty() ? std::string("nothing was imported") : r.message);
    if (!SaveAsOnExit(ctx, db))
        return kExitFailed;
    ctx.out << "Imported " << r.bookmarks << " bookmarks in " << r.folders << " folders into folder "
            << r.folder << " (" << db.FolderPath(r.folder) << ").\n";
    if (!r.message.empty())
        return Fail(ctx, r.message, kExitProblem);
    return kExitOk;
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

std::string ProfileLabel(const BrowserProfile& p) {
    return p.browser + "/" + p.name;
}

// The store named on the command line: a file or profile folder, else a profile found in
// the home folder by NAME or BROWSER/NAME (that one of any browser); with none named, the
// only profile there is. Empty, with the reason printed (and the choices listed), when
// that is not one store.
bool ChooseBrowserStore(Context& ctx, const BrowserInfo& browser, const std::string& named,
                        BrowserProfile& chosen) {
    const std::string familyName = browser.id == "chromium" ? "Chromium-family" : std::string(browser.name);
    std::error_code ec;
    if (!named.empty() && fs::exists(named, ec)) {
        chosen = {};
        chosen.kind = browser.family;
        chosen.browser = std::string(browser.name);
        chosen.browserId = std::string(browser.id);
        chosen.path = named;
        return true;
    }
    const std::string home = sys::HomeDir();
    // "chromium" stands for the whole family, as it always has on this command line.
    std::vector<BrowserProfile> found =
        browser.id == "chromium" ? FindChromiumProfiles(home) : FindProfiles(browser, home);
    std::vector<const BrowserProfile*> matches;
    for (const BrowserProfile& p : found) {
        if (named.empty() || named == p.name || named == ProfileLabel(p))
            matches.push_back(&p);
    }
    std::vector<BrowserProfile> all;
    if (matches.empty() && named.find('/') != std::string::npos) {
        all = FindAllProfiles(home);
        for (const BrowserProfile& p : all) {
            if (named == ProfileLabel(p))
                matches.push_back(&p);
        }
    }
    if (matches.size() == 1) {
        chosen = *matches.front();
        return true;
    }
    if (matches.empty()) {
        if (named.empty())
            Fail(ctx, "no " + familyName + " profile with bookmarks was found in \"" + home +
                          "\"; name its bookmark file or profile folder");
        else
            Fail(ctx, "\"" + named + "\" is neither a file nor a " + familyName + " profile found in \"" +
                          home + "\"");
        return false;
    }
    if (named.empty())
        Fail(ctx, "several " + familyName + " profiles were found; name one of them");
    else
        Fail(ctx, "several profiles are named \"" + named + "\"; name one as BROWSER/NAME");
    for (const BrowserProfile* p : matches)
        ctx.out << Cell(ProfileLabel(*p)) << '\t' << Cell(p->path) << (p->isDefault ? "\tdefault" : "")
                << '\n';
    return false;
}

int ImportBrowserStore(Context& ctx, const BrowserInfo& browser, const std::vector<std::string>& args) {
    BrowserProfile chosen;
    if (!ChooseBrowserStore(ctx, browser, args.size() == 2 ? args[1] : std::string(), chosen))
        return kExitFailed;
    Database db;
    if (!OpenDatabase(ctx, db))
        return kExitFailed;
    Progress progress(ctx, "Importing");
    auto show = [&](std::uint64_t done, std::uint64_t total) { progress.Show(done, total); };
    ExchangeResult r = ImportProfile(db, chosen, show);
    progress.Done();
    return FinishImport(ctx, db, r);
}

// Every profile of every browser found in the home folder, newest first: the browser's
// command-line name, BROWSER/PROFILE, the store, and whether it is the browser's default.
int ListProfiles(Context& ctx) {
    const std::string home = sys::HomeDir();
    const std::vector<BrowserProfile> found = FindAllProfiles(home);
    if (found.empty()) {
        ctx.err << "no browser profile with bookmarks was found in \"" << home << "\"\n";
        return kExitOk;
    }
    for (const BrowserProfile& p : found)
        ctx.out << p.browserId << '\t' << Cell(ProfileLabel(p)) << '\t' << Cell(p.path)
                << (p.isDefault ? "\tdefault" : "") << '\n';
    return kExitOk;
}

std::string BrowserNames() {
    std::string names;
    for (const BrowserInfo& b : KnownBrowsers())
        names += (names.empty() ? "" : ", ") + std::string(b.id);
    return names;
}

constexpr const char* kImportUsage =
    "usage: import netscape FILE | import favorites [DIR] | import html FILE [--folder ID] | "
    "import xbel FILE | import BROWSER [PROFILE-OR-FILE] | import --list";

int Import(Context& ctx) {
    std::vector<std::string> args = ctx.args;
    std::string folderText;
    bool hasFolder = TakeOption(args, "--folder", folderText);
    std::string kind = args.empty() ? std::string() : args[0];
    if (kind == "--list")
        return args.size() == 1 && !hasFolder ? ListProfiles(ctx) : Fail(ctx, kImportUsage, kExitUsage);
    const BrowserInfo* browser = FindBrowser(kind);
    bool fileKind = kind == "netscape" || kind == "html" || kind == "xbel";
    bool optionalKind = kind == "favorites" || browser;
    if ((fileKind && args.size() != 2) || (optionalKind && args.size() > 2) || (!fileKind && !optionalKind) ||
        (hasFolder && kind != "html"))
        return Fail(ctx, std::string(kImportUsage) + " (BROWSER: " + BrowserNames() + ")", kExitUsage);
    if (browser)
        return ImportBrowserStore(ctx, *browser, args);
    if (fileKind && !FileExists(args[1]))
        return Fail(ctx, "the file \"" + args[1] + "\" does not exist");
    std::string favorites;
    if (kind == "favorites") {
        favorites = args.size() == 2 ? args[1] : FavoritesFolder(*OpenSettings(ctx.err));
        if (favorites.empty())
            return Fail(ctx,
                        "the settings name no Favorites folder; name one: vireo-cli import favorites DIR");
    }
    Database db;
    if (!OpenDatabase(ctx, db))
        return kExitFailed;
    ExchangeResult r;
    if (kind == "netscape" || kind == "xbel") {
        Progress progress(ctx, "Importing");
        auto show = [&](std::uint64_t done, std::uint64_t total) { progress.Show(done, total); };
        r = kind == "netscape" ? ImportNetscape(db, args[1], show) : ImportXbel(db, args[1], show);
    } else if (kind == "favorites") {
        r = ImportFavorites(db, favorites);
    } else {
        std::int16_t target = kRootFolder;
        if (hasFolder && !(target = FolderArgument(ctx, db, folderText)))
            return kExitFailed;
        r = ImportHtml(db, args[1], target);
    }
    return FinishImport(ctx, db, r);
}

int Export(Context& ctx) {
    const auto& args = ctx.args;
    std::string kind = args.empty() ? std::string() : args[0];
    if ((kind != "netscape" && kind != "favorites" && kind != "xbel") || args.size() < 2 || args.size() > 3 ||
        (kind == "xbel" && args.size() != 3))
        return Fail(
            ctx,
            "usage: export netscape FOLDER [FILE] | export favorites FOLDER [DIR] | export xbel FOLDER FILE",
            kExitUsage);
    std::string target = args.size() == 3 ? args[2] : std::string();
    if (target.empty()) {
        auto reg = OpenSettings(ctx.err);
        if (kind == "favorites") {
            target = FavoritesFolder(*reg);
        } else if (!GetNetscapeBookmarkFile(*reg, target)) {
            return Fail(ctx,
                        "Unable to locate your Netscape bookmark file. Name the file to write: vireo-cli "
                        "export netscape FOLDER FILE");
        }
    }
    Database db;
    if (!OpenDatabase(ctx, db))
        return kExitFailed;
    std::int16_t folder = FolderArgument(ctx, db, args[1]);
    if (!folder)
        return kExitFailed;
    ExchangeResult r;
    if (kind == "favorites")
        r = ExportFavorites(db, folder, target);
    else if (kind == "xbel")
        r = ExportXbel(db, folder, target);
    else if (args.size() == 3)
        r = ExportNetscapeFile(db, folder, target);
    else
        r = ExportNetscape(db, folder, target);
    if (!r.ok)
        return Fail(ctx, r.message.empty() ? std::string("nothing was exported") : r.message);
    if (kind == "favorites" || kind == "xbel")
        ctx.out << "Exported " << r.bookmarks << " bookmarks in " << r.folders << " folders to " << r.path
                << '\n';
    else
        ctx.out << "Exported folder " << folder << " (" << db.FolderPath(folder) << ") to " << r.path << '\n';
    return r.message.empty() ? kExitOk : Fail(ctx, r.message, kExitProblem);
}

int View(Context& ctx) {
    if (ctx.args.size() != 2)
        return Fail(ctx, "usage: view FOLDER FILE", kExitUsage);
    Database db;
    if (!OpenDatabase(ctx, db))
        return kExitFailed;
    std::int16_t folder = FolderArgument(ctx, db, ctx.args[0]);
    if (!folder)
        return kExitFailed;
    std::string file = ctx.args[1];
    std::string error;
    std::int32_t n = SaveView(db, file, folder, &error);
    if (n == 0) {
        std::string nothing = NothingToViewMessage(db, folder);
        return Fail(ctx, !error.empty() ? error : !nothing.empty() ? nothing : "no page was written");
    }
    ctx.out << "Wrote " << file << " with " << n << " bookmarks.\n";
    return kExitOk;
}

int HomePage(Context& ctx) {
    if (ctx.args.size() > 2)
        return Fail(ctx, "usage: homepage [FOLDER] [FILE]", kExitUsage);
    Database db;
    if (!OpenDatabase(ctx, db))
        return kExitFailed;
    std::int16_t folder = 0;
    if (!ctx.args.empty() && !(folder = FolderArgument(ctx, db, ctx.args[0])))
        return kExitFailed;
    std::string file = ctx.args.size() == 2 ? ctx.args[1] : std::string();
    std::string error;
    if (!BuildHomePage(db, *OpenSettings(ctx.err), file, folder, &error))
        return Fail(ctx, error);
    ctx.out << "Wrote " << file << " for folder " << folder << " (" << db.FolderPath(folder) << ").\n";
    return kExitOk;
}

int Find(Context& ctx) {
    std::vector<std::string> args = ctx.args;
    FindSettings s;
    std::string folderText;
    bool hasFolder = TakeOption(args, "--folder", folderText);
    bool name = TakeFlag(args, "--name");
    bool url = TakeFlag(args, "--url");
    bool desc = TakeFlag(args, "--desc");
    s.MatchCase = TakeFlag(args, "--case");
    s.ExactMatch = TakeFlag(args, "--exact");
    s.Recursive = !TakeFlag(args, "--no-recursive");
    s.OnlyDead = TakeFlag(args, "--dead");
    // With --dead the text may be left out: every dead link is listed.
    if (args.size() > 1 || (args.empty() && !s.OnlyDead) ||
        (!args.empty() && args[0].rfind("--", 0) == 0 && args[0].size() > 2))
        return Fail(ctx,
                    "usage: find TEXT [--name] [--url] [--desc] [--case] [--exact] [--folder ID] "
                    "[--no-recursive] [--dead]",
                    kExitUsage);
    if (name || url || desc) {
        s.InName = name;
        s.InUrl = url;
        s.InDesc = desc;
    }
    s.FindText = args.empty() ? std::string() : args[0];
    Database db;
    if (!OpenDatabase(ctx, db))
        return kExitFailed;
    if (hasFolder && !(s.FindFolder = FolderArgument(ctx, db, folderText)))
        return kExitFailed;
    struct Printer : FindSink {
        Printer(std::ostream& os, bool dead) : out(os), deadColumns(dead) {}
        void SearchingFolder(std::int16_t, const std::string&) override {}
        void Found(const FindHit& h, std::int32_t) override {
            out << Cell(h.title) << '\t' << Cell(h.url) << '\t' << Cell(h.description) << '\t'
                << Cell(h.path);
            if (deadColumns)
                out << '\t' << DeadReasonText(DeadLinkReason(h.userFlags)) << '\t'
                    << (h.checked > 0 ? FormatGeneralDate(h.checked) : std::string());
            out << '\n';
        }
        std::ostream& out;
        bool deadColumns;
    } printer(ctx.out, s.OnlyDead);
    ctx.out << "Name\tURL\tDescription\tPath" << (s.OnlyDead ? "\tDead link\tChecked" : "") << '\n';
    std::int32_t n = SearchFolder(db, s, s.FindFolder, printer);
    ctx.err << n << kFoundSuffix << '\n';
    return kExitOk;
}

std::atomic<bool> g_interrupted{false};

extern "C" void OnInterrupt(int) {
    g_interrupted = true;
}

int CheckLinks(Context& ctx) {
    std::vector<std::string> args = ctx.args;
    std::string jobsText, timeoutText;
    int jobs = kDefaultLinkJobs;
    int timeout = 30;
    bool mark = TakeFlag(args, "--mark");
    if ((TakeOption(args, "--jobs", jobsText) &&
         (!Number(jobsText, jobs) || jobs < 1 || jobs > kMaxLinkJobs)) ||
        (TakeOption(args, "--timeout", timeoutText) && (!Number(timeoutText, timeout) || timeout < 1)) ||
        args.size() != 1)
        return Fail(ctx, "usage: check-links FOLDER [--jobs 1..128] [--timeout SECONDS] [--mark]",
                    kExitUsage);
    Database db;
    if (!OpenDatabase(ctx, db))
        return kExitFailed;
    std::int16_t folder = FolderArgument(ctx, db, args[0]);
    if (!folder)
        return kExitFailed;
    sys::FetchLimits limits;
    limits.totalTimeoutMs = timeout * 1000L;
    limits.connectTimeoutMs = std::min(limits.connectTimeoutMs, limits.totalTimeoutMs);
    sys::CurlFetcher fetcher(limits);
    std::vector<LinkReport> links = CollectLinks(db, folder);
    LinkCheckProgress counts(links);
    // Ctrl+C stops the checking; what was checked is still reported (and marked).
    g_interrupted = false;
    auto previous = std::signal(SIGINT, OnInterrupt);
    Progress progress(ctx, "Checking");
    VerifyOptions options;
    options.jobs = jobs;
    options.cancel = &g_interrupted;
    bool changed = false;
    options.progress = [&](const LinkReport& r, std::int32_t done, std::int32_t total) {
        counts.Add(r);
        if (mark)
            changed |= RememberLinkReport(db, folder, r, OleNow());
        progress.Show(static_cast<std::uint64_t>(done), static_cast<std::uint64_t>(total));
    };
    std::vector<LinkReport> reports = CheckLinks(std::move(links), fetcher, options);
    progress.Done();
    std::signal(SIGINT, previous);
    int alive = 0, dead = 0, unreachable = 0, skipped = 0, unchecked = 0;
    ctx.out << "State\tKey\tName\tURL\tReason\n";
    for (const LinkReport& r : reports) {
        switch (r.state) {
        case LinkState::Alive:
            ++alive;
            break;
        case LinkState::NotFoundPage:
        case LinkState::Gone:
            ++dead;
            break;
        case LinkState::Unreachable:
            ++unreachable;
            break;
        case LinkState::Skipped:
            ++skipped;
            break;
        case LinkState::NotChecked:
            ++unchecked;
            break;
        }
        std::string_view state = r.state == LinkState::NotFoundPage ? "dead" : LinkStateName(r.state);
        ctx.out << state << '\t' << r.key << '\t' << Cell(r.title) << '\t' << Cell(r.url) << '\t'
                << Cell(r.reason) << '\n';
    }
    ctx.err << alive << " alive, " << dead << " dead, " << unreachable << " unreachable";
    if (skipped)
        ctx.err << ", " << skipped << " skipped";
    if (unchecked)
        ctx.err << ", " << unchecked << " not checked";
    ctx.err << " on " << counts.HostsTotal() << (counts.HostsTotal() == 1 ? " host\n" : " hosts\n");
    if (changed && !SaveAsOnExit(ctx, db))
        return kExitFailed;
    return dead + unreachable + unchecked > 0 ? kExitProblem : kExitOk;
}

const Command kCommands[] = {
    {"import",
     "netscape FILE | favorites [DIR] | html FILE [--folder ID] | xbel FILE | BROWSER [PROFILE-OR-FILE] | "
     "--list",
     "Import a bookmark file, a Favorites folder of .url files, the links of a web page, an XBEL file, or a "
     "browser profile's bookmarks (the profiles found are listed when several are and none is named). "
     "BROWSER: firefox, firefox-esr, librewolf, waterfox, floorp, zen, chromium (any of its family), chrome, "
     "brave, vivaldi, edge, opera, falkon, qutebrowser, konqueror; a Firefox FILE may be one of its "
     ".jsonlz4 backups. --list: every profile found on this machine, newest first.",
     Import},
    {"export", "netscape FOLDER [FILE] | favorites FOLDER [DIR] | xbel FOLDER FILE",
     "Export a folder as a bookmark file (appended to the browser's without FILE), as .url files or as an "
     "XBEL file.",
     Export},
    {"view", "FOLDER FILE", "Write a folder as a web page (the search view for a folder of search results).",
     View},
    {"homepage", "[FOLDER] [FILE]", "Write the home page of a folder (default: My Homepage into home.html).",
     HomePage},
    {"find", "TEXT [--name] [--url] [--desc] [--case] [--exact] [--folder ID] [--no-recursive] [--dead]",
     "Find bookmarks by name, address or description; --dead: only those marked dead by a link check.", Find},
    {"check-links", "FOLDER [--jobs N] [--timeout SECONDS] [--mark]",
     "Check the links of a folder: alive, dead or unreachable, one line each; --mark remembers it.",
     CheckLinks},
};

} // namespace

std::span<const Command> InterchangeCommands() {
    return kCommands;
}

} // namespace vireo::cli

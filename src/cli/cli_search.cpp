// SPDX-License-Identifier: GPL-3.0-or-later
// vireo-cli search, groups and history: web searches filed as the program files them,
// and the search groups and query history the search dialogs use.
#include <atomic>
#include <chrono>
#include <csignal>
#include <iostream>
#include <memory>

#include "cli/cli.h"
#include "cli/cli_messages.h"
#include "platform/hive_registry.h"
#include "platform/search_library_dl.h"
#include "search/engine_update.h"
#include "search/query_translation.h"
#include "search/search_history.h"
#include "search/search_launcher.h"
#include "search/search_session.h"
#include "shell/registry.h"
#include "shell/user_messages.h"
#include "store/database.h"
#include "store/text_codec.h"

namespace vireo::cli {

namespace {

class NoSounds : public EventSoundPlayer {
public:
    void PlayEventSound(SoundEvent) override {}
};

// The engines' states on the terminal: one line per engine, redrawn in place as they
// change.
class TerminalStatus : public SearchStatusView {
public:
    TerminalStatus(std::ostream& err, const StatusWindowSetup& setup) : m_err(err) {
        for (const auto& e : setup.engines) {
            m_rows.push_back({e, 0, "Waiting..."});
            m_width = std::max(m_width, text::CharCount(e));
        }
    }
    void SetCaption(std::string_view) override {}
    void SetLamp(int, StatusLampColumn, StatusLamp) override {}
    void SetHits(int row, std::int32_t hits) override {
        if (Valid(row) && m_rows[row].hits != hits) {
            m_rows[row].hits = hits;
            m_dirty = true;
        }
    }
    void SetProgressValue(int, std::int32_t) override {}
    void SetProgressPercent(int, std::int32_t) override {}
    void SetStatusText(int row, std::string_view text) override {
        if (Valid(row) && m_rows[row].text != text) {
            m_rows[row].text = text;
            m_dirty = true;
        }
    }
    void SetTotalText(std::string_view) override {}
    void SetStopButton(std::string_view, bool) override {}
    bool CloseWhenComplete() const override { return false; }

    void Draw() {
        if (!m_dirty && m_drawn)
            return;
        if (m_drawn)
            m_err << "\033[" << m_rows.size() << 'A';
        for (const auto& r : m_rows) {
            m_err << "\r\033[K  " << r.name << std::string(m_width - text::CharCount(r.name), ' ') << "  "
                  << r.hits << (r.hits == 1 ? " hit   " : " hits  ") << r.text << '\n';
        }
        m_err << std::flush;
        m_drawn = !m_rows.empty();
        m_dirty = false;
    }

private:
    struct Row {
        std::string name;
        std::int32_t hits;
        std::string text;
    };
    bool Valid(int row) const { return row >= 0 && static_cast<std::size_t>(row) < m_rows.size(); }

    std::ostream& m_err;
    std::vector<Row> m_rows;
    std::size_t m_width = 0;
    bool m_dirty = true;
    bool m_drawn = false;
};

class CliWindow : public SearchMainWindow {
public:
    CliWindow(std::ostream& err, bool show) : m_err(err), m_show(show) {}
    void HideSearchDialogs() override {}
    SearchStatusView* ShowStatusWindow(const StatusWindowSetup& setup) override {
        if (!m_show)
            return nullptr;
        status = std::make_unique<TerminalStatus>(m_err, setup);
        status->Draw();
        return status.get();
    }
    void ShowResultsFolder(std::int16_t folder) override { filedFolder = folder; }

    std::unique_ptr<TerminalStatus> status;
    std::int16_t filedFolder = 0;

private:
    std::ostream& m_err;
    bool m_show;
};

std::atomic<bool> g_interrupted{false};

extern "C" void OnSearchInterrupt(int) {
    g_interrupted = true;
}

bool FormatOption(const std::string& name, int& format) {
    static const std::pair<const char*, int> kFormats[] = {{"all", kFormatAllWords},
                                                           {"any", kFormatAnyWords},
                                                           {"phrase", kFormatPhrase},
                                                           {"raw", kFormatAsTyped}};
    for (const auto& [n, f] : kFormats) {
        if (name == n) {
            format = f;
            return true;
        }
    }
    return false;
}

// The group of a name: exactly as stored first, else ignoring letter case.
std::int32_t GroupByName(const SearchGroupTable& groups, const std::string& name) {
    std::int32_t index = FindGroupByName(groups, name);
    if (index >= 0)
        return index;
    std::string wanted = FoldRegName(text::TrimSpaces(name));
    for (std::int32_t i = 0; i <= groups.GroupCount(); ++i) {
        if (FoldRegName(text::TrimSpaces(groups.entries[static_cast<std::size_t>(i)].name)) == wanted)
            return i;
    }
    return -1;
}

// Waits for the search to end, handing the library's reports to the search object and
// drawing the engines' states; Ctrl+C asks the library to stop.
void RunSearch(clsSearch& search, CliWindow& window) {
    using Clock = std::chrono::steady_clock;
    bool cancelled = false;
    Clock::time_point cancelledAt;
    while (search.Searching()) {
        search.Events().WaitForEvents(std::chrono::milliseconds(100));
        search.ProcessEvents();
        if (window.status)
            window.status->Draw();
        if (g_interrupted && !cancelled) {
            cancelled = true;
            cancelledAt = Clock::now();
            search.CancelSearch();
        }
        // A library that never reports the end after being stopped must not hang the
        // command: what arrived is filed all the same.
        if (cancelled && search.Searching() && Clock::now() - cancelledAt > std::chrono::seconds(10))
            search.SetStatus("", 0);
    }
}

int Search(Context& ctx) {
    std::vector<std::string> args = ctx.args;
    std::string groupName, maxText, siteMaxText, timeoutText, formatText, exclude, rerunText;
    bool hasGroup = TakeOption(args, "--group", groupName);
    bool hasMax = TakeOption(args, "--max", maxText);
    bool hasSiteMax = TakeOption(args, "--site-max", siteMaxText);
    bool hasTimeout = TakeOption(args, "--timeout", timeoutText);
    bool hasFormat = TakeOption(args, "--format", formatText);
    TakeOption(args, "--exclude", exclude);
    bool rerun = TakeOption(args, "--rerun", rerunText);
    bool quiet = TakeFlag(args, "--quiet");
    int maxHits = 100, siteMax = 10, timeout = 5, format = kFormatAsTyped;
    if ((hasMax && (!Number(maxText, maxHits) || maxHits < 1 || maxHits > 32767)) ||
        (hasSiteMax && (!Number(siteMaxText, siteMax) || siteMax < 1 || siteMax > 32767)) ||
        (hasTimeout && (!Number(timeoutText, timeout) || timeout < 1 || timeout > 255)) ||
        (hasFormat && !FormatOption(formatText, format)))
        return Fail(ctx,
                    "usage: search QUERY [--group NAME] [--max N] [--site-max N] [--timeout S] "
                    "[--format all|any|phrase|raw] [--exclude WORDS] [--quiet], or search --rerun FOLDER",
                    kExitUsage);
    std::string query;
    for (const auto& a : args) {
        if (a.rfind("--", 0) == 0)
            return Fail(ctx, "unknown option \"" + a + "\" (see vireo-cli --help)", kExitUsage);
        query += (query.empty() ? "" : " ") + a;
    }
    if (rerun != query.empty())
        return Fail(ctx, "search needs a query, or --rerun and a folder number", kExitUsage);
    if (!rerun && text::TrimSpaces(query).empty())
        return Fail(ctx, std::string(kNoQueryMessage), kExitUsage);

    auto reg = OpenSettings(ctx.err);
    Database db;
    if (!OpenDatabase(ctx, db))
        return kExitFailed;
    PrintedMessages messages(ctx.err);
    DlSearchLibrary library(*reg, messages);
    NoSounds sounds;
    SearchState state;
    CliWindow window(ctx.err, ctx.progress && !quiet);
    SearchContext sctx{db, *reg, library, messages, sounds, state, &window, SearchProgramFolder()};
    clsSearch search(sctx);
    if (!search.Init())
        return kExitFailed;

    if (rerun) {
        std::int16_t folder = FolderArgument(ctx, db, rerunText);
        if (!folder)
            return kExitFailed;
        if (FolderKindOf(db.Folder(folder)) != FolderKind::SearchResults)
            return Fail(ctx, "folder " + rerunText + " holds no search results");
        // No group manager here: a folder whose group is gone cannot be repeated.
        if (!LoadFolderSearch(search, folder, {}))
            return kExitFailed;
        if (hasGroup || hasMax || hasSiteMax || hasTimeout || hasFormat || !exclude.empty())
            ctx.err << "vireo-cli: --rerun repeats the stored search; the other options are ignored\n";
    } else {
        std::int32_t group = 0;
        if (hasGroup && (group = GroupByName(state.groups, groupName)) < 0)
            return Fail(ctx, "there is no search group \"" + groupName + "\" (see vireo-cli groups list)");
        SearchHistory history;
        history.Add(*reg, std::string(text::TrimSpaces(query)));
        search.SetSearchGroupIndex(static_cast<std::int16_t>(group));
        search.SetSearchQuery(TranslateQuery(query, exclude, format));
        search.SetMaxHits(maxHits);
        search.SetSiteMax(siteMax);
        search.SetTimeout(timeout);
        search.SetFormatOption(format <= kFormatPhrase ? static_cast<std::int16_t>(format) : -1);
    }
    CheckEngineUpdate(*reg, library, sctx.programFolder);
    if (text::CharCount(search.SearchQuery()) < 2)
        return Fail(ctx, "a query needs at least two characters", kExitUsage);

    g_interrupted = false;
    auto previous = std::signal(SIGINT, OnSearchInterrupt);
    search.Search();
    RunSearch(search, window);
    std::signal(SIGINT, previous);

    if (search.TotalHits() == 0 || window.filedFolder == 0) {
        ctx.err << "vireo-cli: no engine delivered a hit for \"" << search.SearchQuery() << "\"\n";
        return kExitProblem;
    }
    if (!SaveAsOnExit(ctx, db))
        return kExitFailed;
    std::int16_t folder = window.filedFolder;
    ctx.out << "Folder " << folder << ": " << db.FolderPath(folder) << '\n';
    ctx.out << "Rank\tTitle\tURL\n";
    const clsBookmark& marks = db.Marks(folder);
    for (std::int32_t pos = 1; pos <= marks.Total(); ++pos) {
        const BookmarkRecord& r = marks.At(pos);
        if (r.key != 0)
            ctx.out << r.Rank << '\t' << Cell(db.Memo().GetMemo(r.Name)) << '\t'
                    << Cell(db.Memo().GetMemo(r.url)) << '\n';
    }
    ctx.err << search.TotalHits() << " hits, " << search.FiledCount() << " filed"
            << (g_interrupted ? " (the search was stopped)" : "") << ".\n";
    return kExitOk;
}

// The group table as the search dialogs see it (with "All Engines" from the library when
// it can be loaded; without it the stored groups are still listed and edited).
struct GroupsSession {
    explicit GroupsSession(Context& ctx)
        : reg(OpenSettings(ctx.err)), messages(ctx.err), library(*reg, messages) {
        if (library.Usable())
            GetSitesKeepingGroups(library, *reg, SearchProgramFolder(),
                                  static_cast<std::int16_t>(kSiteNameWidth), sites, leftOut);
        LoadGroups(table, *reg, library, sites);
    }
    std::unique_ptr<HiveRegistry> reg;
    PrintedMessages messages;
    DlSearchLibrary library;
    std::vector<SiteEntry> sites;
    std::vector<SiteEntry> leftOut; // past the library's limit, until a group names them
    SearchGroupTable table;
};

int GroupEditFailure(Context& ctx, GroupEditResult r, const std::string& name) {
    switch (r) {
    case GroupEditResult::Done:
        return kExitOk;
    case GroupEditResult::EmptyName:
        return Fail(ctx, "a group needs a name", kExitUsage);
    case GroupEditResult::NameExists:
        return Fail(ctx, GroupExistsMessage(name).replace(GroupExistsMessage(name).find('\n'), 1, " "));
    case GroupEditResult::BadName:
        return Fail(ctx, "a group name cannot contain \"\\\"", kExitUsage);
    case GroupEditResult::BuiltIn:
        return Fail(ctx, "\"" + std::string(kAllEnginesGroupName) + "\" cannot be changed");
    case GroupEditResult::NoSuchGroup:
        break;
    }
    return Fail(ctx, "there is no search group \"" + name + "\"");
}

int Groups(Context& ctx) {
    const std::vector<std::string>& a = ctx.args;
    const std::string sub = a.empty() ? std::string() : a[0];
    auto usage = [&] {
        return Fail(ctx,
                    "usage: groups list | add NAME | rename OLD NEW | delete NAME | engines NAME [ENGINE...]",
                    kExitUsage);
    };
    if (sub == "list" && a.size() == 1) {
        GroupsSession g(ctx);
        ctx.out << "Number\tName\tEngines\n";
        for (const auto& group : g.table.entries) {
            std::string engines;
            for (const auto& e : group.engines)
                engines += (engines.empty() ? "" : ", ") + e;
            ctx.out << group.number << '\t' << Cell(group.name) << '\t' << Cell(engines) << '\n';
        }
        return kExitOk;
    }
    if (sub == "add" && a.size() == 2) {
        GroupsSession g(ctx);
        if (GroupEditResult r = AddGroup(g.table, a[1]); r != GroupEditResult::Done)
            return GroupEditFailure(ctx, r, a[1]);
        SaveGroups(g.table, *g.reg);
        return kExitOk;
    }
    if (sub == "rename" && a.size() == 3) {
        GroupsSession g(ctx);
        std::int32_t index = GroupByName(g.table, a[1]);
        GroupEditResult r = index < 0 ? GroupEditResult::NoSuchGroup
                                      : RenameGroup(g.table, *g.reg, g.library, g.sites, index, a[2]);
        return GroupEditFailure(ctx, r, r == GroupEditResult::NameExists ? a[2] : a[1]);
    }
    if (sub == "delete" && a.size() == 2) {
        GroupsSession g(ctx);
        std::int32_t index = GroupByName(g.table, a[1]);
        GroupEditResult r = index < 0 ? GroupEditResult::NoSuchGroup
                                      : DeleteGroup(g.table, *g.reg, g.library, g.sites, index);
        return GroupEditFailure(ctx, r, a[1]);
    }
    if (sub == "engines" && a.size() >= 2) {
        GroupsSession g(ctx);
        std::int32_t index = GroupByName(g.table, a[1]);
        if (index < 0)
            return GroupEditFailure(ctx, GroupEditResult::NoSuchGroup, a[1]);
        if (a.size() == 2) {
            for (const auto& e : g.table.entries[static_cast<std::size_t>(index)].engines)
                ctx.out << e << '\n';
            return kExitOk;
        }
        if (index == 0)
            return GroupEditFailure(ctx, GroupEditResult::BuiltIn, a[1]);
        // The engines are named as the library names them; letter case may differ.
        // An engine left out for want of room may be named too: being in a group keeps it
        // from then on.
        std::vector<SiteEntry> known = g.sites;
        known.insert(known.end(), g.leftOut.begin(), g.leftOut.end());
        std::vector<std::string> engines;
        for (std::size_t i = 2; i < a.size(); ++i) {
            std::string name(text::TrimSpaces(a[i]));
            // By the name the group manager shows, or by the short name `engines list` prints.
            auto site = std::find_if(known.begin(), known.end(), [&](const SiteEntry& s) {
                return text::FoldCase(text::TrimSpaces(s.name)) == text::FoldCase(name);
            });
            if (site == known.end())
                site = std::find_if(known.begin(), known.end(), [&](const SiteEntry& s) {
                    return text::FoldCase(ScriptShortName(s.id)) == text::FoldCase(name);
                });
            if (site != known.end())
                name = std::string(text::TrimSpaces(site->name));
            else if (!known.empty())
                return Fail(ctx, "there is no engine \"" + a[i] + "\" (see vireo-cli engines list)");
            engines.push_back(name);
        }
        g.table.entries[static_cast<std::size_t>(index)].engines.clear();
        for (const auto& e : engines)
            SetGroupEngine(g.table, index, e, true);
        SaveGroups(g.table, *g.reg);
        return kExitOk;
    }
    return usage();
}

int History(Context& ctx) {
    if (!ctx.args.empty())
        return Fail(ctx, "history takes no arguments", kExitUsage);
    auto reg = OpenSettings(ctx.err);
    SearchHistory h;
    h.Load(*reg);
    for (const auto& q : h.NonEmpty())
        ctx.out << q << '\n';
    return kExitOk;
}

const Command kCommands[] = {
    {"search",
     "QUERY [--group NAME] [--max N] [--site-max N] [--timeout S] [--format all|any|phrase|raw] "
     "[--exclude WORDS] [--quiet] | --rerun FOLDER",
     "Search the web with the engines of a group and file the hits in a folder of search results "
     "(--rerun repeats a results folder's search into it); exit status 1 when no engine delivered a hit.",
     Search},
    {"groups", "list | add NAME | rename OLD NEW | delete NAME | engines NAME [ENGINE...]",
     "List or change the search groups (\"engines\" alone lists a group's engines, with names sets them).",
     Groups},
    {"history", "", "List the recent search queries, newest first.", History},
};

} // namespace

std::span<const Command> SearchCommands() {
    return kCommands;
}

} // namespace vireo::cli

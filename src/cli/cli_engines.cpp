// SPDX-License-Identifier: GPL-3.0-or-later
// vireo-cli engines: the engine scripts the search library reads, their update from the
// engine feed, and one engine tried live with its hits and search log lines, so that a
// user writing a script sees at once what the library made of it.
#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>

#include "cli/cli.h"
#include "cli/cli_messages.h"
#include "platform/hive_registry.h"
#include "platform/paths.h"
#include "platform/search_library_dl.h"
#include "search/engine_templates.h"
#include "search/engine_update.h"
#include "search/search_events.h"
#include "search/search_groups.h"
#include "search/search_session.h"
#include "store/text_codec.h"

namespace vireo::cli {

namespace {

namespace fs = std::filesystem;

// Where the library appends its log (it follows the same rule).
fs::path SearchLogFile() {
    std::string cache = sys::GetEnv("XDG_CACHE_HOME");
    if (cache.empty() || cache.front() != '/') {
        std::string home = sys::GetEnv("HOME");
        cache = (home.empty() ? std::string("/tmp") : home) + "/.cache";
    }
    return fs::path(cache) / "Vireo" / "search.log";
}

// The log lines written after the moment it was created: the library's account of one
// command. A log rotated meanwhile is read on from the kept-aside part.
class LogTail {
public:
    LogTail() : m_path(SearchLogFile()) { m_start = Size(m_path); }
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        std::uintmax_t now = Size(m_path);
        if (now < m_start) {
            Read(fs::path(m_path.string() + ".1"), m_start, lines);
            Read(m_path, 0, lines);
        } else {
            Read(m_path, m_start, lines);
        }
        return lines;
    }

private:
    static std::uintmax_t Size(const fs::path& p) {
        std::error_code ec;
        std::uintmax_t n = fs::file_size(p, ec);
        return ec ? 0 : n;
    }
    static void Read(const fs::path& p, std::uintmax_t from, std::vector<std::string>& lines) {
        std::ifstream in(p, std::ios::binary);
        if (!in)
            return;
        in.seekg(static_cast<std::streamoff>(from));
        std::string line;
        while (std::getline(in, line))
            lines.push_back(line);
    }
    fs::path m_path;
    std::uintmax_t m_start = 0;
};

void PrintLog(std::ostream& os, const LogTail& tail) {
    for (const auto& line : tail.Lines())
        os << "  log: " << line << '\n';
}

struct EngineSession {
    explicit EngineSession(Context& ctx)
        : reg(OpenSettings(ctx.err)), messages(ctx.err), library(*reg, messages),
          programFolder(SearchProgramFolder()) {}
    std::unique_ptr<HiveRegistry> reg;
    PrintedMessages messages;
    DlSearchLibrary library;
    std::string programFolder;
};

// The engines the library reports, those of the search groups kept first as the windows
// keep them; false (reason printed) when there are none.
bool LoadSites(Context& ctx, EngineSession& s, std::vector<SiteEntry>& sites,
               std::vector<SiteEntry>* leftOut = nullptr) {
    if (!s.library.Usable())
        return false;
    std::vector<SiteEntry> dropped;
    std::int32_t r = GetSitesKeepingGroups(s.library, *s.reg, s.programFolder,
                                           static_cast<std::int16_t>(kSiteNameWidth), sites, dropped);
    if (leftOut)
        *leftOut = std::move(dropped);
    if (r > 200 || (r != 0 && sites.empty())) {
        Fail(ctx, "no usable engine script in " + s.programFolder + "engines/ or " +
                      (fs::path(sys::DataHome()) / "Vireo" / "engines").string());
        return false;
    }
    if (r == 0) {
        Fail(ctx, "the search library could not list its engines");
        return false;
    }
    return true;
}

bool Shipped(const EngineSession& s, const SiteEntry& site) {
    return site.id.rfind(s.programFolder + "engines/", 0) == 0;
}

int List(Context& ctx) {
    if (ctx.args.size() != 1)
        return Fail(ctx, "usage: engines list", kExitUsage);
    EngineSession s(ctx);
    LogTail tail;
    std::vector<SiteEntry> sites, leftOut;
    if (!LoadSites(ctx, s, sites, &leftOut)) {
        PrintLog(ctx.err, tail);
        return kExitFailed;
    }
    ctx.out << "Short name\tName\tHome page\tSource\n";
    for (const auto& site : sites)
        ctx.out << Cell(ScriptShortName(site.id)) << '\t' << Cell(text::TrimSpaces(site.name)) << '\t'
                << Cell(site.home) << '\t' << (Shipped(s, site) ? "shipped" : "user") << '\n';
    for (const auto& site : leftOut)
        ctx.err << "vireo-cli: left out, at most " << kMaxSites
                << " engines are used (those in a search group first): " << ScriptShortName(site.id) << " ("
                << text::TrimSpaces(site.name) << ")\n";
    // Scripts left out say why in the log.
    PrintLog(ctx.err, tail);
    return kExitOk;
}

int Update(Context& ctx) {
    if (ctx.args.size() != 1)
        return Fail(ctx, "usage: engines update", kExitUsage);
    EngineSession s(ctx);
    if (!s.library.Usable())
        return kExitFailed;
    LogTail tail;
    std::int32_t r = s.library.UpdateScripts(s.programFolder);
    if (r == kUpdateNoFeed) {
        ctx.out << kNoEngineFeedText << '\n';
        return kExitOk;
    }
    if (r < 0) {
        ctx.err << "vireo-cli: the engine update failed; nothing was changed\n";
        PrintLog(ctx.err, tail);
        return kExitFailed;
    }
    ctx.out << (r == 0 ? std::string("No updates required")
                       : std::to_string(r) + (r == 1 ? " engine script" : " engine scripts") + " updated")
            << '\n';
    PrintLog(ctx.out, tail);
    return kExitOk;
}

std::atomic<bool> g_interrupted{false};

extern "C" void OnTryInterrupt(int) {
    g_interrupted = true;
}

bool IsFailure(SearchStatus code) {
    switch (code) {
    case SearchStatus::GeneralError:
    case SearchStatus::TimedOut:
    case SearchStatus::SearchTimedOut:
    case SearchStatus::ScriptError:
    case SearchStatus::Deadline:
    case SearchStatus::Unresolved:
    case SearchStatus::Unreachable:
    case SearchStatus::InvalidUrl:
        return true;
    default:
        return false;
    }
}

// The site timed out or the whole search passed its deadline.
bool IsDeadline(SearchStatus code) {
    return code == SearchStatus::TimedOut || code == SearchStatus::SearchTimedOut ||
           code == SearchStatus::Deadline;
}

int Try(Context& ctx) {
    std::vector<std::string> args(ctx.args.begin() + 1, ctx.args.end());
    std::string maxText, timeoutText;
    bool hasMax = TakeOption(args, "--max", maxText);
    bool hasTimeout = TakeOption(args, "--timeout", timeoutText);
    int max = 10, timeout = 10;
    if (args.size() < 2 || (hasMax && (!Number(maxText, max) || max < 1 || max > 1000)) ||
        (hasTimeout && (!Number(timeoutText, timeout) || timeout < 1 || timeout > 255)))
        return Fail(ctx, "usage: engines try NAME QUERY [--max N] [--timeout S]", kExitUsage);
    std::string name = args[0];
    std::string query;
    for (std::size_t i = 1; i < args.size(); ++i)
        query += (query.empty() ? "" : " ") + args[i];
    if (text::TrimSpaces(query).empty())
        return Fail(ctx, "engines try needs a query", kExitUsage);

    EngineSession s(ctx);
    LogTail tail;
    std::vector<SiteEntry> sites, leftOut;
    if (!LoadSites(ctx, s, sites, &leftOut))
        return kExitFailed;
    // One left out for want of room can be tried all the same: trying is how a user
    // decides whether to put it into a group.
    sites.insert(sites.end(), leftOut.begin(), leftOut.end());
    std::string wanted = text::FoldCase(text::TrimSpaces(name));
    auto site = std::find_if(sites.begin(), sites.end(), [&](const SiteEntry& e) {
        return text::FoldCase(ScriptShortName(e.id)) == wanted ||
               text::FoldCase(text::TrimSpaces(e.name)) == wanted;
    });
    if (site == sites.end())
        return Fail(ctx, "there is no engine \"" + name + "\" (see vireo-cli engines list)");

    auto events = std::make_shared<SearchEventQueue>();
    ctx.err << "Asking " << text::TrimSpaces(site->name) << " (" << site->id << ") for \"" << query << "\"\n";
    if (s.library.InternetSearchMT({site->id}, query, static_cast<std::int16_t>(max),
                                   static_cast<std::int16_t>(max), static_cast<std::int16_t>(timeout), events,
                                   kMaxTransfers, 0) != 1)
        return Fail(ctx, "the search library refused the search");

    g_interrupted = false;
    auto previous = std::signal(SIGINT, OnTryInterrupt);
    int hits = 0;
    SearchStatus ending = SearchStatus::SearchEnded;
    bool cancelled = false, done = false, refused = false;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3 * timeout + 15);
    while (!done) {
        events->WaitForEvents(std::chrono::milliseconds(100));
        for (const SearchEvent& e : events->TakeAll()) {
            if (e.kind == SearchEvent::Kind::Result) {
                ++hits;
                ctx.out << hits << '\t' << Cell(e.title) << '\t' << Cell(e.address) << '\t'
                        << Cell(e.description) << '\n';
            } else if (e.site.empty()) {
                if (StatusCodeOf(e.status) == SearchStatus::SearchEnded)
                    done = true;
                else if (StatusCodeOf(e.status) == SearchStatus::SearchTimedOut)
                    ending = SearchStatus::SearchTimedOut;
            } else {
                // The low 16 bits are the code the program shows; a bit above them says that
                // the site turned the search away, which a user trying an engine must know:
                // the script is not at fault and a later try may well work.
                const SearchStatus code = StatusCodeOf(e.status);
                std::string_view text = StatusCodeText(code, hits > 0);
                ctx.err << "  status " << static_cast<std::int32_t>(code) << (text.empty() ? "" : ": ")
                        << text << '\n';
                if (e.status & kStatusSiteRefused) {
                    refused = true;
                    ctx.err << "  the site refused an automated search (a bot check, a consent page or too "
                               "many requests; the search log says which)\n";
                }
                if (code >= SearchStatus::Complete)
                    ending = code;
            }
        }
        if (g_interrupted && !cancelled) {
            cancelled = true;
            s.library.CancelSearch();
        }
        if (!done && std::chrono::steady_clock::now() > deadline) {
            ctx.err << "vireo-cli: the search library did not end the search\n";
            break;
        }
    }
    std::signal(SIGINT, previous);
    ctx.out << std::flush;
    PrintLog(ctx.err, tail);
    ctx.err << hits << (hits == 1 ? " hit" : " hits") << ".\n";
    if (refused)
        ctx.err << "vireo-cli: " << text::TrimSpaces(site->name)
                << " refused the automated search; this is the site's doing, not the script's\n";
    if (!done)
        return kExitFailed;
    // The deadline ending an engine that had already sent hits is how a slow engine
    // works, not a failure of the script.
    if (hits > 0 && IsDeadline(ending))
        return kExitOk;
    if (IsFailure(ending))
        return kExitFailed;
    return hits > 0 ? kExitOk : kExitProblem;
}

// An engine of the user's own made from a shipped template (a SearXNG instance), checked by
// the library before it is kept: a document the library cannot read is taken away again.
int Add(Context& ctx) {
    if (ctx.args.size() != 3)
        return Fail(ctx,
                    "usage: engines add TEMPLATE ADDRESS (for instance: engines add searxng "
                    "https://searx.example.net)",
                    kExitUsage);
    EngineSession s(ctx);
    if (!s.library.Usable())
        return kExitFailed;
    std::string userFolder = (fs::path(sys::DataHome()) / "Vireo" / "engines").string();
    TemplateEngine made;
    std::string error;
    if (!AddEngineFromTemplate(s.programFolder, userFolder, ctx.args[1], ctx.args[2], made, error))
        return Fail(ctx, error);
    LogTail tail;
    std::vector<SiteEntry> sites, leftOut;
    std::int32_t r = GetSitesKeepingGroups(s.library, *s.reg, s.programFolder,
                                           static_cast<std::int16_t>(kSiteNameWidth), sites, leftOut);
    auto isMade = [&](const SiteEntry& e) { return e.id == made.path; };
    bool crowdedOut = std::any_of(leftOut.begin(), leftOut.end(), isMade);
    bool listed = r >= 1 && r <= 200 && (crowdedOut || std::any_of(sites.begin(), sites.end(), isMade));
    if (!listed) {
        std::error_code ec;
        fs::remove(made.path, ec);
        ctx.err << "vireo-cli: the search library does not take the engine made for " << made.address
                << "; it was not kept\n";
        PrintLog(ctx.err, tail);
        return kExitFailed;
    }
    ctx.out << "Added " << made.name << " (short name " << made.shortName << "): " << made.path << '\n';
    ctx.out << "Try it with: vireo-cli engines try " << made.shortName << " \"some words\"\n";
    if (crowdedOut)
        ctx.out << "At most " << kMaxSites
                << " engines are used and this one is left out until a search group "
                << "names it: vireo-cli groups engines GROUP " << made.shortName << " ...\n";
    return kExitOk;
}

int Engines(Context& ctx) {
    const std::string sub = ctx.args.empty() ? std::string() : ctx.args[0];
    if (sub == "list")
        return List(ctx);
    if (sub == "update")
        return Update(ctx);
    if (sub == "try")
        return Try(ctx);
    if (sub == "add")
        return Add(ctx);
    return Fail(
        ctx, "usage: engines list | update | try NAME QUERY [--max N] [--timeout S] | add TEMPLATE ADDRESS",
        kExitUsage);
}

const Command kCommands[] = {
    {"engines", "list | update | try NAME QUERY [--max N] [--timeout S] | add TEMPLATE ADDRESS",
     "List the search engines (short name, name, home page, shipped or user), update the engine scripts "
     "from the engine feed, try one engine live, printing each hit and the search log lines of the run "
     "(exit status 1 when the engine found nothing, 2 when it failed; hits that came before the deadline "
     "count as found), or add an engine of your own from a shipped template for the instance at ADDRESS "
     "(\"add searxng https://searx.example.net\"; one engine per instance).",
     Engines},
};

} // namespace

std::span<const Command> EngineCommands() {
    return kCommands;
}

} // namespace vireo::cli

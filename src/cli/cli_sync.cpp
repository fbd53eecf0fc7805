// SPDX-License-Identifier: GPL-3.0-or-later
// vireo-cli sync: profiles that keep a folder in step with a bookmark file on a WebDAV
// share or in a synced folder, and running them.

#include <ctime>
#include <filesystem>
#include <iostream>
#include <unistd.h>

#include "cli/cli.h"
#include "platform/hive_registry.h"
#include "platform/paths.h"
#include "platform/secret_store_libsecret.h"
#include "platform/webdav_curl.h"
#include "store/database.h"
#include "sync/password_store.h"
#include "sync/sync_local.h"
#include "sync/sync_profiles.h"
#include "sync/sync_run.h"
#include "sync/sync_share.h"

namespace vireo::cli {

namespace {

using namespace vireo::sync;

std::string WhenText(const SyncProfile& p) {
    switch (p.when) {
    case SyncWhen::AtStart:
        return "start";
    case SyncWhen::Every:
        return std::to_string(p.minutes);
    case SyncWhen::ByHand:
        break;
    }
    return "hand";
}

std::string TimeText(std::int64_t t) {
    if (t <= 0)
        return "never";
    std::time_t tt = static_cast<std::time_t>(t);
    std::tm tm{};
    localtime_r(&tt, &tm);
    char buf[40];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

int Add(Context& ctx) {
    std::vector<std::string>& a = ctx.args;
    SyncProfile p;
    std::string folder, direction, when;
    TakeOption(a, "--user", p.user);
    bool hasFolder = TakeOption(a, "--folder", folder);
    bool hasDirection = TakeOption(a, "--direction", direction);
    bool hasWhen = TakeOption(a, "--when", when);
    if (a.size() != 2)
        return Fail(ctx, "sync add needs a profile name and an address", kExitUsage);
    p.name = a[0];
    p.url = a[1];
    std::string why;
    if (!ValidProfileName(p.name, why))
        return Fail(ctx, why, kExitUsage);
    if (IsWebAddress(p.url) == false) {
        std::string path = p.url.rfind("file://", 0) == 0 ? p.url.substr(7) : p.url;
        std::error_code ec;
        if (!std::filesystem::path(path).is_absolute())
            return Fail(ctx, "the address is neither http(s) nor an absolute folder path: " + p.url,
                        kExitUsage);
        p.url = std::filesystem::weakly_canonical(path, ec).string();
    }
    if (hasDirection && !ParseDirection(direction, p.direction))
        return Fail(ctx, "--direction is both, up or down", kExitUsage);
    if (hasWhen) {
        int minutes = 0;
        if (when == "hand")
            p.when = SyncWhen::ByHand;
        else if (when == "start")
            p.when = SyncWhen::AtStart;
        else if (Number(when, minutes) && minutes >= kMinMinutes && minutes <= kMaxMinutes) {
            p.when = SyncWhen::Every;
            p.minutes = minutes;
        } else
            return Fail(ctx, "--when is hand, start or a number of minutes (1 to 1440)", kExitUsage);
    }
    auto reg = OpenSettings(ctx.err);
    SyncProfile existing;
    if (FindProfile(*reg, p.name, existing))
        return Fail(ctx, "there is already a profile \"" + existing.name + "\" (sync remove it first)",
                    kExitFailed);
    if (hasFolder) {
        Database db;
        if (!OpenDatabase(ctx, db))
            return kExitFailed;
        p.folder = FolderArgument(ctx, db, folder);
        if (p.folder == 0)
            return kExitUsage;
        if (db.IsWithin(p.folder, kTrashFolder) || db.IsWithin(p.folder, kSearchResultsFolder))
            return Fail(ctx, "the trash and the search results do not sync", kExitUsage);
    }
    SaveProfile(*reg, p);
    std::string password = sys::GetEnv("VIREO_SYNC_PASSWORD");
    if (!p.user.empty() && !password.empty()) {
        std::string error;
        if (!sys::MakeSecretStore()->Store(p.name, p.url, p.user, password, error))
            ctx.err << "vireo-cli: " << error
                    << "\nvireo-cli: the password is not kept; give it in VIREO_SYNC_PASSWORD at each sync\n";
    }
    ctx.out << "Added sync profile \"" << p.name << "\" for " << ShareFileAddress(p.url) << "\n";
    return kExitOk;
}

int List(Context& ctx) {
    if (!ctx.args.empty())
        return Fail(ctx, "sync list takes no arguments", kExitUsage);
    auto reg = OpenSettings(ctx.err);
    for (const SyncProfile& p : LoadProfiles(*reg)) {
        ctx.out << Cell(p.name) << '\t' << Cell(p.url) << '\t' << Cell(p.user) << '\t' << p.folder << '\t'
                << DirectionName(p.direction) << '\t' << WhenText(p) << '\t' << TimeText(p.lastTime) << '\t'
                << Cell(p.lastResult) << '\n';
    }
    return kExitOk;
}

int Remove(Context& ctx) {
    if (ctx.args.size() != 1)
        return Fail(ctx, "sync remove needs a profile name", kExitUsage);
    auto reg = OpenSettings(ctx.err);
    SyncProfile p;
    if (!FindProfile(*reg, ctx.args[0], p))
        return Fail(ctx, "there is no sync profile \"" + ctx.args[0] + "\"", kExitFailed);
    RemoveProfile(*reg, p.name);
    std::string error;
    if (!p.user.empty() && !sys::MakeSecretStore()->Remove(p.name, error))
        ctx.err << "vireo-cli: " << error << '\n';
    // What the last sync saw goes with it (a new profile of that name starts afresh); the
    // backups stay.
    std::error_code ec;
    std::filesystem::remove(std::filesystem::path(ProfileDir(p.name)) / "state.json", ec);
    ctx.out << "Removed sync profile \"" << p.name << "\"; its backups stay in "
            << BackupDir(ProfileDir(p.name)) << "\n";
    return kExitOk;
}

int Run(Context& ctx) {
    bool yes = TakeFlag(ctx.args, "--yes");
    if (ctx.args.size() != 1)
        return Fail(ctx, "sync needs a profile name (or add, list, remove)", kExitUsage);
    auto reg = OpenSettings(ctx.err);
    SyncProfile p;
    if (!FindProfile(*reg, ctx.args[0], p))
        return Fail(ctx, "there is no sync profile \"" + ctx.args[0] + "\"", kExitFailed);
    std::string password, error;
    std::unique_ptr<PasswordStore> secrets;
    if (!p.user.empty() && sys::GetEnv("VIREO_SYNC_PASSWORD").empty())
        secrets = sys::MakeSecretStore();
    if (!ProfilePassword(p, secrets.get(), password, error))
        return Fail(ctx, error, kExitFailed);
    Database db;
    if (!OpenDatabase(ctx, db))
        return kExitFailed;
    if (!db.IsLiveFolder(p.folder))
        return Fail(ctx, "the profile's folder " + std::to_string(p.folder) + " does not exist", kExitFailed);
    auto share = sys::MakeShare({p.url, p.user, password});
    DatabaseSide side(db, p.folder);
    SyncOptions o = ProfileOptions(p);
    bool interactive = ::isatty(0) == 1 && ::isatty(2) == 1;
    o.confirmDeletions = [&](int n, int total, bool here) {
        std::string where = here ? "here" : "on the share";
        if (yes)
            return true;
        if (!interactive) {
            ctx.err << "vireo-cli: the sync would delete " << n << " of " << total << " bookmarks " << where
                    << "; run it with --yes to allow that\n";
            return false;
        }
        ctx.err << "The sync would delete " << n << " of " << total << " bookmarks " << where
                << ". Go on? [y/N] " << std::flush;
        std::string answer;
        std::getline(std::cin, answer);
        return answer == "y" || answer == "Y" || answer == "yes";
    };
    if (ctx.progress)
        o.progress = [&](const std::string& s) { ctx.err << s << '\n'; };
    SyncReport r = RunSync(*share, side, o);
    SaveProfileResult(*reg, p.name, r.Ok(), r.message, static_cast<std::int64_t>(std::time(nullptr)));
    if (!r.Ok())
        return Fail(ctx, r.message, r.status == SyncStatus::Declined ? kExitProblem : kExitFailed);
    ctx.out << r.message << '\n';
    return kExitOk;
}

int Sync(Context& ctx) {
    if (ctx.args.empty())
        return Fail(ctx, "sync needs a profile name, or add, list or remove", kExitUsage);
    std::string sub = ctx.args[0];
    if (sub == "add" || sub == "list" || sub == "remove") {
        ctx.args.erase(ctx.args.begin());
        return sub == "add" ? Add(ctx) : sub == "list" ? List(ctx) : Remove(ctx);
    }
    return Run(ctx);
}

const Command kCommands[] = {
    {"sync",
     "add NAME URL [--user U] [--folder ID] [--direction both|up|down] [--when hand|start|MINUTES] | list | "
     "remove NAME | NAME [--yes]",
     "Sync profiles: a folder kept in step with bookmarks.xbel on a WebDAV share or in a folder (the "
     "password "
     "from the secret store or VIREO_SYNC_PASSWORD)",
     Sync},
};

} // namespace

std::span<const Command> SyncCommands() {
    return kCommands;
}

} // namespace vireo::cli

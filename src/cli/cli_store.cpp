// SPDX-License-Identifier: GPL-3.0-or-later
#include <charconv>
#include <filesystem>
#include <iostream>

#include "cli/cli.h"
#include "platform/hive_registry.h"
#include "platform/paths.h"
#include "shell/startup.h"
#include "store/data_dir.h"
#include "store/database.h"
#include "store/integrity.h"
#include "store/ole_date.h"

namespace vireo::cli {

namespace fs = std::filesystem;

namespace {

std::string TypeName(FolderKind kind) {
    switch (kind) {
    case FolderKind::HomePage:
        return "homepage";
    case FolderKind::SearchResults:
        return "search";
    case FolderKind::Imported:
        return "imported";
    case FolderKind::Trash:
        return "trash";
    default:
        return "folder";
    }
}

std::string DateCell(OleDate d) {
    return d > 0 ? FormatGeneralDate(d) : std::string();
}

int Tree(Context& ctx) {
    Database db;
    if (!OpenDatabase(ctx, db))
        return kExitFailed;
    ctx.out << "ID\tType\tMarks\tName\tPath\n";
    for (std::int32_t i = 1; i <= db.FolderSlots(); ++i) {
        auto id = static_cast<std::int16_t>(i);
        if (!db.IsLiveFolder(id))
            continue;
        const FolderRecord& f = db.Folder(id);
        ctx.out << id << '\t' << TypeName(FolderKindOf(f)) << '\t' << db.Marks(id).Count() << '\t'
                << f.Name.Text() << '\t' << db.FolderPath(id) << '\n';
    }
    return kExitOk;
}

int List(Context& ctx) {
    if (ctx.args.size() != 1) {
        ctx.err << "vireo-cli: list needs one folder number\n";
        return kExitUsage;
    }
    Database db;
    if (!OpenDatabase(ctx, db))
        return kExitFailed;
    std::int16_t folder = FolderArgument(ctx, db, ctx.args[0]);
    if (!folder)
        return kExitFailed;
    const clsBookmark& marks = db.Marks(folder);
    const clsMemo& memo = db.Memo();
    ctx.out << "Key\tTitle\tURL\tRank\tAdded\tLast Used/Modified\tFlags\n";
    for (std::int32_t pos = 1; pos <= marks.Total(); ++pos) {
        const BookmarkRecord& r = marks.At(pos);
        if (r.key == 0)
            continue;
        ctx.out << r.key << '\t' << memo.GetMemo(r.Name) << '\t' << memo.GetMemo(r.url) << '\t' << r.Rank
                << '\t' << DateCell(r.added) << '\t' << DateCell(r.Touched) << '\t' << r.Flags << '\n';
    }
    return kExitOk;
}

std::uintmax_t FileSize(const fs::path& p) {
    std::error_code ec;
    auto n = fs::file_size(p, ec);
    return ec ? 0 : n;
}

int Stats(Context& ctx) {
    Database db;
    if (!OpenDatabase(ctx, db))
        return kExitFailed;
    std::int32_t folders = 0;
    std::int64_t marks = 0;
    std::int64_t inTrash = 0;
    for (std::int32_t i = 1; i <= db.FolderSlots(); ++i) {
        auto id = static_cast<std::int16_t>(i);
        if (!db.IsLiveFolder(id))
            continue;
        ++folders;
        marks += db.Marks(id).Count();
        if (id == kTrashFolder || db.InTrash(id))
            inTrash += db.Marks(id).Count();
    }
    fs::path dir(db.DBPath());
    ctx.out << "Data folder:     " << db.DBPath() << '\n'
            << "Folders:         " << folders << " (" << db.FolderSlots() << " slots)\n"
            << "Bookmarks:       " << marks << " (" << inTrash << " in the trash)\n"
            << "Texts:           " << db.Memo().InUseCount() << '\n'
            << "Dead space:      " << db.Memo().DeadSpace() << " bytes\n"
            << "Highest key:     " << db.HighestKey() << '\n';
    for (std::string_view name : {kFoldersFile, kBookmarksFile, kMemoIndexFile, kMemoDataFile})
        ctx.out << "  " << name << std::string(15 - name.size(), ' ') << FileSize(dir / name) << " bytes\n";
    return kExitOk;
}

int Check(Context& ctx) {
    // Hold the folder so that no save runs while the files are read.
    sys::DirectoryLock lock;
    bool busy = false;
    std::string error;
    if (!lock.Acquire(ctx.dataDir, kLockFile, &busy, &error) && busy) {
        ctx.err << "vireo-cli: the data folder \"" << ctx.dataDir
                << "\" is in use by another running copy of Vireo." << kCloseVireoHint << '\n';
        return kExitFailed;
    }
    IntegrityReport rep = CheckDataDirectory(ctx.dataDir);
    ctx.out << "Folders: " << rep.folders << ", bookmarks: " << rep.bookmarks << ", texts: " << rep.memos
            << ", dead space: " << rep.deadSpace << " bytes\n";
    for (const auto& n : rep.notes)
        ctx.out << "note: " << n << '\n';
    for (const auto& p : rep.problems)
        ctx.out << "problem: " << p << '\n';
    ctx.out << (rep.Ok() ? "No problems found.\n" : "Problems found.\n");
    return rep.Ok() ? kExitOk : kExitProblem;
}

int Compact(Context& ctx) {
    Database db;
    if (!OpenDatabase(ctx, db))
        return kExitFailed;
    std::int64_t before = db.Memo().DeadSpace();
    std::string error;
    if (!db.Memo().PackDat(&error)) {
        ctx.err << "vireo-cli: " << error << '\n';
        return kExitFailed;
    }
    if (!SaveAsOnExit(ctx, db))
        return kExitFailed;
    ctx.out << "Compacted: " << before << " bytes of dead space removed.\n";
    return kExitOk;
}

int EmptyTrash(Context& ctx) {
    Database db;
    if (!OpenDatabase(ctx, db))
        return kExitFailed;
    std::int32_t n = db.Marks(kTrashFolder).Count();
    if (!db.EmptyFolder(kTrashFolder, true)) {
        ctx.err << "vireo-cli: " << db.LastError() << '\n';
        return kExitFailed;
    }
    if (!SaveAsOnExit(ctx, db))
        return kExitFailed;
    ctx.out << "The trash was emptied (" << n << " bookmarks deleted).\n";
    return kExitOk;
}

const Command kCommands[] = {
    {"tree", "", "List the folders: number, type, bookmark count, name and path.", Tree},
    {"list", "FOLDER", "List the bookmarks of a folder.", List},
    {"stats", "", "Show the size of the database.", Stats},
    {"check", "", "Examine the data files; exit status 1 when problems are found.", Check},
    {"compact", "", "Remove the dead space of the text store.", Compact},
    {"empty-trash", "", "Delete everything in the trash for good.", EmptyTrash},
};

} // namespace

std::span<const Command> StoreCommands() {
    return kCommands;
}

std::unique_ptr<HiveRegistry> OpenSettings(std::ostream& err) {
    auto settings = OpenUserRegistry();
    if (std::string notice = settings->TakeNotice(); !notice.empty())
        err << "vireo-cli: " << notice << '\n';
    return settings;
}

std::string DefaultDataDirectory() {
    // The data folder the program itself uses: the one the settings name.
    return DataDirectory(*OpenSettings(std::cerr));
}

bool OpenDatabase(Context& ctx, Database& db) {
    std::string error;
    bool busy = false;
    if (!db.Open(ctx.dataDir, &error, &busy)) {
        ctx.err << "vireo-cli: " << error << (busy ? kCloseVireoHint : "") << '\n';
        return false;
    }
    for (const auto& w : db.LoadWarnings())
        ctx.err << "vireo-cli: warning: " << w << '\n';
    if (!db.DamagedCopyFolder().empty())
        ctx.err << "vireo-cli: the damaged files were copied to \"" << db.DamagedCopyFolder() << "\"\n";
    return true;
}

bool SaveAsOnExit(Context& ctx, Database& db) {
    std::string error;
    if (db.Memo().DeadSpace() > kCompactAboveDeadBytes && !db.Memo().PackDat(&error)) {
        ctx.err << "vireo-cli: " << error << '\n';
        return false;
    }
    if (!db.Save(&error)) {
        ctx.err << "vireo-cli: " << error << '\n';
        return false;
    }
    return true;
}

std::int16_t FolderArgument(Context& ctx, const Database& db, const std::string& text) {
    int value = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size() || !db.IsLiveFolder(value)) {
        ctx.err << "vireo-cli: \"" << text << "\" is not the number of a folder (see vireo-cli tree)\n";
        return 0;
    }
    return static_cast<std::int16_t>(value);
}

} // namespace vireo::cli

// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/integrity.h"

#include <filesystem>
#include <unordered_set>

#include "store/byte_io.h"
#include "store/data_dir.h"
#include "store/records.h"
#include "store/text_codec.h"

namespace vireo {

namespace fs = std::filesystem;

namespace {

struct MemoEntry {
    std::int32_t start, end;
    std::int16_t flag;
};

} // namespace

IntegrityReport CheckDataDirectory(const std::string& dirText) {
    IntegrityReport rep;
    fs::path dir(dirText);
    std::error_code ec;
    auto problem = [&](std::string s) { rep.problems.push_back(std::move(s)); };
    auto note = [&](std::string s) { rep.notes.push_back(std::move(s)); };

    if (!fs::is_directory(dir, ec)) {
        problem("The data folder \"" + dirText + "\" does not exist.");
        return rep;
    }
    if (fs::exists(dir / std::string(kCommitJournal), ec))
        problem("An interrupted save is waiting to be completed (it will be at the next start).");
    for (const char* leftover : {"folders.tmp", "bookmarks.tmp", "Dat.tmp", "Dex.tmp"}) {
        if (fs::exists(dir / leftover, ec))
            problem(std::string("A temporary file of an interrupted save is left: ") + leftover + ".");
    }

    // Memo store.
    std::string dex, dat;
    bool haveMemo =
        ReadWholeFile((dir / std::string(kMemoIndexFile)).string(), dex, nullptr, UINT64_C(1) << 30) &&
        ReadWholeFile((dir / std::string(kMemoDataFile)).string(), dat, nullptr);
    std::vector<MemoEntry> entries;
    if (!haveMemo) {
        note("The memo files are missing or unreadable; every text reads as empty.");
    } else {
        if (dex.size() % 10 != 0)
            problem("The memo index ends in a partial entry of " + std::to_string(dex.size() % 10) +
                    " bytes.");
        ByteReader r(dex);
        std::int64_t live = 0;
        std::int32_t bad = 0;
        for (std::size_t k = 0; k < dex.size() / 10; ++k) {
            MemoEntry e{r.I32(), r.I32(), r.I16()};
            entries.push_back(e);
            bool freeEntry = e.start == 0 && e.end == 0;
            bool valid =
                e.start >= 1 && e.end >= e.start && static_cast<std::size_t>(e.end - 1) <= dat.size();
            if (!freeEntry && !valid)
                ++bad;
            if (e.flag != 0 && e.flag != -1)
                ++bad;
            if (valid)
                live += e.end - e.start;
            if (e.flag == -1)
                ++rep.memos;
        }
        if (bad)
            problem(std::to_string(bad) + " memo index entries point outside the memo data file or carry an "
                                          "unknown flag; their texts read as empty.");
        rep.deadSpace = static_cast<std::int64_t>(dat.size()) - live;
    }

    std::vector<std::uint8_t> referenced(entries.size() + 1, 0);
    std::int32_t dangling = 0;
    auto useMemo = [&](std::int32_t id) {
        if (id == 0)
            return;
        if (id < 0 || static_cast<std::size_t>(id) > entries.size() ||
            entries[static_cast<std::size_t>(id - 1)].flag != -1)
            ++dangling;
        else
            referenced[static_cast<std::size_t>(id)] = 1;
    };

    // Folders.
    std::string folders;
    std::int32_t slots = 0;
    std::vector<FolderRecord> table;
    if (!fs::exists(dir / std::string(kFoldersFile), ec)) {
        note("There is no folder file: this is a new database.");
    } else if (!ReadWholeFile((dir / std::string(kFoldersFile)).string(), folders, nullptr)) {
        problem("The folder file cannot be read.");
    } else {
        ByteReader r(folders);
        slots = r.I32();
        if (r.Short() || slots < 1 || slots > kMaxFolderSlots) {
            problem("The folder file declares an impossible number of folders (" + std::to_string(slots) +
                    ").");
            slots = 0;
        } else {
            std::size_t expect = 4 + static_cast<std::size_t>(slots) * FolderRecord::kSize;
            if (folders.size() < expect) {
                problem("The folder file is cut short: " + std::to_string(folders.size()) + " bytes for " +
                        std::to_string(slots) + " folders.");
                slots = static_cast<std::int32_t>((folders.size() - 4) / FolderRecord::kSize);
            } else if (folders.size() > expect) {
                note("The folder file has " + std::to_string(folders.size() - expect) +
                     " bytes after its records.");
            }
        }
        table.push_back({});
        for (std::int32_t i = 1; i <= slots; ++i)
            table.push_back(FolderRecord::Read(r));
        for (std::int32_t i = 1; i <= slots; ++i) {
            const FolderRecord& f = table[static_cast<std::size_t>(i)];
            if (f.ID == 0)
                continue;
            ++rep.folders;
            if (f.ID != i)
                problem("Folder slot " + std::to_string(i) + " carries the number " + std::to_string(f.ID) +
                        ".");
            useMemo(f.Description);
            if (i == 1)
                continue;
            std::int32_t cur = f.Parent;
            std::int32_t steps = 0;
            while (cur != 1 && cur >= 1 && cur <= slots && table[static_cast<std::size_t>(cur)].ID != 0 &&
                   steps <= slots) {
                cur = table[static_cast<std::size_t>(cur)].Parent;
                ++steps;
            }
            if (cur != 1)
                problem("The folder \"" + f.Name.Text() + "\" (" + std::to_string(i) +
                        ") does not lead up to the root folder.");
        }
        for (std::int32_t i = 1; i <= 5; ++i) {
            if (i > slots || table[static_cast<std::size_t>(i)].ID == 0)
                problem("The standard folder " + std::to_string(i) + " is missing.");
        }
    }

    // Bookmarks.
    std::string marks;
    if (slots > 0 && fs::exists(dir / std::string(kBookmarksFile), ec)) {
        if (!ReadWholeFile((dir / std::string(kBookmarksFile)).string(), marks, nullptr)) {
            problem("The bookmark file cannot be read.");
        } else {
            ByteReader r(marks);
            if (r.View(12) != "ORNBOOKMARKS")
                problem("The bookmark file does not start with its signature.");
            std::int32_t blocks = r.I32();
            if (blocks != slots)
                problem("The bookmark file holds " + std::to_string(blocks) + " folder blocks for " +
                        std::to_string(slots) + " folders.");
            std::unordered_set<std::int32_t> keys;
            std::int32_t duplicates = 0;
            std::int32_t badKeys = 0;
            for (std::int32_t i = 1; i <= slots && !r.AtEnd(); ++i) {
                std::int32_t n = r.I32();
                if (n < 0 || static_cast<std::size_t>(n) > r.Remaining() / BookmarkRecord::kSize) {
                    problem("The bookmark block of folder " + std::to_string(i) + " declares " +
                            std::to_string(n) + " bookmarks, more than the file holds.");
                    break;
                }
                for (std::int32_t k = 0; k < n; ++k) {
                    BookmarkRecord b = BookmarkRecord::Read(r);
                    ++rep.bookmarks;
                    if (b.key <= 0)
                        ++badKeys;
                    else if (!keys.insert(b.key).second)
                        ++duplicates;
                    useMemo(b.Name);
                    useMemo(b.url);
                    useMemo(b.Description);
                }
            }
            if (!r.AtEnd())
                note("The bookmark file has " + std::to_string(r.Remaining()) + " bytes after its blocks.");
            if (badKeys)
                problem(std::to_string(badKeys) + " bookmarks have no valid key.");
            if (duplicates)
                note(std::to_string(duplicates) + " bookmarks share their key with another bookmark.");
        }
    }
    if (dangling)
        problem(std::to_string(dangling) +
                " texts of bookmarks or folders refer to missing memos and read as empty.");
    if (haveMemo && slots > 0) {
        std::int32_t orphans = 0;
        for (std::size_t id = 1; id <= entries.size(); ++id) {
            if (entries[id - 1].flag == -1 && !referenced[id])
                ++orphans;
        }
        if (orphans)
            note(std::to_string(orphans) + " memos are not used by any bookmark or folder.");
    }
    return rep;
}

} // namespace vireo

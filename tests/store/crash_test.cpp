// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

#include "store/data_dir.h"
#include "store/database.h"
#include "store/integrity.h"
#include "test_support.h"

namespace vireo {
namespace {

// Everything a user would see of the database, in one comparable text.
std::string Snapshot(Database& db) {
    std::string out;
    for (std::int32_t i = 1; i <= db.FolderSlots(); ++i) {
        auto id = static_cast<std::int16_t>(i);
        if (!db.IsLiveFolder(id))
            continue;
        const FolderRecord& f = db.Folder(id);
        out += "F" + std::to_string(id) + "<" + std::to_string(f.Parent) + " " + f.Name.Text() + " [" +
               db.Memo().GetMemo(f.Description) + "]\n";
        std::int32_t start = 0;
        while (std::int32_t k = db.NextMarkKey(id, start)) {
            const clsBookmark& m = db.Marks(id);
            out += "  " + std::to_string(k) + " " + m.NameStr(k) + " | " + m.UrlStr(k) + " | " +
                   m.DescStr(k) + "\n";
        }
    }
    return out;
}

std::string SnapshotOf(const std::string& dir) {
    Database db;
    std::string error;
    EXPECT_TRUE(db.Open(dir, &error)) << error;
    return Snapshot(db);
}

struct CrashHook {
    explicit CrashHook(CommitStep at) {
        DataCommit::SetCrashHookForTesting([at](CommitStep s) { return s != at; });
    }
    ~CrashHook() { DataCommit::SetCrashHookForTesting({}); }
};

// Changes that exercise every kind of write: new folder, new texts, a text rewritten in
// place, a text freed and its entry reused, a bookmark moved to the trash.
void MakeChanges(Database& db) {
    std::int16_t f = db.AddFolder("Changed", 1, FolderKind::Ordinary);
    db.Folder(f).Description = db.Memo().Add("a description");
    std::int32_t first = db.Marks(1).key(1);
    db.Memo().SetMemo(db.Marks(1).Name(first), "MERIDEX"); // shorter: in place
    std::int32_t victim = db.Marks(4).key(1);
    db.Marks(4).Kill(victim, true); // frees three texts
    for (int i = 0; i < 4; ++i) {
        BookmarkRecord r = db.NewMark("new " + std::to_string(i), "https://new.example/" + std::to_string(i),
                                      f, "reuses freed texts", kFlagsDroppedLink);
        db.Marks(f).Add(r);
    }
    db.Marks(1).Kill(db.Marks(1).key(2), false);
}

const CommitStep kSteps[] = {CommitStep::AppendedData,   CommitStep::StagedFiles, CommitStep::JournalWritten,
                             CommitStep::PatchesApplied, CommitStep::FirstRename, CommitStep::Renamed};

// A save writes in place and appends; a pack writes whole files only, so it has fewer steps.
TEST(CrashSafety, ASaveOrPackInterruptedAtAnyStepLeavesTheStateBeforeOrAfter) {
    for (bool pack : {false, true}) {
        for (CommitStep step : kSteps) {
            if (pack && (step == CommitStep::AppendedData || step == CommitStep::PatchesApplied))
                continue;
            SCOPED_TRACE(std::string(pack ? "pack" : "save") + " crashed after step " +
                         std::to_string(static_cast<int>(step)));
            test::TempDir dir;
            std::string before;
            std::string after;
            {
                Database db;
                ASSERT_TRUE(db.Open(dir.str(), nullptr));
                ASSERT_TRUE(db.Save());
                before = Snapshot(db);
                MakeChanges(db);
                after = Snapshot(db);
                CrashHook crash(step);
                EXPECT_FALSE(pack ? db.Memo().PackDat() : db.Save());
                db.Close(); // the process is gone: nothing more is written
            }
            EXPECT_EQ(SnapshotOf(dir.str()), step >= CommitStep::JournalWritten ? after : before);
            EXPECT_TRUE(CheckDataDirectory(dir.str()).Ok());
            EXPECT_FALSE(std::filesystem::exists(dir.file("COMMIT")));
            EXPECT_FALSE(std::filesystem::exists(dir.file("FOLDERS.new")));
        }
    }
}

TEST(CrashSafety, AFailingDiskDamagesNothing) {
    test::TempDir dir;
    Database db;
    ASSERT_TRUE(db.Open(dir.str(), nullptr));
    ASSERT_TRUE(db.Save());
    std::string before = Snapshot(db);
    MakeChanges(db);
    std::string after = Snapshot(db);
    for (std::int64_t budget : {0, 100, 2000}) {
        sys::testing::FailWritesAfter(budget);
        std::string error;
        EXPECT_FALSE(db.Save(&error));
        EXPECT_NE(error.find("could not be saved"), std::string::npos);
        sys::testing::FailWritesAfter(-1);
        // The program keeps running with its changes, and the disk still holds the old state.
        EXPECT_EQ(Snapshot(db), after);
    }
    db.Close();
    EXPECT_EQ(SnapshotOf(dir.str()), before);
    ASSERT_TRUE(db.Open(dir.str(), nullptr));
    MakeChanges(db);
    std::string retried = Snapshot(db);
    ASSERT_TRUE(db.Save());
    db.Close();
    EXPECT_EQ(SnapshotOf(dir.str()), retried);
}

TEST(CrashSafety, LeftoversOfOlderVersionsAreRecovered) {
    test::TempDir dir;
    {
        Database db;
        ASSERT_TRUE(db.Open(dir.str(), nullptr));
        ASSERT_TRUE(db.Save());
    }
    // Killed between deleting FOLDERS and renaming its temporary file.
    std::filesystem::rename(dir.file("FOLDERS"), dir.file("folders.tmp"));
    // A half-written temporary file beside a complete original is thrown away.
    std::ofstream(dir.file("bookmarks.tmp")) << "garbage";
    std::string report;
    ASSERT_TRUE(RecoverDataDir(dir.str(), &report, nullptr));
    EXPECT_TRUE(std::filesystem::exists(dir.file("FOLDERS")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("bookmarks.tmp")));
    EXPECT_NE(report.find("FOLDERS"), std::string::npos);
    EXPECT_TRUE(CheckDataDirectory(dir.str()).Ok());
}

// A child process saves in a loop and is killed at a random moment; whatever it left
// must load with every bookmark's texts belonging together.
TEST(CrashSafety, KilledWhileSavingNeverMixesTexts) {
    std::mt19937 rng(20261206);
    int roundsWithSaves = 0;
    for (int round = 0; round < 12; ++round) {
        test::TempDir dir;
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(ready[0]);
            Database db;
            if (!db.Open(dir.str(), nullptr))
                ::_exit(3);
            std::int16_t f = db.AddFolder("Loop", 1, FolderKind::Ordinary);
            for (int i = 0;; ++i) {
                std::string n = std::to_string(i);
                db.Marks(f).Add(
                    db.NewMark("mark " + n, "https://u.example/" + n, f, "d " + n, kFlagsDroppedLink));
                // Free an older bookmark's texts so that a later one reuses the entries.
                if (i >= 3)
                    db.Marks(f).Kill(db.Marks(f).key(i - 2), true);
                if (i >= 1) {
                    std::int32_t prev = db.Marks(f).key(i);
                    db.Memo().SetMemo(db.Marks(f).Name(prev), "M" + std::to_string(i - 1));
                }
                if (!db.Save())
                    ::_exit(4);
                if (i == 2) // tell the parent that saving is under way
                    (void)!::write(ready[1], "r", 1);
            }
        }
        ::close(ready[1]);
        char byte = 0;
        // However slow the machine, the kill lands while saves are going on.
        ASSERT_EQ(::read(ready[0], &byte, 1), 1);
        ::close(ready[0]);
        std::uniform_int_distribution<int> wait(0, 20000);
        ::usleep(static_cast<useconds_t>(wait(rng)));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "child ended on its own with " << WEXITSTATUS(status);

        Database db;
        std::string error;
        ASSERT_TRUE(db.Open(dir.str(), &error)) << error;
        if (!db.IsNewDatabase())
            ++roundsWithSaves;
        for (std::int32_t i = 6; i <= db.FolderSlots(); ++i) {
            auto id = static_cast<std::int16_t>(i);
            std::int32_t start = 0;
            while (std::int32_t k = db.NextMarkKey(id, start)) {
                const clsBookmark& m = db.Marks(id);
                std::string url = m.UrlStr(k);
                std::string n = url.substr(url.rfind('/') + 1);
                EXPECT_EQ(m.DescStr(k), "d " + n);
                std::string title = m.NameStr(k);
                EXPECT_TRUE(title == "mark " + n || title == "M" + n) << title << " vs " << url;
            }
        }
        db.Close();
        EXPECT_TRUE(CheckDataDirectory(dir.str()).Ok());
    }
    EXPECT_EQ(roundsWithSaves, 12);
}

} // namespace
} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <fstream>

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
// Staged files and the journal are renamed into place whole, and in-place patches are
// replayed from the journal, so a process killed at any moment leaves what one of these
// crashes leaves.
TEST(CrashSafety, ASaveOrPackInterruptedAtAnyStepLeavesTheStateBeforeOrAfter) {
    for (bool pack : {false, true}) {
        for (CommitStep step : kSteps) {
            if (pack && (step == CommitStep::AppendedData || step == CommitStep::PatchesApplied))
                continue;
            SCOPED_TRACE(std::string(pack ? "pack" : "save") + " crashed after step " +
                         std::to_string(static_cast<int>(step)));
            test::TempDir dir;
            Database db;
            ASSERT_TRUE(db.Open(dir.str(), nullptr));
            ASSERT_TRUE(db.Save());
            const std::string before = Snapshot(db);
            MakeChanges(db);
            const std::string after = Snapshot(db);
            DataCommit::SetCrashHookForTesting([step](CommitStep s) { return s != step; });
            EXPECT_FALSE(pack ? db.Memo().PackDat() : db.Save());
            db.Close(); // the process is gone: nothing more is written
            DataCommit::SetCrashHookForTesting({});
            EXPECT_EQ(SnapshotOf(dir.str()), step >= CommitStep::JournalWritten ? after : before);
            EXPECT_TRUE(CheckDataDirectory(dir.str()).Ok());
            EXPECT_FALSE(std::filesystem::exists(dir.file("COMMIT")));
            EXPECT_FALSE(std::filesystem::exists(dir.file("FOLDERS.new")));
        }
    }
}

TEST(CrashSafety, AFailingDiskDamagesNothingAndLeftoversAreRecovered) {
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

    // Leftovers of older versions: killed between deleting FOLDERS and renaming its
    // temporary file.
    std::filesystem::rename(dir.file("FOLDERS"), dir.file("folders.tmp"));
    // A half-written temporary file beside a complete original is thrown away.
    std::ofstream(dir.file("bookmarks.tmp")) << "garbage";
    std::string report;
    ASSERT_TRUE(RecoverDataDir(dir.str(), &report, nullptr));
    EXPECT_TRUE(std::filesystem::exists(dir.file("FOLDERS")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("bookmarks.tmp")));
    EXPECT_NE(report.find("FOLDERS"), std::string::npos);
    EXPECT_TRUE(CheckDataDirectory(dir.str()).Ok());
    EXPECT_EQ(SnapshotOf(dir.str()), retried);
}

} // namespace
} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <utility>

#include "interchange/netscape.h"
#include "mainwindow/drops.h"
#include "mainwindow/folder_moves.h"
#include "shell/registry.h"
#include "store/database.h"
#include "store/trash_origin.h"
#include "test_support.h"

namespace vireo {
namespace {

using Files = std::array<std::string, 4>;

struct HistoryFixture : ::testing::Test {
    test::TempDir dir;
    test::RecordingTree tree;
    test::FixedOptions options;
    MemoryRegistry reg;
    Database db;
    std::int16_t travel = 0;
    std::int16_t maps = 0;
    std::vector<std::int32_t> keys;

    void SetUp() override {
        db.SetServices({&tree, nullptr, nullptr, nullptr, &options});
        std::string error;
        ASSERT_TRUE(db.Open(dir.str(), &error)) << error;
        travel = db.AddFolder("Travel", kRootFolder, FolderKind::Ordinary);
        maps = db.AddFolder("Maps", travel, FolderKind::Ordinary);
        for (int i = 0; i < 4; ++i)
            keys.push_back(AddMark(i < 3 ? travel : maps, "Site " + std::to_string(i)));
        ASSERT_TRUE(db.Save(&error)) << error;
        db.History().SetEnabled(true);
    }
    std::int32_t AddMark(std::int16_t folder, const std::string& title) {
        BookmarkRecord r =
            db.NewMark(title, "https://example.org/" + title, folder, "about " + title, kFlagsDroppedLink);
        return db.Marks(folder).Add(r);
    }
    void Reopen() {
        db.Close();
        std::string error;
        ASSERT_TRUE(db.Open(dir.str(), &error)) << error;
    }
    Files Saved() {
        std::string error;
        EXPECT_TRUE(db.Save(&error)) << error;
        return {test::ReadText(dir.file("FOLDERS")), test::ReadText(dir.file("BOOKMARKS")),
                test::ReadText(dir.file("VIREODEX")), test::ReadText(dir.file("VIREOMEM"))};
    }
    // Does the action as one step, then undoes and redoes it, the second time over without
    // a save in between: undo must give back the files as they were before, redo as they
    // were after, byte for byte.
    void Check(const std::string& label, const std::function<void()>& action) {
        SCOPED_TRACE(label);
        Files before = Saved();
        {
            HistoryStep step(db, label);
            action();
        }
        Files after = Saved();
        ASSERT_NE(before, after);
        EXPECT_EQ(db.History().UndoLabel(), label);
        for (int round = 0; round < 2; ++round) {
            ASSERT_TRUE(db.History().Undo());
            EXPECT_EQ(db.History().RedoLabel(), label);
            ASSERT_TRUE(round == 0 || (db.History().Redo() && db.History().Undo()));
            EXPECT_TRUE(Saved() == before);
            ASSERT_TRUE(db.History().Redo());
            EXPECT_TRUE(Saved() == after);
        }
    }
};

TEST_F(HistoryFixture, EveryKindOfChangeIsUndoneAndRedoneExactly) {
    const Files start = Saved();
    Check("New Folder", [&] { db.AddFolder("New", travel, FolderKind::Ordinary); });
    Check("Properties", [&] {
        FolderRecord& f = db.Folder(travel);
        f.Description = db.Memo().SetMemo(f.Description, "Places to go");
        f.Name.Set("Voyages");
    });
    Check("Move Folder", [&] { EXPECT_TRUE(MoveFolder(db, maps, kUnsortedFolder)); });
    Check("Bookmark Properties", [&] {
        BookmarkRecord* r = db.Marks(travel).Find(keys[0]);
        ASSERT_NE(r, nullptr);
        r->Name = db.Memo().SetMemo(r->Name, "S0");                                   // shorter: in place
        r->url = db.Memo().SetMemo(r->url, "https://example.org/a/much/longer/path"); // longer: appended
        r->Description = db.Memo().SetMemo(r->Description, "");                       // cleared: freed
    });
    Check("Move 2 bookmarks", [&] {
        for (std::int32_t k : {keys[1], keys[2]}) {
            db.Marks(travel).Copy(k);
            db.Marks(kUnsortedFolder).AddPaste();
            db.Marks(travel).Zap(k);
        }
    });
    Check("New Bookmark", [&] { AddMark(kUnsortedFolder, "Fresh"); });
    Check("Delete Bookmark", [&] { db.Marks(maps).Kill(keys[3], false); });
    const std::string page = "<DL><p>\n<DT><H3>Pasted</H3>\n<DL><p>\n"
                             "<DT><A HREF=\"https://p.example/\" ADD_DATE=\"1700000000\">P</A>\n"
                             "<DD>About p\n</DL><p>\n<DT><A HREF=\"https://q.example/\">Q</A>\n</DL><p>\n";
    Check("Paste", [&] {
        ExchangeResult r = PasteNetscapeText(db, page, kHomePageFolder);
        EXPECT_EQ(std::pair(r.folders, r.bookmarks), std::pair(1, 2));
    });
    Check("Delete Folder", [&] { db.KillFolder(travel, false); });
    Check("Delete Folder for good", [&] { db.KillFolder(travel, true); });
    Check("Empty", [&] { db.EmptyFolder(kUnsortedFolder, false); });
    Check("Empty Trash", [&] { db.EmptyFolder(kTrashFolder, true); });
    Check("Link dropped", [&] {
        DropContent drop;
        drop.links.push_back({"see https://example.net/page now", "A page"});
        EXPECT_TRUE(DropData(db, reg, drop, kHomePageFolder, {}).changed);
    });

    // Every step is still there, and undoing them all gives the files of the start back.
    EXPECT_EQ(db.History().UndoSteps(), 13u);
    while (db.History().Undo()) {
    }
    EXPECT_TRUE(Saved() == start);
}

TEST_F(HistoryFixture, RestoreReturnsItemsToWhereTheyWereDeletedFrom) {
    // A bookmark and a folder deleted from Maps and Travel remember them, across a save.
    std::int16_t inner = db.AddFolder("Inner", maps, FolderKind::Ordinary);
    db.Marks(maps).Kill(keys[3], false);
    db.KillFolder(inner, false);
    std::int32_t other = keys[0];
    db.Marks(travel).Kill(other, false);
    ASSERT_TRUE(db.Save());
    Reopen();
    EXPECT_TRUE(RestoreBookmark(db, kTrashFolder, keys[3]));
    EXPECT_EQ(db.Marks(maps).NameStr(keys[3]), "Site 3");
    EXPECT_EQ(db.Marks(kTrashFolder).Count(), 1);
    EXPECT_TRUE(RestoreFolder(db, inner));
    EXPECT_EQ(db.Folder(inner).Parent, maps);
    // Outside the trash there is nothing to restore.
    EXPECT_FALSE(RestoreFolder(db, inner));
    EXPECT_FALSE(RestoreBookmark(db, maps, keys[3]));

    // When the folder is gone (its number even taken by a new folder), to My Bookmarks.
    db.KillFolder(travel, true);
    std::int16_t reused = db.AddFolder("Reused", kRootFolder, FolderKind::Ordinary);
    ASSERT_EQ(reused, travel);
    db.Folder(reused).Created += 1.5; // made at another moment than the old Travel
    EXPECT_TRUE(RestoreBookmark(db, kTrashFolder, other));
    EXPECT_EQ(db.Marks(kRootFolder).NameStr(other), "Site 0");
    EXPECT_EQ(db.Marks(reused).Count(), 0);
    // A bookmark that left the trash forgets where it came from.
    std::int32_t pos = std::as_const(db).Marks(kRootFolder).PositionOf(other);
    ASSERT_NE(pos, 0);
    EXPECT_EQ(std::as_const(db).Marks(kRootFolder).At(pos).Reserved, 0);
}

TEST_F(HistoryFixture, UnnamedChangesCancelledStepsTheBoundsAndTextsAfterAnUndo) {
    Files start = Saved();
    // A cancelled dialog takes back the texts its command had made.
    {
        HistoryStep step(db, "New Bookmark");
        db.copyBuffer = db.NewMark("", "https://example.org/x", travel, "", kFlagsStandard);
        step.Cancel();
    }
    EXPECT_FALSE(db.History().CanUndo());
    EXPECT_TRUE(Saved() == start);

    // Changes no command named become one step each time they are sealed.
    db.Folder(travel).Name.Set("One");
    db.History().Seal();
    db.Folder(travel).Name.Set("Two");
    AddMark(travel, "With it");
    db.History().Seal();
    EXPECT_EQ(db.History().UndoSteps(), 2u);
    EXPECT_EQ(db.History().UndoLabel(), CommandHistory::kUnnamedStep);
    ASSERT_TRUE(db.History().Undo());
    EXPECT_EQ(db.FolderName(travel), "One");
    EXPECT_EQ(db.Marks(travel).Count(), 3);
    // Reading through the writable accessors is no step.
    (void)db.Folder(maps).Name.Text();
    db.History().Seal();
    EXPECT_EQ(db.History().UndoSteps(), 1u);
    EXPECT_TRUE(db.History().CanRedo());

    // The oldest steps make room for new ones.
    db.History().SetLimits(3, CommandHistory::kMaxBytes);
    for (int i = 0; i < 5; ++i) {
        HistoryStep step(db, "Rename " + std::to_string(i));
        db.Folder(travel).Name.Set("Name " + std::to_string(i));
    }
    EXPECT_EQ(db.History().UndoSteps(), 3u);
    while (db.History().Undo()) {
    }
    EXPECT_EQ(db.FolderName(travel), "Name 1");
    db.History().SetLimits(CommandHistory::kMaxSteps, 1);
    {
        HistoryStep step(db, "Too big");
        AddMark(travel, "Big");
    }
    EXPECT_FALSE(db.History().CanUndo());
    // Compacting moves every text, so the history ends there.
    db.History().SetLimits(CommandHistory::kMaxSteps, CommandHistory::kMaxBytes);
    {
        HistoryStep step(db, "Rename");
        db.Folder(travel).Name.Set("Last");
    }
    ASSERT_TRUE(db.Memo().PackDat());
    EXPECT_FALSE(db.History().CanUndo());

    // Texts written after an undo across a save are read back right.
    {
        HistoryStep step(db, "New Bookmark");
        AddMark(travel, "Gone again");
    }
    Saved();
    ASSERT_TRUE(db.History().Undo());
    // New text now goes where the undone text lay in the saved file.
    std::int32_t kept = AddMark(travel, "Here to stay, and longer");
    db.History().Seal();
    EXPECT_FALSE(db.History().CanRedo());
    Saved();
    Reopen();
    EXPECT_EQ(db.Marks(travel).NameStr(kept), "Here to stay, and longer");
    EXPECT_EQ(db.Marks(travel).UrlStr(kept), "https://example.org/Here to stay, and longer");
    EXPECT_EQ(db.Marks(travel).Count(), 5); // with Big, whose step was too big to keep
}

} // namespace
} // namespace vireo

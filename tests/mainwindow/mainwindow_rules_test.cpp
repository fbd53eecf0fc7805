// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "interchange/link_marks.h"
#include "mainwindow/folder_moves.h"
#include "mainwindow/menu_rules.h"
#include "mainwindow/summary.h"
#include "store/database.h"
#include "test_support.h"

namespace vireo {
namespace {

struct RulesFixture : ::testing::Test {
    test::TempDir dir;
    test::RecordingTree tree;
    test::RecordingSounds sounds;
    Database db;
    void SetUp() override {
        db.SetServices({&tree, &sounds, nullptr, nullptr, nullptr});
        ASSERT_TRUE(db.Open(dir.str(), nullptr));
        db.FillTree(tree);
    }
    // "v" visible and enabled, "d" visible but disabled, "-" hidden.
    template <typename State>
    static std::string Shape(const State& m) {
        std::string out;
        for (std::size_t i = 1; i < m.size(); ++i)
            out += !m[i].visible ? '-' : m[i].enabled ? 'v' : 'd';
        return out;
    }
};

TEST_F(RulesFixture, FolderMenuRenameAndRerunFollowTheFolderType) {
    EXPECT_EQ(Shape(PrepareFolderMenu(db, 2, true)), "-vdvvvvdvdddvd-vd");
    std::int16_t search = db.AddFolder("Hits", 3, FolderKind::SearchResults);
    EXPECT_EQ(Shape(PrepareFolderMenu(db, search, true)), "vvvvvvvvvdddvv-vv");
    EXPECT_TRUE(CanRerunSearch(db, search));
    // Only the user's own folders can be renamed, and only search folders rerun.
    for (std::int16_t id = 1; id <= 5; ++id)
        EXPECT_FALSE(CanRenameFolder(db, id));
    std::int16_t imported = db.AddFolder("Imported", 1, FolderKind::Imported);
    EXPECT_TRUE(CanRenameFolder(db, imported));
    EXPECT_FALSE(CanRerunSearch(db, imported));
    std::int16_t plain = db.AddFolder("Mine", 1, FolderKind::Ordinary);
    EXPECT_EQ(Shape(PrepareFolderMenu(db, plain, true)), "-vvvvvvvvdddvv-vv");
    EXPECT_EQ(Shape(PrepareFolderMenu(db, plain, true, true)), "-vvvvvvvvvddvv-vv");
    // Inside the trash only Move, Empty, Delete, Restore and Properties remain.
    std::int16_t inner = db.AddFolder("Inner", plain, FolderKind::Ordinary);
    db.KillFolder(plain, false);
    EXPECT_EQ(Shape(PrepareFolderMenu(db, inner, true)), "-----------vvvvvv");
    // A left click only resets the menu.
    EXPECT_EQ(Shape(PrepareFolderMenu(db, 2, false)), "-vvvvvvdddddvv-vv");
}

TEST_F(RulesFixture, BookmarkMenuNeedsABookmark) {
    EXPECT_EQ(Shape(PrepareBookmarkMenu(42)), "vvvdvvdddvdvv");
    // Restore applies in the trash only, Paste whenever the clipboard holds something.
    EXPECT_EQ(Shape(PrepareBookmarkMenu(42, true, true)), "vvvdvvvddvvvv");
    // On the "(Empty)" row nothing applies but making a new bookmark and pasting.
    EXPECT_EQ(Shape(PrepareBookmarkMenu(0)), "vdddddddddddd");
    EXPECT_EQ(Shape(PrepareBookmarkMenu(0, true)), "vdddddvdddddd");
}

TEST_F(RulesFixture, SummariesAreTheExactRichText) {
    BookmarkRecord r = db.NewMark("A {braced} \\ title", "https://b.example/", 2, "", kFlagsDroppedLink);
    std::int32_t key = db.Marks(2).Add(r);
    db.Marks(2).Add(db.NewMark("two", "", 2, "", 0));
    db.Marks(2).Add(db.NewMark("three", "", 2, "", 0));
    db.Folder(2).Created = 0;
    EXPECT_EQ(FolderSummaryRtf(db, 2), "{{\\b Folder:}{ Unsorted Bookmarks}{\\par\\b Total Marks:}{ 3}}");
    EXPECT_EQ(BookmarkSummaryRtf(db, 2, key),
              "{{\\b Folder:}{ Unsorted Bookmarks}{\\par\\b Bookmark:}{ A \\{braced\\} \\\\ title}"
              "{\\par\\b URL:}{ https://b.example/}}");
    // A link found dead says so last, with the date of the check.
    BookmarkRecord* dead = db.Marks(2).Find(key);
    dead->UserFlags = WithDeadMark(dead->UserFlags, DeadReason::NotFoundPage);
    dead->Checked = OleFromCivil({2024, 3, 5, 10, 12, 30});
    dead->Description = db.Memo().Add("about {x}");
    EXPECT_EQ(BookmarkSummaryRtf(db, 2, key),
              "{{\\b Folder:}{ Unsorted Bookmarks}{\\par\\b Bookmark:}{ A \\{braced\\} \\\\ title}"
              "{\\par\\b URL:}{ https://b.example/}{\\par\\b Summary:}{ about \\{x\\}}"
              "{\\par\\b Dead link:}{ the page says \"404 Not Found\", checked " +
                  FormatGeneralDate(dead->Checked) + "}}");
    dead->UserFlags = WithoutDeadMark(dead->UserFlags);
    EXPECT_EQ(BookmarkSummaryRtf(db, 2, key).find("Dead link"), std::string::npos);
    std::int16_t hits = db.AddFolder("Hits", 3, FolderKind::SearchResults);
    db.Folder(hits).SearchQuery.Set("birds");
    db.Folder(hits).Description = db.Memo().Add("found things");
    std::string s = FolderSummaryRtf(db, hits);
    EXPECT_NE(
        s.find("{\\par\\b Description:}{ found things}{\\par\\b Search Query:}{ birds}{\\par\\b Created:}{ "),
        std::string::npos);
}

TEST_F(RulesFixture, FolderMovesRefuseStandardFoldersParentsAndCycles) {
    std::int16_t a = db.AddFolder("A", 1, FolderKind::Ordinary);
    std::int16_t b = db.AddFolder("B", a, FolderKind::Ordinary);
    std::int16_t c = db.AddFolder("C", b, FolderKind::Ordinary);
    EXPECT_FALSE(MoveFolder(db, 4, a));   // a standard folder
    EXPECT_FALSE(MoveFolder(db, b, a));   // already there
    EXPECT_FALSE(MoveFolder(db, a, a));   // onto itself
    EXPECT_FALSE(MoveFolder(db, a, c));   // into its own subfolder
    EXPECT_FALSE(MoveFolder(db, a, 999)); // not a folder
    EXPECT_EQ(sounds.played, std::vector<SoundEvent>(5, SoundEvent::RejectBookmark));
    EXPECT_EQ(db.Folder(a).Parent, 1);
    EXPECT_TRUE(MoveFolder(db, c, 2));
    EXPECT_EQ(db.Folder(c).Parent, 2);
    EXPECT_EQ(tree.nodes["x" + std::to_string(c)].parent, "x2");
    EXPECT_EQ(db.FolderPath(c), "My Bookmarks\\Unsorted Bookmarks\\C");
}

} // namespace
} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <tuple>

#include "store/database.h"
#include "store/default_content.h"
#include "store/integrity.h"
#include "test_support.h"

namespace vireo {
namespace {

using test::ReadText;
using test::WriteText;

struct DatabaseFixture : ::testing::Test {
    test::TempDir dir;
    test::RecordingTree tree;
    test::RecordingSounds sounds;
    test::CountingBusy busy;
    test::CountingList list;
    test::FixedOptions options;
    Database db;

    void SetUp() override {
        db.SetServices({&tree, &sounds, &busy, &list, &options});
        Reopen();
    }
    void Reopen() {
        db.Close();
        std::string error;
        ASSERT_TRUE(db.Open(dir.str(), &error)) << error;
    }
    std::int32_t AddMark(std::int16_t folder, const std::string& title) {
        return db.Marks(folder).Add(
            db.NewMark(title, "https://example.org/", folder, "desc of " + title, kFlagsDroppedLink));
    }
    std::array<std::string, 4> Files() {
        return {ReadText(dir.file("FOLDERS")), ReadText(dir.file("BOOKMARKS")),
                ReadText(dir.file("VIREODEX")), ReadText(dir.file("VIREOMEM"))};
    }
    std::vector<std::string> Titles(std::int16_t folder) {
        std::vector<std::string> out;
        std::int32_t start = 0;
        while (std::int32_t k = db.NextMarkKey(folder, start))
            out.push_back(db.Marks(folder).NameStr(k));
        return out;
    }
};

TEST_F(DatabaseFixture, ANewDatabaseHoldsTheStandardFoldersIsUsedByOneProgramAtATimeAndPurgedWhole) {
    EXPECT_TRUE(db.IsNewDatabase());
    EXPECT_TRUE(db.IsFirstRun());
    ASSERT_EQ(db.FolderSlots(), 5);
    const char* names[] = {"My Bookmarks", "Unsorted Bookmarks", "Search Results", "My Homepage", "Trash"};
    for (std::int16_t i = 1; i <= 5; ++i)
        EXPECT_EQ(std::tuple(db.Folder(i).ID, db.Folder(i).Name.Text(), db.Folder(i).Parent),
                  std::tuple(i, names[i - 1], i == 1 ? 0 : 1));
    EXPECT_EQ(Titles(1), (std::vector<std::string>{"MERIDEX Inc.", "Orn Products"}));
    EXPECT_EQ(Titles(4), (std::vector<std::string>{"Vireo! Homepage", "Vireo! FAQ", "Vireo! Support"}));
    std::string faq = db.Marks(4).UrlStr(db.Marks(4).key(2));
    EXPECT_TRUE(faq.starts_with("file://") && faq.ends_with("/help/faq.html")) << faq;
    // Nothing is on disk until the first save; after it, the next start is not a first run.
    EXPECT_FALSE(std::filesystem::exists(dir.file("FOLDERS")));
    ASSERT_TRUE(db.Save());
    Reopen();
    EXPECT_FALSE(db.IsNewDatabase());
    EXPECT_FALSE(db.IsFirstRun());
    EXPECT_EQ(db.HighestKey(), 5);

    // A data folder is used by one program at a time.
    Database second;
    std::string error;
    bool busyFlag = false;
    EXPECT_FALSE(second.Open(dir.str(), &error, &busyFlag));
    EXPECT_TRUE(busyFlag);
    EXPECT_NE(error.find("in use"), std::string::npos);
    db.Close();
    ASSERT_TRUE(second.Open(dir.str(), &error)) << error;

    // A purge deletes the four files, and the next start is a new one.
    ASSERT_TRUE(second.Purge(nullptr));
    EXPECT_TRUE(second.Purged());
    EXPECT_FALSE(second.Save());
    for (const char* f : {"FOLDERS", "BOOKMARKS", "VIREODEX", "VIREOMEM"})
        EXPECT_FALSE(std::filesystem::exists(dir.file(f))) << f;
    ASSERT_TRUE((second.Close(), db.Open(dir.str(), nullptr)));
    EXPECT_TRUE(db.IsFirstRun());
}

TEST_F(DatabaseFixture, SaveAndReloadIsByteForByteAndKeepsCountsAndKeys) {
    EXPECT_EQ(AddMark(2, "a"), 6); // after the five standard bookmarks
    std::int32_t b = AddMark(2, "b");
    AddMark(2, "c");
    db.Marks(2).Kill(b, true);
    EXPECT_EQ(db.Marks(2).UrlStr(b), "");
    std::int16_t travel = db.AddFolder("Travel", 1, FolderKind::Ordinary);
    std::int16_t maps = db.AddFolder("Maps – Karten", travel, FolderKind::Ordinary);
    db.Folder(maps).Description = db.Memo().Add("Folder description");
    db.Folder(maps).SearchQuery.Set("query");
    AddMark(travel, "Zürich tram map");
    AddMark(maps, "Ordnance Survey");
    db.Marks(maps).Kill(AddMark(maps, "gone"), false);
    ASSERT_TRUE(db.Save());
    const std::array<std::string, 4> saved = Files();
    EXPECT_EQ(saved[0].size(), 4 + 7 * 290u);
    EXPECT_EQ(saved[1].substr(0, 12), "ORNBOOKMARKS");

    Reopen();
    EXPECT_EQ(db.FolderPath(maps), "My Bookmarks\\Travel\\Maps – Karten");
    EXPECT_EQ(Titles(travel), std::vector<std::string>{"Zürich tram map"});
    EXPECT_EQ(Titles(5), std::vector<std::string>{"gone"});
    EXPECT_EQ(db.Marks(2).Count(), 2);
    EXPECT_EQ(db.Marks(2).Total(), 2);
    EXPECT_EQ(db.HighestKey(), 11);
    ASSERT_TRUE(db.Save());
    EXPECT_TRUE(Files() == saved);

    // A bookmark without a title is still a bookmark: it survives the save.
    std::int32_t key = 0;
    db.Marks(3).Add(key, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0);
    ASSERT_TRUE(db.Save());
    Reopen();
    EXPECT_EQ(db.Marks(3).Count(), 1);
    EXPECT_EQ(db.Marks(3).key(1), 12);
}

TEST_F(DatabaseFixture, BookmarksAndFoldersGoToTheTrashUnlessForcedOrAlreadyThereAndStandardFoldersStay) {
    std::int16_t f7 = db.AddFolder("Seven", 1, FolderKind::Ordinary);
    std::int32_t k = AddMark(f7, "to trash");
    OleDate added = db.Marks(f7).At(1).added;
    db.Marks(f7).Kill(k, false);
    EXPECT_EQ(db.Marks(f7).Count(), 0);
    ASSERT_EQ(db.Marks(5).Count(), 1);
    const BookmarkRecord& moved = db.Marks(5).At(1);
    EXPECT_EQ(std::tuple(moved.key, moved.Parent, moved.added), std::tuple(k, 5, added));
    EXPECT_EQ(db.Marks(5).UrlStr(k), "https://example.org/");
    std::int32_t inUse = db.Memo().InUseCount();
    // A second delete, from the trash, frees its three texts.
    db.Marks(5).Kill(k, false);
    EXPECT_EQ(db.Memo().InUseCount(), inUse - 3);

    // With the option set, a delete outside the trash is final too.
    options.deleteImmediately = true;
    db.Marks(f7).Kill(AddMark(f7, "final"), false);
    EXPECT_EQ(db.Memo().InUseCount(), inUse - 3);

    // Emptying a folder moves what is left to the trash; the trash deletes for good.
    options.deleteImmediately = false;
    std::int16_t f = db.AddFolder("Full", 1, FolderKind::Ordinary);
    for (int i = 0; i < 4; ++i)
        AddMark(f, "m" + std::to_string(i));
    db.Marks(f).Kill(db.Marks(f).key(2), true);
    db.Marks(f).EmptyAll(false);
    EXPECT_EQ(db.Marks(f).Count(), 0);
    EXPECT_EQ(Titles(5), (std::vector<std::string>{"m0", "m2", "m3"}));
    inUse = db.Memo().InUseCount();
    db.Marks(5).EmptyAll(false);
    EXPECT_EQ(db.Memo().InUseCount(), inUse - 9);

    // The standard folders cannot be deleted.
    for (std::int16_t i = 1; i <= 5; ++i) {
        db.KillFolder(i, true);
        EXPECT_TRUE(db.IsLiveFolder(i));
    }
    EXPECT_EQ(sounds.played, std::vector<SoundEvent>(5, SoundEvent::RejectBookmark));

    std::int16_t parent = db.AddFolder("Parent", 1, FolderKind::Ordinary);
    std::int16_t child = db.AddFolder("Child", parent, FolderKind::Ordinary);
    AddMark(child, "inside");
    db.FillTree(tree);
    ASSERT_TRUE(db.KillFolder(parent, false));
    EXPECT_TRUE(db.InTrash(child));
    EXPECT_EQ(tree.nodes["x" + std::to_string(parent)].parent, "x5");
    EXPECT_EQ(busy.depth, 0);
    Reopen(); // the delete was saved at once
    EXPECT_EQ(db.Folder(parent).Parent, 5);

    // Inside the trash a delete is final, subfolders, bookmarks and texts with it.
    inUse = db.Memo().InUseCount();
    db.FillTree(tree);
    ASSERT_TRUE(db.KillFolder(parent, false));
    EXPECT_FALSE(db.IsLiveFolder(parent));
    EXPECT_FALSE(db.IsLiveFolder(child));
    EXPECT_EQ(db.Memo().InUseCount(), inUse - 3);
    EXPECT_EQ(tree.nodes.count("x" + std::to_string(child)), 0u);

    // Emptying the trash leaves no folder or bookmark in it.
    std::int16_t a = db.AddFolder("A", 1, FolderKind::Ordinary);
    db.AddFolder("A1", a, FolderKind::Ordinary);
    AddMark(a, "x");
    db.KillFolder(a, false);
    db.Marks(2).Kill(AddMark(2, "loose"), false);
    ASSERT_TRUE(db.EmptyFolder(5, true));
    EXPECT_EQ(sounds.played.back(), SoundEvent::EmptyFolder);
    EXPECT_EQ(list.fills, 1);
    Reopen();
    EXPECT_EQ(db.Marks(5).Count(), 0);
    EXPECT_EQ(db.CountSubFolders(5), 0);
}

TEST_F(DatabaseFixture, FolderSlotsAreReusedLowestFirst) {
    for (int i = 6; i <= 12; ++i)
        EXPECT_EQ(db.AddFolder("F" + std::to_string(i), 1, FolderKind::Ordinary), i);
    ASSERT_TRUE(db.KillFolder(9, true));
    EXPECT_EQ(db.AddFolder("New", 1, FolderKind::Ordinary), 9);
    EXPECT_EQ(db.FolderSlots(), 12);
    // Freed slots are found again lowest first, whatever order they were freed in.
    db.KillFolder(11, true);
    db.KillFolder(7, true);
    EXPECT_EQ(db.AddFolder("Refill", 1, FolderKind::Ordinary), 7);
    EXPECT_EQ(db.AddFolder("Refill", 1, FolderKind::Ordinary), 11);
    EXPECT_EQ(db.AddFolder("Grows", 1, FolderKind::Ordinary), 13);
    // A name is cut to its field, then trimmed; the tree gets the node.
    std::int16_t id = db.AddFolder("  " + std::string(200, 'n'), 9, FolderKind::Imported);
    EXPECT_EQ(db.Folder(id).Name.Text(), std::string(126, 'n'));
    EXPECT_EQ(tree.nodes[FolderNodeKey(id)].parent, "x9");
    EXPECT_EQ(tree.nodes[FolderNodeKey(id)].image, 5);
    // A reused slot does not inherit the last folder's search fields.
    db.Folder(id).SearchQuery.Set("old query");
    db.KillFolder(id, true);
    std::int16_t again = db.AddFolder("plain", 1, FolderKind::Ordinary);
    EXPECT_EQ(again, id);
    EXPECT_EQ(db.Folder(again).SearchQuery.Text(), "");
}

TEST_F(DatabaseFixture, TreeIsFilledParentsFirstPathsWalkToTheRootAndDamageIsRepaired) {
    // A child in a lower slot than its parent: placed in a later pass.
    std::int16_t low = db.AddFolder("Low", 1, FolderKind::Ordinary);   // 6
    std::int16_t high = db.AddFolder("High", 1, FolderKind::Ordinary); // 7
    db.Folder(low).Parent = high;
    db.FillTree(tree);
    auto pos = [&](const std::string& key) {
        return std::find(tree.order.begin(), tree.order.end(), key) - tree.order.begin();
    };
    EXPECT_EQ(tree.order.front(), "x1");
    EXPECT_LT(pos("x7"), pos("x6"));
    EXPECT_EQ(tree.nodes["x6"].parent, "x7");
    EXPECT_EQ(tree.selected, "x1");
    EXPECT_EQ(db.FolderPath(low), "My Bookmarks\\High\\Low");
    EXPECT_EQ(db.FolderPath(0), "");
    std::int32_t start = 0;
    EXPECT_EQ(db.NextSubFolder(high, start), low);
    EXPECT_EQ(db.NextSubFolder(high, start), 0);

    // Damaged folders are repaired, and the original files kept.
    std::int16_t a = db.AddFolder("A", 1, FolderKind::Ordinary);
    std::int16_t b = db.AddFolder("B", a, FolderKind::Ordinary);
    std::int16_t c = db.AddFolder("C", 1, FolderKind::Ordinary);
    AddMark(b, "kept");
    // A and B point at each other; C points at a free slot; the root is its own parent.
    db.Folder(a).Parent = b;
    db.Folder(c).Parent = 30;
    db.Folder(kRootFolder).Parent = kRootFolder;
    ASSERT_TRUE(db.Save());
    Reopen();
    EXPECT_FALSE(db.LoadWarnings().empty());
    EXPECT_TRUE(std::filesystem::exists(db.DamagedCopyFolder() + "/FOLDERS"));
    EXPECT_EQ(db.Folder(c).Parent, 1);
    EXPECT_EQ(db.Folder(kRootFolder).Parent, 0);
    EXPECT_TRUE(db.FolderPath(b).rfind("My Bookmarks", 0) == 0);
    db.FillTree(tree);
    EXPECT_EQ(tree.nodes.size(), 10u);
    EXPECT_EQ(Titles(b), std::vector<std::string>{"kept"});
}

TEST_F(DatabaseFixture, TruncatedAndHostileFilesLoadWhatTheyHold) {
    for (int i = 0; i < 5; ++i)
        AddMark(2, "m" + std::to_string(i));
    ASSERT_TRUE(db.Save());
    db.Close();
    // The check reports a damaged memo index, whatever loading would make of it: a stray
    // byte at its end, an entry with a flag no version writes.
    const std::string dex = ReadText(dir.file("VIREODEX"));
    const std::string unknownFlag("\x01\0\0\0\x02\0\0\0\xfe\xff", 10); // start 1, end 2, flag -2
    for (const std::string& damage : {std::string("x"), unknownFlag}) {
        WriteText(dir.file("VIREODEX"), dex + damage);
        EXPECT_FALSE(CheckDataDirectory(dir.str()).Ok()) << damage.size();
    }
    WriteText(dir.file("VIREODEX"), dex);
    EXPECT_TRUE(CheckDataDirectory(dir.str()).Ok());
    // BOOKMARKS cut in the middle of a record, with an absurd count in front.
    std::string marks = ReadText(dir.file("BOOKMARKS"));
    std::string cut = marks.substr(0, marks.size() - 30);
    std::memcpy(cut.data() + 16 + 4 + 2 * 53, "\xff\xff\xff\x7f", 4); // block 2's count
    WriteText(dir.file("BOOKMARKS"), cut);
    std::string error;
    ASSERT_TRUE(db.Open(dir.str(), &error)) << error;
    EXPECT_FALSE(db.LoadWarnings().empty());
    EXPECT_EQ(db.Marks(1).Count(), 2);
    EXPECT_LE(db.Marks(2).Count(), 5);
    db.Close();
    EXPECT_FALSE(CheckDataDirectory(dir.str()).Ok());

    // A folder file whose count is nonsense is refused and left as it is.
    std::string folders = ReadText(dir.file("FOLDERS"));
    const std::string broken = std::string("\x00\x00\x00\x80", 4) + folders.substr(4);
    WriteText(dir.file("FOLDERS"), broken);
    EXPECT_FALSE(db.Open(dir.str(), &error));
    EXPECT_NE(error.find("damaged"), std::string::npos);
    EXPECT_EQ(ReadText(dir.file("FOLDERS")), broken);
    EXPECT_FALSE(CheckDataDirectory(dir.str()).Ok());

    // A folder file cut short loads the folders it holds.
    WriteText(dir.file("FOLDERS"), folders.substr(0, 4 + 4 * 290 + 100));
    ASSERT_TRUE(db.Open(dir.str(), &error)) << error;
    ASSERT_FALSE(db.LoadWarnings().empty());
    EXPECT_NE(db.LoadWarnings().front().find("4 of 5 folders"), std::string::npos)
        << db.LoadWarnings().front();
    EXPECT_EQ(db.FolderSlots(), 5); // the trash restored
    EXPECT_TRUE(db.IsLiveFolder(5));
}

TEST(ExtractUrl, FindsTheAddressInDroppedText) {
    EXPECT_EQ(ExtractUrl("http://a.example/"), "http://a.example/");
    EXPECT_EQ(ExtractUrl("no address here"), "");
    EXPECT_EQ(ExtractUrl("get ftp://files.example/pub now"), "ftp://files.example/pub");
    EXPECT_EQ(ExtractUrl("<a href=\"http://q.example/\" title=x>"), "http://q.example/");
    EXPECT_EQ(ExtractUrl("https://secure.example/path\r\n"), "https://secure.example/path");
    EXPECT_EQ(ExtractUrl("https://one.example/\nhttp://two.example/"), "https://one.example/");
}

} // namespace
} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>

#include "interchange/link_marks.h"
#include "mainwindow/drag_data.h"
#include "mainwindow/drops.h"
#include "mainwindow/folder_moves.h"
#include "mainwindow/menu_rules.h"
#include "mainwindow/summary.h"
#include "mainwindow/toolbar_rules.h"
#include "shell/options.h"
#include "shell/registry.h"
#include "store/database.h"
#include "test_support.h"

namespace vireo {
namespace {

std::string Utf16(std::u16string_view text, bool mark, bool bigEndian = false) {
    std::string out;
    if (mark)
        out = bigEndian ? std::string("\xFE\xFF", 2) : std::string("\xFF\xFE", 2);
    for (char16_t c : text) {
        char lo = static_cast<char>(c & 0xFF);
        char hi = static_cast<char>(c >> 8);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

// Each link a drop gives, as "text | title".
std::vector<std::string> Links(const DropContent& c) {
    std::vector<std::string> out;
    for (const DroppedLink& link : c.links)
        out.push_back(link.text + " | " + link.title);
    return out;
}

TEST(DragData, PayloadHoldsKindCountFolderAndKeys) {
    std::vector<std::int32_t> keys{17, 70000, 3};
    std::string bytes = BuildDragData(kDragBookmarks, 2, keys);
    EXPECT_EQ(bytes, std::string("\0\0\3\0\2\0\0\0\x11\0\0\0\x70\x11\x01\0\3\0\0\0", 20));
    DragPayload back;
    ASSERT_TRUE(ReadDragData(bytes, back));
    EXPECT_EQ(back.kind, 0);
    EXPECT_EQ(back.source, 2);
    EXPECT_EQ(back.keys, keys);

    EXPECT_EQ(BuildDragData(kDragFolder, 12), std::string("\x08\0\0\0\x0C\0\0\0", 8));

    // Payloads from elsewhere are not trusted for their count.
    std::string cut = bytes.substr(0, 14); // claims 3 keys, holds 1 and a half
    ASSERT_TRUE(ReadDragData(cut, back));
    EXPECT_EQ(back.keys, std::vector<std::int32_t>{17});
    std::string negative = bytes;
    negative[2] = '\xFF';
    negative[3] = '\xFF';
    ASSERT_TRUE(ReadDragData(negative, back));
    EXPECT_TRUE(back.keys.empty());
    EXPECT_FALSE(ReadDragData(std::string("\0\0\0\0", 4), back));
}

TEST(DragData, BrowserFormatsGiveLinksWithTheirTitlesAndFileManagersLocalFiles) {
    // A browser of the Mozilla family: address and title in UTF-16, the link as HTML.
    DragFormats firefox;
    firefox.uriList = "https://birds.example/wren\r\n";
    firefox.plainText = "https://birds.example/wren";
    firefox.mozUrl = Utf16(u"https://birds.example/wren\nWrens \u2014 small birds", false);
    firefox.html = "<a href=\"https://birds.example/wren\">ignored when a better title exists</a>";
    EXPECT_EQ(Links(ReadDropFormats(firefox)),
              std::vector<std::string>{"https://birds.example/wren | Wrens \u2014 small birds"});

    // Another browser: only the anchor text of the HTML names the link.
    DragFormats chrome;
    chrome.uriList = "https://birds.example/?a=1&b=2\n";
    chrome.plainText = "https://birds.example/?a=1&b=2";
    chrome.html = "<meta charset='utf-8'><a href=\"https://birds.example/?a=1&amp;b=2\">Owls &amp;\n"
                  "  <b>Nightjars</b></a>";
    EXPECT_EQ(Links(ReadDropFormats(chrome)),
              std::vector<std::string>{"https://birds.example/?a=1&b=2 | Owls & Nightjars"});

    // A picture link stands for its ALT text; a link to another address gives nothing.
    EXPECT_EQ(LinkTitleFromHtml("<A HREF='https://x.example/'><img src=a.png alt=\"Heron\"></A>",
                                "https://x.example/"),
              "Heron");
    EXPECT_EQ(LinkTitleFromHtml("<a href=\"https://y.example/\">Other</a>", "https://x.example/"), "");

    // Several links, titles matched by address; a byte-order mark and big-endian text.
    DragFormats many;
    many.mozUrl = Utf16(u"http://a\nA\r\nhttp://b\nB\n", true, true);
    EXPECT_EQ(Links(ReadDropFormats(many)), (std::vector<std::string>{"http://a | A", "http://b | B"}));
    EXPECT_EQ(DecodeBrowserText(Utf16(u"x\u00e9\U0001F426", true)), "x\u00e9\U0001F426");
    EXPECT_EQ(DecodeBrowserText(Utf16(u"plain", false, true)), "plain");

    // Text without any link format is still handed on, to be judged when filed.
    DragFormats text;
    text.plainText = "see http://c.example/ today";
    EXPECT_EQ(Links(ReadDropFormats(text)), std::vector<std::string>{"see http://c.example/ today | "});

    // A file manager's drop is local files only.
    DragFormats files;
    files.uriList = "# a comment\r\nfile:///home/ann/My%20Links/News.url\r\nfile://localhost/tmp/Birds\r\n"
                    "file://faraway/share/x.url\r\n";
    files.plainText = "/home/ann/My Links/News.url\n/tmp/Birds";
    DropContent c = ReadDropFormats(files);
    EXPECT_TRUE(c.links.empty());
    EXPECT_EQ(c.files, (std::vector<std::string>{"/home/ann/My Links/News.url", "/tmp/Birds"}));
    EXPECT_EQ(LocalPathOfFileUrl("file:/tmp/a%2"), "/tmp/a%2");
    EXPECT_EQ(LocalPathOfFileUrl("file:///tmp/nul%00.url"), "");
    EXPECT_EQ(LocalPathOfFileUrl("https://x/"), "");

    EXPECT_EQ(CleanTitle("  a\r\n\tb  "), "a b");
    EXPECT_EQ(CleanTitle(std::string(600, 'x')).size(), 512u);
}

// A fresh database with its tree, for the window's rules that need no window.
struct WindowRules : ::testing::Test {
    test::TempDir dir;
    test::RecordingTree tree;
    test::RecordingSounds sounds;
    MemoryRegistry reg;
    Database db;
    std::vector<BookmarkRecord> asked;
    AskForBookmark ask = [this](const BookmarkRecord& r) { asked.push_back(r); };

    void SetUp() override {
        db.SetServices({&tree, &sounds, nullptr, nullptr, nullptr});
        ASSERT_TRUE(db.Open(dir.str(), nullptr));
        db.FillTree(tree);
    }
    static DropContent Ours(std::int16_t kind, std::int16_t folder, std::vector<std::int32_t> keys = {}) {
        DropContent c;
        c.ours = true;
        c.payload = BuildDragData(kind, folder, keys);
        return c;
    }
    static DropContent Link(std::string text, std::string title = {}) {
        DropContent c;
        c.links.push_back({std::move(text), std::move(title)});
        return c;
    }
    static DropContent Files(std::vector<std::string> paths) {
        DropContent c;
        c.files = std::move(paths);
        return c;
    }
    int Count(SoundEvent sound) const {
        return static_cast<int>(std::count(sounds.played.begin(), sounds.played.end(), sound));
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

TEST_F(WindowRules, BookmarksMoveWithTheirKeysAndCopiesGetTexts) {
    std::int16_t target = db.AddFolder("Target", 1, FolderKind::Ordinary);
    std::int32_t a = db.Marks(2).Add(db.NewMark("A", "https://a/", 2, "", kFlagsStandard));
    std::int32_t b = db.Marks(2).Add(db.NewMark("B", "https://b/", 2, "", kFlagsStandard));
    std::int32_t c = db.Marks(2).Add(db.NewMark("C", "https://c/", 2, "", kFlagsStandard));
    DropOutcome out = DropData(db, reg, Ours(kDragBookmarks, 2, {a, b, c, 999999}), target, ask);
    EXPECT_TRUE(out.changed);
    EXPECT_EQ(out.selectFolder, target);
    EXPECT_EQ(db.Marks(2).Count(), 0);
    EXPECT_EQ(db.Marks(target).Count(), 3);
    EXPECT_TRUE(sounds.played.empty()); // moves inside the program are silent

    // Onto their own folder: nothing happens.
    out = DropData(db, reg, Ours(kDragBookmarks, target, {a}), target, ask);
    EXPECT_FALSE(out.changed);
    EXPECT_EQ(db.Marks(target).Count(), 3);

    // A copy has texts of its own, so deleting it leaves the original whole.
    out = DropData(db, reg, Ours(kDragCopyBookmarks, target, {a}), 2, ask);
    EXPECT_TRUE(out.changed);
    std::int32_t start = 0;
    std::int32_t copy = db.NextMarkKey(2, start);
    EXPECT_NE(copy, a);
    db.Marks(2).Kill(copy, true);
    EXPECT_EQ(db.Marks(target).NameStr(a), "A");
    EXPECT_EQ(db.Marks(target).UrlStr(a), "https://a/");

    // Unknown kinds and folders that are not there change nothing.
    EXPECT_FALSE(DropData(db, reg, Ours(5, target, {a}), 2, ask).changed);
    EXPECT_FALSE(DropData(db, reg, Ours(kDragBookmarks, 300, {a}), 2, ask).changed);
    EXPECT_FALSE(DropData(db, reg, Ours(-1, target, {a}), 2, ask).changed);
    EXPECT_EQ(db.Marks(target).Count(), 3);
}

TEST_F(WindowRules, DroppedLinksAskAsTheOptionSays) {
    // 0, filing at once, is seen through the window by the widget test.
    // 1: asks only when there is no title.
    SetBmkDrop(reg, 1);
    DropOnFolder(db, reg, Link("https://b.example/"), 2, ask);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].key, 0);
    EXPECT_EQ(asked[0].Parent, 2);
    EXPECT_EQ(db.copyBuffer, asked[0]);
    EXPECT_EQ(db.Memo().GetMemo(asked[0].url), "https://b.example/");
    DropOnFolder(db, reg, Link("https://c.example/", "Cranes"), 2, ask);
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_EQ(db.Marks(2).Count(), 1);

    // 2: always asks; without a window to ask in, links are filed at once.
    SetBmkDrop(reg, 2);
    DropOnFolder(db, reg, Link("https://d.example/", "Ducks"), 2, ask);
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_EQ(db.Memo().GetMemo(asked[1].Name), "Ducks");
    DropOnFolder(db, reg, Link("https://e.example/"), 2, {});
    EXPECT_EQ(db.Marks(2).Count(), 2);

    // Text without an address is refused with the reject sound.
    sounds.played.clear();
    EXPECT_FALSE(DropOnFolder(db, reg, Link("just words"), 2, ask).changed);
    EXPECT_EQ(Count(SoundEvent::RejectBookmark), 1);
    EXPECT_EQ(db.Marks(2).Count(), 2);
    // Our own drags have no address to file on the window.
    EXPECT_FALSE(DropOnFolder(db, reg, Ours(kDragBookmarks, 2, {db.Marks(2).key(1)}), 2, ask).changed);
    EXPECT_EQ(Count(SoundEvent::RejectBookmark), 2);
}

TEST_F(WindowRules, ShortcutFilesAndFoldersOfThem) {
    test::TempDir files;
    for (const auto& [name, text] :
         {std::pair{"News.url", "[InternetShortcut]\r\nURL=https://news.example/\r\n"},
          {"empty.url", "[InternetShortcut]\r\n"},
          {"Birds/Owl.url", "[InternetShortcut]\nURL=https://owl.example/\n"},
          {"Birds/Sea/Gull.url", "[InternetShortcut]\nURL=https://gull.example/\n"},
          {"Birds/notes.txt", "URL=https://not-a-shortcut.example/\n"}})
        test::WriteText(files.path() / name, text);

    // "News" is a title, so option 1 files it at once (the options' rules are the links').
    SetBmkDrop(reg, 1);
    EXPECT_TRUE(DropOnFolder(db, reg, Files({files.file("News.url")}), 2, ask).changed);
    EXPECT_TRUE(asked.empty());
    ASSERT_EQ(db.Marks(2).Count(), 1);
    EXPECT_EQ(db.Marks(2).NameStr(db.Marks(2).key(1)), "News");
    EXPECT_EQ(db.Marks(2).At(1).Flags, kFlagsDroppedFile);

    // A file without an address, and a folder dropped on the window, are refused.
    sounds.played.clear();
    EXPECT_FALSE(
        DropOnFolder(db, reg, Files({files.file("empty.url"), files.file("Birds")}), 2, ask).changed);
    EXPECT_EQ(Count(SoundEvent::RejectBookmark), 2);

    // A folder dropped on a folder of the tree becomes an imported folder below it.
    SetBmkDrop(reg, 0);
    std::int16_t target = db.AddFolder("Target", 1, FolderKind::Ordinary);
    EXPECT_TRUE(DropData(db, reg, Files({files.file("Birds") + "/"}), target, ask).changed);
    std::int32_t cursor = 0;
    std::int16_t birds = db.NextSubFolder(target, cursor);
    ASSERT_NE(birds, 0);
    EXPECT_EQ(db.Folder(birds).Name.Text(), "Birds");
    EXPECT_EQ(FolderKindOf(db.Folder(birds)), FolderKind::Imported);
    EXPECT_EQ(db.Marks(birds).Count(), 1);
    EXPECT_EQ(db.Marks(birds).NameStr(db.Marks(birds).key(1)), "Owl");
    cursor = 0;
    std::int16_t sea = db.NextSubFolder(birds, cursor);
    ASSERT_NE(sea, 0);
    EXPECT_EQ(db.Marks(sea).UrlStr(db.Marks(sea).key(1)), "https://gull.example/");
    EXPECT_EQ(tree.nodes["x" + std::to_string(sea)].parent, "x" + std::to_string(birds));

    EXPECT_EQ(DroppedFileTitle("/a/b/Site.name.url"), "Site.name");
    EXPECT_EQ(DroppedFileTitle("/a/b/plain"), "plain");
}

TEST_F(WindowRules, FolderMenuRenameAndRerunFollowTheFolderType) {
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

TEST_F(WindowRules, BookmarkMenuNeedsABookmark) {
    EXPECT_EQ(Shape(PrepareBookmarkMenu(42)), "vvvdvvdddvdvv");
    // Restore applies in the trash only, Paste whenever the clipboard holds something.
    EXPECT_EQ(Shape(PrepareBookmarkMenu(42, true, true)), "vvvdvvvddvvvv");
    // On the "(Empty)" row nothing applies but making a new bookmark and pasting.
    EXPECT_EQ(Shape(PrepareBookmarkMenu(0)), "vdddddddddddd");
    EXPECT_EQ(Shape(PrepareBookmarkMenu(0, true)), "vdddddvdddddd");
}

TEST_F(WindowRules, SummariesAreTheExactRichText) {
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
    std::int16_t hits = db.AddFolder("Hits", 3, FolderKind::SearchResults);
    db.Folder(hits).SearchQuery.Set("birds");
    db.Folder(hits).Description = db.Memo().Add("found things");
    std::string s = FolderSummaryRtf(db, hits);
    EXPECT_NE(
        s.find("{\\par\\b Description:}{ found things}{\\par\\b Search Query:}{ birds}{\\par\\b Created:}{ "),
        std::string::npos);
}

TEST_F(WindowRules, FolderMovesRefuseStandardFoldersParentsAndCycles) {
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

TEST(ToolbarPlace, OffScreenCoordinatesBecomeZero) {
    // A place kept, and a top above the screen, are the window test's.
    MemoryRegistry reg;
    EXPECT_EQ(ReadToolbarPosition(reg, 1280, 800), (ToolbarPosition{0, 0}));
    SaveToolbarPosition(reg, {801, -100});
    EXPECT_EQ(ReadToolbarPosition(reg, 1280, 800), (ToolbarPosition{0, 0}));
    SaveToolbarPosition(reg, {40, 1281});
    EXPECT_EQ(ReadToolbarPosition(reg, 1280, 800), (ToolbarPosition{40, 0}));
    EXPECT_EQ(GetRegText(reg, SettingsPath("\\location"), "bartop"), "40");
}

} // namespace
} // namespace vireo

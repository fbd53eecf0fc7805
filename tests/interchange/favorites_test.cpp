// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "interchange/exchange_fixture.h"
#include "interchange/favorites.h"

namespace vireo::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> DirNames(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(Shortcuts, TheAddressComesFromTheFirstLineHoldingUrlKey) {
    EXPECT_EQ(UrlFromShortcutText(ShortcutFileText("http://a.example/")), "http://a.example/");
    EXPECT_EQ(ShortcutFileText("http://a.example/"), "[InternetShortcut]\nURL=http://a.example/\n\r\n");
    // A longer key ending in URL= that comes first wins, as it always did.
    EXPECT_EQ(UrlFromShortcutText("[DEFAULT]\r\nBASEURL=http://base.example/\r\n[InternetShortcut]\r\n"
                                  "URL=http://real.example/\r\n"),
              "http://base.example/");
    EXPECT_EQ(UrlFromShortcutText("[InternetShortcut]\nurl=http://lower.example/\n"), "");
    EXPECT_EQ(UrlFromShortcutText("[InternetShortcut]\rURL=http://cr.example/\r"), "http://cr.example/");
    EXPECT_EQ(UrlFromShortcutText("[InternetShortcut]\nURL=http://lf.example/\nIconIndex=0\n"),
              "http://lf.example/");
    // Only the first six lines count.
    EXPECT_EQ(UrlFromShortcutText("1\n2\n3\n4\n5\n6\nURL=http://late.example/\n"), "");
    EXPECT_EQ(UrlFromShortcutText("1\n2\n3\n4\n5\nURL=http://sixth.example/\n"), "http://sixth.example/");
    EXPECT_EQ(SafeFileName("What? A/B: \"c\" <d> |e| *f* \\g"), "What_ A_B_ _c_ _d_ _e_ _f_ _g");
}

struct FavoritesTest : ExchangeFixture {
    fs::path favorites() const { return tmp.path() / "Favorites"; }
};

TEST_F(FavoritesTest, ImportReadsTheTreeOfShortcutFilesAndExportWritesOneFilePerBookmark) {
    WriteText(favorites() / "Search.url", ShortcutFileText("https://search.example/"));
    WriteText(favorites() / "Capital.URL", "[InternetShortcut]\r\nURL=http://capital.example/\r\n");
    WriteText(favorites() / "notes.txt", "URL=http://not-a-shortcut.example/\n");
    WriteText(favorites() / "Empty.url", "[InternetShortcut]\n");
    WriteText(favorites() / "News" / "Paper.url", ShortcutFileText("http://paper.example/"));
    WriteText(favorites() / "News" / "Local" / "Town.url", ShortcutFileText("http://town.example/"));
    WriteText(favorites() / ".hidden" / "Secret.url", ShortcutFileText("http://secret.example/"));

    ExchangeResult r = ImportFavorites(db, favorites().string());
    ASSERT_TRUE(r.ok) << r.message;
    std::int16_t root = Child(kRootFolder, "Imported from Explorer");
    ASSERT_EQ(r.folder, root);
    EXPECT_EQ(r.bookmarks, 4);
    EXPECT_EQ(FolderKindOf(db.Folder(root)), FolderKind::Imported);
    EXPECT_EQ(Titles(root), (std::vector<std::string>{"Capital", "Search"}));
    EXPECT_EQ(Urls(root), (std::vector<std::string>{"http://capital.example/", "https://search.example/"}));
    std::int16_t news = Child(root, "News");
    ASSERT_NE(news, 0);
    EXPECT_EQ(Children(root).size(), 1u);
    EXPECT_EQ(Titles(news), std::vector<std::string>{"Paper"});
    EXPECT_EQ(Titles(Child(news, "Local")), std::vector<std::string>{"Town"});
    const BookmarkRecord& first = First(root);
    EXPECT_EQ(first.Flags, kFlagsFavorites);
    EXPECT_EQ(db.Memo().GetMemo(first.Description), "Imported from Explorer");

    EXPECT_FALSE(ImportFavorites(db, "").ok);
    ExchangeResult missing = ImportFavorites(db, (tmp.path() / "nowhere").string());
    EXPECT_FALSE(missing.ok);
    EXPECT_FALSE(missing.message.empty());

    // The export writes one file per bookmark into a folder of its own there, losing none.
    std::int16_t folder = db.AddFolder("Mine", kRootFolder, FolderKind::Ordinary);
    AddMark(folder, "What? A/B", "http://q.example/");
    AddMark(folder, "Twin", "http://twin1.example/");
    AddMark(folder, "Twin", "http://twin2.example/");
    AddMark(folder, std::string(200, 'x'), "http://long.example/");
    std::int16_t sub = db.AddFolder("Time: now", folder, FolderKind::Ordinary);
    AddMark(sub, "Inner", "http://inner.example/");
    std::int16_t dots = db.AddFolder("..", folder, FolderKind::Ordinary);
    AddMark(dots, "Escape", "http://escape.example/");
    // A leading dot would hide the directory, which the import then skips.
    std::int16_t hidden = db.AddFolder(".dot", folder, FolderKind::Ordinary);
    AddMark(hidden, "Kept", "http://kept.example/");

    r = ExportFavorites(db, folder, favorites().string());
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.bookmarks, 7);
    fs::path out = favorites() / "Vireo";
    EXPECT_EQ(DirNames(out),
              (std::vector<std::string>{"Time_ now", "Twin (2).url", "Twin.url", "What_ A_B.url", "__",
                                        "_dot", std::string(128, 'x') + ".url"}));
    EXPECT_EQ(ReadText(out / "Twin.url"), ShortcutFileText("http://twin1.example/"));
    EXPECT_EQ(ReadUrlFile((out / "Twin (2).url").string()), "http://twin2.example/");
    EXPECT_EQ(ReadUrlFile((out / "Time_ now" / "Inner.url").string()), "http://inner.example/");
    EXPECT_EQ(ReadUrlFile((out / "__" / "Escape.url").string()), "http://escape.example/");
    EXPECT_FALSE(fs::exists(favorites() / "Escape.url"));

    // Exporting again replaces the files instead of adding numbered copies.
    ASSERT_TRUE(ExportFavorites(db, folder, favorites().string()).ok);
    EXPECT_EQ(DirNames(out).size(), 7u);

    // And the export imports back, every folder with it.
    ExchangeResult back = ImportFavorites(db, out.string());
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.bookmarks, 7);
    EXPECT_EQ(Titles(Child(back.folder, "Time_ now")), std::vector<std::string>{"Inner"});
    EXPECT_EQ(Titles(Child(back.folder, "_dot")), std::vector<std::string>{"Kept"});

    // Without a Favorites folder nothing is written.
    fs::remove_all(favorites());
    r = ExportFavorites(db, folder, favorites().string());
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.message.empty());
    EXPECT_FALSE(fs::exists(favorites()));
    EXPECT_FALSE(ExportFavorites(db, 0, tmp.str()).ok);
}

} // namespace
} // namespace vireo::test

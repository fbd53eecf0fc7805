// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>

#include "interchange/exchange_fixture.h"
#include "interchange/favorites.h"

namespace vireo::test {
namespace {

namespace fs = std::filesystem;

struct FavoritesTest : ExchangeFixture {
    fs::path favorites() const { return tmp.path() / "Favorites"; }
};

TEST_F(FavoritesTest, ShortcutFilesGiveTheirAddressImportAsATreeAndExportOnePerBookmark) {
    // A shortcut file's address comes from the first line holding the URL key.
    EXPECT_EQ(ShortcutFileText("http://a.example/"), "[InternetShortcut]\nURL=http://a.example/\n\r\n");
    // A longer key ending in URL= that comes first wins, as it always did.
    EXPECT_EQ(UrlFromShortcutText("[DEFAULT]\r\nBASEURL=http://base.example/\r\n[InternetShortcut]\r\n"
                                  "URL=http://real.example/\r\n"),
              "http://base.example/");
    EXPECT_EQ(UrlFromShortcutText("[InternetShortcut]\nurl=http://lower.example/\n"), "");
    EXPECT_EQ(UrlFromShortcutText("[InternetShortcut]\rURL=http://cr.example/\r"), "http://cr.example/");
    // Only the first six lines count.
    EXPECT_EQ(UrlFromShortcutText("1\n2\n3\n4\n5\n6\nURL=http://late.example/\n"), "");
    EXPECT_EQ(UrlFromShortcutText("1\n2\n3\n4\n5\nURL=http://sixth.example/\n"), "http://sixth.example/");
    EXPECT_EQ(SafeFileName("What? A/B: \"c\" <d> |e| *f* \\g"), "What_ A_B_ _c_ _d_ _e_ _f_ _g");

    // The import reads the tree of shortcut files, skipping hidden folders.
    WriteText(favorites() / "Search.url", ShortcutFileText("https://search.example/"));
    WriteText(favorites() / "Capital.URL", "[InternetShortcut]\r\nURL=http://capital.example/\r\n");
    WriteText(favorites() / "notes.txt", "URL=http://not-a-shortcut.example/\n");
    WriteText(favorites() / "Empty.url", "[InternetShortcut]\n");
    WriteText(favorites() / "News" / "Paper.url", ShortcutFileText("http://paper.example/"));
    WriteText(favorites() / "News" / "Local" / "Town.url", ShortcutFileText("http://town.example/"));
    WriteText(favorites() / ".hidden" / "Secret.url", ShortcutFileText("http://secret.example/"));

    ExchangeResult r = ImportFavorites(db, favorites().string());
    ASSERT_TRUE(r.ok) << r.message;
    ASSERT_EQ(r.folder, Child(kRootFolder, "Imported from Explorer"));
    EXPECT_EQ(r.bookmarks, 4);
    EXPECT_EQ(FolderKindOf(db.Folder(r.folder)), FolderKind::Imported);
    EXPECT_EQ(Outline(r.folder, true),
              "Capital <http://capital.example/>; Search <https://search.example/>; "
              "News {Paper <http://paper.example/>; Local {Town <http://town.example/>}}");
    EXPECT_EQ(First(r.folder).Flags, kFlagsFavorites);
    EXPECT_EQ(db.Memo().GetMemo(First(r.folder).Description), "Imported from Explorer");

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
    AddMark(db.AddFolder("Time: now", folder, FolderKind::Ordinary), "Inner", "http://inner.example/");
    AddMark(db.AddFolder("..", folder, FolderKind::Ordinary), "Escape", "http://escape.example/");
    // A leading dot would hide the directory, which the import then skips.
    AddMark(db.AddFolder(".dot", folder, FolderKind::Ordinary), "Kept", "http://kept.example/");

    // Exported twice, the files are replaced instead of getting numbered copies; the
    // export imports back, every folder with it.
    ASSERT_TRUE(ExportFavorites(db, folder, favorites().string()).ok);
    r = ExportFavorites(db, folder, favorites().string());
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.bookmarks, 7);
    const fs::path out = favorites() / "Vireo";
    EXPECT_EQ(ReadText(out / "Twin.url"), ShortcutFileText("http://twin1.example/"));
    EXPECT_FALSE(fs::exists(favorites() / "Escape.url"));
    ExchangeResult back = ImportFavorites(db, out.string());
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.bookmarks, 7);
    EXPECT_EQ(
        Outline(back.folder, true),
        "Twin (2) <http://twin2.example/>; Twin <http://twin1.example/>; What_ A_B <http://q.example/>; " +
            std::string(128, 'x') +
            " <http://long.example/>; Time_ now {Inner <http://inner.example/>}; __ {Escape "
            "<http://escape.example/>}; _dot {Kept <http://kept.example/>}");

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

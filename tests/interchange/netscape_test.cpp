// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>

#include "interchange/exchange_fixture.h"
#include "interchange/favorites.h"
#include "interchange/html_text.h"
#include "interchange/netscape.h"
#include "store/ole_date.h"

namespace vireo::test {
namespace {

namespace fs = std::filesystem;

struct NetscapeTest : ExchangeFixture {
    ExchangeResult Import(std::string_view fileText) {
        std::string path = tmp.file("bookmark.htm");
        WriteText(path, fileText);
        ExchangeResult r = ImportNetscape(db, path);
        EXPECT_TRUE(r.ok) << r.message;
        return r;
    }
};

TEST_F(NetscapeTest, NestedListsRebuildTheTreeWhateverTheLetterCaseAndRealWorldQuirks) {
    ExchangeResult r = Import("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
                              "<TITLE>Bookmarks</TITLE>\n"
                              "<H1>Bookmarks</H1>\n"
                              "<DL><p>\n"
                              "    <DT><H3 ADD_DATE=\"1\">Level 1</H3>\n"
                              "    <DL><p>\n"
                              "        <DT><A HREF=\"http://one.example/\">One</A>\n"
                              "        <dt><h3 add_date=\"2\">Level 2</h3>\n"
                              "        <dl><p>\n"
                              "            <dt><a href=\"http://two.example/\">Two</a>\n"
                              "        </dl><p>\n"
                              "        <DT><A HREF=\"http://after.example/\">After level 2</A>\n"
                              "        <DT><H3>Empty</H3>\n"
                              "        <DL><p>\n"
                              "        </DL><p>\n"
                              "    </DL><p>\n"
                              "    <HR>    <DT><A HREF=\"http://top.example/\">Top</A>\n"
                              "</DL><p>\n");
    ASSERT_EQ(r.folder, Child(kRootFolder, "Imported from Netscape"));
    EXPECT_EQ(std::pair(r.folders, r.bookmarks), std::pair(4, 4));
    EXPECT_EQ(Outline(r.folder, true),
              "Top <http://top.example/>; Level 1 {One <http://one.example/>; After "
              "level 2 <http://after.example/>; Level 2 {Two <http://two.example/>}; "
              "Empty {}}");
    const std::int16_t l2 = Child(Child(r.folder, "Level 1"), "Level 2");
    EXPECT_EQ(FolderKindOf(db.Folder(r.folder)), FolderKind::Imported);
    EXPECT_EQ(FolderKindOf(db.Folder(l2)), FolderKind::Imported);
    EXPECT_EQ(First(l2).Flags, kFlagsNetscape);

    // Real-world quirks: no outer list, CR LF and LF mixed, attributes in any order and
    // quoting, an unterminated last line.
    const std::string icon = "data:image/png;base64," + std::string(300000, 'A');
    r = Import(
        "<DT><A HREF=\"http://a.example/\" ADD_DATE=\"1500000000\" LAST_MODIFIED=\"1600000000\">Tom &amp; "
        "Jerry &lt;3 &#233;t&#xE9; \xC3\xBCn\xC3\xAF &amp no-semicolon</A>\r\n"
        "<DD>First line &amp; more\r\n"
        "second line\n"
        "<DT><A ICON=\"" +
        icon +
        "\" href='http://q.example/?a=1&amp;b=2&center=3&quot'>Query</A>\n"
        "<DT><a add_date=1 HREF = \"javascript:void(1>2)\">Bookmarklet</a>\n"
        "<DT><A NAME=\"anchor\">not a link</A><A HREF=\"http://second-tag.example/\">Second tag</A>\n"
        "<DT><A HREF=\"http://broken.example/\">No end marker\n"
        "<DT><A HREF=\"http://unclosed.example>Unclosed quote</A>\n"
        "<DT><H3 FOLDED>Folder</H3>\n"
        "<DL><p><DT><A HREF=\"http://in.example/\">Inside</A>\n"
        "</DL><p>\n"
        "<DT><H3>Unreadable folder\n"
        "<DL><p>\n"
        "<DT><A HREF=\"http://orphan.example/\">Orphan</A>\n"
        "</DL><p>\n"
        "<DT><A HREF=\"https://last.example/\">Last</A>");
    // The unreadable folder line makes no folder; its list goes to its parent.
    EXPECT_EQ(Outline(r.folder, true),
              "Tom & Jerry <3 \xC3\xA9t\xC3\xA9 \xC3\xBCn\xC3\xAF & no-semicolon <http://a.example/>; Query "
              "<http://q.example/?a=1&b=2&center=3&quot>; Bookmarklet <javascript:void(1>2)>; Second tag "
              "<http://second-tag.example/>; Orphan <http://orphan.example/>; Last <https://last.example/>; "
              "Folder {Inside <http://in.example/>}");
    const clsBookmark& marks = db.Marks(r.folder);
    EXPECT_EQ(marks.DescStr(marks.key(1)), "First line & more\nsecond line");
    EXPECT_EQ(marks.DescStr(marks.key(2)), "Imported from Netscape");
    EXPECT_EQ(marks.At(1).added, OleFromUnix(1500000000));
    EXPECT_EQ(marks.At(1).Touched, OleFromUnix(1600000000));
}

TEST_F(NetscapeTest, TheFileIsDecodedByItsMarkOrDeclaredCharset) {
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("<DT><A HREF=\"http://u.example/\">wide</A>\n"))
        utf16 += {c, '\0'};
    const struct {
        const char* name;
        std::string file, title;
    } cases[] = {
        {"declared",
         "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=ISO-8859-2\">\n"
         "<DT><A HREF=\"http://pl.example/\">\xB9koda</A>\n",
         "\xC5\xA1koda"},
        {"not UTF-8: Windows-1252", "<DT><A HREF=\"http://w.example/\">\x93q\x94 \xE9t\xE9</A>\n",
         "\xE2\x80\x9Cq\xE2\x80\x9D \xC3\xA9t\xC3\xA9"},
        {"UTF-16 by its byte-order mark", utf16, "wide"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Outline(Import(c.file).folder), c.title);
    }

    const std::size_t before = Children(kRootFolder).size();
    ExchangeResult missing = ImportNetscape(db, tmp.file("none.htm"));
    EXPECT_EQ(std::tie(missing.ok, missing.message), std::tuple(false, ""));
    EXPECT_EQ(Children(kRootFolder).size(), before);
}

TEST_F(NetscapeTest, AFullFolderTableStopsTheImportAndKeepsWhatWasFiled) {
    // Leave room for the import root and two more folders.
    while (db.FolderSlots() < kMaxFolderSlots - 3)
        ASSERT_NE(db.AddFolder("filler", kUnsortedFolder, FolderKind::Ordinary), 0);
    ExchangeResult r =
        Import("<DL><p>\n"
               "<DT><A HREF=\"http://zero.example/\">Zero</A>\n"
               "<DT><H3>F1</H3>\n<DL><p>\n<DT><A HREF=\"http://one.example/\">One</A>\n</DL><p>\n"
               "<DT><H3>F2</H3>\n<DL><p>\n<DT><A HREF=\"http://two.example/\">Two</A>\n</DL><p>\n"
               "<DT><H3>F3</H3>\n<DL><p>\n<DT><A HREF=\"http://three.example/\">Three</A>\n</DL><p>\n"
               "</DL><p>\n");
    EXPECT_TRUE(r.warning);
    EXPECT_NE(r.message.find("32767"), std::string::npos) << r.message;
    EXPECT_EQ(std::pair(r.folders, r.bookmarks), std::pair(3, 3));
    EXPECT_EQ(Outline(Child(kRootFolder, "Imported from Netscape")), "Zero; F1 {One}; F2 {Two}");
    std::string error;
    EXPECT_TRUE(db.Save(&error)) << error;
}

TEST_F(NetscapeTest, ExportWritesTheLineTableAndKeepsTheOldFileAsBackupOnce) {
    const std::int16_t folder = db.AddFolder("Food", kRootFolder, FolderKind::Ordinary);
    AddMark(folder, "Fish & <Chips> \xC3\xA9", "http://x.example/?q=\"1\"&r=2", "Fried & <hot>\n  twice");
    db.Marks(folder).At(1).added = OleFromUnix(1500000000);
    db.Marks(folder).At(1).Touched = OleFromUnix(1600000000);
    const std::int16_t sub = db.AddFolder("Sub", folder, FolderKind::Ordinary);
    db.Folder(sub).Created = OleFromUnix(1400000000);
    // A text the program filed by itself says nothing to a browser.
    AddMark(sub, "Y", "http://y.example/", kFavoritesImportDescription);
    db.Marks(sub).At(1).added = OleFromUnix(1300000000);
    db.Marks(sub).At(1).Touched = OleFromUnix(1300000001);
    db.Folder(db.AddFolder("Empty", folder, FolderKind::Ordinary)).Created = OleFromUnix(1400000000);
    db.Marks(sub).Kill(AddMark(sub, "Gone", "http://gone.example/"), true);
    // Folder dates are seconds since 1970 like the bookmarks' (a date text reads as none).
    const std::vector<std::string> expected = {
        "<DL><p>",
        "    <DT><H3 FOLDED ADD_DATE=\"0\">Vireo</H3>",
        "    <DL><p>",
        "        <DT><A HREF=\"http://x.example/?q=&quot;1&quot;&amp;r=2\" ADD_DATE=\"1500000000\" "
        "LAST_VISIT=\"1600000000\" LAST_MODIFIED=\"1600000000\">Fish &amp; &lt;Chips&gt; \xC3\xA9</A>",
        "        <DD>Fried &amp; &lt;hot&gt;",
        "  twice",
        "        <DT><H3 FOLDED ADD_DATE=\"1400000000\">Sub</H3>",
        "        <DL><p>",
        "            <DT><A HREF=\"http://y.example/\" ADD_DATE=\"1300000000\" LAST_VISIT=\"1300000001\" "
        "LAST_MODIFIED=\"1300000001\">Y</A>",
        "        </DL><p>",
        "        <DT><H3 FOLDED ADD_DATE=\"1400000000\">Empty</H3>",
        "        <DL><p>",
        "        </DL><p>",
        "    </DL><p>",
        "</DL><p>",
    };
    const std::string block = NetscapeExportBlock(db, folder);
    EXPECT_EQ(CrLfLines(block), expected);

    // The first export into a file keeps the old one as backup; later ones append.
    const std::string file = tmp.file("bookmark.htm");
    WriteText(file, "ORIGINAL");
    ExchangeResult r = ExportNetscape(db, folder, file);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(ReadText(file), block);
    ASSERT_TRUE(ExportNetscape(db, sub, file).ok);
    EXPECT_EQ(ReadText(tmp.file("bookmark.bak")), "ORIGINAL");
    EXPECT_FALSE(ExportNetscape(db, 0, file).ok);
    EXPECT_EQ(ReadText(file), block + NetscapeExportBlock(db, sub));
}

TEST_F(NetscapeTest, DatesSurviveTheRoundTripAcrossClockChanges) {
    // Dates are stored in local time: days on which the clocks change must convert as
    // exactly as any other day.
    ::setenv("TZ", "Europe/Berlin", 1);
    ::tzset();
    const std::vector<std::int64_t> dates = {1616893199, 1616893200, 1616896800, 1616929200, 1635634800,
                                             1635645600, 1635678000, 1500000000, 1500003600, 946684800};
    std::string file;
    std::vector<std::string> attributes;
    std::vector<OleDate> expected;
    for (std::int64_t d : dates) {
        attributes.push_back("ADD_DATE=\"" + std::to_string(d) + "\" LAST_VISIT=\"" + std::to_string(d + 60) +
                             "\"");
        file += "<DT><A HREF=\"http://d.example/\" " + attributes.back() + ">x</A>\n";
        expected.push_back(OleFromUnix(d));
    }
    ExchangeResult r = Import(file);
    const std::string block = NetscapeExportBlock(db, r.folder);
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    const clsBookmark& marks = db.Marks(r.folder);
    ASSERT_EQ(marks.Total(), static_cast<std::int32_t>(dates.size()));
    for (std::size_t i = 0; i < dates.size(); ++i) {
        EXPECT_EQ(marks.At(static_cast<std::int32_t>(i) + 1).added, expected[i]) << dates[i];
        EXPECT_NE(block.find(attributes[i]), std::string::npos) << attributes[i];
    }
}

TEST_F(NetscapeTest, LongAddressesSurviveImportSaveReloadAndExportByteForByte) {
    // A bookmarklet of 5,000 characters and a 200 KB data: address, written the way our
    // export writes them, so that exporting the imported folder gives the same file.
    std::string bookmarklet = "javascript:(function(){var s='";
    while (bookmarklet.size() < 4990)
        bookmarklet += "a<b&&c>\"d\"&sect=1;";
    bookmarklet += "';})();";
    bookmarklet.resize(5000, ' ');
    std::string data = "data:text/html;charset=utf-8,";
    for (int i = 0; data.size() < 200 * 1024; ++i)
        data += "%3Cp%3E" + std::to_string(i) + "&copy=\xC3\xA9";
    std::string description(3000, 'd');
    description += " & more";
    const std::string header = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n"
                               "<!-- This file was written by Vireo. Web browsers import it as a bookmark "
                               "file. -->\r\n"
                               "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\r\n"
                               "<TITLE>Bookmarks</TITLE>\r\n"
                               "<H1>Bookmarks</H1>\r\n";
    auto line = [](const std::string& url, std::string_view title) {
        return "        <DT><A HREF=\"" + html::Escape(url) +
               "\" ADD_DATE=\"1500000000\" LAST_VISIT=\"1600000000\" LAST_MODIFIED=\"1600000000\">" +
               std::string(title) + "</A>\r\n";
    };
    const std::string file = header +
                             "<DL><p>\r\n    <DT><H3 FOLDED ADD_DATE=\"0\">Vireo</H3>\r\n    <DL><p>\r\n" +
                             line(bookmarklet, "Bookmarklet") + "        <DD>" + html::Escape(description) +
                             "\r\n" + line(data, "Data") + "    </DL><p>\r\n</DL><p>\r\n";
    ExchangeResult r = Import(file);
    EXPECT_EQ(std::pair(r.message, r.warning), std::pair(std::string(), false)) << "nothing was cut";
    std::string error;
    ASSERT_TRUE(db.Save(&error)) << error;
    db.Close();
    ASSERT_TRUE(db.Open(tmp.file("data"), &error)) << error;
    const std::int16_t product = Child(Child(kRootFolder, kNetscapeImportFolder), "Vireo");
    const std::string out = tmp.file("again.html");
    ASSERT_TRUE(ExportNetscapeFile(db, product, out).ok);
    EXPECT_TRUE(ReadText(out) == file) << "the exported file differs from the imported one";
}

TEST_F(NetscapeTest, LineBreaksInAnAddressNeverBecomeLinesOfTheFilesItIsWrittenTo) {
    // Entities make line breaks in an address; written raw, they would give a shortcut
    // file keys and sections of their own (an IconFile on a network share leaks the
    // user's credentials) and break the bookmark line of an exported file.
    ExchangeResult r = Import("<DT><A HREF=\"http://h/a&#10;IconFile=/etc/passwd&#13;&#10;[X]\">t</A>\n"
                              "<DT><A HREF=\"http://h/b" +
                              std::string(1, '\0') + "c\">nul</A>\n");
    const std::string first = "http://h/a%0AIconFile=/etc/passwd%0D%0A[X]";
    const std::string second = "http://h/b%00c";
    EXPECT_EQ(Urls(r.folder), (std::vector<std::string>{first, second}));
    // A database written before kept such an address raw.
    AddMark(r.folder, "old", "http://placeholder/");
    BookmarkRecord& old = db.Marks(r.folder).At(3);
    old.url = db.Memo().SetMemo(old.url, "http://h/o\nIconFile=\\\\s\\x\r\n[Y]");
    const std::string third = "http://h/o%0AIconFile=\\\\s\\x%0D%0A[Y]";

    fs::path favorites = tmp.path() / "Favorites";
    fs::create_directories(favorites);
    ASSERT_TRUE(ExportFavorites(db, r.folder, favorites.string()).ok);
    EXPECT_EQ(ReadText(favorites / "Vireo" / "t.url"), ShortcutFileText(first));
    EXPECT_EQ(ReadText(favorites / "Vireo" / "nul.url"), ShortcutFileText(second));
    EXPECT_EQ(ReadText(favorites / "Vireo" / "old.url"), ShortcutFileText(third));

    std::string exported = tmp.file("out.html");
    ASSERT_TRUE(ExportNetscapeFile(db, r.folder, exported).ok);
    for (const std::string& line : CrLfLines(ReadText(exported))) {
        EXPECT_EQ(line.find_first_of(std::string_view("\r\n\0", 3)), std::string::npos) << line;
        EXPECT_FALSE(line.starts_with("IconFile") || line.starts_with("[")) << line;
    }
    ExchangeResult back = Import(ReadText(exported));
    EXPECT_EQ(Urls(Child(back.folder, "Vireo")), (std::vector<std::string>{first, second, third}));
}

TEST_F(NetscapeTest, TextsLongerThanAMemoKeepsAreCutAndCounted) {
    std::string huge = "data:text/plain," + std::string(kMaxMemoBytes + 10, 'x');
    std::string file = "<DL><p>\n<DT><A HREF=\"" + huge + "\">Huge</A>\n<DD>" +
                       std::string(kMaxMemoBytes + 100, 'y') + "\n<DT><A HREF=\"" + huge + "\">" +
                       std::string(kMaxMemoBytes + 1, 'z') +
                       "</A>\n<DT><A HREF=\"http://short.example/\">Short</A>\n</DL>\n";
    ExchangeResult r = Import(file);
    EXPECT_EQ(std::pair(r.bookmarks, r.warning), std::pair(3, true));
    EXPECT_EQ(r.message, "4 texts were longer than 1 MiB and were cut to that length.");
    const clsBookmark& marks = db.Marks(r.folder);
    ASSERT_EQ(marks.Total(), 3);
    EXPECT_EQ(db.Memo().GetMemo(marks.At(1).url), huge.substr(0, kMaxMemoBytes));
    EXPECT_EQ(db.Memo().GetMemo(marks.At(1).Description).size(), kMaxMemoBytes);
    EXPECT_EQ(db.Memo().GetMemo(marks.At(3).url), "http://short.example/");
    // One cut alone reads as one.
    ExchangeResult one = Import("<DT><A HREF=\"" + huge + "\">Huge</A>\n");
    EXPECT_EQ(one.message, "1 text was longer than 1 MiB and was cut to that length.");
}

} // namespace
} // namespace vireo::test

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "interchange/exchange_fixture.h"
#include "interchange/html_import.h"
#include "interchange/html_text.h"
#include "interchange/html_view.h"
#include "store/ole_date.h"

namespace vireo::test {
namespace {

namespace fs = std::filesystem;

TEST(HtmlText, LinksTakeTheFirstQuotedValueAndEntitiesEscapesAndTagsReadRight) {
    // A line, the address and text found in it; no address when no link is.
    const std::tuple<std::string_view, std::string, std::string> cases[] = {
        {"<a href=\"http://a.example/\">A site</a>", "http://a.example/", "A site"},
        {"<A HREF=\"http://a.example/\">One</A> <A HREF=\"http://b.example/\">Two</A>", "http://a.example/",
         "One"},
        {"<p align=\"center\"><a href=\"http://c.example/\">C</a>", "center",
         "<a href=\"http://c.example/\">C"},
        {"<a href=\"http://img.example/\"><img src=\"x\"></a>", "http://img.example/", ""},
        {"<a href=\"http://wrap.example/\">Text that goes on", "http://wrap.example/", ""},
        {"<a href=\"http://empty.example/\"></a>", "http://empty.example/", ""},
        {"<a href=http://unquoted.example/>U</a>", "", ""},
        {"<a href=\"\">Nothing</a>", "", ""},
        {"no link here \"quoted\"", "", ""},
    };
    for (const auto& [line, address, text] : cases) {
        std::string a, t;
        EXPECT_EQ(ParseLink(line, a, t), !address.empty()) << line;
        EXPECT_EQ(std::pair(a, t), std::pair(address, text)) << line;
    }

    EXPECT_EQ(StripTags("<b><i>Deep</i></b>"), "Deep");
    EXPECT_EQ(StripTags("Before<br>after"), "Before");
    EXPECT_EQ(StripTags("<b unclosed"), "");

    // Entities, escapes and tags as the page readers and writers share them.
    EXPECT_EQ(html::DecodeEntities("a &amp; b &lt;c&gt; &quot;d&quot; &#39;e&#39; &#x263A; &#8364;", true),
              "a & b <c> \"d\" 'e' \xE2\x98\xBA \xE2\x82\xAC");
    EXPECT_EQ(html::DecodeEntities("x?a=1&amp;b=2&center=3&lt=4&#38", false), "x?a=1&b=2&center=3&lt=4&#38");
    EXPECT_EQ(html::DecodeEntities("AT&T &amp &#0; &#150;", true), "AT&T & \xEF\xBF\xBD \xE2\x80\x93");
    // Numbers 128 to 159 name Windows-1252 characters, to the last; surrogates are no characters.
    EXPECT_EQ(html::DecodeEntities("&#128;&#159;&#xD800;&#160;", true),
              "\xE2\x82\xAC\xC5\xB8\xEF\xBF\xBD\xC2\xA0");
    EXPECT_EQ(html::Escape("<a href=\"x\">&</a>"), "&lt;a href=&quot;x&quot;&gt;&amp;&lt;/a&gt;");
    std::string_view line = "<A HREF=\"a>b\" X='c>d' Y=e>title";
    EXPECT_EQ(html::TagEnd(line, 0), line.find("e>") + 1);
    std::string_view v;
    ASSERT_TRUE(html::TagAttribute(line.substr(0, html::TagEnd(line, 0) + 1), "X", v));
    EXPECT_EQ(v, "c>d");
    ASSERT_TRUE(html::TagAttribute(line.substr(0, html::TagEnd(line, 0) + 1), "Y", v));
    EXPECT_EQ(v, "e");
    EXPECT_FALSE(html::TagAttribute("<A NAME=\"HREF\">", "HREF", v));
}

struct HtmlPageTest : ExchangeFixture {
    void SetUp() override {
        ExchangeFixture::SetUp();
        // The program folder with the three images the pages show.
        fs::create_directories(tmp.path() / "program" / "image");
        for (const char* name : {"MarkHead.gif", "div.gif", "tabback.gif"})
            WriteText((tmp.path() / "program" / "image" / name).string(), std::string("GIF89a-") + name);
        setenv("VIREO_PROGRAM_DIR", (tmp.path() / "program").c_str(), 1);
    }
    void TearDown() override { unsetenv("VIREO_PROGRAM_DIR"); }
};

TEST_F(HtmlPageTest, WebLinksAreFiledInAFolderNamedAfterTheFileAndOnlyThem) {
    std::string page = tmp.file("links page.html");
    WriteText(page, "<html><body>\r\n"
                    "<a href=\"http://plain.example/\"><b>Plain</b> site</a>\r\n"
                    "<a href=\"https://secure.example/?a=1&amp;b=2\">Secure &amp; sound</a>\n"
                    "<a href=\"HTTP://CAPS.EXAMPLE/\">Capitals</a>\n"
                    "<a href=\"mailto:someone@example.com\">Mail</a>\n"
                    "<a href=\"http://picture.example/\"><img src=\"pic.png\"></a>\n"
                    "</body></html>");
    std::int16_t target = db.AddFolder("Target", kRootFolder, FolderKind::Ordinary);
    CountingList list;
    db.SetServices(StoreServices{nullptr, nullptr, nullptr, &list, nullptr});
    ExchangeResult r = ImportHtml(db, page, target);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.bookmarks, 3);
    EXPECT_EQ(list.fills, 1);
    ASSERT_EQ(r.folder, Child(target, "links page.html"));
    EXPECT_EQ(FolderKindOf(db.Folder(r.folder)), FolderKind::Imported);
    EXPECT_EQ(Outline(r.folder, true),
              "Plain <http://plain.example/>; Secure & sound "
              "<https://secure.example/?a=1&b=2>; pic.png <http://picture.example/>");
    EXPECT_EQ(First(r.folder).Flags, kFlagsHtml);
    EXPECT_EQ(db.Memo().GetMemo(First(r.folder).Description), "Imported from HTML");

    // A page without web links creates nothing.
    WriteText(page, "<html><a href=\"ftp://files.example/\">FTP</a></html>");
    std::size_t before = Children(kRootFolder).size();
    r = ImportHtml(db, page, kRootFolder);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.message.empty());
    EXPECT_EQ(Children(kRootFolder).size(), before);
    // A folder that does not exist stands for the top folder.
    WriteText(page, "<a href=\"http://x.example/\">X</a>");
    ExchangeResult top = ImportHtml(db, page, 999);
    ASSERT_TRUE(top.ok);
    EXPECT_EQ(db.Folder(top.folder).Parent, kRootFolder);
}

TEST_F(HtmlPageTest, FolderAndSearchViewsEscapeNumberByPositionAndShowRanks) {
    ScopedClock clock([] { return OleFromUnix(1700000000); });
    std::int16_t folder = db.AddFolder("Birds & Bees", kSearchResultsFolder, FolderKind::SearchResults);
    db.Folder(folder).SearchQuery.Set("birds & bees");
    db.Folder(folder).Created = OleFromUnix(1650000000);
    for (int i = 1; i <= 4; ++i) {
        const std::string n = std::to_string(i);
        AddMark(folder, "Hit <" + n + ">", "http://hit" + n + ".example/?a=1&b=\"2\"", "About <" + n + ">");
        db.Marks(folder).At(i).Rank = static_cast<std::int16_t>(100 - i);
    }
    db.Marks(folder).Kill(db.Marks(folder).key(2), true);

    // The folder view lists every bookmark on one line.
    std::string file = tmp.file("view.htm");
    EXPECT_EQ(SaveFolderView(db, file, folder), 3);
    std::vector<std::string> lines = CrLfLines(ReadText(file));
    ASSERT_EQ(lines.size(), 21u);
    EXPECT_EQ(lines[2], std::string(kCharsetMeta));
    EXPECT_EQ(lines[8], "<p><strong><font face=\"Arial\">Exported " +
                            FormatGeneralDate(OleFromUnix(1700000000)) +
                            " from \"Birds &amp; Bees\"</font></strong></p>");
    auto link = [](int i) {
        const std::string n = std::to_string(i);
        return "<a href=\"http://hit" + n + ".example/?a=1&amp;b=&quot;2&quot;\">Hit &lt;" + n +
               "&gt;</a><br>";
    };
    EXPECT_EQ(lines[13], "<br>" + link(1) + link(3) + link(4));
    // The images go beside the page, in the data folder or in a folder of its own.
    fs::create_directories(tmp.path() / "published");
    std::string elsewhere = (tmp.path() / "published" / "garden.htm").string();
    EXPECT_EQ(SaveFolderView(db, elsewhere, folder), 3);
    for (const char* name : {"MarkHead.gif", "div.gif", "tabback.gif"}) {
        EXPECT_EQ(ReadText((fs::path(db.DBPath()) / name).string()), std::string("GIF89a-") + name);
        EXPECT_TRUE(fs::exists(tmp.path() / "published" / name)) << name;
    }
    std::int16_t empty = db.AddFolder("Empty", kRootFolder, FolderKind::Ordinary);
    std::string none = tmp.file("none.htm");
    EXPECT_EQ(SaveFolderView(db, none, empty), 0);
    EXPECT_FALSE(fs::exists(none));

    // The search view, chosen for a folder of search results, numbers its rows by position.
    file = tmp.file("search.htm");
    EXPECT_EQ(SaveView(db, file, folder), 3);
    lines = CrLfLines(ReadText(file));
    ASSERT_EQ(lines.size(), 18u + 3 * 14 + 5);
    EXPECT_EQ(lines[8], "<p><strong><font face=\"Arial\">Search: birds &amp; bees</font></strong><br>");
    EXPECT_EQ(lines[9], "<strong><font face=\"Arial\">Date: " + FormatGeneralDate(OleFromUnix(1650000000)) +
                            "</font></strong></p>");
    // Rows of 14 lines from line 18: number, title link, description, address, rank.
    EXPECT_EQ(lines[23], "<font size=\"2\">About &lt;1&gt;</font><br>");
    // The rank's font names its face and size apart.
    EXPECT_EQ(lines[28], "<td width=\"30\" valign=\"top\" align=\"center\"><font face=\"Verdana, Arial, "
                         "Helvetica\" size=\"-1\"><b>");
    EXPECT_EQ(lines[29], "99");
    // Numbered by position: the deleted second bookmark leaves a gap.
    EXPECT_NE(lines[18 + 28 + 1].find(">4</font>"), std::string::npos) << lines[47];
    EXPECT_EQ(lines[18 + 28 + 11], "96");
}

} // namespace
} // namespace vireo::test

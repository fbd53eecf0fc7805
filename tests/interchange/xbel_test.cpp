// SPDX-License-Identifier: GPL-3.0-or-later
// XBEL files as KDE's programs and the sync tools write them, and files that only pretend
// to be XBEL or try to make the reader fetch or expand more than the file holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <tuple>

#include "exchange_fixture.h"
#include "interchange/xbel.h"
#include "interchange/xbel_exchange.h"

namespace vireo {
namespace {

xbel::Document MustParse(std::string_view text) {
    xbel::Document doc;
    std::string error;
    EXPECT_TRUE(xbel::Parse(text, doc, error)) << error;
    EXPECT_EQ(error, "");
    return doc;
}

// Every field of every item, children included.
bool SameItems(const std::vector<xbel::Node>& a, const std::vector<xbel::Node>& b) {
    auto same = [](const xbel::Node& x, const xbel::Node& y) {
        return std::tie(x.folder, x.id, x.title, x.url, x.desc, x.added, x.modified) ==
                   std::tie(y.folder, y.id, y.title, y.url, y.desc, y.added, y.modified) &&
               SameItems(x.children, y.children);
    };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), same);
}

TEST(Xbel, ReadsKdeFilesWithTheirMetadataEntitiesAndDates) {
    // As the KDE bookmark editor writes it, plus what hand-edited and older files hold: a
    // CDATA section, internal entities (in attributes too), character references, a
    // separator, an alias, an element of no known kind, dates in several ISO 8601 forms.
    const xbel::Document doc = MustParse(R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE xbel [ <!ENTITY team "Caf&#233; crew"> <!ENTITY host "a.example"> ]>
<xbel xmlns:bookmark="http://www.freedesktop.org/standards/desktop-bookmarks"
      xmlns:mime="http://www.freedesktop.org/standards/shared-mime-info" version="1.0">
 <title>My &amp; your marks</title>
 <info><metadata owner="http://www.kde.org"><kde_places_version>4</kde_places_version></metadata></info>
 <folder folded="no" id="f1" added="2021-03-04T05:06:07Z">
  <title>Caf&#xE9; &lt;b&gt; &#x1F600; Ελληνικά</title>
  <desc>About &team;</desc>
  <info><metadata owner="http://freedesktop.org"><bookmark:icon name="folder"/>
   <bookmark href="https://hidden.example/">not an XBEL bookmark</bookmark></metadata></info>
  <bookmark href="https://&host;/?x=1&amp;y=&#50;" id="b1" added="2021-03-04T05:06:07.250+02:00"
            modified="2021-03-04">
   <title><![CDATA[<raw> & text]]></title>
   <desc>line one
line two</desc>
  </bookmark>
  <separator/>
  <alias ref="b1"/>
  <widget><bookmark href="https://inside-unknown.example/"><title>no</title></bookmark></widget>
  <folder><title/>
   <bookmark href="https://b.example/" added="1600000000" modified="garbage"><title>  spaced  </title></bookmark>
  </folder>
 </folder>
 <bookmark href="file:///home/me/a%20b.txt"><title>&team;</title></bookmark>
</xbel>)");
    EXPECT_EQ(std::tie(doc.title, doc.highestId), std::tuple("My & your marks", -1));
    const std::vector<xbel::Node> expected = {
        {.folder = true,
         .id = "f1",
         .title = "Caf\u00e9 <b> \U0001F600 \u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac",
         .desc = "About Caf\u00e9 crew",
         .added = 1614834367,
         .children =
             {{.id = "b1",
               .title = "<raw> & text",
               .url = "https://a.example/?x=1&y=2",
               .desc = "line one\nline two",
               .added = 1614834367 - 7200,
               .modified = 1614816000},
              {.folder = true,
               .children = {{.title = "  spaced  ", .url = "https://b.example/", .added = 1600000000}}}}},
        {.title = "Caf\u00e9 crew", .url = "file:///home/me/a%20b.txt"},
    };
    EXPECT_TRUE(SameItems(doc.items, expected));

    // A file in another encoding arrives as UTF-8.
    const xbel::Document latin =
        MustParse("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
                  "<xbel><bookmark href=\"https://l.example/\"><title>Caf\xe9</title>"
                  "</bookmark></xbel>");
    EXPECT_TRUE(SameItems(latin.items, {{.title = "Caf\u00e9", .url = "https://l.example/"}}));

    // Dates in the forms writers use.
    EXPECT_EQ(xbel::ParseDate("1970-01-02T00:00:00Z"), 86400);
    EXPECT_EQ(xbel::ParseDate("2024-02-29T23:59:59Z"), 1709251199);
    EXPECT_EQ(xbel::ParseDate("2024-02-29T23:59:59.999999"), 1709251199);
    EXPECT_EQ(xbel::ParseDate("2024-03-01T01:30:00+0130"), 1709251200);
    EXPECT_EQ(xbel::ParseDate("2024-02-29T22:00-02"), 1709251200);
    EXPECT_EQ(xbel::ParseDate(" 2024-03-01 "), 1709251200);
    for (const char* bad : {"", "yesterday", "2024-13-01", "2024-02-29T25:00:00Z", "2024-02-29T10:00:00Q",
                            "1969-12-31T00:00:00Z", "99999999999999999999", "2024-3-1", "-5"})
        EXPECT_EQ(xbel::ParseDate(bad), 0) << bad;
    EXPECT_EQ(xbel::FormatDate(1709251199), "2024-02-29T23:59:59Z");
    EXPECT_EQ(xbel::ParseDate(xbel::FormatDate(4102444800)), 4102444800);
}

TEST(Xbel, FloccusFilesKeepTheirIdsAndCounterThroughARoundTrip) {
    // Everything a tree can hold, a sync tool's ids and counter too, survives writing in
    // that tool's form and reading back, texts to the byte.
    xbel::Document doc{.title = "Top \"<&>\"", .highestId = 7};
    doc.items = {{.folder = true,
                  .id = "2",
                  .title = "Caf\u00e9 & <co> 'q' \"dq\" \U0001F600",
                  .desc = "two\r\nlines\tand a tab",
                  .added = 1700000000,
                  .children = {{.id = "5",
                                .url = "https://e.example/?a=1&b=\"2\"<3>",
                                .desc = "]]> --> <!-- &amp;",
                                .added = 1600000001,
                                .modified = 1600000002},
                               {.folder = true}}},
                 {.title = "top", .url = "https://top.example/"}};
    const std::string text = xbel::Serialize(doc);
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE xbel PUBLIC ", 0), 0u)
        << text;
    EXPECT_NE(text.find("<xbel version=\"1.0\">\n  <!--- highestId :7: for Floccus bookmark sync browser "
                        "extension -->"),
              std::string::npos)
        << text;
    const xbel::Document back = MustParse(text);
    EXPECT_EQ(std::tie(back.title, back.highestId), std::tie(doc.title, doc.highestId));
    EXPECT_TRUE(SameItems(back.items, doc.items)) << text;
    // No id attribute for items without one, and no counter comment without a counter.
    EXPECT_EQ(text.find("id=\"\""), std::string::npos);
    doc.highestId = -1;
    EXPECT_EQ(xbel::Serialize(doc).find("highestId"), std::string::npos);

    // Texts that XML cannot hold as they are (control characters, bytes that are no
    // UTF-8 from files of older versions) still give a file that reads back.
    xbel::Document odd;
    odd.items.push_back(
        {.title = std::string("bell\x07 nul") + '\0' + " caf\xe9", .url = "https://odd.example/\x01"});
    const xbel::Document oddBack = MustParse(xbel::Serialize(odd));
    EXPECT_TRUE(SameItems(oddBack.items, {{.title = "bell nul caf\u00e9", .url = "https://odd.example/"}}));
}

TEST(Xbel, RefusesWhatIsNotXbelAndSaysWhyNeverFetchingOrExplodingEntities) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "well-formed"},
        {"<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p><DT><A HREF=\"https://a/\">a</A>\n</DL>",
         "well-formed"},
        {"<xbel><folder><title>cut", "line 1"},
        {"<?xml version=\"1.0\"?><html><body/></html>", "<html>"},
        {"<x:xbel xmlns:x=\"urn:other\"/>", "<xbel>"},
        {std::string(300, '\0'), "well-formed"},
    };
    for (const auto& [text, why] : cases) {
        xbel::Document doc;
        doc.title = "left over";
        std::string error;
        EXPECT_FALSE(xbel::Parse(text, doc, error)) << text;
        EXPECT_NE(error.find(why), std::string::npos) << error;
        EXPECT_EQ(doc.title, "");
    }

    // The reader never fetches a file or expands entities past a budget.
    test::TempDir tmp;
    const std::string secret = tmp.file("secret.txt");
    std::ofstream(secret) << "TOP-SECRET";
    const std::string dtd = tmp.file("evil.dtd");
    std::ofstream(dtd) << "<!ENTITY leak \"TOP-SECRET\">";
    // An external DTD, read for its entities, would leak a file; entities nested nine deep
    // ten to a level would swell to gigabytes. Each file is refused or read without them.
    std::string laughs = "<!ENTITY l0 \"lol\">";
    for (int i = 1; i < 10; ++i) {
        laughs += "<!ENTITY l" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k)
            laughs += "&l" + std::to_string(i - 1) + ";";
        laughs += "\">";
    }
    for (const auto& [doctype, title] :
         {std::pair("SYSTEM \"file://" + dtd + "\" [<!ENTITY % pe SYSTEM \"file://" + dtd + "\"> %pe;]",
                    "&leak;"),
          std::pair("[" + laughs + "]", "&l9;")}) {
        xbel::Document doc;
        std::string error;
        if (xbel::Parse("<?xml version=\"1.0\"?>\n<!DOCTYPE xbel " + doctype +
                            ">\n<xbel><bookmark href=\"https://a.example/\"><title>" + title +
                            "</title></bookmark></xbel>",
                        doc, error))
            EXPECT_TRUE(SameItems(doc.items, {{.url = "https://a.example/"}})) << title;
        else
            EXPECT_NE(error, "");
    }

    // A sound file whose entity names a file on this machine is read without it, and a
    // thousand bytes referenced twenty thousand times are read only up to a budget.
    std::string refs;
    for (int i = 0; i < 20000; ++i)
        refs += "&big;";
    const xbel::Document plain =
        MustParse("<?xml version=\"1.0\"?>\n<!DOCTYPE xbel [ <!ENTITY ext SYSTEM \"file://" + secret +
                  "\"> <!ENTITY big \"" + std::string(1000, 'x') +
                  "\"> ]>\n<xbel><bookmark href=\"https://a.example/\">"
                  "<title>x&ext;y</title><desc>&ext;" +
                  refs + "</desc></bookmark></xbel>");
    ASSERT_EQ(plain.items.size(), 1u);
    EXPECT_EQ(std::tie(plain.items[0].title, plain.items[0].url), std::tuple("xy", "https://a.example/"));
    EXPECT_LE(plain.items[0].desc.size(), std::size_t{16} << 20);
    EXPECT_EQ(plain.items[0].desc.find_first_not_of('x'), std::string::npos);

    // Nesting past the limit is refused, not followed; just within it is read.
    auto nested = [](int depth) {
        std::string open, close;
        for (int i = 0; i < depth; ++i) {
            open += "<folder>";
            close += "</folder>";
        }
        return "<xbel>" + open + "<bookmark href=\"https://deep.example/\"/>" + close + "</xbel>";
    };
    xbel::Document doc;
    std::string error;
    EXPECT_TRUE(xbel::Parse(nested(xbel::kMaxDepth), doc, error)) << error;
    EXPECT_FALSE(xbel::Parse(nested(xbel::kMaxDepth + 1), doc, error));
    EXPECT_NE(error.find("nested"), std::string::npos) << error;
    EXPECT_TRUE(doc.items.empty());
}

using XbelExchange = test::ExchangeFixture;

TEST_F(XbelExchange, ImportsTheTreeExportsItBackUnchangedAndRefusesFilesWithoutBookmarks) {
    const std::string file = tmp.file("bookmarks.xbel");
    test::WriteText(file, R"(<?xml version="1.0"?>
<!DOCTYPE xbel>
<xbel><title>KDE</title>
 <bookmark href="https://top.example/" added="2020-01-02T03:04:05Z"><title>Top</title><desc>Mine &amp; yours</desc></bookmark>
 <separator/>
 <folder><title>Work</title>
  <bookmark href="https://w.example/"><title></title></bookmark>
  <bookmark><title>no address</title></bookmark>
  <folder><title>Deep</title><bookmark href="https://d.example/"><title>D</title></bookmark></folder>
 </folder>
</xbel>)");
    ExchangeResult r = ImportXbel(db, file);
    ASSERT_EQ(std::pair(r.ok, r.message), std::pair(true, std::string()));
    EXPECT_EQ(std::pair(r.folders, r.bookmarks), std::pair(3, 3));
    EXPECT_EQ(r.folder, Child(kRootFolder, "Imported from XBEL"));
    EXPECT_EQ(FolderKindOf(db.Folder(r.folder)), FolderKind::Imported);
    // A bookmark without a name is named by its address; one without an address is none.
    EXPECT_EQ(Outline(r.folder, true), "Top <https://top.example/>; Work {https://w.example/ "
                                       "<https://w.example/>; Deep {D <https://d.example/>}}");
    EXPECT_EQ(First(r.folder).Flags, kFlagsXbel);
    EXPECT_EQ(db.Memo().GetMemo(First(Child(r.folder, "Work")).Description), "Imported from XBEL");

    // Exported and read again: the same tree, the program's own descriptions left out,
    // the trash too.
    AddMark(kTrashFolder, "deleted", "https://deleted.example/");
    const std::string out = tmp.file("out.xbel");
    ExchangeResult e = ExportXbel(db, r.folder, out);
    ASSERT_TRUE(e.ok) << e.message;
    EXPECT_EQ(std::pair(e.folders, e.bookmarks), std::pair(2, 3));
    const std::string text = test::ReadText(out);
    EXPECT_EQ(text.find("Imported from XBEL</desc>"), std::string::npos) << text;
    xbel::Document doc = MustParse(text);
    EXPECT_EQ(doc.title, "Imported from XBEL");
    ASSERT_EQ(doc.items.size(), 2u);
    EXPECT_EQ(std::tie(doc.items[0].url, doc.items[0].desc, doc.items[0].added),
              std::tuple("https://top.example/", "Mine & yours", 1577934245));
    ASSERT_EQ(doc.items[1].children.size(), 2u);
    EXPECT_EQ(doc.items[1].children[1].title, "Deep");
    ExchangeResult whole = ExportXbel(db, kRootFolder, out);
    ASSERT_TRUE(whole.ok) << whole.message;
    EXPECT_EQ(test::ReadText(out).find("deleted.example"), std::string::npos);
    EXPECT_FALSE(ExportXbel(db, 999, out).ok);

    // Files without bookmarks are refused and leave the database alone.
    const std::size_t before = Children(kRootFolder).size();
    for (auto [text, why] :
         {std::pair("<html><body><a href=\"https://a/\">a</a></body></html>", "not an XBEL"),
          std::pair("<xbel><folder><title>E</title><separator/></folder></xbel>", "holds no bookmarks")}) {
        test::WriteText(file, text);
        ExchangeResult bad = ImportXbel(db, file);
        EXPECT_EQ(std::pair(bad.ok, bad.warning), std::pair(false, true));
        EXPECT_NE(bad.message.find(why), std::string::npos) << bad.message;
    }
    EXPECT_FALSE(ImportXbel(db, tmp.file("missing.xbel")).ok);
    EXPECT_EQ(Children(kRootFolder).size(), before);
}

} // namespace
} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
// XBEL files as KDE's programs and the sync tools write them, and files that only pretend
// to be XBEL or try to make the reader fetch or expand more than the file holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <tuple>

#include "../test_support.h"
#include "exchange_fixture.h"
#include "interchange/xbel.h"
#include "interchange/xbel_exchange.h"
#include "store/ole_date.h"

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
    EXPECT_EQ(doc.title, "My & your marks");
    EXPECT_EQ(doc.highestId, -1);
    ASSERT_EQ(doc.items.size(), 2u);
    const xbel::Node& f = doc.items[0];
    EXPECT_TRUE(f.folder);
    EXPECT_EQ(f.id, "f1");
    EXPECT_EQ(f.title, "Caf\u00e9 <b> \U0001F600 \u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac");
    EXPECT_EQ(f.desc, "About Caf\u00e9 crew");
    EXPECT_EQ(f.added, 1614834367);
    ASSERT_EQ(f.children.size(), 2u);
    const xbel::Node& b = f.children[0];
    EXPECT_FALSE(b.folder);
    EXPECT_EQ(b.id, "b1");
    EXPECT_EQ(b.url, "https://a.example/?x=1&y=2");
    EXPECT_EQ(b.title, "<raw> & text");
    EXPECT_EQ(b.desc, "line one\nline two");
    EXPECT_EQ(b.added, 1614834367 - 7200);
    EXPECT_EQ(b.modified, 1614816000);
    const xbel::Node& sub = f.children[1];
    EXPECT_TRUE(sub.folder);
    EXPECT_EQ(sub.title, "");
    ASSERT_EQ(sub.children.size(), 1u);
    EXPECT_EQ(sub.children[0].title, "  spaced  ");
    EXPECT_EQ(sub.children[0].added, 1600000000);
    EXPECT_EQ(sub.children[0].modified, 0);
    EXPECT_EQ(doc.items[1].url, "file:///home/me/a%20b.txt");
    EXPECT_EQ(doc.items[1].title, "Caf\u00e9 crew");

    // A file in another encoding arrives as UTF-8.
    const xbel::Document latin =
        MustParse("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
                  "<xbel><bookmark href=\"https://l.example/\"><title>Caf\xe9</title>"
                  "</bookmark></xbel>");
    ASSERT_EQ(latin.items.size(), 1u);
    EXPECT_EQ(latin.items[0].title, "Caf\u00e9");
}

TEST(Xbel, FloccusFilesKeepTheirIdsAndCounterThroughARoundTrip) {
    const xbel::Document read = MustParse(R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE xbel PUBLIC "+//IDN python.org//DTD XML Bookmark Exchange Language 1.0//EN//XML"
                       "http://pyxml.sourceforge.net/topics/dtds/xbel.dtd">
<xbel version="1.0">
<!--- highestId :42: for Floccus bookmark sync browser extension -->
<folder id="3"><title>Bar</title><bookmark href="https://x.example/" id="41"><title>X</title></bookmark></folder>
</xbel>)");
    EXPECT_EQ(read.highestId, 42);
    ASSERT_EQ(read.items.size(), 1u);
    EXPECT_EQ(read.items[0].id, "3");
    ASSERT_EQ(read.items[0].children.size(), 1u);
    EXPECT_EQ(read.items[0].children[0].id, "41");

    // Everything a tree can hold survives writing and reading back, texts to the byte.
    xbel::Document doc;
    doc.title = "Top \"<&>\"";
    doc.highestId = 7;
    xbel::Node folder;
    folder.folder = true;
    folder.id = "2";
    folder.title = "Caf\u00e9 & <co> 'q' \"dq\" \U0001F600";
    folder.desc = "two\r\nlines\tand a tab";
    folder.added = 1700000000;
    xbel::Node mark;
    mark.id = "5";
    mark.title = "";
    mark.url = "https://e.example/?a=1&b=\"2\"<3>";
    mark.desc = "]]> --> <!-- &amp;";
    mark.added = 1600000001;
    mark.modified = 1600000002;
    folder.children.push_back(mark);
    xbel::Node empty;
    empty.folder = true;
    folder.children.push_back(empty);
    doc.items.push_back(folder);
    xbel::Node top;
    top.url = "https://top.example/";
    top.title = "top";
    doc.items.push_back(top);

    const std::string text = xbel::Serialize(doc);
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE xbel PUBLIC ", 0), 0u)
        << text;
    EXPECT_NE(text.find("<xbel version=\"1.0\">\n  <!--- highestId :7: for Floccus bookmark sync browser "
                        "extension -->"),
              std::string::npos)
        << text;
    const xbel::Document back = MustParse(text);
    EXPECT_EQ(back.title, doc.title);
    EXPECT_EQ(back.highestId, 7);
    EXPECT_TRUE(SameItems(back.items, doc.items)) << text;
    // No id attribute for items without one, and no counter comment without a counter.
    EXPECT_EQ(text.find("id=\"\""), std::string::npos);
    doc.highestId = -1;
    EXPECT_EQ(xbel::Serialize(doc).find("highestId"), std::string::npos);

    // Texts that XML cannot hold as they are (control characters, bytes that are no
    // UTF-8 from files of older versions) still give a file that reads back.
    xbel::Document odd;
    xbel::Node bad;
    bad.title = std::string("bell\x07 nul") + '\0' + " caf\xe9";
    bad.url = "https://odd.example/\x01";
    odd.items.push_back(bad);
    const xbel::Document oddBack = MustParse(xbel::Serialize(odd));
    ASSERT_EQ(oddBack.items.size(), 1u);
    EXPECT_EQ(oddBack.items[0].title, "bell nul caf\u00e9");
    EXPECT_EQ(oddBack.items[0].url, "https://odd.example/");
}

TEST(Xbel, RefusesWhatIsNotXbelAndSaysWhy) {
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

    // Nesting past the limit is refused, not followed; just within it is read.
    auto nested = [](int depth) {
        std::string s = "<xbel>";
        for (int i = 0; i < depth; ++i)
            s += "<folder>";
        s += "<bookmark href=\"https://deep.example/\"/>";
        for (int i = 0; i < depth; ++i)
            s += "</folder>";
        return s + "</xbel>";
    };
    xbel::Document doc;
    std::string error;
    EXPECT_TRUE(xbel::Parse(nested(xbel::kMaxDepth), doc, error)) << error;
    EXPECT_FALSE(xbel::Parse(nested(xbel::kMaxDepth + 1), doc, error));
    EXPECT_NE(error.find("nested"), std::string::npos) << error;
    EXPECT_TRUE(doc.items.empty());
}

TEST(Xbel, NeverFetchesOrExplodesEntities) {
    test::TempDir tmp;
    const std::string secret = tmp.file("secret.txt");
    std::ofstream(secret) << "TOP-SECRET";
    const std::string dtd = tmp.file("evil.dtd");
    std::ofstream(dtd) << "<!ENTITY leak \"TOP-SECRET\">";
    // An external entity, an external DTD with a parameter entity, and an entity that
    // expands a thousandfold a thousand times.
    const std::string text = "<?xml version=\"1.0\"?>\n<!DOCTYPE xbel SYSTEM \"file://" + dtd +
                             "\" [\n <!ENTITY ext SYSTEM \"file://" + secret + "\">\n" +
                             " <!ENTITY % pe SYSTEM \"file://" + dtd + "\"> %pe;\n" + " <!ENTITY big \"" +
                             std::string(1000, 'x') + "\">\n]>\n" +
                             "<xbel><bookmark href=\"https://a.example/&ext;\"><title>&ext;&leak;</title>"
                             "<desc>" +
                             [] {
                                 std::string refs;
                                 for (int i = 0; i < 20000; ++i)
                                     refs += "&big;";
                                 return refs;
                             }() +
                             "</desc></bookmark></xbel>";
    xbel::Document doc;
    std::string error;
    if (xbel::Parse(text, doc, error)) {
        ASSERT_EQ(doc.items.size(), 1u);
        EXPECT_EQ(doc.items[0].title.find("TOP-SECRET"), std::string::npos);
        EXPECT_EQ(doc.items[0].url.find("TOP-SECRET"), std::string::npos);
        EXPECT_LE(doc.items[0].desc.size(), std::size_t{16} << 20);
    } else {
        EXPECT_NE(error, "");
    }

    // A sound file whose entity names a file on this machine is read without it.
    const xbel::Document plain =
        MustParse("<?xml version=\"1.0\"?>\n<!DOCTYPE xbel [ <!ENTITY ext SYSTEM \"file://" + secret +
                  "\"> ]>\n<xbel><bookmark href=\"https://a.example/\">"
                  "<title>x&ext;y</title><desc>&ext;</desc></bookmark></xbel>");
    ASSERT_EQ(plain.items.size(), 1u);
    EXPECT_EQ(plain.items[0].title, "xy");
    EXPECT_EQ(plain.items[0].desc, "");

    // The classic nested expansion: refused or read small, never gigabytes.
    std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE xbel [<!ENTITY l0 \"lol\">";
    for (int i = 1; i < 10; ++i)
        laughs += "<!ENTITY l" + std::to_string(i) + " \"" + [&] {
            std::string s;
            for (int k = 0; k < 10; ++k)
                s += "&l" + std::to_string(i - 1) + ";";
            return s;
        }() + "\">";
    laughs += "]><xbel><bookmark href=\"https://l.example/\"><title>&l9;</title></bookmark></xbel>";
    if (xbel::Parse(laughs, doc, error)) {
        ASSERT_EQ(doc.items.size(), 1u);
        EXPECT_LT(doc.items[0].title.size(), 1000u);
    }
}

TEST(Xbel, DatesInTheFormsWritersUse) {
    EXPECT_EQ(xbel::ParseDate("1970-01-02T00:00:00Z"), 86400);
    EXPECT_EQ(xbel::ParseDate("2024-02-29T23:59:59Z"), 1709251199);
    EXPECT_EQ(xbel::ParseDate("2024-02-29T23:59:59.999999"), 1709251199);
    EXPECT_EQ(xbel::ParseDate("2024-03-01T01:30:00+0130"), 1709251200);
    EXPECT_EQ(xbel::ParseDate("2024-02-29T22:00-02"), 1709251200);
    EXPECT_EQ(xbel::ParseDate(" 2024-03-01 "), 1709251200);
    EXPECT_EQ(xbel::ParseDate("1709251200"), 1709251200);
    for (const char* bad : {"", "yesterday", "2024-13-01", "2024-02-29T25:00:00Z", "2024-02-29T10:00:00Q",
                            "1969-12-31T00:00:00Z", "99999999999999999999", "2024-3-1", "-5"})
        EXPECT_EQ(xbel::ParseDate(bad), 0) << bad;
    EXPECT_EQ(xbel::FormatDate(1709251199), "2024-02-29T23:59:59Z");
    EXPECT_EQ(xbel::ParseDate(xbel::FormatDate(4102444800)), 4102444800);
}

using XbelExchange = test::ExchangeFixture;

TEST_F(XbelExchange, ImportsTheTreeAndExportsItBackUnchanged) {
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
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.message, "");
    EXPECT_EQ(r.bookmarks, 3);
    EXPECT_EQ(r.folders, 3);
    EXPECT_EQ(db.FolderName(r.folder), "Imported from XBEL");
    EXPECT_EQ(db.Folder(r.folder).Parent, kRootFolder);
    EXPECT_EQ(FolderKindOf(db.Folder(r.folder)), FolderKind::Imported);
    EXPECT_EQ(Titles(r.folder), std::vector<std::string>{"Top"});
    EXPECT_EQ(db.Marks(r.folder).DescStr(First(r.folder).key), "Mine & yours");
    EXPECT_EQ(First(r.folder).Flags, kFlagsXbel);
    EXPECT_EQ(OleToUnix(First(r.folder).added), 1577934245);
    const std::int16_t work = Child(r.folder, "Work");
    ASSERT_NE(work, 0);
    // A bookmark without a name is named by its address; one without an address is none.
    EXPECT_EQ(Titles(work), std::vector<std::string>{"https://w.example/"});
    EXPECT_EQ(db.Marks(work).DescStr(First(work).key), "Imported from XBEL");
    const std::int16_t deep = Child(work, "Deep");
    EXPECT_EQ(Urls(deep), std::vector<std::string>{"https://d.example/"});

    // Exported and read again: the same tree, the program's own descriptions left out,
    // the trash too.
    AddMark(kTrashFolder, "deleted", "https://deleted.example/");
    const std::string out = tmp.file("out.xbel");
    ExchangeResult e = ExportXbel(db, r.folder, out);
    ASSERT_TRUE(e.ok) << e.message;
    EXPECT_EQ(e.bookmarks, 3);
    EXPECT_EQ(e.folders, 2);
    const std::string text = test::ReadText(out);
    EXPECT_EQ(text.find("Imported from XBEL</desc>"), std::string::npos) << text;
    xbel::Document doc = MustParse(text);
    EXPECT_EQ(doc.title, "Imported from XBEL");
    ASSERT_EQ(doc.items.size(), 2u);
    EXPECT_EQ(doc.items[0].url, "https://top.example/");
    EXPECT_EQ(doc.items[0].desc, "Mine & yours");
    EXPECT_EQ(doc.items[0].added, 1577934245);
    ASSERT_EQ(doc.items[1].children.size(), 2u);
    EXPECT_EQ(doc.items[1].children[1].title, "Deep");
    ExchangeResult whole = ExportXbel(db, kRootFolder, out);
    ASSERT_TRUE(whole.ok) << whole.message;
    EXPECT_EQ(test::ReadText(out).find("deleted.example"), std::string::npos);
    EXPECT_FALSE(ExportXbel(db, 999, out).ok);
}

TEST_F(XbelExchange, RefusesFilesWithoutBookmarksAndLeavesTheDatabaseAlone) {
    const std::int32_t before = static_cast<std::int32_t>(Children(kRootFolder).size());
    const std::pair<std::string, std::string> cases[] = {
        {"<html><body><a href=\"https://a/\">a</a></body></html>", "not an XBEL"},
        {"<xbel><folder><title>Empty</title><separator/></folder></xbel>", "holds no bookmarks"},
        {"<xbel><bookmark href=\"https://a/\">", "not an XBEL"},
    };
    for (const auto& [text, why] : cases) {
        const std::string file = tmp.file("bad.xbel");
        test::WriteText(file, text);
        ExchangeResult r = ImportXbel(db, file);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.warning);
        EXPECT_NE(r.message.find(why), std::string::npos) << r.message;
    }
    EXPECT_FALSE(ImportXbel(db, tmp.file("missing.xbel")).ok);
    EXPECT_EQ(static_cast<std::int32_t>(Children(kRootFolder).size()), before);
}

} // namespace
} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
// Addresses holding "&name" where name is one of the entity names HTML readers decode
// even without a semicolon ("&sect=", "&copy=", "&not="...) must come back exactly from
// every page we write, read by an HTML reader that is not ours and by our own importers.

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "interchange/exchange_fixture.h"
#include "interchange/home_page.h"
#include "interchange/html_import.h"
#include "interchange/html_view.h"
#include "interchange/netscape.h"

namespace vireo::test {
namespace {

// Every entity name that HTML decodes without its closing semicolon.
const std::vector<std::string> kLegacyNames = {
    "AElig",  "AMP",    "Aacute", "Acirc",  "Agrave", "Aring",  "Atilde", "Auml",  "COPY",   "Ccedil",
    "ETH",    "Eacute", "Ecirc",  "Egrave", "Euml",   "GT",     "Iacute", "Icirc", "Igrave", "Iuml",
    "LT",     "Ntilde", "Oacute", "Ocirc",  "Ograve", "Oslash", "Otilde", "Ouml",  "QUOT",   "REG",
    "THORN",  "Uacute", "Ucirc",  "Ugrave", "Uuml",   "Yacute", "aacute", "acirc", "acute",  "aelig",
    "agrave", "amp",    "aring",  "atilde", "auml",   "brvbar", "ccedil", "cedil", "cent",   "copy",
    "curren", "deg",    "divide", "eacute", "ecirc",  "egrave", "eth",    "euml",  "frac12", "frac14",
    "frac34", "gt",     "iacute", "icirc",  "iexcl",  "igrave", "iquest", "iuml",  "laquo",  "lt",
    "macr",   "micro",  "middot", "nbsp",   "not",    "ntilde", "oacute", "ocirc", "ograve", "ordf",
    "ordm",   "oslash", "otilde", "ouml",   "para",   "plusmn", "pound",  "quot",  "raquo",  "reg",
    "sect",   "shy",    "sup1",   "sup2",   "sup3",   "szlig",  "thorn",  "times", "uacute", "ucirc",
    "ugrave", "uml",    "uuml",   "yacute", "yen",    "yuml",
};

// Prints, for each file named, the decoded href of every <a> tag, one a line, a line "--"
// after each file, and last the legacy entity names the reader knows.
constexpr std::string_view kReader = R"(import sys, html.entities
from html.parser import HTMLParser
class Links(HTMLParser):
    def handle_starttag(self, tag, attrs):
        for name, value in attrs:
            if tag == "a" and name == "href":
                print(value or "")
for path in sys.argv[1:]:
    with open(path, encoding="utf-8") as f:
        Links().feed(f.read())
    print("--")
print(" ".join(sorted(k for k in html.entities.html5 if not k.endswith(";"))))
)";

bool HasPython() {
    return std::system("command -v python3 >/dev/null 2>&1") == 0;
}

struct AddressEscapeTest : ExchangeFixture {
    // The addresses as the independent reader read them from each file, and the names
    // it knows.
    std::vector<std::vector<std::string>> ReadWithPython(const std::vector<std::string>& files,
                                                         std::string& names) {
        WriteText(tmp.file("links.py"), kReader);
        std::string command = "python3 '" + tmp.file("links.py") + "'";
        for (const std::string& f : files)
            command += " '" + f + "'";
        command += " >'" + tmp.file("links.txt") + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        std::vector<std::vector<std::string>> result(1);
        std::istringstream in(ReadText(tmp.file("links.txt")));
        for (std::string line; std::getline(in, line);) {
            if (line == "--")
                result.emplace_back();
            else
                result.back().push_back(line);
        }
        names = result.back().empty() ? "" : result.back().front();
        result.resize(files.size());
        return result;
    }

    std::vector<std::string> Ours(const std::vector<std::string>& all) const {
        std::vector<std::string> out;
        for (const std::string& a : all) {
            if (a.rfind("https://e.example/", 0) == 0)
                out.push_back(a);
        }
        return out;
    }
};

TEST_F(AddressEscapeTest, AddressesComeBackExactlyFromEveryPageWeWrite) {
    std::vector<std::string> addresses;
    for (const std::string& n : kLegacyNames)
        addresses.push_back("https://e.example/p?x=1&" + n + "=2&" + n + "&" + n + ";&y" + n + "z&" + n);
    addresses.push_back("https://e.example/q?a=\"b\"&c=<d>&e=&amp;&amp&lt;&lt&#169;&#xA9&#38;");
    addresses.push_back(
        "https://e.example/section?page=1&section=2&copy=3&para=4&not=5&reg=6&times=7&curren=8");

    std::int16_t top = db.AddFolder("Top", kRootFolder, FolderKind::Ordinary);
    std::int16_t folder = db.AddFolder("Links", top, FolderKind::Ordinary);
    for (std::size_t i = 0; i < addresses.size(); ++i)
        AddMark(folder, "Link " + std::to_string(i), addresses[i]);
    AddMark(top, "Last", addresses.back());

    std::string netscape = tmp.file("bookmarks.html");
    ASSERT_TRUE(ExportNetscapeFile(db, folder, netscape).ok);
    std::string view = tmp.file("view.html");
    ASSERT_GT(SaveFolderView(db, view, folder, nullptr), 0);
    std::string search = tmp.file("search.html");
    ASSERT_GT(SaveSearchView(db, search, folder, nullptr), 0);
    std::string home = tmp.file("home.html");
    WriteText(home, HomePageText(db, top, DefaultScheme(), "Default"));

    std::vector<std::string> twice;
    for (const std::string& a : addresses) {
        twice.push_back(a);
        twice.push_back(a);
    }
    std::vector<std::string> onHome = addresses;
    onHome.push_back(addresses.back());

    if (HasPython()) {
        std::string names;
        auto read = ReadWithPython({netscape, view, search, home}, names);
        std::string ourNames;
        for (const std::string& n : kLegacyNames)
            ourNames += (ourNames.empty() ? "" : " ") + n;
        EXPECT_EQ(names, ourNames) << "the list of names decoded without a semicolon is not complete";
        EXPECT_EQ(read[0], addresses) << "the bookmark file";
        EXPECT_EQ(Ours(read[1]), addresses) << "the folder view";
        EXPECT_EQ(Ours(read[2]), twice) << "the search view";
        EXPECT_EQ(Ours(read[3]), onHome) << "the home page";
    } else {
        std::cout << "python3 is not installed: only our own importers read the pages back\n";
    }

    // Our own importers read the same files back.
    ExchangeResult r = ImportNetscape(db, netscape);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(Urls(Child(r.folder, "Vireo")), addresses);
    r = ImportHtml(db, search, kRootFolder);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(Ours(Urls(r.folder)), twice);
    if (!HasPython())
        GTEST_SKIP() << "python3 is not installed: no independent HTML reader";
}

} // namespace
} // namespace vireo::test

// SPDX-License-Identifier: GPL-3.0-or-later
// Addresses holding "&name" where name is one of the entity names HTML readers decode
// even without a semicolon ("&sect=", "&copy=", "&not="...) must come back exactly from
// every page we write, read by an HTML reader that is not ours.

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "interchange/exchange_fixture.h"
#include "interchange/home_page.h"
#include "interchange/html_view.h"
#include "interchange/netscape.h"

namespace vireo::test {
namespace {

// Names that HTML decodes even without their closing semicolon: markup, letters, signs
// and fractions, in both letter cases.
const std::vector<std::string> kLegacyNames = {"AMP",    "COPY", "THORN", "amp",   "copy", "curren", "eacute",
                                               "frac12", "lt",   "micro", "nbsp",  "not",  "para",   "quot",
                                               "reg",    "sect", "sup2",  "times", "yuml"};

// Prints the decoded href of every <a> tag of the file named, one a line.
constexpr std::string_view kReader = R"(import sys
from html.parser import HTMLParser
class Links(HTMLParser):
    def handle_starttag(self, tag, attrs):
        for name, value in attrs:
            if tag == "a" and name == "href":
                print(value or "")
with open(sys.argv[1], encoding="utf-8") as f:
    Links().feed(f.read())
)";

struct AddressEscapeTest : ExchangeFixture {
    // The test's own addresses as the independent reader reads them from the file.
    std::vector<std::string> ReadWithPython(const std::string& file) {
        WriteText(tmp.file("links.py"), kReader);
        const std::string command =
            "python3 '" + tmp.file("links.py") + "' '" + file + "' >'" + tmp.file("links.txt") + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        std::vector<std::string> links;
        std::istringstream in(ReadText(tmp.file("links.txt")));
        for (std::string line; std::getline(in, line);) {
            if (line.starts_with("https://e.example/"))
                links.push_back(line);
        }
        return links;
    }
};

TEST_F(AddressEscapeTest, AddressesComeBackExactlyFromEveryPageWeWrite) {
    if (std::system("command -v python3 >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "python3 is not installed: no independent HTML reader";
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

    EXPECT_EQ(ReadWithPython(netscape), addresses) << "the bookmark file";
    EXPECT_EQ(ReadWithPython(view), addresses) << "the folder view";
    EXPECT_EQ(ReadWithPython(search), twice) << "the search view";
    EXPECT_EQ(ReadWithPython(home), onHome) << "the home page";
}

} // namespace
} // namespace vireo::test

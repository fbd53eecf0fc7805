// SPDX-License-Identifier: GPL-3.0-or-later
// Every engine we ship: its script reads, its requests carry the query and page the way
// the service documents them, and a page written after the service's documented answer
// gives the hits a user expects.

#include <filesystem>

#include "engine_test_support.h"

namespace vireo::orn::test {
namespace {

namespace fs = std::filesystem;

// The source tree's resources/ is a program folder: it holds engines/.
std::string ProgramFolder() {
    const char* data = std::getenv("VIREO_TEST_DATA"); // <source>/tests/data
    return (fs::path(data ? data : "tests/data").parent_path().parent_path() / "resources").string();
}
EngineScript Shipped(const std::string& file) {
    EngineScript s;
    std::string error;
    EXPECT_TRUE(ReadEngineScript(ProgramFolder() + "/engines/" + file, s, &error)) << file << ": " << error;
    return s;
}

struct EngineCase {
    std::string script;  // file under resources/engines
    std::string fixture; // file under tests/data/ornsearch
    std::string contentType;
    // The address of the second page of ten for the query "C++ & café"; the fixture is read
    // as the page that came from there.
    std::string page2;
    std::string hits; // a line each: "title | address | snippet"
    // The script's Url the fixture is a page of (from 0). The page is read as an answer to
    // the first Url, as engines answer one form's request with another form's page.
    int form = 0;
    std::string body2 = {};  // the second page's form body, for engines that post
    std::string header = {}; // one the service asks for
};

// "C++ & café" as every engine must receive it.
constexpr char kQ[] = "C%2B%2B%20%26%20caf%C3%A9";

std::vector<EngineCase> Cases() {
    const std::string q = kQ;
    // Hits two services share, each read from its own page.
    const std::string mdn =
        "MDN | https://developer.mozilla.org/en-US/docs/Web/XML/Guides/OpenSearch | The format.\n";
    const std::string social =
        "Social bookmarking - Wikipedia | https://en.wikipedia.org/wiki/Social_bookmarking | A service.\n"
        "FAQ \xE2\x80\x93 Which bookmark manager? | http://links.example.net/faq.html#manager | Tools.\n";
    const std::string zx =
        "The \"ZX Spectrum\" Home Page | http://www.example.com/~zx/spectrum.html | ZX games & links.\n";
    const std::string retro = "Retro Computing: ZX | https://retro.example.org/zx/ | 8-bit home computers.\n";
    return {
        {"duckduckgo.xml", "duckduckgo.html", "text/html; charset=UTF-8", "https://html.duckduckgo.com/html/",
         "References and Borrowing | https://doc.rust-lang.org/book/ch04-02-references-and-borrowing.html | "
         "The borrow checker checks either way.\n"
         "NLL & you | https://blog.example.com/2021/03/non-lexical-lifetimes?ref=ddg&lang=en | "
         "Since Rust 2018\xE2\x80\xA6\n"
         "Rust - Wikipedia | https://en.wikipedia.org/wiki/Rust_(programming_language) | A language.\n",
         0, "q=" + q + "&s=10&kl=wt-wt"},
        {"duckduckgo.xml", "duckduckgo-lite.html", "text/html; charset=UTF-8",
         "https://lite.duckduckgo.com/lite/",
         "References and Borrowing | https://doc.rust-lang.org/book/ch04-02-references-and-borrowing.html | "
         "The borrow checker checks.\n"
         "NLL & you | https://blog.example.com/2021/03/nll?ref=ddg&lang=en | Since Rust 2018\xE2\x80\xA6\n",
         1, "q=" + q + "&s=10&kl=wt-wt"},
        {"mojeek.xml", "mojeek.html", "text/html; charset=UTF-8",
         "https://www.mojeek.com/search?q=" + q + "&s=11",
         "Bookmarks | https://www.example.org/bookmarks/ | An open source bookmark manager.\n" + social},
        {"bing.xml", "bing.rss", "application/rss+xml; charset=utf-8",
         "https://www.bing.com/search?q=" + q + "&format=rss&first=11",
         mdn +
             "opensearch/opensearch-1-1-draft-6.md at master \xC2\xB7 dewitt/opensearch | "
             "https://github.com/dewitt/opensearch/blob/master/opensearch-1-1-draft-6.md | Simple formats.\n"
             "Add a search engine & keep it \xE2\x80\x93 OpenSearch plugins | "
             "https://support.example.com/kb/opensearch?id=42&lang=en | Your site's search & a element.\n"},
        {"bing.xml", "bing.html", "text/html; charset=utf-8",
         "https://www.bing.com/search?q=" + q + "&first=11",
         mdn + "opensearch/opensearch-1-1-draft-6.md at master \xC2\xB7 dewitt/opensearch | "
               "https://github.com/dewitt/opensearch/blob/master/opensearch-1-1-draft-6.md | Mar 3, 2024 "
               "\xC2\xB7 Simple formats.\n"
               "Caf\xC3\xA9 search & friends | https://www.example.org/search?q=caf%C3%A9&lang=fr | "
               "Caf\xC3\xA9 descriptions.\n",
         1},
        {"brave.xml", "brave.html", "text/html; charset=utf-8",
         "https://search.brave.com/search?q=" + q + "&source=web&offset=1",
         "Rust Programming Language | https://www.rust-lang.org/ | A language for software.\n"
         "Rust | https://en.wikipedia.org/wiki/Rust_(programming_language) | March 5, 2024 - Safe & fast.\n"
         "The Book | https://doc.rust-lang.org/book/ | by Steve Klabnik.\n"},
        {"startpage.xml", "startpage.html", "text/html; charset=UTF-8",
         "https://www.startpage.com/sp/search?query=" + q + "&cat=web&page=2",
         "Bookmarks | https://www.example.org/bookmarks/ | An open source bookmark manager & more.\n" +
             social},
        {"yahoo.xml", "yahoo.html", "text/html; charset=UTF-8",
         "https://search.yahoo.com/search?p=" + q + "&b=11&ei=UTF-8",
         zx + "ZX Spectrum - Wikipedia | https://en.wikipedia.org/wiki/ZX_Spectrum | An 8-bit computer.\n" +
             retro},
        {"wikipedia.xml", "wikipedia.json", "application/json; charset=utf-8",
         "https://en.wikipedia.org/w/api.php?action=query&list=search&srsearch=" + q +
             "&sroffset=10&srlimit=10&srprop=snippet&format=json&formatversion=2&utf8=1",
         "Albert Einstein | https://en.wikipedia.org/?curid=736 | Albert Einstein \xE2\x80\x93 physicist\n"
         "Einstein family | https://en.wikipedia.org/?curid=2539366 | The Einsteins' family\n"
         "Hans Albert Einstein | https://en.wikipedia.org/?curid=1022870 | Son of Albert\n"},
        {"marginalia.xml", "marginalia.json", "application/json",
         "https://api2.marginalia-search.com/search?query=" + q + "&count=10&page=2",
         "Linear B: an introduction | https://www.example.edu/~smith/linearb/ | Notes on the script.\n"
         "Ancient Scripts: Linear B | http://ancientscripts.example.net/linear_b.html | 1952 & Greek.\n",
         0, "", "API-Key: public"},
        {"wiby.xml", "wiby.json", "application/json", "https://wiby.me/json/?q=" + q + "&p=2", zx + retro},
        {"hackernews.xml", "hackernews.json", "application/json; charset=utf-8",
         "https://hn.algolia.com/api/v1/search?query=" + q + "&tags=story&page=1&hitsPerPage=10",
         "Averages (Lisp) | http://www.paulgraham.com/avg.html | 160 points by pg, 42 comments\n"
         "Ask HN: Lisp? | https://news.ycombinator.com/item?id=5678 | 12 points by someone, 3 comments\n"
         // A comment is named after its story and links to itself.
         "Averages (Lisp) | https://news.ycombinator.com/item?id=1236 | Comment by ann: Macros & me. Yes.\n"},
        {"stackoverflow.xml", "stackoverflow.json", "application/json; charset=utf-8",
         "https://api.stackexchange.com/2.3/search/advanced?order=desc&sort=relevance&q=" + q +
             "&site=stackoverflow&page=2&pagesize=10",
         "Why is a sorted array faster? | https://stackoverflow.com/questions/11227809/sorted | "
         "c++, performance, optimization; 27362 votes, 25 answers\n"
         "\"x && y\" isn't bool? | https://stackoverflow.com/questions/77000001/x-amp-amp-y | "
         "c++, c; -1 votes, 0 answers\n"},
        {"github.xml", "github.json", "application/json; charset=utf-8",
         "https://api.github.com/search/repositories?q=" + q + "&per_page=10&page=2",
         "dtrupenn/Tetris | https://github.com/dtrupenn/Tetris | Tetris in C (Assembly, 1 stars)\n"
         "octocat/blocks | https://github.com/octocat/blocks | 80 stars\n",
         0, "", "Accept: application/vnd.github+json"},
        {"arxiv.xml", "arxiv.atom", "application/atom+xml; charset=utf-8",
         "https://export.arxiv.org/api/query?search_query=all:" + q + "&start=10&max_results=10",
         "Electrons at HERA | http://arxiv.org/abs/hep-ex/0307015v1 | Multi-electron production at HERA.\n"
         "Electron $g-2$ & alpha | http://arxiv.org/abs/2101.00001v2 | A moment & <predictions>.\n"},
        {"internetarchive.xml", "internetarchive.json", "application/json",
         "https://archive.org/advancedsearch.php?q=" + q +
             "&fl%5B%5D=identifier&fl%5B%5D=title&fl%5B%5D=description&rows=10&page=2&output=json",
         "Alice's adventures | https://archive.org/details/alicesadventures00carr | Carroll. Drawn.\n"
         "Alice (1951) | https://archive.org/details/alice_in_wonderland_1951 | Disney's film, restored.\n"},
        {"openlibrary.xml", "openlibrary.json", "application/json",
         "https://openlibrary.org/search.json?q=" + q +
             "&page=2&limit=10&fields=key,title,author_name,first_publish_year",
         "The Lord of the Rings | https://openlibrary.org/works/OL27448W | by J. R. R. Tolkien, 1954\n"
         "The Art | https://openlibrary.org/works/OL2698109W | by Gary Russell, Peter Jackson\n"
         "Lord of the rings & the hobbit | https://openlibrary.org/works/OL19384231W | \n"},
        {"crossref.xml", "crossref.json", "application/json",
         "https://api.crossref.org/works?query=" + q +
             "&rows=10&offset=10&select=DOI,URL,title,container-title,author,published",
         "Molecular Structure of Nucleic Acids | http://dx.doi.org/10.1038/171737a0 | WATSON: Nature, 1953\n"
         "The structure of H2O in ice | https://doi.org/10.1000/xyz123 | \n"},
        {"templates/searxng.xml", "searxng.json", "application/json",
         "https://searx.example.org/search?q=" + q + "&pageno=2&format=json",
         "Vireo - Wikipedia | https://en.wikipedia.org/wiki/Vireo | Small passerine birds.\n"
         "Red-eyed Vireo | https://www.allaboutbirds.example/guide/Red-eyed_Vireo | A songster & more.\n"},
    };
}

TEST(ShippedEngines, EachAsksAndReadsItsServiceAsDocumented) {
    for (const EngineCase& c : Cases()) {
        SCOPED_TRACE(c.script);
        EngineScript s = Shipped(c.script);
        ASSERT_TRUE(s.rules);

        bool more = false;
        PageRequest req = Request(s, "C++ & café", 10, 1, 10, &more, c.form);
        EXPECT_TRUE(more) << "every shipped engine pages";
        EXPECT_EQ(req.url, c.page2);
        EXPECT_EQ(req.body, c.body2);
        EXPECT_EQ(req.method, c.body2.empty() ? "GET" : "POST");
        EXPECT_EQ(req.contentType, c.body2.empty() ? "" : "application/x-www-form-urlencoded");
        EXPECT_TRUE(c.header.empty() ||
                    std::find(req.headers.begin(), req.headers.end(), c.header) != req.headers.end());

        // Asked for with any of the engine's forms, the page is read by the form it is a page of.
        for (int asked = 0; asked < FormCount(s); ++asked) {
            PageHits page = ExtractHits(s, ReadData(c.fixture), c.contentType, c.page2, asked);
            ASSERT_TRUE(page.ok) << page.error;
            EXPECT_EQ(page.form, c.form) << "asked with form " << asked;
            EXPECT_EQ(HitLines(page), c.hits);
        }
    }
}

// A page without hits is "nothing found" or the site refusing, never a changed page; the API
// engines' errors, empty lists and HTML answers are the extractor's, whatever the engine.
TEST(ShippedEngines, NoResultsIsNotABlockPage) {
    const std::string bot = ReadData("duckduckgo-blocked.html");
    const struct {
        const char* script;
        std::string page;
        const char* url;
        bool refused;
    } rows[] = {
        {"duckduckgo.xml", ReadData("duckduckgo-none.html"), "https://html.duckduckgo.com/html/", false},
        {"duckduckgo.xml", bot, "https://html.duckduckgo.com/html/", true},
        {"mojeek.xml", ReadData("mojeek-none.html"), "https://www.mojeek.com/search?q=x", false},
        {"mojeek.xml", bot, "https://www.mojeek.com/search", true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.script + std::string(" ") + r.url);
        PageHits page = ExtractHits(Shipped(r.script), r.page, "text/html", r.url);
        EXPECT_EQ(page.ok, !r.refused) << page.error;
        EXPECT_EQ(page.refused, r.refused) << page.error;
        EXPECT_TRUE(page.hits.empty());
    }
}

TEST(ShippedEngines, TheProgramFolderLoadsCleanly) {
    std::vector<std::string> problems;
    std::vector<EngineScript> engines = LoadEngines(ProgramFolder(), "", &problems);
    EXPECT_TRUE(problems.empty()) << problems.front();
    EXPECT_GE(engines.size(), 16u);
    for (const EngineScript& e : engines) {
        SCOPED_TRACE(e.id);
        EXPECT_LE(e.name.size(), 20u) << "the program's site table cuts names there";
        EXPECT_FALSE(e.description.empty());
        EXPECT_EQ(e.homePage.rfind("https://", 0), 0u) << e.homePage;
        EXPECT_NE(e.shortName, "searxng") << "the template has no real host and must not load";
    }
}

} // namespace
} // namespace vireo::orn::test

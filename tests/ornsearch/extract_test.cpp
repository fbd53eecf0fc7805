// SPDX-License-Identifier: GPL-3.0-or-later
// Taking hits out of result pages: what each kind of page gives, and what hostile or
// wrong pages must not do.

#include "engine_test_support.h"
#include "ornsearch/hit_text.h"

namespace vireo::orn::test {
namespace {

using namespace std::string_literals;

constexpr char kRss[] = R"(<ShortName>R</ShortName>
  <Url type="application/rss+xml" template="https://r.example/rss?q={searchTerms}"/>)";

constexpr char kJsonRules[] = R"(<ShortName>J</ShortName>
  <Url type="application/json" template="https://api.example.com/search?q={searchTerms}">
    <vireo:Json>
      <vireo:Results>data.hits</vireo:Results>
      <vireo:Error>error.info</vireo:Error>
      <vireo:Title>title</vireo:Title>
      <vireo:Title>name</vireo:Title>
      <vireo:Address>url</vireo:Address>
      <vireo:Address>https://news.example.com/item?id={id}</vireo:Address>
      <vireo:Snippet>{tags} by {author.name}</vireo:Snippet>
      <vireo:Snippet>text</vireo:Snippet>
      <vireo:Unwrap>url</vireo:Unwrap><vireo:Unwrap>uddg</vireo:Unwrap>
    </vireo:Json>
  </Url>)";

constexpr char kHtmlRules[] = R"(<ShortName>H</ShortName>
  <Url type="text/html" template="https://html.example.com/html/?q={searchTerms}">
    <vireo:Html>
      <vireo:ResultPage>//div[@id='links']</vireo:ResultPage>
      <vireo:NoResults>//div[contains(@class,'no-results')]</vireo:NoResults>
      <vireo:Result>//div[@id='links']/div[contains(concat(' ',@class,' '),' result ')]</vireo:Result>
      <vireo:Title>.//h2/a</vireo:Title>
      <vireo:Address>.//h2/a</vireo:Address>
      <vireo:Snippet>.//*[@class='snippet']</vireo:Snippet>
      <vireo:Unwrap>uddg</vireo:Unwrap>
    </vireo:Html>
  </Url>)";
constexpr char kHtmlUrl[] = "https://html.example.com/html/?q=x";

TEST(ExtractFeed, RssItemsAtomEntriesAndHostileFeeds) {
    EngineScript s = Script(kRss);
    PageHits page = ExtractHits(s, R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0"><channel><title>R: q</title><link>https://r.example/</link>
<item><title>First &amp;amp; &lt;b&gt;best&lt;/b&gt;</title><link>https://one.example/a?x=1&amp;y=2</link>
  <description>The &lt;em&gt;first&lt;/em&gt;   result.</description></item>
<item><title>Relative</title><link>/local/page</link><description/></item>
<item><title>By guid</title><guid>https://guid.example/p</guid></item>
<item><title>Not a web page</title><link>javascript:alert(1)</link></item>
<item><title></title><link>https://untitled.example/</link></item>
</channel></rss>)",
                                "application/rss+xml; charset=utf-8", "https://r.example/rss?q=x");
    ASSERT_TRUE(page.ok) << page.error;
    EXPECT_EQ(page.items, 5);
    // A hit without a title is named by its address.
    EXPECT_EQ(HitLines(page), "First & best | https://one.example/a?x=1&y=2 | The first result.\n"
                              "Relative | https://r.example/local/page | \n"
                              "By guid | https://guid.example/p | \n"
                              "https://untitled.example/ | https://untitled.example/ | \n");

    // An empty channel is a genuine "nothing found"; an HTML page is not a feed at all.
    page = ExtractHits(s, "<rss version='2.0'><channel><title>none</title></channel></rss>", "", "");
    EXPECT_TRUE(page.ok);
    EXPECT_TRUE(page.hits.empty());
    page = ExtractHits(s, "<html><body><p>Our new look</p></body></html>", "text/html", "https://r.example/");
    EXPECT_FALSE(page.ok);
    EXPECT_FALSE(page.refused);
    EXPECT_NE(page.error.find("not an RSS or Atom feed"), std::string::npos) << page.error;

    // Atom entries prefer their HTML page.
    page = ExtractHits(s, R"(<?xml version="1.0"?>
<feed xmlns="http://www.w3.org/2005/Atom">
  <entry>
    <title>A  title
      over two lines</title>
    <link title="pdf" href="https://a.example/pdf/1" rel="related" type="application/pdf"/>
    <link href="https://a.example/abs/1" rel="alternate" type="text/html"/>
    <summary type="html">&lt;p&gt;Escaped &amp;amp; marked up&lt;/p&gt;</summary>
  </entry>
  <entry><title type="xhtml"><div xmlns="http://www.w3.org/1999/xhtml"><b>In</b> <i>XHTML</i></div></title>
    <id>https://a.example/by-id</id><content>Plain &lt;tag&gt; stays</content></entry>
  <entry><title>No address</title><id>urn:uuid:1234</id></entry>
</feed>)",
                       "application/atom+xml", "https://a.example/atom");
    ASSERT_TRUE(page.ok) << page.error;
    EXPECT_EQ(page.items, 3);
    // A blank between elements separates words; text content is not markup.
    EXPECT_EQ(HitLines(page), "A title over two lines | https://a.example/abs/1 | Escaped & marked up\n"
                              "In XHTML | https://a.example/by-id | Plain <tag> stays\n");

    // Entities are not expanded, nor outside ones read (the engine scripts' parse is the same).
    std::string bomb = R"(<?xml version="1.0"?>
<!DOCTYPE rss [
 <!ENTITY a "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa">
 <!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;">
 <!ENTITY c "&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;">
 <!ENTITY secret SYSTEM "file:///etc/hostname">
]>
<rss version="2.0"><channel>
<item><title>&c;</title><link>https://x.example/</link><description>&secret;</description></item>
</channel></rss>)";
    page = ExtractHits(s, bomb, "application/rss+xml", "https://r.example/");
    if (page.ok) {
        for (const Hit& h : page.hits) {
            EXPECT_LE(h.title.size(), 4096u);
            EXPECT_TRUE(h.snippet.empty()) << "an outside file was read: " << h.snippet;
        }
    }
}

TEST(ExtractJson, FieldsAddressesBadBytesAndPagesThatAreNoResultList) {
    EngineScript s = Script(kJsonRules);
    PageHits page = ExtractHits(s, R"json({"data":{"total":3,"hits":[
        {"title":"Why is &quot;x&quot; <span class=\"searchmatch\">fast</span>?","url":"https://q.example/1",
         "tags":["c++","performance"],"author":{"name":"Ann"},"other":{"deep":[1,2,3]}},
        {"name":"Second","id":42,"text":"Only   text\u0000 here","url":null},
        {"title":"No address"},
        {"title":"Mail","url":"mailto:someone@example.com"},
        {"title":"upper","url":"HTTPS://Upper.Example/Path"},
        {"title":"spaces","url":"  https://s.example/a b/ü?x=1 2#frag#ment  "},
        {"title":"dots","url":"a/../docs/./page.html"},
        {"title":"nested","url":"/out?url=https%3A%2F%2Fduck.example%2Fl%2F%3Fuddg%3Dhttps%253A%252F%252Ffinal.example%252Fx"},
        {"title":"not web","url":"/out?url=javascript%3Aalert(1)"},
        {"title":"bad percent","url":"https://p.example/100%/x%zz"},
        {"title":"data","url":"data:text/html,hi"}
      ]},"meta":{"huge":[{"a":1},{"b":2}]}})json",
                                "application/json; charset=utf-8", "https://api.example.com/search?q=x");
    ASSERT_TRUE(page.ok) << page.error;
    EXPECT_EQ(page.items, 11);
    // A template with a missing value falls back to the next. Addresses come out absolute,
    // unwrapped and well-formed; a wrapper around something that is no web page stays.
    EXPECT_EQ(HitLines(page), "Why is \"x\" fast? | https://q.example/1 | c++, performance by Ann\n"
                              "Second | https://news.example.com/item?id=42 | Only text here\n"
                              "upper | https://Upper.Example/Path | \n"
                              "spaces | https://s.example/a%20b/%C3%BC?x=1%202#frag%23ment | \n"
                              "dots | https://api.example.com/docs/page.html | \n"
                              "nested | https://final.example/x | \n"
                              "not web | https://api.example.com/out?url=javascript%3Aalert(1) | \n"
                              "bad percent | https://p.example/100%25/x%25zz | \n");

    // Invalid UTF-8 costs the characters, not the page; every text handed out is UTF-8.
    std::string bad = "{\"data\":{\"hits\":[{\"title\":\"caf\xE9 \xF0\x9F\x98\x80 "
                      "ok\",\"url\":\"https://u.example/\xFF\"}]}}";
    page = ExtractHits(s, bad, "application/json", "");
    ASSERT_TRUE(page.ok) << page.error;
    ASSERT_EQ(page.hits.size(), 1u);
    EXPECT_EQ(page.hits[0].title, "caf\xEF\xBF\xBD \xF0\x9F\x98\x80 ok");
    EXPECT_EQ(page.hits[0].address, "https://u.example/%EF%BF%BD");
    // A lone surrogate escape costs its character, read or not; a pair is one character.
    page = ExtractHits(
        s, R"({"x":"\udc00","data":{"hits":[{"title":"\ud83d\ude00 \ud800!","url":"https://u.example/"}]}})",
        "application/json", "");
    ASSERT_TRUE(page.ok) << page.error;
    EXPECT_EQ(page.hits[0].title, "\xF0\x9F\x98\x80 \xEF\xBF\xBD!");

    // The reason given for a broken answer goes into the search log: a text cut short
    // there must not end in half a character, whichever byte the cut falls on.
    for (std::string lead : {"", "x"}) {
        std::string broken = "{\"data\":\"" + lead;
        for (int i = 0; i < 200; ++i)
            broken += "\xC3\xA9";
        page = ExtractHits(s, broken, "application/json", "");
        EXPECT_FALSE(page.ok);
        EXPECT_EQ(RepairUtf8(page.error), page.error) << "a character cut in half: " << page.error;
    }

    // Empty results, the service's errors, and pages that are no result list.
    const std::string html = "<!DOCTYPE html><html><body>Before you continue</body></html>";
    const struct {
        std::string body;
        bool ok;
        const char* reason; // in the error
        const char* type = "application/json";
    } rows[] = {
        {R"({"data":{"hits":[]}})", true, ""},
        {R"({"error":{"code":"maxlag","info":"Too many requests"}})", false, "Too many requests"},
        {R"({"data":{}})", false, "data.hits"},
        {html, false, "", "text/html; charset=utf-8"},
        {html, false, "", ""},
        {html, false, ""},
        {R"({"data":{"hits":[{"title":"a","url":"https://a.example/"})", false, ""},
        {R"({"data":{"hits":[{"title":"t","url":"https://d.example/","x":)" + std::string(100000, '[') +
             std::string(100000, ']') + "}]}}",
         false, "nested deeper"},
        // What is not read must still be JSON.
        {R"({"data":{"hits":[]}} x)", false, ""},
        {R"({"data":{"hits":[]},"n":01})", false, ""},
        {R"({"data":{"hits":[]},"s":"\q"})", false, ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.body.substr(0, 80) + " as " + r.type);
        page = ExtractHits(s, r.body, r.type, "");
        EXPECT_EQ(page.ok, r.ok) << page.error;
        EXPECT_EQ(page.items, 0);
        EXPECT_NE(page.error.find(r.reason), std::string::npos) << page.error;
    }
}

TEST(ExtractHtml, ResultsBasesBlockPagesCharsetsAndHostilePages) {
    EngineScript s = Script(kHtmlRules);
    PageHits page = ExtractHits(s, R"html(<!DOCTYPE html><html><head><title>x at Example</title></head><body>
<div id="links">
  <div class="result results_links"><h2><a href="//html.example.com/l/?uddg=https%3A%2F%2Fwww.target.example%2Fa%20b%3Fq%3D1%26r%3D2&amp;rut=abc">Target &amp; <b>Co</b></a></h2>
    <a class="snippet">The   target
    site &mdash; with <b>bold</b> words</a></div>
  <div class="result"><h2><a href="/relative/path">Relative</a></h2></div>
  <div class="result"><h2><a href="javascript:void(0)">Script</a></h2></div>
  <div class="result ad"><h2><a href="ftp://files.example/">Files</a></h2></div>
</div></body></html>)html",
                                "text/html; charset=UTF-8", kHtmlUrl);
    ASSERT_TRUE(page.ok) << page.error;
    EXPECT_EQ(page.items, 4);
    EXPECT_EQ(HitLines(page), "Target & Co | https://www.target.example/a%20b?q=1&r=2 | The target site "
                              "\xE2\x80\x94 with bold words\n"
                              "Relative | https://html.example.com/relative/path | \n");

    // A bot check or consent wall (also a page that went to a consent address) is the site
    // refusing; a page of a new design is not.
    const struct {
        const char* page;
        bool refused;
        const char* url = kHtmlUrl;
    } blocks[] = {
        {"<html><body><form id='challenge'>Are you a robot?</form></body></html>", true},
        {"<html><body><h1>Before you continue</h1><button>Accept all</button></body></html>", true},
        {"<html><body><p>Our systems have detected unusual traffic.</p></body></html>", true},
        {"<html><body><h1>Yahoo</h1></body></html>", true, "https://consent.yahoo.com/v2/collectConsent?s=3"},
        {"", false},
        {"<html><body><main><h1>Search, redesigned</h1></main></body></html>", false},
    };
    for (const auto& b : blocks) {
        PageHits blocked = ExtractHits(s, b.page, "text/html", b.url);
        EXPECT_FALSE(blocked.ok) << b.page;
        EXPECT_FALSE(blocked.error.empty());
        EXPECT_EQ(blocked.refused, b.refused) << b.page;
    }

    // Relative links follow the page's base, also one the parser has put in the body because
    // an element before it does not belong in a head.
    PageHits based = ExtractHits(s, R"(<html><head><title>t</title><div class="banner">Hi</div>
<base href="https://mirror.example/sub/"></head><body><div id="links">
<div class="result"><h2><a href="page.html">P</a></h2></div></div></body></html>)",
                                 "text/html", kHtmlUrl);
    ASSERT_TRUE(based.ok) << based.error;
    EXPECT_EQ(HitLines(based), "P | https://mirror.example/sub/page.html | \n");
    EXPECT_FALSE(ExtractHits(s, R"({"results":[]})", "application/json", kHtmlUrl).ok);

    // Scripts, styles and comments hide no results and add none.
    page = ExtractHits(s, R"html(<html><head>
<script>var t = '<div id="links"><div class="result"><h2><a href="https://fake.example/">Fake</a></h2></div></div>';</script>
<STYLE media="screen">div.result > h2 { color: red } /* </style in a comment */</STYLE >
<!-- <script> an old conditional comment, never closed here -->
</head><body><div id="links">
  <div class="result" title="<script>"><h2><a href="https://one.example/">One</a></h2>
    <p class="snippet">First <!-- hidden --> result</p></div>
  <div class="result"><h2><a href="https://two.example/">Two</a></h2><script>document.write("<p>x</p>")</script></div>
</div><script src="/tail.js"></script><script>unclosed at the end <div class="result">)html",
                       "text/html", kHtmlUrl);
    ASSERT_TRUE(page.ok) << page.error;
    EXPECT_EQ(HitLines(page), "One | https://one.example/ | First result\nTwo | https://two.example/ | \n");

    // Latin-1 named by the response, by the page itself, and bytes that are not UTF-8 in a
    // page that says it is.
    auto title = [&](const std::string& head, const std::string& text, const char* type) {
        page =
            ExtractHits(s,
                        "<html><head>" + head + "</head><body><div id=\"links\"><div class=\"result\"><h2>" +
                            "<a href=\"/r\">" + text + "</a></h2></div></div></body></html>",
                        type, kHtmlUrl);
        EXPECT_EQ(page.hits.size(), 1u) << page.error;
        return page.hits.empty() ? std::string() : page.hits[0].title;
    };
    EXPECT_EQ(title("", "Caf\xE9", "text/html; charset=ISO-8859-1"), "Caf\xC3\xA9");
    EXPECT_EQ(title("<meta charset=\"windows-1252\">", "\x93quoted\x94", "text/html"),
              "\xE2\x80\x9Cquoted\xE2\x80\x9D");
    const std::string bad = title("<meta charset=\"utf-8\">", "ok \xFF\xFE end", "text/html");
    EXPECT_NE(bad.find("ok"), std::string::npos);
    EXPECT_EQ(RepairUtf8(bad), bad) << "not valid UTF-8";
    // A NUL byte inside an attribute or a text ends neither the address nor the page.
    std::string withNul = "<html><body><div id=\"links\">"
                          "<div class=\"result\"><h2><a href=\"https://n.example/a"s +
                          '\0' + "b\">One" + '\0' + "x</a></h2></div>" +
                          "<div class=\"result\"><h2><a href=\"https://n.example/two\">Two</a></h2></div>"
                          "</div></body></html>";
    PageHits nul = ExtractHits(s, withNul, "text/html; charset=utf-8", kHtmlUrl);
    ASSERT_TRUE(nul.ok) << nul.error;
    EXPECT_EQ(HitLines(nul), "One\xEF\xBF\xBDx | https://n.example/a%EF%BF%BDb | \n"
                             "Two | https://n.example/two | \n");

    // A page past the size limit is read up to it; nesting without end is survived.
    std::string huge = "<html><body><div id=\"links\">";
    while (huge.size() < kMaxBody + 100000)
        huge += "<div class=\"result\"><h2><a href=\"https://h.example/" + std::to_string(huge.size()) +
                "\">Hit</a></h2></div>";
    PageHits cut = ExtractHits(s, huge, "text/html", kHtmlUrl);
    EXPECT_TRUE(cut.ok) << cut.error;
    EXPECT_EQ(cut.hits.size(), 1000u) << "a page gives at most 1000 hits";
    std::string deep = "<html><body><div id=\"links\">";
    for (int i = 0; i < 200000; ++i)
        deep += "<div><span>";
    PageHits nested = ExtractHits(s, deep, "text/html", kHtmlUrl);
    EXPECT_TRUE(nested.hits.empty());
}

} // namespace
} // namespace vireo::orn::test

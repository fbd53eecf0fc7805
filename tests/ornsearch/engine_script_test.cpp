// SPDX-License-Identifier: GPL-3.0-or-later
// Reading engine scripts, finding them in the two folders, and building page requests.

#include <sys/stat.h>

#include <filesystem>

#include "engine_test_support.h"
#include "test_support.h"

namespace vireo::orn::test {
namespace {

namespace fs = std::filesystem;

constexpr char kHtmlRules[] = R"(
  <ShortName>Example Web</ShortName>
  <Description>Example  search
     engine</Description>
  <Url type="text/html" template="https://www.example.com/search?q={searchTerms}&amp;s={startIndex}">
    <vireo:Html>
      <vireo:Result>//div[@class='r']</vireo:Result>
      <vireo:Title>.//a</vireo:Title>
      <vireo:Address>.//a/@href</vireo:Address>
    </vireo:Html>
  </Url>)";

constexpr char kFeed[] = R"(
  <ShortName>Feed</ShortName>
  <Url type="application/rss+xml" template="https://feed.example.org/rss?q={searchTerms}"/>)";

TEST(EngineScript, ReadsNamesHomePageAndKind) {
    EngineScript html = Script(kHtmlRules, "/usr/share/vireo/engines/example.web.xml");
    EXPECT_EQ(html.id, "/usr/share/vireo/engines/example.web.xml");
    EXPECT_EQ(html.shortName, "example");
    EXPECT_EQ(html.name, "Example Web");
    EXPECT_EQ(html.description, "Example search engine");
    // Without a home page of its own an engine's is the origin of its address.
    EXPECT_EQ(html.homePage, "https://www.example.com/");

    EngineScript feed = Script(
        std::string(kFeed) + "<vireo:HomePage>https://example.org/about</vireo:HomePage>", "/x/.feed.xml");
    EXPECT_EQ(feed.shortName, ".feed.xml") << "a leading dot does not cut the name";
    EXPECT_EQ(feed.homePage, "https://example.org/about");

    // A site's own description document, in the browsers' dialect and without our
    // extension, works as it stands when it offers a feed.
    EngineScript plugin;
    std::string error;
    ASSERT_TRUE(ParseEngineScript(R"(<SearchPlugin xmlns="http://www.mozilla.org/2006/browser/search/">
        <ShortName>Plugin</ShortName>
        <Url type="text/html" template="https://p.example/?q={searchTerms}"/>
        <Url type="application/atom+xml" template="https://p.example/atom?q={searchTerms}&amp;page={startPage?}"/>
      </SearchPlugin>)",
                                  "/p/plugin.xml", plugin, &error))
        << error;
    bool more = false;
    EXPECT_EQ(Request(plugin, "x", 0, 0, 10, &more).url, "https://p.example/atom?q=x&page=1");
    EXPECT_TRUE(more);
}

TEST(EngineScript, RefusesUnusableScriptsWithAReason) {
    struct Case {
        std::string text;
        std::string reason;
    };
    const std::string urlHead =
        R"(<ShortName>X</ShortName><Url type="application/json" template="https://x.example/?q={searchTerms}">)";
    auto withHeader = [&](const std::string& name, const std::string& value) {
        return ScriptText(urlHead + "<vireo:Header name=\"" + name + "\">" + value + "</vireo:Header>" +
                          "<vireo:Json><vireo:Results>r</vireo:Results><vireo:Title>t</vireo:Title>"
                          "<vireo:Address>u</vireo:Address></vireo:Json></Url>");
    };
    auto url = [](const std::string& attributes) {
        return ScriptText("<ShortName>X</ShortName><Url " + attributes + "/>");
    };
    const Case cases[] = {
        {"this is not XML", "line"},
        {"<html><body>Not found</body></html>", "root element is <html>"},
        {url(R"(type="text/html" template="https://x.example/?q={searchTerms}")"), "no Url gives hits"},
        {url(R"(type="application/rss+xml" template="https://x.example/rss")"), "{searchTerms}"},
        {ScriptText(urlHead +
                    "<vireo:Json><vireo:Results>items</vireo:Results><vireo:Title>{title</vireo:Title>"
                    "<vireo:Address>url</vireo:Address></vireo:Json></Url>"),
         "unclosed"},
        {ScriptText(urlHead + "<vireo:Json><vireo:Title>title</vireo:Title></vireo:Json></Url>"),
         "vireo:Address"},
        {ScriptText(
             R"(<ShortName>X</ShortName><Url type="text/html" template="https://x.example/?q={searchTerms}">
            <vireo:Html><vireo:Result>//div[</vireo:Result><vireo:Title>a</vireo:Title><vireo:Address>a</vireo:Address></vireo:Html></Url>)"),
         "bad XPath \"//div[\""},
        {ScriptText(std::string("<InputEncoding>x-no-such-set</InputEncoding>") + kFeed), "InputEncoding"},
        {ScriptText(std::string("<InputEncoding>UTF-\n  16 or so</InputEncoding>") + kFeed),
         "\"UTF- 16 or so\""},
        {url(R"(type="application/rss+xml" method="put" template="https://x.example/?q={searchTerms}")"),
         "neither get nor post"},
        // Headers that frame the request are curl's to write: a script's own would
        // smuggle a second request or send the query to another host.
        {withHeader("Host", "other.example"), "vireo:Header \"Host\""},
        {withHeader("content-length", "0"), "frames the request"},
        {withHeader("Proxy-Authorization", "x"), "frames the request"},
        {withHeader("Acc(ept", "x"), "vireo:Header needs a name"},
        {ScriptText("<ShortName>" + std::string((1u << 20) + 10, 'x') + "</ShortName>"), "larger than 1 MB"},
    };
    for (const Case& c : cases) {
        EngineScript s;
        std::string error;
        EXPECT_FALSE(ParseEngineScript(c.text, "/e/bad.xml", s, &error)) << c.reason;
        EXPECT_NE(error.find(c.reason), std::string::npos) << "got: " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << "one line: " << error;
    }
    EngineScript s;
    std::string error;
    EXPECT_FALSE(ReadEngineScript("/no/such/dir/engine.xml", s, &error));
    EXPECT_FALSE(error.empty());
}

TEST(EngineScript, LoadEnginesMergesTheTwoFoldersByShortName) {
    vireo::test::TempDir dir;
    fs::path program = dir.path() / "program";
    fs::path user = dir.path() / "user";
    auto feed = [](const std::string& name) {
        return ScriptText(
            "<ShortName>" + name + "</ShortName>" +
            R"(<Url type="application/rss+xml" template="https://x.example/?q={searchTerms}"/>)");
    };
    WriteText(program / "engines" / "beta.xml", feed("Shipped Beta"));
    WriteText(program / "engines" / "alpha.xml", feed("Shipped Alpha"));
    WriteText(program / "engines" / "gamma.xml", feed("Shipped Gamma"));
    WriteText(program / "engines" / "broken.xml", "<OpenSearchDescription");
    WriteText(program / "engines" / "alpha.old.xml", feed("Old Alpha"));
    WriteText(program / "engines" / "notes.txt", "not a script");
    WriteText(program / "engines" / ".hidden.xml", feed("Hidden"));
    WriteText(program / "engines" / "templates" / "mine.xml", feed("Template"));
    WriteText(user / "Beta.xml", feed("User Beta"));
    WriteText(user / "gamma.xml", "garbage");
    WriteText(user / "delta.xml", feed("User Delta"));
    // Not a file to read (its reader would block), but the user should hear why it is no engine.
    ASSERT_EQ(::mkfifo((user / "pipe.xml").c_str(), 0600), 0);

    std::vector<std::string> problems;
    std::vector<EngineScript> engines = LoadEngines(program.string() + "/", user.string(), &problems);
    std::vector<std::string> names;
    for (const EngineScript& e : engines)
        names.push_back(e.name + (e.user ? " (user)" : ""));
    // A broken user copy keeps the shipped engine.
    ASSERT_EQ(names, (std::vector<std::string>{"Shipped Alpha", "User Beta (user)", "User Delta (user)",
                                               "Shipped Gamma"}));
    EXPECT_EQ(engines[1].id, (user / "Beta.xml").string());
    for (const char* what : {"broken.xml: ", "alpha.old.xml: the short name \"alpha\" is already taken",
                             "gamma.xml: ", "(the shipped script is used)", "pipe.xml: not a regular file"})
        EXPECT_TRUE(std::any_of(problems.begin(), problems.end(), [&](const std::string& p) {
            return p.find(what) != std::string::npos;
        })) << what;
    EXPECT_EQ(problems.size(), 4u);

    // No folders, or none that exist: nothing, and nothing to complain about.
    problems.clear();
    EXPECT_TRUE(LoadEngines((dir.path() / "none").string(), "", &problems).empty());
    EXPECT_TRUE(problems.empty());
}

// Posted forms and the headers a service asks for are checked on the shipped engines.
TEST(PageRequest, FillsTheTemplateForEachPageInTheEnginesCharacterSet) {
    EngineScript s = Script(R"(<ShortName>P</ShortName>
      <Url type="application/json" pageOffset="1" vireo:maxCount="50"
           template="https://api.example.com/s?q={searchTerms}&amp;from={startIndex}&amp;page={startPage}&amp;n={count}&amp;lang={language}&amp;x={geo:box?}">
        <vireo:Json><vireo:Results>items</vireo:Results><vireo:Title>t</vireo:Title><vireo:Address>u</vireo:Address></vireo:Json>
      </Url>)");
    bool more = false;
    PageRequest req = Request(s, "C++ & rock+roll/ü", 0, 0, 20, &more);
    EXPECT_EQ(
        req.url,
        "https://api.example.com/s?q=C%2B%2B%20%26%20rock%2Broll%2F%C3%BC&from=1&page=1&n=20&lang=*&x=");
    EXPECT_EQ(req.method, "GET");
    EXPECT_TRUE(more);

    // Without an index offset of its own an engine counts from 1. Page 2 starts after the
    // hits received; the count is cut to what the engine allows.
    EXPECT_EQ(Request(s, "x", 17, 1, 500).url, "https://api.example.com/s?q=x&from=18&page=2&n=50&lang=*&x=");

    // The query goes out in the engine's character set; no paging means one page.
    EngineScript latin = Script(R"(<ShortName>L</ShortName><InputEncoding>ISO-8859-1</InputEncoding>
      <Url type="application/rss+xml" template="http://latin.example/?q={searchTerms}&amp;ie={inputEncoding}"/>)");
    EXPECT_EQ(Request(latin, "café", 0, 0, 10, &more).url, "http://latin.example/?q=caf%E9&ie=ISO-8859-1");
    EXPECT_FALSE(more);

    // Templates that give no web address, or ask for what cannot be filled.
    for (const char* tmpl : {"ftp://files.example/?q={searchTerms}", "www.example.com/?q={searchTerms}",
                             "https://x.example/?q={searchTerms}&amp;k={apiKey}",
                             "https://x.example/?q={searchTerms}&amp;p={page"}) {
        EngineScript bad =
            Script(std::string(R"(<ShortName>B</ShortName><Url type="application/rss+xml" template=")") +
                   tmpl + "\"/>");
        std::string error;
        EXPECT_FALSE(BuildPageRequest(bad, "x", 0, 0, 10, req, &more, &error)) << tmpl;
        EXPECT_FALSE(error.empty());
    }
}

} // namespace
} // namespace vireo::orn::test

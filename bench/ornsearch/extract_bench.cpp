// SPDX-License-Identifier: GPL-3.0-or-later
// Extracting the hits of one large result page with the shipped engines' own rules: a
// 1 MB HTML page (DuckDuckGo's markup) and a 1 MB JSON answer (GitHub's repository search),
// generated here from a fixed seed, and a 1 MB page of every shipped engine made from its
// test page. The target is under 10 ms a page.
//
// Two kinds of HTML page: "typical" is shaped like a big real result page (thirty results
// among inline scripts, data, styles and icons that make up most of its bytes); "dense" is
// result markup from end to end (some thousand results, far more than any engine sends on
// one page), the worst case for the parser and the rules, reported beside the target.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include <libxml/HTMLparser.h>
#include <libxml/HTMLtree.h>
#include <libxml/xpath.h>
#include <nlohmann/json.hpp>

#include "ornsearch/engine.h"
#include "ornsearch/engine_rules.h"

namespace {

using vireo::orn::EngineScript;

constexpr std::size_t kPageBytes = 1u << 20;

EngineScript LoadScript(const char* file) {
    EngineScript s;
    std::string error;
    std::string path = std::string(VIREO_ENGINES_DIR) + "/" + file;
    if (!vireo::orn::ReadEngineScript(path, s, &error)) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), error.c_str());
        std::exit(1);
    }
    return s;
}

std::string Word(std::mt19937& rng) {
    static const char* kWords[] = {"search",       "engine",
                                   "bookmark",     "result",
                                   "page",         "rust",
                                   "borrow",       "checker",
                                   "manager",      "open",
                                   "source",       "desktop",
                                   "folder",       "link",
                                   "quick",        "brown",
                                   "fox",          "lazy",
                                   "dog",          "caf\xC3\xA9",
                                   "na\xC3\xAFve", "\xE6\x97\xA5\xE6\x9C\xAC"};
    return kWords[rng() % (sizeof kWords / sizeof *kWords)];
}

std::string Words(std::mt19937& rng, int n) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += (i ? " " : "") + Word(rng);
    return out;
}

std::string DdgResult(std::mt19937& rng, int i) {
    std::string target = "https%3A%2F%2Fsite" + std::to_string(i) + ".example.com%2F" + Word(rng) +
                         "%2Fpage%3Fid%3D" + std::to_string(rng() % 100000);
    std::string href = "//duckduckgo.com/l/?uddg=" + target + "&amp;rut=" + std::to_string(rng());
    return "<div class=\"result results_links results_links_deep web-result \">\n"
           "  <div class=\"links_main links_deep result__body\">\n"
           "    <h2 class=\"result__title\"><a rel=\"nofollow\" class=\"result__a\" href=\"" +
           href + "\">" + Words(rng, 6) + " &amp; " + Words(rng, 2) +
           "</a></h2>\n"
           "    <div class=\"result__extras\"><div class=\"result__extras__url\"><span "
           "class=\"result__icon\">"
           "<a href=\"" +
           href +
           "\"><img class=\"result__icon__img\" width=\"16\" height=\"16\" alt=\"\" src=\"//external-content."
           "duckduckgo.com/ip3/site.ico\" name=\"i15\"></a></span><a class=\"result__url\" href=\"" +
           href + "\">site" + std::to_string(i) +
           ".example.com</a></div></div>\n"
           "    <a class=\"result__snippet\" href=\"" +
           href + "\">" + Words(rng, 12) + " <b>" + Word(rng) + "</b> " + Words(rng, 14) +
           "</a>\n"
           "    <div class=\"clear\"></div>\n  </div>\n</div>\n";
}

// What fills the rest of a big result page, in the sizes big pages have them: a few style
// sheets of some kilobytes, inline scripts and data blobs of tens of kilobytes, and a few
// hundred small inline icons.
std::string Filler(std::mt19937& rng, std::size_t bytes) {
    std::string fill;
    for (int i = 0; i < 300; ++i)
        fill +=
            "<svg viewBox=\"0 0 24 24\" width=\"16\" height=\"16\" aria-hidden=\"true\"><path d=\"M12 2C6.48 "
            "2 "
            "2 6.48 2 12s4.48 10 10 10 10-4.48 10-10S17.52 2 12 2zm1 15h-2v-6h2v6zm0-8h-2V7h2v2z\"/></svg>\n";
    for (;;) {
        std::string block;
        if (rng() % 3 == 0) {
            block = "<style>";
            while (block.size() < 8000)
                block += ".r" + std::to_string(rng()) +
                         " .title a:hover{color:#1a0dab;text-decoration:underline}\n";
            block += "</style>\n";
        } else {
            block = "<script>window.__d" + std::to_string(rng()) + "=[";
            while (block.size() < 24000)
                block += "{\"k\":\"" + Words(rng, 8) + "\",\"n\":[1,2,3,4]},";
            block += "0];if(a<b&&b>c){f(\"<div>\")}</script>\n";
        }
        if (fill.size() + block.size() > bytes)
            return fill;
        fill += block;
    }
}

std::string HtmlPage(bool dense) {
    std::mt19937 rng(20240501);
    std::string head = "<!DOCTYPE html><html><head><meta http-equiv=\"content-type\" content=\"text/html; "
                       "charset=UTF-8\"><title>query at DuckDuckGo</title>\n";
    std::string body =
        "<body class=\"body--html\"><div class=\"serp__results\"><div id=\"links\" class=\"results\">\n";
    std::string tail = "</div></div></body></html>\n";
    if (dense) {
        int i = 0;
        while (head.size() + body.size() + tail.size() < kPageBytes)
            body += DdgResult(rng, i++);
        return head + "</head>" + body + tail;
    }
    for (int i = 0; i < 30; ++i)
        body += DdgResult(rng, i);
    return head + "</head>" + body + Filler(rng, kPageBytes - head.size() - body.size() - tail.size()) + tail;
}

std::string JsonPage() {
    std::mt19937 rng(20240502);
    std::string out = "{\"total_count\":123456,\"incomplete_results\":false,\"items\":[";
    int i = 0;
    while (out.size() < kPageBytes - 4000) {
        std::string name = Word(rng) + "-" + Word(rng) + std::to_string(i);
        std::string owner = "user" + std::to_string(rng() % 10000);
        std::string api = "https://api.github.com/repos/" + owner + "/" + name;
        if (i++)
            out += ",";
        out +=
            "{\"id\":" + std::to_string(rng()) + ",\"node_id\":\"MDEwOlJlcG9zaXRvcnk" +
            std::to_string(rng()) + "\",\"name\":\"" + name + "\",\"full_name\":\"" + owner + "/" + name +
            "\",\"private\":false,\"owner\":{\"login\":\"" + owner + "\",\"id\":" + std::to_string(rng()) +
            ",\"avatar_url\":\"https://avatars.githubusercontent.com/u/1?v=4\",\"gravatar_id\":\"\",\"url\":"
            "\"https://api.github.com/users/" +
            owner + "\",\"html_url\":\"https://github.com/" + owner +
            "\",\"type\":\"User\",\"site_admin\":false},\"html_url\":\"https://github.com/" + owner + "/" +
            name + "\",\"description\":\"" + Words(rng, 14) +
            " \\u00e9 \\\"quoted\\\"\",\"fork\":false,\"url\":\"" + api + "\",\"forks_url\":\"" + api +
            "/forks\",\"keys_url\":\"" + api + "/keys{/key_id}\",\"tags_url\":\"" + api +
            "/tags\",\"issues_url\":\"" + api + "/issues{/number}\",\"pulls_url\":\"" + api +
            "/pulls{/"
            "number}\",\"created_at\":\"2019-05-01T10:00:00Z\",\"updated_at\":\"2024-05-01T10:00:00Z\","
            "\"homepage\":null,\"size\":" +
            std::to_string(rng() % 100000) + ",\"stargazers_count\":" + std::to_string(rng() % 50000) +
            ",\"watchers_count\":12,\"language\":\"C++\",\"has_issues\":true,\"has_projects\":true,"
            "\"forks_count\":3,\"archived\":false,\"open_issues_count\":7,\"license\":{\"key\":\"mit\","
            "\"name\":"
            "\"MIT License\",\"spdx_id\":\"MIT\"},\"topics\":[\"" +
            Word(rng) + "\",\"" + Word(rng) +
            "\"],\"visibility\":\"public\",\"default_branch\":\"main\","
            "\"score\":1.0}";
    }
    return out + "]}";
}

void Extract(benchmark::State& state, const char* script, const std::string& body, const char* type,
             int form = 0) {
    EngineScript s = LoadScript(script);
    std::size_t hits = 0;
    for (auto _ : state) {
        vireo::orn::PageHits page =
            vireo::orn::ExtractHits(s, body, type, "https://example.com/search", form);
        if (!page.ok) {
            state.SkipWithError(page.error.c_str());
            return;
        }
        hits = page.hits.size();
        benchmark::DoNotOptimize(page);
    }
    state.counters["hits"] = static_cast<double>(hits);
    state.counters["KB"] = static_cast<double>(body.size()) / 1024;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * body.size()));
}

void BM_HtmlTypical1MB(benchmark::State& state) {
    static const std::string page = HtmlPage(false);
    Extract(state, "duckduckgo.xml", page, "text/html; charset=UTF-8");
}
void BM_HtmlDense1MB(benchmark::State& state) {
    static const std::string page = HtmlPage(true);
    Extract(state, "duckduckgo.xml", page, "text/html; charset=UTF-8");
}
void BM_Json1MB(benchmark::State& state) {
    static const std::string page = JsonPage();
    Extract(state, "github.xml", page, "application/json; charset=utf-8");
}

// Each shipped engine's test page, grown to 1 MB by repeating its results where they stand
// (the result elements, feed items or array entries), so that its own rules do the work
// they do on a long page of that service. Like the dense page these are results from end to
// end, more than the 1,000 hits a page may give for most engines: the worst case. Each is
// read as the answer to a request of its own form; "as-answer-to-form-0" reads the second
// forms' pages as the answer to the first form's request, as when a site sends its other
// page, so that the first form's rules fail on the page before the right ones read it.
struct EnginePage {
    const char* script;
    const char* fixture;
    const char* type;
    const char* url;
    int form;
};

const EnginePage kEnginePages[] = {
    {"duckduckgo.xml", "duckduckgo.html", "text/html; charset=UTF-8", "https://html.duckduckgo.com/html/", 0},
    {"duckduckgo.xml", "duckduckgo-lite.html", "text/html; charset=UTF-8",
     "https://lite.duckduckgo.com/lite/", 1},
    {"mojeek.xml", "mojeek.html", "text/html; charset=UTF-8", "https://www.mojeek.com/search?q=x", 0},
    {"bing.xml", "bing.rss", "application/rss+xml; charset=utf-8",
     "https://www.bing.com/search?q=x&format=rss", 0},
    {"bing.xml", "bing.html", "text/html; charset=utf-8", "https://www.bing.com/search?q=x", 1},
    {"brave.xml", "brave.html", "text/html; charset=UTF-8", "https://search.brave.com/search?q=x", 0},
    {"startpage.xml", "startpage.html", "text/html; charset=UTF-8", "https://www.startpage.com/sp/search", 0},
    {"yahoo.xml", "yahoo.html", "text/html; charset=UTF-8", "https://search.yahoo.com/search?p=x", 0},
    {"wikipedia.xml", "wikipedia.json", "application/json; charset=utf-8",
     "https://en.wikipedia.org/w/api.php", 0},
    {"marginalia.xml", "marginalia.json", "application/json", "https://api2.marginalia-search.com/search", 0},
    {"wiby.xml", "wiby.json", "application/json", "https://wiby.me/json/?q=x", 0},
    {"hackernews.xml", "hackernews.json", "application/json; charset=utf-8",
     "https://hn.algolia.com/api/v1/search", 0},
    {"stackoverflow.xml", "stackoverflow.json", "application/json; charset=utf-8",
     "https://api.stackexchange.com/2.3/search/advanced", 0},
    {"github.xml", "github.json", "application/json; charset=utf-8",
     "https://api.github.com/search/repositories", 0},
    {"arxiv.xml", "arxiv.atom", "application/atom+xml; charset=utf-8", "https://export.arxiv.org/api/query",
     0},
    {"internetarchive.xml", "internetarchive.json", "application/json",
     "https://archive.org/advancedsearch.php", 0},
    {"openlibrary.xml", "openlibrary.json", "application/json", "https://openlibrary.org/search.json", 0},
    {"crossref.xml", "crossref.json", "application/json", "https://api.crossref.org/works", 0},
    {"templates/searxng.xml", "searxng.json", "application/json", "https://searx.example.org/search", 0},
};

std::string ReadFixture(const char* name) {
    std::string path = std::string(VIREO_FIXTURES_DIR) + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        std::fprintf(stderr, "%s: cannot be read\n", path.c_str());
        std::exit(1);
    }
    std::string out;
    char buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;)
        out.append(buf, n);
    std::fclose(f);
    return out;
}

[[noreturn]] void Unusable(const EnginePage& e, const char* why) {
    std::fprintf(stderr, "%s: %s\n", e.fixture, why);
    std::exit(1);
}

std::string GrownJson(const EnginePage& e, const vireo::orn::EngineForm& form) {
    nlohmann::json doc = nlohmann::json::parse(ReadFixture(e.fixture));
    nlohmann::json* results = &doc;
    for (const std::string& key : form.resultsPath) {
        if (key != "." && !key.empty())
            results = &(*results)[key];
    }
    if (!results->is_array() || results->empty())
        Unusable(e, "no results array");
    const nlohmann::json one = *results;
    const std::size_t base = doc.dump().size();
    const std::size_t round = one.dump().size();
    for (std::size_t size = base; size + round < kPageBytes; size += round) {
        for (const auto& r : one)
            results->push_back(r);
    }
    return doc.dump();
}

// The test page with its results repeated where they stand: to `count` results, or (0)
// until the page holds 1 MB.
std::string GrownMarkup(const EnginePage& e, const vireo::orn::EngineForm& form, bool html,
                        std::size_t count) {
    const std::string fixture = ReadFixture(e.fixture);
    const int options = HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING;
    xmlDoc* doc =
        html ? htmlReadMemory(fixture.data(), static_cast<int>(fixture.size()), e.url, "UTF-8", options)
             : xmlReadMemory(fixture.data(), static_cast<int>(fixture.size()), e.url, nullptr,
                             XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!doc)
        Unusable(e, "cannot be parsed");
    xmlXPathContext* ctx = xmlXPathNewContext(doc);
    const std::string expr = html ? form.result : "//*[local-name()='item' or local-name()='entry']";
    xmlXPathObject* found = xmlXPathEvalExpression(BAD_CAST expr.c_str(), ctx);
    if (!found || !found->nodesetval || found->nodesetval->nodeNr == 0)
        Unusable(e, "no results");
    std::vector<xmlNode*> results(found->nodesetval->nodeTab,
                                  found->nodesetval->nodeTab + found->nodesetval->nodeNr);
    xmlXPathFreeObject(found);
    xmlXPathFreeContext(ctx);

    auto dump = [&] {
        xmlChar* mem = nullptr;
        int len = 0;
        if (html)
            htmlDocDumpMemoryFormat(doc, &mem, &len, 0);
        else
            xmlDocDumpMemory(doc, &mem, &len);
        std::string out(reinterpret_cast<const char*>(mem), static_cast<std::size_t>(len));
        xmlFree(mem);
        return out;
    };
    const std::size_t base = dump().size();
    std::size_t round = 0;
    for (xmlNode* r : results) {
        xmlBuffer* buf = xmlBufferCreate();
        xmlNodeDump(buf, doc, r, 0, 0);
        round += static_cast<std::size_t>(xmlBufferLength(buf));
        xmlBufferFree(buf);
    }
    std::vector<xmlNode*> copies;
    xmlNode* last = results.back();
    for (std::size_t size = base, n = results.size(); count ? n < count : size + round <= kPageBytes;
         size += round, n += results.size()) {
        for (xmlNode* r : results) {
            last = xmlAddNextSibling(last, xmlDocCopyNode(r, doc, 1));
            copies.push_back(last);
        }
    }
    std::string out = dump();
    // The sizes of the parts are estimates: take rounds back until the page is 1 MB at most.
    while (!count && out.size() > kPageBytes && copies.size() >= results.size()) {
        for (std::size_t i = 0; i < results.size(); ++i) {
            xmlUnlinkNode(copies.back());
            xmlFreeNode(copies.back());
            copies.pop_back();
        }
        out = dump();
    }
    xmlFreeDoc(doc);
    return out;
}

// A big result page of the engine as it is sent: thirty of its results among the inline
// scripts, styles and icons that make up most of a big page's bytes.
std::string TypicalPage(const EnginePage& e, const vireo::orn::EngineForm& form) {
    std::string page = GrownMarkup(e, form, true, 30);
    std::size_t body = page.rfind("</body>");
    if (body == std::string::npos)
        body = page.size();
    std::mt19937 rng(20240503);
    page.insert(body, Filler(rng, kPageBytes > page.size() ? kPageBytes - page.size() : 0));
    return page;
}

void Register(const std::string& name, const EnginePage& e, std::string page) {
    benchmark::RegisterBenchmark(name.c_str(), [e, page](benchmark::State& state) {
        Extract(state, e.script, page, e.type, e.form);
    })->Unit(benchmark::kMillisecond);
    if (e.form != 0) {
        benchmark::RegisterBenchmark((name + "/as-answer-to-form-0").c_str(), [e, page](
                                                                                  benchmark::State& state) {
            Extract(state, e.script, page, e.type);
        })->Unit(benchmark::kMillisecond);
    }
}

// BM_Engine1MB, under the target: a big page of each engine as it comes (HTML: thirty
// results in 1 MB; JSON and feeds: results from end to end, as those carry nothing else).
// BM_Engine1MBDense: HTML result markup from end to end, the worst case, beyond the target.
void RegisterEnginePages() {
    using Kind = vireo::orn::EngineForm::Kind;
    for (const EnginePage& e : kEnginePages) {
        EngineScript script = LoadScript(e.script);
        const vireo::orn::EngineForm& form = script.rules->forms.at(static_cast<std::size_t>(e.form));
        if (form.kind == Kind::Json) {
            Register(std::string("BM_Engine1MB/") + e.fixture, e, GrownJson(e, form));
        } else if (form.kind == Kind::Html) {
            Register(std::string("BM_Engine1MB/") + e.fixture, e, TypicalPage(e, form));
            Register(std::string("BM_Engine1MBDense/") + e.fixture, e, GrownMarkup(e, form, true, 0));
        } else {
            Register(std::string("BM_Engine1MB/") + e.fixture, e, GrownMarkup(e, form, false, 0));
        }
    }
}

BENCHMARK(BM_HtmlTypical1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HtmlDense1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Json1MB)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RegisterEnginePages();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

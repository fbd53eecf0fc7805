// SPDX-License-Identifier: GPL-3.0-or-later
// Extracting the hits of one large result page with the shipped engines' own rules: a
// 1 MB HTML page (DuckDuckGo's markup) and a 1 MB JSON answer (GitHub's repository search),
// generated here from a fixed seed. The target is under 10 ms a page.
//
// Two HTML pages: "typical" is shaped like a big real result page (thirty results among
// inline scripts, data, styles and icons that make up most of its bytes); "dense" is
// result markup from end to end (839 results, far more than any engine sends on one
// page), the worst case for the parser and the rules.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "ornsearch/engine.h"

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
    // What fills the rest of a big page, in the sizes big result pages have them: a few
    // style sheets of some kilobytes, inline scripts and data blobs of tens of kilobytes,
    // and a few hundred small inline icons.
    std::string fill;
    for (int i = 0; i < 300; ++i)
        fill +=
            "<svg viewBox=\"0 0 24 24\" width=\"16\" height=\"16\" aria-hidden=\"true\"><path d=\"M12 2C6.48 "
            "2 "
            "2 6.48 2 12s4.48 10 10 10 10-4.48 10-10S17.52 2 12 2zm1 15h-2v-6h2v6zm0-8h-2V7h2v2z\"/></svg>\n";
    while (head.size() + body.size() + tail.size() + fill.size() < kPageBytes) {
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
        fill += block;
    }
    return head + "</head>" + body + fill + tail;
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

void Extract(benchmark::State& state, const char* script, const std::string& body, const char* type) {
    EngineScript s = LoadScript(script);
    std::size_t hits = 0;
    for (auto _ : state) {
        vireo::orn::PageHits page = vireo::orn::ExtractHits(s, body, type, "https://example.com/search");
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

BENCHMARK(BM_HtmlTypical1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HtmlDense1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Json1MB)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

// SPDX-License-Identifier: GPL-3.0-or-later
// The same 100,000 bookmarks in 2,000 folders imported from a Netscape bookmark file, a
// Firefox places.sqlite, a Chromium Bookmarks file and an XBEL file, each into a fresh database. A
// browser's own store should cost at most twice what our oldest import does; the line
// per browser at the end says how far each is.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <vector>

#include "bench/interchange/browser_gen.h"
#include "bench/interchange/import_timing.h"
#include "interchange/browser_import.h"
#include "interchange/netscape.h"
#include "interchange/xbel_exchange.h"
#include "platform/paths.h"

namespace {

namespace fs = std::filesystem;
namespace bench = vireo::bench;

// Made once and kept: the files are the same for the same generator.
std::string DataDir() {
    static const std::string dir = [] {
        std::string d = vireo::sys::GetEnv("VIREO_BENCH_BROWSER_DIR");
        if (d.empty())
            d = vireo::sys::TempDir() + "/vireo-bench-browser-100k";
        for (const char* name : {bench::kNetscapeFileName, bench::kPlacesFileName, bench::kChromiumFileName,
                                 bench::kXbelFileName}) {
            if (fs::exists(d + "/" + name))
                continue;
            std::string error;
            if (!bench::WriteBrowserFiles(d, {}, &error)) {
                std::cerr << "cannot write the benchmark files: " << error << '\n';
                std::exit(1);
            }
            break;
        }
        return d;
    }();
    return dir;
}

std::string DataFile(const char* name) {
    return DataDir() + "/" + name;
}

void BM_ImportNetscape(benchmark::State& state) {
    const std::string file = DataFile(bench::kNetscapeFileName);
    bench::TimeImports(state, bench::ScratchDir("netscape"),
                       [&](vireo::Database& db) { return vireo::ImportNetscape(db, file); });
}
BENCHMARK(BM_ImportNetscape)->Unit(benchmark::kMillisecond);

void BM_ImportFirefox(benchmark::State& state) {
    const std::string file = DataFile(bench::kPlacesFileName);
    bench::TimeImports(state, bench::ScratchDir("firefox"),
                       [&](vireo::Database& db) { return vireo::ImportFirefox(db, file); });
}
BENCHMARK(BM_ImportFirefox)->Unit(benchmark::kMillisecond);

void BM_ImportChromium(benchmark::State& state) {
    const std::string file = DataFile(bench::kChromiumFileName);
    bench::TimeImports(state, bench::ScratchDir("chromium"),
                       [&](vireo::Database& db) { return vireo::ImportChromium(db, file); });
}
BENCHMARK(BM_ImportChromium)->Unit(benchmark::kMillisecond);

void BM_ImportXbel(benchmark::State& state) {
    const std::string file = DataFile(bench::kXbelFileName);
    bench::TimeImports(state, bench::ScratchDir("xbel"),
                       [&](vireo::Database& db) { return vireo::ImportXbel(db, file); });
}
BENCHMARK(BM_ImportXbel)->Unit(benchmark::kMillisecond);

// Keeps every repetition's time and what it filed, for the comparison after the table.
class Collector : public benchmark::ConsoleReporter {
public:
    // In colour only on a terminal, as the library's own reporter does by default.
    Collector() : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

    struct Figures {
        std::vector<double> ms;
        double bookmarks = 0;
        double folders = 0;
    };

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration || r.error_occurred)
                continue;
            Figures& f = figures[r.run_name.function_name];
            f.ms.push_back(r.GetAdjustedRealTime() * 1000 / benchmark::GetTimeUnitMultiplier(r.time_unit));
            if (auto it = r.counters.find("bookmarks"); it != r.counters.end())
                f.bookmarks = it->second;
            if (auto it = r.counters.find("folders"); it != r.counters.end())
                f.folders = it->second;
        }
    }

    static double Median(std::vector<double> v) {
        std::sort(v.begin(), v.end());
        const std::size_t n = v.size();
        return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }

    std::map<std::string, Figures> figures;
};

int Compare(const Collector& c) {
    auto base = c.figures.find("BM_ImportNetscape");
    if (base == c.figures.end() || base->second.ms.empty()) {
        std::cout << "No Netscape import figures to compare with.\n";
        return 0;
    }
    const double netscape = Collector::Median(base->second.ms);
    std::printf("\nMedians of %zu runs each: Netscape %.1f ms", base->second.ms.size(), netscape);
    int status = 0;
    std::string lines;
    for (const char* name : {"Firefox", "Chromium", "Xbel"}) {
        auto it = c.figures.find(std::string("BM_Import") + name);
        if (it == c.figures.end() || it->second.ms.empty())
            continue;
        const double ms = Collector::Median(it->second.ms);
        std::printf(", %s %.1f ms", name, ms);
        char line[160];
        std::snprintf(line, sizeof line, "%s / Netscape: %.2fx (target within 2x)\n", name, ms / netscape);
        lines += line;
        // Only the same bookmarks make the times comparable.
        if (it->second.bookmarks != base->second.bookmarks || it->second.folders != base->second.folders) {
            std::snprintf(
                line, sizeof line, "  but %s filed %.0f bookmarks in %.0f folders, Netscape %.0f in %.0f\n",
                name, it->second.bookmarks, it->second.folders, base->second.bookmarks, base->second.folders);
            lines += line;
            status = 1;
        }
    }
    std::printf("\n%s", lines.c_str());
    return status;
}

} // namespace

int main(int argc, char** argv) {
    // A median wants several runs; --benchmark_repetitions=N still chooses.
    std::vector<char*> args(argv, argv + argc);
    static char repetitions[] = "--benchmark_repetitions=5";
    if (std::none_of(args.begin(), args.end(),
                     [](const char* a) { return std::strncmp(a, "--benchmark_repetitions", 23) == 0; }))
        args.insert(args.begin() + 1, repetitions);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 64;
    DataDir();
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::Shutdown();
    return Compare(collector);
}

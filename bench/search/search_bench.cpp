// SPDX-License-Identifier: GPL-3.0-or-later
// Filing a search's hits into a 100,000-bookmark database: 1,200 hits from ten engines,
// 200 of them addresses another engine found too, so 1,000 bookmarks are filed. The
// first benchmark times the filing alone (what runs when the search ends); the second
// also the 1,200 hit reports before it.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "bench/store/generate_db.h"
#include "platform/paths.h"
#include "search/scripted_search_library.h"
#include "search/search_session.h"
#include "shell/registry.h"
#include "store/database.h"
#include "store/store_services.h"

namespace {

namespace fs = std::filesystem;

constexpr int kSites = 10;
constexpr int kHitsPerSite = 120;

vireo::Database& BenchDatabase() {
    static vireo::Database db;
    if (!db.IsOpen()) {
        std::string dir = vireo::sys::GetEnv("VIREO_BENCH_DB");
        if (dir.empty())
            dir = vireo::sys::TempDir() + "/vireo-bench-db-100k";
        std::string error;
        if (!fs::exists(fs::path(dir) / "FOLDERS") && !vireo::bench::GenerateDatabase(dir, {}, &error)) {
            std::cerr << "cannot generate the benchmark database: " << error << '\n';
            std::exit(1);
        }
        if (!db.Open(dir, &error)) {
            std::cerr << "cannot open the benchmark database: " << error << '\n';
            std::exit(1);
        }
    }
    return db;
}

class Silent : public vireo::EventSoundPlayer {
public:
    void PlayEventSound(vireo::SoundEvent) override {}
};

struct Bench {
    Bench() {
        for (int s = 0; s < kSites; ++s)
            lib.AddSite("Engine " + std::to_string(s), "engine" + std::to_string(s));
    }
    std::unique_ptr<vireo::clsSearch> Start() {
        auto search = std::make_unique<vireo::clsSearch>(
            vireo::SearchContext{BenchDatabase(), reg, lib, messages, sounds, state, nullptr, "/bench/"});
        search->Init();
        search->SetSearchQuery("benchmark query");
        search->SetMaxHits(1000);
        search->SetSiteMax(kHitsPerSite);
        search->SetTimeout(5);
        search->SetSearchGroupIndex(0);
        search->Search();
        return search;
    }
    // The first 25 hits of engines 0 to 8 are the same 25 addresses: 225 reports of 25
    // pages, so 200 duplicates.
    void Report(vireo::clsSearch& search) {
        for (int s = 0; s < kSites; ++s) {
            std::string site = "engine" + std::to_string(s);
            for (int h = 0; h < kHitsPerSite; ++h) {
                bool shared = s <= 8 && h < 25;
                std::string url =
                    "https://site" + std::to_string(shared ? 0 : s) + ".example/page/" + std::to_string(h);
                search.GiveResults(site,
                                   "A description of the page, as an engine gives it in its result list.",
                                   "Result " + std::to_string(h) + " of " + site, url);
            }
        }
    }

    vireo::MemoryRegistry reg;
    vireo::test::ScriptedSearchLibrary lib;
    vireo::test::ScriptedMessages messages;
    Silent sounds;
    vireo::SearchState state;
};

void BM_FileHits(benchmark::State& state) {
    Bench b;
    std::int64_t filed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto search = b.Start();
        b.Report(*search);
        state.ResumeTiming();
        search->SetStatus("", 0);
        state.PauseTiming();
        filed = search->FiledCount();
        search.reset();
        state.ResumeTiming();
    }
    state.counters["filed"] = static_cast<double>(filed);
}
BENCHMARK(BM_FileHits)->Unit(benchmark::kMillisecond)->Iterations(40);

void BM_ReportAndFileHits(benchmark::State& state) {
    Bench b;
    for (auto _ : state) {
        state.PauseTiming();
        auto search = b.Start();
        state.ResumeTiming();
        b.Report(*search);
        search->SetStatus("", 0);
        state.PauseTiming();
        search.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ReportAndFileHits)->Unit(benchmark::kMillisecond)->Iterations(40);

} // namespace

BENCHMARK_MAIN();

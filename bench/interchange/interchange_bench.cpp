// SPDX-License-Identifier: GPL-3.0-or-later
// Import, export and find over a bookmark file of 100,000 bookmarks in 2,000 folders.
// `vireo-bench-interchange --peak` instead reports the peak memory of one import, save,
// export and find in one process.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sys/resource.h>

#include "bench/interchange/import_timing.h"
#include "bench/interchange/netscape_gen.h"
#include "interchange/find.h"
#include "interchange/netscape.h"
#include "platform/paths.h"
#include "store/database.h"

namespace {

namespace fs = std::filesystem;
using vireo::bench::OpenFresh;
using vireo::bench::ScratchDir;

std::string BenchFile() {
    std::string file = vireo::sys::GetEnv("VIREO_BENCH_NETSCAPE");
    if (file.empty())
        file = vireo::sys::TempDir() + "/vireo-bench-netscape-100k.html";
    if (!fs::exists(file)) {
        std::string text = vireo::bench::GenerateNetscapeFile();
        std::ofstream(file, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    return file;
}

// One imported database shared by the export and find benchmarks.
vireo::Database& Imported() {
    static std::unique_ptr<vireo::Database> db;
    if (!db) {
        db = std::make_unique<vireo::Database>();
        if (!OpenFresh(*db, ScratchDir("shared")) || !vireo::ImportNetscape(*db, BenchFile()).ok)
            std::exit(1);
    }
    return *db;
}

struct CountHits : vireo::FindSink {
    void SearchingFolder(std::int16_t, const std::string&) override {}
    void Found(const vireo::FindHit&, std::int32_t) override { ++hits; }
    std::int64_t hits = 0;
};

void BM_ImportNetscape(benchmark::State& state) {
    const std::string file = BenchFile();
    vireo::bench::TimeImports(state, ScratchDir("import"),
                              [&](vireo::Database& db) { return vireo::ImportNetscape(db, file); });
}
BENCHMARK(BM_ImportNetscape)->Unit(benchmark::kMillisecond);

void BM_ImportNetscapeAndSave(benchmark::State& state) {
    const std::string file = BenchFile();
    vireo::bench::TimeImports(state, ScratchDir("import-save"), [&](vireo::Database& db) {
        vireo::ExchangeResult r = vireo::ImportNetscape(db, file);
        db.Save();
        return r;
    });
}
BENCHMARK(BM_ImportNetscapeAndSave)->Unit(benchmark::kMillisecond);

void BM_ExportNetscape(benchmark::State& state) {
    vireo::Database& db = Imported();
    const std::string file = ScratchDir("export") + ".html";
    for (auto _ : state) {
        vireo::ExchangeResult r = vireo::ExportNetscapeFile(db, vireo::kRootFolder, file);
        if (!r.ok)
            state.SkipWithError(r.message.c_str());
    }
    state.counters["bytes"] = static_cast<double>(fs::file_size(file));
    fs::remove(file);
}
BENCHMARK(BM_ExportNetscape)->Unit(benchmark::kMillisecond);

void BM_FindFromRoot(benchmark::State& state) {
    vireo::Database& db = Imported();
    vireo::FindSettings s; // title, address and description; case ignored; any part
    s.FindText = vireo::bench::kFindWord;
    std::int64_t hits = 0;
    for (auto _ : state) {
        CountHits sink;
        vireo::SearchFolder(db, s, vireo::kRootFolder, sink);
        hits = sink.hits;
    }
    state.counters["hits"] = static_cast<double>(hits);
}
BENCHMARK(BM_FindFromRoot)->Unit(benchmark::kMillisecond);

int Peak() {
    const std::string dir = ScratchDir("peak");
    vireo::Database db;
    if (!OpenFresh(db, dir))
        return 1;
    vireo::ExchangeResult r = vireo::ImportNetscape(db, BenchFile());
    std::string error;
    if (!r.ok || !db.Save(&error)) {
        std::cerr << "import failed: " << r.message << error << '\n';
        return 1;
    }
    vireo::ExportNetscapeFile(db, vireo::kRootFolder, dir + "/export.html");
    vireo::FindSettings s;
    s.FindText = vireo::bench::kFindWord;
    CountHits sink;
    vireo::SearchFolder(db, s, vireo::kRootFolder, sink);
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::cout << "Import, save, export and find of " << r.bookmarks << " bookmarks in " << r.folders
              << " folders (" << sink.hits << " hits): peak memory " << usage.ru_maxrss / 1024 << " MB\n";
    db.Close();
    fs::remove_all(dir);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--peak") == 0)
            return Peak();
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

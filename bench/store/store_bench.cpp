// SPDX-License-Identifier: GPL-3.0-or-later
// Load, save and text-reading speed of a 100,000-bookmark database, next to copying the
// same four files with cat; undoing and redoing the delete of a folder of 10,000
// bookmarks (to the trash, and for good). `vireo-bench-store --peak` instead reports the peak memory of
// one open, read-everything and save.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <sys/resource.h>

#include "bench/store/generate_db.h"
#include "platform/paths.h"
#include "store/database.h"

namespace {

namespace fs = std::filesystem;

std::string BenchDir() {
    std::string dir = vireo::sys::GetEnv("VIREO_BENCH_DB");
    if (dir.empty())
        dir = vireo::sys::TempDir() + "/vireo-bench-db-100k";
    if (!fs::exists(fs::path(dir) / "FOLDERS")) {
        std::string error;
        if (!vireo::bench::GenerateDatabase(dir, {}, &error)) {
            std::cerr << "cannot generate the benchmark database: " << error << '\n';
            std::exit(1);
        }
    }
    return dir;
}

std::size_t ReadAllTexts(vireo::Database& db) {
    std::size_t bytes = 0;
    for (std::int32_t f = 1; f <= db.FolderSlots(); ++f) {
        const vireo::clsBookmark& marks = db.Marks(static_cast<std::int16_t>(f));
        for (std::int32_t pos = 1; pos <= marks.Total(); ++pos) {
            const vireo::BookmarkRecord& r = marks.At(pos);
            bytes += db.Memo().GetMemo(r.Name).size() + db.Memo().GetMemo(r.url).size() +
                     db.Memo().GetMemo(r.Description).size();
        }
    }
    return bytes;
}

void BM_Load(benchmark::State& state) {
    std::string dir = BenchDir();
    for (auto _ : state) {
        vireo::Database db;
        if (!db.Open(dir, nullptr))
            state.SkipWithError("open failed");
        benchmark::DoNotOptimize(db.FolderSlots());
    }
}
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);

void BM_Save(benchmark::State& state) {
    vireo::Database db;
    if (!db.Open(BenchDir(), nullptr))
        state.SkipWithError("open failed");
    for (auto _ : state) {
        if (!db.Save())
            state.SkipWithError("save failed");
    }
}
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond);

void BM_ReadAllTexts(benchmark::State& state) {
    vireo::Database db;
    if (!db.Open(BenchDir(), nullptr))
        state.SkipWithError("open failed");
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadAllTexts(db));
}
BENCHMARK(BM_ReadAllTexts)->Unit(benchmark::kMillisecond);

// The yardstick: copying the four files with cat.
void BM_CatCopy(benchmark::State& state) {
    std::string dir = BenchDir();
    std::string copy = vireo::sys::TempDir() + "/vireo-bench-cat-copy";
    std::string command = "cd '" + dir + "' && cat FOLDERS BOOKMARKS VIREODEX VIREOMEM > '" + copy + "'";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("cat failed");
    }
    fs::remove(copy);
}
BENCHMARK(BM_CatCopy)->Unit(benchmark::kMillisecond);

// A database of its own with one folder of 10,000 bookmarks, deleted in one step.
struct FolderOfTenThousand {
    std::string dir = vireo::sys::TempDir() + "/vireo-bench-undo";
    vireo::Database db;
    std::int16_t folder = 0;

    explicit FolderOfTenThousand(benchmark::State& state) {
        fs::remove_all(dir);
        if (!db.Open(dir, nullptr)) {
            state.SkipWithError("open failed");
            return;
        }
        folder = db.AddFolder("Ten thousand", vireo::kRootFolder, vireo::FolderKind::Ordinary);
        for (int i = 0; i < 10000; ++i) {
            std::string n = std::to_string(i);
            vireo::BookmarkRecord r =
                db.NewMark("Bookmark number " + n, "https://example.org/pages/" + n + ".html", folder,
                           "A description of page " + n, vireo::kFlagsHtml);
            db.Marks(folder).Add(r);
        }
        db.Save();
        db.History().SetEnabled(true);
    }
    ~FolderOfTenThousand() {
        db.Close();
        fs::remove_all(dir);
    }
    void Delete(bool forGood) {
        vireo::HistoryStep step(db, "Delete Folder");
        db.KillFolder(folder, forGood);
    }
};

void BM_UndoFolderDelete(benchmark::State& state) {
    FolderOfTenThousand data(state);
    for (auto _ : state) {
        state.PauseTiming();
        data.Delete(state.range(0) != 0);
        state.ResumeTiming();
        if (!data.db.History().Undo())
            state.SkipWithError("nothing to undo");
    }
}
BENCHMARK(BM_UndoFolderDelete)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("forGood")
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

void BM_RedoFolderDelete(benchmark::State& state) {
    FolderOfTenThousand data(state);
    data.Delete(state.range(0) != 0);
    for (auto _ : state) {
        state.PauseTiming();
        data.db.History().Undo();
        state.ResumeTiming();
        if (!data.db.History().Redo())
            state.SkipWithError("nothing to redo");
    }
}
BENCHMARK(BM_RedoFolderDelete)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("forGood")
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

int PeakMemory() {
    vireo::Database db;
    std::string error;
    if (!db.Open(BenchDir(), &error)) {
        std::cerr << error << '\n';
        return 1;
    }
    std::size_t bytes = ReadAllTexts(db);
    if (!db.Save(&error)) {
        std::cerr << error << '\n';
        return 1;
    }
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::cout << "peak memory after open, reading " << bytes
              << " bytes of text and saving: " << usage.ru_maxrss / 1024 << " MB\n";
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--peak") == 0)
        return PeakMemory();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

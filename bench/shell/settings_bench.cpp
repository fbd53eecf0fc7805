// SPDX-License-Identifier: GPL-3.0-or-later
// The settings as the program uses them: every option read goes to the hive file (a
// stat, and a parse when another process changed it), every change rewrites it.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "platform/hive_registry.h"
#include "shell/hive_format.h"
#include "shell/options.h"

namespace {

using namespace vireo;

std::string BenchFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string dir =
        std::string(tmp && *tmp ? tmp : "/tmp") + "/vireo-settings-bench-" + std::to_string(::getpid());
    std::filesystem::create_directories(dir);
    return dir;
}

// A well-used installation: the options, the sound scheme, 50 search groups of 10 engines
// and a query history of 100 entries.
void FillLikeAUser(Registry& reg) {
    SetShowTips(reg, false);
    SetTrash(reg, 2);
    SetRegValue(reg, SettingsPath("\\DB"), "path", "/home/ann/Documents/Vireo Data");
    for (int g = 0; g < 50; ++g)
        for (int e = 0; e < 10; ++e)
            SetRegValue(reg, SettingsPath("\\search\\groups\\Group " + std::to_string(g)),
                        "Engine" + std::to_string(e), "engine-" + std::to_string(e));
    for (int h = 0; h < 100; ++h)
        SetRegValue(reg, SettingsPath("\\search\\history"), std::to_string(h),
                    "query number " + std::to_string(h));
}

struct Hive {
    std::string dir = BenchFolder();
    std::string path = dir + "/registry.reg";
    HiveRegistry reg{path};
    Hive() {
        // Written in one go rather than by 600 single saves.
        HiveDocument doc;
        FillLikeAUser(doc.Keys());
        std::ofstream(path) << WriteHive(doc);
    }
    ~Hive() { std::filesystem::remove_all(dir); }
};

void BM_ReadOption(benchmark::State& state) {
    Hive hive;
    for (auto _ : state)
        benchmark::DoNotOptimize(GetDaysToCheck(hive.reg));
}
BENCHMARK(BM_ReadOption);

void BM_ReadAfterAnotherProcessWrote(benchmark::State& state) {
    Hive hive;
    HiveRegistry other(hive.path);
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        SetLastTip(other, ++n % 30);
        state.ResumeTiming();
        benchmark::DoNotOptimize(GetLastTip(hive.reg));
    }
}
BENCHMARK(BM_ReadAfterAnotherProcessWrote);

void BM_WriteOption(benchmark::State& state) {
    Hive hive;
    int n = 0;
    for (auto _ : state)
        SetLastTip(hive.reg, ++n % 30);
}
BENCHMARK(BM_WriteOption);

} // namespace

BENCHMARK_MAIN();

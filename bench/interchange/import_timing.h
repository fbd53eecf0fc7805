// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Timing an import into a database of its own on every iteration, as a user's first
// import of a file is: making and dropping the database is not part of the time.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "interchange/exchange_result.h"
#include "platform/paths.h"
#include "store/database.h"

namespace vireo::bench {

// A folder name for this process's scratch databases (not made here).
inline std::string ScratchDir(const char* name) {
    std::string dir = sys::TempDir() + "/vireo-bench-" + name + "-" + std::to_string(::getpid());
    std::filesystem::remove_all(dir);
    return dir;
}

// Opens a new, empty database in `dir`, removing whatever was there.
inline bool OpenFresh(Database& db, const std::string& dir) {
    std::filesystem::remove_all(dir);
    std::string error;
    if (!db.Open(dir, &error)) {
        std::cerr << error << '\n';
        return false;
    }
    return true;
}

// Runs `import(db)` into a fresh database in `dir` for every iteration; the result of the
// last one, which also sets the "bookmarks" and "folders" counters.
template <class Import>
ExchangeResult TimeImports(benchmark::State& state, const std::string& dir, Import&& import) {
    ExchangeResult last;
    for (auto _ : state) {
        state.PauseTiming();
        auto db = std::make_unique<Database>();
        if (!OpenFresh(*db, dir)) {
            state.SkipWithError("cannot open a database");
            break;
        }
        state.ResumeTiming();
        last = import(*db);
        state.PauseTiming();
        db.reset();
        state.ResumeTiming();
    }
    if (!last.ok && !state.error_occurred())
        state.SkipWithError(("import failed: " + last.message).c_str());
    state.counters["bookmarks"] = static_cast<double>(last.bookmarks);
    state.counters["folders"] = static_cast<double>(last.folders);
    std::filesystem::remove_all(dir);
    return last;
}

} // namespace vireo::bench

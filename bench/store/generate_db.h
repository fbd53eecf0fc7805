// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A deterministic database for the benchmarks: the same seed gives the same folders,
// titles, addresses and descriptions on every machine.

#include <cstdint>
#include <string>

namespace vireo::bench {

struct GeneratedSize {
    std::int32_t bookmarks = 100000;
    std::int32_t folders = 2000;
    std::uint32_t seed = 20261206;
};

// Builds the database in `dir` (which must not hold one) and saves it.
bool GenerateDatabase(const std::string& dir, const GeneratedSize& size, std::string* error);

} // namespace vireo::bench

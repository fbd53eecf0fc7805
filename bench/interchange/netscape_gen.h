// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A deterministic Netscape bookmark file for the benchmarks, shaped like a real browser
// export: nested folders, entities, non-ASCII titles, descriptions and some long icon
// lines. The same seed gives the same file on every machine.

#include <cstdint>
#include <string>

namespace vireo::bench {

struct NetscapeFileSize {
    std::int32_t bookmarks = 100000;
    std::int32_t folders = 2000;
    int maxDepth = 6;
    std::uint32_t seed = 20261206;
};

// The word that one title in about a hundred carries (in varying letter case), for finds.
inline constexpr const char* kFindWord = "garden";

std::string GenerateNetscapeFile(const NetscapeFileSize& size = {});

} // namespace vireo::bench

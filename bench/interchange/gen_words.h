// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The words the generated titles and descriptions are made of, as they stand in an HTML
// bookmark file: some non-ASCII, some written with entities.

#include <cstdint>

namespace vireo::bench {

inline constexpr const char* kHtmlWords[] = {
    "news",
    "weather",
    "recipes",
    "travel",
    "music",
    "linux",
    "kernel",
    "python",
    "guide",
    "review",
    "forum",
    "photos",
    "maps",
    "shop",
    "library",
    "science",
    "history",
    "football",
    "cinema",
    "radio",
    "Caf\xC3\xA9",
    "Stra\xC3\x9F"
    "e",
    "na\xC3\xAFve",
    "\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0",
    "\xE6\x9D\xB1\xE4\xBA\xAC",
    "\xC3\x89t\xC3\xA9",
    "Tom &amp; Jerry",
    "&quot;quoted&quot;",
    "A&lt;B&gt;",
    "M&#252;nchen",
};
inline constexpr std::uint32_t kHtmlWordCount = sizeof kHtmlWords / sizeof kHtmlWords[0];

} // namespace vireo::bench

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The eleven most recent search queries, newest first, stored under "\search\history" as
// `Query0` to `Query10`.

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace vireo {

class Registry;

inline constexpr std::size_t kHistorySize = 11;
inline constexpr std::string_view kHistorySubkey = "\\search\\history";

class SearchHistory {
public:
    std::array<std::string, kHistorySize> entries; // 0 is the newest

    // Reads every entry; true when at least one is not empty.
    bool Load(const Registry& reg);
    // Writes the entries that are not empty.
    void Save(Registry& reg) const;
    // A query equal to an entry changes nothing; otherwise the stored history is reloaded,
    // the query goes in front, the oldest entry drops out, and the history is saved.
    void Add(Registry& reg, std::string_view query);
    // The entries that are not empty, newest first (what the query boxes list).
    std::vector<std::string> NonEmpty() const;
};

} // namespace vireo

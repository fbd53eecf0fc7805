// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/search_history.h"

#include <algorithm>

#include "shell/registry.h"

namespace vireo {

namespace {

std::string QueryValueName(std::size_t index) {
    return "Query" + std::to_string(index);
}

} // namespace

bool SearchHistory::Load(const Registry& reg) {
    bool found = false;
    const std::string path = SettingsPath(kHistorySubkey);
    for (std::size_t i = 0; i < kHistorySize; ++i) {
        entries[i] = GetRegText(reg, path, QueryValueName(i));
        found = found || !entries[i].empty();
    }
    return found;
}

void SearchHistory::Save(Registry& reg) const {
    const std::string path = SettingsPath(kHistorySubkey);
    for (std::size_t i = 0; i < kHistorySize; ++i) {
        if (!entries[i].empty())
            SetRegValue(reg, path, QueryValueName(i), entries[i]);
    }
}

void SearchHistory::Add(Registry& reg, std::string_view query) {
    if (std::find(entries.begin(), entries.end(), query) != entries.end())
        return;
    Load(reg);
    std::move_backward(entries.begin(), entries.end() - 1, entries.end());
    entries[0] = query;
    Save(reg);
}

std::vector<std::string> SearchHistory::NonEmpty() const {
    std::vector<std::string> out;
    for (const auto& e : entries) {
        if (!e.empty())
            out.push_back(e);
    }
    return out;
}

} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A read-only examination of the four data files, for `vireo-cli check` and for support:
// it reports what loading would have to repair, without repairing anything.

#include <cstdint>
#include <string>
#include <vector>

namespace vireo {

struct IntegrityReport {
    std::vector<std::string> problems; // damage: loading would repair or lose something
    std::vector<std::string> notes;    // worth knowing, harmless
    std::int32_t folders = 0;
    std::int32_t bookmarks = 0;
    std::int32_t memos = 0;
    std::int64_t deadSpace = 0;
    bool Ok() const { return problems.empty(); }
};

IntegrityReport CheckDataDirectory(const std::string& dir);

} // namespace vireo

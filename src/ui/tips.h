// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The tip of the day: the tips file that ships in the program folder's help/, the
// rotation through it from one opening to the next (remembered as `LastTip`), and where a
// tip's help reference leads.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vireo {

class Registry;

inline constexpr std::string_view kTipsFile = "tips.vro";

// Tips and their references, indexed from 1; index 0 exists and stays empty.
struct TipList {
    std::vector<std::string> tips{std::string()};
    std::vector<std::string> references{std::string()};

    std::int32_t Count() const { return static_cast<std::int32_t>(tips.size()) - 1; }
};

// The tips file of a program folder: its help/ folder's tips.vro.
std::string TipsFilePath(const std::string& programFolder);

// Reads two lines per entry; an entry whose first line starts with an apostrophe is a
// comment and is skipped together with its second line. A file that cannot be read gives
// a single tip telling why, with the file's path on a second line, and no reference.
TipList ReadTips(const std::string& path);

// The tip to show after `lastTip`: the next one, or the first when `lastTip` is the last
// or beyond the end (the file was replaced by a shorter one). 0 when there are no tips.
std::int32_t NextTipIndex(std::int32_t lastTip, std::int32_t count);

// Advances the rotation stored in the settings and returns the index now shown.
std::int32_t AdvanceTip(Registry& reg, const TipList& tips);

// Where a reference leads: a web address as it is, a help page as a file:// address of
// the program folder's help/ page; "" for no reference.
std::string TipTarget(std::string_view reference, const std::string& programFolder);

} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/toolbar_rules.h"

#include "shell/registry.h"

namespace vireo {

namespace {
constexpr std::string_view kLocationSubkey = "\\location";
} // namespace

ToolbarPosition ReadToolbarPosition(const Registry& reg, std::int32_t screenWidth,
                                    std::int32_t screenHeight) {
    std::string key = SettingsPath(kLocationSubkey);
    ToolbarPosition pos{GetRegNumber(reg, key, "bartop"), GetRegNumber(reg, key, "barleft")};
    if (pos.top < 0 || pos.top > screenHeight)
        pos.top = 0;
    if (pos.left < 0 || pos.left > screenWidth)
        pos.left = 0;
    return pos;
}

void SaveToolbarPosition(Registry& reg, const ToolbarPosition& pos) {
    std::string key = SettingsPath(kLocationSubkey);
    SetRegValue(reg, key, "bartop", static_cast<std::int64_t>(pos.top));
    SetRegValue(reg, key, "barleft", static_cast<std::int64_t>(pos.left));
}

} // namespace vireo

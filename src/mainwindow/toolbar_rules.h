// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The rules of the button bar and the floating toolbar that need no widget: the pictures'
// names and where the toolbar stands.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vireo {

class Registry;

// The buttons, top to bottom.
inline constexpr int kButtonWindow = 0; // main window <-> floating toolbar
inline constexpr int kButtonHome = 1;   // the home page in the browser
inline constexpr int kButtonWeb = 2;    // web search
inline constexpr int kButtonFind = 3;   // find bookmarks
inline constexpr int kButtonCount = 4;

// The picture name prefixes; the first button shows "rolldn_" while the floating toolbar
// is up.
inline constexpr std::array<std::string_view, kButtonCount> kButtonNames = {"rollup_", "browse_", "web_",
                                                                            "local_"};
inline constexpr std::string_view kRollDownName = "rolldn_";
// The three pictures of a button are its prefix plus one of these.
inline constexpr std::string_view kPictureUp = "up";
inline constexpr std::string_view kPictureDown = "dn";
inline constexpr std::string_view kPictureOver = "over";

inline constexpr std::string_view kBrowserNotConfigured = "Browser not configured";

// Where the floating toolbar stands, in pixels, kept under the settings key's "\location"
// as "bartop" and "barleft".
struct ToolbarPosition {
    std::int32_t top = 0;
    std::int32_t left = 0;
    bool operator==(const ToolbarPosition&) const = default;
};

// The stored position; a coordinate that is negative or beyond the screen becomes 0, so
// the toolbar never opens where the user cannot reach it.
ToolbarPosition ReadToolbarPosition(const Registry& reg, std::int32_t screenWidth, std::int32_t screenHeight);
void SaveToolbarPosition(Registry& reg, const ToolbarPosition& pos);

} // namespace vireo

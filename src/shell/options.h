// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The user's preferences, read from the settings store at the moment they are needed
// (nothing is cached, so a change made by the options dialog or by vireo-cli applies at
// once). Every value is stored as decimal text, and an absent value reads as 0, which is
// always the default: that is why most yes/no options are stored inverted.

#include <cstdint>
#include <span>
#include <string>

#include "shell/registry.h"
#include "store/store_services.h"

namespace vireo {

// Subkeys of the settings key that hold options.
inline constexpr std::string_view kBrowserSubkey = "\\browser";
inline constexpr std::string_view kSearchSubkey = "\\search";

// Floating toolbar stays on top of other windows (`ToolbarTop`, 1 = not on top).
bool GetToolbarTop(const Registry& reg);
void SetToolbarTop(Registry& reg, bool onTop);

// Tip window at start-up (`ShowTips`, 1 = do not show).
bool GetShowTips(const Registry& reg);
void SetShowTips(Registry& reg, bool show);

// What deleting does (`DeleteBmks`): 0 moves to the Trash folder, 1 deletes at once.
std::int32_t GetDeleteBmks(const Registry& reg);
bool GetDeleteImmediately(const Registry& reg);
// The button groups' setters take the index of the checked button.
void SetDeleteBmks(Registry& reg, std::int32_t index);

// What a dropped link does (`BmkDrop`): 0 files it silently, 1 asks when a title is
// needed, 2 always asks.
std::int32_t GetBmkDrop(const Registry& reg);
void SetBmkDrop(Registry& reg, std::int32_t index);

// The Trash folder on exit (`Trash`): 0 keep, 1 empty, 2 ask.
std::int32_t GetTrash(const Registry& reg);
void SetTrash(Registry& reg, std::int32_t index);

// All event sounds off (`DisableSound` = 1).
bool GetDisableSound(const Registry& reg);
void SetDisableSound(Registry& reg, bool disabled);

// The tip shown last (`LastTip`, 1-based).
std::int32_t GetLastTip(const Registry& reg);
void SetLastTip(Registry& reg, std::int32_t index);

// The browser in use: `Which` (a browser kind) and `UserDefined` (its executable when
// `Which` is 0). The writer is SaveBrowser (interchange/browser.h).
void GetBrowserChoice(const Registry& reg, std::int32_t& which, std::string& userDefined);

// Whether to offer making the home page the browser's start page (`AskHome`: 0 ask,
// 1 never). Any other stored number is repaired to 0.
bool GetAskHome(Registry& reg);
void SetAskHome(Registry& reg, std::int32_t value);

// True when a starting search asks whether to dial a connection (`ConnectionAction` 0).
bool GetConnectionAction(const Registry& reg);
void SetConnectionAction(Registry& reg, std::int32_t value);

// Days between checks for updated search engines, 2 to 7; 3 otherwise.
std::int32_t GetDaysToCheck(const Registry& reg);
void SetDaysToCheck(Registry& reg, std::int32_t days);

// The folder that receives dropped links: always the unsorted-bookmarks folder.
std::int16_t GetDropFolder();

// The index a button group stores: the last checked button, scanning from index 0 up;
// 0 when none is checked.
std::int32_t CheckedButtonIndex(std::span<const bool> checked);

// The store's option reads, answered from the settings.
class RegistryStoreOptions : public StoreOptions {
public:
    explicit RegistryStoreOptions(const Registry& reg) : m_reg(reg) {}
    bool DeleteBmksImmediately() const override { return GetDeleteImmediately(m_reg); }

private:
    const Registry& m_reg;
};

} // namespace vireo

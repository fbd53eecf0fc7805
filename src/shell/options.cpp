// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/options.h"

#include "store/records.h"

namespace vireo {

namespace {

std::int32_t Number(const Registry& reg, std::string_view name, std::string_view subkey = {}) {
    return GetRegNumber(reg, SettingsPath(subkey), name);
}

void Store(Registry& reg, std::string_view name, std::int64_t value, std::string_view subkey = {}) {
    SetRegValue(reg, SettingsPath(subkey), name, value);
}

// The options dialog never offers an index outside its buttons; anything else would be
// read back as a choice no button shows, so the first button is stored instead.
std::int32_t ButtonIndex(std::int32_t index, std::int32_t buttons) {
    return index >= 0 && index < buttons ? index : 0;
}

} // namespace

bool GetToolbarTop(const Registry& reg) {
    return Number(reg, "ToolbarTop") != 1;
}
void SetToolbarTop(Registry& reg, bool onTop) {
    Store(reg, "ToolbarTop", onTop ? 0 : 1);
}

bool GetShowTips(const Registry& reg) {
    return Number(reg, "ShowTips") != 1;
}
void SetShowTips(Registry& reg, bool show) {
    Store(reg, "ShowTips", show ? 0 : 1);
}

std::int32_t GetDeleteBmks(const Registry& reg) {
    return Number(reg, "DeleteBmks");
}
bool GetDeleteImmediately(const Registry& reg) {
    return GetDeleteBmks(reg) == 1;
}
void SetDeleteBmks(Registry& reg, std::int32_t index) {
    Store(reg, "DeleteBmks", ButtonIndex(index, 2));
}

std::int32_t GetBmkDrop(const Registry& reg) {
    return Number(reg, "BmkDrop");
}
void SetBmkDrop(Registry& reg, std::int32_t index) {
    Store(reg, "BmkDrop", ButtonIndex(index, 3));
}

std::int32_t GetTrash(const Registry& reg) {
    return Number(reg, "Trash");
}
void SetTrash(Registry& reg, std::int32_t index) {
    Store(reg, "Trash", ButtonIndex(index, 3));
}

bool GetDisableSound(const Registry& reg) {
    return Number(reg, "DisableSound") == 1;
}
void SetDisableSound(Registry& reg, bool disabled) {
    Store(reg, "DisableSound", disabled ? 1 : 0);
}

std::int32_t GetLastTip(const Registry& reg) {
    return Number(reg, "LastTip");
}
void SetLastTip(Registry& reg, std::int32_t index) {
    Store(reg, "LastTip", index);
}

void GetBrowserChoice(const Registry& reg, std::int32_t& which, std::string& userDefined) {
    which = Number(reg, "Which", kBrowserSubkey);
    userDefined = GetRegText(reg, SettingsPath(kBrowserSubkey), "UserDefined");
}

bool GetAskHome(Registry& reg) {
    std::int32_t v = Number(reg, "AskHome", kBrowserSubkey);
    if (v == 1)
        return false;
    if (v != 0)
        Store(reg, "AskHome", 0, kBrowserSubkey);
    return true;
}
void SetAskHome(Registry& reg, std::int32_t value) {
    Store(reg, "AskHome", value, kBrowserSubkey);
}

bool GetConnectionAction(const Registry& reg) {
    return Number(reg, "ConnectionAction", kSearchSubkey) == 0;
}
void SetConnectionAction(Registry& reg, std::int32_t value) {
    Store(reg, "ConnectionAction", value, kSearchSubkey);
}

std::int32_t GetDaysToCheck(const Registry& reg) {
    std::int32_t n = Number(reg, "DaysToCheck", kSearchSubkey);
    return n >= 2 && n <= 7 ? n : 3;
}
void SetDaysToCheck(Registry& reg, std::int32_t days) {
    Store(reg, "DaysToCheck", days, kSearchSubkey);
}

std::int16_t GetDropFolder() {
    return kUnsortedFolder;
}

std::int32_t CheckedButtonIndex(std::span<const bool> checked) {
    std::int32_t index = 0;
    for (std::size_t i = 0; i < checked.size(); ++i) {
        if (checked[i])
            index = static_cast<std::int32_t>(i);
    }
    return index;
}

} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/sync_profiles.h"

#include <algorithm>
#include <filesystem>

#include "platform/paths.h"
#include "shell/registry.h"

namespace vireo::sync {

namespace {
std::string Key(std::string_view name = {}) {
    std::string k = SettingsPath("\\sync");
    if (!name.empty())
        k += "\\" + std::string(name);
    return k;
}
} // namespace

bool ValidProfileName(std::string_view name, std::string& why) {
    if (name.empty() || name.size() > 64) {
        why = "A profile name has 1 to 64 characters.";
        return false;
    }
    if (name.front() == '.' || name.front() == ' ' || name.back() == ' ') {
        why = "A profile name cannot start with a dot or start or end with a space.";
        return false;
    }
    for (char c : name) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' ||
                  c == '.' || c == '-' || c == '_';
        if (!ok) {
            why = "A profile name holds only letters, digits, spaces, '.', '-' and '_'.";
            return false;
        }
    }
    return true;
}

std::string_view DirectionName(Direction d) {
    switch (d) {
    case Direction::Up:
        return "up";
    case Direction::Down:
        return "down";
    case Direction::Both:
        break;
    }
    return "both";
}

bool ParseDirection(std::string_view text, Direction& d) {
    if (text == "both")
        d = Direction::Both;
    else if (text == "up")
        d = Direction::Up;
    else if (text == "down")
        d = Direction::Down;
    else
        return false;
    return true;
}

bool FindProfile(const Registry& reg, std::string_view name, SyncProfile& out) {
    std::string why;
    if (!ValidProfileName(name, why) || !reg.KeyExists(kHKeyCurrentUser, Key(name)))
        return false;
    // The key keeps the case it was made with; the profile's own name is that.
    for (const auto& sub : reg.SubKeys(kHKeyCurrentUser, Key()))
        if (FoldRegName(sub) == FoldRegName(name))
            out.name = sub;
    std::string k = Key(name);
    out.url = GetRegText(reg, k, "url");
    out.user = GetRegText(reg, k, "user");
    std::int32_t folder = GetRegNumber(reg, k, "folder");
    out.folder = static_cast<std::int16_t>(folder >= 1 && folder <= 32767 ? folder : 1);
    std::int32_t dir = GetRegNumber(reg, k, "direction");
    out.direction = dir == 1 ? Direction::Up : dir == 2 ? Direction::Down : Direction::Both;
    std::int32_t when = GetRegNumber(reg, k, "when");
    out.when = when == 1 ? SyncWhen::AtStart : when == 2 ? SyncWhen::Every : SyncWhen::ByHand;
    std::int32_t minutes = GetRegNumber(reg, k, "minutes");
    out.minutes = minutes > 0 ? std::clamp(minutes, kMinMinutes, kMaxMinutes) : 30;
    out.lastResult = GetRegText(reg, k, "LastResult");
    out.lastTime = std::max<std::int64_t>(0, std::atoll(GetRegText(reg, k, "LastTime").c_str()));
    out.lastOk = GetRegNumber(reg, k, "LastOk") == 1;
    return true;
}

std::vector<SyncProfile> LoadProfiles(const Registry& reg) {
    std::vector<SyncProfile> out;
    for (const auto& name : reg.SubKeys(kHKeyCurrentUser, Key())) {
        SyncProfile p;
        if (FindProfile(reg, name, p))
            out.push_back(std::move(p));
    }
    return out;
}

void SaveProfile(Registry& reg, const SyncProfile& p) {
    std::string k = Key(p.name);
    SetRegValue(reg, k, "url", p.url);
    SetRegValue(reg, k, "user", p.user);
    SetRegValue(reg, k, "folder", std::int64_t{p.folder});
    SetRegValue(reg, k, "direction", static_cast<std::int64_t>(p.direction));
    SetRegValue(reg, k, "when", static_cast<std::int64_t>(p.when));
    SetRegValue(reg, k, "minutes", std::int64_t{std::clamp(p.minutes, kMinMinutes, kMaxMinutes)});
}

bool RemoveProfile(Registry& reg, std::string_view name) {
    std::string why;
    if (!ValidProfileName(name, why))
        return false;
    return reg.DeleteKey(kHKeyCurrentUser, Key(name));
}

void SaveProfileResult(Registry& reg, std::string_view name, bool ok, std::string_view result,
                       std::int64_t time) {
    std::string k = Key(name);
    if (!reg.KeyExists(kHKeyCurrentUser, k))
        return; // removed while it ran
    SetRegValue(reg, k, "LastResult", result);
    SetRegValue(reg, k, "LastTime", std::to_string(time));
    SetRegValue(reg, k, "LastOk", std::int64_t{ok ? 1 : 0});
}

std::string ProfileDir(std::string_view name) {
    return (std::filesystem::path(sys::DataHome()) / "Vireo" / "sync" / std::string(name)).string();
}

} // namespace vireo::sync

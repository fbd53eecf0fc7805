// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/search_groups.h"

#include <algorithm>

#include "shell/registry.h"
#include "store/text_codec.h"

namespace vireo {

namespace {

std::string Trimmed(std::string_view s) {
    return std::string(text::TrimSpaces(s));
}

std::string GroupKey(std::string_view name) {
    return SettingsPath(kGroupsSubkey) + "\\" + std::string(name);
}

// The high-water mark in the settings, raised to the table's and to every number in use.
void StoreLastNumber(const SearchGroupTable& table, Registry& reg) {
    std::int32_t last = std::max<std::int32_t>(
        table.lastNumber, GetRegNumber(reg, SettingsPath("\\search"), kLastGroupNumberValue));
    for (const auto& g : table.entries)
        last = std::max<std::int32_t>(last, g.number);
    SetRegValue(reg, SettingsPath("\\search"), kLastGroupNumberValue, std::clamp(last, 0, 32767));
}

SearchGroup AllEngines(const std::vector<SiteEntry>& sites) {
    SearchGroup g;
    g.name = kAllEnginesGroupName;
    g.number = 0;
    for (const auto& s : sites)
        g.engines.push_back(Trimmed(s.name));
    return g;
}

// The settings fold the letter case of key names, so two groups whose names differ only
// in case would share one subkey and overwrite each other.
bool SameKeyName(std::string_view a, std::string_view b) {
    return FoldRegName(text::TrimSpaces(a)) == FoldRegName(text::TrimSpaces(b));
}

GroupEditResult CheckNewName(const SearchGroupTable& table, std::string_view name, std::int32_t except) {
    std::string n = Trimmed(name);
    if (n.empty())
        return GroupEditResult::EmptyName;
    if (n.find('\\') != std::string::npos)
        return GroupEditResult::BadName;
    for (std::int32_t i = 0; i <= table.GroupCount(); ++i) {
        if (i != except && SameKeyName(table.entries[static_cast<std::size_t>(i)].name, n))
            return GroupEditResult::NameExists;
    }
    return GroupEditResult::Done;
}

} // namespace

SearchGroupTable::SearchGroupTable() : entries(1) {
    entries[0].name = kAllEnginesGroupName;
}

const SearchGroup& SearchGroupTable::At(std::int32_t index) const {
    return IsIndex(index) ? entries[static_cast<std::size_t>(index)] : entries[0];
}

void RefreshAllEngines(SearchGroupTable& table, const std::vector<SiteEntry>& sites) {
    if (table.entries.empty())
        table.entries.emplace_back();
    table.entries[0] = AllEngines(sites);
}

void LoadGroups(SearchGroupTable& table, const Registry& reg, SearchLibrary& library,
                const std::vector<SiteEntry>& sites) {
    table.entries.clear();
    table.entries.push_back(AllEngines(sites));
    table.lastNumber = static_cast<std::int16_t>(
        std::clamp(GetRegNumber(reg, SettingsPath("\\search"), kLastGroupNumberValue), 0, 32767));
    library.ClearHashTable();
    // GroupCount is only a hint: every stored group is loaded, also when it says fewer
    // (a table sized by it would drop or overrun groups), and no empty entries are made
    // when it says more.
    const std::string groupsPath = SettingsPath(kGroupsSubkey);
    for (const auto& name : reg.SubKeys(kHKeyCurrentUser, groupsPath)) {
        SearchGroup g;
        g.name = name;
        std::string key = groupsPath + "\\" + name;
        g.number = static_cast<std::int16_t>(GetRegNumber(reg, key, "uid"));
        library.AddHash(g.number, g.name);
        table.lastNumber = std::max(table.lastNumber, g.number);
        for (int i = 1;; ++i) {
            std::string engine = GetRegText(reg, key, "engine" + std::to_string(i));
            if (engine.empty())
                break;
            g.engines.push_back(std::move(engine));
        }
        table.entries.push_back(std::move(g));
    }
}

std::int32_t GetSitesKeepingGroups(SearchLibrary& library, const Registry& reg,
                                   const std::string& programFolder, std::int16_t nameWidth,
                                   std::vector<SiteEntry>& sites, std::vector<SiteEntry>& leftOut) {
    // A group that lost an engine to the limit would search without it and say nothing.
    std::vector<std::string> grouped;
    const std::string groupsPath = SettingsPath(kGroupsSubkey);
    for (const auto& name : reg.SubKeys(kHKeyCurrentUser, groupsPath)) {
        for (int i = 1;; ++i) {
            std::string engine = GetRegText(reg, groupsPath + "\\" + name, "engine" + std::to_string(i));
            if (engine.empty())
                break;
            grouped.push_back(Trimmed(engine));
        }
    }
    library.KeepSites(grouped, nameWidth);
    std::int32_t r = library.GetSites(programFolder, sites);
    leftOut = library.LeftOutSites();
    return r;
}

std::string LeftOutSitesText(const std::vector<SiteEntry>& leftOut) {
    if (leftOut.empty())
        return {};
    std::string text = "At most " + std::to_string(kMaxSites) + " engines can be used; left out: ";
    for (std::size_t i = 0; i < leftOut.size(); ++i)
        text += (i ? ", " : "") + Trimmed(leftOut[i].name);
    return text + ".";
}

void SaveGroups(const SearchGroupTable& table, Registry& reg) {
    const std::string groupsPath = SettingsPath(kGroupsSubkey);
    reg.DeleteKey(kHKeyCurrentUser, groupsPath);
    SetRegValue(reg, groupsPath, "GroupCount", table.GroupCount());
    StoreLastNumber(table, reg);
    for (std::int32_t i = 1; i <= table.GroupCount(); ++i) {
        const SearchGroup& g = table.entries[static_cast<std::size_t>(i)];
        std::string key = GroupKey(Trimmed(g.name));
        SetRegValue(reg, key, "uid", g.number);
        int n = 0;
        for (const auto& e : g.engines)
            SetRegValue(reg, key, "engine" + std::to_string(++n), Trimmed(e));
    }
}

std::int32_t FindGroup(const SearchGroupTable& table, std::int16_t number) {
    std::int32_t found = -1;
    for (std::int32_t i = 0; i <= table.GroupCount(); ++i) {
        if (table.entries[static_cast<std::size_t>(i)].number == number)
            found = i;
    }
    return found;
}

std::int32_t FindGroupByName(const SearchGroupTable& table, std::string_view name) {
    std::string n = Trimmed(name);
    for (std::int32_t i = 0; i <= table.GroupCount(); ++i) {
        if (Trimmed(table.entries[static_cast<std::size_t>(i)].name) == n)
            return i;
    }
    return -1;
}

std::int16_t NewGroupNumber(SearchGroupTable& table) {
    std::int32_t highest = table.lastNumber;
    for (const auto& g : table.entries)
        highest = std::max<std::int32_t>(highest, g.number);
    if (highest < 32767) {
        table.lastNumber = static_cast<std::int16_t>(highest + 1);
        return table.lastNumber;
    }
    // Every number has been handed out once: take the lowest that no group has now.
    for (std::int32_t n = 1; n <= 32767; ++n) {
        if (FindGroup(table, static_cast<std::int16_t>(n)) < 0)
            return static_cast<std::int16_t>(n);
    }
    return 0;
}

std::string GroupExistsMessage(std::string_view name) {
    return "The group name (" + std::string(name) + ") already exists.\nTry another name.";
}

GroupEditResult AddGroup(SearchGroupTable& table, std::string_view name, std::int32_t* index) {
    GroupEditResult r = CheckNewName(table, name, -1);
    if (r != GroupEditResult::Done)
        return r;
    SearchGroup g;
    g.name = Trimmed(name);
    g.number = NewGroupNumber(table);
    table.entries.push_back(std::move(g));
    if (index)
        *index = table.GroupCount();
    return GroupEditResult::Done;
}

GroupEditResult RenameGroup(SearchGroupTable& table, Registry& reg, SearchLibrary& library,
                            const std::vector<SiteEntry>& sites, std::int32_t group, std::string_view newName,
                            std::int32_t* index) {
    if (group == 0)
        return GroupEditResult::BuiltIn;
    if (!table.IsIndex(group))
        return GroupEditResult::NoSuchGroup;
    GroupEditResult r = CheckNewName(table, newName, group);
    if (r != GroupEditResult::Done)
        return r;
    std::string name = Trimmed(newName);
    SearchGroup copy = table.entries[static_cast<std::size_t>(group)];
    std::string oldName = copy.name;
    copy.name = name;
    copy.number = NewGroupNumber(table);
    if (SameKeyName(oldName, name)) {
        // Only the letter case changes: both names are one key, so deleting the old one
        // after saving the copy would delete the copy too. Rename in place.
        table.entries[static_cast<std::size_t>(group)] = std::move(copy);
        SaveGroups(table, reg);
        LoadGroups(table, reg, library, sites);
    } else {
        table.entries.push_back(std::move(copy));
        SaveGroups(table, reg);
        DeleteGroup(table, reg, library, sites, group);
    }
    if (index)
        *index = FindGroupByName(table, name);
    return GroupEditResult::Done;
}

GroupEditResult DeleteGroup(SearchGroupTable& table, Registry& reg, SearchLibrary& library,
                            const std::vector<SiteEntry>& sites, std::int32_t group) {
    if (group == 0)
        return GroupEditResult::BuiltIn;
    if (!table.IsIndex(group))
        return GroupEditResult::NoSuchGroup;
    const std::string groupsPath = SettingsPath(kGroupsSubkey);
    std::int32_t count = GetRegNumber(reg, groupsPath, "GroupCount");
    SetRegValue(reg, groupsPath, "GroupCount", std::max(0, count - 1));
    // The deleted group's number stays taken after the reload below.
    StoreLastNumber(table, reg);
    reg.DeleteKey(kHKeyCurrentUser, GroupKey(Trimmed(table.entries[static_cast<std::size_t>(group)].name)));
    LoadGroups(table, reg, library, sites);
    return GroupEditResult::Done;
}

GroupEditResult SetGroupEngine(SearchGroupTable& table, std::int32_t group, std::string_view engine,
                               bool ticked) {
    if (group == 0)
        return GroupEditResult::BuiltIn;
    if (!table.IsIndex(group))
        return GroupEditResult::NoSuchGroup;
    auto& engines = table.entries[static_cast<std::size_t>(group)].engines;
    std::string name = Trimmed(engine);
    auto it = std::find_if(engines.begin(), engines.end(),
                           [&](const std::string& e) { return Trimmed(e) == name; });
    if (ticked && it == engines.end())
        engines.push_back(name);
    else if (!ticked && it != engines.end())
        engines.erase(it);
    return GroupEditResult::Done;
}

bool GroupHasEngine(const SearchGroup& group, std::string_view engine) {
    std::string name = Trimmed(engine);
    return std::any_of(group.engines.begin(), group.engines.end(),
                       [&](const std::string& e) { return Trimmed(e) == name; });
}

} // namespace vireo

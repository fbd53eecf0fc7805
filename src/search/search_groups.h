// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Search groups: named lists of engines a search runs over. Entry 0 of the table is the
// built-in "All Engines" (every engine the library reported, never stored); the others
// live in the settings under "\search\groups", one subkey per group.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "search/search_library.h"

namespace vireo {

class Registry;

inline constexpr std::string_view kAllEnginesGroupName = "All Engines";
inline constexpr std::string_view kGroupsSubkey = "\\search\\groups";
// Under "\search": the highest group number ever handed out, so that no number is given
// twice (a results folder of a deleted group must not rerun with a newer one).
inline constexpr std::string_view kLastGroupNumberValue = "LastGroupNumber";

struct SearchGroup {
    std::string name;
    std::int16_t number = 0;          // stored as `uid`
    std::vector<std::string> engines; // engine names as the site table has them
    bool operator==(const SearchGroup&) const = default;
};

// The program-wide group table: entries 0 to GroupCount(), entry 0 being "All Engines".
class SearchGroupTable {
public:
    SearchGroupTable();

    std::vector<SearchGroup> entries;
    // The highest group number handed out so far (stored as LastGroupNumber).
    std::int16_t lastNumber = 0;

    // The highest table index (the stored `GroupCount`).
    std::int32_t GroupCount() const { return static_cast<std::int32_t>(entries.size()) - 1; }
    bool IsIndex(std::int32_t index) const {
        return index >= 0 && index < static_cast<std::int32_t>(entries.size());
    }
    // The group at an index; entry 0 for an index outside the table.
    const SearchGroup& At(std::int32_t index) const;
};

// Rebuilds the table: entry 0 from `sites` (their trimmed names, in site order), then one
// entry per subkey of "\search\groups" in the settings store's order, with its `uid` and
// its `engine1`, `engine2`, ... up to the first empty one. Tells the library every stored
// group (ClearHashTable, then AddHash for each). Every subkey is loaded, also when
// `GroupCount` says fewer.
// Entry 0 made again from `sites` (an engine was added), the other groups left as they are.
void RefreshAllEngines(SearchGroupTable& table, const std::vector<SiteEntry>& sites);

void LoadGroups(SearchGroupTable& table, const Registry& reg, SearchLibrary& library,
                const std::vector<SiteEntry>& sites);
// The library's engines as GetSites reports them, with every engine a stored group names
// kept first when the library cannot report them all (at most kMaxSites); `leftOut` gets
// the engines it left out. `nameWidth`: the characters of a name the program shows and
// stores in its groups (0: whole names).
std::int32_t GetSitesKeepingGroups(SearchLibrary& library, const Registry& reg,
                                   const std::string& programFolder, std::int16_t nameWidth,
                                   std::vector<SiteEntry>& sites, std::vector<SiteEntry>& leftOut);
// "At most 61 engines can be used; left out: NAME, NAME." ("" when none is left out).
std::string LeftOutSitesText(const std::vector<SiteEntry>& leftOut);
// Replaces "\search\groups" with the table's entries from 1 (names and engines trimmed),
// and keeps LastGroupNumber.
void SaveGroups(const SearchGroupTable& table, Registry& reg);
// The last index whose number is `number`, -1 when none has it.
std::int32_t FindGroup(const SearchGroupTable& table, std::int16_t number);
// The first index whose trimmed name equals the trimmed `name` (exactly), -1 when none.
std::int32_t FindGroupByName(const SearchGroupTable& table, std::string_view name);
// A number no group has had: one above the highest ever handed out or in use (a results
// folder stores its group's number, so numbers must tell groups apart, also after one was
// deleted). Raises the table's lastNumber; SaveGroups and DeleteGroup store it.
std::int16_t NewGroupNumber(SearchGroupTable& table);

// Editing the table, as the group manager and `vireo-cli groups` do.
enum class GroupEditResult {
    Done,
    EmptyName,  // nothing to do
    NameExists, // another group has that name (trimmed, letter case ignored as the settings do)
    BadName,    // a name the settings cannot hold as a key: it contains "\"
    BuiltIn,    // "All Engines" cannot be renamed, deleted or edited
    NoSuchGroup,
};
// "The group name (NAME) already exists.\nTry another name." titled "Group name Exists".
std::string GroupExistsMessage(std::string_view name);
inline constexpr std::string_view kGroupExistsTitle = "Group name Exists";

// Appends a group with no engines and a new number (unsaved); `index` gets its index.
GroupEditResult AddGroup(SearchGroupTable& table, std::string_view name, std::int32_t* index = nullptr);
// Appends a copy of the group under the new name with a new number, saves the whole table,
// then deletes the old group as DeleteGroup does. `index` gets the renamed group's index
// after the reload.
GroupEditResult RenameGroup(SearchGroupTable& table, Registry& reg, SearchLibrary& library,
                            const std::vector<SiteEntry>& sites, std::int32_t group, std::string_view newName,
                            std::int32_t* index = nullptr);
// Lowers the stored `GroupCount` by one, deletes the group's subkey and reloads the table
// from the settings (edits not saved are lost).
GroupEditResult DeleteGroup(SearchGroupTable& table, Registry& reg, SearchLibrary& library,
                            const std::vector<SiteEntry>& sites, std::int32_t group);
// Ticking an engine appends its trimmed name to the group; unticking removes the entry
// whose trimmed name equals it. Nothing changes for "All Engines".
GroupEditResult SetGroupEngine(SearchGroupTable& table, std::int32_t group, std::string_view engine,
                               bool ticked);
// True when the group (trimmed names compared) lists the engine.
bool GroupHasEngine(const SearchGroup& group, std::string_view engine);

} // namespace vireo

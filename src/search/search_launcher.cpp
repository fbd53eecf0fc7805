// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/search_launcher.h"

#include <cctype>
#include <limits>

#include "search/engine_update.h"
#include "search/query_translation.h"
#include "search/search_history.h"
#include "search/search_settings.h"
#include "shell/options.h"
#include "shell/user_messages.h"
#include "store/database.h"
#include "store/text_codec.h"

namespace vireo {

namespace {

std::string Trimmed(std::string_view s) {
    return std::string(text::TrimSpaces(s));
}

void RunEngineCheck(const SearchContext& ctx, const EngineCheckFn& engineCheck) {
    if (engineCheck)
        engineCheck();
    else
        CheckEngineUpdate(ctx.reg, ctx.library, ctx.programFolder);
}

bool RefuseEmptyQuery(clsSearch& search, std::string_view query) {
    std::string q = Trimmed(query);
    if (text::CharCount(q) >= 2)
        return false;
    // A single character would be dropped by the search without a word; it is said here,
    // before the query reaches the history.
    search.Context().messages.Message(q.empty() ? kNoQueryMessage : kShortQueryMessage, kNoQueryTitle,
                                      MsgButtons::Ok, MsgIcon::Exclamation);
    return true;
}

} // namespace

std::string GroupNotFoundMessage() {
    return "The group associated with this search\nno longer exists.  Press OK to select\n"
           "a new group or CANCEL to end this search.";
}

bool LoadFolderSearch(clsSearch& search, std::int16_t folder, const GroupManagerFn& openGroupManager) {
    const SearchContext& ctx = search.Context();
    if (!ctx.db.IsLiveFolder(folder) || FolderKindOf(ctx.db.Folder(folder)) != FolderKind::SearchResults)
        return true;
    const FolderRecord& f = ctx.db.Folder(folder);
    search.SetFolderToUse(folder);
    search.SetSearchQuery(Trimmed(f.SearchQuery.Text()));
    search.SetMaxHits(f.MaxHits);
    search.SetSiteMax(f.SiteMax);
    search.SetTimeout(f.Timeout);
    for (int bit = 2; bit >= 0; --bit) {
        if (f.FormatBit(bit)) {
            search.SetFormatOption(static_cast<std::int16_t>(bit));
            break;
        }
    }
    std::int32_t index = FindGroup(ctx.state.groups, f.SearchGroup);
    search.SetSearchGroupIndex(static_cast<std::int16_t>(index));
    if (index >= 0)
        return true;
    if (ctx.messages.Message(GroupNotFoundMessage(), kGroupNotFoundTitle, MsgButtons::OkCancel,
                             MsgIcon::Question) != MsgResult::Ok)
        return false;
    return openGroupManager && openGroupManager(search);
}

SearchLaunch LaunchSearch(const SearchContext& context, SearchDialogMode mode, std::int16_t folder,
                          std::string_view query, const GroupManagerFn& openGroupManager) {
    SearchLaunch launch;
    launch.search = std::make_unique<clsSearch>(context);
    clsSearch& search = *launch.search;
    search.Init();
    search.SetFormatOption(-1);
    search.SetSearchGroupIndex(-1);
    if (!query.empty())
        search.SetSearchQuery(query);
    if (folder > 0 && !LoadFolderSearch(search, folder, openGroupManager)) {
        launch.search.reset();
        return launch;
    }
    if (mode == kSearchDialogLastUsed)
        mode = GetLastSearch(context.reg) == 1 ? kSearchDialogAdvanced : kSearchDialogQuick;
    launch.dialog = mode == kSearchDialogAdvanced ? kSearchDialogAdvanced : kSearchDialogQuick;
    return launch;
}

bool StartQuickSearch(clsSearch& search, SearchHistory& history, std::string_view query,
                      const EngineCheckFn& engineCheck) {
    if (RefuseEmptyQuery(search, query))
        return false;
    const SearchContext& ctx = search.Context();
    std::string q = Trimmed(query);
    search.Reset();
    search.SetPlaySound(true);
    RunEngineCheck(ctx, engineCheck);
    history.Add(ctx.reg, q);
    search.SetSearchQuery(q);
    search.SetSearchGroupIndex(0);
    search.SetMaxHits(100);
    search.SetSiteMax(10);
    search.SetTimeout(5);
    search.SetFormatOption(-1);
    return search.Search();
}

bool StartAdvancedSearch(clsSearch& search, SearchHistory& history, const AdvancedSearchInput& input,
                         const std::function<bool()>& askConnection, const EngineCheckFn& engineCheck) {
    if (RefuseEmptyQuery(search, input.query))
        return false;
    const SearchContext& ctx = search.Context();
    if (ctx.library.ConnectionExists() == 0 && GetConnectionAction(ctx.reg) && askConnection &&
        !askConnection())
        return false;
    search.SetPlaySound(input.playSound);
    RunEngineCheck(ctx, engineCheck);

    AdvancedSearchSettings settings;
    settings.optFormat = input.format;
    settings.comboExclude = input.exclude;
    settings.maxHits = NumericValue(input.maxHitsText);
    settings.playSound = input.playSound;
    settings.groupName = ctx.state.groups.At(input.groupIndex).name;
    settings.siteMax = NumericValue(input.siteMaxText);
    SaveAdvancedSearchSettings(ctx.reg, settings);

    search.SetSearchGroupIndex(input.groupIndex);
    history.Add(ctx.reg, Trimmed(input.query));
    search.SetSearchQuery(TranslateQuery(input.query, input.exclude, input.format));
    search.SetMaxHits(settings.maxHits);
    search.SetSiteMax(settings.siteMax);
    search.SetTimeout(5);
    if (input.format >= 0 && input.format <= 2)
        search.SetFormatOption(static_cast<std::int16_t>(input.format));
    return search.Search();
}

std::int32_t NumericValue(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    std::int64_t value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > std::numeric_limits<std::int32_t>::max())
            value = std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

std::int32_t InitialGroupSelection(const clsSearch& search) {
    const SearchContext& ctx = search.Context();
    if (search.SearchGroupIndex() >= 0 && ctx.state.groups.IsIndex(search.SearchGroupIndex()))
        return search.SearchGroupIndex();
    std::int32_t byName = FindGroupByName(ctx.state.groups, StoredGroupName(ctx.reg));
    return byName >= 0 ? byName : 0;
}

} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Finding bookmarks in the database by title, address or description, in one folder or
// in a folder and every folder below it.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "interchange/exchange_result.h"
#include "store/ole_date.h"

namespace vireo {

class Database;
class Registry;

inline constexpr std::string_view kFindSettingsKey = "\\Find";
inline constexpr std::string_view kNoTitle = "(No Title)";
inline constexpr std::string_view kNoItemsRow = "There are no items to show in this view";
inline constexpr std::string_view kFoundSuffix = " bookmark(s) found";
inline constexpr std::string_view kFindResultPrefix = "Find Result: ";
inline constexpr std::string_view kFromFind = "From Find";
inline constexpr std::string_view kNothingToCopy = "There are zero items in the list to copy.";
inline constexpr std::string_view kCopyResultsTitle = "Copy Results";

struct FindSettings {
    // The six that are kept in the settings.
    bool InName = true;
    bool InUrl = true;
    bool InDesc = true;
    bool MatchCase = false;
    bool ExactMatch = false;
    bool Recursive = true;
    // Read from the dialog each time.
    std::string FindText;
    std::int16_t FindFolder = 1;
    // Only bookmarks a link check marked dead or unreachable; with an empty text, all of
    // them. Not kept in the settings: a search that quietly skipped every live bookmark
    // the next time would look like a fault.
    bool OnlyDead = false;
};

// The six settings under "\Find" (booleans stored as "True" / "False"); absent or empty
// values take their defaults. FindText and FindFolder are left as they are.
void LoadFindSettings(const Registry& reg, FindSettings& settings);
void SaveFindSettings(Registry& reg, const FindSettings& settings);

// Compares fields with the search text of a settings; built once per search.
class FindMatcher {
public:
    explicit FindMatcher(const FindSettings& settings);
    // True when a searched field matches (taken in the order description, address, title).
    bool MatchesFind(std::string_view title, std::string_view url, std::string_view description) const;
    // The same on a field as stored (raw bytes that may be Windows-1252 or padded).
    bool MatchesStored(std::string_view raw) const;
    const FindSettings& Settings() const { return m_settings; }

private:
    bool Field(std::string_view field) const;

    FindSettings m_settings;
    std::string m_needle;      // folded when the case does not matter
    bool m_needleAscii = true; // the folded needle holds only ASCII
    mutable std::string m_buffer;
};

// MatchesFind on its own, for one comparison.
bool MatchesFind(const FindSettings& settings, std::string_view title, std::string_view url,
                 std::string_view description);

struct FindHit {
    std::int32_t key = 0;
    std::int16_t folder = 0;
    std::string title; // "(No Title)" for an untitled bookmark
    std::string url;
    std::string description;
    std::string path; // the folder's path
    // What the last link check left in the bookmark.
    std::int16_t userFlags = 0;
    OleDate checked = 0;
};

// Hears a search as it goes: the folder being searched, then each hit at once.
class FindSink {
public:
    virtual ~FindSink() = default;
    virtual void SearchingFolder(std::int16_t folder, const std::string& path) = 0;
    virtual void Found(const FindHit& hit, std::int32_t count) = 0;
};

// Searches `folder`'s own bookmarks in their order, then (when Recursive) each subfolder
// in folder-table order, depth first. Returns the number of hits.
std::int32_t SearchFolder(const Database& db, const FindSettings& settings, std::int16_t folder,
                          FindSink& sink);
// Collects the hits of a search in order.
std::vector<FindHit> FindBookmarks(const Database& db, const FindSettings& settings);

// Copies hits into a new folder "Find Result: " + text under `target`, as new bookmarks
// described "From Find"; a hit marked dead stays marked, with its date of the check.
// Without hits: the "zero items" message.
ExchangeResult CopyFindResults(Database& db, const std::vector<FindHit>& hits, std::string_view findText,
                               std::int16_t target);

} // namespace vireo

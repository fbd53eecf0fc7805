// SPDX-License-Identifier: GPL-3.0-or-later
#include "interchange/find.h"

#include <memory>

#include "interchange/folder_walk.h"
#include "interchange/link_marks.h"
#include "shell/registry.h"
#include "store/database.h"
#include "store/text_codec.h"

namespace vireo {

namespace {

bool ReadBool(const Registry& reg, std::string_view name, bool fallback) {
    std::string v(text::TrimSpaces(GetRegText(reg, SettingsPath(kFindSettingsKey), name)));
    if (v.empty())
        return fallback;
    std::string lower = text::AsciiLower(v);
    if (lower == "true")
        return true;
    if (lower == "false")
        return false;
    // Numbers, as older settings files may hold them: anything but 0 is true.
    bool digits = v.find_first_not_of("-0123456789") == std::string::npos;
    return digits ? v.find_first_not_of("-0") != std::string::npos : fallback;
}

void WriteBool(Registry& reg, std::string_view name, bool value) {
    SetRegValue(reg, SettingsPath(kFindSettingsKey), name, value ? "True" : "False");
}

bool IsAscii(std::string_view s) {
    for (unsigned char c : s) {
        if (c >= 0x80)
            return false;
    }
    return true;
}

// Case-folds `s` into `buffer`; ASCII text (nearly every address and most titles) takes
// the quick way.
std::string_view Fold(std::string_view s, std::string& buffer, bool& ascii) {
    buffer.resize(s.size());
    ascii = true;
    for (std::size_t i = 0; i < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c >= 0x80) {
            ascii = false;
            buffer = text::FoldCase(s);
            return buffer;
        }
        buffer[i] = static_cast<char>((c >= 'A' && c <= 'Z') ? c + 32 : c);
    }
    return buffer;
}

} // namespace

void LoadFindSettings(const Registry& reg, FindSettings& s) {
    s.InName = ReadBool(reg, "InName", true);
    s.InUrl = ReadBool(reg, "InUrl", true);
    s.InDesc = ReadBool(reg, "InDesc", true);
    s.MatchCase = ReadBool(reg, "MatchCase", false);
    s.ExactMatch = ReadBool(reg, "ExactMatch", false);
    s.Recursive = ReadBool(reg, "Recursive", true);
}

void SaveFindSettings(Registry& reg, const FindSettings& s) {
    WriteBool(reg, "InName", s.InName);
    WriteBool(reg, "InUrl", s.InUrl);
    WriteBool(reg, "InDesc", s.InDesc);
    WriteBool(reg, "MatchCase", s.MatchCase);
    WriteBool(reg, "ExactMatch", s.ExactMatch);
    WriteBool(reg, "Recursive", s.Recursive);
}

FindMatcher::FindMatcher(const FindSettings& settings) : m_settings(settings) {
    if (settings.MatchCase) {
        m_needle = settings.FindText;
    } else {
        std::string buffer;
        bool ascii = true;
        m_needle = std::string(Fold(settings.FindText, buffer, ascii));
    }
    m_needleAscii = IsAscii(m_needle);
}

bool FindMatcher::Field(std::string_view field) const {
    const bool exact = m_settings.ExactMatch;
    if (m_settings.MatchCase)
        return exact ? field == m_needle : (!field.empty() && field.find(m_needle) != std::string_view::npos);
    if (!exact && m_needle.empty())
        return !field.empty();
    bool ascii = true;
    std::string_view folded = Fold(field, m_buffer, ascii);
    // Folding keeps ASCII text ASCII and other letters outside it, so an ASCII field
    // cannot hold a needle with other letters.
    if (ascii && !m_needleAscii)
        return false;
    return exact ? folded == m_needle : folded.find(m_needle) != std::string_view::npos;
}

bool FindMatcher::MatchesFind(std::string_view title, std::string_view url,
                              std::string_view description) const {
    return (m_settings.InDesc && Field(description)) || (m_settings.InUrl && Field(url)) ||
           (m_settings.InName && Field(title));
}

bool FindMatcher::MatchesStored(std::string_view raw) const {
    // As the memo store reads a text: cut at a NUL, trimmed, Windows-1252 when not UTF-8.
    std::size_t nul = raw.find('\0');
    if (nul != std::string_view::npos)
        raw = raw.substr(0, nul);
    raw = text::TrimSpaces(raw);
    if (text::IsValidUtf8(raw))
        return Field(raw);
    return Field(text::Cp1252ToUtf8(raw));
}

bool MatchesFind(const FindSettings& settings, std::string_view title, std::string_view url,
                 std::string_view description) {
    return FindMatcher(settings).MatchesFind(title, url, description);
}

std::int32_t SearchFolder(const Database& db, const FindSettings& settings, std::int16_t folder,
                          FindSink& sink) {
    if (!db.IsLiveFolder(folder))
        return 0;
    FindMatcher matcher(settings);
    const bool anyDead = settings.OnlyDead && settings.FindText.empty();
    const clsMemo& memo = db.Memo();
    std::int32_t count = 0;
    std::unique_ptr<FolderChildren> children;
    if (settings.Recursive)
        children = std::make_unique<FolderChildren>(db);
    std::vector<std::uint8_t> seen(static_cast<std::size_t>(db.FolderSlots()) + 1, 0);
    // Depth first without recursion: imported trees can nest thousands of levels deep.
    std::vector<std::int16_t> stack{folder};
    while (!stack.empty()) {
        std::int16_t id = stack.back();
        stack.pop_back();
        if (seen[static_cast<std::size_t>(id)])
            continue;
        seen[static_cast<std::size_t>(id)] = 1;
        std::string path = db.FolderPath(id);
        sink.SearchingFolder(id, path);
        const clsBookmark& marks = db.Marks(id);
        for (std::int32_t pos = 1; pos <= marks.Total(); ++pos) {
            const BookmarkRecord& r = marks.At(pos);
            if (r.key == 0)
                continue;
            if (settings.OnlyDead && !IsDeadLink(r.UserFlags))
                continue;
            bool hit = anyDead || (settings.InDesc && matcher.MatchesStored(memo.RawMemo(r.Description))) ||
                       (settings.InUrl && matcher.MatchesStored(memo.RawMemo(r.url))) ||
                       (settings.InName && matcher.MatchesStored(memo.RawMemo(r.Name)));
            if (!hit)
                continue;
            FindHit h;
            h.key = r.key;
            h.folder = id;
            h.title = memo.GetMemo(r.Name);
            if (h.title.empty())
                h.title = kNoTitle;
            h.url = memo.GetMemo(r.url);
            h.description = memo.GetMemo(r.Description);
            h.path = path;
            h.userFlags = r.UserFlags;
            h.checked = r.Checked;
            sink.Found(h, ++count);
        }
        if (children) {
            const auto& list = children->Of(id);
            stack.insert(stack.end(), list.rbegin(), list.rend());
        }
    }
    return count;
}

std::vector<FindHit> FindBookmarks(const Database& db, const FindSettings& settings) {
    struct Collect : FindSink {
        void SearchingFolder(std::int16_t, const std::string&) override {}
        void Found(const FindHit& hit, std::int32_t) override { hits.push_back(hit); }
        std::vector<FindHit> hits;
    } collect;
    SearchFolder(db, settings, settings.FindFolder, collect);
    return std::move(collect.hits);
}

ExchangeResult CopyFindResults(Database& db, const std::vector<FindHit>& hits, std::string_view findText,
                               std::int16_t target) {
    ExchangeResult result;
    result.title = std::string(kCopyResultsTitle);
    if (hits.empty()) {
        result.message = std::string(kNothingToCopy);
        return result;
    }
    if (!db.IsLiveFolder(target))
        return result;
    std::int16_t folder =
        db.AddFolder(std::string(kFindResultPrefix) + std::string(findText), target, FolderKind::Ordinary);
    if (folder == 0) {
        result.message = "Vireo can hold no more than " + std::to_string(kMaxFolderSlots) +
                         " folders, so no folder could be made for the results.";
        result.warning = true;
        return result;
    }
    for (const FindHit& h : hits) {
        BookmarkRecord r = db.NewMark(h.title, h.url, folder, kFromFind, kFlagsFound);
        if (IsDeadLink(h.userFlags)) {
            r.UserFlags = WithDeadMark(r.UserFlags, DeadLinkReason(h.userFlags));
            r.Checked = h.checked;
        }
        db.Marks(folder).Add(r);
    }
    result.ok = true;
    result.folder = folder;
    result.folders = 1;
    result.bookmarks = static_cast<std::int32_t>(hits.size());
    return result;
}

} // namespace vireo

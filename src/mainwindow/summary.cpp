// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/summary.h"

#include "interchange/link_marks.h"
#include "store/database.h"
#include "store/text_codec.h"

namespace vireo {

std::string RtfEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\\' || c == '{' || c == '}')
            out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

namespace {
std::string Line(std::string_view label, std::string_view value) {
    return "{\\par\\b " + std::string(label) + ":}{ " + RtfEscape(value) + "}";
}
} // namespace

std::string FolderSummaryRtf(const Database& db, std::int16_t folder) {
    if (!db.IsSlot(folder))
        return {};
    const FolderRecord& f = db.Folder(folder);
    std::string rtf = "{{\\b Folder:}{ " + RtfEscape(f.Name.Text()) + "}";
    rtf += Line("Total Marks", std::to_string(db.Marks(folder).Count()));
    std::string description = db.Memo().GetMemo(f.Description);
    if (!description.empty())
        rtf += Line("Description", description);
    if (FolderKindOf(f) == FolderKind::SearchResults)
        rtf += Line("Search Query", f.SearchQuery.Text());
    if (f.Created > 0)
        rtf += Line("Created", FormatGeneralDate(f.Created));
    return rtf + "}";
}

std::string BookmarkSummaryRtf(const Database& db, std::int16_t folder, std::int32_t key) {
    if (!db.IsSlot(folder))
        return {};
    std::string rtf = "{{\\b Folder:}{ " + RtfEscape(db.Folder(folder).Name.Text()) + "}";
    const clsBookmark& marks = db.Marks(folder);
    std::int32_t pos = marks.PositionOf(key);
    if (pos) {
        const BookmarkRecord& r = marks.At(pos);
        std::string title = db.Memo().GetMemo(r.Name);
        std::string url = db.Memo().GetMemo(r.url);
        std::string description = db.Memo().GetMemo(r.Description);
        if (!title.empty())
            rtf += Line("Bookmark", title);
        if (!url.empty())
            rtf += Line("URL", url);
        if (!description.empty())
            rtf += Line("Summary", description);
        if (IsDeadLink(r.UserFlags))
            rtf += Line("Dead link", DeadLinkSummary(r));
    }
    return rtf + "}";
}

std::string FolderTag(std::int16_t folder) {
    return "F" + std::to_string(folder);
}
std::string BookmarkTag(std::int32_t key) {
    return "B" + std::to_string(key);
}

} // namespace vireo

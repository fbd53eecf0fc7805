// SPDX-License-Identifier: GPL-3.0-or-later
#include "interchange/html_import.h"

#include <filesystem>
#include <vector>

#include "interchange/html_text.h"
#include "store/database.h"
#include "store/text_codec.h"

namespace vireo {

namespace fs = std::filesystem;

bool ParseLink(std::string_view line, std::string& address, std::string& text) {
    address.clear();
    text.clear();
    std::string upper;
    html::AsciiUpperInto(line, upper);
    if (upper.find("HREF") == std::string::npos)
        return false;
    std::size_t q1 = line.find('"');
    if (q1 == std::string_view::npos)
        return false;
    std::size_t q2 = line.find('"', q1 + 1);
    if (q2 == std::string_view::npos || q2 == q1 + 1)
        return false;
    address.assign(line.substr(q1 + 1, q2 - q1 - 1));
    std::size_t e = upper.find("</A>", q2);
    std::size_t g = line.find('>', q2);
    if (e != std::string::npos && g != std::string_view::npos && e > g + 1) {
        std::string_view inner = line.substr(g + 1, e - g - 1);
        std::size_t src = upper.substr(g + 1, e - g - 1).find("SRC");
        if (src == std::string::npos) {
            text.assign(inner);
        } else {
            // A link around an image: its source stands in for the title.
            std::size_t s1 = inner.find('"', src);
            std::size_t s2 = s1 == std::string_view::npos ? s1 : inner.find('"', s1 + 1);
            if (s2 != std::string_view::npos && s2 - s1 - 1 >= 2)
                text.assign(inner.substr(s1 + 1, s2 - s1 - 1));
        }
    }
    return true;
}

std::string StripTags(std::string_view s) {
    while (true) {
        std::size_t lt = s.find('<');
        if (lt == std::string_view::npos)
            return std::string(s);
        if (lt > 0)
            return std::string(s.substr(0, lt));
        std::size_t gt = s.find('>');
        if (gt == std::string_view::npos)
            return {}; // an unclosed tag: nothing stands before it
        s.remove_prefix(gt + 1);
    }
}

ExchangeResult ImportHtml(Database& db, const std::string& path, std::int16_t target) {
    ExchangeResult result;
    result.title = std::string(kImportHtmlTitle);
    if (path.empty())
        return result;
    BusyGuard busy(db.Services().busy);
    std::string bytes;
    std::string error;
    if (!html::ReadInputFile(path, bytes, &error)) {
        result.message = "The file cannot be read. " + error;
        result.warning = true;
        return result;
    }
    std::string page = html::DecodeHtmlBytes(bytes);
    bytes = std::string();
    std::vector<std::pair<std::string, std::string>> links; // address, title
    std::string address;
    std::string textPart;
    html::ForEachLine(page, [&](std::string_view line) {
        if (!ParseLink(line, address, textPart))
            return;
        // Secure links are taken like plain ones: nearly every link today is one.
        if (address.find("http:") == std::string::npos && address.find("https:") == std::string::npos)
            return;
        links.emplace_back(html::DecodeEntities(address, false),
                           html::DecodeEntities(StripTags(textPart), true));
    });
    if (links.empty()) {
        result.message = std::string(kNoLinksFound);
        return result;
    }
    if (!db.IsLiveFolder(target))
        target = kRootFolder;
    std::int16_t folder = db.AddFolder(fs::path(path).filename().string(), target, FolderKind::Imported);
    if (folder == 0) {
        result.message = FolderTableFullMessage(0, 0);
        result.warning = true;
        return result;
    }
    const std::int64_t cutsBefore = db.Memo().CutTexts();
    for (const auto& [url, title] : links) {
        BookmarkRecord r = db.NewMark(title, url, folder, kHtmlImportDescription, kFlagsHtml);
        db.Marks(folder).Add(r);
    }
    db.RefreshList();
    result.ok = true;
    result.folder = folder;
    result.folders = 1;
    result.bookmarks = static_cast<std::int32_t>(links.size());
    NoteCutTexts(result, db.Memo().CutTexts() - cutsBefore);
    return result;
}

} // namespace vireo

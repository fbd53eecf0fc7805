// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/default_content.h"

#include <algorithm>

#include "store/database.h"
#include "store/strings.h"

namespace vireo {

void Database::MakeDefaultMarks() {
    const std::string titles[5] = {"MERIDEX Inc.", "Orn Products", "Vireo! Homepage", "Vireo! FAQ",
                                   "Vireo! Support"};
    const std::string addresses[5] = {std::string(kMakerSiteUrl), std::string(kMakerProductsUrl),
                                      LoadResString(3), LoadResString(102), LoadResString(101)};
    for (int i = 0; i < 5; ++i) {
        std::int16_t folder = i < 2 ? kRootFolder : kHomePageFolder;
        BookmarkRecord r =
            NewMark(titles[i], addresses[i], folder, kDefaultBookmarkDescription, kFlagsStandard);
        std::int32_t key = 0;
        Marks(folder).Add(key, r.Flags, r.UserFlags, r.Parent, r.Name, r.Description, r.url, r.Checked,
                          r.Touched, r.added, r.Rank);
    }
}

std::string ExtractUrl(std::string_view text) {
    // Secure links are found like plain ones: nearly every link today is one.
    std::size_t p = std::min(text.find("http:"), text.find("https:"));
    if (p == std::string_view::npos)
        p = text.find("ftp:");
    if (p == std::string_view::npos)
        return {};
    // A dropped text often ends in a line break or spans lines: any white space ends it.
    std::size_t e = text.find_first_of(" \t\r\n", p);
    std::size_t quote = text.find('"', p);
    if (e == std::string_view::npos)
        return quote == std::string_view::npos ? std::string(text.substr(p)) : std::string();
    if (quote != std::string_view::npos && quote < e)
        e = quote;
    return std::string(text.substr(p, e - p));
}

} // namespace vireo

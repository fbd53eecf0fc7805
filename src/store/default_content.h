// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace vireo {

// The address in a dropped text: from the first "http:" or "https:" (else "ftp:") up to
// the next white space or double quote; "" when there is none that can be delimited.
std::string ExtractUrl(std::string_view text);

// The maker's two standard bookmark addresses.
inline constexpr std::string_view kMakerSiteUrl = "https://www.meridex.example/";
inline constexpr std::string_view kMakerProductsUrl = "https://www.meridex.example/products/";
inline constexpr std::string_view kDefaultBookmarkDescription = "Vireo! Default Bookmark";

} // namespace vireo

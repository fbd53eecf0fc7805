// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What every extractor promises whatever it is fed, checked by every fuzz target.

#include <cstdlib>
#include <string>
#include <string_view>

#include "ornsearch/engine.h"
#include "store/text_codec.h"

namespace vireo::orn::fuzz {

// A script read from inline text; the fuzz targets' rules are fixed, the pages are not.
inline EngineScript Script(std::string_view text) {
    EngineScript s;
    std::string error;
    if (!ParseEngineScript(text, "/fuzz/engine.xml", s, &error))
        std::abort();
    return s;
}

inline void CheckPage(const PageHits& page) {
    if (!page.ok && !page.hits.empty())
        std::abort();
    if (page.items < static_cast<int>(page.hits.size()) || page.hits.size() > 1000)
        std::abort();
    for (const Hit& h : page.hits) {
        if (!text::IsValidUtf8(h.title) || !text::IsValidUtf8(h.snippet) || !text::IsValidUtf8(h.address))
            std::abort();
        if (h.title.empty() || h.title.size() > 4096 || h.snippet.size() > 4096)
            std::abort();
        if (h.address.rfind("http://", 0) != 0 && h.address.rfind("https://", 0) != 0)
            std::abort();
        if (h.title.find('\n') != std::string::npos || h.snippet.find("  ") != std::string::npos)
            std::abort();
    }
}

// The page in two content types: the one the rules expect and none at all.
inline void Extract(const EngineScript& s, std::string_view page, const char* type) {
    CheckPage(ExtractHits(s, page, type, "https://engine.example/search?q=x"));
    CheckPage(ExtractHits(s, page, "", ""));
}

} // namespace vireo::orn::fuzz

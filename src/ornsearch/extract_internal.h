// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the three extractors share; each kind of page has its own file.

#include <string>
#include <string_view>
#include <vector>

#include "ornsearch/engine.h"
#include "ornsearch/engine_rules.h"
#include "ornsearch/xml_support.h"

namespace vireo::orn {

// A response's Content-Type: the media type in lower case and its charset parameter.
struct ContentType {
    std::string type;
    std::string charset;
};
ContentType ParseContentType(std::string_view header);

PageHits Failed(std::string why);

// Adds a hit made of raw texts unless it has no usable address; a hit without a title
// is named by its address. Counts the entry in `page.items` either way.
void AddHit(PageHits& page, std::string_view title, bool titleMarkup, std::string_view address,
            std::string_view snippet, bool snippetMarkup, const std::string& pageUrl,
            const std::vector<std::string>& unwrap);

// `parsed` keeps the page's tree for the next HTML form to read, when there is one: an
// engine's forms read the same answer in turn, and parsing it is most of their work.
PageHits ExtractHtml(const EngineForm& rules, std::string_view body, const ContentType& type,
                     const std::string& pageUrl, xml::Doc* parsed = nullptr);
PageHits ExtractJson(const EngineForm& rules, std::string_view body, const ContentType& type,
                     const std::string& pageUrl);
// Whether the form's vireo:Refusal marker matches the page (false without one).
bool RefusalMarkerMatches(const EngineForm& rules, std::string_view body, const ContentType& type,
                          const std::string& pageUrl);
PageHits ExtractFeed(const EngineForm& rules, std::string_view body, const ContentType& type,
                     const std::string& pageUrl);

} // namespace vireo::orn

// SPDX-License-Identifier: GPL-3.0-or-later
// Taking the hits out of a result page: the checks every kind of page gets, then the
// extractor of the script's kind.

#include "ornsearch/extract_internal.h"
#include "ornsearch/hit_text.h"
#include "store/text_codec.h"

namespace vireo::orn {

namespace {

// Types that are never a result page of any kind: a download, a picture, a stream.
bool IsBinary(const std::string& type) {
    return type.rfind("image/", 0) == 0 || type.rfind("audio/", 0) == 0 || type.rfind("video/", 0) == 0 ||
           type.rfind("font/", 0) == 0 || type == "application/octet-stream" || type == "application/pdf" ||
           type == "application/zip" || type == "application/gzip";
}

} // namespace

ContentType ParseContentType(std::string_view header) {
    ContentType out;
    std::size_t semi = header.find(';');
    out.type = text::AsciiLower(text::TrimWhite(header.substr(0, semi)));
    while (semi != std::string_view::npos) {
        std::size_t next = header.find(';', semi + 1);
        std::string_view param =
            text::TrimWhite(header.substr(semi + 1, next == std::string_view::npos ? next : next - semi - 1));
        std::size_t eq = param.find('=');
        if (eq != std::string_view::npos &&
            text::AsciiLower(text::TrimWhite(param.substr(0, eq))) == "charset") {
            std::string_view value = text::TrimWhite(param.substr(eq + 1));
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            out.charset = std::string(value.substr(0, 40));
        }
        semi = next;
    }
    return out;
}

PageHits Failed(std::string why) {
    PageHits page;
    page.ok = false;
    page.error = std::move(why);
    return page;
}

void AddHit(PageHits& page, std::string_view title, bool titleMarkup, std::string_view address,
            std::string_view snippet, bool snippetMarkup, const std::string& pageUrl,
            const std::vector<std::string>& unwrap) {
    ++page.items;
    Hit hit;
    hit.address = HitAddress(address, pageUrl, unwrap);
    if (hit.address.empty())
        return;
    hit.title = CleanText(title, titleMarkup);
    if (hit.title.empty())
        hit.title = hit.address;
    hit.snippet = CleanText(snippet, snippetMarkup);
    page.hits.push_back(std::move(hit));
}

PageHits ExtractHits(const EngineScript& script, std::string_view body, std::string_view contentType,
                     const std::string& pageUrl) {
    const EngineScript::Rules* rules = script.rules.get();
    if (!rules)
        return Failed("the script was not read");
    if (body.size() > kMaxBody)
        body = body.substr(0, kMaxBody);
    ContentType type = ParseContentType(contentType);
    if (IsBinary(type.type))
        return Failed("the engine sent " + type.type + ", not a result page");
    switch (rules->kind) {
    case EngineScript::Rules::Kind::Html:
        return ExtractHtml(*rules, body, type, pageUrl);
    case EngineScript::Rules::Kind::Json:
        return ExtractJson(*rules, body, type, pageUrl);
    case EngineScript::Rules::Kind::Feed:
        return ExtractFeed(*rules, body, type, pageUrl);
    }
    return Failed("unknown kind of script");
}

} // namespace vireo::orn

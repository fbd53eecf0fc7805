// SPDX-License-Identifier: GPL-3.0-or-later
// Taking the hits out of a result page: the checks every kind of page gets, then the
// extractor of the script's kind.

#include "ornsearch/extract_internal.h"
#include "ornsearch/hit_text.h"
#include "ornsearch/xml_support.h"
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

int FormCount(const EngineScript& script) {
    return script.rules ? static_cast<int>(script.rules->forms.size()) : 0;
}

namespace {

using Kind = EngineForm::Kind;

// What an answer looks like it is, from its first bytes and then its declared type. Only
// the order in which forms try the page depends on it, so a wrong guess costs a parse.
Kind KindOf(std::string_view body, const ContentType& type) {
    std::size_t i = 0;
    if (body.substr(0, 3) == "\xEF\xBB\xBF")
        i = 3;
    while (i < body.size() && (body[i] == ' ' || body[i] == '\t' || body[i] == '\r' || body[i] == '\n'))
        ++i;
    if (i < body.size() && (body[i] == '{' || body[i] == '['))
        return Kind::Json;
    std::string head = text::AsciiLower(body.substr(i, 1024));
    if (head.rfind("<?xml", 0) == 0 || head.rfind("<rss", 0) == 0 || head.rfind("<feed", 0) == 0) {
        if (head.find("<rss") != std::string::npos || head.find("<feed") != std::string::npos ||
            head.find(":rdf") != std::string::npos)
            return Kind::Feed;
    }
    if (type.type == "application/json" || type.type.ends_with("+json"))
        return Kind::Json;
    if (type.type == "application/rss+xml" || type.type == "application/atom+xml" ||
        type.type == "application/rdf+xml")
        return Kind::Feed;
    return Kind::Html;
}

PageHits ExtractForm(const EngineForm& form, std::string_view body, const ContentType& type,
                     const std::string& pageUrl, xml::Doc& html) {
    switch (form.kind) {
    case Kind::Html:
        return ExtractHtml(form, body, type, pageUrl, &html);
    case Kind::Json:
        return ExtractJson(form, body, type, pageUrl);
    case Kind::Feed:
        return ExtractFeed(form, body, type, pageUrl);
    }
    return Failed("unknown kind of script");
}

} // namespace

PageHits ExtractHits(const EngineScript& script, std::string_view body, std::string_view contentType,
                     const std::string& pageUrl, int form) {
    const EngineScript::Rules* rules = script.rules.get();
    if (!rules || rules->forms.empty())
        return Failed("the script was not read");
    if (body.size() > kMaxBody)
        body = body.substr(0, kMaxBody);
    ContentType type = ParseContentType(contentType);
    if (IsBinary(type.type))
        return Failed("the engine sent " + type.type + ", not a result page");
    const int forms = static_cast<int>(rules->forms.size());
    if (form < 0 || form >= forms)
        form = 0;

    // The asked-for form first, then the others in the script's order; forms of the page's
    // own kind before the rest.
    Kind kind = KindOf(body, type);
    std::vector<int> sequence{form};
    for (int f = 0; f < forms; ++f) {
        if (f != form)
            sequence.push_back(f);
    }
    std::vector<int> order;
    for (int pass = 0; pass < 2; ++pass) {
        for (int f : sequence) {
            if ((rules->forms[static_cast<std::size_t>(f)].kind == kind) == (pass == 0))
                order.push_back(f);
        }
    }
    PageHits asked; // what the asked-for form made of it
    PageHits empty; // the first form that took the page as one without results
    bool haveEmpty = false;
    xml::Doc html; // the page as the HTML forms read it, parsed by the first of them
    for (int f : order) {
        PageHits page = ExtractForm(rules->forms[static_cast<std::size_t>(f)], body, type, pageUrl, html);
        page.form = f;
        if (page.ok && !page.hits.empty())
            return page;
        if (page.ok && !haveEmpty) {
            empty = std::move(page);
            haveEmpty = true;
        } else if (!page.ok && (f == form || page.refused) && !asked.refused) {
            asked = std::move(page);
        }
        if (forms == 1)
            break;
    }
    if (haveEmpty)
        return empty;
    if (!asked.refused) {
        std::string why = RefusalOf(script, body, contentType, pageUrl, 200);
        if (!why.empty()) {
            asked.refused = true;
            asked.error = "the site refused an automated search (" + why + ")";
        }
    }
    asked.ok = false;
    asked.form = form;
    return asked;
}

namespace {

bool HasAny(const std::string& haystack, std::initializer_list<std::string_view> needles) {
    for (std::string_view n : needles) {
        if (haystack.find(n) != std::string::npos)
            return true;
    }
    return false;
}

} // namespace

std::string RefusalOf(const EngineScript& script, std::string_view body, std::string_view contentType,
                      const std::string& pageUrl, long httpStatus) {
    if (httpStatus == 429)
        return "HTTP 429, too many requests";
    if (body.size() > kMaxBody)
        body = body.substr(0, kMaxBody);
    ContentType type = ParseContentType(contentType);
    if (IsBinary(type.type))
        return {};
    // Sites send the browser to their consent or captcha page before the results.
    std::string url = text::AsciiLower(pageUrl.substr(0, 600));
    std::size_t hostStart = url.find("://");
    hostStart = hostStart == std::string::npos ? 0 : hostStart + 3;
    std::size_t pathStart = url.find_first_of("/?#", hostStart);
    std::string host =
        url.substr(hostStart, pathStart == std::string::npos ? std::string::npos : pathStart - hostStart);
    std::string path = pathStart == std::string::npos ? std::string() : url.substr(pathStart);
    if (host.rfind("consent.", 0) == 0 || host.rfind("guce.", 0) == 0 || path.find("/consent") == 0 ||
        path.find("collectconsent") != std::string::npos)
        return "a consent wall";
    if (path.find("captcha") != std::string::npos || path.rfind("/sorry/", 0) == 0 ||
        path.find("/anomaly") != std::string::npos)
        return "a bot check";

    if (script.rules) {
        for (const EngineForm& f : script.rules->forms) {
            if (f.kind == EngineForm::Kind::Html && !f.refusal.empty() &&
                RefusalMarkerMatches(f, body, type, pageUrl))
                return "the engine's own refusal page";
        }
    }
    // What people read on such pages, and the marks of the captcha widgets; the insides of
    // scripts and styles are left out, as a real result page may carry these words there.
    if (KindOf(body, type) != Kind::Html)
        return {};
    std::string page = text::AsciiLower(xml::WithoutRawText(body));
    if (HasAny(page, {"unusual traffic", "automated queries", "automated requests", "automated search"}))
        return "an \"unusual traffic\" page";
    if (HasAny(page,
               {"captcha", "challenge-form", "challenge-platform", "cf-chl-", "cf-turnstile", "not a robot",
                "are you a robot", "are you human", "verify you are human", "confirm you are human",
                "made by a human", "bots use ", "anomaly-modal", "anomaly.js"}))
        return "a bot check";
    if (HasAny(page, {"consent.yahoo.", "consent.google.", "guce.yahoo.", "collectconsent", "cookie consent",
                      "before you continue"}))
        return "a consent wall";
    if (httpStatus == 403 || httpStatus == 503) {
        if (HasAny(page, {"just a moment", "access denied", "blocked", "enable javascript and cookies"}))
            return "HTTP " + std::to_string(httpStatus) + ", the request was blocked";
    }
    return {};
}

} // namespace vireo::orn

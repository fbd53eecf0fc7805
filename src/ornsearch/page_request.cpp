// SPDX-License-Identifier: GPL-3.0-or-later
// The request for one result page: the script's address template with OpenSearch's
// parameters filled in.

#include <algorithm>

#include "ornsearch/engine.h"
#include "ornsearch/engine_rules.h"
#include "ornsearch/hit_text.h"
#include "platform/charset.h"

namespace vireo::orn {

namespace {

struct Values {
    std::string searchTerms; // already percent-encoded
    int count = 0;
    int startIndex = 0;
    int startPage = 0;
    std::string inputEncoding;
};

// Fills every {name} and {name?} of `tmpl`. Unknown optional parameters become empty, as
// OpenSearch asks; an unknown required one makes the template unusable.
bool Fill(const std::string& tmpl, const Values& v, std::string& out, std::string* error) {
    out.clear();
    std::size_t i = 0;
    while (i < tmpl.size()) {
        std::size_t open = tmpl.find('{', i);
        if (open == std::string::npos) {
            out.append(tmpl, i);
            break;
        }
        out.append(tmpl, i, open - i);
        std::size_t close = tmpl.find('}', open);
        if (close == std::string::npos || tmpl.find('{', open + 1) < close) {
            *error = "the address template has an unclosed \"{\"";
            return false;
        }
        std::string name = tmpl.substr(open + 1, close - open - 1);
        bool optional = !name.empty() && name.back() == '?';
        if (optional)
            name.pop_back();
        if (name == "searchTerms")
            out += v.searchTerms;
        else if (name == "count")
            out += std::to_string(v.count);
        else if (name == "startIndex")
            out += std::to_string(v.startIndex);
        else if (name == "startPage")
            out += std::to_string(v.startPage);
        else if (name == "language")
            out += "*"; // any language
        else if (name == "inputEncoding")
            out += PercentEncode(v.inputEncoding);
        else if (name == "outputEncoding")
            out += "UTF-8";
        else if (!optional) {
            *error = "the address template asks for {" + OneLine(name, 40) + "}, which cannot be filled";
            return false;
        }
        i = close + 1;
    }
    return true;
}

} // namespace

bool BuildPageRequest(const EngineScript& script, std::string_view query, int hitsSoFar, int pageIndex,
                      int count, PageRequest& out, bool* more, std::string* error, int formIndex) {
    std::string ignored;
    std::string* err = error ? error : &ignored;
    out = PageRequest{};
    if (more)
        *more = false;
    if (!script.rules || formIndex < 0 || static_cast<std::size_t>(formIndex) >= script.rules->forms.size()) {
        *err = script.rules ? "the script has no Url " + std::to_string(formIndex + 1)
                            : "the script was not read";
        return false;
    }
    const EngineForm* r = &script.rules->forms[static_cast<std::size_t>(formIndex)];
    Values v;
    std::string terms = RepairUtf8(query);
    if (r->inputEncoding != "UTF-8") {
        std::string converted;
        if (!sys::ConvertFromUtf8(terms, r->inputEncoding, converted)) {
            *err = "the query cannot be written in " + r->inputEncoding;
            return false;
        }
        terms = std::move(converted);
    }
    v.searchTerms = PercentEncode(terms);
    v.inputEncoding = r->inputEncoding;
    v.count = std::max(1, count);
    if (r->maxCount > 0)
        v.count = std::min(v.count, r->maxCount);
    v.startIndex = r->indexOffset + std::max(0, hitsSoFar);
    v.startPage = r->pageOffset + std::max(0, pageIndex);

    std::string url;
    if (!Fill(r->urlTemplate, v, url, err))
        return false;
    std::string form;
    for (const auto& [name, value] : r->params) {
        std::string filled;
        if (!Fill(value, v, filled, err))
            return false;
        if (!form.empty())
            form += '&';
        form += PercentEncode(name) + "=" + filled;
    }
    if (r->method == "POST") {
        // Without Params a form's fields are the template's query, as a browser's form sends them.
        if (r->params.empty()) {
            std::size_t q = url.find('?');
            if (q != std::string::npos) {
                std::size_t hash = url.find('#', q);
                form = url.substr(q + 1, hash == std::string::npos ? std::string::npos : hash - q - 1);
                url.erase(q, hash == std::string::npos ? std::string::npos : hash - q);
            }
        }
        out.method = "POST";
        out.body = std::move(form);
        out.contentType = "application/x-www-form-urlencoded";
    } else if (!form.empty()) {
        std::size_t hash = url.find('#');
        std::string fragment = hash == std::string::npos ? "" : url.substr(hash);
        if (hash != std::string::npos)
            url.erase(hash);
        char sep =
            url.find('?') == std::string::npos ? '?' : (url.back() == '?' || url.back() == '&' ? '\0' : '&');
        if (sep)
            url += sep;
        url += form + fragment;
    }
    // A template may hold characters an address cannot (a space, "|"); send them escaped.
    out.url = LowerScheme(EscapeForAddress(url));
    if (!IsWebAddress(out.url)) {
        *err = "the address template gives no http or https address: " + OneLine(out.url, 200);
        return false;
    }
    for (const auto& [name, value] : r->headers)
        out.headers.push_back(name + ": " + value);
    if (more)
        *more = r->paged;
    return true;
}

} // namespace vireo::orn

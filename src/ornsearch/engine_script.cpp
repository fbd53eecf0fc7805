// SPDX-License-Identifier: GPL-3.0-or-later
// Reading engine scripts: OpenSearch description documents with our extension elements.

#include <algorithm>
#include <filesystem>
#include <map>
#include <tuple>

#include "ornsearch/engine.h"
#include "ornsearch/engine_rules.h"
#include "ornsearch/hit_text.h"
#include "ornsearch/xml_support.h"
#include "platform/charset.h"
#include "store/byte_io.h"
#include "store/text_codec.h"

namespace vireo::orn {

namespace {

namespace fs = std::filesystem;

// Scripts come from outside (downloaded updates, users' own files): read no more than this.
constexpr std::size_t kMaxScriptBytes = 1u << 20;
// A folder with more files than this is not a folder of engine scripts.
constexpr std::size_t kMaxFolderEntries = 2000;
// Longest expression or template we keep.
constexpr std::size_t kMaxRuleBytes = 4096;

using Rules = EngineForm;

// Elements of the description itself may carry the namespace of OpenSearch 1.1, of the
// older 1.0 draft, of the browsers' search plugins, or none at all.
bool IsOpenSearchNs(const xmlNode* n) {
    std::string_view ns = xml::NamespaceOf(n);
    return ns.empty() || ns == "http://a9.com/-/spec/opensearch/1.1/" ||
           ns == "http://a9.com/-/spec/opensearchdescription/1.0/" ||
           ns == "http://www.mozilla.org/2006/browser/search/";
}

bool IsOs(const xmlNode* n, const char* name) {
    return xml::IsNamed(n, name) && IsOpenSearchNs(n);
}
bool IsOurs(const xmlNode* n, const char* name) {
    return xml::IsNamed(n, name) && std::string_view(xml::NamespaceOf(n)) == kExtensionNs;
}

const xmlNode* OsChild(const xmlNode* parent, const char* name) {
    for (const xmlNode* c = parent->children; c; c = c->next) {
        if (IsOs(c, name))
            return c;
    }
    return nullptr;
}

// The text of an element as written, without the white space around it.
std::string RawText(const xmlNode* n) {
    std::string s = xml::NodeText(n, kMaxRuleBytes);
    std::size_t b = s.find_first_not_of(" \t\r\n");
    std::size_t e = s.find_last_not_of(" \t\r\n");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

std::string Attr(const xmlNode* n, const char* name) {
    return xml::Attribute(n, name, kMaxRuleBytes);
}

// An HTTP field name: a token (letters, digits and a few marks, nothing that ends it).
bool IsHeaderName(std::string_view name) {
    if (name.empty() || name.size() > 64)
        return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        auto u = static_cast<unsigned char>(c);
        return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
               std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
    });
}

// Fields that say where a request goes, how long it is, or how the connection carries
// it. Only the transfer may write them; one from a script would send the query to
// another host or split one request into two.
bool FramesRequest(std::string_view name) {
    static constexpr std::string_view kFraming[] = {
        "host",    "content-length", "transfer-encoding", "connection", "keep-alive", "upgrade", "te",
        "trailer", "expect",         "http2-settings",
    };
    std::string lower = text::AsciiLower(name);
    if (lower.starts_with("proxy-"))
        return true;
    return std::find(std::begin(kFraming), std::end(kFraming), lower) != std::end(kFraming);
}

std::string OurAttr(const xmlNode* n, const char* name) {
    xmlChar* v = xmlGetNsProp(n, BAD_CAST name, BAD_CAST kExtensionNs);
    if (!v)
        return {};
    std::string out(reinterpret_cast<const char*>(v));
    xmlFree(v);
    return out.substr(0, kMaxRuleBytes);
}

bool ParseInt(const std::string& s, int lo, int hi, int& out) {
    if (s.empty() || s.size() > 9)
        return false;
    int v = 0;
    std::size_t i = 0;
    bool negative = s[0] == '-';
    if (negative)
        i = 1;
    if (i >= s.size())
        return false;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        v = v * 10 + (s[i] - '0');
    }
    v = negative ? -v : v;
    if (v < lo || v > hi)
        return false;
    out = v;
    return true;
}

bool ParsePath(std::string_view text, std::vector<std::string>& path, std::string* error) {
    path.clear();
    if (text.empty() || text == ".")
        return true;
    std::size_t start = 0;
    while (true) {
        std::size_t dot = text.find('.', start);
        std::string_view seg =
            text.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
        if (seg.empty()) {
            *error = "empty step in the JSON path \"" + OneLine(text) + "\"";
            return false;
        }
        path.emplace_back(seg);
        if (dot == std::string_view::npos)
            return true;
        start = dot + 1;
    }
}

// "{a.b} and {c}" into its pieces; a text without braces is one path.
bool ParseTemplate(const std::string& text, std::vector<JsonPiece>& parts, std::string* error) {
    parts.clear();
    if (text.find_first_of("{}") == std::string::npos) {
        JsonPiece p;
        p.isPath = true;
        return ParsePath(text, p.path, error) && (parts.push_back(std::move(p)), true);
    }
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t open = text.find('{', i);
        std::size_t close = text.find('}', i);
        if (close < open) {
            *error = "\"}\" without \"{\" in \"" + OneLine(text) + "\"";
            return false;
        }
        if (open == std::string::npos) {
            parts.push_back({false, text.substr(i), {}});
            break;
        }
        if (open > i)
            parts.push_back({false, text.substr(i, open - i), {}});
        close = text.find('}', open);
        std::size_t nested = text.find('{', open + 1);
        if (close == std::string::npos || nested < close) {
            *error = "unclosed \"{\" in \"" + OneLine(text) + "\"";
            return false;
        }
        JsonPiece p;
        p.isPath = true;
        if (!ParsePath(std::string_view(text).substr(open + 1, close - open - 1), p.path, error))
            return false;
        parts.push_back(std::move(p));
        i = close + 1;
    }
    return true;
}

// The field rules of one kind (Title, Address or Snippet) under a rules element.
bool ReadFields(const xmlNode* rules, const char* name, bool json, xmlXPathContext* xpath,
                std::vector<FieldRule>& out, std::string* error) {
    for (const xmlNode* c = rules->children; c; c = c->next) {
        if (!IsOurs(c, name))
            continue;
        FieldRule f;
        f.expr = RawText(c);
        std::string markup = Attr(c, "markup");
        f.markup = markup.empty() ? json : markup == "html";
        if (!markup.empty() && markup != "html" && markup != "text") {
            *error = std::string("vireo:") + name + ": markup must be \"html\" or \"text\"";
            return false;
        }
        if (json) {
            if (!ParseTemplate(f.expr, f.parts, error))
                return false;
        } else {
            if (f.expr.empty()) {
                *error = std::string("empty vireo:") + name;
                return false;
            }
            if (!xml::CompileXPath(xpath, f.expr, error))
                return false;
        }
        out.push_back(std::move(f));
    }
    return true;
}

void ReadUnwrap(const xmlNode* parent, std::vector<std::string>& out) {
    for (const xmlNode* c = parent->children; c; c = c->next) {
        if (IsOurs(c, "Unwrap")) {
            std::string name = RawText(c);
            if (!name.empty())
                out.push_back(name);
        }
    }
}

bool ReadXPathRule(const xmlNode* rules, const char* name, xmlXPathContext* xpath, std::string& out,
                   std::string* error) {
    for (const xmlNode* c = rules->children; c; c = c->next) {
        if (IsOurs(c, name)) {
            out = RawText(c);
            if (out.empty()) {
                *error = std::string("empty vireo:") + name;
                return false;
            }
            return static_cast<bool>(xml::CompileXPath(xpath, out, error));
        }
    }
    return true;
}

bool ReadHtmlRules(const xmlNode* html, Rules& r, std::string* error) {
    xml::XPathContext xpath(xmlXPathNewContext(nullptr));
    if (!xpath) {
        *error = "out of memory";
        return false;
    }
    if (!ReadXPathRule(html, "ResultPage", xpath.get(), r.resultPage, error) ||
        !ReadXPathRule(html, "NoResults", xpath.get(), r.noResults, error) ||
        !ReadXPathRule(html, "Refusal", xpath.get(), r.refusal, error) ||
        !ReadXPathRule(html, "Result", xpath.get(), r.result, error) ||
        !ReadFields(html, "Title", false, xpath.get(), r.title, error) ||
        !ReadFields(html, "Address", false, xpath.get(), r.address, error) ||
        !ReadFields(html, "Snippet", false, xpath.get(), r.snippet, error))
        return false;
    if (r.result.empty()) {
        *error = "vireo:Html needs a vireo:Result";
        return false;
    }
    ReadUnwrap(html, r.unwrap);
    return true;
}

bool ReadJsonRules(const xmlNode* json, Rules& r, std::string* error) {
    for (const xmlNode* c = json->children; c; c = c->next) {
        if (IsOurs(c, "Results") && !ParsePath(RawText(c), r.resultsPath, error))
            return false;
        if (IsOurs(c, "Error")) {
            if (!ParsePath(RawText(c), r.errorPath, error))
                return false;
            r.hasErrorPath = !r.errorPath.empty();
        }
    }
    if (!ReadFields(json, "Title", true, nullptr, r.title, error) ||
        !ReadFields(json, "Address", true, nullptr, r.address, error) ||
        !ReadFields(json, "Snippet", true, nullptr, r.snippet, error))
        return false;
    ReadUnwrap(json, r.unwrap);
    return true;
}

bool IsFeedType(const std::string& type) {
    std::string t = text::AsciiLower(type.substr(0, type.find(';')));
    return t == "application/rss+xml" || t == "application/atom+xml" || t == "application/rdf+xml";
}

// Whether a Url's rel names it as the one that gives results (the default).
bool GivesResults(const xmlNode* url) {
    std::string rel = text::AsciiLower(Attr(url, "rel"));
    if (rel.empty())
        return true;
    std::size_t start = 0;
    while (start < rel.size()) {
        std::size_t end = rel.find(' ', start);
        if (end == std::string::npos)
            end = rel.size();
        if (rel.compare(start, end - start, "results") == 0)
            return true;
        start = end + 1;
    }
    return false;
}

bool UsesParameter(const Rules& r, std::string_view name) {
    auto in = [&](const std::string& s) {
        return s.find("{" + std::string(name) + "}") != std::string::npos ||
               s.find("{" + std::string(name) + "?}") != std::string::npos;
    };
    if (in(r.urlTemplate))
        return true;
    return std::any_of(r.params.begin(), r.params.end(), [&](const auto& p) { return in(p.second); });
}

// The address template with its parameters filled by something harmless, to find its origin.
std::string Sample(const std::string& tmpl) {
    std::string out;
    std::size_t i = 0;
    while (i < tmpl.size()) {
        std::size_t open = tmpl.find('{', i);
        if (open == std::string::npos) {
            out.append(tmpl, i);
            break;
        }
        out.append(tmpl, i, open - i);
        std::size_t close = tmpl.find('}', open);
        if (close == std::string::npos)
            break;
        out += "1";
        i = close + 1;
    }
    return out;
}

bool ReadUrl(const xmlNode* url, Rules& r, std::string* error) {
    r.urlTemplate = Attr(url, "template");
    std::string method = text::AsciiLower(Attr(url, "method"));
    if (method.empty() || method == "get") {
        r.method = "GET";
    } else if (method == "post") {
        r.method = "POST";
    } else {
        *error = "method \"" + OneLine(method) + "\" is neither get nor post";
        return false;
    }
    std::string index = Attr(url, "indexOffset");
    std::string page = Attr(url, "pageOffset");
    std::string maxCount = OurAttr(url, "maxCount");
    if (!index.empty() && !ParseInt(index, -1000000, 1000000, r.indexOffset)) {
        *error = "indexOffset \"" + OneLine(index) + "\" is not a number";
        return false;
    }
    if (!page.empty() && !ParseInt(page, -1000000, 1000000, r.pageOffset)) {
        *error = "pageOffset \"" + OneLine(page) + "\" is not a number";
        return false;
    }
    if (!maxCount.empty() && !ParseInt(maxCount, 1, 100000, r.maxCount)) {
        *error = "vireo:maxCount \"" + OneLine(maxCount) + "\" is not a number from 1 up";
        return false;
    }
    for (const xmlNode* c = url->children; c; c = c->next) {
        if (IsOs(c, "Param")) {
            std::string name = Attr(c, "name");
            if (name.empty()) {
                *error = "a Param without a name";
                return false;
            }
            r.params.emplace_back(name, Attr(c, "value"));
        } else if (IsOurs(c, "Header")) {
            std::string name = Attr(c, "name");
            std::string value = RawText(c);
            bool clean = IsHeaderName(name) && value.find_first_of("\r\n") == std::string::npos;
            if (!clean) {
                *error = "vireo:Header needs a name (no colon or spaces) and a one-line value";
                return false;
            }
            if (FramesRequest(name)) {
                *error = "vireo:Header \"" + OneLine(name) +
                         "\" frames the request and is the library's to send, not a script's";
                return false;
            }
            r.headers.emplace_back(name, value);
        }
    }
    if (!UsesParameter(r, "searchTerms")) {
        *error = "the Url never sends the query: its template or a Param needs {searchTerms}";
        return false;
    }
    r.paged = UsesParameter(r, "startIndex") || UsesParameter(r, "startPage");
    ReadUnwrap(url, r.unwrap);
    return true;
}

bool ReadEncoding(const xmlNode* root, Rules& r, std::string* error) {
    const xmlNode* enc = OsChild(root, "InputEncoding");
    if (!enc)
        return true;
    std::string name = RawText(enc);
    std::string lower = text::AsciiLower(name);
    if (name.empty() || lower == "utf-8" || lower == "utf8")
        return true;
    std::string probe;
    if (!sys::ConvertFromUtf8("a", name, probe)) {
        *error = "InputEncoding \"" + OneLine(name, 40) + "\" is not a character set this system knows";
        return false;
    }
    r.inputEncoding = name;
    return true;
}

std::string ShortNameOf(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    std::size_t dot = file.find('.');
    return dot == std::string::npos || dot == 0 ? file : file.substr(0, dot);
}

// A name that makes an entry a script.
bool IsScriptName(const fs::directory_entry& e) {
    std::string name = e.path().filename().string();
    if (name.empty() || name[0] == '.' || name.size() < 5)
        return false;
    return text::AsciiLower(name.substr(name.size() - 4)) == ".xml";
}

std::string KeyOf(const std::string& shortName) {
    return text::AsciiLower(shortName);
}

// The usable scripts of one folder.
std::vector<EngineScript> ReadFolder(const std::string& folder, bool user, std::vector<std::string>* problems,
                                     std::map<std::string, std::string>* broken) {
    std::vector<EngineScript> out;
    std::error_code ec;
    if (folder.empty() || !fs::is_directory(folder, ec))
        return out;
    std::vector<fs::path> files;
    fs::directory_iterator it(folder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        if (files.size() >= kMaxFolderEntries) {
            if (problems)
                problems->push_back(folder + ": more than " + std::to_string(kMaxFolderEntries) +
                                    " files; the rest are not read");
            break;
        }
        if (!IsScriptName(*it))
            continue;
        // A folder, a pipe (whose reader would wait for ever) or a link to nothing is not
        // read, but whoever put it there hears why it is no engine.
        std::error_code typeError;
        if (it->is_regular_file(typeError))
            files.push_back(it->path());
        else if (problems)
            problems->push_back(it->path().string() + ": not a regular file, so it is not read as a script");
    }
    // Of several files with one short name, "name.xml" itself counts, else the first by name.
    auto rank = [](const fs::path& p) {
        std::string file = p.filename().string();
        std::string shortName = ShortNameOf(file);
        return std::make_tuple(KeyOf(shortName), text::AsciiLower(file) != KeyOf(shortName) + ".xml", file);
    };
    std::sort(files.begin(), files.end(),
              [&](const fs::path& a, const fs::path& b) { return rank(a) < rank(b); });
    std::map<std::string, std::string> seen;
    for (const fs::path& p : files) {
        EngineScript s;
        std::string why;
        std::string path = p.string();
        std::string key = KeyOf(ShortNameOf(path));
        if (auto dup = seen.find(key); dup != seen.end()) {
            if (problems)
                problems->push_back(path + ": the short name \"" + ShortNameOf(path) +
                                    "\" is already taken by " + dup->second);
            continue;
        }
        if (!ReadEngineScript(path, s, &why)) {
            if (broken)
                (*broken)[key] = path + ": " + why;
            else if (problems)
                problems->push_back(path + ": " + why);
            continue;
        }
        seen[key] = path;
        s.user = user;
        out.push_back(std::move(s));
    }
    return out;
}

} // namespace

bool ParseEngineScript(std::string_view text, const std::string& path, EngineScript& out,
                       std::string* error) {
    std::string ignored;
    std::string* err = error ? error : &ignored;
    if (text.size() > kMaxScriptBytes) {
        *err = "larger than 1 MB";
        return false;
    }
    xml::Doc doc = xml::ParseXml(text, false, err);
    if (!doc)
        return false;
    const xmlNode* root = xmlDocGetRootElement(doc.get());
    if (!root || !(IsOs(root, "OpenSearchDescription") || IsOs(root, "SearchPlugin"))) {
        *err = "not an OpenSearch description (its root element is <" +
               std::string(root ? reinterpret_cast<const char*>(root->name) : "") + ">)";
        return false;
    }

    // Every Url that gives hits is a form: one with rules of ours, or a feed, which needs none.
    auto rules = std::make_shared<EngineScript::Rules>();
    Rules defaults;
    if (!ReadEncoding(root, defaults, err))
        return false;
    constexpr std::size_t kMaxForms = 8;
    for (const xmlNode* c = root->children; c; c = c->next) {
        if (!IsOs(c, "Url") || !GivesResults(c) || Attr(c, "template").empty())
            continue;
        const xmlNode* rulesNode = nullptr;
        for (const xmlNode* k = c->children; k && !rulesNode; k = k->next) {
            if (IsOurs(k, "Html") || IsOurs(k, "Json"))
                rulesNode = k;
        }
        if (!rulesNode && !IsFeedType(Attr(c, "type")))
            continue; // a page for people, such as a browser's search box opens
        if (rules->forms.size() >= kMaxForms) {
            *err = "more than " + std::to_string(kMaxForms) + " Urls give hits";
            return false;
        }
        Rules form = defaults;
        form.type = OneLine(Attr(c, "type"), 60);
        std::string where =
            rules->forms.empty() ? "" : "Url " + std::to_string(rules->forms.size() + 1) + ": ";
        bool read = ReadUrl(c, form, err);
        if (read && !rulesNode) {
            form.kind = Rules::Kind::Feed;
        } else if (read && IsOurs(rulesNode, "Html")) {
            form.kind = Rules::Kind::Html;
            read = ReadHtmlRules(rulesNode, form, err);
        } else if (read) {
            form.kind = Rules::Kind::Json;
            read = ReadJsonRules(rulesNode, form, err);
        }
        if (read && form.kind != Rules::Kind::Feed && (form.title.empty() || form.address.empty())) {
            *err = "the rules need at least one vireo:Title and one vireo:Address";
            read = false;
        }
        if (!read) {
            *err = where + *err;
            return false;
        }
        rules->forms.push_back(std::move(form));
    }
    if (rules->forms.empty()) {
        *err = "no Url gives hits: an HTML or JSON Url needs vireo:Html or vireo:Json rules "
               "(see docs/engines.md), or the script needs an RSS or Atom Url";
        return false;
    }

    EngineScript s;
    s.id = path;
    s.shortName = ShortNameOf(path);
    if (const xmlNode* n = OsChild(root, "ShortName"))
        s.name = CleanText(xml::NodeText(n, kMaxRuleBytes), false);
    if (s.name.empty())
        s.name = s.shortName;
    if (const xmlNode* n = OsChild(root, "Description"))
        s.description = CleanText(xml::NodeText(n, kMaxRuleBytes), false);
    for (const xmlNode* c = root->children; c; c = c->next) {
        if (IsOurs(c, "HomePage")) {
            std::string home = CleanText(xml::NodeText(c, kMaxRuleBytes), false);
            if (IsWebAddress(home))
                s.homePage = home;
            break;
        }
    }
    if (s.homePage.empty())
        s.homePage = OriginOf(EscapeForAddress(Sample(rules->forms.front().urlTemplate)));
    s.rules = std::move(rules);
    out = std::move(s);
    return true;
}

bool ReadEngineScript(const std::string& path, EngineScript& out, std::string* error) {
    std::string ignored;
    std::string* err = error ? error : &ignored;
    std::string text;
    return ReadWholeFile(path, text, err, kMaxScriptBytes) && ParseEngineScript(text, path, out, err);
}

std::vector<EngineScript> LoadEngines(const std::string& programFolder, const std::string& userFolder,
                                      std::vector<std::string>* problems) {
    std::string shipped;
    if (!programFolder.empty())
        shipped = (fs::path(programFolder) / "engines").string();
    std::map<std::string, std::string> brokenUser;
    std::vector<EngineScript> fromProgram = ReadFolder(shipped, false, problems, nullptr);
    std::vector<EngineScript> fromUser = ReadFolder(userFolder, true, problems, &brokenUser);

    std::map<std::string, EngineScript> byKey;
    for (EngineScript& s : fromProgram)
        byKey[KeyOf(s.shortName)] = std::move(s);
    for (EngineScript& s : fromUser)
        byKey[KeyOf(s.shortName)] = std::move(s);
    if (problems) {
        // A broken copy of the user's does not take a working engine away.
        for (const auto& [key, why] : brokenUser) {
            auto it = byKey.find(key);
            problems->push_back(
                why + (it != byKey.end() && !it->second.user ? " (the shipped script is used)" : ""));
        }
    }
    std::vector<EngineScript> out;
    out.reserve(byKey.size());
    for (auto& [key, s] : byKey)
        out.push_back(std::move(s));
    // The map's order is the lower-case short name's; ties cannot occur.
    return out;
}

} // namespace vireo::orn

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ornsearch/xml_support.h"

#include <libxml/xpathInternals.h>

#include <climits>
#include <cstdarg>
#include <mutex>
#include <vector>

#include "interchange/html_text.h"
#include "ornsearch/hit_text.h"
#include "store/text_codec.h"

namespace vireo::orn::xml {

void Init() {
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

QuietErrors::QuietErrors()
    : m_oldGeneric(xmlGenericError), m_oldGenericContext(xmlGenericErrorContext),
      m_oldStructured(xmlStructuredError), m_oldStructuredContext(xmlStructuredErrorContext) {
    xmlSetGenericErrorFunc(this, &QuietErrors::Generic);
    xmlSetStructuredErrorFunc(this, &QuietErrors::Structured);
}

QuietErrors::~QuietErrors() {
    xmlSetGenericErrorFunc(m_oldGenericContext, m_oldGeneric);
    xmlSetStructuredErrorFunc(m_oldStructuredContext, m_oldStructured);
}

void QuietErrors::Structured(void* self, xmlError* error) {
    auto* me = static_cast<QuietErrors*>(self);
    if (!me || !error || !me->m_first.empty() || error->level < XML_ERR_ERROR)
        return;
    std::string msg = error->message ? error->message : "error";
    // libxml2 may quote the offending text after a line break; one line is enough.
    msg = msg.substr(0, msg.find('\n'));
    while (!msg.empty() && msg.back() == ' ')
        msg.pop_back();
    if (error->line > 0)
        msg = "line " + std::to_string(error->line) + ": " + msg;
    me->m_first = OneLine(msg, 200);
}

void QuietErrors::Generic(void*, const char*, ...) {}

Doc ParseXml(std::string_view bytes, bool recover, std::string* error, bool keepBlanks) {
    Init();
    if (bytes.size() > static_cast<std::size_t>(INT_MAX))
        return nullptr;
    QuietErrors quiet;
    // No XML_PARSE_NOENT (entities stay references), no DTD loading or validation, no
    // XML_PARSE_HUGE: the default limits on text size and nesting stay in force.
    // The trees are only read, so small texts may live inside their nodes (XML_PARSE_COMPACT).
    int options =
        XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOCDATA | XML_PARSE_COMPACT;
    if (recover)
        options |= XML_PARSE_RECOVER;
    if (!keepBlanks)
        options |= XML_PARSE_NOBLANKS;
    Doc doc(xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr, options));
    if (!doc && error)
        *error = quiet.First().empty() ? "not an XML document" : quiet.First();
    return doc;
}

namespace {

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && text::StartsWithNoCase(a, b);
}

bool EndsName(char c) {
    return c == '>' || c == '/' || c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// Where "</name" (any case, then the end of the name) starts at or after `from`.
std::size_t FindEndTag(std::string_view page, std::string_view name, std::size_t from) {
    for (std::size_t p = page.find("</", from); p != std::string_view::npos; p = page.find("</", p + 2)) {
        std::size_t after = p + 2 + name.size();
        if (after < page.size() && EqualsNoCase(page.substr(p + 2, name.size()), name) &&
            EndsName(page[after]))
            return p;
    }
    return std::string_view::npos;
}

} // namespace

std::string WithoutRawText(std::string_view page) {
    std::string out;
    out.reserve(page.size());
    std::size_t copied = 0; // page[copied, i) is still to be copied
    std::size_t i = 0;
    while ((i = page.find('<', i)) != std::string_view::npos) {
        if (page.compare(i, 4, "<!--") == 0) {
            std::size_t end = page.find("-->", i + 4);
            out.append(page.substr(copied, i - copied));
            i = end == std::string_view::npos ? page.size() : end + 3;
            copied = i;
            continue;
        }
        if (i + 1 >= page.size() || !IsLetter(page[i + 1])) {
            ++i;
            continue;
        }
        std::size_t nameEnd = i + 1;
        while (nameEnd < page.size() &&
               (IsLetter(page[nameEnd]) || (page[nameEnd] >= '0' && page[nameEnd] <= '9')))
            ++nameEnd;
        std::size_t gt = html::TagEnd(page, i);
        if (gt == std::string_view::npos)
            break;
        std::string_view name = page.substr(i + 1, nameEnd - i - 1);
        // "<script/>" does not end the element in HTML either: its content still follows.
        // Inline drawings are not raw text, but no rule reads their insides, and their
        // hundreds of unknown elements cost the parser more than anything else on a page.
        bool drawing = EqualsNoCase(name, "svg") && page[gt - 1] != '/';
        if (EqualsNoCase(name, "script") || EqualsNoCase(name, "style") || drawing) {
            std::size_t close = FindEndTag(page, name, gt + 1);
            if (close == std::string_view::npos)
                close = page.size();
            out.append(page.substr(copied, gt + 1 - copied));
            copied = close;
            i = close;
            continue;
        }
        i = gt + 1;
    }
    out.append(page.substr(copied));
    return out;
}

namespace {

bool WideCharset(std::string_view charset, std::string_view bytes) {
    std::string lower = text::AsciiLower(charset);
    if (lower.starts_with("utf-16") || lower.starts_with("utf-32") || lower.starts_with("ucs"))
        return true;
    return bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
}

std::string WithoutNuls(std::string_view page) {
    // libxml2's HTML parser takes a NUL for the end of the page, even inside an
    // attribute, and reports what came before as the whole page. A character reference
    // to U+FFFD (what a browser reads there) means the same in every ASCII-based charset.
    std::string out;
    out.reserve(page.size() + 64);
    std::size_t from = 0;
    for (std::size_t nul = page.find('\0'); nul != std::string_view::npos; nul = page.find('\0', from)) {
        out.append(page.substr(from, nul - from)).append("&#xFFFD;");
        from = nul + 1;
    }
    out.append(page.substr(from));
    return out;
}

} // namespace

Doc ParseHtml(std::string_view bytes, const std::string& charset, const std::string& url) {
    Init();
    std::string cleaned;
    if (bytes.find('\0') != std::string_view::npos && !WideCharset(charset, bytes)) {
        cleaned = WithoutNuls(bytes);
        bytes = cleaned;
    }
    if (bytes.size() > static_cast<std::size_t>(INT_MAX))
        return nullptr;
    QuietErrors quiet;
    int options = HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                  HTML_PARSE_COMPACT;
    const int size = static_cast<int>(bytes.size());
    Doc doc;
    if (!charset.empty())
        doc.reset(htmlReadMemory(bytes.data(), size, url.c_str(), charset.c_str(), options));
    // A charset libxml2 does not know: let the page's own declaration decide.
    if (!doc)
        doc.reset(htmlReadMemory(bytes.data(), size, url.c_str(), nullptr, options));
    return doc;
}

namespace {

void AppendCapped(std::string& out, const xmlChar* text, std::size_t maxBytes) {
    if (!text || out.size() >= maxBytes)
        return;
    const char* s = reinterpret_cast<const char*>(text);
    std::size_t len = std::char_traits<char>::length(s);
    out.append(s, std::min(len, maxBytes - out.size()));
}

bool SkippedElement(const xmlNode* n) {
    return n->type == XML_ELEMENT_NODE &&
           (xmlStrcasecmp(n->name, BAD_CAST "script") == 0 || xmlStrcasecmp(n->name, BAD_CAST "style") == 0);
}

} // namespace

std::string NodeText(const xmlNode* node, std::size_t maxBytes) {
    std::string out;
    if (!node)
        return out;
    switch (node->type) {
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
        AppendCapped(out, node->content, maxBytes);
        return out;
    case XML_ATTRIBUTE_NODE:
    case XML_ELEMENT_NODE:
    case XML_DOCUMENT_NODE:
    case XML_HTML_DOCUMENT_NODE:
        break;
    default:
        return out;
    }
    // Walk the subtree without recursion: pages nest as deep as they like.
    const xmlNode* n = node->children;
    while (n && out.size() < maxBytes) {
        if (n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE)
            AppendCapped(out, n->content, maxBytes);
        if (n->type == XML_ELEMENT_NODE && n->children && !SkippedElement(n)) {
            n = n->children;
            continue;
        }
        while (n && !n->next) {
            n = n->parent;
            if (n == node)
                return out;
        }
        if (n)
            n = n->next;
    }
    return out;
}

std::string Attribute(const xmlNode* node, const char* name, std::size_t maxBytes) {
    if (!node || node->type != XML_ELEMENT_NODE)
        return {};
    for (const xmlAttr* a = node->properties; a; a = a->next) {
        if (!a->ns && xmlStrEqual(a->name, BAD_CAST name))
            return NodeText(reinterpret_cast<const xmlNode*>(a), maxBytes);
    }
    return {};
}

const xmlNode* Child(const xmlNode* parent, const char* name) {
    if (!parent)
        return nullptr;
    for (const xmlNode* c = parent->children; c; c = c->next) {
        if (IsNamed(c, name))
            return c;
    }
    return nullptr;
}

XPathComp CompileXPath(xmlXPathContext* context, const std::string& expr, std::string* error) {
    QuietErrors quiet;
    XPathComp comp(xmlXPathCtxtCompile(context, BAD_CAST expr.c_str()));
    if (!comp && error)
        *error = "bad XPath \"" + OneLine(expr) + "\"" + (quiet.First().empty() ? "" : ": " + quiet.First());
    return comp;
}

} // namespace vireo::orn::xml

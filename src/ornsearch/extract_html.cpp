// SPDX-License-Identifier: GPL-3.0-or-later
// Hits of an HTML result page, by the script's XPath expressions.

#include <libxml/xpathInternals.h>

#include "ornsearch/extract_internal.h"
#include "ornsearch/hit_text.h"
#include "ornsearch/xml_support.h"

namespace vireo::orn {

namespace {

using Rules = EngineForm;

// Raw text before cleaning: a little more than a hit keeps, so cutting happens on clean text.
constexpr std::size_t kRawBytes = 4 * kMaxTextBytes;

bool Matches(const xmlXPathObject* o) {
    if (!o)
        return false;
    switch (o->type) {
    case XPATH_NODESET:
        return o->nodesetval && o->nodesetval->nodeNr > 0;
    case XPATH_BOOLEAN:
        return o->boolval != 0;
    case XPATH_NUMBER:
        return o->floatval != 0 && o->floatval == o->floatval;
    case XPATH_STRING:
        return o->stringval && *o->stringval;
    default:
        return false;
    }
}

// The text an expression gives for one result. An element chosen as an address gives its
// link (href) when it has one, so that ".//a" works as well as ".//a/@href".
std::string ValueOf(const xmlXPathObject* o, bool address) {
    if (!o)
        return {};
    switch (o->type) {
    case XPATH_NODESET: {
        if (!o->nodesetval || o->nodesetval->nodeNr == 0)
            return {};
        const xmlNode* n = o->nodesetval->nodeTab[0];
        if (address && n->type == XML_ELEMENT_NODE) {
            std::string href = xml::Attribute(n, "href", kMaxAddressBytes + 1);
            if (!href.empty())
                return href;
        }
        if (n->type != XML_TEXT_NODE || address)
            return xml::NodeText(n, kRawBytes);
        // Text nodes are asked for to leave something out of an element (the address a
        // site prints inside its title link): they read as one text, as the page shows them.
        std::string out;
        for (int i = 0; i < o->nodesetval->nodeNr && out.size() < kRawBytes; ++i) {
            const xmlNode* t = o->nodesetval->nodeTab[i];
            if (t->type == XML_TEXT_NODE || t->type == XML_CDATA_SECTION_NODE)
                out += xml::NodeText(t, kRawBytes - out.size());
        }
        return out;
    }
    case XPATH_STRING:
        return o->stringval ? std::string(reinterpret_cast<const char*>(o->stringval)).substr(0, kRawBytes)
                            : std::string();
    case XPATH_NUMBER:
    case XPATH_BOOLEAN: {
        xmlChar* s = xmlXPathCastToString(const_cast<xmlXPathObject*>(o));
        std::string out = s ? reinterpret_cast<const char*>(s) : "";
        xmlFree(s);
        return out;
    }
    default:
        return {};
    }
}

struct CompiledField {
    xml::XPathComp comp;
    bool markup = false;
};

class Evaluator {
public:
    explicit Evaluator(xmlDoc* doc) : m_context(xmlXPathNewContext(doc)) {
        // Reusing libxml2's XPath objects from one result to the next spares most of the
        // allocations of evaluating the same few expressions on every result.
        if (m_context)
            xmlXPathContextSetCache(m_context.get(), 1, -1, 0);
    }
    bool Ready() const { return static_cast<bool>(m_context); }

    xml::XPathObject Eval(const std::string& expr, xmlNode* node, std::string* error) {
        xml::XPathComp comp = xml::CompileXPath(m_context.get(), expr, error);
        return comp ? Eval(comp.get(), node) : nullptr;
    }
    xml::XPathObject Eval(xmlXPathCompExpr* comp, xmlNode* node) {
        m_context->node = node;
        return xml::XPathObject(xmlXPathCompiledEval(comp, m_context.get()));
    }
    bool Compile(const std::vector<FieldRule>& rules, std::vector<CompiledField>& out, std::string* error) {
        for (const FieldRule& f : rules) {
            xml::XPathComp comp = xml::CompileXPath(m_context.get(), f.expr, error);
            if (!comp)
                return false;
            out.push_back({std::move(comp), f.markup});
        }
        return true;
    }
    // The first alternative that gives a text for `node`.
    std::string First(std::vector<CompiledField>& fields, xmlNode* node, bool address, bool& markup) {
        for (CompiledField& f : fields) {
            std::string v = ValueOf(Eval(f.comp.get(), node).get(), address);
            if (v.find_first_not_of(" \t\r\n") != std::string::npos) {
                markup = f.markup;
                return v;
            }
        }
        return {};
    }

private:
    xml::XPathContext m_context;
};

} // namespace

PageHits ExtractHtml(const Rules& r, std::string_view body, const ContentType& type,
                     const std::string& pageUrl, xml::Doc* parsed) {
    if (type.type == "application/json" || (type.type.size() > 5 && type.type.ends_with("+json")))
        return Failed("the engine sent JSON (" + type.type + "), not an HTML page");
    xml::QuietErrors quiet;
    xml::Doc own;
    xml::Doc& doc = parsed ? *parsed : own;
    if (!doc)
        doc = xml::ParseHtml(xml::WithoutRawText(body), type.charset, pageUrl);
    if (!doc || !xmlDocGetRootElement(doc.get()))
        return Failed("the page could not be read as HTML");
    Evaluator eval(doc.get());
    if (!eval.Ready())
        return Failed("out of memory");
    xmlNode* root = reinterpret_cast<xmlNode*>(doc.get());
    std::string error;

    xml::XPathObject results = eval.Eval(r.result, root, &error);
    if (!results)
        return Failed("vireo:Result cannot be evaluated" + (error.empty() ? "" : ": " + error));
    if (results->type != XPATH_NODESET)
        return Failed("vireo:Result does not select elements");
    int count = results->nodesetval ? results->nodesetval->nodeNr : 0;

    // A page may name another address that its relative links resolve against: the first
    // base element with an address counts, as in browsers, also where the parser has put
    // it into the body (after an element that does not belong in a head, say).
    std::string base = pageUrl;
    xml::XPathObject baseHref = eval.Eval("(//base[@href])[1]/@href", root, &error);
    if (std::string href = ValueOf(baseHref.get(), false); !href.empty()) {
        std::string resolved = HitAddress(href, pageUrl, {});
        if (!resolved.empty())
            base = resolved;
    }

    std::vector<CompiledField> title, address, snippet;
    if (!eval.Compile(r.title, title, &error) || !eval.Compile(r.address, address, &error) ||
        !eval.Compile(r.snippet, snippet, &error))
        return Failed(error);
    PageHits page;
    page.ok = true;
    for (int i = 0; i < count && page.hits.size() < kMaxHitsPerPage; ++i) {
        xmlNode* node = results->nodesetval->nodeTab[i];
        bool titleMarkup = false, addressMarkup = false, snippetMarkup = false;
        std::string a = eval.First(address, node, true, addressMarkup);
        std::string t = eval.First(title, node, false, titleMarkup);
        std::string s = eval.First(snippet, node, false, snippetMarkup);
        AddHit(page, t, titleMarkup, a, s, snippetMarkup, base, r.unwrap);
    }
    if (!page.hits.empty())
        return page;

    // Without hits, tell "nothing found" from a page that is not a result page at all (a
    // block, consent or error page, or a site that has changed): the no-results marker
    // says the one, a missing result-page marker the other.
    if (!r.refusal.empty() && Matches(eval.Eval(r.refusal, root, &error).get())) {
        PageHits refused = Failed("the site refused an automated search (the engine's own refusal page)");
        refused.refused = true;
        return refused;
    }
    if (!r.noResults.empty() && Matches(eval.Eval(r.noResults, root, &error).get())) {
        page.items = 0;
        return page;
    }
    if (!r.resultPage.empty() && !Matches(eval.Eval(r.resultPage, root, &error).get()))
        return Failed("not a result page of this engine: vireo:ResultPage does not match "
                      "(a block, consent or error page, or the site has changed)");
    if (r.resultPage.empty() && !r.noResults.empty())
        return Failed("the page shows neither results nor the no-results marker");
    return page;
}

bool RefusalMarkerMatches(const Rules& r, std::string_view body, const ContentType& type,
                          const std::string& pageUrl) {
    if (r.refusal.empty())
        return false;
    xml::QuietErrors quiet;
    xml::Doc doc = xml::ParseHtml(xml::WithoutRawText(body), type.charset, pageUrl);
    if (!doc || !xmlDocGetRootElement(doc.get()))
        return false;
    Evaluator eval(doc.get());
    std::string error;
    return eval.Ready() && Matches(eval.Eval(r.refusal, reinterpret_cast<xmlNode*>(doc.get()), &error).get());
}

} // namespace vireo::orn

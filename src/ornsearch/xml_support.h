// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The few things every reader of scripts and pages needs from libxml2: one-time set-up,
// owning handles, quiet errors, safe parsing and the text of a node.

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xpath.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace vireo::orn::xml {

// Sets libxml2 up once per process; every entry point calls it before parsing.
void Init();

struct DocFree {
    void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};
struct XPathContextFree {
    void operator()(xmlXPathContext* c) const { xmlXPathFreeContext(c); }
};
struct XPathObjectFree {
    void operator()(xmlXPathObject* o) const { xmlXPathFreeObject(o); }
};
struct XPathCompFree {
    void operator()(xmlXPathCompExpr* e) const { xmlXPathFreeCompExpr(e); }
};
using Doc = std::unique_ptr<xmlDoc, DocFree>;
using XPathContext = std::unique_ptr<xmlXPathContext, XPathContextFree>;
using XPathObject = std::unique_ptr<xmlXPathObject, XPathObjectFree>;
using XPathComp = std::unique_ptr<xmlXPathCompExpr, XPathCompFree>;

// Keeps libxml2 from writing to stderr on this thread while it lives, and remembers the
// first error it would have written.
class QuietErrors {
public:
    QuietErrors();
    ~QuietErrors();
    QuietErrors(const QuietErrors&) = delete;
    QuietErrors& operator=(const QuietErrors&) = delete;
    const std::string& First() const { return m_first; }

private:
    static void Structured(void* self, xmlError* error);
    static void Generic(void* self, const char* msg, ...);
    xmlGenericErrorFunc m_oldGeneric;
    void* m_oldGenericContext;
    xmlStructuredErrorFunc m_oldStructured;
    void* m_oldStructuredContext;
    std::string m_first;
};

// An XML document from hostile bytes: no network, no DTD loading, no entity substitution,
// libxml2's default size and depth limits. `recover` accepts what a sloppy feed gets wrong.
// Without `keepBlanks`, texts of blanks alone between elements are left out (a third of a
// feed's nodes).
Doc ParseXml(std::string_view bytes, bool recover, std::string* error, bool keepBlanks = true);
// The page without what no rule reads and what costs the parser most: the contents of its
// script and style elements (raw text, which cannot hold elements) and of its inline SVG
// drawings, and its comments. The elements themselves stay. Tags are skipped whole, so a "<" inside a quoted
// attribute value is not taken for one.
std::string WithoutRawText(std::string_view page);
// An HTML document from hostile bytes, with recovery and without network. `charset` is
// the one the response declared (may be empty: then the page's own declaration counts).
Doc ParseHtml(std::string_view bytes, const std::string& charset, const std::string& url);

// The text of a node as the document holds it, cut at about `maxBytes`: the text under an
// element (without script and style contents), an attribute's value, a text node's text.
// Entity references are not followed, so nested entity declarations cannot blow it up.
std::string NodeText(const xmlNode* node, std::size_t maxBytes);

// The value of attribute `name` (no namespace) of `node`, or empty.
std::string Attribute(const xmlNode* node, const char* name, std::size_t maxBytes);

// True when the node's local name is `name`.
inline bool IsNamed(const xmlNode* node, const char* name) {
    return node && node->type == XML_ELEMENT_NODE && xmlStrEqual(node->name, BAD_CAST name);
}
// The namespace of an element, or "".
inline const char* NamespaceOf(const xmlNode* node) {
    return node && node->ns && node->ns->href ? reinterpret_cast<const char*>(node->ns->href) : "";
}

// The first child element of `parent` with the local name `name`, or null.
const xmlNode* Child(const xmlNode* parent, const char* name);

// Compiles an XPath expression; null with libxml2's reason in `error` when it is not one.
XPathComp CompileXPath(xmlXPathContext* context, const std::string& expr, std::string* error);

} // namespace vireo::orn::xml

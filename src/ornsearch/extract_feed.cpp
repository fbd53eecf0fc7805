// SPDX-License-Identifier: GPL-3.0-or-later
// Hits of an RSS or Atom feed, by the formats' own fields: no rules needed.

#include "ornsearch/extract_internal.h"
#include "ornsearch/hit_text.h"
#include "ornsearch/xml_support.h"

namespace vireo::orn {

namespace {

using Rules = EngineForm;

constexpr std::size_t kRawBytes = 4 * kMaxTextBytes;
constexpr char kAtomNs[] = "http://www.w3.org/2005/Atom";

std::string Text(const xmlNode* n) {
    return n ? xml::NodeText(n, kRawBytes) : std::string();
}

// An RSS item: title, link (or a permanent guid), description. Titles and descriptions
// are HTML in practice, escaped into the XML.
void AddRssItem(PageHits& page, const xmlNode* item, const std::string& pageUrl, const Rules& r) {
    std::string link = Text(xml::Child(item, "link"));
    if (link.find_first_not_of(" \t\r\n") == std::string::npos) {
        const xmlNode* guid = xml::Child(item, "guid");
        if (guid && xml::Attribute(guid, "isPermaLink", 16) != "false")
            link = Text(guid);
    }
    AddHit(page, Text(xml::Child(item, "title")), true, link, Text(xml::Child(item, "description")), true,
           pageUrl, r.unwrap);
}

// An Atom text construct: type "text" (the default) is plain, "html" is escaped HTML,
// "xhtml" is markup inside the element, whose text we take.
std::string AtomText(const xmlNode* n, bool& markup) {
    markup = false;
    if (!n)
        return {};
    std::string type = xml::Attribute(n, "type", 32);
    markup = type == "html" || type == "text/html";
    return Text(n);
}

// The entry's page: the alternate link, preferring an HTML one; else an id that is an address.
std::string AtomLink(const xmlNode* entry) {
    std::string fallback;
    for (const xmlNode* c = entry->children; c; c = c->next) {
        if (!xml::IsNamed(c, "link"))
            continue;
        std::string rel = xml::Attribute(c, "rel", 64);
        if (!rel.empty() && rel != "alternate")
            continue;
        std::string href = xml::Attribute(c, "href", kMaxAddressBytes + 1);
        if (href.empty())
            continue;
        std::string type = xml::Attribute(c, "type", 64);
        if (type.empty() || type == "text/html" || type == "application/xhtml+xml")
            return href;
        if (fallback.empty())
            fallback = href;
    }
    if (!fallback.empty())
        return fallback;
    std::string id = Text(xml::Child(entry, "id"));
    return IsWebAddress(id) ? id : std::string();
}

void AddAtomEntry(PageHits& page, const xmlNode* entry, const std::string& pageUrl, const Rules& r) {
    bool titleMarkup = false, summaryMarkup = false;
    std::string title = AtomText(xml::Child(entry, "title"), titleMarkup);
    const xmlNode* summary = xml::Child(entry, "summary");
    if (!summary)
        summary = xml::Child(entry, "content");
    std::string text = AtomText(summary, summaryMarkup);
    AddHit(page, title, titleMarkup, AtomLink(entry), text, summaryMarkup, pageUrl, r.unwrap);
}

} // namespace

PageHits ExtractFeed(const Rules& r, std::string_view body, const ContentType& type,
                     const std::string& pageUrl) {
    if (type.type == "application/json")
        return Failed("the engine sent JSON, not a feed");
    std::string error;
    // An Atom text holds no elements unless it is XHTML, so the blanks between elements are
    // of no use there and left out. RSS keeps them: sloppy feeds put raw HTML in their
    // descriptions, where a blank between two elements separates words, as in XHTML.
    const bool markup =
        body.find(kAtomNs) == std::string_view::npos || body.find("xhtml") != std::string_view::npos;
    xml::Doc doc = xml::ParseXml(body, true, &error, markup);
    if (!doc)
        return Failed("not an RSS or Atom feed: " + error);
    const xmlNode* root = xmlDocGetRootElement(doc.get());
    if (!root)
        return Failed("not an RSS or Atom feed: the document is empty");

    PageHits page;
    page.ok = true;
    auto full = [&] { return page.hits.size() >= kMaxHitsPerPage; };
    if (xml::IsNamed(root, "rss")) {
        const xmlNode* channel = xml::Child(root, "channel");
        if (!channel)
            return Failed("the RSS feed has no channel");
        for (const xmlNode* c = channel->children; c && !full(); c = c->next) {
            if (xml::IsNamed(c, "item"))
                AddRssItem(page, c, pageUrl, r);
        }
    } else if (xml::IsNamed(root, "RDF")) {
        // RSS 1.0 keeps its items beside the channel.
        for (const xmlNode* c = root->children; c && !full(); c = c->next) {
            if (xml::IsNamed(c, "item"))
                AddRssItem(page, c, pageUrl, r);
        }
    } else if (xml::IsNamed(root, "feed") && std::string_view(xml::NamespaceOf(root)) == kAtomNs) {
        for (const xmlNode* c = root->children; c && !full(); c = c->next) {
            if (xml::IsNamed(c, "entry"))
                AddAtomEntry(page, c, pageUrl, r);
        }
    } else {
        return Failed("not an RSS or Atom feed (its root element is <" +
                      OneLine(reinterpret_cast<const char*>(root->name), 40) + ">)");
    }
    return page;
}

} // namespace vireo::orn

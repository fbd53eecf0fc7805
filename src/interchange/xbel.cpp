// SPDX-License-Identifier: GPL-3.0-or-later
#include "interchange/xbel.h"

#include <libxml/entities.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlreader.h>
#include <libxml/xmlwriter.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

#include "store/ole_date.h"
#include "store/text_codec.h"

namespace vireo::xbel {

namespace {

// The identifiers every XBEL 1.0 file names; the DTD itself is never fetched.
constexpr const char* kPublicId = "+//IDN python.org//DTD XML Bookmark Exchange Language 1.0//EN//XML";
constexpr const char* kSystemId = "http://pyxml.sourceforge.net/topics/dtds/xbel.dtd";
// What a file may expand through its own entities, all references together: a few
// references to a huge entity must not swell a small file into gigabytes.
constexpr std::size_t kEntityBudget = std::size_t{16} << 20;

void Init() {
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

struct TextReaderFree {
    void operator()(xmlTextReader* r) const { xmlFreeTextReader(r); }
};

const char* Chars(const xmlChar* s) {
    return reinterpret_cast<const char*>(s);
}

// XBEL has no namespace; elements of other vocabularies (KDE's metadata) carry a prefix.
bool IsXbelElement(const xmlNode* node, const char* name) {
    return node->type == XML_ELEMENT_NODE && (!node->ns || !node->ns->prefix) &&
           std::strcmp(Chars(node->name), name) == 0;
}

class Reader {
public:
    // The document whose DTD holds the file's own entities; the reader's nodes point to it.
    void SetDocument(xmlDoc* doc) { m_doc = doc; }

    // The text of a node list (an element's or an attribute's children). Character
    // references and the predefined entities arrive decoded from the parser; the file's own
    // entities are decoded here when they stand for plain text, within the budget, and
    // never by following their parsed content, which could nest without end.
    std::string Text(const xmlNode* first) {
        std::string out;
        for (const xmlNode* n = first; n; n = n->next) {
            if ((n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE) && n->content) {
                out += Chars(n->content);
            } else if (n->type == XML_ENTITY_REF_NODE) {
                const xmlEntity* e = xmlGetDocEntity(m_doc, n->name);
                if (!e || e->etype != XML_INTERNAL_GENERAL_ENTITY || !e->content)
                    continue;
                const std::string_view value(Chars(e->content));
                if (value.find_first_of("<&") != std::string_view::npos || value.size() > m_budget)
                    continue;
                m_budget -= value.size();
                out += value;
            }
        }
        return out;
    }

    std::string Attribute(const xmlNode* node, const char* name) {
        for (const xmlAttr* a = node->properties; a; a = a->next) {
            if (!a->ns && std::strcmp(Chars(a->name), name) == 0)
                return Text(a->children);
        }
        return {};
    }

    void Attributes(const xmlNode* element, Node& node) {
        node.id = Attribute(element, "id");
        node.added = ParseDate(Attribute(element, "added"));
        node.modified = ParseDate(Attribute(element, "modified"));
    }

    // The title and desc children of a bookmark read whole, and its attributes.
    void Common(const xmlNode* element, Node& node) {
        Attributes(element, node);
        bool haveTitle = false;
        bool haveDesc = false;
        for (const xmlNode* c = element->children; c; c = c->next) {
            if (!haveTitle && IsXbelElement(c, "title")) {
                node.title = Text(c->children);
                haveTitle = true;
            } else if (!haveDesc && IsXbelElement(c, "desc")) {
                node.desc = Text(c->children);
                haveDesc = true;
            }
        }
    }

private:
    xmlDoc* m_doc = nullptr;
    std::size_t m_budget = kEntityBudget;
};

// floccus keeps its item counter in a comment: "- highestId :N: for Floccus ...".
std::int64_t HighestIdOf(const xmlNode* comment) {
    if (!comment->content)
        return -1;
    const std::string_view text(Chars(comment->content));
    constexpr std::string_view kKey = "highestId :";
    const std::size_t at = text.find(kKey);
    if (at == std::string_view::npos)
        return -1;
    std::int64_t value = 0;
    std::size_t i = at + kKey.size();
    const std::size_t start = i;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value > (INT64_MAX - 9) / 10)
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    if (i == start || i >= text.size() || text[i] != ':')
        return -1;
    return value;
}

// Text fit for an XML document: valid UTF-8 (bytes that are not are read as
// Windows-1252, as stored texts are) without the characters XML 1.0 cannot hold.
std::string XmlText(std::string_view s) {
    const std::string utf8 = text::DecodeStored(s);
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        const std::size_t len = text::DecodeUtf8(utf8, i, cp);
        if (len == 0) { // cannot happen after DecodeStored; skip the byte to be safe
            ++i;
            continue;
        }
        const bool allowed =
            cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp != 0xFFFE && cp != 0xFFFF);
        if (allowed)
            out.append(utf8, i, len);
        i += len;
    }
    return out;
}

const xmlChar* X(const char* s) {
    return reinterpret_cast<const xmlChar*>(s);
}

class Writer {
public:
    Writer() : m_buffer(xmlBufferCreate()) {
        if (m_buffer)
            m_writer = xmlNewTextWriterMemory(m_buffer, 0);
    }
    ~Writer() {
        if (m_writer)
            xmlFreeTextWriter(m_writer);
        if (m_buffer)
            xmlBufferFree(m_buffer);
    }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    bool Ok() const { return m_writer && m_ok; }

    void Start(const char* name) { Check(xmlTextWriterStartElement(m_writer, X(name))); }
    void End() { Check(xmlTextWriterEndElement(m_writer)); }
    void Attribute(const char* name, std::string_view value) {
        const std::string text = XmlText(value);
        Check(xmlTextWriterWriteAttribute(m_writer, X(name), X(text.c_str())));
    }
    void TextElement(const char* name, std::string_view value) {
        const std::string text = XmlText(value);
        Check(xmlTextWriterWriteElement(m_writer, X(name), X(text.c_str())));
    }

    void Item(const Node& node) {
        Start(node.folder ? "folder" : "bookmark");
        if (!node.folder)
            Attribute("href", node.url);
        if (!node.id.empty())
            Attribute("id", node.id);
        if (node.added > 0)
            Attribute("added", FormatDate(node.added));
        // The format gives folders no change date.
        if (!node.folder && node.modified > 0)
            Attribute("modified", FormatDate(node.modified));
        TextElement("title", node.title);
        if (!node.desc.empty())
            TextElement("desc", node.desc);
        for (const Node& child : node.children) {
            if (node.folder)
                Item(child);
        }
        End();
    }

    std::string Write(const Document& doc) {
        if (!m_writer)
            return {};
        Check(xmlTextWriterStartDocument(m_writer, "1.0", "UTF-8", nullptr));
        // On one line, as other writers put it; the indented mode would break it in two.
        Check(xmlTextWriterWriteDTD(m_writer, X("xbel"), X(kPublicId), X(kSystemId), nullptr));
        Check(xmlTextWriterWriteRaw(m_writer, X("\n")));
        Check(xmlTextWriterSetIndent(m_writer, 1));
        Check(xmlTextWriterSetIndentString(m_writer, X("  ")));
        Start("xbel");
        Attribute("version", "1.0");
        if (doc.highestId >= 0) {
            const std::string comment = "- highestId :" + std::to_string(doc.highestId) +
                                        ": for Floccus bookmark sync browser extension ";
            Check(xmlTextWriterWriteComment(m_writer, X(comment.c_str())));
        }
        if (!doc.title.empty())
            TextElement("title", doc.title);
        for (const Node& item : doc.items)
            Item(item);
        End();
        Check(xmlTextWriterEndDocument(m_writer));
        Check(xmlTextWriterFlush(m_writer));
        if (!Ok())
            return {};
        return std::string(Chars(xmlBufferContent(m_buffer)),
                           static_cast<std::size_t>(xmlBufferLength(m_buffer)));
    }

private:
    void Check(int rc) {
        if (rc < 0)
            m_ok = false;
    }
    xmlBuffer* m_buffer = nullptr;
    xmlTextWriter* m_writer = nullptr;
    bool m_ok = true;
};

bool Digits(std::string_view s, std::size_t at, std::size_t count, int& value) {
    if (at + count > s.size())
        return false;
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        value = value * 10 + (s[i] - '0');
    }
    return true;
}

// Years 1970 to 9999 only: anything outside is a damaged value, not a date.
constexpr std::int64_t kLastSecond = INT64_C(253402300799);

} // namespace

namespace {

std::string NotWellFormed() {
    const xmlError* e = xmlGetLastError();
    std::string why = e && e->message ? e->message : "";
    why = why.substr(0, why.find('\n'));
    while (!why.empty() && (why.back() == ' ' || why.back() == '\r'))
        why.pop_back();
    std::string error = "it is not well-formed XML";
    if (!why.empty()) {
        error += " (";
        if (e->line > 0)
            error += "line " + std::to_string(e->line) + ": ";
        error += why + ")";
    }
    return error;
}

// A folder being read, or the top element (folder null), with what it took already.
struct Open {
    int depth;
    std::vector<Node>* items;
    Node* folder;
    bool haveTitle = false;
    bool haveDesc = false;
};

} // namespace

bool Parse(std::string_view bytes, Document& out, std::string& error) {
    out = Document{};
    error.clear();
    if (bytes.size() > static_cast<std::size_t>(INT_MAX)) {
        error = "the file is too large";
        return false;
    }
    Init();
    // No XML_PARSE_NOENT, XML_PARSE_DTDLOAD or XML_PARSE_HUGE: external entities and DTDs
    // are never read, the file's own entities stay references, and libxml2's limits on
    // text size and nesting hold. CDATA sections arrive as text; short texts are kept inside
    // their nodes (XML_PARSE_COMPACT), which saves an allocation for each.
    const int options =
        XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOCDATA | XML_PARSE_COMPACT;
    // Read as a stream, each bookmark whole and then let go: a document tree of a large
    // file costs several times more to build and free than everything else the import does.
    std::unique_ptr<xmlTextReader, TextReaderFree> stream(
        xmlReaderForMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr, options));
    if (!stream) {
        error = "out of memory";
        return false;
    }
    xmlTextReader* r = stream.get();
    xmlResetLastError();
    Reader reader;
    std::vector<Open> open;
    bool sawRoot = false;
    std::string rootError;
    auto fail = [&](std::string why) {
        error = std::move(why);
        out = Document{};
        return false;
    };
    int ret = xmlTextReaderRead(r);
    while (ret == 1) {
        const int depth = xmlTextReaderDepth(r);
        const xmlNode* node = xmlTextReaderCurrentNode(r);
        // An end tag points at its element too: only the start counts.
        const int type = xmlTextReaderNodeType(r);
        if (depth < 0 || !node)
            return fail(NotWellFormed());
        while (!open.empty() && open.back().depth >= depth)
            open.pop_back();
        bool skip = false; // past the element's content rather than into it
        if (depth == 0) {
            if (type == XML_READER_TYPE_ELEMENT && !sawRoot) {
                sawRoot = true;
                if (IsXbelElement(node, "xbel")) {
                    reader.SetDocument(node->doc);
                    open.push_back({0, &out.items, nullptr});
                } else {
                    // Still read to the end: a file that is not even XML is told as such.
                    rootError = "its top element is <" + std::string(Chars(node->name)) + ">, not <xbel>";
                    skip = true;
                }
            }
        } else if (!open.empty() && depth == open.back().depth + 1) {
            Open& parent = open.back();
            if (type == XML_READER_TYPE_COMMENT && !parent.folder && out.highestId < 0) {
                out.highestId = HighestIdOf(node);
            } else if (type == XML_READER_TYPE_ELEMENT) {
                skip = true;
                if (IsXbelElement(node, "bookmark")) {
                    const xmlNode* whole = xmlTextReaderExpand(r);
                    if (!whole)
                        return fail(NotWellFormed());
                    Node mark;
                    reader.Common(whole, mark);
                    mark.url = reader.Attribute(whole, "href");
                    parent.items->push_back(std::move(mark));
                } else if (IsXbelElement(node, "folder")) {
                    if (open.size() - 1 >= static_cast<std::size_t>(kMaxDepth))
                        return fail("its folders are nested more than " + std::to_string(kMaxDepth) +
                                    " deep");
                    Node folder;
                    folder.folder = true;
                    reader.Attributes(node, folder);
                    parent.items->push_back(std::move(folder));
                    // The parent's list grows no more while this folder is open.
                    Node* added = &parent.items->back();
                    open.push_back({depth, &added->children, added});
                    skip = false;
                } else if (IsXbelElement(node, "title") || IsXbelElement(node, "desc")) {
                    const bool title = IsXbelElement(node, "title");
                    std::string* target = nullptr;
                    if (!parent.folder) {
                        if (title && out.title.empty())
                            target = &out.title;
                    } else if (title ? !parent.haveTitle : !parent.haveDesc) {
                        (title ? parent.haveTitle : parent.haveDesc) = true;
                        target = title ? &parent.folder->title : &parent.folder->desc;
                    }
                    if (target) {
                        const xmlNode* whole = xmlTextReaderExpand(r);
                        if (!whole)
                            return fail(NotWellFormed());
                        *target = reader.Text(whole->children);
                    }
                }
                // Separators, aliases (references to items already read) and everything
                // the format does not know are left out.
            }
        }
        ret = skip ? xmlTextReaderNext(r) : xmlTextReaderRead(r);
    }
    if (ret < 0)
        return fail(NotWellFormed());
    if (!sawRoot)
        return fail("it holds no element");
    if (!rootError.empty())
        return fail(rootError);
    return true;
}

std::string Serialize(const Document& doc) {
    Init();
    Writer writer;
    return writer.Write(doc);
}

std::int64_t ParseDate(std::string_view s) {
    s = text::TrimWhite(s);
    if (s.empty())
        return 0;
    if (s.find_first_not_of("0123456789") == std::string_view::npos) {
        if (s.size() > 12)
            return 0;
        const std::int64_t v = std::stoll(std::string(s));
        return v > 0 && v <= kLastSecond ? v : 0;
    }
    int year = 0, month = 0, day = 0;
    if (!Digits(s, 0, 4, year) || s.size() < 10 || s[4] != '-' || !Digits(s, 5, 2, month) || s[7] != '-' ||
        !Digits(s, 8, 2, day))
        return 0;
    if (month < 1 || month > 12 || day < 1 || day > 31)
        return 0;
    int hour = 0, minute = 0, second = 0;
    std::size_t i = 10;
    if (i < s.size() && (s[i] == 'T' || s[i] == 't' || s[i] == ' ')) {
        if (!Digits(s, i + 1, 2, hour) || i + 3 >= s.size() || s[i + 3] != ':' ||
            !Digits(s, i + 4, 2, minute))
            return 0;
        i += 6;
        if (i < s.size() && s[i] == ':') {
            if (!Digits(s, i + 1, 2, second))
                return 0;
            i += 3;
            if (i < s.size() && (s[i] == '.' || s[i] == ',')) {
                ++i;
                while (i < s.size() && s[i] >= '0' && s[i] <= '9')
                    ++i;
            }
        }
        if (hour > 24 || minute > 59 || second > 60)
            return 0;
    }
    std::int64_t offset = 0;
    if (i < s.size()) {
        if (s[i] == 'Z' || s[i] == 'z') {
            ++i;
        } else if (s[i] == '+' || s[i] == '-') {
            const int sign = s[i] == '-' ? -1 : 1;
            int oh = 0, om = 0;
            if (!Digits(s, i + 1, 2, oh))
                return 0;
            i += 3;
            if (i < s.size() && s[i] == ':')
                ++i;
            if (i < s.size()) {
                if (!Digits(s, i, 2, om))
                    return 0;
                i += 2;
            }
            if (oh > 23 || om > 59)
                return 0;
            offset = sign * (oh * 3600 + om * 60);
        }
    }
    if (i != s.size())
        return 0;
    const std::int64_t seconds =
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 + hour * 3600 +
        minute * 60 + second - offset;
    return seconds > 0 && seconds <= kLastSecond ? seconds : 0;
}

std::string FormatDate(std::int64_t seconds) {
    if (seconds < 0)
        seconds = 0;
    if (seconds > kLastSecond)
        seconds = kLastSecond;
    int y = 0, m = 0, d = 0;
    CivilFromDays(seconds / 86400, y, m, d);
    const std::int64_t secs = seconds % 86400;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02lld:%02lld:%02lldZ", y, m, d,
                  static_cast<long long>(secs / 3600), static_cast<long long>(secs / 60 % 60),
                  static_cast<long long>(secs % 60));
    return buf;
}

} // namespace vireo::xbel

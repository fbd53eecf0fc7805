// SPDX-License-Identifier: GPL-3.0-or-later
#include "interchange/xbel.h"

#include <libxml/SAX2.h>
#include <libxml/entities.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlwriter.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

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

const char* Chars(const xmlChar* s) {
    return reinterpret_cast<const char*>(s);
}

// floccus keeps its item counter in a comment: "- highestId :N: for Floccus ...".
std::int64_t HighestIdOf(const xmlChar* comment) {
    if (!comment)
        return -1;
    const std::string_view text(Chars(comment));
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

std::string NotWellFormed(const xmlError& e) {
    std::string why = e.message ? e.message : "";
    why = why.substr(0, why.find('\n'));
    while (!why.empty() && (why.back() == ' ' || why.back() == '\r'))
        why.pop_back();
    std::string error = "it is not well-formed XML";
    if (!why.empty()) {
        error += " (";
        if (e.line > 0)
            error += "line " + std::to_string(e.line) + ": ";
        error += why + ")";
    }
    return error;
}

// XBEL has no namespace; elements of other vocabularies (KDE's metadata) carry a prefix.
bool IsXbel(const xmlChar* localname, const xmlChar* prefix, const char* name) {
    return !prefix && std::strcmp(Chars(localname), name) == 0;
}

// Reads the file with the parser's callbacks, building nothing but what it hands to the
// sink: a document tree, even one bookmark at a time, costs several times more to build
// and free than everything else an import does.
class SaxReader {
public:
    SaxReader(xmlParserCtxt* ctxt, Sink& sink) : m_ctxt(ctxt), m_sink(sink) {}

    static void Install(xmlSAXHandler& sax) {
        sax.startElementNs = &SaxReader::OnStart;
        sax.endElementNs = &SaxReader::OnEnd;
        // CDATA sections and white space are text like any other.
        sax.characters = &SaxReader::OnText;
        sax.ignorableWhitespace = &SaxReader::OnText;
        sax.cdataBlock = &SaxReader::OnText;
        sax.reference = &SaxReader::OnReference;
        sax.comment = &SaxReader::OnComment;
        // The parser's own handlers would add these to its document, which nobody reads.
        sax.processingInstruction = nullptr;
        sax.startElement = nullptr;
        sax.endElement = nullptr;
        sax.warning = nullptr;
        sax.error = nullptr;
        sax.fatalError = nullptr;
        sax.serror = nullptr;
    }

    const std::string& Refusal() const { return m_refusal; }
    bool SawRoot() const { return m_sawRoot; }
    const std::string& RootError() const { return m_rootError; }

private:
    // The parser reads the text of each of the file's entities through these callbacks
    // too, under a context of its own. That context builds the entity's nodes as the
    // parser's own handlers do: with them kept, a reference is not parsed over again each
    // time it occurs, which would make a large entity cost its size at every reference.
    static SaxReader* Of(void* ctx) {
        auto* ctxt = static_cast<xmlParserCtxt*>(ctx);
        auto* self = static_cast<SaxReader*>(ctxt->_private);
        return self && self->m_ctxt == ctxt ? self : nullptr;
    }

    static void OnStart(void* ctx, const xmlChar* localname, const xmlChar* prefix, const xmlChar* uri,
                        int namespaces, const xmlChar** namespaceList, int attributes, int defaulted,
                        const xmlChar** values) {
        if (SaxReader* self = Of(ctx))
            self->Start(localname, prefix, attributes - defaulted, values);
        else
            xmlSAX2StartElementNs(ctx, localname, prefix, uri, namespaces, namespaceList, attributes,
                                  defaulted, values);
    }
    static void OnEnd(void* ctx, const xmlChar* localname, const xmlChar* prefix, const xmlChar* uri) {
        if (SaxReader* self = Of(ctx))
            self->End();
        else
            xmlSAX2EndElementNs(ctx, localname, prefix, uri);
    }
    static void OnText(void* ctx, const xmlChar* text, int len) {
        SaxReader* self = Of(ctx);
        if (!self)
            xmlSAX2Characters(ctx, text, len);
        else if (self->m_target && !self->m_skipFrom && len > 0)
            self->m_target->append(Chars(text), static_cast<std::size_t>(len));
    }
    static void OnReference(void* ctx, const xmlChar* name) {
        SaxReader* self = Of(ctx);
        if (!self)
            xmlSAX2Reference(ctx, name);
        else if (self->m_target && !self->m_skipFrom)
            self->AppendEntity(name, *self->m_target);
    }
    static void OnComment(void* ctx, const xmlChar* value) {
        SaxReader* self = Of(ctx);
        if (!self) {
            xmlSAX2Comment(ctx, value);
        } else if (!self->m_skipFrom && !self->m_target && !self->m_inBookmark && !self->m_open.empty() &&
                   self->m_open.back().depth == self->m_depth && !self->m_open.back().folder &&
                   !self->m_haveHighestId) {
            const std::int64_t id = HighestIdOf(value);
            if (id >= 0) {
                self->m_haveHighestId = true;
                self->m_sink.HighestId(id);
            }
        }
    }

    // The file's own entities are decoded when they stand for plain text, within the
    // budget, and never by following their parsed content, which could nest without end.
    // Character references and the predefined entities arrive decoded from the parser.
    void AppendEntity(const xmlChar* name, std::string& out) {
        const xmlEntity* e = xmlGetDocEntity(m_ctxt->myDoc, name);
        if (!e || !e->content)
            return;
        const std::string_view value(Chars(e->content));
        if (e->etype == XML_INTERNAL_PREDEFINED_ENTITY) {
            out += value;
            return;
        }
        if (e->etype != XML_INTERNAL_GENERAL_ENTITY || value.find_first_of("<&") != std::string_view::npos ||
            value.size() > m_budget)
            return;
        m_budget -= value.size();
        out += value;
    }

    // An attribute's value as the parser hands it over: as written when it holds no
    // reference, else with "&#38;" for an ampersand and the file's own entities as
    // references, everything else decoded.
    std::string Value(const xmlChar* begin, const xmlChar* end) {
        const std::string_view raw(Chars(begin), static_cast<std::size_t>(end - begin));
        std::size_t amp = raw.find('&');
        if (amp == std::string_view::npos)
            return std::string(raw);
        std::string out(raw.substr(0, amp));
        while (amp != std::string_view::npos) {
            const std::size_t semi = raw.find(';', amp + 1);
            if (semi == std::string_view::npos)
                break;
            const std::string_view ref = raw.substr(amp + 1, semi - amp - 1);
            if (!ref.empty() && ref[0] == '#') {
                const bool hex = ref.size() > 1 && (ref[1] == 'x' || ref[1] == 'X');
                char32_t cp = 0;
                bool ok = ref.size() > (hex ? 2u : 1u);
                for (std::size_t i = hex ? 2 : 1; ok && i < ref.size(); ++i) {
                    const char c = ref[i];
                    const int digit = c >= '0' && c <= '9'          ? c - '0'
                                      : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                                      : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                                    : -1;
                    ok = digit >= 0 && cp <= 0x10FFFF;
                    cp = cp * (hex ? 16 : 10) + static_cast<char32_t>(digit);
                }
                if (ok && cp <= 0x10FFFF)
                    text::AppendUtf8(out, cp);
            } else {
                const std::string name(ref);
                AppendEntity(reinterpret_cast<const xmlChar*>(name.c_str()), out);
            }
            amp = raw.find('&', semi + 1);
            out.append(raw.substr(semi + 1, (amp == std::string_view::npos ? raw.size() : amp) - semi - 1));
        }
        return out;
    }

    // The attributes the format gives folders and bookmarks; namespaced ones are others'.
    void Attributes(int count, const xmlChar** values, Node& node) {
        for (int i = 0; i < count; ++i) {
            const xmlChar** a = values + 5 * i; // name, prefix, URI, value, end of value
            if (a[1])
                continue;
            const char* name = Chars(a[0]);
            if (std::strcmp(name, "href") == 0) {
                if (!node.folder)
                    node.url = Value(a[3], a[4]);
            } else if (std::strcmp(name, "id") == 0) {
                node.id = Value(a[3], a[4]);
            } else if (std::strcmp(name, "added") == 0) {
                node.added = ParseDate(Value(a[3], a[4]));
            } else if (std::strcmp(name, "modified") == 0) {
                node.modified = ParseDate(Value(a[3], a[4]));
            }
        }
    }

    void Skip() { m_skipFrom = m_depth; }

    void Start(const xmlChar* localname, const xmlChar* prefix, int attributes, const xmlChar** values) {
        ++m_depth;
        if (m_skipFrom)
            return;
        // Markup inside a title or desc: its text is not theirs.
        if (m_target)
            return Skip();
        if (m_depth == 1) {
            m_sawRoot = true;
            if (IsXbel(localname, prefix, "xbel")) {
                m_open.push_back({m_depth, false});
            } else {
                // Still read to the end: a file that is not even XML is told as such.
                m_rootError = "its top element is <" + std::string(Chars(localname)) + ">, not <xbel>";
                Skip();
            }
            return;
        }
        if (m_inBookmark) {
            if (!m_markTitle && IsXbel(localname, prefix, "title")) {
                m_markTitle = true;
                Gather(&m_mark.title, Into::Bookmark);
            } else if (!m_markDesc && IsXbel(localname, prefix, "desc")) {
                m_markDesc = true;
                Gather(&m_mark.desc, Into::Bookmark);
            } else {
                Skip();
            }
            return;
        }
        Open& parent = m_open.back();
        if (IsXbel(localname, prefix, "bookmark")) {
            m_inBookmark = true;
            m_markTitle = false;
            m_markDesc = false;
            m_mark = Node{};
            Attributes(attributes, values, m_mark);
        } else if (IsXbel(localname, prefix, "folder")) {
            if (m_open.size() - 1 >= static_cast<std::size_t>(kMaxDepth)) {
                m_refusal = "its folders are nested more than " + std::to_string(kMaxDepth) + " deep";
                xmlStopParser(m_ctxt);
                return;
            }
            Node folder;
            folder.folder = true;
            Attributes(attributes, values, folder);
            m_sink.OpenFolder(std::move(folder));
            m_open.push_back({m_depth, true});
        } else if (IsXbel(localname, prefix, "title") || IsXbel(localname, prefix, "desc")) {
            const bool title = IsXbel(localname, prefix, "title");
            m_text.clear();
            if (!parent.folder) {
                if (title && !m_haveTitle)
                    return Gather(&m_text, Into::DocumentTitle);
            } else if (title ? !parent.haveTitle : !parent.haveDesc) {
                (title ? parent.haveTitle : parent.haveDesc) = true;
                return Gather(&m_text, title ? Into::FolderTitle : Into::FolderDesc);
            }
            Skip();
        } else {
            // Separators, aliases (references to items already read) and everything the
            // format does not know are left out.
            Skip();
        }
    }

    void End() {
        if (m_skipFrom) {
            if (m_skipFrom == m_depth)
                m_skipFrom = 0;
        } else if (m_target && m_targetDepth == m_depth) {
            m_target = nullptr;
            switch (m_into) {
            case Into::Bookmark:
                break;
            case Into::DocumentTitle:
                m_haveTitle = !m_text.empty();
                m_sink.Title(std::move(m_text));
                break;
            case Into::FolderTitle:
                m_sink.FolderTitle(std::move(m_text));
                break;
            case Into::FolderDesc:
                m_sink.FolderDesc(std::move(m_text));
                break;
            }
        } else if (m_inBookmark) {
            m_inBookmark = false;
            m_sink.Bookmark(std::move(m_mark));
        } else if (!m_open.empty() && m_open.back().depth == m_depth) {
            if (m_open.back().folder)
                m_sink.CloseFolder();
            m_open.pop_back();
        }
        --m_depth;
    }

    enum class Into { Bookmark, DocumentTitle, FolderTitle, FolderDesc };
    void Gather(std::string* target, Into into) {
        m_target = target;
        m_targetDepth = m_depth;
        m_into = into;
    }

    // The top element or a folder being read, with what it took already.
    struct Open {
        int depth;
        bool folder;
        bool haveTitle = false;
        bool haveDesc = false;
    };

    xmlParserCtxt* m_ctxt;
    Sink& m_sink;
    std::string m_refusal;
    std::string m_rootError;
    bool m_sawRoot = false;
    bool m_haveTitle = false;
    bool m_haveHighestId = false;
    int m_depth = 0;    // elements open
    int m_skipFrom = 0; // the depth of the element whose content is being passed over
    std::vector<Open> m_open;
    bool m_inBookmark = false;
    bool m_markTitle = false;
    bool m_markDesc = false;
    Node m_mark;
    std::string m_text;
    std::string* m_target = nullptr; // the text being gathered, while its element is open
    int m_targetDepth = 0;
    Into m_into = Into::Bookmark;
    // What a file may expand through its own entities, all references together.
    std::size_t m_budget = kEntityBudget;
};

struct ParserFree {
    void operator()(xmlParserCtxt* ctxt) const {
        if (ctxt->myDoc)
            xmlFreeDoc(ctxt->myDoc);
        ctxt->myDoc = nullptr;
        xmlFreeParserCtxt(ctxt);
    }
};

// Keeps the items as a document.
class DocumentSink : public Sink {
public:
    explicit DocumentSink(Document& doc) : m_doc(doc) {}

    void Title(std::string&& title) override { m_doc.title = std::move(title); }
    void HighestId(std::int64_t id) override { m_doc.highestId = id; }
    void OpenFolder(Node&& folder) override {
        Items().push_back(std::move(folder));
        // The parent's list grows no more while this folder is open.
        m_open.push_back(&Items().back());
    }
    void FolderTitle(std::string&& title) override { m_open.back()->title = std::move(title); }
    void FolderDesc(std::string&& desc) override { m_open.back()->desc = std::move(desc); }
    void CloseFolder() override { m_open.pop_back(); }
    void Bookmark(Node&& bookmark) override { Items().push_back(std::move(bookmark)); }

private:
    std::vector<Node>& Items() { return m_open.empty() ? m_doc.items : m_open.back()->children; }

    Document& m_doc;
    std::vector<Node*> m_open;
};

} // namespace

bool Parse(std::string_view bytes, Sink& sink, std::string& error) {
    error.clear();
    if (bytes.size() > static_cast<std::size_t>(INT_MAX)) {
        error = "the file is too large";
        return false;
    }
    if (bytes.empty()) {
        error = "it is not well-formed XML (the file is empty)";
        return false;
    }
    Init();
    std::unique_ptr<xmlParserCtxt, ParserFree> parser(
        xmlCreateMemoryParserCtxt(bytes.data(), static_cast<int>(bytes.size())));
    if (!parser || !parser->sax) {
        error = "out of memory";
        return false;
    }
    xmlParserCtxt* ctxt = parser.get();
    // The parser's own handlers stay for the DTD, so that the file's entities are known.
    xmlSAXHandler sax;
    xmlSAXVersion(&sax, 2);
    SaxReader::Install(sax);
    *ctxt->sax = sax;
    SaxReader reader(ctxt, sink);
    ctxt->_private = &reader;
    // No XML_PARSE_NOENT, XML_PARSE_DTDLOAD or XML_PARSE_HUGE: external entities and DTDs
    // are never read, the file's own entities stay references, and libxml2's limits on
    // text size, nesting and entity expansion hold.
    xmlCtxtUseOptions(ctxt, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    xmlParseDocument(ctxt);
    if (!reader.Refusal().empty()) {
        error = reader.Refusal();
        return false;
    }
    if (!ctxt->wellFormed) {
        error = NotWellFormed(ctxt->lastError);
        return false;
    }
    if (!reader.SawRoot()) {
        error = "it holds no element";
        return false;
    }
    if (!reader.RootError().empty()) {
        error = reader.RootError();
        return false;
    }
    return true;
}

bool Parse(std::string_view bytes, Document& out, std::string& error) {
    out = Document{};
    DocumentSink sink(out);
    if (Parse(bytes, sink, error))
        return true;
    out = Document{};
    return false;
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

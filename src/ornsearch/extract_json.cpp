// SPDX-License-Identifier: GPL-3.0-or-later
// Hits of a JSON result page: the array at the script's results path, and in each of its
// entries the fields or small templates the script names.

#include <charconv>

#include <nlohmann/json.hpp>

#include "ornsearch/extract_internal.h"
#include "ornsearch/hit_text.h"
#include "store/text_codec.h"

namespace vireo::orn {

namespace {

using Rules = EngineForm;
using Json = nlohmann::json;

constexpr int kMaxDepth = kMaxJsonDepth;

// Reads the page and builds the part of it the rules read, and nothing else. A page of
// results carries far more than the three fields a hit needs (GitHub sends some eighty per
// repository), and keeping only those makes a large page cheap: what no rule reads is
// only checked for being JSON, never decoded. Every value's path is checked against the
// wanted paths ("*" stands for any entry of the results array): a value on a wanted path
// is kept whole, a container on the way to one is kept with only the children that lead
// there. Arrays keep their indices: dropped entries leave a null.
class Picker {
public:
    Picker(std::string_view page, std::vector<std::vector<std::string>> wanted)
        : m_begin(page.data()), m_p(page.data()), m_end(page.data() + page.size()),
          m_wanted(std::move(wanted)) {}

    bool Parse(Json& root) {
        std::vector<int> alive;
        Want want = Want::Skip;
        for (int i = 0; i < static_cast<int>(m_wanted.size()) && want != Want::All; ++i) {
            if (m_wanted[i].empty())
                want = Want::All;
            else
                alive.push_back(i);
        }
        if (want == Want::Skip && !alive.empty())
            want = Want::Part;
        SkipSpace();
        if (!Value(0, want, alive, &root))
            return false;
        SkipSpace();
        return m_p == m_end || Fail("more follows the end of the answer");
    }

    const std::string& Error() const { return m_error; }

private:
    enum class Want { Skip, Part, All };

    bool Fail(const char* what) {
        m_error = "not JSON at byte " + std::to_string(m_p - m_begin) + ": " + what;
        return false;
    }

    void SkipSpace() {
        while (m_p != m_end && (*m_p == ' ' || *m_p == '\n' || *m_p == '\r' || *m_p == '\t'))
            ++m_p;
    }

    static bool IsIndex(const std::string& step, std::size_t index) {
        if (step == "*")
            return true;
        std::size_t n = 0;
        auto [end, ec] = std::from_chars(step.data(), step.data() + step.size(), n);
        return ec == std::errc() && end == step.data() + step.size() && n == index;
    }

    // Whether the child at `step` (a member name, or else an array index) of a container
    // `level` deep is wanted, and which wanted paths go on below it.
    Want Classify(int level, const std::string* key, std::size_t index, const std::vector<int>& alive,
                  std::vector<int>& below) const {
        below.clear();
        for (int i : alive) {
            const std::string& w = m_wanted[i][static_cast<std::size_t>(level)];
            if (key ? w == *key : IsIndex(w, index)) {
                if (m_wanted[i].size() == static_cast<std::size_t>(level) + 1)
                    return Want::All;
                below.push_back(i);
            }
        }
        return below.empty() ? Want::Skip : Want::Part;
    }

    // `out` receives the value when it is wanted whole, or a container that leads to one.
    bool Value(int level, Want want, const std::vector<int>& alive, Json* out) {
        if (m_p == m_end)
            return Fail("the answer ends early");
        switch (*m_p) {
        case '{':
            return Container(level, want, alive, out, '}');
        case '[':
            return Container(level, want, alive, out, ']');
        case '"':
            if (want != Want::All)
                return String(nullptr);
            *out = Json::string_t();
            return String(&out->get_ref<Json::string_t&>());
        case 't':
            return Literal("true", want == Want::All ? out : nullptr, Json(true));
        case 'f':
            return Literal("false", want == Want::All ? out : nullptr, Json(false));
        case 'n':
            return Literal("null", want == Want::All ? out : nullptr, Json(nullptr));
        default:
            return Number(want == Want::All ? out : nullptr);
        }
    }

    bool Container(int level, Want want, const std::vector<int>& alive, Json* out, char close) {
        if (level >= kMaxDepth) {
            m_error = "nested deeper than " + std::to_string(kMaxDepth) + " levels";
            return false;
        }
        const bool object = close == '}';
        if (want != Want::Skip)
            *out = object ? Json::object() : Json::array();
        ++m_p;
        SkipSpace();
        if (m_p != m_end && *m_p == close) {
            ++m_p;
            return true;
        }
        std::string key;
        std::vector<int> below;
        for (std::size_t index = 0;; ++index) {
            Want child = want == Want::All ? Want::All : Want::Skip;
            if (object) {
                if (m_p == m_end || *m_p != '"')
                    return Fail("a member name was expected");
                key.clear();
                if (!String(want == Want::Skip ? nullptr : &key))
                    return false;
                SkipSpace();
                if (m_p == m_end || *m_p != ':')
                    return Fail("a colon was expected");
                ++m_p;
                SkipSpace();
            }
            if (want == Want::Part)
                child = Classify(level, object ? &key : nullptr, index, alive, below);
            if (child == Want::Skip) {
                if (!Value(level + 1, child, below, nullptr))
                    return false;
            } else {
                Json v;
                if (!Value(level + 1, child, below, &v))
                    return false;
                if (child == Want::All || v.is_structured()) {
                    if (object) {
                        (*out)[key] = std::move(v);
                    } else {
                        while (out->size() < index)
                            out->push_back(nullptr);
                        out->push_back(std::move(v));
                    }
                }
            }
            SkipSpace();
            if (m_p == m_end)
                return Fail("the answer ends early");
            if (*m_p == close) {
                ++m_p;
                return true;
            }
            if (*m_p != ',')
                return Fail(object ? "a comma or } was expected" : "a comma or ] was expected");
            ++m_p;
            SkipSpace();
        }
    }

    static int Hex(char c) {
        if (c >= '0' && c <= '9')
            return c - '0';
        c = static_cast<char>(c | 0x20);
        return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    }

    bool HexQuad(unsigned& out) {
        if (m_end - m_p < 4)
            return Fail("a \\u escape is cut short");
        out = 0;
        for (int i = 0; i < 4; ++i) {
            int h = Hex(m_p[i]);
            if (h < 0)
                return Fail("a \\u escape is not hexadecimal");
            out = out << 4 | static_cast<unsigned>(h);
        }
        m_p += 4;
        return true;
    }

    static void AppendUtf8(std::string& out, unsigned c) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }

    // A text, decoded into `out`, or only checked when `out` is null. The page is UTF-8 by
    // now; a lone surrogate escape becomes U+FFFD instead of costing the page, as a
    // browser's reader would take it.
    bool String(std::string* out) {
        ++m_p;
        for (;;) {
            const char* run = m_p;
            while (m_p != m_end && *m_p != '"' && *m_p != '\\' && static_cast<unsigned char>(*m_p) >= 0x20)
                ++m_p;
            if (out)
                out->append(run, m_p);
            if (m_p == m_end)
                return Fail("a text is not closed");
            if (*m_p == '"') {
                ++m_p;
                return true;
            }
            if (*m_p != '\\')
                return Fail("a control character stands inside a text");
            if (++m_p == m_end)
                return Fail("a text is not closed");
            char e = *m_p++;
            unsigned c = 0;
            switch (e) {
            case '"':
            case '\\':
            case '/':
                c = static_cast<unsigned char>(e);
                break;
            case 'b':
                c = '\b';
                break;
            case 'f':
                c = '\f';
                break;
            case 'n':
                c = '\n';
                break;
            case 'r':
                c = '\r';
                break;
            case 't':
                c = '\t';
                break;
            case 'u':
                if (!HexQuad(c))
                    return false;
                if (c >= 0xD800 && c <= 0xDBFF && m_end - m_p >= 6 && m_p[0] == '\\' && m_p[1] == 'u') {
                    const char* back = m_p;
                    m_p += 2;
                    unsigned low = 0;
                    if (!HexQuad(low))
                        return false;
                    if (low >= 0xDC00 && low <= 0xDFFF)
                        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                    else
                        m_p = back; // the next escape stands on its own
                }
                if (c >= 0xD800 && c <= 0xDFFF)
                    c = 0xFFFD;
                break;
            default:
                --m_p;
                return Fail("an unknown escape stands inside a text");
            }
            if (out)
                AppendUtf8(*out, c);
        }
    }

    bool Literal(std::string_view word, Json* out, Json value) {
        if (static_cast<std::size_t>(m_end - m_p) < word.size() || std::string_view(m_p, word.size()) != word)
            return Fail("a value was expected");
        m_p += word.size();
        if (out)
            *out = std::move(value);
        return true;
    }

    bool Number(Json* out) {
        const char* start = m_p;
        auto digits = [&] {
            const char* from = m_p;
            while (m_p != m_end && *m_p >= '0' && *m_p <= '9')
                ++m_p;
            return m_p != from;
        };
        if (m_p != m_end && *m_p == '-')
            ++m_p;
        if (m_p != m_end && *m_p == '0')
            ++m_p;
        else if (!digits())
            return Fail("a value was expected");
        bool integer = true;
        if (m_p != m_end && *m_p == '.') {
            ++m_p;
            integer = false;
            if (!digits())
                return Fail("a number's fraction has no digits");
        }
        if (m_p != m_end && (*m_p == 'e' || *m_p == 'E')) {
            ++m_p;
            integer = false;
            if (m_p != m_end && (*m_p == '+' || *m_p == '-'))
                ++m_p;
            if (!digits())
                return Fail("a number's exponent has no digits");
        }
        if (!out)
            return true;
        // Integers keep their exact value while they fit, as the sites mean ids and counts.
        if (integer && *start == '-') {
            std::int64_t n = 0;
            if (std::from_chars(start, m_p, n).ec == std::errc()) {
                *out = n;
                return true;
            }
        } else if (integer) {
            std::uint64_t n = 0;
            if (std::from_chars(start, m_p, n).ec == std::errc()) {
                *out = n;
                return true;
            }
        }
        double d = 0;
        std::from_chars(start, m_p, d);
        *out = d;
        return true;
    }

    const char* m_begin;
    const char* m_p;
    const char* m_end;
    std::vector<std::vector<std::string>> m_wanted;
    std::string m_error;
};

const Json* Lookup(const Json* v, const std::vector<std::string>& path) {
    for (const std::string& step : path) {
        if (!v)
            return nullptr;
        if (v->is_object()) {
            auto it = v->find(step);
            v = it == v->end() ? nullptr : &*it;
        } else if (v->is_array()) {
            std::size_t i = 0;
            if (step.empty() || step.size() > 9 || step.find_first_not_of("0123456789") != std::string::npos)
                return nullptr;
            i = std::stoul(step);
            v = i < v->size() ? &(*v)[i] : nullptr;
        } else {
            return nullptr;
        }
    }
    return v;
}

std::string ScalarText(const Json& v) {
    switch (v.type()) {
    case Json::value_t::string:
        return v.get_ref<const std::string&>();
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float:
    case Json::value_t::boolean:
        return v.dump();
    default:
        return {};
    }
}

// A value as text: a list of plain values joins with commas (tags, authors' names).
std::string Text(const Json* v) {
    if (!v)
        return {};
    if (!v->is_array())
        return ScalarText(*v);
    std::string out;
    for (const Json& e : *v) {
        std::string s = ScalarText(e);
        if (s.empty())
            continue;
        if (!out.empty()) {
            // Sentences (a description in parts) follow each other; names and tags are listed.
            char last = out.back();
            out += (last == '.' || last == '!' || last == '?' || last == ';' || last == ':') ? " " : ", ";
        }
        out += s;
        if (out.size() > kMaxTextBytes)
            break;
    }
    return out;
}

// A template gives nothing when any value it names is missing, so "by {author}" never
// becomes a dangling "by"; the script lists a plainer alternative after it.
std::string Expand(const FieldRule& f, const Json& item) {
    std::string out;
    for (const JsonPiece& p : f.parts) {
        if (!p.isPath) {
            out += p.text;
            continue;
        }
        std::string v = Text(Lookup(&item, p.path));
        if (v.find_first_not_of(" \t\r\n") == std::string::npos)
            return {};
        out += v;
    }
    return out;
}

std::string First(const std::vector<FieldRule>& fields, const Json& item, bool& markup) {
    for (const FieldRule& f : fields) {
        std::string v = Expand(f, item);
        if (!v.empty()) {
            markup = f.markup;
            return v;
        }
    }
    return {};
}

std::string PathText(const std::vector<std::string>& path) {
    std::string out;
    for (const std::string& s : path)
        out += (out.empty() ? "" : ".") + s;
    return out.empty() ? "." : out;
}

} // namespace

PageHits ExtractJson(const Rules& r, std::string_view body, const ContentType& type,
                     const std::string& pageUrl) {
    if (type.type == "text/html" || type.type == "application/xhtml+xml")
        return Failed("the engine sent an HTML page, not JSON (a block, consent or error page?)");
    if (body.size() >= 3 && body.substr(0, 3) == "\xEF\xBB\xBF")
        body.remove_prefix(3);
    std::size_t first = body.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return Failed("the engine sent an empty page, not JSON");
    if (body[first] == '<')
        return Failed("the engine sent HTML or XML, not JSON (a block, consent or error page?)");

    // The parser refuses bytes that are not UTF-8; one bad byte should not cost the page.
    std::string repaired;
    if (!text::IsValidUtf8(body)) {
        repaired = RepairUtf8(body);
        body = repaired;
    }

    std::vector<std::vector<std::string>> wanted;
    auto itemPath = [&](const std::vector<std::string>& inner) {
        std::vector<std::string> p = r.resultsPath;
        p.push_back("*");
        p.insert(p.end(), inner.begin(), inner.end());
        wanted.push_back(std::move(p));
    };
    for (const auto* fields : {&r.title, &r.address, &r.snippet}) {
        for (const FieldRule& f : *fields) {
            for (const JsonPiece& piece : f.parts) {
                if (piece.isPath)
                    itemPath(piece.path);
            }
        }
    }
    // Rules made of fixed texts alone read nothing of an entry, but the array must be there.
    if (wanted.empty())
        wanted.push_back(r.resultsPath);
    if (r.hasErrorPath)
        wanted.push_back(r.errorPath);

    Json root;
    Picker picker(body, std::move(wanted));
    if (!picker.Parse(root))
        return Failed(picker.Error());

    if (r.hasErrorPath) {
        const Json* err = Lookup(&root, r.errorPath);
        if (err && !err->is_null() && !(err->is_boolean() && !err->get<bool>()) &&
            !(err->is_string() && err->get_ref<const std::string&>().empty())) {
            std::string msg = err->is_string() ? err->get<std::string>() : err->dump();
            return Failed("the engine answered with an error: " + OneLine(CleanText(msg, true), 200));
        }
    }
    const Json* results = Lookup(&root, r.resultsPath);
    if (!results || !results->is_array())
        return Failed("the answer has no results array at \"" + PathText(r.resultsPath) + "\"");

    PageHits page;
    page.ok = true;
    for (const Json& item : *results) {
        if (page.hits.size() >= kMaxHitsPerPage)
            break;
        bool titleMarkup = true, addressMarkup = false, snippetMarkup = true;
        std::string a = First(r.address, item, addressMarkup);
        std::string t = First(r.title, item, titleMarkup);
        std::string s = First(r.snippet, item, snippetMarkup);
        AddHit(page, t, titleMarkup, a, s, snippetMarkup, pageUrl, r.unwrap);
    }
    return page;
}

} // namespace vireo::orn

// SPDX-License-Identifier: GPL-3.0-or-later
// Hits of a JSON result page: the array at the script's results path, and in each of its
// entries the fields or small templates the script names.

#include <nlohmann/json.hpp>

#include "ornsearch/extract_internal.h"
#include "ornsearch/hit_text.h"
#include "store/text_codec.h"

namespace vireo::orn {

namespace {

using Rules = EngineForm;
using Json = nlohmann::json;

constexpr int kMaxDepth = kMaxJsonDepth;

// Builds the part of the document the rules read and nothing else. A page of results
// carries far more than the three fields a hit needs (GitHub sends some eighty per
// repository), and keeping only those makes a large page cheap. Every value's path is
// checked against the wanted paths ("*" stands for any entry of the results array): a
// value on a wanted path is kept whole, a container on the way to one is kept with only
// the children that lead there, everything else is parsed and dropped. Arrays keep their
// indices: dropped entries leave a null.
class PartialDom {
public:
    explicit PartialDom(std::vector<std::vector<std::string>> wanted) : m_wanted(std::move(wanted)) {}

    Json& Root() { return m_root; }
    const std::string& Error() const { return m_error; }

    bool null() { return Scalar(nullptr); }
    bool boolean(bool v) { return Scalar(v); }
    bool number_integer(Json::number_integer_t v) { return Scalar(v); }
    bool number_unsigned(Json::number_unsigned_t v) { return Scalar(v); }
    bool number_float(Json::number_float_t v, const Json::string_t&) { return Scalar(v); }
    bool string(Json::string_t& v) { return Scalar(std::move(v)); }
    bool binary(Json::binary_t&) { return Scalar(nullptr); }
    bool start_object(std::size_t) { return Open(Json::object()); }
    bool start_array(std::size_t) { return Open(Json::array()); }
    bool end_object() { return Close(); }
    bool end_array() { return Close(); }
    bool key(Json::string_t& k) {
        if (m_skipped == 0 && !m_frames.empty())
            m_frames.back().key = std::move(k);
        return true;
    }
    bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& e) {
        if (m_error.empty()) {
            std::string what = e.what();
            std::size_t colon = what.find("syntax error");
            m_error =
                "not JSON at byte " + std::to_string(position) + ": " +
                std::string(text::CutToBytes(colon == std::string::npos ? what : what.substr(colon), 160));
        }
        return false;
    }

private:
    enum class Want { Skip, Part, All };
    struct Frame {
        Json* value;
        bool all;               // kept whole
        std::vector<int> alive; // wanted paths that still match below here
        std::string key;        // the member being read, in an object
        std::size_t index = 0;  // the entry being read, in an array
    };

    // Where the value that starts now belongs, and whether it is wanted.
    Want Classify(std::vector<int>& alive) {
        if (m_frames.empty()) {
            for (int i = 0; i < static_cast<int>(m_wanted.size()); ++i) {
                if (m_wanted[i].empty())
                    return Want::All;
                alive.push_back(i);
            }
            return alive.empty() ? Want::Skip : Want::Part;
        }
        Frame& parent = m_frames.back();
        if (parent.all)
            return Want::All;
        std::size_t depth = m_frames.size() - 1;
        bool inArray = parent.value->is_array();
        std::string index = inArray ? std::to_string(parent.index) : std::string();
        const std::string& step = inArray ? index : parent.key;
        for (int i : parent.alive) {
            const std::string& w = m_wanted[i][depth];
            if (w == step || (w == "*" && inArray)) {
                if (m_wanted[i].size() == depth + 1)
                    return Want::All;
                alive.push_back(i);
            }
        }
        return alive.empty() ? Want::Skip : Want::Part;
    }

    // Puts `v` where the value that starts now belongs; returns where it went.
    Json* Place(Json&& v) {
        if (m_frames.empty()) {
            m_root = std::move(v);
            return &m_root;
        }
        Frame& parent = m_frames.back();
        if (parent.value->is_array()) {
            Json& arr = *parent.value;
            while (arr.size() < parent.index)
                arr.push_back(nullptr);
            arr.push_back(std::move(v));
            return &arr.back();
        }
        Json& slot = (*parent.value)[parent.key];
        slot = std::move(v);
        return &slot;
    }

    void Advance() {
        if (!m_frames.empty() && m_frames.back().value->is_array())
            ++m_frames.back().index;
    }

    template <class T>
    bool Scalar(T&& v) {
        if (m_skipped > 0)
            return true;
        std::vector<int> alive;
        if (Classify(alive) == Want::All)
            Place(Json(std::forward<T>(v)));
        Advance();
        return true;
    }

    bool Open(Json&& empty) {
        if (++m_depth > kMaxDepth) {
            m_error = "nested deeper than " + std::to_string(kMaxDepth) + " levels";
            return false;
        }
        if (m_skipped > 0) {
            ++m_skipped;
            return true;
        }
        std::vector<int> alive;
        Want want = Classify(alive);
        if (want == Want::Skip) {
            m_skipped = 1;
            return true;
        }
        Json* placed = Place(std::move(empty));
        m_frames.push_back({placed, want == Want::All, std::move(alive), {}, 0});
        return true;
    }

    bool Close() {
        --m_depth;
        if (m_skipped > 0) {
            if (--m_skipped == 0)
                Advance();
            return true;
        }
        if (!m_frames.empty())
            m_frames.pop_back();
        Advance();
        return true;
    }

    std::vector<std::vector<std::string>> m_wanted;
    Json m_root;
    std::vector<Frame> m_frames;
    int m_skipped = 0; // depth inside a container that is not kept
    int m_depth = 0;
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

    PartialDom dom(std::move(wanted));
    bool parsed = false;
    try {
        parsed = Json::sax_parse(body.begin(), body.end(), &dom);
    } catch (const std::exception& e) {
        return Failed(std::string("the JSON could not be read: ") + e.what());
    }
    if (!parsed)
        return Failed(dom.Error().empty() ? "not JSON" : dom.Error());

    const Json& root = dom.Root();
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

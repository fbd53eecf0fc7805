// SPDX-License-Identifier: GPL-3.0-or-later
#include "ornsearch/hit_text.h"

#include <libxml/HTMLparser.h>
#include <libxml/uri.h>
#include <libxml/xmlmemory.h>

#include <cstring>
#include <memory>

#include "interchange/html_text.h"
#include "ornsearch/xml_support.h"
#include "store/text_codec.h"

namespace vireo::orn {

namespace {

struct UriFree {
    void operator()(xmlURI* u) const { xmlFreeURI(u); }
};
struct XmlCharFree {
    void operator()(xmlChar* p) const { xmlFree(p); }
};
using Uri = std::unique_ptr<xmlURI, UriFree>;
using XmlString = std::unique_ptr<xmlChar, XmlCharFree>;

bool IsAsciiAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Tags after which a reader sees a break, so their words must not run together.
bool BreaksText(std::string_view name) {
    static constexpr const char* kBlocks[] = {
        "br", "p",  "div", "li", "ul", "ol", "tr",    "td",         "th",      "dd",      "dt",     "h1",
        "h2", "h3", "h4",  "h5", "h6", "hr", "table", "blockquote", "section", "article", "header", "footer"};
    std::string lower = text::AsciiLower(name);
    for (const char* b : kBlocks) {
        if (lower == b)
            return true;
    }
    return false;
}

// Removes the tags of a field that carries a bit of HTML. Only what looks like a tag
// counts ("<" then a letter, "/", "!" or "?", up to its ">"), so "a < b" keeps its "<".
std::string StripTags(std::string_view s) {
    if (s.find('<') == std::string_view::npos)
        return std::string(s);
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        char c = s[i];
        if (c != '<' || i + 1 >= s.size()) {
            out.push_back(c);
            ++i;
            continue;
        }
        char n = s[i + 1];
        if (s.compare(i, 4, "<!--") == 0) {
            std::size_t end = s.find("-->", i + 4);
            if (end == std::string_view::npos)
                break; // an open comment hides the rest, as it would in a browser
            i = end + 3;
            continue;
        }
        bool closing = n == '/';
        std::size_t nameStart = i + (closing ? 2 : 1);
        if (!(IsAsciiAlpha(n) || n == '!' || n == '?' ||
              (closing && nameStart < s.size() && IsAsciiAlpha(s[nameStart])))) {
            out.push_back(c);
            ++i;
            continue;
        }
        std::size_t j = html::TagEnd(s, i);
        if (j == std::string_view::npos) {
            out.push_back(c); // no end: not a tag after all
            ++i;
            continue;
        }
        std::size_t nameEnd = nameStart;
        while (nameEnd < j && (IsAsciiAlpha(s[nameEnd]) || (s[nameEnd] >= '0' && s[nameEnd] <= '9')))
            ++nameEnd;
        if (BreaksText(s.substr(nameStart, nameEnd - nameStart)))
            out.push_back(' ');
        i = j + 1;
    }
    return out;
}

// A character that a reader sees as white space.
bool IsSpaceCodePoint(char32_t cp) {
    return cp == ' ' || (cp >= 0x09 && cp <= 0x0D) || cp == 0x85 || cp == 0xA0 || cp == 0x1680 ||
           (cp >= 0x2000 && cp <= 0x200A) || cp == 0x2028 || cp == 0x2029 || cp == 0x202F || cp == 0x205F ||
           cp == 0x3000;
}

// A character that has no business in a title: controls and the byte-order mark.
bool IsDroppedCodePoint(char32_t cp) {
    return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || cp == 0xFEFF;
}

void AppendPercent(std::string& out, unsigned char c) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out.push_back('%');
    out.push_back(kHex[c >> 4]);
    out.push_back(kHex[c & 15]);
}

bool IsHex(char c) {
    return text::HexDigitValue(c) >= 0;
}

// The decoded value of query parameter `name` in the raw query `query`, if it is there.
bool QueryValue(std::string_view query, const std::string& name, std::string& value) {
    std::size_t start = 0;
    while (start <= query.size()) {
        std::size_t end = query.find_first_of("&;", start);
        if (end == std::string_view::npos)
            end = query.size();
        std::string_view part = query.substr(start, end - start);
        std::size_t eq = part.find('=');
        if (eq != std::string_view::npos && part.substr(0, eq) == name) {
            std::string raw(part.substr(eq + 1));
            for (char& c : raw) {
                if (c == '+')
                    c = ' ';
            }
            char* decoded = xmlURIUnescapeString(raw.c_str(), static_cast<int>(raw.size()), nullptr);
            if (!decoded)
                return false;
            value = decoded;
            xmlFree(decoded);
            return true;
        }
        start = end + 1;
    }
    return false;
}

// The decoded value of a step "name=value" of the path of `url` (before its query), which
// some engines' redirects carry instead of a query parameter ("/RU=https%3a%2f%2f.../RK=2").
bool PathValue(std::string_view url, const std::string& name, std::string& value) {
    std::size_t scheme = url.find("://");
    std::size_t start = url.find('/', scheme == std::string_view::npos ? 0 : scheme + 3);
    std::size_t end = url.find_first_of("?#");
    if (start == std::string_view::npos || start >= end)
        return false;
    std::string_view path = url.substr(start, end == std::string_view::npos ? end : end - start);
    std::string key = "/" + name + "=";
    std::size_t at = path.find(key);
    if (at == std::string_view::npos)
        return false;
    std::size_t from = at + key.size();
    std::size_t to = path.find('/', from);
    std::string raw(path.substr(from, to == std::string_view::npos ? to : to - from));
    char* decoded = xmlURIUnescapeString(raw.c_str(), static_cast<int>(raw.size()), nullptr);
    if (!decoded)
        return false;
    value = decoded;
    xmlFree(decoded);
    return true;
}

// An address carried in base64 (either alphabet, padding optional), as some engines' click
// counters do after a short marker ("a1aHR0cHM6Ly9..."); "aHR0c" is how "http" begins.
std::string FromBase64Address(const std::string& value) {
    std::size_t at = value.find("aHR0c");
    if (at == std::string::npos || at > 4)
        return {};
    std::string out;
    unsigned bits = 0;
    int count = 0;
    for (std::size_t i = at; i < value.size(); ++i) {
        char c = value[i];
        int v;
        if (c >= 'A' && c <= 'Z')
            v = c - 'A';
        else if (c >= 'a' && c <= 'z')
            v = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            v = c - '0' + 52;
        else if (c == '+' || c == '-')
            v = 62;
        else if (c == '/' || c == '_')
            v = 63;
        else if (c == '=')
            break;
        else
            return {};
        bits = (bits << 6) | static_cast<unsigned>(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out.push_back(static_cast<char>((bits >> count) & 0xFF));
        }
    }
    return out;
}

// The absolute form of `ref` against `base`, or empty.
std::string Resolve(const std::string& ref, const std::string& base) {
    if (base.empty())
        return ref;
    XmlString built(xmlBuildURI(BAD_CAST ref.c_str(), BAD_CAST base.c_str()));
    return built ? std::string(reinterpret_cast<const char*>(built.get())) : std::string();
}

} // namespace

std::string RepairUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        // Most text is ASCII: copy runs of it at once.
        std::size_t run = i;
        while (run < bytes.size() && static_cast<unsigned char>(bytes[run]) < 0x80)
            ++run;
        out.append(bytes.substr(i, run - i));
        i = run;
        if (i >= bytes.size())
            break;
        char32_t cp;
        std::size_t len = text::DecodeUtf8(bytes, i, cp);
        if (len == 0) {
            text::AppendUtf8(out, 0xFFFD);
            ++i;
        } else {
            out.append(bytes.substr(i, len));
            i += len;
        }
    }
    return out;
}

std::string DecodeEntities(std::string_view s) {
    std::size_t amp = s.find('&');
    if (amp == std::string_view::npos)
        return std::string(s);
    std::string out;
    out.reserve(s.size());
    out.append(s.substr(0, amp));
    std::size_t i = amp;
    while (i < s.size()) {
        if (s[i] != '&') {
            std::size_t next = s.find('&', i);
            if (next == std::string_view::npos)
                next = s.size();
            out.append(s.substr(i, next - i));
            i = next;
            continue;
        }
        std::size_t semi = s.find(';', i + 1);
        // The longest entity name of HTML 4 has 8 letters; a numeric one at most 8 digits.
        if (semi == std::string_view::npos || semi - i > 12 || semi == i + 1) {
            out.push_back('&');
            ++i;
            continue;
        }
        std::string_view ref = s.substr(i + 1, semi - i - 1);
        char32_t cp = 0;
        bool known = false;
        if (ref[0] == '#' || ref == "amp" || ref == "lt" || ref == "gt" || ref == "quot" || ref == "apos") {
            std::string_view whole = s.substr(i, semi - i + 1);
            std::string decoded = html::DecodeEntities(whole, false);
            if (decoded != whole) {
                out += decoded;
                i = semi + 1;
                continue;
            }
        } else {
            // The rest of HTML's names, which the shared decoder leaves alone.
            std::string name(ref);
            if (const htmlEntityDesc* e = htmlEntityLookup(BAD_CAST name.c_str())) {
                cp = e->value;
                known = true;
            }
        }
        if (!known) {
            out.push_back('&');
            ++i;
            continue;
        }
        text::AppendUtf8(out, cp);
        i = semi + 1;
    }
    return out;
}

std::string CleanText(std::string_view raw, bool markup) {
    std::string valid = RepairUtf8(raw);
    if (markup)
        valid = DecodeEntities(StripTags(valid));
    std::string out;
    out.reserve(valid.size());
    bool space = false;
    std::size_t i = 0;
    while (i < valid.size() && out.size() < kMaxTextBytes) {
        char32_t cp;
        std::size_t len = text::DecodeUtf8(valid, i, cp);
        if (len == 0) { // cannot happen after the repair; keep the walk safe all the same
            ++i;
            continue;
        }
        if (IsSpaceCodePoint(cp)) {
            space = !out.empty();
        } else if (!IsDroppedCodePoint(cp)) {
            if (space)
                out.push_back(' ');
            space = false;
            out.append(valid, i, len);
        }
        i += len;
    }
    out.resize(text::CutToBytes(out, kMaxTextBytes).size());
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

std::string OneLine(std::string_view s, std::size_t maxBytes) {
    std::string clean = CleanText(s, false);
    clean.resize(text::CutToBytes(clean, maxBytes).size());
    return clean;
}

std::string PercentEncode(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 3);
    for (char ch : bytes) {
        auto c = static_cast<unsigned char>(ch);
        if (IsAsciiAlpha(ch) || (c >= '0' && c <= '9') || ch == '-' || ch == '.' || ch == '_' || ch == '~')
            out.push_back(ch);
        else
            AppendPercent(out, c);
    }
    return out;
}

std::string EscapeForAddress(std::string_view bytes) {
    // Brackets belong to the host of an IPv6 address and nowhere after it.
    std::size_t pathStart = 0;
    std::size_t slashes = bytes.find("//");
    std::size_t colon = bytes.find(':');
    if (slashes != std::string_view::npos &&
        (slashes == 0 || (colon != std::string_view::npos && slashes == colon + 1))) {
        pathStart = bytes.find_first_of("/?#", slashes + 2);
        if (pathStart == std::string_view::npos)
            pathStart = bytes.size();
    }
    std::string out;
    out.reserve(bytes.size() + 16);
    bool fragment = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        auto c = static_cast<unsigned char>(bytes[i]);
        bool bad = c <= 0x20 || c >= 0x7F || std::strchr("\"<>\\^`{|}", c) != nullptr;
        if (c == '%')
            bad = !(i + 2 < bytes.size() && IsHex(bytes[i + 1]) && IsHex(bytes[i + 2]));
        if ((c == '[' || c == ']') && i >= pathStart)
            bad = true;
        if (c == '#') {
            bad = fragment;
            fragment = true;
        }
        if (bad)
            AppendPercent(out, c);
        else
            out.push_back(static_cast<char>(c));
    }
    return out;
}

std::string LowerScheme(std::string url) {
    for (char& c : url) {
        if (c == ':' || c == '/' || c == '?' || c == '#')
            break;
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    }
    return url;
}

bool IsWebAddress(const std::string& url) {
    Uri uri(xmlParseURI(url.c_str()));
    if (!uri || !uri->scheme || !uri->server || !*uri->server)
        return false;
    std::string scheme = text::AsciiLower(uri->scheme);
    return scheme == "http" || scheme == "https";
}

std::string OriginOf(const std::string& url) {
    Uri uri(xmlParseURI(url.c_str()));
    if (!uri || !uri->scheme || !uri->server || !*uri->server)
        return {};
    std::string out = text::AsciiLower(uri->scheme) + "://" + uri->server;
    if (uri->port > 0)
        out += ":" + std::to_string(uri->port);
    return out + "/";
}

std::string HitAddress(std::string_view raw, const std::string& pageUrl,
                       const std::vector<std::string>& unwrap) {
    std::string_view trimmed = text::TrimWhite(raw);
    if (trimmed.empty() || trimmed.size() > kMaxAddressBytes)
        return {};
    std::string address = Resolve(EscapeForAddress(trimmed), pageUrl);
    auto mentions = [&](const std::string& url) {
        for (const std::string& name : unwrap) {
            if (url.find(name + "=") != std::string::npos)
                return true;
        }
        return false;
    };
    bool checked = false; // `address` is known to be a web address
    // Wrappers may wrap wrappers; a few rounds are all any engine uses.
    for (int round = 0; round < 4 && !address.empty() && mentions(address); ++round) {
        Uri uri(xmlParseURI(address.c_str()));
        if (!uri)
            break;
        std::string inner;
        bool found = false;
        for (const std::string& name : unwrap) {
            if ((uri->query_raw && QueryValue(uri->query_raw, name, inner)) ||
                PathValue(address, name, inner)) {
                found = true;
                break;
            }
        }
        if (!found)
            break;
        if (std::string decoded = FromBase64Address(inner); IsWebAddress(decoded))
            inner = decoded;
        std::string next = Resolve(EscapeForAddress(text::TrimWhite(inner)), address);
        if (next.empty() || !IsWebAddress(next))
            break;
        address = std::move(next);
        checked = true;
    }
    if (address.size() > kMaxAddressBytes || (!checked && !IsWebAddress(address)))
        return {};
    return LowerScheme(std::move(address));
}

} // namespace vireo::orn

// SPDX-License-Identifier: GPL-3.0-or-later
#include "interchange/html_text.h"

#include <cstdint>

#include "platform/charset.h"
#include "store/byte_io.h"
#include "store/text_codec.h"

namespace vireo::html {

namespace {

bool IsAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}
bool IsCharsetChar(char c) {
    return IsAlnum(c) || c == '-' || c == '_' || c == '.' || c == ':';
}

std::string Upper(std::string_view s) {
    std::string out;
    AsciiUpperInto(s, out);
    return out;
}

// The charset a META line near the top declares ("" when none).
std::string DeclaredCharset(std::string_view bytes) {
    // The header comes first; icon data can make later lines huge, so look no further.
    std::string head = Upper(bytes.substr(0, 8192));
    std::size_t meta = 0;
    while ((meta = head.find("<META", meta)) != std::string::npos) {
        std::size_t end = head.find('>', meta);
        std::string_view tag =
            std::string_view(head).substr(meta, end == std::string::npos ? head.size() - meta : end - meta);
        std::size_t cs = tag.find("CHARSET=");
        if (cs != std::string_view::npos) {
            std::size_t p = cs + 8;
            while (p < tag.size() && (tag[p] == '"' || tag[p] == '\'' || IsSpace(tag[p])))
                ++p;
            std::size_t q = p;
            while (q < tag.size() && IsCharsetChar(tag[q]))
                ++q;
            return std::string(tag.substr(p, q - p));
        }
        meta += 5;
    }
    return {};
}

// The five named references, with their lengths (without "&" and ";").
struct Named {
    std::string_view name;
    char value;
};
constexpr Named kNamed[] = {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};

} // namespace

bool ReadInputFile(const std::string& path, std::string& bytes, std::string* error, std::uint64_t maxBytes) {
    return ReadWholeFile(path, bytes, error, maxBytes);
}

void AsciiUpperInto(std::string_view s, std::string& out) {
    out.resize(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        out[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    }
}

std::string DecodeHtmlBytes(std::string_view bytes) {
    auto starts = [&](std::string_view bom) { return bytes.substr(0, bom.size()) == bom; };
    std::string out;
    if (starts("\xEF\xBB\xBF"))
        return text::DecodeStored(bytes.substr(3));
    if (starts("\xFF\xFE"))
        return sys::ConvertToUtf8(bytes.substr(2), "UTF-16LE", out) ? out : text::DecodeStored(bytes);
    if (starts("\xFE\xFF"))
        return sys::ConvertToUtf8(bytes.substr(2), "UTF-16BE", out) ? out : text::DecodeStored(bytes);
    std::string charset = DeclaredCharset(bytes);
    if (charset.empty() || charset == "UTF-8" || charset == "UTF8")
        return text::DecodeStored(bytes);
    // Latin-1 pages are Windows-1252 in practice; browsers read them so too.
    if (charset == "WINDOWS-1252" || charset == "ISO-8859-1" || charset == "ISO8859-1" ||
        charset == "LATIN1" || charset == "US-ASCII" || charset == "CP1252")
        return text::Cp1252ToUtf8(bytes);
    if (sys::ConvertToUtf8(bytes, charset, out))
        return out;
    return text::DecodeStored(bytes);
}

std::string DecodeEntities(std::string_view s, bool inText) {
    std::size_t amp = s.find('&');
    if (amp == std::string_view::npos)
        return std::string(s);
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (amp != std::string_view::npos) {
        out.append(s.substr(i, amp - i));
        i = amp;
        std::size_t p = amp + 1;
        bool done = false;
        if (p < s.size() && s[p] == '#') {
            ++p;
            bool hex = p < s.size() && (s[p] == 'x' || s[p] == 'X');
            if (hex)
                ++p;
            std::size_t digitsStart = p;
            std::uint32_t value = 0;
            while (p < s.size() && p - digitsStart < 8) {
                char c = s[p];
                int d = (c >= '0' && c <= '9')          ? c - '0'
                        : hex && (c >= 'a' && c <= 'f') ? c - 'a' + 10
                        : hex && (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                        : -1;
                if (d < 0)
                    break;
                value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(d);
                ++p;
            }
            bool digits = p > digitsStart;
            bool semicolon = p < s.size() && s[p] == ';';
            bool ends = semicolon || (inText && (p >= s.size() || !IsAlnum(s[p])));
            if (digits && ends) {
                if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
                    text::AppendUtf8(out, 0xFFFD);
                } else if (value >= 0x80 && value <= 0x9F) {
                    // What browsers do: these numbers name Windows-1252 characters.
                    out.append(text::Cp1252ToUtf8(std::string(1, static_cast<char>(value))));
                } else {
                    text::AppendUtf8(out, value);
                }
                i = semicolon ? p + 1 : p;
                done = true;
            }
        } else {
            for (const Named& n : kNamed) {
                if (s.substr(p, n.name.size()) != n.name)
                    continue;
                std::size_t after = p + n.name.size();
                bool semicolon = after < s.size() && s[after] == ';';
                bool ends =
                    semicolon || (inText && n.value != '\'' && (after >= s.size() || !IsAlnum(s[after])));
                if (ends) {
                    out.push_back(n.value);
                    i = semicolon ? after + 1 : after;
                    done = true;
                }
                break;
            }
        }
        if (!done) {
            out.push_back('&');
            i = amp + 1;
        }
        amp = s.find('&', i);
    }
    out.append(s.substr(i));
    return out;
}

std::string Escape(std::string_view s) {
    std::string out;
    out.reserve(s.size() + 8);
    for (char c : s) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out.push_back(c);
        }
    }
    return out;
}

std::size_t TagEnd(std::string_view text, std::size_t open) {
    std::size_t i = open + 1;
    char quote = 0;
    bool afterEquals = false;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (quote) {
            if (c == quote)
                quote = 0;
            continue;
        }
        if (c == '>')
            return i;
        if ((c == '"' || c == '\'') && afterEquals) {
            quote = c;
            afterEquals = false;
            continue;
        }
        if (c == '=')
            afterEquals = true;
        else if (!IsSpace(c))
            afterEquals = false;
    }
    return std::string_view::npos;
}

bool TagAttribute(std::string_view tag, std::string_view name, std::string_view& value) {
    // Skip "<" and the tag's own name.
    std::size_t i = 1;
    while (i < tag.size() && !IsSpace(tag[i]) && tag[i] != '>' && tag[i] != '/')
        ++i;
    const std::size_t n = tag.size();
    while (i < n) {
        while (i < n && (IsSpace(tag[i]) || tag[i] == '/'))
            ++i;
        if (i >= n || tag[i] == '>')
            return false;
        std::size_t nameStart = i;
        while (i < n && !IsSpace(tag[i]) && tag[i] != '=' && tag[i] != '>')
            ++i;
        std::string_view attr = tag.substr(nameStart, i - nameStart);
        std::size_t j = i;
        while (j < n && IsSpace(tag[j]))
            ++j;
        std::string_view val;
        bool hasValue = j < n && tag[j] == '=';
        if (hasValue) {
            ++j;
            while (j < n && IsSpace(tag[j]))
                ++j;
            if (j < n && (tag[j] == '"' || tag[j] == '\'')) {
                char q = tag[j];
                std::size_t close = tag.find(q, j + 1);
                if (close == std::string_view::npos)
                    close = n;
                val = tag.substr(j + 1, close - j - 1);
                i = close + 1;
            } else {
                std::size_t k = j;
                while (k < n && !IsSpace(tag[k]) && tag[k] != '>')
                    ++k;
                val = tag.substr(j, k - j);
                i = k;
            }
        }
        bool same = attr.size() == name.size();
        for (std::size_t k = 0; same && k < attr.size(); ++k) {
            char c = attr[k];
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 32);
            same = c == name[k];
        }
        if (same) {
            value = val;
            return true;
        }
    }
    return false;
}

bool IsTagAt(std::string_view upper, std::size_t p, std::string_view name) {
    if (p >= upper.size() || upper[p] != '<' || upper.substr(p + 1, name.size()) != name)
        return false;
    std::size_t after = p + 1 + name.size();
    return after >= upper.size() || IsSpace(upper[after]) || upper[after] == '>' || upper[after] == '/';
}

std::size_t FindTag(std::string_view upper, std::string_view name, std::size_t from) {
    while (from < upper.size()) {
        std::size_t p = upper.find('<', from);
        if (p == std::string_view::npos)
            return std::string_view::npos;
        if (IsTagAt(upper, p, name))
            return p;
        from = p + 1;
    }
    return std::string_view::npos;
}

} // namespace vireo::html

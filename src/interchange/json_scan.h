// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/text_codec.h"

namespace vireo::json_scan {

// A strict JSON reader for what the general parser (nlohmann) takes, with the same events
// for the same text, and no more. It gives up (Run() false) on a fault, but also on what
// a browser never writes (a number with a fraction or exponent or of more than 18 digits,
// an escaped surrogate, a byte order mark): the caller then has the general parser read
// the text again and decide, so the outcome is the same either way. On a big bookmark file
// this is about three times faster than the general parser, whose cost is by character.
// The events are those of nlohmann::json_sax (start_object, key, string, number_unsigned,
// ...), with the sizes of objects and lists unknown (-1).
template <class Sax>
class Scanner {
public:
    Scanner(std::string_view text, Sax& sax)
        : m_at(text.data()), m_end(text.data() + text.size()), m_sax(sax) {}

    bool Run() {
        bool wantValue = true;
        while (true) {
            SkipBlanks();
            if (wantValue) {
                if (!Value(wantValue))
                    return false;
                continue;
            }
            if (m_open.empty())
                return m_at == m_end;
            if (m_at == m_end)
                return false;
            const bool inObject = m_open.back() == '{';
            if (*m_at == ',') {
                ++m_at;
                if (inObject && !Member())
                    return false;
                wantValue = true;
            } else if (*m_at == (inObject ? '}' : ']')) {
                ++m_at;
                m_open.pop_back();
                if (!(inObject ? m_sax.end_object() : m_sax.end_array()))
                    return false;
            } else {
                return false;
            }
        }
    }

private:
    void SkipBlanks() {
        while (m_at != m_end && (*m_at == ' ' || *m_at == '\n' || *m_at == '\r' || *m_at == '\t'))
            ++m_at;
    }

    // One value; an object or a list that is not empty stays open, wanting its first
    // member (`wantValue` true) or its close.
    bool Value(bool& wantValue) {
        if (m_at == m_end)
            return false;
        wantValue = false;
        const char c = *m_at;
        if (c == '{' || c == '[') {
            ++m_at;
            const char close = c == '{' ? '}' : ']';
            if (!(c == '{' ? m_sax.start_object(std::size_t(-1)) : m_sax.start_array(std::size_t(-1))))
                return false;
            SkipBlanks();
            if (m_at != m_end && *m_at == close) {
                ++m_at;
                return c == '{' ? m_sax.end_object() : m_sax.end_array();
            }
            m_open.push_back(c);
            wantValue = true;
            return c == '[' || Member();
        }
        if (c == '"')
            return String() && m_sax.string(m_text);
        if (c == 't')
            return Literal("true") && m_sax.boolean(true);
        if (c == 'f')
            return Literal("false") && m_sax.boolean(false);
        if (c == 'n')
            return Literal("null") && m_sax.null();
        return Number();
    }

    // A member's name and colon; its value follows.
    bool Member() {
        SkipBlanks();
        if (m_at == m_end || *m_at != '"' || !String() || !m_sax.key(m_text))
            return false;
        SkipBlanks();
        if (m_at == m_end || *m_at != ':')
            return false;
        ++m_at;
        return true;
    }

    bool Literal(std::string_view word) {
        if (static_cast<std::size_t>(m_end - m_at) < word.size() ||
            std::string_view(m_at, word.size()) != word)
            return false;
        m_at += word.size();
        return true;
    }

    bool Number() {
        const char* start = m_at;
        const bool negative = *m_at == '-';
        if (negative)
            ++m_at;
        auto isDigit = [&] { return m_at != m_end && *m_at >= '0' && *m_at <= '9'; };
        if (!isDigit())
            return false;
        if (*m_at++ != '0') {
            while (isDigit())
                ++m_at;
        }
        if (m_at != m_end && (*m_at == '.' || *m_at == 'e' || *m_at == 'E'))
            return false;
        if (m_at - start > 18)
            return false;
        std::int64_t value = 0;
        std::from_chars(start, m_at, value);
        return negative ? m_sax.number_integer(value)
                        : m_sax.number_unsigned(static_cast<std::uint64_t>(value));
    }

    // A string from its opening quote into m_text.
    bool String() {
        ++m_at;
        m_text.clear();
        const char* run = m_at;
        while (m_at != m_end) {
            const auto c = static_cast<unsigned char>(*m_at);
            if (c >= 0x20 && c < 0x80 && c != '"' && c != '\\') {
                ++m_at;
                continue;
            }
            if (c >= 0x80) {
                char32_t cp = 0;
                const std::size_t n =
                    text::DecodeUtf8(std::string_view(m_at, static_cast<std::size_t>(m_end - m_at)), 0, cp);
                if (n == 0)
                    return false;
                m_at += n;
                continue;
            }
            m_text.append(run, m_at);
            if (c == '"') {
                ++m_at;
                return true;
            }
            if (c != '\\' || !Escape())
                return false; // a control character, or an escape left to the general parser
            run = m_at;
        }
        return false;
    }

    bool Escape() {
        if (++m_at == m_end)
            return false;
        const char c = *m_at++;
        switch (c) {
        case '"':
        case '\\':
        case '/':
            m_text += c;
            return true;
        case 'b':
            m_text += '\b';
            return true;
        case 'f':
            m_text += '\f';
            return true;
        case 'n':
            m_text += '\n';
            return true;
        case 'r':
            m_text += '\r';
            return true;
        case 't':
            m_text += '\t';
            return true;
        case 'u':
            break;
        default:
            return false;
        }
        unsigned code = 0;
        if (m_end - m_at < 4)
            return false;
        auto [ptr, ec] = std::from_chars(m_at, m_at + 4, code, 16);
        if (ec != std::errc() || ptr != m_at + 4 || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        m_at += 4;
        text::AppendUtf8(m_text, code);
        return true;
    }

    const char* m_at;
    const char* const m_end;
    Sax& m_sax;
    std::vector<char> m_open; // '{' or '[' for every object and list not yet closed
    std::string m_text;
};

} // namespace vireo::json_scan

// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/text_codec.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace vireo::text {

namespace {

// Windows-1252 code points of bytes 0x80..0x9F; 0 marks the five undefined bytes.
constexpr std::array<char32_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t FoldCodePoint(char32_t c) {
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    // Latin-1 supplement
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return c + 32;
    // Latin Extended-A: pairs, upper case even (with two odd-aligned runs)
    if (c >= 0x100 && c <= 0x137)
        return c | 1;
    if (c >= 0x139 && c <= 0x148)
        return (c & 1) ? c + 1 : c;
    if (c >= 0x14A && c <= 0x177)
        return c | 1;
    if (c == 0x178)
        return 0xFF;
    if (c >= 0x179 && c <= 0x17E)
        return (c & 1) ? c + 1 : c;
    // Greek
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2)
        return c + 32;
    if (c == 0x386)
        return 0x3AC;
    if (c >= 0x388 && c <= 0x38A)
        return c + 37;
    if (c == 0x38C)
        return 0x3CC;
    if (c == 0x38E || c == 0x38F)
        return c + 63;
    if (c == 0x3C2)
        return 0x3C3; // final sigma matches sigma
    // Cyrillic
    if (c >= 0x410 && c <= 0x42F)
        return c + 32;
    if (c >= 0x400 && c <= 0x40F)
        return c + 80;
    if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x4FF))
        return c | 1;
    if (c >= 0x4C1 && c <= 0x4CE)
        return (c & 1) ? c + 1 : c;
    // Armenian
    if (c >= 0x531 && c <= 0x556)
        return c + 0x30;
    // Latin Extended Additional (Vietnamese and others): pairs, upper case even
    if ((c >= 0x1E00 && c <= 0x1E95) || (c >= 0x1EA0 && c <= 0x1EFF))
        return c | 1;
    if (c == 0x1E9E)
        return 0xDF; // capital sharp s
    // Full-width Latin
    if (c >= 0xFF21 && c <= 0xFF3A)
        return c + 0x20;
    return c;
}

} // namespace

std::size_t DecodeUtf8(std::string_view s, std::size_t i, char32_t& cp) {
    auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char c = b(i);
    if (c < 0x80) {
        cp = c;
        return 1;
    }
    std::size_t len;
    char32_t min;
    if ((c & 0xE0) == 0xC0) {
        len = 2;
        min = 0x80;
        cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        len = 3;
        min = 0x800;
        cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        len = 4;
        min = 0x10000;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + len > s.size())
        return 0;
    for (std::size_t k = 1; k < len; ++k) {
        if ((b(i + k) & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b(i + k) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian, bool escapedBytes) {
    std::string out;
    out.reserve(bytes.size());
    const std::size_t n = bytes.size() / 2;
    auto unit = [&](std::size_t k) {
        auto first = static_cast<unsigned char>(bytes[2 * k]);
        auto second = static_cast<unsigned char>(bytes[2 * k + 1]);
        return static_cast<char32_t>(bigEndian ? (first << 8) | second : first | (second << 8));
    };
    for (std::size_t k = 0; k < n; ++k) {
        char32_t u = unit(k);
        if (u >= 0xD800 && u <= 0xDBFF && k + 1 < n && unit(k + 1) >= 0xDC00 && unit(k + 1) <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (unit(k + 1) - 0xDC00));
            ++k;
        } else if (escapedBytes && u >= 0xDC80 && u <= 0xDCFF) {
            out.push_back(static_cast<char>(u - 0xDC00));
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

bool IsValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    const std::size_t n = bytes.size();
    while (i < n) {
        // ASCII fast path, eight bytes at a time.
        while (i + 8 <= n) {
            std::uint64_t word;
            std::memcpy(&word, bytes.data() + i, 8);
            if (word & 0x8080808080808080ULL)
                break;
            i += 8;
        }
        if (i >= n)
            break;
        char32_t cp;
        std::size_t len = DecodeUtf8(bytes, i, cp);
        if (len == 0)
            return false;
        i += len;
    }
    return true;
}

std::string Cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0xA0) {
            char32_t cp = kCp1252High[c - 0x80];
            AppendUtf8(out, cp ? cp : 0xFFFD);
        } else {
            AppendUtf8(out, c);
        }
    }
    return out;
}

std::string Utf8ToCp1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        char32_t cp;
        std::size_t len = DecodeUtf8(utf8, i, cp);
        if (len == 0) {
            out.push_back('?');
            ++i;
            continue;
        }
        i += len;
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out.push_back(static_cast<char>(cp));
            continue;
        }
        char mapped = '?';
        for (std::size_t k = 0; k < kCp1252High.size(); ++k) {
            if (kCp1252High[k] == cp) {
                mapped = static_cast<char>(0x80 + k);
                break;
            }
        }
        out.push_back(mapped);
    }
    return out;
}

std::string DecodeStored(std::string_view bytes) {
    if (IsValidUtf8(bytes))
        return std::string(bytes);
    return Cp1252ToUtf8(bytes);
}

std::size_t CharCount(std::string_view utf8) {
    std::size_t count = 0;
    for (unsigned char c : utf8) {
        if ((c & 0xC0) != 0x80)
            ++count;
    }
    return count;
}

std::string_view CutToChars(std::string_view utf8, std::size_t maxChars) {
    if (utf8.size() <= maxChars)
        return utf8;
    std::size_t chars = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80) {
            if (chars == maxChars)
                return utf8.substr(0, i);
            ++chars;
        }
    }
    return utf8;
}

std::string_view CutToBytes(std::string_view utf8, std::size_t maxBytes) {
    if (utf8.size() <= maxBytes)
        return utf8;
    std::size_t end = maxBytes;
    // Step back over continuation bytes to the start of the split character.
    while (end > 0 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80)
        --end;
    return utf8.substr(0, end);
}

std::string_view TrimSpaces(std::string_view s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && s[b] == ' ')
        ++b;
    while (e > b && s[e - 1] == ' ')
        --e;
    return s.substr(b, e - b);
}

std::string_view TrimWhite(std::string_view s) {
    constexpr std::string_view kWhite = " \t\r\n\f\v";
    std::size_t b = s.find_first_not_of(kWhite);
    if (b == std::string_view::npos)
        return {};
    return s.substr(b, s.find_last_not_of(kWhite) - b + 1);
}

std::string FromFixedField(std::string_view field) {
    std::size_t nul = field.find('\0');
    if (nul != std::string_view::npos)
        field = field.substr(0, nul);
    field = TrimSpaces(field);
    return DecodeStored(field);
}

void ToFixedField(std::string_view utf8, char* field, std::size_t size) {
    std::string_view cut = CutToBytes(utf8, size);
    std::memcpy(field, cut.data(), cut.size());
    std::memset(field + cut.size(), ' ', size - cut.size());
}

std::string AsciiUpper(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    }
    return out;
}

std::string EncodeLineBreaks(std::string_view address) {
    if (address.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos)
        return std::string(address);
    std::string out;
    out.reserve(address.size() + 8);
    for (char c : address) {
        if (c == '\r')
            out += "%0D";
        else if (c == '\n')
            out += "%0A";
        else if (c == '\0')
            out += "%00";
        else
            out += c;
    }
    return out;
}

std::string AsciiLower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    }
    return out;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size())
        return false;
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (lower(s[i]) != lower(prefix[i]))
            return false;
    }
    return true;
}

std::string FoldCase(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char>((c >= 'A' && c <= 'Z') ? c + 32 : c));
            ++i;
            continue;
        }
        char32_t cp;
        std::size_t len = DecodeUtf8(utf8, i, cp);
        if (len == 0) {
            out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        AppendUtf8(out, FoldCodePoint(cp));
        i += len;
    }
    return out;
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace vireo::text

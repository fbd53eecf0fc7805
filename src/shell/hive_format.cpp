// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/hive_format.h"

#include <cstdio>

#include "store/text_codec.h"

namespace vireo {

namespace {

constexpr std::string_view kOldHiveHeader = "REGEDIT4";

// The registry roots in the order a file lists them.
constexpr std::uint32_t kRootOrder[] = {kHKeyClassesRoot, kHKeyCurrentUser, kHKeyLocalMachine, kHKeyUsers,
                                        kHKeyCurrentConfig};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view RTrim(std::string_view s) {
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string_view LTrim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    return s;
}

// ---- Text encodings -----------------------------------------------------------------

void AppendUtf16(std::string& out, char32_t unit) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>((unit >> 8) & 0xFF);
}

// Text as UTF-16LE, the registry's own form of text. A byte that is not part of valid
// UTF-8 (a file name in another encoding, say) travels as a lone surrogate U+DC80..U+DCFF,
// so that reading it back gives the very same bytes.
std::string Utf8ToUtf16Le(std::string_view s) {
    std::string out;
    out.reserve(s.size() * 2 + 2);
    for (std::size_t i = 0; i < s.size();) {
        char32_t cp;
        std::size_t len = text::DecodeUtf8(s, i, cp);
        if (len == 0) {
            AppendUtf16(out, 0xDC00 + static_cast<unsigned char>(s[i]));
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            AppendUtf16(out, 0xD800 + (cp >> 10));
            AppendUtf16(out, 0xDC00 + (cp & 0x3FF));
        } else {
            AppendUtf16(out, cp);
        }
        i += len;
    }
    return out;
}

// ---- Reading ------------------------------------------------------------------------

// A quoted string starting at s[i] == '"'; `i` ends after the closing quote. Only \\ and
// \" are escapes; any other backslash stands for itself.
bool ParseQuoted(std::string_view s, std::size_t& i, std::string& out) {
    out.clear();
    for (++i; i < s.size(); ++i) {
        char c = s[i];
        if (c == '"') {
            ++i;
            return true;
        }
        if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"'))
            c = s[++i];
        out += c;
    }
    return false;
}

bool ParseHexBytes(std::string_view s, std::string& out) {
    out.clear();
    s = LTrim(RTrim(s));
    if (s.empty())
        return true;
    std::size_t i = 0;
    while (true) {
        std::size_t comma = s.find(',', i);
        std::string_view token =
            LTrim(RTrim(s.substr(i, comma == std::string_view::npos ? s.npos : comma - i)));
        if (token.empty() || token.size() > 2)
            return false;
        int value = 0;
        for (char c : token) {
            int h = text::HexDigitValue(c);
            if (h < 0)
                return false;
            value = value * 16 + h;
        }
        out += static_cast<char>(value);
        if (comma == std::string_view::npos)
            return true;
        i = comma + 1;
    }
}

bool ParseData(std::string_view data, RegValue& value) {
    if (!data.empty() && data.front() == '"') {
        std::size_t i = 0;
        std::string t;
        if (!ParseQuoted(data, i, t) || i != data.size())
            return false;
        value = RegValue::Text(t);
        return true;
    }
    if (text::StartsWithNoCase(data, "dword:")) {
        std::string_view digits = data.substr(6);
        if (digits.empty() || digits.size() > 8)
            return false;
        std::uint32_t n = 0;
        for (char c : digits) {
            int h = text::HexDigitValue(c);
            if (h < 0)
                return false;
            n = n * 16 + static_cast<std::uint32_t>(h);
        }
        value = RegValue::Number(n);
        return true;
    }
    if (!text::StartsWithNoCase(data, "hex"))
        return false;
    std::uint32_t type = kRegBinary;
    std::size_t colon = 3;
    if (data.size() > 3 && data[3] == '(') {
        std::size_t close = data.find(')', 4);
        if (close == std::string_view::npos || close == 4 || close - 4 > 8)
            return false;
        type = 0;
        for (char c : data.substr(4, close - 4)) {
            int h = text::HexDigitValue(c);
            if (h < 0)
                return false;
            type = type * 16 + static_cast<std::uint32_t>(h);
        }
        colon = close + 1;
    }
    if (colon >= data.size() || data[colon] != ':')
        return false;
    std::string bytes;
    if (!ParseHexBytes(data.substr(colon + 1), bytes))
        return false;
    if (type == kRegSz) {
        std::string t = text::Utf16ToUtf8(bytes, false, true);
        if (!t.empty() && t.back() == '\0')
            t.pop_back(); // the terminator the registry stores with the text
        value = RegValue::Text(t);
    } else if (type == kRegDword && bytes.size() == 4) {
        value = RegValue::Number(static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[0])) |
                                 static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[1])) << 8 |
                                 static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2])) << 16 |
                                 static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[3])) << 24);
    } else {
        value = RegValue::Binary(bytes, type);
    }
    return true;
}

// `"name"=data` or `@=data`.
bool ParseValueLine(std::string_view line, std::string& name, RegValue& value) {
    std::size_t i = 0;
    if (line.empty())
        return false;
    if (line.front() == '@') {
        name.clear();
        i = 1;
    } else if (line.front() == '"') {
        if (!ParseQuoted(line, i, name))
            return false;
    } else {
        return false;
    }
    std::string_view rest = LTrim(line.substr(i));
    if (rest.empty() || rest.front() != '=')
        return false;
    return ParseData(LTrim(rest.substr(1)), value);
}

// A key header's root and path; false for a root we do not know, a deletion entry or a
// key we cannot hold.
bool ParseHeader(std::string_view inner, std::uint32_t& root, std::string& path) {
    std::size_t slash = inner.find('\\');
    root = ParseRegRoot(inner.substr(0, slash));
    if (root == 0)
        return false;
    path = slash == std::string_view::npos ? std::string() : std::string(inner.substr(slash + 1));
    auto parts = SplitRegPath(path);
    if (parts.size() > kMaxRegDepth)
        return false;
    for (auto part : parts) {
        if (!IsStorableRegKeyName(part))
            return false;
    }
    return true;
}

bool DecodeFile(std::string_view bytes, std::string& out, std::string* error) {
    auto fail = [&](const char* why) {
        if (error)
            *error = why;
        return false;
    };
    if (bytes.size() > kMaxHiveBytes)
        return fail("the file is far too large to be a settings file");
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        // The registry editor's own exports are UTF-16.
        out = text::Utf16ToUtf8(bytes.substr(2), false);
    } else {
        if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
            bytes.remove_prefix(3);
        out = text::DecodeStored(bytes);
    }
    if (out.find('\0') != std::string::npos)
        return fail("the file holds binary data");
    return true;
}

// ---- Writing ------------------------------------------------------------------------

void AppendQuoted(std::string& out, std::string_view s) {
    out += '"';
    for (char c : s) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    out += '"';
}

void AppendHexBytes(std::string& out, std::string_view bytes) {
    static const char* digits = "0123456789abcdef";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        auto b = static_cast<unsigned char>(bytes[i]);
        if (i)
            out += ',';
        out += digits[b >> 4];
        out += digits[b & 15];
    }
}

bool TextNeedsHex(std::string_view t) {
    return t.find_first_of(std::string_view("\0\r\n", 3)) != std::string_view::npos || !text::IsValidUtf8(t);
}

void AppendValue(std::string& out, std::string_view name, const RegValue& v) {
    if (name.empty())
        out += '@';
    else
        AppendQuoted(out, name);
    out += '=';
    switch (v.type) {
    case RegValue::Type::Text:
        if (TextNeedsHex(v.text)) {
            out += "hex(1):";
            AppendHexBytes(out, Utf8ToUtf16Le(v.text) + std::string(2, '\0'));
        } else {
            AppendQuoted(out, v.text);
        }
        break;
    case RegValue::Type::Number: {
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", static_cast<unsigned>(v.number));
        out += buf;
        break;
    }
    case RegValue::Type::Binary:
    case RegValue::Type::None: {
        if (v.regType == kRegBinary) {
            out += "hex:";
        } else {
            char buf[24];
            std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(v.regType));
            out += buf;
        }
        AppendHexBytes(out, v.bytes);
        break;
    }
    }
    out += '\n';
}

// Kept entries are written as read; one whose last line asks for a continuation is
// followed by a blank line so that it does not swallow what comes after it.
void AppendKept(std::string& out, const std::vector<std::string>& kept) {
    for (const auto& entry : kept) {
        out += entry;
        out += '\n';
        if (!entry.empty() && entry.back() == '\\')
            out += '\n';
    }
}

// `path` is the key's path, extended in place for its children so that a deep tree costs
// no more than its own names. Keys that hold nothing and have subkeys are implied by
// those and get no header of their own.
void AppendKey(std::string& out, std::uint32_t root, const MemoryRegistry::Key& key, std::string& path) {
    bool isRoot = path.empty();
    bool header = !key.values.empty() || !key.kept.empty() || (!isRoot && key.children.empty());
    if (header) {
        out += '[';
        out += RegRootName(root);
        if (!isRoot) {
            out += '\\';
            out += path;
        }
        out += "]\n";
        for (const auto& [folded, entry] : key.values)
            AppendValue(out, entry.first, entry.second);
        AppendKept(out, key.kept);
        out += '\n';
    }
    for (const auto& [folded, child] : key.children) {
        std::size_t mark = path.size();
        if (!isRoot)
            path += '\\';
        path += child->name;
        AppendKey(out, root, *child, path);
        path.resize(mark);
    }
}

} // namespace

std::string FormatHiveValue(std::string_view name, const RegValue& value) {
    std::string line;
    AppendValue(line, name, value);
    line.pop_back();
    return line;
}

// Names are written into the file as they are, and the file must stay valid UTF-8 (one
// name in another encoding would make the whole file read as Windows-1252).
bool IsStorableRegKeyName(std::string_view name) {
    if (name.empty() || name.size() > kMaxRegKeyName || name.find('\\') != std::string_view::npos ||
        !text::IsValidUtf8(name))
        return false;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20)
            return false;
    }
    return true;
}

bool IsStorableRegValueName(std::string_view name) {
    if (name.size() > kMaxRegValueName || !text::IsValidUtf8(name))
        return false;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20)
            return false;
    }
    return true;
}

bool ParseHive(std::string_view bytes, HiveDocument& doc, std::string* error) {
    std::string textBuf;
    if (!DecodeFile(bytes, textBuf, error))
        return false;
    std::string_view text = textBuf;

    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t nl = text.find('\n', start);
        std::size_t end = nl == std::string_view::npos ? text.size() : nl;
        lines.push_back(RTrim(text.substr(start, end - start)));
        start = end + 1;
    }

    std::size_t i = 0;
    while (i < lines.size() && LTrim(lines[i]).empty())
        ++i;
    if (i == lines.size())
        return true; // an empty file is an empty hive
    std::string_view header = LTrim(lines[i]);
    if (header != kHiveHeader && header != kOldHiveHeader) {
        if (error)
            *error = "the first line is not \"" + std::string(kHiveHeader) + "\"";
        return false;
    }
    ++i;

    enum class Section { Preamble, Key, Foreign } section = Section::Preamble;
    std::uint32_t root = 0;
    std::string path;
    // Values go straight into the key's node: a long path is walked once per header, not
    // once per value.
    MemoryRegistry::Key* key = nullptr;
    std::vector<std::string>* kept = &doc.preamble;

    for (; i < lines.size(); ++i) {
        std::string_view raw = lines[i];
        std::string_view t = LTrim(raw);
        if (t.empty())
            continue;
        if (t.front() == '[' && t.back() == ']') {
            std::string_view inner = t.substr(1, t.size() - 2);
            if (!inner.empty() && inner.front() != '-' && ParseHeader(inner, root, path)) {
                doc.Keys().CreateKey(root, path);
                key = const_cast<MemoryRegistry::Key*>(doc.Keys().FindKey(root, path));
                kept = &key->kept;
                section = Section::Key;
            } else {
                doc.foreign.push_back({std::string(raw)});
                section = Section::Foreign;
            }
            continue;
        }
        if (section == Section::Foreign) {
            doc.foreign.back().emplace_back(raw);
            continue;
        }
        // A line ending in a backslash goes on in the next one (long hex data is written
        // so); a comment never does.
        std::string entry(raw);
        std::string logical(t);
        bool comment = t.front() == ';';
        while (!comment && logical.back() == '\\' && i + 1 < lines.size()) {
            std::string_view next = LTrim(lines[i + 1]);
            if (next.empty() || next.front() == '[')
                break;
            logical.pop_back();
            logical += next;
            entry += '\n';
            entry += lines[i + 1];
            ++i;
        }
        std::string name;
        RegValue value;
        if (section == Section::Key && !comment && ParseValueLine(logical, name, value) &&
            IsStorableRegValueName(name)) {
            auto& slot = key->values[FoldRegName(name)];
            if (slot.first.empty())
                slot.first = std::move(name);
            slot.second = std::move(value);
        } else {
            kept->push_back(std::move(entry));
        }
    }
    return true;
}

std::string WriteHive(const HiveDocument& doc) {
    std::string out(kHiveHeader);
    out += "\n\n";
    if (!doc.preamble.empty()) {
        AppendKept(out, doc.preamble);
        out += '\n';
    }
    for (std::uint32_t root : kRootOrder) {
        std::string path;
        if (const MemoryRegistry::Key* key = doc.Keys().FindKey(root, {}))
            AppendKey(out, root, *key, path);
    }
    for (const auto& block : doc.foreign) {
        for (const auto& line : block) {
            out += line;
            out += '\n';
        }
        out += '\n';
    }
    return out;
}

} // namespace vireo

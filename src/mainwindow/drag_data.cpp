// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/drag_data.h"

#include <algorithm>

#include "interchange/html_text.h"
#include "store/byte_io.h"
#include "store/default_content.h"
#include "store/text_codec.h"

namespace vireo {

namespace {

// A drag is the user's gesture, not a bulk import: beyond these sizes the rest is not
// looked at, so a drag of a huge text cannot hold the program up.
constexpr std::size_t kMaxDragText = 1 << 20;
constexpr std::size_t kMaxDragItems = 10000;
constexpr std::size_t kMaxTitleChars = 512;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// Some senders end the text with a NUL.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out = text::Utf16ToUtf8(bytes, bigEndian);
    if (std::size_t nul = out.find('\0'); nul != std::string::npos)
        out.resize(nul);
    return out;
}

std::string PercentDecode(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && text::HexDigitValue(s[i + 1]) >= 0 &&
            text::HexDigitValue(s[i + 2]) >= 0) {
            out += static_cast<char>(text::HexDigitValue(s[i + 1]) * 16 + text::HexDigitValue(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

// The address a link's text would be filed under, for matching titles to links.
std::string AddressOf(std::string_view text) {
    return ExtractUrl(text::TrimWhite(text));
}

} // namespace

std::string BuildDragData(std::int16_t kind, std::int16_t folder, std::span<const std::int32_t> keys) {
    std::size_t n = std::min<std::size_t>(keys.size(), 32767);
    std::string out;
    out.reserve(4 * (n + 2));
    ByteWriter w(out);
    w.I16(kind);
    w.I16(static_cast<std::int16_t>(n));
    w.I16(folder);
    w.I16(0);
    for (std::size_t k = 0; k < n; ++k)
        w.I32(keys[k]);
    return out;
}

bool ReadDragData(std::string_view bytes, DragPayload& payload) {
    payload = {};
    if (bytes.size() < 8)
        return false;
    ByteReader r(bytes);
    payload.kind = r.I16();
    std::int16_t n = r.I16();
    payload.source = r.I16();
    r.I16();
    std::size_t count = n < 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(n), r.Remaining() / 4);
    payload.keys.reserve(count);
    for (std::size_t k = 0; k < count; ++k)
        payload.keys.push_back(r.I32());
    return true;
}

std::vector<std::string> ParseUriList(std::string_view text) {
    std::vector<std::string> out;
    text = text.substr(0, kMaxDragText);
    html::ForEachLine(text, [&](std::string_view line) {
        line = text::TrimWhite(line);
        if (line.empty() || line.front() == '#' || out.size() >= kMaxDragItems)
            return;
        out.emplace_back(line);
    });
    return out;
}

std::string LocalPathOfFileUrl(std::string_view url) {
    if (!text::StartsWithNoCase(url, "file:"))
        return {};
    std::string_view rest = url.substr(5);
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        std::size_t slash = rest.find('/');
        if (slash == std::string_view::npos)
            return {};
        std::string_view host = rest.substr(0, slash);
        if (!host.empty() && text::AsciiLower(host) != "localhost")
            return {};
        rest.remove_prefix(slash);
    }
    if (!rest.starts_with('/'))
        return {};
    // A query or fragment is no part of a file's name.
    rest = rest.substr(0, rest.find_first_of("?#"));
    std::string path = PercentDecode(rest);
    if (path.find('\0') != std::string::npos)
        return {};
    return path;
}

std::vector<DroppedLink> ParseLinkLines(std::string_view utf8) {
    std::vector<DroppedLink> out;
    std::vector<std::string_view> lines;
    html::ForEachLine(utf8.substr(0, kMaxDragText), [&](std::string_view line) { lines.push_back(line); });
    for (std::size_t i = 0; i < lines.size() && out.size() < kMaxDragItems; i += 2) {
        std::string_view address = text::TrimWhite(lines[i]);
        if (address.empty())
            continue;
        out.push_back(
            {std::string(address), i + 1 < lines.size() ? CleanTitle(lines[i + 1]) : std::string()});
    }
    return out;
}

std::string DecodeBrowserText(std::string_view bytes) {
    bytes = bytes.substr(0, 2 * kMaxDragText);
    if (bytes.size() >= 2) {
        auto b0 = static_cast<unsigned char>(bytes[0]);
        auto b1 = static_cast<unsigned char>(bytes[1]);
        if (b0 == 0xFF && b1 == 0xFE)
            return Utf16ToUtf8(bytes.substr(2), false);
        if (b0 == 0xFE && b1 == 0xFF)
            return Utf16ToUtf8(bytes.substr(2), true);
        if (bytes.size() >= 3 && b0 == 0xEF && b1 == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF)
            return text::DecodeStored(bytes.substr(3));
        // Without a mark: addresses are ASCII, so UTF-16 shows as every other byte zero.
        if (b0 != 0 && b1 == 0)
            return Utf16ToUtf8(bytes, false);
        if (b0 == 0 && b1 != 0)
            return Utf16ToUtf8(bytes, true);
    }
    std::string text = text::DecodeStored(bytes);
    if (std::size_t nul = text.find('\0'); nul != std::string::npos)
        text.resize(nul);
    return text;
}

std::string CleanTitle(std::string_view textIn) {
    std::string out;
    bool space = false;
    for (char c : textIn.substr(0, kMaxDragText)) {
        if (IsSpace(c) || c == '\0') {
            space = !out.empty();
            continue;
        }
        if (space)
            out += ' ';
        space = false;
        out += c;
    }
    return std::string(text::CutToChars(out, kMaxTitleChars));
}

std::string LinkTitleFromHtml(std::string_view htmlIn, std::string_view address) {
    std::string_view page = htmlIn.substr(0, kMaxDragText);
    std::string upper;
    html::AsciiUpperInto(page, upper);
    std::string wanted = AddressOf(address);
    std::size_t from = 0;
    while (true) {
        std::size_t open = html::FindTag(upper, "A", from);
        if (open == std::string::npos)
            return {};
        std::size_t close = html::TagEnd(page, open);
        if (close == std::string::npos)
            return {};
        from = close + 1;
        std::string_view tag = page.substr(open, close - open + 1);
        std::string_view href;
        if (!html::TagAttribute(tag, "HREF", href))
            continue;
        if (!address.empty() && AddressOf(html::DecodeEntities(href, false)) != wanted)
            continue;
        std::size_t end = upper.find("</A", from);
        std::string_view inner = page.substr(from, end == std::string::npos ? std::string::npos : end - from);
        // The text outside tags; a picture link stands for its ALT text.
        std::string textPart;
        std::string alt;
        std::size_t p = 0;
        while (p < inner.size()) {
            if (inner[p] == '<') {
                std::size_t tagEnd = html::TagEnd(inner, p);
                if (tagEnd == std::string::npos)
                    break;
                std::string_view inside = inner.substr(p, tagEnd - p + 1);
                std::string insideUpper = text::AsciiUpper(inside);
                std::string_view value;
                if (alt.empty() && html::IsTagAt(insideUpper, 0, "IMG") &&
                    html::TagAttribute(inside, "ALT", value))
                    alt = html::DecodeEntities(value, true);
                textPart += ' ';
                p = tagEnd + 1;
                continue;
            }
            textPart += inner[p++];
        }
        std::string title = CleanTitle(html::DecodeEntities(textPart, true));
        return title.empty() ? CleanTitle(alt) : title;
    }
}

DropContent ReadDropFormats(const DragFormats& f) {
    DropContent content;
    if (f.payload) {
        content.ours = true;
        content.payload = *f.payload;
        return content;
    }
    if (f.uriList) {
        for (const std::string& uri : ParseUriList(*f.uriList)) {
            if (text::StartsWithNoCase(uri, "file:")) {
                std::string path = LocalPathOfFileUrl(uri);
                if (!path.empty())
                    content.files.push_back(std::move(path));
            } else {
                content.links.push_back({uri, {}});
            }
        }
    }
    std::vector<DroppedLink> moz =
        f.mozUrl ? ParseLinkLines(DecodeBrowserText(*f.mozUrl)) : std::vector<DroppedLink>{};
    std::vector<DroppedLink> netscape =
        f.netscapeUrl ? ParseLinkLines(DecodeBrowserText(*f.netscapeUrl)) : std::vector<DroppedLink>{};
    if (content.links.empty() && content.files.empty()) {
        if (!moz.empty())
            content.links = moz;
        else if (!netscape.empty())
            content.links = netscape;
        else if (f.plainText && !text::TrimWhite(*f.plainText).empty())
            content.links.push_back({f.plainText->substr(0, kMaxDragText), {}});
    }
    for (DroppedLink& link : content.links) {
        if (!link.title.empty())
            continue;
        std::string address = AddressOf(link.text);
        if (address.empty())
            continue;
        for (const auto* list : {&moz, &netscape}) {
            for (const DroppedLink& offered : *list) {
                if (link.title.empty() && !offered.title.empty() && AddressOf(offered.text) == address)
                    link.title = offered.title;
            }
        }
        if (link.title.empty() && f.html)
            link.title = LinkTitleFromHtml(*f.html, address);
    }
    return content;
}

} // namespace vireo

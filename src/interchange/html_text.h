// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reading and writing the bits of HTML that bookmark files, shortcut files and web pages
// from other programs are made of: decoding a file's bytes, splitting lines, entities,
// escaping, and reading one tag by its own bounds. No HTML parser: the formats we read
// are line-oriented and we keep them so.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vireo::html {

// Files from outside larger than this are refused rather than read into memory.
inline constexpr std::uint64_t kMaxInputFile = UINT64_C(512) << 20;

// Reads a file whole (up to `maxBytes`); false with a one-line reason.
bool ReadInputFile(const std::string& path, std::string& bytes, std::string* error,
                   std::uint64_t maxBytes = kMaxInputFile);

// The text of an HTML file as UTF-8: by its byte-order mark, else by the charset its META
// line declares, else as UTF-8 when that is valid, else as Windows-1252.
std::string DecodeHtmlBytes(std::string_view bytes);

// Calls `f(line)` for every line of `text`. Lines end in LF or CR LF (the line end is not
// part of the line); a last line without an end counts too.
template <class F>
void ForEachLine(std::string_view text, F&& f) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t lf = text.find('\n', start);
        std::size_t end = lf == std::string_view::npos ? text.size() : lf;
        std::size_t cut = end;
        if (cut > start && text[cut - 1] == '\r')
            --cut;
        f(text.substr(start, cut - start));
        if (lf == std::string_view::npos)
            break;
        start = lf + 1;
    }
}

// Decodes &amp; &lt; &gt; &quot; &apos; &#39; and the other numeric references. In texts
// (`inText` true) the five named ones and numeric ones are also taken without their
// closing semicolon when the next character cannot continue them; in addresses only
// complete references count, so that a raw "&center=" in a query stays as it is.
std::string DecodeEntities(std::string_view s, bool inText);

// Escapes & < > " for HTML text and attribute values, addresses included: a raw
// "&sect=" or "&copy=" in a query is read as a character by HTML readers otherwise.
std::string Escape(std::string_view s);

// The position of the ">" that ends the tag whose "<" is at `open`, skipping ">" inside
// quoted attribute values; npos when the tag does not end on this text.
std::size_t TagEnd(std::string_view text, std::size_t open);

// The value of attribute `name` (upper-case ASCII) inside the tag text `tag` (from "<"
// to ">"), quoted with double or single quotes or unquoted. False when absent.
bool TagAttribute(std::string_view tag, std::string_view name, std::string_view& value);

// Finds the next tag `<NAME` (NAME in upper case) at or after `from` in `upper`, the text
// upper-cased in ASCII: the name must be followed by white space, "/" or ">".
std::size_t FindTag(std::string_view upper, std::string_view name, std::size_t from);

// True when the tag `<NAME` starts at `p` of `upper` (same rule as FindTag).
bool IsTagAt(std::string_view upper, std::size_t p, std::string_view name);

// ASCII upper case of `s` into `out` (reusing its buffer); positions never shift.
void AsciiUpperInto(std::string_view s, std::string& out);

} // namespace vireo::html

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Texts in the data files are bytes. We write UTF-8 and read UTF-8, falling back to
// Windows-1252 for bytes that are not valid UTF-8 (files written by older versions on
// Windows). Limits are applied so that no character is ever split.

#include <cstddef>
#include <string>
#include <string_view>

namespace vireo::text {

bool IsValidUtf8(std::string_view bytes);

// Windows-1252 bytes to UTF-8 (the five undefined bytes map to U+FFFD).
std::string Cp1252ToUtf8(std::string_view bytes);

// UTF-8 to Windows-1252 where every character has a byte there; characters without one
// become '?'. Used only where an outside format demands single bytes.
std::string Utf8ToCp1252(std::string_view utf8);

// Stored bytes as UTF-8: unchanged when valid UTF-8, else read as Windows-1252.
std::string DecodeStored(std::string_view bytes);

// The value of a hexadecimal digit, -1 for any other character.
int HexDigitValue(char c);

// Appends one code point as UTF-8.
void AppendUtf8(std::string& out, char32_t codePoint);

// The valid UTF-8 character at byte `i` of `s`: its length, with its code point in `cp`;
// 0 when the bytes there are not one (overlong forms, surrogates and values past U+10FFFF
// are not).
std::size_t DecodeUtf8(std::string_view s, std::size_t i, char32_t& cp);

// UTF-16 text (without its byte-order mark; an odd last byte is ignored) as UTF-8.
// Unpaired surrogates become U+FFFD; with `escapedBytes`, U+DC80..U+DCFF stand for the
// single bytes 0x80..0xFF, as bytes that are not UTF-8 travel through UTF-16.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian, bool escapedBytes = false);

// Number of characters (code points) of valid UTF-8 text.
std::size_t CharCount(std::string_view utf8);

// The longest prefix of at most `maxChars` characters.
std::string_view CutToChars(std::string_view utf8, std::size_t maxChars);

// The longest prefix of at most `maxBytes` bytes that ends on a character boundary.
std::string_view CutToBytes(std::string_view utf8, std::size_t maxBytes);

// Removes leading and trailing space characters (only ' ', as the file formats pad with it).
std::string_view TrimSpaces(std::string_view s);
// Removes leading and trailing ASCII white space (space, tab, CR, LF, form feed, vertical
// tab), for texts from outside: dropped text, HTML, desktop files.
std::string_view TrimWhite(std::string_view s);

// Reads a fixed-size text field: cut at the first NUL, decoded, trimmed.
std::string FromFixedField(std::string_view field);

// Fills a fixed-size text field of `size` bytes: cut without splitting a character,
// padded with spaces.
void ToFixedField(std::string_view utf8, char* field, std::size_t size);

// ASCII-only case mapping (positions never shift).
std::string AsciiUpper(std::string_view s);
std::string AsciiLower(std::string_view s);
// True when `s` starts with `prefix`, ASCII letters compared without regard to case.
bool StartsWithNoCase(std::string_view s, std::string_view prefix);

// An address with its CR, LF and NUL bytes percent-encoded (%0D, %0A, %00). No address
// holds them, but one imported from an entity or typed into a file may: written raw, it
// would end the line it stands on and start lines of its own in a shortcut or bookmark
// file. Everything else is left as it is, so the result reads back unchanged.
std::string EncodeLineBreaks(std::string_view address);

// Case folding of UTF-8 text for case-insensitive comparison: simple one-to-one folding
// of Latin (with Vietnamese and full-width forms), Greek, Cyrillic and Armenian letters;
// other characters stay as they are.
std::string FoldCase(std::string_view utf8);

} // namespace vireo::text

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Conversion between text in a named character set and UTF-8, for files and services of
// other programs that declare their encoding.

#include <string>
#include <string_view>

namespace vireo::sys {

// Converts `bytes` from the character set `charset` (an IANA name such as "ISO-8859-2"
// or "Shift_JIS") to UTF-8. False when the set is unknown to the system or the bytes are
// not valid in it; `out` is then left empty.
bool ConvertToUtf8(std::string_view bytes, std::string_view charset, std::string& out);

// The reverse: UTF-8 text in `charset`, for outside services that want their input in
// it. Characters the set lacks become their nearest equivalent or "?". False when the set
// is unknown or `utf8` is not valid UTF-8; `out` is then left empty.
bool ConvertFromUtf8(std::string_view utf8, std::string_view charset, std::string& out);

} // namespace vireo::sys

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Conversion of text in a named character set to UTF-8, for files from other programs
// that declare their encoding.

#include <string>
#include <string_view>

namespace vireo::sys {

// Converts `bytes` from the character set `charset` (an IANA name such as "ISO-8859-2"
// or "Shift_JIS") to UTF-8. False when the set is unknown to the system or the bytes are
// not valid in it; `out` is then left empty.
bool ConvertToUtf8(std::string_view bytes, std::string_view charset, std::string& out);

} // namespace vireo::sys

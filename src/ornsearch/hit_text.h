// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Turning what an engine wrote into the texts and addresses of hits: valid UTF-8 without
// tags, entities or runs of white space; absolute http(s) addresses without the engine's
// redirect wrappers.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vireo::orn {

// Bounds on what one hit may carry; the program cuts further (200, 600, 1024 characters).
inline constexpr std::size_t kMaxTextBytes = 4096;
inline constexpr std::size_t kMaxAddressBytes = 4096;
// Bound on the entries of one result page.
inline constexpr std::size_t kMaxHitsPerPage = 1000;

// `bytes` with every sequence that is not UTF-8 replaced by U+FFFD.
std::string RepairUtf8(std::string_view bytes);

// The text a reader sees: with `markup`, tags removed and entities decoded (API fields
// carry <em> and &quot;); then control characters dropped, white space collapsed to single
// spaces and trimmed, invalid UTF-8 replaced, cut at kMaxTextBytes on a character boundary.
std::string CleanText(std::string_view raw, bool markup);

// `s` fit to be quoted in a one-line message: cleaned as plain text, cut at `maxBytes` on
// a character boundary.
std::string OneLine(std::string_view s, std::size_t maxBytes = 80);

// Decodes HTML character references: every named one of HTML 4 (and &apos;), decimal
// and hexadecimal ones. References without their ";" stay as they are.
std::string DecodeEntities(std::string_view s);

// The address of a hit: `raw` trimmed, characters that cannot stand in an address
// percent-encoded, resolved against `pageUrl`, unwrapped from a redirect whose query
// parameter (or "name=value" step of the path) is named in `unwrap`, its value plain or in
// base64, repeatedly for wrappers in wrappers. Empty when the result is not an absolute
// http or https address.
std::string HitAddress(std::string_view raw, const std::string& pageUrl,
                       const std::vector<std::string>& unwrap);

// Percent-encodes every byte but the unreserved characters of RFC 3986.
std::string PercentEncode(std::string_view bytes);

// Percent-encodes only the bytes that cannot stand in an address (controls, space,
// non-ASCII, " < > \ ^ ` { | }), keeping its structure.
std::string EscapeForAddress(std::string_view bytes);

// `url` with its scheme in lower case ("HTTPS://x" and "https://x" are one address).
std::string LowerScheme(std::string url);

// True when `url` is an absolute http or https address with a host.
bool IsWebAddress(const std::string& url);

// The scheme, host and port of `url` with a "/" ("https://host/"), or empty.
std::string OriginOf(const std::string& url);

} // namespace vireo::orn

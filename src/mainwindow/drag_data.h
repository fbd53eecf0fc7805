// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What travels in a drag: our own description of dragged bookmarks and folders, and what
// browsers and file managers put into theirs. All of it comes from other programs or
// could, so everything here is read defensively and sized with care.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vireo {

// Our private drag format, known elsewhere under the name "VireoData".
inline constexpr std::string_view kVireoDataMime = "application/x-vireodata";

// The kinds a drag of ours announces. Receivers also take 1 and 2 (bookmarks; 2 copies)
// and 9 and 10 (a folder).
inline constexpr std::int16_t kDragBookmarks = 0;
inline constexpr std::int16_t kDragCopyBookmarks = 2;
inline constexpr std::int16_t kDragFolder = 8;

struct DragPayload {
    std::int16_t kind = 0;
    std::int16_t source = 0; // the folder the bookmarks come from, or the dragged folder
    std::vector<std::int32_t> keys;
};

// The payload: 4 x (n + 2) bytes, little-endian: kind (16 bits), n (16 bits), the source
// folder (16 bits), 16 zero bits, then the n bookmark keys (32 bits each). A folder drag
// carries no keys and is 8 bytes. At most 32767 keys fit into the count.
std::string BuildDragData(std::int16_t kind, std::int16_t folder, std::span<const std::int32_t> keys = {});
// False when the bytes cannot even hold the header. A count that claims more keys than
// the bytes hold is cut to the keys that are there; a negative count means none.
bool ReadDragData(std::string_view bytes, DragPayload& payload);

// A link as a drop brought it: the text the address is taken from, and the title the
// drag offered for it ("" when none).
struct DroppedLink {
    std::string text;
    std::string title;
};

// The formats of a drop, as far as the drag offered them. Texts are UTF-8, except
// `mozUrl`, which is passed on as the bytes the drag held (browsers send it as UTF-16).
struct DragFormats {
    std::optional<std::string> payload; // application/x-vireodata
    std::optional<std::string> uriList; // text/uri-list
    std::optional<std::string> plainText;
    std::optional<std::string> mozUrl;      // text/x-moz-url: address and title lines
    std::optional<std::string> netscapeUrl; // _NETSCAPE_URL: the same in UTF-8
    std::optional<std::string> html;        // text/html
};

// What a drop means to us.
struct DropContent {
    bool ours = false;              // one of our own drags: only the payload counts
    std::string payload;            // when `ours`
    std::vector<DroppedLink> links; // links and texts to file, in the drag's order
    std::vector<std::string> files; // local files and folders
};

// Sorts the formats of a drop out. Web links in the URI list come first, else the links
// of the browser formats, else the text, unless the drag brought local files (a file
// manager's text is only their paths). Titles come from the browser formats and the
// anchor text of the HTML, for the link of the same address.
DropContent ReadDropFormats(const DragFormats& formats);

// The lines of a URI list that are not comments.
std::vector<std::string> ParseUriList(std::string_view text);
// The local path of a file: URL ("" for any other URL, or a file on another host).
std::string LocalPathOfFileUrl(std::string_view url);
// Address and title pairs of text/x-moz-url or _NETSCAPE_URL (lines alternate).
std::vector<DroppedLink> ParseLinkLines(std::string_view utf8);
// The text of a browser format that may be UTF-16 (with or without a byte-order mark) or
// UTF-8, as UTF-8.
std::string DecodeBrowserText(std::string_view bytes);
// The text of the first link in an HTML fragment that points to `address` (any link when
// `address` is empty): tags dropped, entities decoded, white space collapsed; an image
// link gives its ALT text. "" when there is none.
std::string LinkTitleFromHtml(std::string_view html, std::string_view address);
// A title from outside: white space (line breaks too) collapsed to single spaces,
// trimmed, cut to 512 characters.
std::string CleanTitle(std::string_view text);

} // namespace vireo

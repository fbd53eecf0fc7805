// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The two packed record layouts of the data files: FolderRecord (290 bytes in FOLDERS)
// and BookmarkRecord (53 bytes in BOOKMARKS). Fixed text fields keep their raw bytes, so
// a record read and written again is the same byte for byte.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "store/memo.h"
#include "store/ole_date.h"

namespace vireo {

class ByteReader;
class ByteWriter;

// A fixed-size text field: bytes padded with spaces; Text() decodes and trims.
template <std::size_t N>
class FixedText {
public:
    FixedText() { m_bytes.fill(' '); }
    std::string Text() const;
    void Set(std::string_view utf8);
    const std::array<char, N>& Bytes() const { return m_bytes; }
    std::array<char, N>& Bytes() { return m_bytes; }
    bool operator==(const FixedText&) const = default;

private:
    std::array<char, N> m_bytes;
};

// The kind of a folder, which also chooses its icon; the values are the numbers the folders
// file stores. Not named FolderType: that is the record's field, which stays a raw number so
// that a kind this version does not know survives a save (FolderKindOf reads it).
enum class FolderKind : std::int16_t {
    Ordinary = 0,
    Standard = 4,
    HomePage = 5,
    SearchResults = 6,
    Imported = 7,
    Trash = 8,
};

// The standard folders' numbers: they are folder numbers like any other (always slots 1
// to 5), not a type of their own, so they stay plain constants.
inline constexpr std::int16_t kRootFolder = 1;
inline constexpr std::int16_t kUnsortedFolder = 2;
inline constexpr std::int16_t kSearchResultsFolder = 3;
inline constexpr std::int16_t kHomePageFolder = 4;
inline constexpr std::int16_t kTrashFolder = 5;

// The most folder slots the 16-bit folder numbers allow.
inline constexpr std::int32_t kMaxFolderSlots = 32767;

struct FolderRecord {
    static constexpr std::size_t kSize = 290;

    std::int16_t ID = 0;
    std::int16_t Parent = 0;
    std::int16_t FolderType = 0;
    FixedText<128> Name;
    MemoID Description = 0;
    FixedText<128> SearchQuery;
    OleDate Created = 0;
    std::uint16_t Reserved1 = 0;
    std::uint8_t FormatBits = 0;
    std::int16_t SiteMax = 0;
    std::int16_t MaxHits = 0;
    std::uint8_t Timeout = 0;
    std::int16_t SearchGroup = 0;
    std::array<std::uint8_t, 6> Reserved2{};

    // The search's FormatOption choices, one bit each (n 0..7; others ignored / false).
    void SetFormatBit(int n);
    bool FormatBit(int n) const;

    void Write(ByteWriter& w) const;
    static FolderRecord Read(ByteReader& r);
    bool operator==(const FolderRecord&) const = default;
};

// The folder's kind as the enum; a number this version does not know stays as it is and
// matches none of the named kinds.
inline FolderKind FolderKindOf(const FolderRecord& folder) {
    return static_cast<FolderKind>(folder.FolderType);
}

struct BookmarkRecord {
    static constexpr std::size_t kSize = 53;

    std::int32_t key = 0;
    std::int16_t Flags = 0;
    std::int16_t UserFlags = 0;
    std::uint8_t Deleted = 0; // 255 in memory for a deleted entry
    std::int16_t Parent = 0;
    MemoID Name = 0;
    MemoID Description = 0;
    MemoID url = 0;
    std::int32_t Reserved = 0;
    OleDate Checked = 0;
    OleDate Touched = 0;
    OleDate added = 0;
    std::int16_t Rank = 0;

    void Write(ByteWriter& w) const;
    static BookmarkRecord Read(ByteReader& r);
    bool operator==(const BookmarkRecord&) const = default;
};

// Origins of bookmarks (the Flags field).
enum BookmarkOrigins : std::int16_t {
    kFlagsFound = 0,
    kFlagsStandard = 2,
    kFlagsNetscape = 4,
    kFlagsFavorites = 8,
    kFlagsHtml = 16,
    kFlagsDroppedLink = 32,
    kFlagsDroppedFile = 64,
    kFlagsFirefox = 128,
    kFlagsChromium = 256,
    kFlagsXbel = 512,
    kFlagsFalkon = 1024,
    kFlagsQutebrowser = 2048,
    kFlagsKonqueror = 4096,
};

// Tree node keys are "x" + folder ID, list item keys "b" + bookmark key; these give the
// number after the first character back (0 for an empty or malformed key).
std::int16_t KeyToInt(std::string_view key);
std::int32_t KeyToLong(std::string_view key);
std::string FolderNodeKey(std::int16_t id);
std::string BookmarkItemKey(std::int32_t key);

// The image-list index (1-based) that shows a folder of this type and ID.
int FolderImage(std::int16_t id, FolderKind kind);

} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/records.h"

#include <charconv>
#include <limits>

#include "store/byte_io.h"
#include "store/text_codec.h"

namespace vireo {

template <std::size_t N>
std::string FixedText<N>::Text() const {
    return text::FromFixedField(std::string_view(m_bytes.data(), N));
}

template <std::size_t N>
void FixedText<N>::Set(std::string_view utf8) {
    text::ToFixedField(utf8, m_bytes.data(), N);
}

template class FixedText<128>;
template class FixedText<20>;

void FolderRecord::SetFormatBit(int n) {
    if (n >= 0 && n < 8)
        FormatBits = static_cast<std::uint8_t>(FormatBits | (1u << n));
}

bool FolderRecord::FormatBit(int n) const {
    return n >= 0 && n < 8 && (FormatBits & (1u << n)) != 0;
}

void FolderRecord::Write(ByteWriter& w) const {
    w.I16(ID);
    w.I16(Parent);
    w.I16(FolderType);
    w.Bytes(Name.Bytes().data(), Name.Bytes().size());
    w.I32(Description);
    w.Bytes(SearchQuery.Bytes().data(), SearchQuery.Bytes().size());
    w.F64(Created);
    w.U16(Reserved1);
    w.U8(FormatBits);
    w.I16(SiteMax);
    w.I16(MaxHits);
    w.U8(Timeout);
    w.I16(SearchGroup);
    w.Bytes(reinterpret_cast<const char*>(Reserved2.data()), Reserved2.size());
}

FolderRecord FolderRecord::Read(ByteReader& r) {
    FolderRecord f;
    f.ID = r.I16();
    f.Parent = r.I16();
    f.FolderType = r.I16();
    r.Bytes(f.Name.Bytes().data(), f.Name.Bytes().size());
    f.Description = r.I32();
    r.Bytes(f.SearchQuery.Bytes().data(), f.SearchQuery.Bytes().size());
    f.Created = r.F64();
    f.Reserved1 = r.U16();
    f.FormatBits = r.U8();
    f.SiteMax = r.I16();
    f.MaxHits = r.I16();
    f.Timeout = r.U8();
    f.SearchGroup = r.I16();
    r.Bytes(reinterpret_cast<char*>(f.Reserved2.data()), f.Reserved2.size());
    return f;
}

void BookmarkRecord::Write(ByteWriter& w) const {
    w.I32(key);
    w.I16(Flags);
    w.I16(UserFlags);
    w.U8(Deleted);
    w.I16(Parent);
    w.I32(Name);
    w.I32(Description);
    w.I32(url);
    // Where a bookmark in the trash came from (0 elsewhere); older copies write it as 0.
    w.I32(Reserved);
    w.F64(Checked);
    w.F64(Touched);
    w.F64(added);
    w.I16(Rank);
}

BookmarkRecord BookmarkRecord::Read(ByteReader& r) {
    BookmarkRecord b;
    b.key = r.I32();
    b.Flags = r.I16();
    b.UserFlags = r.I16();
    b.Deleted = r.U8();
    b.Parent = r.I16();
    b.Name = r.I32();
    b.Description = r.I32();
    b.url = r.I32();
    b.Reserved = r.I32();
    b.Checked = r.F64();
    b.Touched = r.F64();
    b.added = r.F64();
    b.Rank = r.I16();
    return b;
}

namespace {
template <typename T>
T NumberAfterFirst(std::string_view key) {
    if (key.size() < 2)
        return 0;
    std::string_view digits = key.substr(1);
    long long value = 0;
    auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc() || value < std::numeric_limits<T>::min() || value > std::numeric_limits<T>::max())
        return 0;
    return static_cast<T>(value);
}
} // namespace

std::int16_t KeyToInt(std::string_view key) {
    return NumberAfterFirst<std::int16_t>(key);
}
std::int32_t KeyToLong(std::string_view key) {
    return NumberAfterFirst<std::int32_t>(key);
}
std::string FolderNodeKey(std::int16_t id) {
    return "x" + std::to_string(id);
}
std::string BookmarkItemKey(std::int32_t key) {
    return "b" + std::to_string(key);
}

int FolderImage(std::int16_t id, FolderKind kind) {
    if (id == kRootFolder)
        return 4;
    switch (kind) {
    case FolderKind::HomePage:
        return 7;
    case FolderKind::SearchResults:
        return 3;
    case FolderKind::Imported:
        return 5;
    case FolderKind::Trash:
        return 6;
    default:
        return 1;
    }
}

} // namespace vireo

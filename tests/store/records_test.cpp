// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "store/byte_io.h"
#include "store/records.h"

namespace vireo {
namespace {

template <typename T>
void Put(std::string& bytes, std::size_t offset, T value) {
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

TEST(Records, FolderRecordLayoutMatchesTheFileFormat) {
    std::string bytes(290, '\0');
    Put<std::int16_t>(bytes, 0, 12);
    Put<std::int16_t>(bytes, 2, 7);
    Put<std::int16_t>(bytes, 4, 6);
    std::memcpy(bytes.data() + 6, "Travel", 6);
    std::memset(bytes.data() + 12, ' ', 122);
    Put<std::int32_t>(bytes, 134, 77);
    std::memcpy(bytes.data() + 138, "cheap flights", 13);
    std::memset(bytes.data() + 151, ' ', 115);
    Put<double>(bytes, 266, 46362.5);
    Put<std::uint16_t>(bytes, 274, 0xBEEF);
    Put<std::uint8_t>(bytes, 276, 0x05);
    Put<std::int16_t>(bytes, 277, 10);
    Put<std::int16_t>(bytes, 279, 200);
    Put<std::uint8_t>(bytes, 281, 30);
    Put<std::int16_t>(bytes, 282, 3);
    Put<std::uint32_t>(bytes, 284, 0xA1B2C3D4);
    Put<std::uint16_t>(bytes, 288, 0x1234);

    ByteReader r(bytes);
    FolderRecord f = FolderRecord::Read(r);
    EXPECT_EQ(std::tuple(f.ID, f.Parent, f.FolderType, f.Name.Text(), f.Description, f.SearchQuery.Text()),
              std::tuple(12, 7, 6, "Travel", 77, "cheap flights"));
    EXPECT_EQ(std::tuple(f.Created, f.FormatBit(9), f.SiteMax, f.MaxHits, f.Timeout, f.SearchGroup),
              std::tuple(46362.5, false, 10, 200, 30, 3));
    EXPECT_TRUE(!r.Short() && r.AtEnd());

    // Written back, every byte is the same, reserved fields included.
    std::string out;
    ByteWriter w(out);
    f.Write(w);
    EXPECT_EQ(out, bytes);

    f.SetFormatBit(1);
    f.SetFormatBit(8); // ignored
    EXPECT_EQ(f.FormatBits, 0x07);
}

TEST(Records, BookmarkRecordLayoutMatchesTheFileFormatAndReadsShortInputAsZeros) {
    std::string bytes(53, '\0');
    Put<std::int32_t>(bytes, 0, 41);
    Put<std::int16_t>(bytes, 4, 32);
    Put<std::int16_t>(bytes, 6, 9); // byte 8, Deleted, stays 0
    Put<std::int16_t>(bytes, 9, 2);
    Put<std::int32_t>(bytes, 11, 100);
    Put<std::int32_t>(bytes, 15, 101);
    Put<std::int32_t>(bytes, 19, 102);
    Put<double>(bytes, 27, 1.25);
    Put<double>(bytes, 35, 2.5);
    Put<double>(bytes, 43, 3.75);
    Put<std::int16_t>(bytes, 51, 7);

    ByteReader r(bytes);
    BookmarkRecord b = BookmarkRecord::Read(r);
    EXPECT_EQ(std::tuple(b.key, b.Flags, b.UserFlags, b.Parent, b.Name, b.Description, b.url),
              std::tuple(41, 32, 9, 2, 100, 101, 102));
    EXPECT_EQ(std::tuple(b.Checked, b.Touched, b.added, b.Rank), std::tuple(1.25, 2.5, 3.75, 7));
    std::string out;
    ByteWriter w(out);
    b.Write(w);
    EXPECT_EQ(out, bytes);

    // Short input reads as zeros without reading past the end.
    ByteReader cut(std::string_view(bytes).substr(0, 20));
    b = BookmarkRecord::Read(cut);
    EXPECT_TRUE(cut.Short());
    EXPECT_EQ(std::tuple(b.Name, b.added, b.Rank), std::tuple(100, 0.0, 0));
}

TEST(Records, KeysGiveTheirNumberBack) {
    EXPECT_EQ(KeyToInt("x12"), 12);
    EXPECT_EQ(KeyToLong("b123456"), 123456);
    EXPECT_EQ(KeyToInt("x"), 0);
    EXPECT_EQ(KeyToInt("x99999"), 0); // does not fit a folder number
    EXPECT_EQ(KeyToLong("bjunk"), 0);
}

} // namespace
} // namespace vireo

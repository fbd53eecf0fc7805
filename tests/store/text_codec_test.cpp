// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "store/ole_date.h"
#include "store/text_codec.h"

namespace vireo {
namespace {

TEST(TextCodec, OldWindowsTextIsReadAsWindows1252AndUtf8AsItIs) {
    // "Café – 5€" as written by the Windows program.
    EXPECT_EQ(text::DecodeStored("Caf\xE9 \x96 5\x80"), "Café – 5€");
    EXPECT_EQ(text::DecodeStored("Café – 5€"), "Café – 5€");
    // Overlong encodings and lone surrogates are not UTF-8.
    EXPECT_FALSE(text::IsValidUtf8("\xC0\xAF"));
    EXPECT_FALSE(text::IsValidUtf8("\xED\xA0\x80"));
    EXPECT_TRUE(text::IsValidUtf8("plain ascii that is longer than eight bytes"));
    EXPECT_EQ(text::Utf8ToCp1252("Café €"), "Caf\xE9 \x80");
}

TEST(TextCodec, LimitsNeverSplitACharacter) {
    std::string s = "ab€d"; // € is three bytes
    EXPECT_EQ(text::CutToBytes(s, 3), "ab");
    EXPECT_EQ(text::CutToBytes(s, 5), "ab€");
    EXPECT_EQ(text::CutToChars(s, 3), "ab€");
    EXPECT_EQ(text::CharCount(s), 4u);

    char field[6];
    text::ToFixedField("éé€", field, sizeof field);
    EXPECT_EQ(std::string(field, 6), "éé  "); // the euro sign does not fit whole
    EXPECT_EQ(text::FromFixedField(std::string_view(field, 6)), "éé");
    // A field cut at a NUL reads without the rest.
    EXPECT_EQ(text::FromFixedField(std::string_view("  ab\0cd  ", 9)), "ab");
    // Texts from outside lose the white space around them, never the one inside.
    EXPECT_EQ(text::TrimWhite("\t a \f b \r\n"), "a \f b");
    EXPECT_EQ(text::TrimWhite(" \v\n "), "");
    EXPECT_EQ(text::TrimSpaces("\t a "), "\t a");
}

TEST(TextCodec, CaseFoldingCoversNonAsciiLetters) {
    EXPECT_EQ(text::FoldCase("ÄÖÜ Straße"), text::FoldCase("äöü straße"));
    // The ends of the Latin-1 run, and the sign between them that is no letter.
    EXPECT_EQ(text::FoldCase("ÀÞ×"), "àþ×");
    EXPECT_EQ(text::FoldCase("МОСКВА"), "москва");
    EXPECT_EQ(text::FoldCase("ΑΘΉΝΑ"), text::FoldCase("αθήνα"));
}

TEST(TextCodec, Utf16IsReadInEitherByteOrderWithoutLosingTheRest) {
    // "é" and a bird (a surrogate pair), little- and big-endian; an odd last byte is no unit.
    EXPECT_EQ(text::Utf16ToUtf8(std::string("\xE9\0\x3D\xD8\x26\xDC!", 7), false), "é\U0001F426");
    EXPECT_EQ(text::Utf16ToUtf8(std::string("\0\xE9\xD8\x3D\xDC\x26", 6), true), "é\U0001F426");
    // Surrogates without their partner stand out as replacement characters.
    EXPECT_EQ(text::Utf16ToUtf8(std::string("\x3D\xD8\x61\0\x26\xDC", 6), false), "\uFFFDa\uFFFD");
    // Bytes that travelled as escapes come back as the very bytes, only when asked.
    EXPECT_EQ(text::Utf16ToUtf8(std::string("\xE9\xDCx\0", 4), false, true), "\xE9x");
    EXPECT_EQ(text::Utf16ToUtf8(std::string("\xE9\xDCx\0", 4), false), "\uFFFDx");

    char32_t cp = 0;
    EXPECT_EQ(text::DecodeUtf8("a€", 1, cp), 3u);
    EXPECT_EQ(cp, U'€');
    EXPECT_EQ(text::DecodeUtf8("\xE2\x82", 0, cp), 0u); // cut short
}

TEST(OleDates, CalendarRoundTripKnownValuesAndText) {
    OleDate d = OleFromCivil({2026, 12, 6, 17, 25, 13, 0});
    EXPECT_NEAR(d, 46362.72584, 1e-5);
    // Back to the calendar: the general text shows every field, the long one the weekday.
    EXPECT_EQ(FormatGeneralDate(d), "12/06/2026 17:25:13");
    EXPECT_EQ(FormatGeneralDate(std::floor(d)), "12/06/2026");
    EXPECT_EQ(FormatLongDate(d), "Sunday, December 6, 2026");
    EXPECT_EQ(OleFromCivil({1899, 12, 30, 0, 0, 0, 0}), 0.0);
    EXPECT_EQ(OleFromCivil({1900, 1, 1, 12, 0, 0, 0}), 2.5);
    // A date a hair before midnight reads as the next day, not 23:59:59.
    sys::CivilTime rounded = OleToCivil(2.999999999);
    EXPECT_EQ(std::pair(rounded.day, rounded.hour), std::pair(2, 0));
    // Unix seconds go through local time (the tests run in UTC).
    EXPECT_EQ(OleToUnix(OleFromUnix(1700000000)), 1700000000);
}

} // namespace
} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "shell/registry.h"
#include "store/text_codec.h"

namespace vireo {
namespace {

const std::string kKey = SettingsPath("\\test");

TEST(SettingsFunctions, NumbersAreStoredAsTextAndReadEitherWay) {
    MemoryRegistry reg;
    SetRegValue(reg, kKey, "Answer", std::int64_t{42});
    RegValue stored = reg.QueryValue(kHKeyCurrentUser, kKey, "Answer");
    EXPECT_EQ(stored.type, RegValue::Type::Text);
    EXPECT_EQ(stored.text, "42");

    // Names are found whatever their letter case.
    EXPECT_EQ(GetRegNumber(reg, text::AsciiUpper(kKey), "ANSWER"), 42);

    // A REG_DWORD written by another program reads as its number, signed like ours.
    reg.SetValue(kHKeyCurrentUser, kKey, "AllOnes", RegValue::Number(0xFFFFFFFFu));
    EXPECT_EQ(GetRegNumber(reg, kKey, "AllOnes"), -1);
    EXPECT_EQ(GetRegText(reg, kKey, "AllOnes"), "-1");

    // Any other type is unreadable.
    reg.SetValue(kHKeyCurrentUser, kKey, "Blob", RegValue::Binary("\x01\x02"));
    EXPECT_EQ(GetRegNumber(reg, kKey, "Blob"), 0);
    EXPECT_EQ(GetRegText(reg, kKey, "Blob"), "");

    // Text is read trimmed and cut at its first NUL, numbers stop where the digits do.
    for (auto [stored, text, number] :
         {std::tuple{std::string_view("  /home/ann/Vireo Data  "), "/home/ann/Vireo Data", 0},
          {std::string_view("15\0junk 99", 10), "15", 15},
          {" 7 ", "7", 7},
          {"99999999999", "99999999999", 0}}) {
        SetRegValue(reg, kKey, "Value", stored);
        EXPECT_EQ(GetRegText(reg, kKey, "Value"), text);
        EXPECT_EQ(GetRegNumber(reg, kKey, "Value"), number) << text;
    }

    // Missing keys and values are no errors.
    EXPECT_EQ(GetRegNumber(reg, "Software\\Nobody", "x"), 0);
    EXPECT_EQ(GetRegText(reg, kKey, "Missing"), "");
}

TEST(SettingsFunctions, HandleLevelReadsAndWrites) {
    MemoryRegistry reg;
    RegKey key = OpenRegKey(reg, kKey + "\\deep\\er");
    ASSERT_TRUE(key);
    EXPECT_TRUE(reg.KeyExists(kHKeyCurrentUser, kKey + "\\deep"));

    // A number written as REG_SZ becomes its decimal text, which comes back with its
    // terminating NUL, so callers cut it. Other types write nothing, and a missing value (as
    // any other type) is "unsupported" and empty.
    EXPECT_EQ(WriteRegValue(key, "AsText", kRegSz, RegValue::Number(7)), kRegOk);
    RegValue v;
    EXPECT_EQ(ReadRegValue(key, "AsText", v), kRegOk);
    EXPECT_EQ(v.text, std::string("7\0", 2));
    WriteRegValue(key, "Nothing", kRegBinary, RegValue::Text("x"));
    EXPECT_EQ(reg.QueryValue(kHKeyCurrentUser, key.path, "Nothing").type, RegValue::Type::None);
    EXPECT_EQ(ReadRegValue(key, "Nothing", v), kRegUnsupportedType);
    EXPECT_EQ(v.type, RegValue::Type::None);
}

TEST(SettingsFunctions, EnumeratesSubkeysAlphabeticallyAndDeletesWholeTrees) {
    MemoryRegistry reg;
    std::string groups = kKey + "\\groups";
    for (const char* name : {"news", "Books", "code"})
        SetRegValue(reg, groups + "\\" + name + "\\engines\\one", "x", "1");

    // Enumerations may nest, each with its own cursor.
    RegSubKeyCursor cursor, outer, inner;
    std::vector<std::string> seen;
    for (auto g = outer.FirstRegSubKey(reg, groups); !g.empty(); g = outer.NextRegSubKey())
        for (auto e = inner.FirstRegSubKey(reg, groups + "\\" + g); !e.empty(); e = inner.NextRegSubKey())
            seen.push_back(g + "/" + e);
    EXPECT_EQ(seen, (std::vector<std::string>{"Books/engines", "code/engines", "news/engines"}));

    // Deleting each key while enumerating still visits every one of them.
    for (auto g = cursor.FirstRegSubKey(reg, groups); !g.empty(); g = cursor.NextRegSubKey())
        DeleteRegKey(reg, kHKeyCurrentUser, groups + "\\" + g);
    EXPECT_TRUE(reg.SubKeys(kHKeyCurrentUser, groups).empty());

    // A key with nested subkeys goes with everything below it.
    SetRegValue(reg, kKey + "\\a\\b\\c", "v", "1");
    RegKey parent = OpenRegKey(reg, kKey);
    EXPECT_EQ(DeleteRegKey(parent, "a"), kRegOk);
    EXPECT_FALSE(reg.KeyExists(kHKeyCurrentUser, kKey + "\\a\\b\\c"));
    EXPECT_FALSE(reg.KeyExists(kHKeyCurrentUser, kKey + "\\a"));
    EXPECT_EQ(DeleteRegKey(parent, "a"), kRegFileNotFound);
    // A whole root is never deleted by an empty path.
    EXPECT_NE(DeleteRegKey(reg, kHKeyCurrentUser, ""), kRegOk);
    EXPECT_TRUE(reg.KeyExists(kHKeyCurrentUser, kKey));
}

// The plain and long-named paths are the settings command's test.
TEST(SettingsFunctions, KeyPathsMayNameTheirRoot) {
    using Split = std::pair<std::uint32_t, std::string>;
    EXPECT_EQ(SplitRootedRegPath("hkcr\\.htm"), (Split{kHKeyClassesRoot, ".htm"}));
    EXPECT_EQ(SplitRootedRegPath("HKEY_USERS"), (Split{kHKeyUsers, ""}));
}

} // namespace
} // namespace vireo

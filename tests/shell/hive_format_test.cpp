// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <tuple>

#include "shell/hive_format.h"

namespace vireo {
namespace {

const std::string kVireo = "Software\\Orn\\Vireo!";

std::string Reparse(const std::string& text, HiveDocument& doc) {
    std::string error;
    EXPECT_TRUE(ParseHive(text, doc, &error)) << error;
    return WriteHive(doc);
}

TEST(HiveFormat, EveryValueSurvivesWritingAndReading) {
    const std::string latin1Path = "/home/ann/caf\xE9"; // a file name that is not UTF-8
    struct Case {
        std::string key, name;
        RegValue value;
    };
    const Case cases[] = {
        {"", "ShowTips", RegValue::Text("1")},
        {"\\DB", "path", RegValue::Text(latin1Path)},
        {"", "Quoted", RegValue::Text("say \"hi\" to C:\\dir\\")},
        {"", "Lines", RegValue::Text("one\r\ntwo")},
        {"", "Nul", RegValue::Text(std::string("a\0b", 3))},
        {"", "Unicode",
         RegValue::Text("Gr\xC3\xBC\xC3\x9F"
                        "e \xF0\x9F\x90\xA6")},
        {"", "Count", RegValue::Number(0xDEADBEEF)},
        {"", "Blob", RegValue::Binary(std::string("\x00\xFF\x10", 3))},
        {"", "Expand", RegValue::Binary("%HOME%", kRegExpandSz)},
        {"\\Sound", "", RegValue::Text("/usr/share/vireo/Sound/drop.wav")},
    };
    HiveDocument doc;
    for (const Case& c : cases)
        doc.Keys().SetValue(kHKeyCurrentUser, kVireo + c.key, c.name, c.value);
    doc.Keys().CreateKey(kHKeyCurrentUser, kVireo + "\\search\\groups\\Empty Group");
    doc.Keys().SetValue(kHKeyLocalMachine, "Software\\x", "Mixed Case", RegValue::Text(""));

    std::string first = WriteHive(doc);
    HiveDocument back;
    EXPECT_EQ(Reparse(first, back), first);
    const MemoryRegistry& b = back.Keys();
    auto fields = [](const RegValue& v) {
        return std::tuple(int(v.type), v.text, v.number, v.bytes, v.regType);
    };
    for (const Case& c : cases)
        EXPECT_EQ(fields(b.QueryValue(kHKeyCurrentUser, kVireo + c.key, c.name)), fields(c.value)) << c.name;
    EXPECT_EQ(b.ValueNames(kHKeyLocalMachine, "Software\\x"), std::vector<std::string>{"Mixed Case"});
    EXPECT_EQ(b.SubKeys(kHKeyCurrentUser, kVireo + "\\search\\groups"),
              std::vector<std::string>{"Empty Group"});

    // The file reads as the registry editor writes it; keys that only lead to others are
    // implied by them.
    EXPECT_EQ(first.rfind("Windows Registry Editor Version 5.00\n\n", 0), 0u);
    for (const char* line :
         {"[HKEY_CURRENT_USER\\Software\\Orn\\Vireo!]", "\"ShowTips\"=\"1\"", "\"Count\"=dword:deadbeef",
          "\"Blob\"=hex:00,ff,10", "@=\"/usr/share/vireo/Sound/drop.wav\"",
          "[HKEY_CURRENT_USER\\Software\\Orn\\Vireo!\\search\\groups\\Empty Group]"})
        EXPECT_NE(first.find(std::string(line) + "\n"), std::string::npos) << line;
    EXPECT_EQ(first.find("[HKEY_CURRENT_USER\\Software]\n"), std::string::npos);

    // A value continued on the file's very last line is read whole.
    HiveDocument last;
    Reparse("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Orn\\Vireo!]\n"
            "\"Long\"=hex:01,\\\n  02\n",
            last);
    EXPECT_EQ(last.Keys().QueryValue(kHKeyCurrentUser, kVireo, "Long").bytes, std::string("\x01\x02", 2));
}

TEST(HiveFormat, KeepsEveryLineItDoesNotUnderstand) {
    const std::string file = "Windows Registry Editor Version 5.00\r\n"
                             "; settings for my machine\r\n"
                             "\"Orphan\"=\"before any key\"\r\n"
                             "\r\n"
                             "[HKEY_CURRENT_USER\\Software\\Orn\\Vireo!]\r\n"
                             "\"ShowTips\"=\"1\"\r\n"
                             "; the user's own note\r\n"
                             "\"Broken\"=\"no closing quote\r\n"
                             "\"BadNumber\"=dword:xyz\r\n"
                             "\"OddNumber\"=hex(4):01,00,00,00,05\r\n"
                             "\"Removed\"=-\r\n"
                             "\"Long\"=hex:01,02,\\\r\n"
                             "  03,04\r\n"
                             "\r\n"
                             "[-HKEY_CURRENT_USER\\Software\\Old]\r\n"
                             "\r\n"
                             "[HKEY_DYN_DATA\\Stats]\r\n"
                             "\"Load\"=dword:00000001\r\n";
    HiveDocument doc;
    std::string error;
    ASSERT_TRUE(ParseHive(file, doc, &error)) << error;
    EXPECT_EQ(GetRegText(doc.Keys(), kVireo, "ShowTips"), "1");
    EXPECT_EQ(doc.Keys().QueryValue(kHKeyCurrentUser, kVireo, "Long").bytes, "\x01\x02\x03\x04");
    EXPECT_EQ(doc.Keys().QueryValue(kHKeyCurrentUser, kVireo, "Broken").type, RegValue::Type::None);
    // A number of five bytes is no number: kept as the bytes it is, none lost.
    EXPECT_EQ(doc.Keys().QueryValue(kHKeyCurrentUser, kVireo, "OddNumber").bytes,
              std::string("\x01\0\0\0\x05", 5));

    // A program change and a save keep all of it.
    doc.Keys().SetValue(kHKeyCurrentUser, kVireo, "Trash", RegValue::Text("2"));
    std::string written = WriteHive(doc);
    for (const char* line :
         {"; settings for my machine", "\"Orphan\"=\"before any key\"", "; the user's own note",
          "\"Broken\"=\"no closing quote", "\"BadNumber\"=dword:xyz", "\"Removed\"=-",
          "[-HKEY_CURRENT_USER\\Software\\Old]", "[HKEY_DYN_DATA\\Stats]", "\"Load\"=dword:00000001",
          "\"Trash\"=\"2\"", "\"ShowTips\"=\"1\""})
        EXPECT_NE(written.find(std::string(line) + "\n"), std::string::npos) << line;
    // The kept lines stay with their key.
    EXPECT_LT(written.find("[HKEY_CURRENT_USER\\Software\\Orn\\Vireo!]"),
              written.find("; the user's own note"));

    // Reading what we wrote gives the same file again.
    HiveDocument again;
    EXPECT_EQ(Reparse(written, again), written);
}

TEST(HiveFormat, AcceptsRegistryEditorFilesAndRefusesOthers) {
    // The registry editor exports UTF-16 with a byte order mark.
    const std::string head = "Windows Registry Editor Version 5.00\r\n\r\n"
                             "[HKEY_CURRENT_USER\\Software\\Orn\\Vireo!]\r\n\"Name\"=\"Zo";
    std::string utf8 = head + "\xC3\xAB\"\r\n";
    std::string utf16 = "\xFF\xFE";
    for (char c : head)
        utf16 += std::string{c, '\0'};
    utf16 += std::string("\xEB\0\"\0\r\0\n\0", 8);
    for (const std::string& file : {utf8, utf16, std::string("\xEF\xBB\xBF") + utf8}) {
        HiveDocument doc;
        std::string error;
        ASSERT_TRUE(ParseHive(file, doc, &error)) << error;
        EXPECT_EQ(GetRegText(doc.Keys(), kVireo, "name"), "Zo\xC3\xAB");
    }
    // Older exports in the Windows code page.
    HiveDocument old;
    ASSERT_TRUE(
        ParseHive("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Orn\\Vireo!]\r\n\"Name\"=\"Zo\xEB\"\r\n",
                  old, nullptr));
    EXPECT_EQ(GetRegText(old.Keys(), kVireo, "Name"), "Zo\xC3\xAB");

    // An empty file is an empty hive.
    HiveDocument empty;
    EXPECT_TRUE(ParseHive("", empty, nullptr));
    EXPECT_TRUE(ParseHive("\n\n", empty, nullptr));

    // Anything else is not a hive at all.
    for (const std::string& junk :
         {std::string("[HKEY_CURRENT_USER\\x]\n\"a\"=\"b\"\n"),
          std::string("\x7F"
                      "ELF\x02\x01\x01",
                      7),
          std::string("Windows Registry Editor Version 5.00\n\"a\"=\"b") + '\0' + "c\"\n",
          std::string(kMaxHiveBytes + 1, '\n')}) {
        HiveDocument doc;
        std::string error;
        EXPECT_FALSE(ParseHive(junk, doc, &error));
        EXPECT_FALSE(error.empty());
    }
}

TEST(HiveFormat, KeysTheRegistryCannotHoldAreKeptAsLines) {
    std::string deep = "[HKEY_CURRENT_USER";
    for (std::size_t i = 0; i <= kMaxRegDepth; ++i)
        deep += "\\k";
    deep += "]";
    const std::string longName = "[HKEY_CURRENT_USER\\" + std::string(kMaxRegKeyName + 1, 'n') + "]";
    const std::string file = "Windows Registry Editor Version 5.00\n\n" + deep + "\n\"a\"=\"1\"\n\n" +
                             longName + "\n\"b\"=\"2\"\n";
    HiveDocument doc;
    ASSERT_TRUE(ParseHive(file, doc, nullptr));
    EXPECT_TRUE(doc.Keys().SubKeys(kHKeyCurrentUser, "").empty());
    std::string written = WriteHive(doc);
    EXPECT_NE(written.find(deep + "\n\"a\"=\"1\"\n"), std::string::npos);
    EXPECT_NE(written.find(longName + "\n\"b\"=\"2\"\n"), std::string::npos);
}

} // namespace
} // namespace vireo

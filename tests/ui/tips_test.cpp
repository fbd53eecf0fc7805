// SPDX-License-Identifier: GPL-3.0-or-later
// The tip of the day: a tips file edited by hand (comments, Windows line ends, an old
// editor's code page) must still show the right tips with the right help pages, the
// rotation must survive a shorter file, and a missing file must say what is missing.

#include <gtest/gtest.h>

#include <fstream>

#include "shell/options.h"
#include "shell/registry.h"
#include "test_support.h"
#include "ui/tips.h"

namespace vireo::test {
namespace {

void Write(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TEST(Tips, EntriesAreReadInPairsWithCommentsSkippedWhole) {
    TempDir dir;
    std::string file = dir.file("tips.vro");
    Write(file, "\xEF\xBB\xBF' a comment\r\n"
                "' its second line, also hidden\r\n"
                "First tip\r\n"
                "faq.html  \r\n"
                "Caf\xE9 tip from an old editor\n"
                "\n"
                "Third tip\n"
                "HTTPS://example.org/x\n"
                "'hidden tip\n"
                "hidden.html\n"
                "Last tip without a reference line");
    TipList tips = ReadTips(file);
    ASSERT_EQ(tips.Count(), 4);
    EXPECT_EQ(tips.tips[0], "");
    EXPECT_EQ(tips.tips[1], "First tip");
    EXPECT_EQ(tips.references[1], "faq.html");
    EXPECT_EQ(tips.tips[2], "Caf\xC3\xA9 tip from an old editor");
    EXPECT_EQ(tips.references[2], "");
    EXPECT_EQ(tips.references[3], "HTTPS://example.org/x");
    EXPECT_EQ(tips.tips[4], "Last tip without a reference line");
    EXPECT_EQ(tips.references[4], "");
}

TEST(Tips, MissingFileGivesOneTipSayingWhy) {
    TempDir dir;
    std::string file = dir.file("help/tips.vro");
    TipList tips = ReadTips(file);
    ASSERT_EQ(tips.Count(), 1);
    EXPECT_EQ(tips.tips[1], "File not found\n" + file);
    EXPECT_EQ(tips.references[1], "");
    // A folder where the file should be is reported too, not read.
    std::filesystem::create_directories(file);
    tips = ReadTips(file);
    ASSERT_EQ(tips.Count(), 1);
    EXPECT_NE(tips.tips[1].find(file), std::string::npos);
}

TEST(Tips, RotationAdvancesWrapsAndRestartsAfterAShorterFile) {
    EXPECT_EQ(NextTipIndex(0, 3), 1);
    EXPECT_EQ(NextTipIndex(1, 3), 2);
    EXPECT_EQ(NextTipIndex(2, 3), 3);
    EXPECT_EQ(NextTipIndex(3, 3), 1);  // wraps
    EXPECT_EQ(NextTipIndex(40, 3), 1); // the file was replaced by a shorter one
    EXPECT_EQ(NextTipIndex(-5, 3), 1); // a hand-edited setting
    EXPECT_EQ(NextTipIndex(0, 0), 0);  // nothing to show

    MemoryRegistry reg;
    TipList tips;
    for (const char* t : {"a", "b"}) {
        tips.tips.emplace_back(t);
        tips.references.emplace_back();
    }
    EXPECT_EQ(AdvanceTip(reg, tips), 1);
    EXPECT_EQ(GetLastTip(reg), 1);
    EXPECT_EQ(AdvanceTip(reg, tips), 2);
    EXPECT_EQ(AdvanceTip(reg, tips), 1);
    EXPECT_EQ(GetRegText(reg, SettingsPath(), "LastTip"), "1");
    // No tips at all leave the stored position alone.
    SetLastTip(reg, 7);
    EXPECT_EQ(AdvanceTip(reg, TipList{}), 0);
    EXPECT_EQ(GetLastTip(reg), 7);
}

TEST(Tips, ReferencesLeadToTheWebOrToTheLocalHelpPages) {
    EXPECT_EQ(TipTarget("", "/opt/vireo"), "");
    EXPECT_EQ(TipTarget("   ", "/opt/vireo"), "");
    EXPECT_EQ(TipTarget("Http://example.org/a b", "/opt/vireo"), "Http://example.org/a b");
    EXPECT_EQ(TipTarget("faq.html", "/opt/vireo"), "file:///opt/vireo/help/faq.html");
    // Written the Windows way, still the page in the help folder.
    EXPECT_EQ(TipTarget("guide\\start page.html", "/opt/vireo"),
              "file:///opt/vireo/help/guide/start%20page.html");
}

} // namespace
} // namespace vireo::test

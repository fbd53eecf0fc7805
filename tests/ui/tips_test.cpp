// SPDX-License-Identifier: GPL-3.0-or-later
// The tip of the day: a tips file edited by hand (comments, Windows line ends, an old
// editor's code page) must still show the right tips with the right help pages, the
// rotation must survive a shorter file, and a missing file must say what is missing.

#include <gtest/gtest.h>

#include "shell/options.h"
#include "shell/registry.h"
#include "test_support.h"
#include "ui/tips.h"

namespace vireo::test {
namespace {

using Lines = std::vector<std::string>;

TEST(Tips, EntriesAreReadInPairsWithCommentsSkippedWhole) {
    TempDir dir;
    std::string file = dir.file("tips.vro");
    WriteText(file, "\xEF\xBB\xBF' a comment\r\n"
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
    EXPECT_EQ(tips.tips, (Lines{"", "First tip", "Caf\xC3\xA9 tip from an old editor", "Third tip",
                                "Last tip without a reference line"}));
    EXPECT_EQ(tips.references, (Lines{"", "faq.html", "", "HTTPS://example.org/x", ""}));

    // A missing file, or a folder where the file should be, is one tip saying so.
    file = dir.file("help/tips.vro");
    for (auto [folder, why] : {std::pair{false, "File not found\n"}, {true, "Path/File access error\n"}}) {
        SCOPED_TRACE(why);
        if (folder)
            std::filesystem::create_directories(file);
        tips = ReadTips(file);
        EXPECT_EQ(tips.tips, (Lines{"", why + file}));
        EXPECT_EQ(tips.references, (Lines{"", ""}));
    }
}

TEST(Tips, RotationAdvancesWrapsAndRestartsAfterAShorterFile) {
    // Last shown, how many there are, next to show: the wrap, a shorter file replacing the
    // old one, a hand-edited setting, nothing to show.
    for (auto [last, count, next] :
         {std::tuple{0, 3, 1}, {1, 3, 2}, {2, 3, 3}, {3, 3, 1}, {40, 3, 1}, {-5, 3, 1}, {0, 0, 0}})
        EXPECT_EQ(NextTipIndex(last, count), next) << last << " of " << count;

    MemoryRegistry reg;
    TipList tips{{"", "a", "b"}, {"", "", ""}};
    EXPECT_EQ(AdvanceTip(reg, tips), 1);
    EXPECT_EQ(AdvanceTip(reg, tips), 2);
    EXPECT_EQ(AdvanceTip(reg, tips), 1);
    EXPECT_EQ(GetRegText(reg, SettingsPath(), "LastTip"), "1");
    // No tips at all leave the stored position alone.
    SetLastTip(reg, 7);
    EXPECT_EQ(AdvanceTip(reg, TipList{}), 0);
    EXPECT_EQ(GetLastTip(reg), 7);
}

TEST(Tips, ReferencesLeadToTheWebOrToTheLocalHelpPages) {
    // The last is written the Windows way, and still the page in the help folder.
    for (auto [reference, target] :
         {std::pair{"", ""},
          {"   ", ""},
          {"Http://example.org/a b", "Http://example.org/a b"},
          {"faq.html", "file:///opt/vireo/help/faq.html"},
          {"guide\\start page.html", "file:///opt/vireo/help/guide/start%20page.html"}})
        EXPECT_EQ(TipTarget(reference, "/opt/vireo"), target) << reference;
}

} // namespace
} // namespace vireo::test

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "shell/options.h"

namespace vireo {
namespace {

const std::string kBrowser = SettingsPath("\\browser");
const std::string kSearch = SettingsPath("\\search");

// The yes/no options are stored as the text "1" or "0"; only "1" switches one, so a
// missing or stray value reads as the default (ToolbarTop and ShowTips are stored
// inverted: "1" means no).
TEST(Options, YesNoOptionsAreStoredAsTextAndOnlyOneSwitchesThem) {
    struct Case {
        const char* name;
        void (*set)(Registry&, bool);
        bool (*get)(const Registry&);
        bool oneMeans;
    };
    for (const Case& c : {Case{"ToolbarTop", SetToolbarTop, GetToolbarTop, false},
                          Case{"ShowTips", SetShowTips, GetShowTips, false},
                          Case{"DisableSound", SetDisableSound, GetDisableSound, true}}) {
        SCOPED_TRACE(c.name);
        MemoryRegistry reg;
        EXPECT_EQ(c.get(reg), !c.oneMeans);
        c.set(reg, c.oneMeans);
        EXPECT_EQ(GetRegText(reg, SettingsPath(), c.name), "1");
        EXPECT_EQ(c.get(reg), c.oneMeans);
        c.set(reg, !c.oneMeans);
        EXPECT_EQ(GetRegText(reg, SettingsPath(), c.name), "0");
        for (const char* stray : {"0", "2", "-1"}) {
            SetRegValue(reg, SettingsPath(), c.name, stray);
            EXPECT_EQ(c.get(reg), !c.oneMeans) << stray;
        }
    }
}

TEST(Options, DefaultsRangesAndRepairs) {
    MemoryRegistry reg;
    EXPECT_TRUE(GetAskHome(reg));
    EXPECT_EQ(GetDaysToCheck(reg), 3);
    EXPECT_FALSE(reg.KeyExists(kHKeyCurrentUser, kSettingsKey)); // defaults are read, not written

    for (auto [stored, read] : {std::pair{"1", 3}, {"8", 3}, {"7", 7}, {"2", 2}, {"0", 3}, {"soon", 3}}) {
        SetRegValue(reg, kSearch, "DaysToCheck", stored);
        EXPECT_EQ(GetDaysToCheck(reg), read) << stored;
    }
    SetDaysToCheck(reg, 5);
    EXPECT_EQ(GetRegText(reg, kSearch, "DaysToCheck"), "5");

    // A stray AskHome is repaired to "ask" and written back; the "browser" key is found
    // whatever its spelling.
    SetRegValue(reg, kBrowser, "AskHome", "5");
    EXPECT_TRUE(GetAskHome(reg));
    EXPECT_EQ(GetRegText(reg, kBrowser, "AskHome"), "0");
    SetRegValue(reg, SettingsPath("\\Browser"), "AskHome", "1");
    EXPECT_FALSE(GetAskHome(reg));
}

TEST(Options, ButtonGroupsStoreTheCheckedIndex) {
    MemoryRegistry reg;
    const bool none[] = {false, false, false};
    const bool second[] = {false, true, false};
    const bool twoChecked[] = {true, false, true};
    EXPECT_EQ(CheckedButtonIndex(none), 0);
    EXPECT_EQ(CheckedButtonIndex(second), 1);
    EXPECT_EQ(CheckedButtonIndex(twoChecked), 2); // the last checked one wins

    SetDeleteBmks(reg, CheckedButtonIndex(second));
    EXPECT_EQ(GetRegText(reg, SettingsPath(), "DeleteBmks"), "1");
    EXPECT_TRUE(GetDeleteImmediately(reg));

    // An index no button has is never stored.
    SetTrash(reg, 1);
    SetTrash(reg, 7);
    EXPECT_EQ(GetTrash(reg), 0);
    SetDeleteBmks(reg, 2);
    EXPECT_EQ(GetDeleteBmks(reg), 0);
}

} // namespace
} // namespace vireo

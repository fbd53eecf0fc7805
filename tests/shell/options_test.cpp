// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "shell/options.h"

namespace vireo {
namespace {

const std::string kBrowser = SettingsPath("\\browser");
const std::string kSearch = SettingsPath("\\search");

TEST(Options, AFreshInstallationReadsItsDefaultsWithoutWritingThem) {
    MemoryRegistry reg;
    // The yes/no options are stored inverted, so a missing value must read as "yes".
    EXPECT_TRUE(GetToolbarTop(reg));
    EXPECT_TRUE(GetShowTips(reg));
    EXPECT_FALSE(GetDisableSound(reg));
    std::int32_t which = -1;
    std::string userDefined = "x";
    GetBrowserChoice(reg, which, userDefined);
    EXPECT_EQ(which, 0);
    EXPECT_EQ(userDefined, "");
    EXPECT_TRUE(GetAskHome(reg));
    EXPECT_EQ(GetDaysToCheck(reg), 3);
    EXPECT_FALSE(reg.KeyExists(kHKeyCurrentUser, kSettingsKey));
}

TEST(Options, YesNoOptionsAreStoredInvertedAsText) {
    MemoryRegistry reg;
    SetToolbarTop(reg, false);
    SetShowTips(reg, false);
    EXPECT_EQ(GetRegText(reg, SettingsPath(), "ToolbarTop"), "1");
    EXPECT_EQ(GetRegText(reg, SettingsPath(), "ShowTips"), "1");
    EXPECT_FALSE(GetToolbarTop(reg));
    EXPECT_FALSE(GetShowTips(reg));
    SetToolbarTop(reg, true);
    EXPECT_EQ(GetRegText(reg, SettingsPath(), "ToolbarTop"), "0");
    // Only 1 switches an option off.
    SetRegValue(reg, SettingsPath(), "ToolbarTop", "2");
    EXPECT_TRUE(GetToolbarTop(reg));
    SetRegValue(reg, SettingsPath(), "ShowTips", "-1");
    EXPECT_TRUE(GetShowTips(reg));
    // DisableSound is the other way round: only 1 switches sounds off.
    SetRegValue(reg, SettingsPath(), "DisableSound", "2");
    EXPECT_FALSE(GetDisableSound(reg));
    SetDisableSound(reg, true);
    EXPECT_EQ(GetRegText(reg, SettingsPath(), "DisableSound"), "1");
    EXPECT_TRUE(GetDisableSound(reg));
    // The "browser" key is found whatever its spelling.
    SetRegValue(reg, SettingsPath("\\Browser"), "AskHome", "1");
    EXPECT_FALSE(GetAskHome(reg));
}

TEST(Options, RangesAndRepairs) {
    MemoryRegistry reg;
    for (auto [stored, read] : {std::pair{"1", 3}, {"8", 3}, {"7", 7}, {"2", 2}, {"0", 3}, {"soon", 3}}) {
        SetRegValue(reg, kSearch, "DaysToCheck", stored);
        EXPECT_EQ(GetDaysToCheck(reg), read) << stored;
    }
    SetDaysToCheck(reg, 5);
    EXPECT_EQ(GetRegText(reg, kSearch, "DaysToCheck"), "5");

    // A stray AskHome is repaired to "ask" and written back.
    SetRegValue(reg, kBrowser, "AskHome", "5");
    EXPECT_TRUE(GetAskHome(reg));
    EXPECT_EQ(GetRegText(reg, kBrowser, "AskHome"), "0");
    SetAskHome(reg, 1);
    EXPECT_FALSE(GetAskHome(reg));
    EXPECT_EQ(GetRegText(reg, kBrowser, "AskHome"), "1");

    // Any number but 0 means: use the default connection without asking.
    SetConnectionAction(reg, 3);
    EXPECT_FALSE(GetConnectionAction(reg));
    SetConnectionAction(reg, 0);
    EXPECT_TRUE(GetConnectionAction(reg));
}

TEST(Options, ButtonGroupsStoreTheCheckedIndex) {
    MemoryRegistry reg;
    const bool none[] = {false, false, false};
    const bool second[] = {false, true, false};
    const bool twoChecked[] = {true, false, true};
    EXPECT_EQ(CheckedButtonIndex(none), 0);
    EXPECT_EQ(CheckedButtonIndex(second), 1);
    EXPECT_EQ(CheckedButtonIndex(twoChecked), 2); // the last checked one wins

    RegistryStoreOptions storeOptions(reg);
    SetDeleteBmks(reg, CheckedButtonIndex(second));
    EXPECT_EQ(GetRegText(reg, SettingsPath(), "DeleteBmks"), "1");
    EXPECT_TRUE(GetDeleteImmediately(reg));
    EXPECT_TRUE(storeOptions.DeleteBmksImmediately()); // the store sees the change at once
    SetDeleteBmks(reg, 0);
    EXPECT_FALSE(storeOptions.DeleteBmksImmediately());

    // An index no button has is never stored.
    SetTrash(reg, 1);
    SetTrash(reg, 7);
    EXPECT_EQ(GetTrash(reg), 0);
    SetDeleteBmks(reg, 2);
    EXPECT_EQ(GetDeleteBmks(reg), 0);
}

} // namespace
} // namespace vireo

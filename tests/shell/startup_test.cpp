// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "interchange/browser.h"
#include "shell/options.h"
#include "shell/startup.h"
#include "store/database.h"
#include "test_support.h"

namespace vireo {
namespace {

const std::string kLocation = SettingsPath("\\location");

TEST(Startup, DataFolderComesFromTheSettingsElseTheDocumentsFolder) {
    MemoryRegistry reg;
    reg.SetValue(kHKeyCurrentUser, kShellFoldersKey, "Personal", RegValue::Text("/home/ann/Documents"));
    EXPECT_EQ(PersonalFolder(reg), "/home/ann/Documents");
    EXPECT_EQ(DataDirectory(reg), "/home/ann/Documents/Vireo Data");
    SetRegValue(reg, SettingsPath("\\DB"), "path", "/srv/bookmarks");
    EXPECT_EQ(DataDirectory(reg), "/srv/bookmarks");

    // Without any Personal folder the documents folder of the desktop is used.
    MemoryRegistry bare;
    EXPECT_FALSE(PersonalFolder(bare).empty());
    EXPECT_EQ(DataDirectory(bare), PersonalFolder(bare) + "/Vireo Data");
}

TEST(Startup, WindowPositionKeepsTheWindowOnTheScreen) {
    MemoryRegistry reg;
    // A fresh start: 10 % margins, 80 % of the screen, rounded to whole pixels.
    WindowPosition defaults{76, 136, 1093, 614};
    EXPECT_EQ(DefaultWindowPosition(1366, 767), defaults);
    EXPECT_EQ(ReadWindowPosition(reg, 1366, 767), defaults);

    WindowPosition kept{0, 1366, 600, 767}; // touching the edges is still on screen
    SaveWindowPosition(reg, kept);
    EXPECT_EQ(GetRegText(reg, kLocation, "width"), "600");
    EXPECT_EQ(ReadWindowPosition(reg, 1366, 767), kept);

    // One bad value resets all four.
    for (auto [name, value] : {std::pair{"left", "-1"}, {"width", "0"}, {"top", "768"}, {"height", "2000"}}) {
        SaveWindowPosition(reg, kept);
        SetRegValue(reg, kLocation, name, value);
        EXPECT_EQ(ReadWindowPosition(reg, 1366, 767), defaults) << name << "=" << value;
    }
}

TEST(Startup, FirstRunOfferNamesTheBrowsersFound) {
    test::TempDir dir;
    std::ofstream(dir.file("iexplore.exe")) << "x";
    std::ofstream(dir.file("netscape.exe")) << "x";
    MemoryRegistry reg;
    EXPECT_TRUE(PrepareFirstRunImport(reg, dir.str()).question.empty());

    SetRegValue(reg, std::string(kAppPathsKey) + "netscape.exe", "", dir.file("netscape.exe"),
                kHKeyLocalMachine);
    FirstRunImportOffer one = PrepareFirstRunImport(reg, dir.str());
    EXPECT_TRUE(one.netscape);
    EXPECT_FALSE(one.explorer);
    EXPECT_EQ(one.title, "Vireo!");
    EXPECT_EQ(one.question,
              "Vireo! has determined that you have Netscape Navigator installed.  Would you like to "
              "import the bookmarks from this browser into Vireo!?");

    SetRegValue(reg, std::string(kAppPathsKey) + "iexplore.exe", "", dir.file("iexplore.exe"),
                kHKeyLocalMachine);
    FirstRunImportOffer both = PrepareFirstRunImport(reg, dir.str());
    EXPECT_TRUE(both.netscape && both.explorer);
    EXPECT_EQ(both.question,
              "Vireo! has determined that you have both Microsoft Internet Explorer and Netscape "
              "Navigator installed.  Would you like to import the bookmarks from these browsers "
              "into Vireo!?");
}

TEST(Startup, FirstRunOfferOnLinuxNamesTheBrowserProfilesFound) {
    test::TempDir home;
    MemoryRegistry reg;
    EXPECT_TRUE(PrepareFirstRunImport(reg, home.str()).question.empty());

    std::filesystem::create_directories(home.file(".config/chromium/Default"));
    std::ofstream(home.file(".config/chromium/Default/Bookmarks")) << R"({"roots":{}, "version":1})";
    FirstRunImportOffer one = PrepareFirstRunImport(reg, home.str());
    EXPECT_TRUE(one.firefox.empty());
    EXPECT_EQ(one.chromium, home.file(".config/chromium/Default/Bookmarks"));
    EXPECT_EQ(one.question, "Vireo! has determined that you have Chromium installed.  Would you like to "
                            "import the bookmarks from this browser into Vireo!?");

    std::filesystem::create_directories(home.file(".mozilla/firefox/abcd.default-release"));
    std::ofstream(home.file(".mozilla/firefox/abcd.default-release/places.sqlite")) << "";
    std::ofstream(home.file(".mozilla/firefox/profiles.ini"))
        << "[Profile0]\nName=default-release\nIsRelative=1\nPath=abcd.default-release\nDefault=1\n";
    FirstRunImportOffer both = PrepareFirstRunImport(reg, home.str());
    EXPECT_EQ(both.firefox, home.file(".mozilla/firefox/abcd.default-release/places.sqlite"));
    EXPECT_EQ(both.question, "Vireo! has determined that you have both Firefox and Chromium installed.  "
                             "Would you like to import the bookmarks from these browsers into Vireo!?");

    // A browser the settings name is what the first run offers; the profiles are not asked.
    std::ofstream(home.file("netscape.exe")) << "x";
    SetRegValue(reg, std::string(kAppPathsKey) + "netscape.exe", "", home.file("netscape.exe"),
                kHKeyLocalMachine);
    FirstRunImportOffer registered = PrepareFirstRunImport(reg, home.str());
    EXPECT_TRUE(registered.netscape);
    EXPECT_TRUE(registered.firefox.empty() && registered.chromium.empty());
}

struct SaveDataFixture : ::testing::Test {
    test::TempDir dir;
    test::RecordingSounds sounds;
    test::CountingBusy busy;
    MemoryRegistry reg;
    Database db;
    std::vector<std::string> summary;
    int trashQuestions = 0;
    int homePages = 0;
    SaveDataHooks hooks;

    void SetUp() override {
        db.SetServices({nullptr, &sounds, &busy, nullptr, nullptr});
        std::string error;
        ASSERT_TRUE(db.Open(dir.str(), &error)) << error;
        hooks.askEmptyTrash = [this] { ++trashQuestions; };
        hooks.showSummary = [this](std::string_view rtf) { summary.emplace_back(rtf); };
        hooks.buildHomePage = [this](std::string*) {
            ++homePages;
            return true;
        };
    }
    void AddToTrash(int count, std::size_t descriptionChars) {
        for (int i = 0; i < count; ++i) {
            std::string desc(descriptionChars, static_cast<char>('a' + i % 26));
            db.Marks(kTrashFolder)
                .Add(db.NewMark("old " + std::to_string(i), "https://old.example/", kTrashFolder, desc, 32));
        }
        ASSERT_TRUE(db.Save());
    }
};

TEST_F(SaveDataFixture, SavesRecordsPositionAndDataFolder) {
    db.Marks(kUnsortedFolder).Add(db.NewMark("kept", "https://kept.example/", kUnsortedFolder, "", 32));
    hooks.windowPosition = WindowPosition{10, 20, 300, 400};
    std::string error;
    ASSERT_TRUE(SaveData(db, reg, hooks, &error)) << error;
    EXPECT_EQ(GetRegText(reg, kLocation, "left"), "20");
    EXPECT_EQ(GetRegText(reg, kLocation, "height"), "400");
    EXPECT_EQ(DataDirectory(reg), db.DBPath());
    EXPECT_EQ(homePages, 1);
    EXPECT_TRUE(summary.empty()); // nothing to compact

    db.Close();
    ASSERT_TRUE(db.Open(dir.str(), &error)) << error;
    EXPECT_FALSE(db.IsFirstRun());
    EXPECT_EQ(db.Marks(kUnsortedFolder).Count(), 1);
}

TEST_F(SaveDataFixture, TrashOptionDecidesWhatHappensToTheTrash) {
    // An empty trash is left alone, whatever the option says.
    SetTrash(reg, 1);
    ASSERT_TRUE(SaveData(db, reg, hooks));
    EXPECT_TRUE(sounds.played.empty());

    AddToTrash(3, 10);
    SetTrash(reg, 0);
    ASSERT_TRUE(SaveData(db, reg, hooks));
    EXPECT_EQ(db.Marks(kTrashFolder).Count(), 3);
    SetTrash(reg, 2);
    ASSERT_TRUE(SaveData(db, reg, hooks));
    EXPECT_EQ(trashQuestions, 1);
    EXPECT_EQ(db.Marks(kTrashFolder).Count(), 3);
    SetTrash(reg, 1);
    ASSERT_TRUE(SaveData(db, reg, hooks));
    EXPECT_EQ(db.Marks(kTrashFolder).Count(), 0);
    EXPECT_EQ(sounds.played, std::vector<int>{kSoundEmptyFolder});
}

TEST_F(SaveDataFixture, CompactsOnlyAboveTheDeadSpaceLimit) {
    AddToTrash(150, 1500);
    SetTrash(reg, 1);
    ASSERT_TRUE(SaveData(db, reg, hooks));
    EXPECT_EQ(summary, (std::vector<std::string>{std::string(kCompactingText), std::string(kCompactedText)}));
    EXPECT_EQ(db.Memo().DeadSpace(), 0);

    summary.clear();
    AddToTrash(10, 1500);
    ASSERT_TRUE(SaveData(db, reg, hooks)); // 15000 dead bytes are left where they are
    EXPECT_TRUE(summary.empty());
    EXPECT_GT(db.Memo().DeadSpace(), 0);
}

TEST_F(SaveDataFixture, NothingIsSavedAfterAPurge) {
    std::string error;
    ASSERT_TRUE(db.Purge(&error)) << error;
    hooks.windowPosition = WindowPosition{1, 2, 3, 4};
    EXPECT_TRUE(SaveData(db, reg, hooks));
    EXPECT_EQ(homePages, 0);
    EXPECT_FALSE(reg.KeyExists(kHKeyCurrentUser, kLocation));
    EXPECT_FALSE(std::filesystem::exists(dir.file("FOLDERS")));
}

} // namespace
} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <tuple>

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
    EXPECT_EQ(DataDirectory(reg), "/home/ann/Documents/Vireo Data");
    SetRegValue(reg, SettingsPath("\\DB"), "path", "/srv/bookmarks");
    EXPECT_EQ(DataDirectory(reg), "/srv/bookmarks");
}

TEST(Startup, WindowPositionKeepsTheWindowOnTheScreen) {
    MemoryRegistry reg;
    // A fresh start: 10 % margins, 80 % of the screen, rounded to whole pixels.
    WindowPosition defaults{76, 136, 1093, 614};
    EXPECT_EQ(ReadWindowPosition(reg, 1366, 767), defaults);

    WindowPosition kept{0, 1366, 600, 767}; // touching the edges is still on screen
    SaveWindowPosition(reg, kept);
    EXPECT_EQ(ReadWindowPosition(reg, 1366, 767), kept);

    // One bad value resets all four.
    for (auto [name, value] : {std::pair{"left", "-1"}, {"width", "0"}, {"top", "768"}, {"height", "2000"}}) {
        SaveWindowPosition(reg, kept);
        SetRegValue(reg, kLocation, name, value);
        EXPECT_EQ(ReadWindowPosition(reg, 1366, 767), defaults) << name << "=" << value;
    }
}

// The one-browser question is asked in the main window's tests; here the wording
// for more browsers, and the profiles it lists.
TEST(Startup, FirstRunOfferNamesTheBrowsersFound) {
    namespace fs = std::filesystem;
    test::TempDir home;
    MemoryRegistry reg;
    test::WriteText(home.file(".mozilla/firefox/profiles.ini"),
                    "[Profile0]\nName=default-release\nIsRelative=1\nPath=abcd."
                    "default-release\nDefault=1\n");
    // Newest first: the profile changed last leads; each browser is named once,
    // every profile is listed.
    const auto now = fs::file_time_type::clock::now();
    int hoursOld = 0;
    for (const char* file :
         {".mozilla/firefox/abcd.default-release/places.sqlite", ".config/chromium/Default/Bookmarks",
          ".config/falkon/profiles/default/bookmarks.json", ".config/falkon/profiles/work/bookmarks.json"}) {
        test::WriteText(home.file(file), "{}");
        fs::last_write_time(home.file(file), now - std::chrono::hours(hoursOld++));
    }
    EXPECT_EQ(PrepareFirstRunImport(reg, home.str()).question,
              "Vireo! has determined that you have Firefox, Chromium and Falkon "
              "installed.  Would you like to "
              "import the bookmarks from these browsers into Vireo!?\n\nThe "
              "profiles found, newest first:\n"
              "    Firefox: default-release\n    Chromium: Default\n    Falkon: "
              "default\n    Falkon: work");
}

// One closing save after another on the same data: the trash option, compaction
// above the dead-space limit, the records and the home page, and nothing at all
// after a purge. The window position and the data folder saved on closing are
// checked in the main window's tests.
TEST(Startup, ClosingSavesFollowTheTrashOptionAndTheDeadSpaceLimit) {
    test::TempDir dir;
    test::RecordingSounds sounds;
    MemoryRegistry reg;
    Database db;
    db.SetServices({nullptr, &sounds, nullptr, nullptr, nullptr});
    std::string error;
    ASSERT_TRUE(db.Open(dir.str(), &error)) << error;
    std::vector<std::string> summary;
    int trashQuestions = 0;
    int homePages = 0;
    SaveDataHooks hooks;
    hooks.askEmptyTrash = [&] { ++trashQuestions; };
    hooks.showSummary = [&](std::string_view rtf) { summary.emplace_back(rtf); };
    hooks.buildHomePage = [&](std::string*) {
        ++homePages;
        return true;
    };
    auto addToTrash = [&](int count, std::size_t descriptionChars) {
        for (int i = 0; i < count; ++i) {
            std::string desc(descriptionChars, static_cast<char>('a' + i % 26));
            db.Marks(kTrashFolder)
                .Add(db.NewMark("old " + std::to_string(i), "https://old.example/", kTrashFolder, desc, 32));
        }
        ASSERT_TRUE(db.Save());
    };

    db.Marks(kUnsortedFolder).Add(db.NewMark("kept", "https://kept.example/", kUnsortedFolder, "", 32));
    SetTrash(reg, 1); // an empty trash is left alone, whatever the option says
    ASSERT_TRUE(SaveData(db, reg, hooks, &error)) << error;
    EXPECT_EQ(homePages, 1);
    db.Close();
    ASSERT_TRUE(db.Open(dir.str(), &error)) << error;
    EXPECT_FALSE(db.IsFirstRun());
    EXPECT_EQ(db.Marks(kUnsortedFolder).Count(), 1);

    addToTrash(3, 10);
    for (auto [option, questions, left] : {std::tuple{0, 0, 3}, {2, 1, 3}, {1, 1, 0}}) {
        SetTrash(reg, option);
        ASSERT_TRUE(SaveData(db, reg, hooks));
        EXPECT_EQ(trashQuestions, questions) << option;
        EXPECT_EQ(db.Marks(kTrashFolder).Count(), left) << option;
    }
    EXPECT_EQ(sounds.played, std::vector<SoundEvent>{SoundEvent::EmptyFolder});

    // Nothing was compacted before: the summary shows this compaction alone.
    addToTrash(150, 1500);
    ASSERT_TRUE(SaveData(db, reg, hooks));
    EXPECT_EQ(summary, (std::vector<std::string>{std::string(kCompactingText), std::string(kCompactedText)}));
    EXPECT_EQ(db.Memo().DeadSpace(), 0);
    summary.clear();
    addToTrash(10, 1500);
    ASSERT_TRUE(SaveData(db, reg, hooks)); // 15000 dead bytes are left where they are
    EXPECT_TRUE(summary.empty());
    EXPECT_GT(db.Memo().DeadSpace(), 0);

    ASSERT_TRUE(db.Purge(&error)) << error;
    homePages = 0;
    hooks.windowPosition = WindowPosition{1, 2, 3, 4};
    EXPECT_TRUE(SaveData(db, reg, hooks));
    EXPECT_EQ(homePages, 0);
    EXPECT_FALSE(reg.KeyExists(kHKeyCurrentUser, kLocation));
    EXPECT_FALSE(std::filesystem::exists(dir.file("FOLDERS")));
}

} // namespace
} // namespace vireo

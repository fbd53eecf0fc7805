// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "interchange/browser.h"
#include "shell/program.h"
#include "shell/startup.h"
#include "test_support.h"

namespace vireo {
namespace {

class RecordingOutput : public SoundOutput {
public:
    void PlayFile(const std::string& path) override { played.push_back(path); }
    std::vector<std::string> played;
};

TEST(Program, StartsOnTheConfiguredDataWithSoundsAndOptionsWired) {
    test::TempDir dir;
    MemoryRegistry reg;
    RecordingOutput out;
    SetRegValue(reg, SettingsPath("\\DB"), "path", dir.file("data"));

    Program program(reg, out, "/opt/vireo");
    std::string error;
    ASSERT_TRUE(program.OpenData(true, &error)) << error;
    EXPECT_EQ(program.Db().DBPath(), dir.file("data"));
    EXPECT_EQ(out.played, std::vector<std::string>{"/opt/vireo/Sound/vireo.wav"});
    EXPECT_FALSE(program.tempDir.empty());

    // The store's sounds and options are the program's.
    Database& db = program.Db();
    db.Marks(kUnsortedFolder).Add(db.NewMark("t", "https://t.example/", kUnsortedFolder, "", 32));
    SetDeleteBmks(reg, 1);
    EXPECT_TRUE(db.Services().options->DeleteBmksImmediately());
    db.EmptyFolder(kUnsortedFolder, true);
    EXPECT_EQ(out.played.back(), "/opt/vireo/Sound/empty.wav");
    EXPECT_EQ(db.Marks(kUnsortedFolder).Count(), 0);

    // No browser anywhere: the user has to pick one.
    EXPECT_FALSE(program.FindBrowser());
    SaveBrowser(reg, kBrowserOther, dir.file("data/FOLDERS")); // any existing file will do
    EXPECT_TRUE(program.FindBrowser());
    EXPECT_EQ(program.CurrentBrowserPath, dir.file("data/FOLDERS"));
}

} // namespace
} // namespace vireo

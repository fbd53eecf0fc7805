// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "shell/options.h"
#include "shell/program.h"
#include "test_support.h"

namespace vireo {
namespace {

class RecordingOutput : public SoundOutput {
public:
    void PlayFile(const std::string& path) override { played.push_back(path); }
    std::vector<std::string> played;
};

// The store's sounds reaching the output and the browser found are the main and options
// windows' tests.
TEST(Program, StartsOnTheConfiguredDataWithItsSoundAndTheOptionsAsTheyAreNow) {
    test::TempDir dir;
    MemoryRegistry reg;
    RecordingOutput out;
    SetRegValue(reg, SettingsPath("\\DB"), "path", dir.file("data"));

    Program program(reg, out, "/opt/vireo");
    std::string error;
    ASSERT_TRUE(program.OpenData(true, &error)) << error;
    EXPECT_EQ(program.Db().DBPath(), dir.file("data"));
    EXPECT_EQ(out.played, std::vector<std::string>{"/opt/vireo/Sound/vireo.wav"});

    SetDeleteBmks(reg, 1);
    EXPECT_TRUE(program.Db().Services().options->DeleteBmksImmediately());
}

} // namespace
} // namespace vireo

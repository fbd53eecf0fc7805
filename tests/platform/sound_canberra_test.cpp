// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "platform/sound_canberra.h"

namespace vireo {
namespace {

// Whether or not a sound system is there (on a build machine there is none, and no sound
// card either), playing returns at once, a missing file is no error, nothing is printed on
// the terminal (the capture takes over fd 2, so a library's own lines count too), and the
// player shuts down cleanly.
TEST(CanberraSound, PlayingNeverFailsLoudly) {
    testing::internal::CaptureStderr();
    for (int round = 0; round < 2; ++round) {
        CanberraSoundOutput output;
        output.PlayFile(std::string(VIREO_SOURCE_DIR) + "/resources/Sound/drop.wav");
        output.PlayFile("/nonexistent/sound.wav");
        output.PlayFile("");
        for (int i = 0; i < 20; ++i)
            output.PlayFile(std::string(VIREO_SOURCE_DIR) + "/resources/Sound/vireo.wav");
        if (round == 0)
            output.WaitUntilIdle(); // the second round ends while sounds are still queued
    }
    std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(printed, ""); // ALSA's complaints above all
}

} // namespace
} // namespace vireo

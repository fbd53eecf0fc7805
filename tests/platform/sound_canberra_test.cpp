// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "platform/sound_canberra.h"
#include "test_support.h"

namespace vireo {
namespace {

// Everything written to the process's stderr (fd 2) while alive, by us or by any library.
class CapturedStderr {
public:
    explicit CapturedStderr(const std::string& file) : m_file(file) {
        std::fflush(stderr);
        m_saved = ::dup(2);
        int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 2);
        ::close(fd);
    }
    std::string Stop() {
        std::fflush(stderr);
        ::dup2(m_saved, 2);
        ::close(m_saved);
        std::string text;
        if (std::FILE* f = std::fopen(m_file.c_str(), "rb")) {
            char buf[4096];
            while (std::size_t n = std::fread(buf, 1, sizeof buf, f))
                text.append(buf, n);
            std::fclose(f);
        }
        return text;
    }

private:
    std::string m_file;
    int m_saved = -1;
};

// Whether or not a sound system is there (on a build machine there is none, and no sound
// card either), playing returns at once, a missing file is no error, nothing is printed on
// the terminal, and the player shuts down cleanly.
TEST(CanberraSound, PlayingNeverFailsLoudly) {
    test::TempDir dir;
    CapturedStderr captured(dir.file("stderr.txt"));
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
    std::string printed = captured.Stop();
    EXPECT_EQ(printed.find("ALSA"), std::string::npos) << printed;
    EXPECT_EQ(printed, "");
}

} // namespace
} // namespace vireo

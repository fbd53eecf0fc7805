// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstring>

#include "shell/options.h"
#include "test_support.h"
#include "ui/event_sounds.h"

namespace vireo {
namespace {

class RecordingOutput : public SoundOutput {
public:
    void PlayFile(const std::string& path) override { played.push_back(path); }
    std::vector<std::string> played;
};

const std::string kFolder = "/opt/vireo/share/vireo";

TEST(EventSounds, RegistrationFillsOnlyMissingEntriesAndPlaysWhatTheSchemeNames) {
    MemoryRegistry reg;
    RecordingOutput out;
    EventSounds sounds(reg, out, kFolder);
    sounds.RegisterSounds();
    EXPECT_EQ(GetRegText(reg, "AppEvents\\Schemes\\Apps\\Vireo!\\DropBookmark\\.Current", ""),
              kFolder + "/Sound/drop.wav");
    EXPECT_EQ(GetRegText(reg, "AppEvents\\Schemes\\Apps\\Vireo!\\Startup\\.Current", ""),
              kFolder + "/Sound/vireo.wav");
    EXPECT_EQ(reg.SubKeys(kHKeyCurrentUser, kSoundSchemeKey).size(), 7u);

    // The user's own file survives a restart; a deleted entry gets the shipped file back.
    SetRegValue(reg, SoundEventKey(SoundEvent::Import), "", "/home/ann/tada.wav");
    reg.DeleteValue(kHKeyCurrentUser, SoundEventKey(SoundEvent::EmptyFolder), "");
    EventSounds(reg, out, "/elsewhere").RegisterSounds();
    EXPECT_EQ(GetRegText(reg, SoundEventKey(SoundEvent::Import), ""), "/home/ann/tada.wav");
    EXPECT_EQ(GetRegText(reg, SoundEventKey(SoundEvent::EmptyFolder), ""), "/elsewhere/Sound/empty.wav");

    sounds.PlaySound(SoundEvent::Startup);
    sounds.PlayEventSound(SoundEvent::Import);
    EXPECT_EQ(out.played, (std::vector<std::string>{kFolder + "/Sound/vireo.wav", "/home/ann/tada.wav"}));

    // Switched off: nothing is played.
    SetDisableSound(reg, true);
    sounds.PlaySound(SoundEvent::DropBookmark);
    EXPECT_EQ(out.played.size(), 2u);

    // Any value other than 1 means on.
    SetRegValue(reg, SettingsPath(), "DisableSound", "0");
    sounds.PlaySound(SoundEvent::DropBookmark);
    EXPECT_EQ(out.played.back(), kFolder + "/Sound/drop.wav");
}

// The shipped files are short mono PCM waves that any player handles.
TEST(EventSounds, ShippedFilesArePlayableWaves) {
    for (const auto& entry : kSoundTable) {
        std::string path = std::string(VIREO_SOURCE_DIR) + "/resources/Sound/" + std::string(entry.fileName);
        std::string bytes = test::ReadText(path);
        ASSERT_GT(bytes.size(), 44u) << path;
        EXPECT_EQ(bytes.substr(0, 4), "RIFF");
        EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
        // PCM (1), mono (1), 16 bits.
        EXPECT_EQ(bytes.substr(20, 4), std::string("\1\0\1\0", 4)) << path;
        EXPECT_EQ(bytes.substr(34, 2), std::string("\x10\0", 2)) << path;
        std::uint32_t rate;
        std::memcpy(&rate, bytes.data() + 24, 4);
        double seconds = static_cast<double>(bytes.size() - 44) / (rate * 2.0);
        EXPECT_GT(seconds, 0.1) << path;
        EXPECT_LT(seconds, 1.0) << path;
    }
}

} // namespace
} // namespace vireo

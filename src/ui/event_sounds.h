// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The seven event sounds. They are registered as the program's sound scheme in the
// settings, one key per event whose default value names the wave file to play, so the
// user can pick other files; the program plays whatever the scheme names at that moment.

#include <array>
#include <string>
#include <string_view>

#include "shell/registry.h"
#include "store/store_services.h"

namespace vireo {

// Plays a wave file without waiting for it; the platform's audio output.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    // Returns at once; a file that cannot be played, or no sound system at all, is
    // silently ignored. An empty path plays nothing.
    virtual void PlayFile(const std::string& path) = 0;
};

inline constexpr std::string_view kSoundSchemeKey = "AppEvents\\Schemes\\Apps\\Vireo!";

struct SoundTableEntry {
    std::string_view eventName; // the event's key in the scheme
    std::string_view fileName;  // the file shipped in the program folder's Sound/
};

// Events 1 to 7 at indexes 0 to 6 (SoundIndex).
inline constexpr std::array<SoundTableEntry, 7> kSoundTable = {{
    {"DropBookmark", "drop.wav"},
    {"RejectBookmark", "reject.wav"},
    {"SearchStart", "start.wav"},
    {"SearchComplete", "complete.wav"},
    {"EmptyFolder", "empty.wav"},
    {"Import", "import.wav"},
    {"Startup", "vireo.wav"},
}};

// The place of an event in kSoundTable.
constexpr std::size_t SoundIndex(SoundEvent event) {
    return static_cast<std::size_t>(event) - 1;
}

// The key whose default value names an event's file ("" for an event outside 1..7).
std::string SoundEventKey(SoundEvent event);

class EventSounds : public EventSoundPlayer {
public:
    // `programFolder` holds the shipped Sound/ folder.
    EventSounds(Registry& reg, SoundOutput& output, std::string programFolder);

    // Gives every event without a file the shipped one; a file the user chose is kept.
    void RegisterSounds();
    // Plays the event's file unless sounds are switched off.
    void PlaySound(SoundEvent event);
    void PlayEventSound(SoundEvent event) override { PlaySound(event); }

    // The shipped file of an event.
    std::string DefaultSoundFile(SoundEvent event) const;
    // The output itself, for trying a file out before it becomes an event's sound.
    SoundOutput& Output() { return m_output; }

private:
    Registry& m_reg;
    SoundOutput& m_output;
    std::string m_programFolder;
};

} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/event_sounds.h"

#include "shell/options.h"

namespace vireo {

namespace {

// A number read from outside may name no event.
bool IsEvent(SoundEvent event) {
    return static_cast<int>(event) >= 1 && SoundIndex(event) < kSoundTable.size();
}

} // namespace

std::string SoundEventKey(SoundEvent event) {
    if (!IsEvent(event))
        return {};
    return std::string(kSoundSchemeKey) + "\\" + std::string(kSoundTable[SoundIndex(event)].eventName) +
           "\\.Current";
}

EventSounds::EventSounds(Registry& reg, SoundOutput& output, std::string programFolder)
    : m_reg(reg), m_output(output), m_programFolder(std::move(programFolder)) {}

std::string EventSounds::DefaultSoundFile(SoundEvent event) const {
    if (!IsEvent(event))
        return {};
    return m_programFolder + "/Sound/" + std::string(kSoundTable[SoundIndex(event)].fileName);
}

void EventSounds::RegisterSounds() {
    for (SoundEvent event : kSoundEvents) {
        std::string key = SoundEventKey(event);
        if (GetRegText(m_reg, key, "").empty())
            SetRegValue(m_reg, key, "", DefaultSoundFile(event));
    }
}

void EventSounds::PlaySound(SoundEvent event) {
    if (!IsEvent(event) || GetDisableSound(m_reg))
        return;
    m_output.PlayFile(GetRegText(m_reg, SoundEventKey(event), ""));
}

} // namespace vireo

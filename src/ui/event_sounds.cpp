// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/event_sounds.h"

#include "shell/options.h"

namespace vireo {

namespace {

bool IsEvent(int event) {
    return event >= 1 && event <= static_cast<int>(kSoundTable.size());
}

} // namespace

std::string SoundEventKey(int event) {
    if (!IsEvent(event))
        return {};
    return std::string(kSoundSchemeKey) + "\\" + std::string(kSoundTable[event - 1].eventName) + "\\.Current";
}

EventSounds::EventSounds(Registry& reg, SoundOutput& output, std::string programFolder)
    : m_reg(reg), m_output(output), m_programFolder(std::move(programFolder)) {}

std::string EventSounds::DefaultSoundFile(int event) const {
    if (!IsEvent(event))
        return {};
    return m_programFolder + "/Sound/" + std::string(kSoundTable[event - 1].fileName);
}

void EventSounds::RegisterSounds() {
    for (int event = 1; event <= static_cast<int>(kSoundTable.size()); ++event) {
        std::string key = SoundEventKey(event);
        if (GetRegText(m_reg, key, "").empty())
            SetRegValue(m_reg, key, "", DefaultSoundFile(event));
    }
}

void EventSounds::PlaySound(int event) {
    if (!IsEvent(event) || GetDisableSound(m_reg))
        return;
    m_output.PlayFile(GetRegText(m_reg, SoundEventKey(event), ""));
}

} // namespace vireo

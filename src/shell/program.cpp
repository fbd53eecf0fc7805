// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/program.h"

#include "interchange/browser.h"
#include "shell/startup.h"

namespace vireo {

Program::Program(Registry& settings, SoundOutput& soundOutput, std::string programFolder)
    : m_settings(settings), m_options(settings), m_sounds(settings, soundOutput, std::move(programFolder)) {
    StoreServices services;
    services.sounds = &m_sounds;
    services.options = &m_options;
    m_db.SetServices(services);
}

bool Program::OpenData(bool playStartupSound, std::string* error, bool* busy) {
    m_sounds.RegisterSounds();
    if (playStartupSound)
        m_sounds.PlaySound(SoundEvent::Startup);
    tempDir = TemporaryDirectory();
    return m_db.Open(DataDirectory(m_settings), error, busy);
}

bool Program::FindBrowser() {
    return GetBrowser(m_settings, CurrentBrowserPath);
}

} // namespace vireo

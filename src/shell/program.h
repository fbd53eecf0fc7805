// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The program-wide values, created once at start-up and passed by reference to whatever
// needs them: the settings, the database, the event sounds, the browser in use, the
// temporary folder and the state of web search. The application and vireo-cli assemble
// one over the platform's settings store and sound output, which they own.

#include <string>

#include "search/search_state.h"
#include "shell/options.h"
#include "shell/registry.h"
#include "store/database.h"
#include "ui/event_sounds.h"

namespace vireo {

class Program {
public:
    // `programFolder` holds the shipped Sound/ folder.
    Program(Registry& settings, SoundOutput& soundOutput, std::string programFolder);
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    Registry& Settings() { return m_settings; }
    Database& Db() { return m_db; }
    EventSounds& Sounds() { return m_sounds; }
    const StoreOptions& Options() const { return m_options; }

    // The browser executable in use (filled by FindBrowser, refreshed by OpenInBrowser).
    std::string CurrentBrowserPath;
    // The folder for temporary files.
    std::string tempDir;
    // The searching and close-request flags and the search group table.
    SearchState Search;

    // The start-up steps before any window: the sound scheme (and, when asked, the
    // start-up sound), the temporary folder, the data folder from the settings and the
    // database in it. `busy` tells that another running copy holds the data folder.
    bool OpenData(bool playStartupSound, std::string* error, bool* busy = nullptr);
    // Finds the browser to use; false when the user has to pick one in the options.
    bool FindBrowser();

private:
    Registry& m_settings;
    RegistryStoreOptions m_options;
    EventSounds m_sounds;
    Database m_db;
};

} // namespace vireo

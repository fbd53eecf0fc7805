// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What every window of the program reaches: the program-wide objects (database, settings,
// sounds, browser) and the facades through which it talks to the user and the desktop.
// Assembled once by the start routine (or by a test) and passed by reference.

#include "shell/program.h"

namespace vireo {

class Dialogs;
class DocumentOpener;
class ProcessLauncher;
class SearchLibrary;
namespace sync {
class PasswordStore;
}

struct AppContext {
    AppContext(Program& p, Dialogs& d, DocumentOpener& o, ProcessLauncher& l)
        : program(p), db(p.Db()), reg(p.Settings()), sounds(p.Sounds()), dialogs(d), documents(o),
          launcher(l) {}

    Program& program;
    Database& db;
    Registry& reg;
    EventSoundPlayer& sounds;
    Dialogs& dialogs;
    DocumentOpener& documents;
    ProcessLauncher& launcher;
    // The web search library; without one the main window has no web search.
    SearchLibrary* searchLibrary = nullptr;
    // Where sync passwords are kept; the desktop's secret store when none is set.
    sync::PasswordStore* passwords = nullptr;
};

} // namespace vireo

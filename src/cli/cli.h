// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// vireo-cli: a thin command line over the core. Each module contributes a table of
// commands; main() only parses the common options and dispatches.

#include <iosfwd>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vireo {
class Database;
class HiveRegistry;
} // namespace vireo

namespace vireo::cli {

struct Context {
    std::string dataDir;           // from --data, else the configured data folder
    std::vector<std::string> args; // the command's own arguments
    std::ostream& out;
    std::ostream& err;
    bool progress = false; // stderr is a terminal: show progress of long work
};

struct Command {
    const char* name;
    const char* usage;   // arguments, for the help text
    const char* summary; // one line
    int (*run)(Context&);
};

std::span<const Command> StoreCommands();
std::span<const Command> SettingsCommands();
std::span<const Command> InterchangeCommands();
std::span<const Command> SearchCommands();
std::span<const Command> EngineCommands();
std::span<const Command> SyncCommands();

// The user's settings; a settings file that had to be kept aside is told about on `err`.
std::unique_ptr<HiveRegistry> OpenSettings(std::ostream& err);
// The data folder used when --data is not given.
std::string DefaultDataDirectory();

// Opens the database for a command, printing a one-line reason on failure.
bool OpenDatabase(Context& ctx, Database& db);
// Said when a running Vireo holds the data folder.
inline constexpr const char* kCloseVireoHint = " Close Vireo, then run the command again.";
// Saves a changed database as the program does when it closes; prints the reason on failure.
bool SaveAsOnExit(Context& ctx, Database& db);
// Parses a folder number argument; prints the reason and returns 0 when it is not a folder.
std::int16_t FolderArgument(Context& ctx, const Database& db, const std::string& text);

// Prints "vireo-cli: " and the reason on `err`; returns `status`.
int Fail(Context& ctx, const std::string& reason, int status = 2);
// One cell of tab-separated output: tabs and line breaks would split it.
std::string Cell(std::string_view s);
// Removes "--name VALUE" or "--name=VALUE" from the arguments; true when it was there.
bool TakeOption(std::vector<std::string>& args, const std::string& name, std::string& value);
// Removes "--name"; true when it was there.
bool TakeFlag(std::vector<std::string>& args, const std::string& name);
// The whole text as a decimal number.
bool Number(const std::string& text, int& value);

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitProblem = 1; // the command ran and found problems (check)
inline constexpr int kExitFailed = 2;  // the command could not run
inline constexpr int kExitUsage = 64;

} // namespace vireo::cli

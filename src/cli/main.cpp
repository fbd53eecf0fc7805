// SPDX-License-Identifier: GPL-3.0-or-later
#include <clocale>
#include <cstring>
#include <iostream>
#include <unistd.h>
#include <vector>

#include "cli/cli.h"

namespace {

using vireo::cli::Command;

std::vector<Command> AllCommands() {
    std::vector<Command> all;
    // One table per module; each module lists its commands in cli.h.
    for (auto table :
         {vireo::cli::StoreCommands(), vireo::cli::SettingsCommands(), vireo::cli::InterchangeCommands(),
          vireo::cli::SearchCommands(), vireo::cli::EngineCommands(), vireo::cli::SyncCommands()}) {
        for (const auto& c : table)
            all.push_back(c);
    }
    return all;
}

void PrintUsage(std::ostream& os) {
    os << "Usage: vireo-cli [--data DIR] COMMAND [ARGUMENTS]\n"
          "       vireo-cli --help | --version\n\n"
          "Works on the bookmark database of Vireo (the configured data folder unless --data\n"
          "names another). Commands:\n\n";
    for (const auto& c : AllCommands()) {
        std::string head = std::string("  ") + c.name + (c.usage[0] ? " " : "") + c.usage;
        os << head << "\n      " << c.summary << "\n";
    }
}

} // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    std::vector<std::string> args(argv + 1, argv + argc);
    vireo::cli::Context ctx{{}, {}, std::cout, std::cerr, ::isatty(2) == 1};
    std::size_t i = 0;
    for (; i < args.size(); ++i) {
        if (args[i] == "--data" && i + 1 < args.size()) {
            ctx.dataDir = args[++i];
        } else if (args[i].rfind("--data=", 0) == 0) {
            ctx.dataDir = args[i].substr(7);
        } else if (args[i] == "-h" || args[i] == "--help") {
            PrintUsage(std::cout);
            return vireo::cli::kExitOk;
        } else if (args[i] == "--version") {
            std::cout << "vireo-cli " << VIREO_VERSION_MAJOR << "." << VIREO_VERSION_MINOR << " build ("
                      << VIREO_VERSION_PATCH << ")\n";
            return vireo::cli::kExitOk;
        } else {
            break;
        }
    }
    if (i >= args.size()) {
        PrintUsage(std::cerr);
        return vireo::cli::kExitUsage;
    }
    std::string name = args[i];
    ctx.args.assign(args.begin() + static_cast<long>(i) + 1, args.end());
    for (const auto& c : AllCommands()) {
        if (name == c.name) {
            if (ctx.dataDir.empty())
                ctx.dataDir = vireo::cli::DefaultDataDirectory();
            return c.run(ctx);
        }
    }
    std::cerr << "vireo-cli: unknown command \"" << name << "\" (see vireo-cli --help)\n";
    return vireo::cli::kExitUsage;
}

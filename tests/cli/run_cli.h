// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Runs the vireo-cli that was built (VIREO_CLI) as a user would from a shell, with the
// settings file of the test, and gives back its exit status and what it printed.

#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

namespace vireo::test {

struct CliResult {
    int status = -1;
    std::string out; // stdout and stderr together
};

inline std::string ShellQuote(const std::string& arg) {
    std::string q = "'";
    for (char c : arg) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

// Runs vireo-cli with its settings in `hive`.
inline CliResult Cli(const std::string& hive, const std::vector<std::string>& args) {
    std::string command = "VIREO_REGISTRY=" + ShellQuote(hive) + " " + ShellQuote(VIREO_CLI);
    for (const auto& a : args)
        command += " " + ShellQuote(a);
    command += " 2>&1";
    CliResult r;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return r;
    char buf[4096];
    while (std::size_t n = std::fread(buf, 1, sizeof buf, pipe))
        r.out.append(buf, n);
    int status = ::pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

} // namespace vireo::test

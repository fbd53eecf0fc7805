// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Runs a program of ours (vireo-cli) or a script as a user would, through the shell.

#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace vireo::test {

struct CliResult {
    int status = -1;
    std::string out; // stdout and stderr together
};

inline std::string ShellQuote(const std::string& arg) {
    std::string q = "'";
    for (char c : arg)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs a shell command line and collects what it printed and its exit status.
inline CliResult RunShell(const std::string& command) {
    CliResult r;
    FILE* pipe = ::popen((command + " 2>&1 </dev/null").c_str(), "r");
    if (!pipe)
        return r;
    char buf[4096];
    while (std::size_t n = std::fread(buf, 1, sizeof buf, pipe))
        r.out.append(buf, n);
    int status = ::pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// `env` holds "NAME=value" settings for this run only.
inline CliResult RunProgram(const std::string& program, const std::vector<std::string>& env,
                            const std::vector<std::string>& args) {
    std::string command;
    for (const auto& e : env) {
        std::size_t eq = e.find('=');
        command += e.substr(0, eq + 1) + ShellQuote(e.substr(eq + 1)) + " ";
    }
    command += ShellQuote(program);
    for (const auto& a : args)
        command += " " + ShellQuote(a);
    return RunShell(command);
}

} // namespace vireo::test

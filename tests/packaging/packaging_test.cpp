// SPDX-License-Identifier: GPL-3.0-or-later
// The files that make Vireo a desktop application: the manual pages must describe the
// programs as their --help describes them, and the desktop entry and the metadata must say
// what the desktop needs (scripts/check-install validates the installed ones).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <ranges>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "cli_runner.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using testing::ContainsRegex;
using testing::HasSubstr;
using vireo::test::CliResult;
using vireo::test::ReadText;
using vireo::test::RunShell;
using vireo::test::ShellQuote;

const fs::path kSource = VIREO_SOURCE_DIR;
const fs::path kBuild = VIREO_BUILD_DIR;

std::set<std::string> Options(const std::string& text) {
    static const std::regex option("--[a-z][a-z-]*[a-z]");
    std::set<std::string> found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), option); it != std::sregex_iterator(); ++it)
        found.insert(it->str());
    return found;
}

// "import netscape" for a command with sub-commands, else the command alone.
std::string Invocation(const std::string& text) {
    static const std::regex words("^\\s*(\\S+)(?:\\s+([a-z]+)(?=\\s|$))?");
    std::smatch m;
    if (!std::regex_search(text, m, words))
        return {};
    return m[2].matched ? m[1].str() + " " + m[2].str() : m[1].str();
}

// What --help says: each invocation of a command with the options it takes.
std::map<std::string, std::set<std::string>> HelpInvocations(const std::string& help) {
    // A command's line is indented by two spaces; its summary below it by more.
    static const std::regex command("^  (\\S+)(.*)$"), bar(" \\| ");
    std::map<std::string, std::set<std::string>> out;
    std::istringstream in(help);
    for (std::string line; std::getline(in, line);) {
        std::smatch m;
        if (!std::regex_match(line, m, command))
            continue;
        const std::string name = m[1], usage = m[2];
        for (std::sregex_token_iterator it(usage.begin(), usage.end(), bar, -1), end; it != end; ++it)
            out[Invocation(name + " " + it->str())].merge(Options(*it));
    }
    return out;
}

struct ManPage {
    std::string text;                                  // all of it, plain
    std::map<std::string, std::string> commandEntries; // invocation -> its tag and text
};

// A built page, which nothing may be left unconfigured in (scripts/check-install formats the
// installed ones). Read as plain text, macro names, font changes and escapes are dropped, so
// ".BI \-\-data" reads "--data". Its COMMANDS section is a list of tagged paragraphs, one
// per invocation; tags that start with a dash are the options of the command before them.
ManPage ReadManPage(const fs::path& path) {
    static const std::regex markup(R"((^|\n)\.\S*[ \t]?|\\f[BIRP]|\\&|")"), dash(R"(\\-)");
    auto plain = [](const std::string& roff) {
        return std::regex_replace(std::regex_replace(roff, markup, "$1"), dash, "-");
    };
    const std::string source = ReadText(path);
    ManPage page{plain(source), {}};
    EXPECT_FALSE(std::regex_search(page.text, std::regex("@[A-Z_]+@"))) << path << " was left unconfigured";
    const std::size_t start = std::min(source.find("\n.SH COMMANDS\n"), source.size());
    const std::string section = source.substr(start, source.find("\n.SH ", start + 1) - start);
    std::string current;
    for (std::size_t at = section.find("\n.TP\n"), next; at != std::string::npos; at = next) {
        next = section.find("\n.TP\n", at + 1);
        const std::string entry = plain(section.substr(at + 5, next - at - 5));
        const std::string tag = Invocation(entry.substr(0, entry.find('\n')));
        if (!tag.starts_with('-')) {
            current = tag;
            EXPECT_EQ(page.commandEntries.count(current), 0u) << current << " is described twice";
        }
        page.commandEntries[current] += entry;
    }
    return page;
}

template <typename Map>
std::set<std::string> Keys(const Map& map) {
    auto keys = std::views::keys(map);
    return {keys.begin(), keys.end()};
}

TEST(ManPages, VireoCliPageDescribesEveryCommandAndOptionOfItsHelp) {
    CliResult help = RunShell(ShellQuote(VIREO_CLI_EXECUTABLE) + " --help");
    ASSERT_EQ(help.status, 0) << help.out;
    auto invocations = HelpInvocations(help.out);
    ASSERT_GT(invocations.size(), 10u) << help.out; // the parse found the command list
    ASSERT_TRUE(invocations.count("settings get")) << help.out;

    ManPage page = ReadManPage(kBuild / "packaging/man/vireo-cli.1");
    // A command --help lists that the page lacks, or one the page describes that is gone.
    EXPECT_EQ(Keys(page.commandEntries), Keys(invocations));
    for (const auto& [invocation, options] : invocations)
        EXPECT_TRUE(std::ranges::includes(Options(page.commandEntries[invocation]), options))
            << "vireo-cli " << invocation;
    EXPECT_EQ(Options(page.text), Options(help.out));
}

#ifdef VIREO_EXECUTABLE
TEST(ManPages, VireoPageDescribesEveryOptionOfItsHelp) {
    CliResult help = RunShell(ShellQuote(VIREO_EXECUTABLE) + " --help");
    ASSERT_EQ(help.status, 0) << help.out;
    ManPage page = ReadManPage(kBuild / "packaging/man/vireo.1");
    EXPECT_EQ(Options(page.text), Options(help.out));
    EXPECT_FALSE(Options(help.out).empty());
    // The first word of the page's synopsis is the program the help is of.
    EXPECT_THAT(page.text, HasSubstr("vireo - bookmark manager"));

    // The version printed is the one of the package.
    CliResult version = RunShell(ShellQuote(VIREO_EXECUTABLE) + " --version");
    EXPECT_EQ(version.status, 0);
    const std::string project = VIREO_PROJECT_VERSION;
    EXPECT_THAT(version.out, HasSubstr("vireo " + project.substr(0, project.rfind('.')) + " build"));
}
#endif

TEST(DesktopFiles, EntryOpensShortcutFilesAndMetadataNamesThisRelease) {
    fs::path file = kBuild / "share/applications" / (std::string(VIREO_APP_ID) + ".desktop");
    const std::string entry = ReadText(file);
    ASSERT_TRUE(entry.starts_with("[Desktop Entry]\n")) << file;
    // Files the user opens reach the program as paths, any number of them; the icon theme
    // holds the icon's name in every size (picture_resources_test looks at them).
    const std::map<std::string, std::string> expected = {
        {"Type", "Application"}, {"Name", "Vireo"},    {"GenericName", "Bookmark Manager"},
        {"Exec", "vireo %F"},    {"TryExec", "vireo"}, {"StartupWMClass", VIREO_WM_CLASS},
        {"Icon", VIREO_APP_ID}};
    for (const auto& [key, value] : expected)
        EXPECT_THAT(entry, HasSubstr("\n" + key + "=" + value + "\n"));
    EXPECT_THAT(entry, ContainsRegex("\nComment=[^\n]+\n"));
    EXPECT_THAT(entry, ContainsRegex("\nKeywords=[^\n]+\n"));
    EXPECT_THAT(entry, ContainsRegex("\nCategories=[^\n]*Network;"));
    EXPECT_THAT(entry, HasSubstr("\nMimeType=application/x-mswinurl;"));

    file = kBuild / "share/metainfo" / (std::string(VIREO_APP_ID) + ".metainfo.xml");
    std::string xml = ReadText(file);
    ASSERT_FALSE(xml.empty()) << file;
    EXPECT_THAT(xml, HasSubstr("<id>" + std::string(VIREO_APP_ID) + "</id>"));
    EXPECT_THAT(xml, HasSubstr("<launchable type=\"desktop-id\">" + std::string(VIREO_APP_ID) +
                               ".desktop</launchable>"));
    EXPECT_THAT(xml, HasSubstr("<content_rating type=\"oars-1.1\""));
    EXPECT_THAT(xml, HasSubstr("<screenshot type=\"default\">"));

    // The newest release of the metadata, of the Debian changelog and of the project agree.
    std::smatch release;
    ASSERT_TRUE(
        std::regex_search(xml, release, std::regex("<release version=\"([^\"]+)\" date=\"([0-9-]+)\"")));
    EXPECT_EQ(release[1].str(), VIREO_PROJECT_VERSION);
    std::string changelog = ReadText(kSource / "packaging/debian/changelog");
    std::smatch newest;
    ASSERT_TRUE(std::regex_search(changelog, newest, std::regex("^vireo \\(([^)]+)\\) ")));
    EXPECT_EQ(newest[1].str(), VIREO_PROJECT_VERSION);
}

TEST(InstallDeps, WithoutAUsableSudoItSaysWhatRootIsToRun) {
    // A machine where two packages are missing, seen by a user who is not root. The tools
    // the script calls are stand-ins in a folder of their own, the only one on PATH.
    vireo::test::TempDir tmp;
    const fs::path& dir = tmp.path();
    auto tool = [&](const std::string& name, const std::string& body) {
        std::ofstream(dir / name) << "#!/bin/sh\n" << body << "\n";
        fs::permissions(dir / name, fs::perms::owner_all);
    };
    tool("dpkg-query", "for p; do :; done\ncase \"$p\" in qt6-svg-dev|xvfb) exit 1 ;; esac\n"
                       "printf 'install ok installed'");
    tool("id", "echo 1000");
    tool("apt-get", "echo \"apt-get $*\" >>'" + (dir / "apt.log").string() + "'");
    fs::create_symlink("/bin/grep", dir / "grep");
    fs::create_symlink("/bin/true", dir / "true");
    const std::string run = "{ PATH=" + ShellQuote(dir) + " /bin/bash " +
                            ShellQuote(kSource / "scripts/install-deps") + "; echo \"exit $?\"; }";
    const std::string advice =
        "install-deps: these packages are missing: qt6-svg-dev xvfb\n"
        "install-deps: sudo cannot be used here, so run as root:\n"
        "    apt-get update && apt-get install -y --no-install-recommends qt6-svg-dev xvfb\nexit 1\n";

    EXPECT_EQ(RunShell(run).out, advice);
    // A sudo that would ask for a password is no better.
    tool("sudo", "[ \"$1\" = -n ] && exit 1\nexec \"$@\"");
    EXPECT_EQ(RunShell(run).out, advice);
    EXPECT_FALSE(fs::exists(dir / "apt.log")) << ReadText(dir / "apt.log");
    // A sudo that may be used installs just the missing packages.
    tool("sudo", "[ \"$1\" = -n ] && shift\nexec \"$@\"");
    const std::string works = RunShell(run).out;
    EXPECT_TRUE(works.ends_with("exit 0\n")) << works;
    EXPECT_EQ(ReadText(dir / "apt.log"),
              "apt-get update -qq\napt-get install -y -qq --no-install-recommends qt6-svg-dev xvfb\n");
}

} // namespace

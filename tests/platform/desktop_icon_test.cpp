// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

#include "platform/desktop_icon.h"
#include "test_support.h"

namespace vireo {
namespace {

namespace fs = std::filesystem;

using test::WriteText;

std::string Program(const fs::path& path) {
    WriteText(path, "#!/bin/sh\n");
    ::chmod(path.c_str(), 0755);
    return path.string();
}

TEST(DesktopIcon, TheEntryThatStartsTheProgramNamesItsIcon) {
    test::TempDir root;
    fs::path bin = root.path() / "bin";
    std::string browser = Program(bin / "webby");
    std::string other = Program(root.path() / "opt" / "webby");
    fs::create_symlink(browser, bin / "webby-stable");
    fs::path apps = root.path() / "apps";
    fs::path more = root.path() / "more";
    std::vector<std::string> dirs{apps.string(), more.string()};
    std::string path = bin.string();

    // Nothing describes it yet.
    EXPECT_EQ(DesktopEntryIcon(browser, dirs, path), "");

    // An entry for a program of the same name elsewhere is only a second choice; one that
    // starts the very file wins, found on PATH, behind "env" and in a subfolder.
    WriteText(more / "a-other.desktop", "[Desktop Entry]\nExec=" + other + " %u\nIcon=other-icon\n");
    EXPECT_EQ(DesktopEntryIcon(browser, dirs, path), "other-icon");
    WriteText(apps / "vendor" / "webby.desktop",
              "[Desktop Entry]\nName=Webby\nExec=env LANG=C webby-stable --new-window %U\nIcon=webby\n"
              "[Desktop Action private]\nExec=webby --private\nIcon=private\n");
    EXPECT_EQ(DesktopEntryIcon(browser, dirs, path), "webby");

    // Hidden entries and entries without an icon do not count; quoted programs do.
    WriteText(apps / "vendor" / "webby.desktop", "[Desktop Entry]\nExec=webby\nIcon=gone\nHidden=true\n");
    WriteText(apps / "b.desktop", "[Desktop Entry]\nExec=webby\n");
    WriteText(apps / "c.desktop", "[Desktop Entry]\nExec=\"" + browser + "\" %u\nIcon=/icons/webby.png\n");
    EXPECT_EQ(DesktopEntryIcon(browser, dirs, path), "/icons/webby.png");

    EXPECT_EQ(ExecProgram("env A=1 B=2 webby %u", path), browser);
    EXPECT_EQ(ExecProgram("\"unclosed", path), "");
    EXPECT_EQ(DesktopEntryIcon("", dirs, path), "");
}

} // namespace
} // namespace vireo

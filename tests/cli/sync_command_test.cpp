// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "../sync/webdav_server.h"
#include "cli_runner.h"
#include "test_support.h"

namespace vireo {
namespace {

namespace fs = std::filesystem;

// One machine: its settings, its data folder and its own XDG data folder (sync state).
struct Machine {
    Machine(const test::TempDir& tmp, const std::string& name)
        : hive(tmp.file(name + ".reg")), data(tmp.file(name + "-data")), xdg(tmp.file(name + "-xdg")) {}
    test::CliResult Cli(const std::vector<std::string>& args, const std::string& password = {}) const {
        std::vector<std::string> all{"--data", data};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<std::string> env{"VIREO_REGISTRY=" + hive, "XDG_DATA_HOME=" + xdg,
                                     "DBUS_SESSION_BUS_ADDRESS=disabled:"};
        if (!password.empty())
            env.push_back("VIREO_SYNC_PASSWORD=" + password);
        return test::RunProgram(VIREO_CLI, env, all);
    }
    std::string hive, data, xdg;
};

TEST(SyncCommand, ProfilesAddListRemoveAndTwoDataFoldersSyncThroughAPasswordedShare) {
    test::TempDir tmp;
    fs::create_directories(tmp.file("share"));
    test::WebDavServer server(tmp.file("share"), "ann", "s3cret");
    ASSERT_TRUE(server.ready()) << server.why();
    Machine a(tmp, "a"), b(tmp, "b");

    EXPECT_EQ(a.Cli({"sync", "add", "../bad", server.url()}).status, 64);
    EXPECT_EQ(a.Cli({"sync", "add", "home", server.url(), "--direction", "sideways"}).status, 64);
    test::CliResult r = a.Cli({"sync", "add", "home", server.url(), "--user", "ann", "--when", "15"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(a.Cli({"sync", "add", "HOME", server.url()}).status, 2) << "names are one per profile";
    ASSERT_EQ(b.Cli({"sync", "add", "home", server.url(), "--user", "ann"}).status, 0);
    r = a.Cli({"sync", "list"});
    EXPECT_EQ(r.out, "home\t" + server.url() + "\tann\t1\tboth\t15\tnever\t\n");
    EXPECT_EQ(fs::exists(a.hive) ? std::string() : "settings file missing", "");
    std::ifstream hive(a.hive);
    std::string settings((std::istreambuf_iterator<char>(hive)), {});
    EXPECT_EQ(settings.find("s3cret"), std::string::npos) << "passwords stay out of the settings";

    // Without the password (and no secret store here) it says so; with a wrong one too.
    r = a.Cli({"sync", "home"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("VIREO_SYNC_PASSWORD"), std::string::npos) << r.out;
    r = a.Cli({"sync", "home"}, "wrong");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("refused"), std::string::npos) << r.out;

    std::ofstream(tmp.file("links.html")) << "<a href=\"https://alpha.example/\">Alpha</a>\n";
    ASSERT_EQ(a.Cli({"import", "html", tmp.file("links.html"), "--folder", "1"}).status, 0);
    r = a.Cli({"sync", "home"}, "s3cret");
    ASSERT_EQ(r.status, 0) << r.out;
    r = b.Cli({"sync", "home"}, "s3cret");
    ASSERT_EQ(r.status, 0) << r.out;
    r = b.Cli({"find", "alpha.example", "--url"});
    EXPECT_NE(r.out.find("https://alpha.example/"), std::string::npos) << r.out;
    r = b.Cli({"sync", "list"});
    EXPECT_NE(r.out.find("Synced: "), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("never"), std::string::npos) << r.out;

    r = a.Cli({"sync", "remove", "home"});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(a.Cli({"sync", "list"}).out, "");
    EXPECT_EQ(a.Cli({"sync", "home"}).status, 2);
}

} // namespace
} // namespace vireo

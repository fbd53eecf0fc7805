// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>

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
    // Runs vireo-cli and checks its exit status and that it printed `text`.
    test::CliResult Expect(const std::vector<std::string>& args, int status, const std::string& text = {},
                           const std::string& password = {}) const {
        std::vector<std::string> all{"--data", data};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<std::string> env{"VIREO_REGISTRY=" + hive, "XDG_DATA_HOME=" + xdg,
                                     "DBUS_SESSION_BUS_ADDRESS=disabled:"};
        if (!password.empty())
            env.push_back("VIREO_SYNC_PASSWORD=" + password);
        test::CliResult r = test::RunProgram(VIREO_CLI, env, all);
        EXPECT_EQ(r.status, status) << args[0] << " " << args[1] << ": " << r.out;
        EXPECT_NE(r.out.find(text), std::string::npos) << r.out;
        return r;
    }
    std::string hive, data, xdg;
};

TEST(SyncCommand, ProfilesAddListRemoveAndTwoDataFoldersSyncThroughAPasswordedShare) {
    test::TempDir tmp;
    fs::create_directories(tmp.file("share"));
    test::WebDavServer server(tmp.file("share"), "ann", "s3cret");
    ASSERT_TRUE(server.ready()) << server.why();
    Machine a(tmp, "a"), b(tmp, "b");

    a.Expect({"sync", "add", "../bad", server.url()}, 64);
    a.Expect({"sync", "add", "home", server.url(), "--direction", "sideways"}, 64);
    a.Expect({"sync", "add", "home", server.url(), "--user", "ann", "--when", "15"}, 0);
    a.Expect({"sync", "add", "HOME", server.url()}, 2, "there is already a profile \"home\"");
    b.Expect({"sync", "add", "home", server.url(), "--user", "ann"}, 0);
    EXPECT_EQ(a.Expect({"sync", "list"}, 0).out, "home\t" + server.url() + "\tann\t1\tboth\t15\tnever\t\n");

    // Without the password (and no secret store here) it says so; with a wrong one too.
    a.Expect({"sync", "home"}, 2, "VIREO_SYNC_PASSWORD");
    a.Expect({"sync", "home"}, 2, "refused", "wrong");

    test::WriteText(tmp.file("links.html"), "<a href=\"https://alpha.example/\">Alpha</a>\n");
    a.Expect({"import", "html", tmp.file("links.html"), "--folder", "1"}, 0);
    a.Expect({"sync", "home"}, 0, "", "s3cret");
    EXPECT_EQ(test::ReadText(a.hive).find("s3cret"), std::string::npos)
        << "passwords stay out of the settings";
    b.Expect({"sync", "home"}, 0, "", "s3cret");
    b.Expect({"find", "alpha.example", "--url"}, 0, "https://alpha.example/");
    EXPECT_EQ(b.Expect({"sync", "list"}, 0, "Synced: ").out.find("never"), std::string::npos);

    a.Expect({"sync", "remove", "home"}, 0);
    EXPECT_EQ(a.Expect({"sync", "list"}, 0).out, "");
    a.Expect({"sync", "home"}, 2, "there is no sync profile");
}

} // namespace
} // namespace vireo

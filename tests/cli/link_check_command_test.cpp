// SPDX-License-Identifier: GPL-3.0-or-later
// vireo-cli check-links --mark and find --dead, run as a script would run them, against a
// database the test writes and the local web server.

#include <gtest/gtest.h>

#include "cli_runner.h"
#include "interchange/link_marks.h"
#include "local_http_server.h"
#include "store/database.h"
#include "test_support.h"

namespace vireo {
namespace {

struct LinkCommands : ::testing::Test {
    static constexpr OleDate kMade = 40000.5;

    void SetUp() override {
        // Made long ago, so that a check shows in the date.
        ScopedClock longAgo([] { return kMade; });
        std::string error;
        ASSERT_TRUE(db.Open(data, &error)) << error;
        folder = db.AddFolder("Links", kRootFolder, FolderKind::Ordinary);
        live = Add("Live", server.Url("/ok"));
        dead = Add("Dead", server.Url("/gone"));
        says = Add("Says so", server.Url("/not-found-text"));
        ASSERT_TRUE(db.Save(&error)) << error;
        db.Close();
    }
    std::int32_t Add(const std::string& title, const std::string& url) {
        return db.Marks(folder).Add(db.NewMark(title, url, folder, "", kFlagsFound));
    }
    test::CliResult Run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--data", data});
        return test::RunProgram(VIREO_CLI, {"VIREO_REGISTRY=" + dir.file("registry.reg")}, args);
    }
    // The bookmark as the last command left it.
    const BookmarkRecord& Record(std::int32_t key) {
        db.Close();
        std::string error;
        EXPECT_TRUE(db.Open(data, &error)) << error;
        return *db.Marks(folder).Find(key);
    }

    test::LocalHttpServer server;
    test::TempDir dir;
    std::string data = dir.file("data");
    Database db;
    std::int16_t folder = 0;
    std::int32_t live = 0, dead = 0, says = 0;
};

TEST_F(LinkCommands, CheckLinksMarksOnlyWhenAskedAndFindListsTheMarked) {
    const std::string id = std::to_string(folder);
    // Without --mark the check reports and changes nothing.
    test::CliResult plain = Run({"check-links", id});
    EXPECT_EQ(plain.status, 1) << plain.out;
    EXPECT_NE(plain.out.find("dead\t" + std::to_string(dead) + "\tDead\t"), std::string::npos) << plain.out;
    EXPECT_NE(plain.out.find("1 alive, 2 dead, 0 unreachable on 1 host\n"), std::string::npos) << plain.out;
    EXPECT_EQ(Record(dead).Checked, kMade);
    EXPECT_FALSE(IsDeadLink(Record(dead).UserFlags));
    db.Close();

    test::CliResult marked = Run({"check-links", id, "--mark", "--jobs", "2"});
    EXPECT_EQ(marked.status, 1) << marked.out;
    EXPECT_FALSE(IsDeadLink(Record(live).UserFlags));
    EXPECT_EQ(DeadLinkReason(Record(dead).UserFlags), DeadReason::NotFound);
    EXPECT_EQ(DeadLinkReason(Record(says).UserFlags), DeadReason::NotFoundPage);
    for (std::int32_t key : {live, dead, says}) {
        EXPECT_EQ(Record(key).added, kMade);
        EXPECT_GT(Record(key).Checked, kMade + 1000); // today
    }
    db.Close();

    test::CliResult found = Run({"find", "--dead"});
    EXPECT_EQ(found.status, 0) << found.out;
    EXPECT_NE(found.out.find("Name\tURL\tDescription\tPath\tDead link\tChecked\n"), std::string::npos);
    EXPECT_NE(found.out.find("Dead\t" + server.Url("/gone") +
                             "\t\tMy Bookmarks\\Links\tthe server answered 404 "
                             "(not found)\t"),
              std::string::npos)
        << found.out;
    EXPECT_NE(found.out.find("2 bookmark(s) found"), std::string::npos);
    EXPECT_EQ(found.out.find("Live"), std::string::npos);

    // Out-of-range jobs are a usage error.
    EXPECT_EQ(Run({"check-links", id, "--jobs", "129"}).status, 64);
}

} // namespace
} // namespace vireo

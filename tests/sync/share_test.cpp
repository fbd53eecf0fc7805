// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/webdav_curl.h"
#include "sync/sync_share.h"
#include "test_support.h"
#include "webdav_server.h"

namespace vireo::sync {
namespace {

using test::ReadText;

// What every share must do for the sync: the file with its ETag, the lock beside it.
void ExerciseShare(SyncShare& share, const std::string& folder) {
    std::string bytes, etag, etag2;
    std::int64_t modified = 0;
    EXPECT_EQ(share.Read(bytes, etag, modified).status, ShareStatus::Missing);
    ShareResult w = share.Write("<xbel/>", "", etag);
    ASSERT_TRUE(w.Ok()) << w.message;
    EXPECT_EQ(ReadText(folder + "/bookmarks.xbel"), "<xbel/>");
    ASSERT_TRUE(share.Read(bytes, etag, modified).Ok());
    EXPECT_EQ(bytes, "<xbel/>");
    EXPECT_FALSE(etag.empty());
    EXPECT_GT(modified, 0);
    ASSERT_TRUE(share.Stat(etag2, modified).Ok());
    EXPECT_EQ(etag2, etag);
    // Someone else writes: the ETag moves, so a writer holding the old one sees it.
    std::filesystem::remove(folder + "/bookmarks.xbel");
    std::ofstream(folder + "/bookmarks.xbel") << "<xbel version=\"1.0\"/>";
    ASSERT_TRUE(share.Stat(etag2, modified).Ok());
    EXPECT_NE(etag2, etag);

    bool exists = true;
    std::string body;
    ASSERT_TRUE(share.LockStat(exists, modified, body).Ok());
    EXPECT_FALSE(exists);
    ASSERT_TRUE(share.PutLock("Vireo me 1\n", false).Ok());
    ASSERT_TRUE(share.LockStat(exists, modified, body).Ok());
    EXPECT_TRUE(exists);
    EXPECT_EQ(body, "Vireo me 1\n");
    EXPECT_TRUE(std::filesystem::exists(folder + "/bookmarks.xbel.lock"));
    EXPECT_TRUE(share.PutLock("Vireo me 2\n", true).Ok());
    ASSERT_TRUE(share.DeleteLock().Ok());
    EXPECT_FALSE(std::filesystem::exists(folder + "/bookmarks.xbel.lock"));
    EXPECT_TRUE(share.DeleteLock().Ok()) << "a lock already gone is not an error";
}

TEST(SyncShare, WebDavShareReadsWritesAndLocksOnARealServer) {
    test::TempDir dir;
    test::WebDavServer server(dir.str(), "ann", "secret");
    ASSERT_TRUE(server.ready()) << server.why();
    auto share = sys::MakeWebDavShare({server.url(), "ann", "secret"});
    ExerciseShare(*share, dir.str());

    std::string bytes, etag;
    std::int64_t modified = 0;
    auto wrong = sys::MakeWebDavShare({server.url("bookmarks.xbel"), "ann", "wrong"});
    EXPECT_EQ(wrong->Read(bytes, etag, modified).status, ShareStatus::Denied);
    auto noFolder = sys::MakeWebDavShare({server.url("missing/"), "ann", "secret"});
    EXPECT_NE(noFolder->Write("x", "", etag).status, ShareStatus::Ok);
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing")));
}

TEST(SyncShare, OfflineShareAndAFolderShareWithItsOwnChangeCheck) {
    test::TempDir dir;
    std::string gone;
    {
        test::WebDavServer stopped(dir.str());
        gone = stopped.url();
    }
    std::string bytes, etag;
    std::int64_t modified = 0;
    auto offline = sys::MakeWebDavShare({gone, "", ""});
    EXPECT_EQ(offline->Read(bytes, etag, modified).status, ShareStatus::Offline);

    auto folder = MakeFolderShare(dir.str());
    ExerciseShare(*folder, dir.str());
    // The folder share refuses a write on a changed file as a server does with If-Match.
    ASSERT_TRUE(folder->Read(bytes, etag, modified).Ok());
    std::string stale = etag;
    ASSERT_TRUE(folder->Write("<xbel>1</xbel>", etag, etag).Ok());
    EXPECT_EQ(folder->Write("<xbel>2</xbel>", stale, etag).status, ShareStatus::Conflict);
    EXPECT_EQ(folder->Write("<xbel>3</xbel>", "", etag).status, ShareStatus::Conflict);
    EXPECT_EQ(ReadText(dir.file("bookmarks.xbel")), "<xbel>1</xbel>");
    EXPECT_EQ(folder->PutLock("a", false).status, ShareStatus::Ok);
    EXPECT_EQ(folder->PutLock("b", false).status, ShareStatus::Conflict);
    EXPECT_EQ(MakeFolderShare(dir.file("not-mounted"))->Read(bytes, etag, modified).status,
              ShareStatus::Offline);
    EXPECT_EQ(ShareFileAddress("https://dav.example/me/"), "https://dav.example/me/bookmarks.xbel");
    EXPECT_EQ(ShareFileAddress("https://dav.example/me/work.XBEL"), "https://dav.example/me/work.XBEL");
    EXPECT_EQ(ShareFileAddress("file:///srv/sync"), "/srv/sync/bookmarks.xbel");
}

} // namespace
} // namespace vireo::sync

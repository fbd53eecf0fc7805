// SPDX-License-Identifier: GPL-3.0-or-later
// Whole syncs of real databases through a real WebDAV server on loopback.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include "platform/webdav_curl.h"
#include "store/database.h"
#include "sync/sync_engine.h"
#include "sync/sync_local.h"
#include "sync/sync_share.h"
#include "test_support.h"
#include "webdav_server.h"

namespace vireo::sync {
namespace {

namespace fs = std::filesystem;

using test::ReadText;
using test::WriteText;

// One machine: its database and the profile's own folder.
struct Machine {
    explicit Machine(const test::TempDir& tmp, const std::string& name)
        : data(tmp.file(name + "-data")), state(tmp.file(name + "-sync")) {
        Open();
    }
    void Open() {
        std::string error;
        ASSERT_TRUE(db.Open(data, &error)) << error;
    }
    SyncReport Sync(const std::string& url, SyncOptions o = {}) {
        auto share = sys::MakeWebDavShare({url, "", ""});
        DatabaseSide side(db, kRootFolder);
        o.stateDir = state;
        o.lockWaitSeconds = o.lockWaitSeconds == 60 ? 0 : o.lockWaitSeconds;
        return RunSync(*share, side, o);
    }
    std::int32_t Add(std::int16_t folder, std::string_view title, std::string_view url) {
        return db.Marks(folder).Add(db.NewMark(title, url, folder, "", kFlagsFound));
    }
    // Every synced bookmark as "folder path|title|address", sorted.
    std::vector<std::string> Listing() const {
        std::vector<std::string> out;
        for (std::int16_t f = 1; f <= db.FolderSlots(); ++f) {
            if (!db.IsLiveFolder(f) || db.IsWithin(f, kTrashFolder) || db.IsWithin(f, kSearchResultsFolder))
                continue;
            const clsBookmark& m = db.Marks(f);
            for (std::int32_t p = 1; p <= m.Total(); ++p)
                if (m.At(p).key)
                    out.push_back(db.FolderPath(f) + "|" + m.NameStr(m.At(p).key) + "|" +
                                  m.UrlStr(m.At(p).key));
        }
        std::sort(out.begin(), out.end());
        return out;
    }
    bool Has(const std::string& line) const {
        auto list = Listing();
        return std::count(list.begin(), list.end(), line) == 1;
    }
    std::string data, state;
    Database db;
};

// A share served over WebDAV from a folder of the test's own.
struct SyncEngine : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(server->ready()) << server->why(); }
    test::TempDir tmp;
    bool made = fs::create_directories(tmp.file("share"));
    std::unique_ptr<test::WebDavServer> server = std::make_unique<test::WebDavServer>(tmp.file("share"));
    const std::string url = server->url(), file = tmp.file("share/bookmarks.xbel"), lock = file + ".lock";
};

TEST_F(SyncEngine, TwoDatabasesSyncThroughAWebDavShareWithEditsOnBothSides) {
    Machine a(tmp, "a"), b(tmp, "b");
    a.Add(kUnsortedFolder, "Alpha", "https://alpha.example/");

    SyncReport r = a.Sync(url);
    ASSERT_TRUE(r.Ok()) << r.message;
    std::string text = ReadText(file);
    EXPECT_NE(text.find("<!--- highestId :"), std::string::npos);
    EXPECT_EQ(text.find("<title>Trash</title>"), std::string::npos) << "the trash never syncs";
    EXPECT_FALSE(fs::exists(lock));

    // B's first sync: its standard bookmarks equal A's and pair up instead of doubling.
    r = b.Sync(url);
    ASSERT_TRUE(r.Ok()) << r.message;
    EXPECT_EQ(a.Listing(), b.Listing());

    // Edits on both sides between syncs.
    std::int16_t work = a.db.AddFolder("Work", kRootFolder, FolderKind::Ordinary);
    a.Add(work, "Wiki", "https://wiki.example/");
    BookmarkRecord* alpha = b.db.Marks(kUnsortedFolder).Find(b.db.Marks(kUnsortedFolder).At(1).key);
    ASSERT_NE(alpha, nullptr);
    alpha->Name = b.db.Memo().SetMemo(alpha->Name, "Alpha renamed");
    b.Add(kRootFolder, "Beta", "https://beta.example/");

    ASSERT_TRUE(a.Sync(url).Ok());
    ASSERT_TRUE((r = b.Sync(url)).Ok()) << r.message;
    ASSERT_TRUE(a.Sync(url).Ok());
    EXPECT_EQ(a.Listing(), b.Listing());
    EXPECT_TRUE(a.Has("My Bookmarks\\Work|Wiki|https://wiki.example/"));
    EXPECT_TRUE(a.Has("My Bookmarks\\Unsorted Bookmarks|Alpha renamed|https://alpha.example/"));
    EXPECT_TRUE(a.Has("My Bookmarks|Beta|https://beta.example/"));

    // A delete travels to the other side's trash; a second sync changes nothing.
    a.db.Marks(work).Kill(a.db.Marks(work).At(1).key, false);
    ASSERT_TRUE((r = a.Sync(url)).Ok()) << r.message;
    r = b.Sync(url);
    ASSERT_TRUE(r.Ok()) << r.message;
    EXPECT_EQ(r.removed, 1);
    EXPECT_EQ(b.db.Marks(kTrashFolder).Count(), 1);
    EXPECT_EQ(a.Listing(), b.Listing());
    r = b.Sync(url);
    EXPECT_EQ(r.message, "Up to date.");
    EXPECT_FALSE(r.remoteWritten || r.localWritten);

    // Backups of both sides were kept before every write, at most ten of each.
    for (int i = 0; i < 12; ++i) {
        a.Add(kRootFolder, "More " + std::to_string(i), "https://more.example/" + std::to_string(i));
        ASSERT_TRUE((r = a.Sync(url)).Ok()) << r.message;
    }
    auto backups = [&](const char* side) {
        return std::count_if(
            fs::directory_iterator(BackupDir(a.state)), {},
            [&](const fs::directory_entry& e) { return e.path().filename().string().starts_with(side); });
    };
    EXPECT_EQ(backups("remote-"), 10);
    EXPECT_EQ(backups("local-"), 10);
}

// A file as the browser extension writes it, by hand.
constexpr std::string_view kFloccusFile = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE xbel PUBLIC "+//IDN python.org//DTD XML Bookmark Exchange Language 1.0//EN//XML" "http://pyxml.sourceforge.net/topics/xbel/xbel.dtd">
<xbel version="1.0">
<!--- highestId :57: for Floccus bookmark sync browser extension -->
<folder id="3"><title>Reading &amp; Writing</title>
<bookmark href="https://news.example/?a=1&amp;b=2" id="12"><title>News</title></bookmark>
<folder id="40"><title>Deep</title><bookmark href="https://deep.example/" id="57"><title>Deep one</title></bookmark></folder>
</folder>
<bookmark href="https://top.example/" id="20"><title>Top</title></bookmark>
</xbel>
)";

TEST_F(SyncEngine, FloccusFileStaleAndFreshLocksConcurrentWriterDamagedFileAndBigDeletions) {
    WriteText(file, kFloccusFile);
    // A lock left an hour ago by a client that died: taken over.
    WriteText(lock, "");
    fs::last_write_time(lock, fs::file_time_type::clock::now() - std::chrono::hours(1));

    Machine a(tmp, "a");
    SyncReport r = a.Sync(url);
    ASSERT_TRUE(r.Ok()) << r.message;
    EXPECT_FALSE(fs::exists(lock));
    EXPECT_TRUE(a.Has("My Bookmarks\\Reading & Writing|News|https://news.example/?a=1&b=2"));
    EXPECT_TRUE(a.Has("My Bookmarks\\Reading & Writing\\Deep|Deep one|https://deep.example/"));
    // The file keeps the extension's ids and counts on from its highest one.
    std::string written = ReadText(file);
    EXPECT_NE(written.find("id=\"12\""), std::string::npos);
    EXPECT_NE(written.find("id=\"57\""), std::string::npos);
    EXPECT_NE(written.find("id=\"58\""), std::string::npos);
    EXPECT_EQ(written.find("highestId :57:"), std::string::npos);

    // Someone else's fresh lock: the sync waits, then gives up for now, changing nothing.
    WriteText(lock, "another device");
    a.Add(kRootFolder, "Pending", "https://pending.example/");
    r = a.Sync(url);
    EXPECT_EQ(r.status, SyncStatus::Busy);
    EXPECT_EQ(ReadText(file), written);
    EXPECT_TRUE(fs::exists(lock));
    fs::remove(lock);

    // Another writer between our read and our write: the sync starts again and keeps both.
    SyncOptions o;
    bool once = false;
    o.checkpoint = [&](const char* step) {
        if (std::string_view(step) != "before-upload" || once)
            return;
        once = true;
        std::string other = ReadText(file);
        other.insert(
            other.find("</xbel>"),
            "<bookmark href=\"https://other.example/\" id=\"900\"><title>Other</title></bookmark>\n");
        WriteText(file, other);
    };
    r = a.Sync(url, o);
    ASSERT_TRUE(r.Ok()) << r.message;
    EXPECT_EQ(r.attempts, 2);
    written = ReadText(file);
    EXPECT_NE(written.find("https://other.example/"), std::string::npos);
    EXPECT_NE(written.find("https://pending.example/"), std::string::npos);
    EXPECT_TRUE(a.Has("My Bookmarks|Other|https://other.example/"));

    // A damaged file is never written over, and nothing changes here.
    WriteText(file, "<xbel version=\"1.0\"><folder><title>cut off");
    a.Add(kRootFolder, "Later", "https://later.example/");
    auto listBefore = a.Listing();
    r = a.Sync(url);
    EXPECT_EQ(r.status, SyncStatus::Damaged);
    EXPECT_EQ(ReadText(file), "<xbel version=\"1.0\"><folder><title>cut off");
    EXPECT_FALSE(fs::exists(lock));

    // The share emptied by someone: deleting everything here is asked first.
    WriteText(file, "<?xml version=\"1.0\"?><xbel version=\"1.0\"></xbel>");
    int asked = 0;
    SyncOptions no;
    no.confirmDeletions = [&](int n, int total, bool here) {
        ++asked;
        EXPECT_TRUE(here);
        EXPECT_GT(n * 10, total);
        return false;
    };
    r = a.Sync(url, no);
    EXPECT_EQ(r.status, SyncStatus::Declined);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(a.Listing(), listBefore);
    SyncOptions yes;
    yes.confirmDeletions = [](int, int, bool) { return true; };
    r = a.Sync(url, yes);
    ASSERT_TRUE(r.Ok()) << r.message;
    EXPECT_GE(a.db.Marks(kTrashFolder).Count(), 1) << "deleted bookmarks go to the trash";
    EXPECT_LT(a.Listing().size(), listBefore.size());

    // The server gone: offline.
    server.reset();
    r = a.Sync(url);
    EXPECT_EQ(r.status, SyncStatus::Offline);
}

// A sync killed at the worst moments, then run again: nothing doubled, nothing lost.
TEST_F(SyncEngine, KillDuringASyncLosesNothingOnEitherSide) {
    Machine a(tmp, "a"), b(tmp, "b");
    ASSERT_TRUE(a.Sync(url).Ok());
    ASSERT_TRUE(b.Sync(url).Ok());
    for (const char* step : {"after-upload", "after-local"}) {
        b.Add(kRootFolder, std::string("From B ") + step, std::string("https://b.example/") + step);
        ASSERT_TRUE(b.Sync(url).Ok());
        a.Add(kRootFolder, std::string("From A ") + step, std::string("https://a.example/") + step);
        ASSERT_TRUE(a.db.Save());
        a.db.Close();
        pid_t pid = ::fork();
        if (pid == 0) {
            a.Open();
            SyncOptions o;
            o.checkpoint = [&](const char* at) {
                if (std::string_view(at) == step)
                    ::raise(SIGKILL);
            };
            a.Sync(url, o);
            ::_exit(4); // the kill did not come
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << step << " status " << status;
        a.Open();
        // Our own lock from the killed run is taken back at once.
        EXPECT_TRUE(fs::exists(lock));
        SyncReport r = a.Sync(url);
        ASSERT_TRUE(r.Ok()) << step << ": " << r.message;
        ASSERT_TRUE((r = b.Sync(url)).Ok()) << r.message;
        ASSERT_TRUE(a.Sync(url).Ok());
        auto list = a.Listing();
        EXPECT_EQ(list, b.Listing()) << step;
        EXPECT_EQ(std::set<std::string>(list.begin(), list.end()).size(), list.size())
            << "doubled after " << step;
        EXPECT_TRUE(a.Has(std::string("My Bookmarks|From B ") + step + "|https://b.example/" + step));
        EXPECT_TRUE(a.Has(std::string("My Bookmarks|From A ") + step + "|https://a.example/" + step));
    }
}

} // namespace
} // namespace vireo::sync

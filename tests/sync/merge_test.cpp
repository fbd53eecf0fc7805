// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <set>

#include "sync/sync_state.h"
#include "sync/sync_tree.h"
#include "test_support.h"

namespace vireo::sync {
namespace {

// A folder when it has no address.
SyncItem Item(std::string id, std::string parent, std::string title, std::string url = {}) {
    SyncItem i;
    i.id = std::move(id);
    i.folder = url.empty();
    i.parent = std::move(parent);
    i.title = std::move(title);
    i.url = std::move(url);
    return i;
}

// A shared starting point: News (1) with two bookmarks, Tools (4) with one; `without` left out.
SyncTree Base(const std::set<std::string>& without = {}) {
    SyncTree t;
    for (SyncItem i : {Item("1", "", "News"), Item("2", "1", "Paper", "https://paper.example/"),
                       Item("3", "1", "Radio", "https://radio.example/"), Item("4", "", "Tools"),
                       Item("5", "4", "Editor", "https://edit.example/")})
        if (!without.count(i.id))
            t.Add(i);
    return t;
}

MergeResult MergeOf(const SyncTree& base, const SyncTree& local, const SyncTree& remote,
                    std::int64_t localTime = 100, std::int64_t remoteTime = 200) {
    MergeInput in;
    in.base = &base;
    in.local = &local;
    in.remote = &remote;
    in.localTime = localTime;
    in.remoteTime = remoteTime;
    in.nextId = 100;
    return Merge(in);
}

// The tree as one line: titles in order, a folder's children in brackets after it.
std::string Outline(const SyncTree& t, const std::string& parent = "") {
    std::string out;
    for (const auto& id : t.Children(parent)) {
        const SyncItem* i = t.Find(id);
        out += (out.empty() ? "" : " ") + i->title + (i->folder ? "[" + Outline(t, id) + "]" : "");
    }
    return out;
}

TEST(SyncMerge, EditsOnBothSidesAreCombinedAndNothingIsLost) {
    SyncTree base = Base();
    SyncTree local = Base({"5"});
    SyncTree remote = Base();
    // Here: a new bookmark, a rename, a move of Radio into Tools, and a delete of Editor.
    local.Find("2")->title = "Daily Paper";
    local.Find("3")->parent = "4";
    local.SetChildren("1", {"2"});
    local.SetChildren("4", {"3"});
    local.Add(Item("L1", "1", "Weather", "https://weather.example/"));
    // There: a new folder with a bookmark, and an address change of Editor (so our
    // delete must not win over it).
    remote.Add(Item("6", "", "Music"));
    remote.Add(Item("7", "6", "Songs", "https://songs.example/"));
    remote.Find("5")->url = "https://editor.example/";
    std::int64_t next = 100;
    MatchNewLocalItems(local, &base, remote, next);

    MergeResult r = MergeOf(base, local, remote);
    const SyncTree& m = r.merged;
    EXPECT_EQ(Outline(m), "News[Daily Paper Weather] Tools[Editor Radio] Music[Songs]");
    ASSERT_NE(m.Find("5"), nullptr) << "a delete must not win over a change on the other side";
    EXPECT_EQ(m.Find("5")->url, "https://editor.example/");
    EXPECT_EQ(m.Size(), 8u);
    EXPECT_TRUE(r.remoteChanged);
    EXPECT_TRUE(r.localChanged);
    EXPECT_EQ(r.localDeletions, 0);
    EXPECT_EQ(r.remoteDeletions, 0);

    // Deleted there and untouched here: deleted here too, and counted.
    MergeResult d = MergeOf(base, Base(), Base({"3"}));
    EXPECT_EQ(Outline(d.merged), "News[Paper] Tools[Editor]");
    EXPECT_EQ(d.localDeletions, 1);
    EXPECT_FALSE(d.remoteChanged);
}

TEST(SyncMerge, SameItemChangedOnBothSidesNewerWinsAndTheOtherIsKeptAsACopy) {
    SyncTree base = Base();
    SyncTree local = Base();
    SyncTree remote = Base();
    local.Find("2")->url = "https://paper.example/local";
    remote.Find("2")->url = "https://paper.example/remote";
    MergeResult r = MergeOf(base, local, remote, /*localTime=*/300, /*remoteTime=*/200);
    EXPECT_EQ(r.merged.Find("2")->url, "https://paper.example/local");
    EXPECT_EQ(r.copies, 1);
    int copies = 0;
    for (const auto& [id, item] : r.merged.Items())
        if (item.url == "https://paper.example/remote") {
            ++copies;
            EXPECT_EQ(item.parent, "1");
            EXPECT_TRUE(item.local.empty());
        }
    EXPECT_EQ(copies, 1);

    // Only the titles differ: the newer wins, no copy (the addresses agree).
    SyncTree l2 = Base(), r2 = Base();
    l2.Find("3")->title = "Radio here";
    r2.Find("3")->title = "Radio there";
    r2.Find("3")->modified = 500; // the item's own stamp beats the side's time
    MergeResult t = MergeOf(base, l2, r2, 300, 200);
    EXPECT_EQ(t.merged.Find("3")->title, "Radio there");
    EXPECT_EQ(t.copies, 0);

    // Moves into each other: no loop, everything still reachable.
    SyncTree l3 = Base(), r3 = Base();
    l3.Find("1")->parent = "4";
    r3.Find("4")->parent = "1";
    MergeResult loop = MergeOf(base, l3, r3);
    EXPECT_EQ(loop.merged.Walk().size(), loop.merged.Size());
}

TEST(SyncMerge, FolderDeletedThereKeepsWhatWasAddedHereAndFirstSyncMakesNoDuplicates) {
    SyncTree base = Base();
    SyncTree local = Base();
    local.Add(Item("L9", "4", "Compiler", "https://cc.example/"));
    SyncTree remote = Base({"4", "5"});
    std::int64_t next = 100;
    MatchNewLocalItems(local, &base, remote, next);
    MergeResult r = MergeOf(base, local, remote);
    // The folder comes back for the bookmark added in it.
    EXPECT_EQ(Outline(r.merged), "News[Paper Radio] Tools[Compiler]");

    // First sync: the same bookmarks on both sides under the same folder paths pair up;
    // only the one the share lacks is added.
    SyncTree here;
    here.Add(Item("Lf1", "", "News"));
    here.Add(Item("Lb1", "Lf1", "Paper", "https://paper.example/"));
    here.Add(Item("Lb2", "Lf1", "Radio", "https://radio.example/"));
    here.Add(Item("Lb3", "Lf1", "Extra", "https://extra.example/"));
    SyncTree there = Base();
    next = there.HighestNumericId() + 1;
    MatchNewLocalItems(here, nullptr, there, next);
    MergeInput in;
    in.local = &here;
    in.remote = &there;
    in.nextId = next;
    MergeResult first = Merge(in);
    EXPECT_EQ(first.merged.Size(), 6u);
    EXPECT_EQ(Outline(first.merged), "News[Paper Radio Extra] Tools[Editor]");
    EXPECT_EQ(first.localDeletions + first.remoteDeletions, 0);

    // Only down: the share's tree replaces ours; only up: ours replaces the share's.
    in.direction = Direction::Down;
    MergeResult down = Merge(in);
    EXPECT_TRUE(SameContent(down.merged, there));
    EXPECT_EQ(down.localDeletions, 1);
    in.direction = Direction::Up;
    MergeResult up = Merge(in);
    EXPECT_EQ(Outline(up.merged), "News[Paper Radio Extra]");
    EXPECT_EQ(up.remoteDeletions, 1);
}

TEST(SyncState, RoundTripsAndRefusesDamagedFiles) {
    test::TempDir dir;
    SyncState s;
    s.dataDir = "/data";
    s.etag = "\"abc\"";
    s.highestId = 42;
    s.tree = Base();
    s.tree.Find("2")->local = "b7";
    s.tree.Find("2")->desc = "caf\xc3\xa9";
    std::string error;
    ASSERT_TRUE(SaveState(dir.file("state.json"), s, error)) << error;
    SyncState back;
    ASSERT_TRUE(LoadState(dir.file("state.json"), back, error)) << error;
    EXPECT_EQ(back.etag, s.etag);
    EXPECT_EQ(back.highestId, 42);
    EXPECT_TRUE(SameContent(back.tree, s.tree));
    EXPECT_EQ(back.tree.Find("2")->local, "b7");

    EXPECT_TRUE(LoadState(dir.file("missing.json"), back, error));
    EXPECT_EQ(back.tree.Size(), 0u);
    test::WriteText(dir.file("bad.json"), "{\"version\":1,\"items\":[{\"title\":3}]}");
    EXPECT_FALSE(LoadState(dir.file("bad.json"), back, error));
    EXPECT_EQ(back.tree.Size(), 0u);
}

} // namespace
} // namespace vireo::sync

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <utility>

#include "store/byte_io.h"
#include "store/memo.h"
#include "test_support.h"

namespace vireo {
namespace {

using test::ReadText;

struct MemoFixture : ::testing::Test {
    test::TempDir dir;
    clsMemo memo;
    void SetUp() override {
        memo.DBPath = dir.str();
        ASSERT_TRUE(memo.Initialize());
    }
    void Reopen() {
        memo.ShutDown();
        memo.DBPath = dir.str();
        ASSERT_TRUE(memo.Initialize());
    }
};

TEST_F(MemoFixture, FreedEntriesAreReusedHighestFirstAndNothingReachesTheDiskBeforeACommit) {
    for (int i = 1; i <= 5; ++i)
        memo.Add("memo" + std::to_string(i));
    memo.KillMemo(2);
    memo.KillMemo(4);
    EXPECT_EQ(memo.InUseCount(), 3);
    EXPECT_EQ(memo.GetMemo(4), "");
    std::int64_t size = memo.DataSize();
    EXPECT_EQ(memo.Add("new one"), 4);
    EXPECT_EQ(memo.Add("new two"), 2);
    EXPECT_EQ(memo.Add("appended"), 6);
    // Texts are always appended, never written into the gaps.
    EXPECT_EQ(memo.EntryAt(4).start, size + 1);
    EXPECT_EQ(memo.DeadSpace(), 10);
    ASSERT_TRUE(memo.Commit());
    Reopen();
    EXPECT_EQ(memo.GetMemo(4), "new one");
    EXPECT_EQ(memo.GetMemo(2), "new two");
    EXPECT_EQ(memo.GetMemo(5), "memo5");
    EXPECT_EQ(memo.DeadSpace(), 10);

    // Nothing reaches the disk before a commit.
    memo.Add("not yet");
    memo.SetMemo(1, "changed");
    memo.KillMemo(5);
    EXPECT_TRUE(memo.HasUncommittedChanges());
    Reopen();
    EXPECT_EQ(memo.EntryCount(), 6);
    EXPECT_EQ(memo.GetMemo(1), "memo1");
    EXPECT_EQ(memo.GetMemo(5), "memo5");
}

TEST_F(MemoFixture, SetMemoFollowsItsRules) {
    EXPECT_EQ(memo.SetMemo(0, ""), 0);
    EXPECT_EQ(memo.EntryCount(), 0);
    MemoID id = memo.SetMemo(0, "abcdef");
    EXPECT_EQ(id, 1);
    // Shorter text: rewritten in place, the tail becomes dead.
    EXPECT_EQ(memo.SetMemo(id, "abc"), id);
    EXPECT_EQ(std::pair(memo.EntryAt(id).start, memo.EntryAt(id).end), std::pair(1, 4));
    EXPECT_EQ(memo.DeadSpace(), 3);
    // Longer text: appended, the whole old text becomes dead.
    EXPECT_EQ(memo.SetMemo(id, "abcdefgh"), id);
    EXPECT_EQ(memo.EntryAt(id).start, 7);
    EXPECT_EQ(memo.DeadSpace(), 6);
    EXPECT_EQ(memo.GetMemo(id), "abcdefgh");
    // An empty text frees the memo.
    EXPECT_EQ(memo.SetMemo(id, ""), 0);
    EXPECT_EQ(memo.GetMemo(id), "");
    EXPECT_EQ(memo.InUseCount(), 0);
    // Texts are trimmed and read up to a NUL; ids without a text read as empty.
    EXPECT_EQ(memo.GetMemo(memo.Add("   padded   ")), "padded");
    EXPECT_EQ(memo.GetMemo(memo.Add(std::string("cut\0here", 8))), "cut");
    EXPECT_EQ(memo.GetMemo(0), "");
    EXPECT_EQ(memo.GetMemo(9999), "");
}

TEST_F(MemoFixture, LongTextsStayWholeUpToTheLimitAndAreCutAtACharacterBoundaryAboveIt) {
    // Bookmarklets and data: addresses are far longer than a title.
    std::string bookmarklet = "javascript:" + std::string(5000, 'x');
    MemoID whole = memo.Add(bookmarklet);
    std::string exact(kMaxMemoBytes, 'a');
    MemoID full = memo.Add(exact);
    EXPECT_EQ(memo.CutTexts(), 0);

    // One byte over the limit, ending in a character of two bytes that would be split.
    std::string over(kMaxMemoBytes - 1, 'b');
    over += "é";
    MemoID cut = memo.Add(over);
    EXPECT_EQ(memo.CutTexts(), 1);
    EXPECT_EQ(memo.GetMemo(cut), std::string(kMaxMemoBytes - 1, 'b'));
    memo.Add(std::string(kMaxMemoBytes + 1, 'c')); // a single byte lost counts too
    EXPECT_EQ(memo.CutTexts(), 2);
    // SetMemo cuts and counts the same way.
    EXPECT_EQ(memo.SetMemo(whole, over + "tail"), whole);
    EXPECT_EQ(memo.CutTexts(), 3);
    EXPECT_EQ(memo.GetMemo(whole).size(), kMaxMemoBytes - 1);
    memo.SetMemo(whole, bookmarklet);

    // The files keep the layout older versions read: plain 32-bit positions in the index.
    ASSERT_TRUE(memo.Commit());
    Reopen();
    EXPECT_EQ(memo.GetMemo(whole), bookmarklet);
    EXPECT_EQ(memo.GetMemo(full), exact);
    std::string dex = ReadText(dir.file("VIREODEX"));
    ByteReader r(std::string_view(dex).substr(static_cast<std::size_t>(full - 1) * 10));
    std::int32_t start = r.I32();
    EXPECT_EQ(r.I32() - start, static_cast<std::int32_t>(kMaxMemoBytes));
    EXPECT_EQ(r.I16(), -1);
    EXPECT_EQ(ReadText(dir.file("VIREOMEM")).substr(static_cast<std::size_t>(start - 1), 4), "aaaa");
    // Packing moves them whole.
    ASSERT_TRUE(memo.PackDat());
    EXPECT_EQ(memo.GetMemo(whole), bookmarklet);
    EXPECT_EQ(memo.GetMemo(full), exact);
}

TEST_F(MemoFixture, PackingRemovesDeadSpaceAndKeepsEveryMemoID) {
    std::vector<MemoID> ids;
    for (int i = 0; i < 50; ++i)
        ids.push_back(memo.Add("text number " + std::to_string(i)));
    for (std::size_t i = 0; i < 50; i += 3)
        memo.KillMemo(ids[i]);
    memo.SetMemo(ids[1], "a much longer replacement text for memo one");
    ASSERT_TRUE(memo.Commit());
    ASSERT_GT(memo.DeadSpace(), 0);
    ASSERT_TRUE(memo.PackDat());
    Reopen();
    EXPECT_EQ(memo.DeadSpace(), 0);
    EXPECT_EQ(memo.EntryCount(), 50);
    EXPECT_EQ(memo.GetMemo(ids[1]), "a much longer replacement text for memo one");
    for (std::size_t i = 2; i < 50; ++i)
        EXPECT_EQ(memo.GetMemo(ids[i]), i % 3 == 0 ? "" : "text number " + std::to_string(i)) << i;
    EXPECT_EQ(memo.Add("reuses the highest free entry"), ids[48]);
    EXPECT_FALSE(std::filesystem::exists(dir.file("Dat.tmp")));
}

TEST_F(MemoFixture, EntriesPointingOutsideTheDataFileReadAsEmpty) {
    memo.Add("valid");
    ASSERT_TRUE(memo.Commit());
    memo.ShutDown();
    // Entry 2 ends far past the end of VIREOMEM, entry 3 starts before it; a partial entry last.
    const std::string bad("\x03\0\0\0\xA0\xBB\x0D\0\xFF\xFF\xFB\xFF\xFF\xFF\x02\0\0\0\xFF\xFFxyz", 23);
    test::WriteText(dir.file("VIREODEX"), ReadText(dir.file("VIREODEX")) + bad);
    ASSERT_TRUE(memo.Initialize());
    EXPECT_EQ(memo.EntryCount(), 3);
    EXPECT_EQ(memo.GetMemo(1), "valid");
    EXPECT_EQ(memo.GetMemo(2), "");
    EXPECT_EQ(memo.GetMemo(3), "");
    // A store with damaged entries still packs without reading outside its data.
    EXPECT_TRUE(memo.PackDat());
    EXPECT_EQ(memo.GetMemo(1), "valid");
}

} // namespace
} // namespace vireo

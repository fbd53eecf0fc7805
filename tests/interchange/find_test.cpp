// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "interchange/exchange_fixture.h"
#include "interchange/find.h"
#include "interchange/link_marks.h"
#include "shell/registry.h"

namespace vireo::test {
namespace {

// `fields` names those searched: n(ame), u(rl), d(escription).
FindSettings Text(std::string_view t, bool matchCase = false, bool exact = false,
                  std::string_view fields = "nud") {
    FindSettings s;
    s.FindText = std::string(t);
    s.MatchCase = matchCase;
    s.ExactMatch = exact;
    s.InName = fields.find('n') != std::string_view::npos;
    s.InUrl = fields.find('u') != std::string_view::npos;
    s.InDesc = fields.find('d') != std::string_view::npos;
    return s;
}

TEST(MatchesFind, FollowsTheCaseAndExactnessRules) {
    // Any part, case ignored.
    EXPECT_TRUE(MatchesFind(Text("news"), "DAILY NEWS", "", ""));
    EXPECT_FALSE(MatchesFind(Text("news", true), "DAILY NEWS", "", ""));
    EXPECT_TRUE(MatchesFind(Text("NEWS", true), "DAILY NEWS", "", ""));
    // Exact.
    EXPECT_TRUE(MatchesFind(Text("daily news", false, true), "Daily News", "", ""));
    EXPECT_FALSE(MatchesFind(Text("daily", false, true), "Daily News", "", ""));
    EXPECT_FALSE(MatchesFind(Text("daily news", true, true), "Daily News", "", ""));
    // Letters beyond ASCII fold too.
    EXPECT_TRUE(MatchesFind(Text("\xC3\xA9t\xC3\xA9"), "\xC3\x89T\xC3\x89 2024", "", "")); // été / ÉTÉ
    EXPECT_TRUE(MatchesFind(Text("vi\xe1\xbb\x87t"), "VI\xe1\xbb\x86T NAM", "", ""));      // Việt / VIỆT
    EXPECT_FALSE(MatchesFind(Text("\xC3\xA9t\xC3\xA9", true), "\xC3\x89T\xC3\x89", "", ""));
    EXPECT_FALSE(MatchesFind(Text("\xC3\xA9"), "e", "", ""));
    // Fields are searched only when chosen.
    EXPECT_TRUE(MatchesFind(Text("example", false, false, "u"), "", "http://example.org/", ""));
    EXPECT_FALSE(MatchesFind(Text("example", false, false, "u"), "example", "", "example"));
    EXPECT_FALSE(MatchesFind(Text("a", false, false, ""), "a", "a", "a"));
    // An empty text: any part matches a field that is not empty, exact matches an empty field.
    EXPECT_TRUE(MatchesFind(Text("", false, false, "n"), "x", "", ""));
    EXPECT_FALSE(MatchesFind(Text("", false, false, "n"), "", "u", "d"));
    EXPECT_TRUE(MatchesFind(Text("", false, true, "n"), "", "u", "d"));
    EXPECT_FALSE(MatchesFind(Text("", false, true, "n"), "x", "", ""));
}

// The boxes as the dialog keeps them: tool_dialogs_test. Values other hands left behind:
TEST(FindSettingsStore, AnEmptyValueIsTheDefaultAndMinusOneIsTrue) {
    MemoryRegistry reg;
    SetRegValue(reg, "Software\\Orn\\Vireo!\\Find", "InName", "");
    SetRegValue(reg, "Software\\Orn\\Vireo!\\Find", "ExactMatch", "-1");
    FindSettings s;
    s.InName = false;
    LoadFindSettings(reg, s);
    EXPECT_TRUE(s.InName);
    EXPECT_TRUE(s.ExactMatch);
}

struct FindTest : ExchangeFixture {
    void SetUp() override {
        ExchangeFixture::SetUp();
        a = db.AddFolder("A", kRootFolder, FolderKind::Ordinary);
        b = db.AddFolder("B", a, FolderKind::Ordinary);
        c = db.AddFolder("C", kRootFolder, FolderKind::Ordinary);
        d = db.AddFolder("D", a, FolderKind::Ordinary);
        AddMark(b, "Bird in B", "http://b.example/");
        AddMark(a, "Bird in A", "http://a.example/", "birds");
        AddMark(d, "", "http://d.example/bird");
        AddMark(c, "Cat", "http://c.example/", "no birds here? BIRDS!");
        db.Marks(a).Kill(AddMark(a, "Dead bird", "http://gone.example/"), true);
        // Two bookmarks a link check found dead: one under A\B, one in C.
        for (auto [folder, reason] :
             {std::pair(b, DeadReason::NotFound), std::pair(c, DeadReason::NoAnswer)}) {
            BookmarkRecord& r = db.Marks(folder).At(1);
            r.UserFlags = WithDeadMark(r.UserFlags, reason);
            r.Checked = 45100.5;
        }
    }
    std::int16_t a = 0, b = 0, c = 0, d = 0;
};

TEST_F(FindTest, HitsComeDepthFirstDeadLinksAreGatheredAndCopiesKeepTheirMarks) {
    struct Recorder : FindSink {
        void SearchingFolder(std::int16_t folder, const std::string& path) override {
            folders.push_back(std::to_string(folder) + " " + path);
        }
        void Found(const FindHit& hit, std::int32_t count) override {
            hits.push_back(hit.title + "|" + hit.path + "|" + std::to_string(count));
        }
        std::vector<std::string> folders, hits;
    } rec;
    FindSettings s = Text("bird");
    EXPECT_EQ(SearchFolder(db, s, kRootFolder, rec), 4);
    EXPECT_EQ(rec.hits,
              (std::vector<std::string>{"Bird in A|My Bookmarks\\A|1", "Bird in B|My Bookmarks\\A\\B|2",
                                        "(No Title)|My Bookmarks\\A\\D|3", "Cat|My Bookmarks\\C|4"}));
    ASSERT_GE(rec.folders.size(), 4u);
    EXPECT_EQ(rec.folders[0], "1 My Bookmarks");
    EXPECT_EQ(rec.folders[1], "2 My Bookmarks\\Unsorted Bookmarks");

    s.Recursive = false;
    Recorder flat;
    EXPECT_EQ(SearchFolder(db, s, a, flat), 1);
    EXPECT_EQ(flat.folders, std::vector<std::string>{std::to_string(a) + " My Bookmarks\\A"});

    // Only dead links, no text: every one below the folder, whatever the field boxes say.
    s = Text("", false, false, "");
    s.OnlyDead = true;
    std::vector<FindHit> all = FindBookmarks(db, s);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(std::tie(all[0].title, all[1].title), std::tuple("Bird in B", "Cat"));
    EXPECT_EQ(DeadLinkReason(all[1].userFlags), DeadReason::NoAnswer);
    EXPECT_EQ(std::tie(all[1].checked, all[1].description), std::tuple(45100.5, "no birds here? BIRDS!"));

    // A text narrows them down as usual; live bookmarks never come.
    s = Text("bird");
    s.OnlyDead = true;
    EXPECT_EQ(FindBookmarks(db, s).size(), 2u); // "Cat" is described with birds
    s.InDesc = false;
    std::vector<FindHit> birds = FindBookmarks(db, s);
    ASSERT_EQ(birds.size(), 1u);
    EXPECT_EQ(birds[0].title, "Bird in B");

    // Hits are copied into a new folder, dead marks and all.
    s = Text("bird");
    s.FindFolder = a;
    ExchangeResult r = CopyFindResults(db, FindBookmarks(db, s), "bird", c);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(db.Folder(r.folder).Name.Text(), "Find Result: bird");
    EXPECT_EQ(db.Folder(r.folder).Parent, c);
    EXPECT_EQ(FolderKindOf(db.Folder(r.folder)), FolderKind::Ordinary);
    EXPECT_EQ(
        Outline(r.folder, true),
        "Bird in A <http://a.example/>; Bird in B <http://b.example/>; (No Title) <http://d.example/bird>");
    const clsBookmark& copies = db.Marks(r.folder);
    EXPECT_EQ(db.Memo().GetMemo(copies.At(1).Description), "From Find");
    EXPECT_EQ(copies.At(1).Flags, 0);
    // The copy of a dead link is still known to be dead, with the date of the check.
    EXPECT_FALSE(IsDeadLink(copies.At(1).UserFlags));
    EXPECT_GT(copies.At(1).Checked, 45100.5); // made now
    EXPECT_EQ(DeadLinkReason(copies.At(2).UserFlags), DeadReason::NotFound);
    EXPECT_EQ(copies.At(2).Checked, 45100.5);

    ExchangeResult none = CopyFindResults(db, {}, "x", c);
    EXPECT_FALSE(none.ok);
    EXPECT_FALSE(none.message.empty());
}

} // namespace
} // namespace vireo::test

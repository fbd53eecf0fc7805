// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "interchange/exchange_fixture.h"
#include "interchange/home_page.h"
#include "interchange/html_view.h"
#include "shell/registry.h"
#include "store/ole_date.h"

namespace vireo::test {
namespace {

namespace fs = std::filesystem;

TEST(Schemes, ColoursFontTagsTheFileOfSevenItemsAndLegibility) {
    EXPECT_EQ(ColorHex(Rgb(1, 2, 3)), "010203");
    EXPECT_EQ(ColorHex(static_cast<std::int32_t>(0x80000005)), "050000");
    Scheme s = DefaultScheme();
    EXPECT_EQ(FontTag("Label", s[kCategoryLabel]),
              "<b><font face=\"Arial\" size=\"4\" color=\"#005050\">Label</font></b>");
    EXPECT_EQ(FontTag("x", "Times", 2, 0, true, true),
              "<i><b><font face=\"Times\" size=\"2\" color=\"#000000\">x</font></b></i>");
    // A third of the point size, rounded down.
    EXPECT_EQ(FontSizeFromPoints(11.4), 3);
    EXPECT_EQ(FontSizeFromPoints(12), 4);

    // The scheme file is seven items of 54 bytes.
    s[kLinks].FontName = "Caf\xC3\xA9 Sans";
    s[kLinks].Italic = true;
    std::string bytes = SchemeBytes(s);
    ASSERT_EQ(bytes.size(), 378u);
    // Item 4 ("Category Label") starts at 3 * 54.
    std::string_view item(bytes.data() + 3 * 54, 54);
    EXPECT_EQ(item.substr(0, 20), "Category Label      ");
    EXPECT_EQ(item.substr(20, 4), std::string_view("\x00\x50\x50\x00", 4));
    EXPECT_EQ(item.substr(24, 20), "Arial               ");
    EXPECT_EQ(item.substr(44, 10), std::string_view("\xFF\xFF\x00\x00\x04\x00\xFF\xFF\xFF\xFF", 10));
    // Single-byte names on disk.
    EXPECT_EQ(std::string_view(bytes.data() + 4 * 54 + 24, 9), "Caf\xE9 Sans");
    Scheme back;
    ASSERT_TRUE(ParseScheme(bytes, back));
    EXPECT_EQ(back, s);
    EXPECT_FALSE(ParseScheme(bytes.substr(0, 377), back));
    std::string bad = bytes;
    bad[44] = 7; // a boolean that is neither true nor false
    EXPECT_FALSE(ParseScheme(bad, back));

    // Every shipped scheme is legible.
    // Black on white is the most a pair can have.
    EXPECT_NEAR(ContrastRatio(Rgb(0, 0, 0), Rgb(255, 255, 255)), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(Rgb(0, 0, 255), Rgb(255, 255, 255)), 8.59, 0.01);
    for (const NamedScheme& shipped : ShippedSchemes())
        EXPECT_TRUE(IllegibleTexts(shipped.scheme).empty()) << shipped.name;

    // The old default hid its page text in its own background and its links in teal.
    Scheme old = DefaultScheme();
    old[kPageBackground].Color = old[kCategoryLabel].Color = Rgb(0, 156, 156);
    old[kLinks].Color = Rgb(0, 0, 255);
    std::vector<ContrastProblem> problems = IllegibleTexts(old);
    ASSERT_GE(problems.size(), 2u);
    EXPECT_EQ(std::tie(problems[0].text, problems[0].background),
              std::tuple(kCategoryLabel, kPageBackground));
    EXPECT_NEAR(problems[0].ratio, 1.0, 1e-9);
    EXPECT_EQ(std::tie(problems[1].text, problems[1].background), std::tuple(kCategoryLabel, kTableBack));
}

struct HomePageTest : ExchangeFixture {
    std::vector<std::string> Build(std::int16_t folder, std::string file = "") {
        std::int16_t f = folder;
        std::string error;
        EXPECT_TRUE(BuildHomePage(db, reg, file, f, &error)) << error;
        return CrLfLines(ReadText(file));
    }
    MemoryRegistry reg;
};

TEST_F(HomePageTest, SchemesLoadSaveAndFallBack) {
    const std::string dir = db.DBPath();
    EXPECT_EQ(LoadScheme(dir, ""), DefaultScheme());
    EXPECT_EQ(CurrentScheme(reg), "default");
    Scheme mine = DefaultScheme();
    mine[kPageBackground].Color = Rgb(1, 2, 3);
    ASSERT_TRUE(SaveScheme(dir, " MyScheme ", mine));
    EXPECT_EQ(LoadScheme(dir, "MyScheme"), mine);
    // A scheme without a file, or with a damaged one, is the default scheme.
    Scheme changedDefault = DefaultScheme();
    changedDefault[kLinks].Color = Rgb(9, 9, 9);
    ASSERT_TRUE(SaveScheme(dir, "default", changedDefault));
    EXPECT_EQ(LoadScheme(dir, "Nowhere"), changedDefault);
    WriteText((fs::path(dir) / "Short.vsf").string(), std::string(100, 'x'));
    EXPECT_EQ(LoadScheme(dir, "Short"), changedDefault);
    EXPECT_FALSE(SaveScheme(dir, "../escape", mine));
    EXPECT_FALSE(SaveScheme(dir, "  ", mine));
    EXPECT_EQ(ListSchemes(dir),
              (std::vector<std::string>{"MyScheme", "Short", "default", "Evening", "Paper"}));
    EXPECT_FALSE(DeleteScheme(dir, "Default"));
    EXPECT_TRUE(DeleteScheme(dir, "Short"));
    EXPECT_EQ(ListSchemes(dir), (std::vector<std::string>{"MyScheme", "default", "Evening", "Paper"}));

    // The user's copy of a shipped scheme stands in for it until it is restored; a shipped
    // scheme is never deleted.
    EXPECT_EQ(LoadScheme(dir, "Evening"), *ShippedScheme("Evening"));
    Scheme evening = *ShippedScheme("Evening");
    evening[kHeadline].Color = Rgb(1, 1, 1);
    ASSERT_TRUE(SaveScheme(dir, "Evening", evening));
    EXPECT_EQ(LoadScheme(dir, "Evening"), evening);
    EXPECT_FALSE(DeleteScheme(dir, "Evening"));
    EXPECT_TRUE(HasOwnCopy(dir, "Evening"));
    EXPECT_TRUE(RestoreScheme(dir, "Evening"));
    EXPECT_EQ(LoadScheme(dir, "Evening"), *ShippedScheme("Evening"));
    EXPECT_FALSE(RestoreScheme(dir, "MyScheme"));
    EXPECT_TRUE(HasOwnCopy(dir, "MyScheme"));
}

TEST_F(HomePageTest, SubfoldersMakeBoxesThreeToARowAndALeafListsItsLinks) {
    ScopedClock clock([] { return OleFromUnix(1700000000); });
    std::int16_t home = kHomePageFolder;
    std::vector<std::int16_t> subs;
    for (int i = 1; i <= 5; ++i) {
        subs.push_back(db.AddFolder("Box " + std::to_string(i), home, FolderKind::Ordinary));
        AddMark(subs.back(), "Link " + std::to_string(i), "http://l" + std::to_string(i) + ".example/");
    }
    std::vector<std::string> lines = Build(0);
    Scheme s = DefaultScheme();
    ASSERT_EQ(lines.size(), 37u);
    // The page says it is UTF-8 and quotes every attribute.
    EXPECT_EQ(lines[2], "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">");
    EXPECT_EQ(lines[8], FontTag("My Homepage", s[kHeadline]));
    EXPECT_EQ(lines[9], "<table width=\"630\" border=\"0\" cellpadding=\"5\" cellspacing=\"5\">");
    auto count = [&](std::string_view l) { return std::count(lines.begin(), lines.end(), std::string(l)); };
    EXPECT_EQ(std::pair(count("<tr>"), count("</td>")), std::pair(2L, 5L));
    EXPECT_EQ(lines[11], "<td valign=\"top\" width=\"210\" BGCOLOR=\"#FFFFCE\">" +
                             FontTag("Box 1", s[kCategoryLabel]) + "</b>");
    EXPECT_EQ(lines[12], FolderLinkList(db, subs[0]));
    EXPECT_EQ(lines[20], "</tr>");
    EXPECT_EQ(lines[21], "<tr>");
    EXPECT_EQ(lines[31], FolderLinkList(db, home));
    EXPECT_EQ(lines[33],
              "<i>This page last updated: " + FormatLongDate(OleFromUnix(1700000000)) + "</i> <br>");
    EXPECT_EQ(lines[34], "<i>PageScheme: default</i> </p>");
    EXPECT_TRUE(fs::exists(fs::path(db.DBPath()) / "home.html"));

    // Four subfolders: a row of three and a row of one; three: one row.
    for (auto [boxes, rows] : {std::pair(4L, 2L), std::pair(3L, 1L)}) {
        db.KillFolder(subs[boxes], true);
        lines = Build(home);
        EXPECT_EQ(std::pair(count("<tr>"), count("</td>")), std::pair(rows, boxes));
    }

    // A folder without subfolders still lists its links, in the current scheme.
    Scheme mine = DefaultScheme();
    mine[kCategoryLabel].Color = Rgb(255, 0, 0);
    ASSERT_TRUE(SaveScheme(db.DBPath(), "MyScheme", mine));
    SetCurrentScheme(reg, "MyScheme");
    std::int16_t folder = db.AddFolder("Leaf <1>", kRootFolder, FolderKind::Ordinary);
    AddMark(folder, "Only", "http://only.example/");
    lines = Build(folder, tmp.file("viewhome.htm"));
    EXPECT_EQ(lines[6], "<body bgcolor=\"#7FD4D4\" text=\"#FF0000\" link=\"#0000CC\" vlink=\"#990000\">");
    EXPECT_EQ(lines[8], FontTag("(No subfolders)", mine[kCategoryLabel]));
    EXPECT_EQ(lines[9], "</center>");
    EXPECT_EQ(lines[10], "<br><a href=\"http://only.example/\">Only</a><br>");
    EXPECT_EQ(lines[13], "<i>PageScheme: MyScheme</i> </p>");
    EXPECT_EQ(lines.size(), 16u);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), std::string(kHomeTableStart)), 0);
}

} // namespace
} // namespace vireo::test

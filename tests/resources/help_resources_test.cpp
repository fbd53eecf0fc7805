// SPDX-License-Identifier: GPL-3.0-or-later
// The help pages and the tips file ship with the program and are opened by name: a page
// that is missing, a link that leads nowhere, a page that needs the network, or a tips
// file whose two-line rhythm slipped would all reach users.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

namespace fs = std::filesystem;

const fs::path kHelp = fs::path(VIREO_RESOURCES_DIR) / "help";

struct Tip {
    std::string text;
    std::string reference;
    int line = 0; // of the tip text, 1-based
};

// Two lines per entry; an entry whose first line starts with an apostrophe is skipped
// together with its second line. Lines may end in CR LF or LF.
std::vector<Tip> ReadTipsFile(const fs::path& path) {
    std::vector<std::string> lines;
    std::istringstream in(vireo::test::ReadText(path));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line.ends_with('\r') ? line.substr(0, line.size() - 1) : line);
    lines.resize(lines.size() + lines.size() % 2);
    std::vector<Tip> tips;
    for (std::size_t i = 0; i < lines.size(); i += 2) {
        if (!lines[i].starts_with('\''))
            tips.push_back({lines[i], lines[i + 1], static_cast<int>(i) + 1});
    }
    return tips;
}

bool HasScheme(const std::string& target) {
    static const std::regex scheme("^[A-Za-z][A-Za-z0-9+.-]*:");
    return std::regex_search(target, scheme) || target.rfind("//", 0) == 0;
}

TEST(TipsFile, EveryTipIsOneLineWithAReferenceThatOpens) {
    fs::path file = kHelp / "tips.vro";
    ASSERT_TRUE(fs::exists(file));
    std::vector<Tip> tips = ReadTipsFile(file);
    EXPECT_GE(tips.size(), 24u);

    std::set<std::string> seen;
    for (const Tip& tip : tips) {
        SCOPED_TRACE("tips.vro line " + std::to_string(tip.line) + ": " + tip.text);
        EXPECT_FALSE(tip.text.empty());
        // A text that looks like a reference means a line went missing above it and
        // every tip after it now shows its help reference instead.
        EXPECT_NE(tip.text.rfind("http", 0), 0u);
        EXPECT_EQ(tip.text.find(".html"), std::string::npos);
        // The tip window's label does not grow; longer texts would be cut off.
        EXPECT_LE(tip.text.size(), 200u);
        EXPECT_TRUE(seen.insert(tip.text).second) << "the same tip twice";
        // Plain ASCII reads the same whichever way the file's bytes are decoded.
        for (unsigned char c : tip.text + tip.reference)
            EXPECT_TRUE(c >= 0x20 && c < 0x7F) << "byte " << int(c);

        const std::string& ref = tip.reference;
        if (ref.empty() || ref.starts_with("http://") || ref.starts_with("https://"))
            continue;
        EXPECT_EQ(ref.find_first_of("/\\#?"), std::string::npos) << "a page of the help folder: " << ref;
        EXPECT_TRUE(fs::is_regular_file(kHelp / ref)) << "missing help page " << ref;
    }
}

TEST(HelpPages, EveryPageTheProgramOpensExistsLinksLeadSomewhereAndNothingNeedsTheNetwork) {
    // index (the product's web site), faq (Help Topics), support (Support Online) and
    // skylark (the sibling product's fallback) are opened by the menus; the others are
    // linked from them, from the tips and from the dialogs' Help buttons.
    for (const char* page :
         {"index.html", "faq.html", "support.html", "import.html", "export.html", "find.html", "search.html",
          "homepage.html", "options.html", "skylark.html", "vireo.css"}) {
        EXPECT_TRUE(fs::is_regular_file(kHelp / page)) << page;
    }

    std::map<std::string, std::string> html;
    for (const auto& entry : fs::directory_iterator(kHelp)) {
        if (entry.path().extension() == ".html")
            html[entry.path().filename().string()] = vireo::test::ReadText(entry.path());
    }
    ASSERT_GE(html.size(), 10u);

    static const std::regex tag("<([A-Za-z][A-Za-z0-9]*)\\b([^>]*)>");
    static const std::regex attribute("\\b(href|src)=\"([^\"]*)\"");
    std::set<std::string> linked;
    for (const auto& [name, text] : html) {
        SCOPED_TRACE(name);
        EXPECT_EQ(text.rfind("<!DOCTYPE html>", 0), 0u);
        EXPECT_NE(text.find("<meta charset=\"utf-8\">"), std::string::npos);
        EXPECT_NE(text.find("<link rel=\"stylesheet\" href=\"vireo.css\">"), std::string::npos);
        EXPECT_NE(text.find("<title>"), std::string::npos);
        EXPECT_NE(text.find("</html>"), std::string::npos);

        for (std::sregex_iterator it(text.begin(), text.end(), tag), end; it != end; ++it) {
            std::string element = (*it)[1];
            std::string attrs = (*it)[2];
            for (std::sregex_iterator a(attrs.begin(), attrs.end(), attribute), aend; a != aend; ++a) {
                std::string target = (*a)[2];
                SCOPED_TRACE("<" + element + "> " + target);
                ASSERT_FALSE(target.empty());
                if (HasScheme(target)) {
                    // Pages open from the disk, often without a connection: only plain
                    // links may point outside, never a style sheet, picture or script.
                    EXPECT_EQ(element, "a");
                    EXPECT_TRUE(target.rfind("http://", 0) == 0 || target.rfind("https://", 0) == 0);
                    continue;
                }
                std::string file = target.substr(0, target.find('#'));
                std::string fragment =
                    target.find('#') == std::string::npos ? "" : target.substr(target.find('#') + 1);
                if (file.empty())
                    file = name;
                EXPECT_EQ(file.find(".."), std::string::npos);
                ASSERT_TRUE(fs::is_regular_file(kHelp / file)) << "leads nowhere";
                linked.insert(file);
                if (!fragment.empty()) {
                    EXPECT_NE(html.at(file).find(" id=\"" + fragment + "\""), std::string::npos)
                        << "no such anchor";
                }
            }
        }
    }
    // Every page can be reached from the others.
    for (const auto& [name, text] : html)
        EXPECT_TRUE(linked.count(name)) << name << " is linked from no page";
}

} // namespace

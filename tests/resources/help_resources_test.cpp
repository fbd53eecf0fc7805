// SPDX-License-Identifier: GPL-3.0-or-later
// The help pages and the tips file ship with the program and are opened by name: a page
// that is missing, a link that leads nowhere, a page that needs the network, or a tips
// file whose two-line rhythm slipped would all reach users.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kHelp = fs::path(VIREO_RESOURCES_DIR) / "help";

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

struct Tip {
    std::string text;
    std::string reference;
    int line = 0; // of the tip text, 1-based
};

// Two lines per entry; an entry whose first line starts with an apostrophe is skipped
// together with its second line. Lines may end in CR LF or LF.
std::vector<Tip> ReadTipsFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<Tip> tips;
    std::string first, second;
    int line = 0;
    auto chomp = [](std::string& s) {
        if (!s.empty() && s.back() == '\r')
            s.pop_back();
    };
    while (std::getline(in, first)) {
        int at = ++line;
        if (std::getline(in, second))
            ++line;
        else
            second.clear();
        chomp(first);
        chomp(second);
        if (!first.empty() && first[0] == '\'')
            continue;
        tips.push_back({first, second, at});
    }
    return tips;
}

bool HasScheme(const std::string& target) {
    static const std::regex scheme("^[A-Za-z][A-Za-z0-9+.-]*:");
    return std::regex_search(target, scheme) || target.rfind("//", 0) == 0;
}

std::set<std::string> IdsOf(const std::string& html) {
    static const std::regex id("\\bid=\"([^\"]+)\"");
    std::set<std::string> ids;
    for (std::sregex_iterator it(html.begin(), html.end(), id), end; it != end; ++it)
        ids.insert((*it)[1]);
    return ids;
}

std::vector<fs::path> HelpPages() {
    std::vector<fs::path> pages;
    for (const auto& entry : fs::directory_iterator(kHelp))
        if (entry.path().extension() == ".html")
            pages.push_back(entry.path());
    return pages;
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
        if (ref.empty())
            continue;
        if (ref.rfind("http://", 0) == 0 || ref.rfind("https://", 0) == 0)
            continue;
        EXPECT_EQ(ref.find_first_of("/\\#?"), std::string::npos) << "a page of the help folder: " << ref;
        EXPECT_TRUE(fs::is_regular_file(kHelp / ref)) << "missing help page " << ref;
    }
}

TEST(HelpPages, EveryPageTheProgramOpensExists) {
    // index (the product's web site), faq (Help Topics), support (Support Online) and
    // skylark (the sibling product's fallback) are opened by the menus; the others are
    // linked from them, from the tips and from the dialogs' Help buttons.
    for (const char* page :
         {"index.html", "faq.html", "support.html", "import.html", "export.html", "find.html", "search.html",
          "homepage.html", "options.html", "skylark.html", "vireo.css"}) {
        EXPECT_TRUE(fs::is_regular_file(kHelp / page)) << page;
    }
}

TEST(HelpPages, LinksLeadSomewhereAndNothingNeedsTheNetwork) {
    std::map<std::string, std::string> html;
    for (const fs::path& page : HelpPages())
        html[page.filename().string()] = ReadAll(page);
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
                    auto target_page = html.find(file);
                    ASSERT_NE(target_page, html.end());
                    EXPECT_TRUE(IdsOf(target_page->second).count(fragment)) << "no such anchor";
                }
            }
        }
    }
    // Every page can be reached from the others.
    for (const auto& [name, text] : html)
        EXPECT_TRUE(linked.count(name)) << name << " is linked from no page";
}

} // namespace

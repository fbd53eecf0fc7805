// SPDX-License-Identifier: GPL-3.0-or-later
// The help pages and the tips file ship with the program and are opened by name: a page
// that is missing, a link that leads nowhere, a page that needs the network, or a tips
// file whose two-line rhythm slipped would all reach users.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "test_support.h"
#include "ui/tips.h"

namespace {

namespace fs = std::filesystem;

const fs::path kHelp = fs::path(VIREO_RESOURCES_DIR) / "help";

TEST(TipsFile, EveryTipIsOneLineWithAReferenceThatOpens) {
    fs::path file = kHelp / "tips.vro";
    ASSERT_TRUE(fs::exists(file));
    // Read as the tip window reads it.
    vireo::TipList tips = vireo::ReadTips(file.string());
    EXPECT_GE(tips.Count(), 24);

    std::set<std::string> seen;
    for (std::int32_t i = 1; i <= tips.Count(); ++i) {
        const std::string &text = tips.tips[i], &ref = tips.references[i];
        SCOPED_TRACE("tip " + std::to_string(i) + ": " + text);
        EXPECT_FALSE(text.empty());
        // A text that looks like a reference means a line went missing above it and
        // every tip after it now shows its help reference instead.
        EXPECT_NE(text.rfind("http", 0), 0u);
        EXPECT_EQ(text.find(".html"), std::string::npos);
        // The tip window's label does not grow; longer texts would be cut off.
        EXPECT_LE(text.size(), 200u);
        EXPECT_TRUE(seen.insert(text).second) << "the same tip twice";
        // Plain ASCII reads the same whichever way the file's bytes are decoded.
        for (unsigned char c : text + ref)
            EXPECT_TRUE(c >= 0x20 && c < 0x7F) << "byte " << int(c);

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

    static const std::regex link("<([A-Za-z][A-Za-z0-9]*)\\b[^>]*?\\b(href|src)=\"([^\"]*)\"");
    static const std::regex scheme("^([A-Za-z][A-Za-z0-9+.-]*:|//)");
    std::set<std::string> linked;
    for (const auto& [name, text] : html) {
        SCOPED_TRACE(name);
        EXPECT_EQ(text.rfind("<!DOCTYPE html>", 0), 0u);
        EXPECT_NE(text.find("<meta charset=\"utf-8\">"), std::string::npos);
        EXPECT_NE(text.find("<link rel=\"stylesheet\" href=\"vireo.css\">"), std::string::npos);
        EXPECT_NE(text.find("<title>"), std::string::npos);
        EXPECT_NE(text.find("</html>"), std::string::npos);

        for (std::sregex_iterator it(text.begin(), text.end(), link), end; it != end; ++it) {
            std::string element = (*it)[1], target = (*it)[3];
            SCOPED_TRACE("<" + element + "> " + target);
            ASSERT_FALSE(target.empty());
            if (std::regex_search(target, scheme)) {
                // Pages open from the disk, often without a connection: only plain
                // links may point outside, never a style sheet, picture or script.
                EXPECT_EQ(element, "a");
                EXPECT_TRUE(target.starts_with("http://") || target.starts_with("https://"));
                continue;
            }
            std::size_t hash = target.find('#');
            std::string file = hash == 0 ? name : target.substr(0, hash);
            EXPECT_EQ(file.find(".."), std::string::npos);
            ASSERT_TRUE(fs::is_regular_file(kHelp / file)) << "leads nowhere";
            linked.insert(file);
            if (hash != std::string::npos) {
                EXPECT_NE(html.at(file).find(" id=\"" + target.substr(hash + 1) + "\""), std::string::npos)
                    << "no such anchor";
            }
        }
    }
    // Every page can be reached from the others.
    for (const auto& [name, text] : html)
        EXPECT_TRUE(linked.count(name)) << name << " is linked from no page";
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "search/query_translation.h"

namespace vireo {
namespace {

using Words = std::vector<std::string>;

TEST(QueryTranslation, WordsSplitAtSpacesWithQuotedPhrasesKeptWhole) {
    EXPECT_EQ(SplitQueryWords("  golf   courses  "), (Words{"golf", "courses"}));
    EXPECT_EQ(SplitQueryWords("\"golf courses\" clubs"), (Words{"\"golf courses\"", "clubs"}));
    EXPECT_EQ(SplitQueryWords("clubs \"golf courses\""), (Words{"clubs", "\"golf courses\""}));
    // A quote inside a word opens no phrase; a phrase never closed runs to the end.
    EXPECT_EQ(SplitQueryWords("it's a\"b c"), (Words{"it's", "a\"b", "c"}));
    EXPECT_EQ(SplitQueryWords("\"golf courses"), (Words{"\"golf courses"}));
    EXPECT_TRUE(SplitQueryWords("   ").empty());
}

TEST(QueryTranslation, FormatsOperatorsTheUserTypedAndExcludedWords) {
    const struct {
        const char *query, *exclude;
        int format;
        const char* sent;
    } cases[] = {
        {"golf  courses", "", kFormatAllWords, "golf AND courses"},
        {"golf courses clubs", "", kFormatAllWords, "golf AND courses AND clubs"},
        {"golf courses", "", kFormatAnyWords, "golf OR courses"},
        {"golf courses", "", kFormatPhrase, "\"golf courses\""},
        {"golf  courses ", "", kFormatAsTyped, "golf  courses "},
        // Operators the user typed are left alone; short words that look like one get no
        // operator before them, words that only begin like one are ordinary words.
        {"golf or courses", "", kFormatAllWords, "golf or courses"},
        {"golf NOT courses", "", kFormatAnyWords, "golf NOT courses"},
        {"books for kids", "", kFormatAllWords, "books for AND kids"},
        {"andy notes", "", kFormatAllWords, "andy AND notes"},
        {"\"golf courses\" clubs", "", kFormatAllWords, "\"golf courses\" AND clubs"},
        // Each excluded word gets NOT, also in a query sent as typed.
        {"golf courses", "tennis polo", kFormatAllWords, "golf AND courses NOT tennis NOT polo"},
        {"golf courses", "tennis polo", kFormatAsTyped, "golf courses NOT tennis NOT polo"},
        {"golf", "tennis or polo", kFormatAllWords, "golf NOT tennis or polo"},
        {"", "tennis", kFormatAllWords, "NOT tennis"},
        {"golf", "", kFormatPhrase, "\"golf\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TranslateQuery(c.query, c.exclude, c.format), c.sent) << c.query << " / " << c.exclude;
}

} // namespace
} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "search/query_translation.h"

namespace vireo {
namespace {

using Words = std::vector<std::string>;

TEST(QueryTranslation, WordsSplitAtSpacesWithQuotedPhrasesKeptWhole) {
    EXPECT_EQ(SplitQueryWords("golf courses"), (Words{"golf", "courses"}));
    EXPECT_EQ(SplitQueryWords("  golf   courses  "), (Words{"golf", "courses"}));
    EXPECT_EQ(SplitQueryWords("\"golf courses\" clubs"), (Words{"\"golf courses\"", "clubs"}));
    EXPECT_EQ(SplitQueryWords("clubs \"golf courses\""), (Words{"clubs", "\"golf courses\""}));
    // A quote inside a word opens no phrase; a phrase never closed runs to the end.
    EXPECT_EQ(SplitQueryWords("it's a\"b c"), (Words{"it's", "a\"b", "c"}));
    EXPECT_EQ(SplitQueryWords("\"golf courses"), (Words{"\"golf courses"}));
    EXPECT_TRUE(SplitQueryWords("   ").empty());
}

TEST(QueryTranslation, TheFourFormats) {
    EXPECT_EQ(TranslateQuery("golf courses", "", kFormatAllWords), "golf AND courses");
    EXPECT_EQ(TranslateQuery("golf courses", "", kFormatAnyWords), "golf OR courses");
    EXPECT_EQ(TranslateQuery("golf courses", "", kFormatPhrase), "\"golf courses\"");
    EXPECT_EQ(TranslateQuery("golf  courses ", "", kFormatAsTyped), "golf  courses ");
    EXPECT_EQ(TranslateQuery("golf  courses", "", kFormatAllWords), "golf AND courses");
    EXPECT_EQ(TranslateQuery("golf courses clubs", "", kFormatAllWords), "golf AND courses AND clubs");
}

TEST(QueryTranslation, OperatorsTheUserTypedAreLeftAlone) {
    EXPECT_EQ(TranslateQuery("golf or courses", "", kFormatAllWords), "golf or courses");
    EXPECT_EQ(TranslateQuery("golf NOT courses", "", kFormatAnyWords), "golf NOT courses");
    // Short words that look like operators get no operator before them.
    EXPECT_EQ(TranslateQuery("books for kids", "", kFormatAllWords), "books for AND kids");
    // Words that only begin like an operator are ordinary words.
    EXPECT_EQ(TranslateQuery("andy notes", "", kFormatAllWords), "andy AND notes");
    EXPECT_EQ(TranslateQuery("\"golf courses\" clubs", "", kFormatAllWords), "\"golf courses\" AND clubs");
}

TEST(QueryTranslation, ExcludedWordsEachGetNot) {
    EXPECT_EQ(TranslateQuery("golf courses", "tennis polo", kFormatAllWords),
              "golf AND courses NOT tennis NOT polo");
    // Untranslated queries still get the exclude part.
    EXPECT_EQ(TranslateQuery("golf courses", "tennis polo", kFormatAsTyped),
              "golf courses NOT tennis NOT polo");
    EXPECT_EQ(TranslateQuery("golf", "tennis or polo", kFormatAllWords), "golf NOT tennis or polo");
    EXPECT_EQ(TranslateQuery("", "tennis", kFormatAllWords), "NOT tennis");
    EXPECT_EQ(TranslateQuery("golf", "", kFormatPhrase), "\"golf\"");
}

} // namespace
} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the advanced search dialog makes of the words the user typed: a query with explicit
// AND / OR between the words, or one quoted phrase, or the text as typed, followed by NOT
// and each word to exclude.

#include <string>
#include <string_view>
#include <vector>

namespace vireo {

// The dialog's format options (optFormat index).
enum QueryFormat : int {
    kFormatAllWords = 0,
    kFormatAnyWords = 1,
    kFormatPhrase = 2,
    kFormatAsTyped = 3, // "Do not translate query"
};

// The words of a text: split at spaces, a double quote after a space opening a phrase
// that runs to the next double quote followed by a space; a phrase keeps its quotes.
std::vector<std::string> SplitQueryWords(std::string_view text);
// "and", "or" or "not" in any letter case.
bool IsReservedWord(std::string_view word);
// Shorter than 4 characters and containing "and", "not" or "or" in any letter case (so
// "for" and "nor" count: no operator is put next to them).
bool IsOperatorLikeWord(std::string_view word);
// The query to send for the query and exclude texts in format `format` (a QueryFormat).
std::string TranslateQuery(std::string_view query, std::string_view exclude, int format);

} // namespace vireo

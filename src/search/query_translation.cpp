// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/query_translation.h"

#include "store/text_codec.h"

namespace vireo {

std::vector<std::string> SplitQueryWords(std::string_view text) {
    std::string padded = " " + std::string(text::TrimSpaces(text)) + " ";
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i + 1 < padded.size()) {
        // padded[i] is a space: a word starts after it.
        std::size_t start = i + 1;
        std::size_t end;
        if (padded[start] == '"') {
            std::size_t close = padded.find("\" ", start + 1);
            // A phrase without its closing quote runs to the end of the text.
            end = close == std::string::npos ? padded.size() - 1 : close + 1;
        } else {
            end = padded.find(' ', start);
        }
        // Runs of spaces give no empty words: an operator between two of them would be
        // sent as "AND AND".
        if (end > start)
            words.push_back(padded.substr(start, end - start));
        i = end;
    }
    return words;
}

bool IsReservedWord(std::string_view word) {
    std::string w = text::AsciiLower(word);
    return w == "and" || w == "or" || w == "not";
}

bool IsOperatorLikeWord(std::string_view word) {
    if (text::CharCount(word) >= 4)
        return false;
    std::string w = text::AsciiLower(word);
    return w.find("and") != std::string::npos || w.find("not") != std::string::npos ||
           w.find("or") != std::string::npos;
}

namespace {

void AppendItem(std::string& out, std::string_view item) {
    std::string_view t = text::TrimSpaces(item);
    if (!out.empty())
        out.push_back(' ');
    out.append(t);
}

} // namespace

std::string TranslateQuery(std::string_view query, std::string_view exclude, int format) {
    std::string result;
    std::vector<std::string> words;
    if (!query.empty() && format != kFormatAsTyped)
        words = SplitQueryWords(query);
    if (words.empty()) {
        result = query;
    } else {
        const char* op = format == kFormatAllWords ? "AND" : format == kFormatAnyWords ? "OR" : nullptr;
        for (std::size_t i = 0; i < words.size(); ++i) {
            AppendItem(result, words[i]);
            if (op && i + 1 < words.size() && !IsReservedWord(words[i]) && !IsReservedWord(words[i + 1]) &&
                !IsOperatorLikeWord(words[i + 1]))
                AppendItem(result, op);
        }
        if (format == kFormatPhrase)
            result = "\"" + result + "\"";
    }
    if (!exclude.empty()) {
        std::vector<std::string> ex = SplitQueryWords(exclude);
        for (std::size_t i = 0; i < ex.size(); ++i) {
            if (i == 0 || (!IsReservedWord(ex[i - 1]) && !IsReservedWord(ex[i])))
                AppendItem(result, "NOT");
            AppendItem(result, ex[i]);
        }
    }
    return result;
}

} // namespace vireo

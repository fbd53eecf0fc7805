// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a script says beyond its names: the Urls that give hits (its forms) and how to take
// the hits out of each one's pages. Only the script reader fills it; the request builder and
// the extractors read it.

#include <string>
#include <utility>
#include <vector>

#include "ornsearch/engine.h"

namespace vireo::orn {

// The namespace of our extension elements and attributes in an engine script.
inline constexpr char kExtensionNs[] = "urn:x-vireo:engine:1";

// A piece of a JSON field template: literal text, or the value at a path of the result.
struct JsonPiece {
    bool isPath = false;
    std::string text;              // the literal text
    std::vector<std::string> path; // the keys and indices of the value
};

// One way to get a title, address or snippet; a field lists them in the order to try.
struct FieldRule {
    std::string expr;             // the XPath (HTML) or the template (JSON), as written
    std::vector<JsonPiece> parts; // JSON: the template split into pieces
    bool markup = true;           // the value may carry tags and entities to remove
};

// One Url of a script: the request for its pages and the rules for reading them.
struct EngineForm {
    enum class Kind { Html, Json, Feed };
    Kind kind = Kind::Feed;
    std::string type; // the Url's type, for the search log

    // The request.
    std::string urlTemplate;
    std::string method = "GET";
    std::vector<std::pair<std::string, std::string>> params;  // <Param name value>
    std::vector<std::pair<std::string, std::string>> headers; // <vireo:Header name>value
    std::string inputEncoding = "UTF-8";
    int indexOffset = 1;
    int pageOffset = 1;
    int maxCount = 0; // the most hits one page may be asked for; 0 = no limit
    bool paged = false;

    // HTML: the result page marker, the no-results marker, the marker of the site's own
    // refusal page (a bot check, a consent wall) and the result entries.
    std::string resultPage;
    std::string noResults;
    std::string refusal;
    std::string result;

    // JSON: the results array and the engine's own error message.
    std::vector<std::string> resultsPath;
    std::vector<std::string> errorPath;
    bool hasErrorPath = false;

    std::vector<FieldRule> title;
    std::vector<FieldRule> address;
    std::vector<FieldRule> snippet;
    std::vector<std::string> unwrap; // query parameters that hold the real address
};

struct EngineScript::Rules {
    // In the script's order, at least one: a page is asked for with one form and, when that
    // fails, with the next; an answer is read by whichever form it turns out to be.
    std::vector<EngineForm> forms;
};

} // namespace vireo::orn

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Engine scripts and what the search runtime asks of them: read a script, build the
// address of one result page, and take the hits out of the page an engine sent back.
// Everything here is pure (no network, no threads), so it is tested and fuzzed on its own.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vireo::orn {

// The largest body we look at, after decompression.
inline constexpr std::size_t kMaxBody = 2u << 20;
// JSON nested deeper than this is no engine's answer and no feed's index; it only ever
// comes from an attack.
inline constexpr int kMaxJsonDepth = 64;

struct EngineScript {
    std::string id;          // the script's path
    std::string shortName;   // the file name before its first "." (unless that is its first character)
    std::string name;        // OpenSearch ShortName
    std::string description; // OpenSearch Description
    std::string homePage;
    bool user = false; // from the user's folder rather than the program folder

    // Everything else the runtime does not look at: the chosen Url, its parameters and
    // the extraction rules. Owned here so the script can be copied freely.
    struct Rules;
    std::shared_ptr<const Rules> rules;
};

// Reads one script file (at most 1 MB). False with a one-line reason in `error` when the
// file cannot be read or is not a usable script.
bool ReadEngineScript(const std::string& path, EngineScript& out, std::string* error);
// The same for a script held in memory (a downloaded update); `path` only names it.
bool ParseEngineScript(std::string_view text, const std::string& path, EngineScript& out, std::string* error);

// The usable scripts of the program folder's "engines/" and the user's folder (the folder
// that holds the user's scripts itself, "$XDG_DATA_HOME/Vireo/engines"), ordered by short
// name; a user's script replaces a shipped one of the same short name (compared without
// regard to case). Scripts are the files ending in ".xml" whose names do not start with
// "."; subfolders are not read. A folder that does not exist holds no scripts. Unusable
// files are reported in `problems`, one line each ("path: reason"); a user's script that
// cannot be read does not hide the shipped one of its name.
std::vector<EngineScript> LoadEngines(const std::string& programFolder, const std::string& userFolder,
                                      std::vector<std::string>* problems);

// One request for a result page.
struct PageRequest {
    std::string url;
    std::string method = "GET";       // "GET" or "POST"
    std::string body;                 // POST: the form-encoded parameters
    std::string contentType;          // POST: the body's type
    std::vector<std::string> headers; // extra "Name: value" lines (Accept)
};

// The request for the result page that starts after `hitsSoFar` hits (the `pageIndex`-th
// page, from 0), asking for `count` hits (cut to the most the engine's script allows).
// Engines that page by page number ({startPage}) count pages of a fixed size, so pass the
// same `count` for every page of one search. False with a reason when the template gives
// no usable http or https address (or asks for a parameter that cannot be filled).
// `more` is set false when the engine has no paging, so there is no page after the first.
// `form` picks one of the script's Urls (from 0, in the script's order): the next one is
// the fallback when a page cannot be had or read with the one before.
bool BuildPageRequest(const EngineScript& script, std::string_view query, int hitsSoFar, int pageIndex,
                      int count, PageRequest& out, bool* more, std::string* error, int form = 0);

// The number of Urls (forms) of a script that give hits; 0 for a script that was not read.
int FormCount(const EngineScript& script);

struct Hit {
    std::string title;
    std::string address; // absolute, unwrapped from redirects
    std::string snippet;
};

struct PageHits {
    bool ok = false;   // false: the page does not fit the script (wrong type, rules fail)
    std::string error; // why not, for the search log
    // With `ok` false: the page is the site refusing an automated search (a bot check, a
    // consent wall, "unusual traffic"), not a page the rules no longer fit.
    bool refused = false;
    int form = 0; // the form whose rules read the page
    std::vector<Hit> hits;
    // The result entries the page held, counting those without a usable address, which
    // are left out of `hits`. Page on by this: the next page starts after `items` more
    // (pass the sum as `hitsSoFar`); a page with none means the engine has run dry.
    int items = 0;
};

// The hits of one result page. `contentType` is the response's Content-Type (may be
// empty); `pageUrl` is the address the page came from (after redirects), against which
// relative addresses resolve. `form` is the form the page was asked for with; engines answer
// one form's request with another's page (an HTML page for a feed, the light page for the
// full one), so the page is read by the first form, that one first, whose rules take it:
// a form of the page's own kind before the others, and one that finds hits before one that
// finds none. Hostile input: never crashes, hangs or grows without bound.
PageHits ExtractHits(const EngineScript& script, std::string_view body, std::string_view contentType,
                     const std::string& pageUrl, int form = 0);

// Whether an answer is the site refusing an automated search: HTTP 429, a bot check or
// captcha, a consent wall, an "unusual traffic" page, or the script's own vireo:Refusal
// marker. The reason for the search log ("a bot check", ...), or empty when it is not.
// Meant for answers that gave no hits: a result page may well mention such words.
std::string RefusalOf(const EngineScript& script, std::string_view body, std::string_view contentType,
                      const std::string& pageUrl, long httpStatus);

} // namespace vireo::orn

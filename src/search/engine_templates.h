// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Engines made from a template the program ships (engines/templates/ in the program folder)
// for a service that people run for themselves, such as a SearXNG instance: the template
// with the instance's address in place of the template's own home page, written into the
// user's engines folder as an engine of its own. Several instances make several engines.

#include <string>
#include <string_view>

namespace vireo {

struct TemplateEngine {
    std::string path;      // the engine document written
    std::string shortName; // its file name before ".xml"
    std::string name;      // the name shown (at most 20 characters)
    std::string address;   // the instance's address as used ("https://searx.example.net")
};

// The instance's address as an engine uses it: a scheme added when missing ("https://"),
// scheme and host in lower case, no trailing "/". False with a reason when it is not an
// http or https address of a host, or carries a query, a fragment or characters an address
// in a document cannot hold.
bool NormalizeInstanceAddress(std::string_view typed, std::string& address, std::string& error);

// Writes the engine made from `templateName` (the template's file name without ".xml",
// such as "searxng") for the instance at `typedAddress` into `userFolder` (made when
// missing). Refuses an instance that already has its engine there. The file is written
// whole or not at all.
bool AddEngineFromTemplate(const std::string& programFolder, const std::string& userFolder,
                           std::string_view templateName, std::string_view typedAddress, TemplateEngine& made,
                           std::string& error);

} // namespace vireo

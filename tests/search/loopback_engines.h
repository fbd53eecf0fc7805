// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Engines on 127.0.0.1 for tests of the real search library: an OpenSearch script pointing at a
// local server that answers with an RSS 2.0 result page, as an engine's RSS interface sends it.

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "local_http_server.h"

namespace vireo::test {

struct EngineItem {
    std::string title;
    std::string link;
};

inline std::string RssResultPage(const std::vector<EngineItem>& items) {
    std::string body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\"><channel>"
                       "<title>Results</title><link>http://127.0.0.1/</link><description>hits</description>";
    for (const auto& i : items)
        body += "<item><title>" + i.title + "</title><link>" + i.link + "</link><description>About " +
                i.title + "</description></item>";
    return body + "</channel></rss>\n";
}

// Only the first page has hits, so paging stops; a query with "nothing" in it finds nothing.
inline void ServeRssEngine(LocalHttpServer& server, std::vector<EngineItem> items) {
    server.SetHandler([items](const std::string& target, LocalHttpServer::Response& r) {
        if (target.rfind("/search", 0) != 0)
            return false;
        bool firstPage = std::string_view(target).ends_with("&start=1");
        bool nothing = target.find("nothing") != std::string::npos;
        r.headers = "Content-Type: application/rss+xml; charset=utf-8\r\n";
        r.body = RssResultPage(firstPage && !nothing ? items : std::vector<EngineItem>{});
        return true;
    });
}

// An engine script for `address` ("http://127.0.0.1:port/path"), asking for RSS results.
inline void WriteRssEngine(const std::filesystem::path& folder, const std::string& shortName,
                           const std::string& name, const std::string& address) {
    std::ofstream(folder / (shortName + ".xml"))
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<OpenSearchDescription xmlns=\"http://a9.com/-/spec/opensearch/1.1/\">\n"
           "  <ShortName>"
        << name
        << "</ShortName>\n"
           "  <Description>A search engine on this machine</Description>\n"
           "  <Url type=\"application/rss+xml\" template=\""
        << address << "?q={searchTerms}&amp;start={startIndex}\" indexOffset=\"1\"/>\n"
        << "</OpenSearchDescription>\n";
}

} // namespace vireo::test

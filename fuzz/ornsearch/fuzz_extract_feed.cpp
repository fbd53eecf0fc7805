// SPDX-License-Identifier: GPL-3.0-or-later
// RSS 2.0, RSS 1.0 and Atom feeds, read by their standard fields.
#include <cstdint>

#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const vireo::orn::EngineScript s = vireo::orn::fuzz::Script(R"(<?xml version="1.0"?>
<OpenSearchDescription xmlns="http://a9.com/-/spec/opensearch/1.1/" xmlns:vireo="urn:x-vireo:engine:1">
  <ShortName>Fuzz</ShortName>
  <Url type="application/rss+xml" template="https://engine.example/rss?q={searchTerms}"><vireo:Unwrap>url</vireo:Unwrap></Url>
</OpenSearchDescription>)");
    vireo::orn::fuzz::Extract(s, std::string_view(reinterpret_cast<const char*>(data), size),
                              "application/rss+xml");
    return 0;
}

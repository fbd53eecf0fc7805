// SPDX-License-Identifier: GPL-3.0-or-later
// JSON answers against paths and templates, with a results array, an error path and
// fallbacks.
#include <cstdint>

#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const vireo::orn::EngineScript s = vireo::orn::fuzz::Script(R"(<?xml version="1.0"?>
<OpenSearchDescription xmlns="http://a9.com/-/spec/opensearch/1.1/" xmlns:vireo="urn:x-vireo:engine:1">
  <ShortName>Fuzz</ShortName>
  <Url type="application/json" template="https://engine.example/api?q={searchTerms}&amp;page={startPage}">
    <vireo:Json>
      <vireo:Results>a.items</vireo:Results>
      <vireo:Error>error.message</vireo:Error>
      <vireo:Title>title</vireo:Title>
      <vireo:Title>names.0</vireo:Title>
      <vireo:Address>url</vireo:Address>
      <vireo:Address>https://engine.example/item/{id}?k={keys}</vireo:Address>
      <vireo:Snippet>{text} ({tags})</vireo:Snippet>
      <vireo:Snippet markup="text">deep.0.1.x</vireo:Snippet>
      <vireo:Unwrap>u</vireo:Unwrap>
    </vireo:Json>
  </Url>
</OpenSearchDescription>)");
    static const vireo::orn::EngineScript root = vireo::orn::fuzz::Script(R"(<?xml version="1.0"?>
<OpenSearchDescription xmlns="http://a9.com/-/spec/opensearch/1.1/" xmlns:vireo="urn:x-vireo:engine:1">
  <ShortName>Fuzz</ShortName>
  <Url type="application/json" template="https://engine.example/api?q={searchTerms}">
    <vireo:Json><vireo:Results>.</vireo:Results><vireo:Title>0</vireo:Title><vireo:Address>1</vireo:Address></vireo:Json>
  </Url>
</OpenSearchDescription>)");
    std::string_view page(reinterpret_cast<const char*>(data), size);
    vireo::orn::fuzz::Extract(s, page, "application/json");
    vireo::orn::fuzz::Extract(root, page, "application/json");
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// HTML result pages against rules of every kind: result, title, address, snippet, the
// page markers and redirect unwrapping.
#include <cstdint>

#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const vireo::orn::EngineScript s = vireo::orn::fuzz::Script(R"(<?xml version="1.0"?>
<OpenSearchDescription xmlns="http://a9.com/-/spec/opensearch/1.1/" xmlns:vireo="urn:x-vireo:engine:1">
  <ShortName>Fuzz</ShortName>
  <Url type="text/html" template="https://engine.example/search?q={searchTerms}&amp;s={startIndex}">
    <vireo:Html>
      <vireo:ResultPage>//div[@id='links'] | //ul</vireo:ResultPage>
      <vireo:NoResults>//*[contains(@class, 'no-results')]</vireo:NoResults>
      <vireo:Result>//div[contains(concat(' ', @class, ' '), ' result ')] | //li</vireo:Result>
      <vireo:Title>.//h2/a</vireo:Title>
      <vireo:Title>.//a</vireo:Title>
      <vireo:Address>.//a</vireo:Address>
      <vireo:Address>string(.//@data-href)</vireo:Address>
      <vireo:Snippet>.//p | .//*[@class='snippet']</vireo:Snippet>
      <vireo:Snippet markup="html">string(.//@title)</vireo:Snippet>
      <vireo:Unwrap>uddg</vireo:Unwrap>
      <vireo:Unwrap>q</vireo:Unwrap>
    </vireo:Html>
  </Url>
</OpenSearchDescription>)");
    vireo::orn::fuzz::Extract(s, std::string_view(reinterpret_cast<const char*>(data), size), "text/html");
    return 0;
}

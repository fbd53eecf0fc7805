// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Helpers of the engine-script tests: scripts written inline, fixtures read from
// tests/data/ornsearch.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <string_view>

#include "ornsearch/engine.h"
#include "test_support.h"

namespace vireo::orn::test {

using vireo::test::WriteText;

// A script from the elements inside its root element.
inline std::string ScriptText(std::string_view inner) {
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<OpenSearchDescription xmlns="http://a9.com/-/spec/opensearch/1.1/" xmlns:vireo="urn:x-vireo:engine:1">
)" + std::string(inner) +
           "\n</OpenSearchDescription>\n";
}

// The script read from `inner`; fails the test when it does not read.
inline EngineScript Script(std::string_view inner, const std::string& path = "/engines/test.xml") {
    EngineScript s;
    std::string error;
    EXPECT_TRUE(ParseEngineScript(ScriptText(inner), path, s, &error)) << error;
    return s;
}

// The request for one page; fails the test when it cannot be built.
inline PageRequest Request(const EngineScript& s, std::string_view query, int hitsSoFar, int pageIndex,
                           int count, bool* more = nullptr, int form = 0) {
    PageRequest req;
    std::string error;
    EXPECT_TRUE(BuildPageRequest(s, query, hitsSoFar, pageIndex, count, req, more, &error, form)) << error;
    return req;
}

// A page's hits as one text, a line each: "title | address | snippet".
inline std::string HitLines(const PageHits& page) {
    std::string out;
    for (const Hit& h : page.hits)
        out += h.title + " | " + h.address + " | " + h.snippet + "\n";
    return out;
}

// A fixture's bytes; fails the test when it is missing.
inline std::string ReadData(std::string_view rel) {
    const char* base = std::getenv("VIREO_TEST_DATA");
    std::string text =
        vireo::test::ReadText(std::string(base ? base : "tests/data") + "/ornsearch/" + std::string(rel));
    EXPECT_FALSE(text.empty()) << "missing fixture " << rel;
    return text;
}

} // namespace vireo::orn::test

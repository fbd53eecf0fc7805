// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Helpers of the engine-script tests: scripts written inline, fixtures read from
// tests/data/ornsearch.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "ornsearch/engine.h"

namespace vireo::orn::test {

inline constexpr char kHead[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<OpenSearchDescription xmlns="http://a9.com/-/spec/opensearch/1.1/" xmlns:vireo="urn:x-vireo:engine:1">
)";

// A script from the elements inside its root element.
inline std::string ScriptText(std::string_view inner) {
    return std::string(kHead) + std::string(inner) + "\n</OpenSearchDescription>\n";
}

// The script read from `inner`; fails the test when it does not read.
inline EngineScript Script(std::string_view inner, const std::string& path = "/engines/test.xml") {
    EngineScript s;
    std::string error;
    EXPECT_TRUE(ParseEngineScript(ScriptText(inner), path, s, &error)) << error;
    return s;
}

inline std::string DataPath(std::string_view rel) {
    const char* base = std::getenv("VIREO_TEST_DATA");
    return std::string(base ? base : "tests/data") + "/ornsearch/" + std::string(rel);
}

inline std::string ReadData(std::string_view rel) {
    std::ifstream in(DataPath(rel), std::ios::binary);
    EXPECT_TRUE(in.good()) << "missing fixture " << rel;
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteText(const std::string& path, std::string_view text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

} // namespace vireo::orn::test

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/search_library_dl.h"
#include "search/scripted_search_library.h"
#include "shell/registry.h"

namespace vireo {
namespace {

TEST(SearchLibraryLoader, AMissingOrForeignLibraryIsToldOnceAndThenRefusesQuietly) {
    MemoryRegistry reg;
    SetRegValue(reg, SettingsPath("\\search"), "EngineFeed", "http://127.0.0.1:9/feed.json");
    // libm: any shared library that is not the search library.
    for (const char* path : {"/nonexistent/lib/vireo/libornsearch.so", "libm.so.6"}) {
        SCOPED_TRACE(path);
        ::unsetenv("VIREO_ENGINE_FEED");
        test::ScriptedMessages messages;
        DlSearchLibrary lib(reg, messages, path);
        std::vector<SiteEntry> sites{{"left over", "", ""}};
        EXPECT_EQ(lib.GetSites("/p/", sites), 0);
        EXPECT_TRUE(sites.empty());
        EXPECT_FALSE(lib.Usable());
        EXPECT_EQ(
            lib.InternetSearchMT({"a"}, "golf", 10, 100, 5, std::make_shared<SearchEventQueue>(), 20, 0), 0);
        EXPECT_EQ(lib.UpdateScripts("/p/"), 0);
        EXPECT_EQ(lib.ConnectionExists(), 0);
        EXPECT_EQ(lib.CancelSearch(), 0);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].title, "Vireo Engine Error");
        EXPECT_NE(messages.shown[0].text.find(path[0] == '/' ? path : "lacks the function GetSites"),
                  std::string::npos)
            << messages.shown[0].text;
        // The feed setting reached the environment before loading was tried.
        const char* feed = std::getenv("VIREO_ENGINE_FEED");
        ASSERT_NE(feed, nullptr);
        EXPECT_STREQ(feed, "http://127.0.0.1:9/feed.json");
    }
}

// The build tree is laid out as an installation (the tests run from build/tests), so the
// program looks for the library exactly where the build and the installation put it.
TEST(SearchLibraryLoader, ThePathIsWhereTheLibraryIsPut) {
    namespace fs = std::filesystem;
    fs::path expected = fs::weakly_canonical(fs::path(VIREO_LIBRARY_BUILD_FOLDER) / "libornsearch.so");
    EXPECT_EQ(fs::weakly_canonical(DefaultSearchLibraryPath()), expected);
}

} // namespace
} // namespace vireo

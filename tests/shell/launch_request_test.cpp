// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "shell/launch_request.h"

namespace vireo {
namespace {

using Action = LaunchRequest::Action;

TEST(LaunchRequest, FilesOptionsAndTheEndOfOptions) {
    LaunchRequest r =
        ParseVireoArguments({"News.url", "/home/ann/Old Links/Owl.url", "file:///tmp/a%20b.url"});
    EXPECT_EQ(r.action, Action::Run);
    EXPECT_EQ(r.files,
              (std::vector<std::string>{"News.url", "/home/ann/Old Links/Owl.url", "file:///tmp/a%20b.url"}));

    // --help and --version win wherever they stand, even after a mistake.
    EXPECT_EQ(ParseVireoArguments({"News.url", "--help"}).action, Action::Help);
    EXPECT_EQ(ParseVireoArguments({"--bogus", "--version"}).action, Action::Version);

    // An unknown option is an error that names it, and nothing is opened.
    r = ParseVireoArguments({"News.url", "--bogus"});
    EXPECT_EQ(r.action, Action::Error);
    EXPECT_NE(r.error.find("--bogus"), std::string::npos);

    // After "--" everything is a file, so a file may be called "-x.url" or "--help".
    r = ParseVireoArguments({"--", "-x.url", "--help", "-"});
    EXPECT_EQ(r.action, Action::Run);
    EXPECT_EQ(r.files, (std::vector<std::string>{"-x.url", "--help", "-"}));
}

TEST(LaunchRequest, HandOverMessageSurvivesAnyFileName) {
    std::vector<std::string> paths = {"/home/ann/News.url", "/tmp/two\nlines.url", "/tmp/Grüße.url",
                                      "/tmp/tab\tand \"quotes\".url"};
    std::string message = EncodeOpenRequest(paths);
    std::vector<std::string> read;
    ASSERT_EQ(DecodeOpenRequest(message, read), OpenRequestState::Complete);
    EXPECT_EQ(read, paths);

    // Arriving in pieces: every proper prefix asks for more and yields no files.
    for (std::size_t n = 0; n < message.size(); ++n) {
        std::vector<std::string> part{"left over"};
        EXPECT_EQ(DecodeOpenRequest(std::string_view(message).substr(0, n), part),
                  OpenRequestState::Incomplete)
            << n;
        EXPECT_TRUE(part.empty());
    }
}

TEST(LaunchRequest, ForeignOrOversizedMessagesAreRefused) {
    std::vector<std::string> read;
    // Not our header: refused at the first wrong byte, without waiting for more.
    EXPECT_EQ(DecodeOpenRequest("GET / HTTP/1.1\r\n", read), OpenRequestState::Invalid);
    // Bytes after the end are not what a copy of ours sends; no files at all is a copy
    // asking the running one to come forward.
    EXPECT_EQ(DecodeOpenRequest(EncodeOpenRequest({}), read), OpenRequestState::Complete);
    EXPECT_TRUE(read.empty());
    EXPECT_EQ(DecodeOpenRequest(EncodeOpenRequest({"/a.url"}) + "x", read), OpenRequestState::Invalid);

    // Too many files or too many bytes: refused, however the sender goes on.
    std::vector<std::string> many(kOpenRequestMaxFiles + 1, "/a.url");
    EXPECT_EQ(DecodeOpenRequest(EncodeOpenRequest(many), read), OpenRequestState::Invalid);
    many.resize(kOpenRequestMaxFiles);
    EXPECT_EQ(DecodeOpenRequest(EncodeOpenRequest(many), read), OpenRequestState::Complete);
    std::string huge(kOpenRequestHeader);
    huge += std::string(kOpenRequestMaxBytes, 'a');
    EXPECT_EQ(DecodeOpenRequest(huge, read), OpenRequestState::Invalid);
}

} // namespace
} // namespace vireo

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include "platform/paths.h"
#include "platform/single_instance.h"

namespace vireo {
namespace {

// What a second copy started now would be told, asked from another process.
sys::SingleInstance::Result SecondCopy() {
    pid_t pid = ::fork();
    if (pid == 0) {
        sys::SingleInstance other;
        ::_exit(static_cast<int>(other.Acquire("vireo-test")));
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return static_cast<sys::SingleInstance::Result>(WEXITSTATUS(status));
}

TEST(SingleInstance, OnlyOneCopyPerUser) {
    sys::SingleInstance first;
    std::string error;
    ASSERT_EQ(first.Acquire("vireo-test", &error), sys::SingleInstance::Result::First) << error;
    EXPECT_EQ(SecondCopy(), sys::SingleInstance::Result::AlreadyRunning);
    first.Release();
    EXPECT_EQ(SecondCopy(), sys::SingleInstance::Result::First);

    // The lock lives in the user's runtime folder (the temporary folder when there is none).
    EXPECT_EQ(sys::SingleInstance::LockPath("vireo").rfind(sys::RuntimeDir(), 0), 0u);
}

} // namespace
} // namespace vireo

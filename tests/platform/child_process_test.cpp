#include "platform/child_process.h"

#include <gtest/gtest.h>

namespace kiv::platform {
namespace {

const std::filesystem::path kShell = "/bin/sh";

TEST(ChildProcess, ReadsLinesAndExitCode) {
    ChildProcess child(kShell, {"-c", "printf 'one\\ntwo\\n'; printf \"$KIV_CHILD_WORD\\n\"; exit 3"},
                       {{"KIV_CHILD_WORD", "three"}});
    EXPECT_EQ(child.readLine(), "one");
    EXPECT_EQ(child.readLine(), "two");
    EXPECT_EQ(child.readLine(), "three");
    EXPECT_EQ(child.readLine(), std::nullopt);
    EXPECT_EQ(child.wait(), 3);
}

TEST(ChildProcess, HardKillEndsABusyChild) {
    ChildProcess child(kShell, {"-c", "echo ready; while :; do :; done"});
    ASSERT_EQ(child.readLine(), "ready");
    child.killHard();
    EXPECT_EQ(child.wait(), -9);
}

TEST(ChildProcess, MissingProgramIsAnError) {
    EXPECT_THROW(ChildProcess("/nonexistent/program", {}), std::system_error);
}

} // namespace
} // namespace kiv::platform

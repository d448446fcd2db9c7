#include <chrono>
#include <optional>

#include <gtest/gtest.h>

#include "platform/child_process.h"

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

// A child steered line by line: nothing can arrive before the test writes, so the first
// read must end by its time-out, and a child that has gone must not take the test with it.
TEST(ChildProcess, TalksThroughStandardInputAndOutput) {
    ChildProcess child(kShell, {"-c", "while read line; do printf 'got %s\\r\\n' \"$line\"; done"});
    EXPECT_EQ(child.readLine(std::chrono::milliseconds(50)), std::nullopt);
    ASSERT_TRUE(child.writeLine("ping"));
    EXPECT_EQ(child.readLine(std::chrono::seconds(10)), "got ping");
    ASSERT_TRUE(child.writeLine("pong"));
    EXPECT_EQ(child.readLine(), "got pong");
    child.killHard();
    EXPECT_EQ(child.wait(), -9);
    EXPECT_FALSE(child.writeLine("nobody reads this"));
    EXPECT_EQ(child.readLine(std::chrono::seconds(10)), std::nullopt);
}

TEST(ChildProcess, MovedProcessIsOwnedByItsNewHolder) {
    std::optional<ChildProcess> holder;
    {
        ChildProcess child(kShell, {"-c", "echo one; read line; echo \"$line\""});
        holder.emplace(std::move(child));
    }
    EXPECT_EQ(holder->readLine(), "one");
    ASSERT_TRUE(holder->writeLine("two"));
    EXPECT_EQ(holder->readLine(), "two");
    EXPECT_EQ(holder->wait(), 0);
}

TEST(ChildProcess, MissingProgramIsAnError) {
    EXPECT_THROW(ChildProcess("/nonexistent/program", {}), std::system_error);
}

} // namespace
} // namespace kiv::platform

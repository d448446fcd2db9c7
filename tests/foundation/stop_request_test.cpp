#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/stop_request.h"
#include "test_support/log_capture.h"

namespace kiv {
namespace {

class StopRequestTest : public ::testing::Test {
protected:
    void SetUp() override { gf_resetRunStateForTests(); }
    void TearDown() override { gf_resetRunStateForTests(); }
};

TEST_F(StopRequestTest, ReasonTableGivesTextAndWhetherItRestarts) {
    struct Row {
        std::uint32_t code;
        const char* text;
        bool restarts;
    };
    const Row rows[] = {
        {0, "NOT YET SET", false},
        {1, "SIM WAS CLOSED", false},
        {2, "NEW FLIGHT", true},
        {3, "NEW SETTINGS", true},
        {4, "USER CLOSED SIM", false},
        {5, "INSTALL PATH MISSING", false},
        {6, "SIMCONNECT ERROR", true},
        {7, "READER ERROR", true},
        {8, "SYSTEM ERROR", false},
        {9, "NEW VERSION", false},
        {10, "TRAFFIC MAILBOX STALLED", false},
    };
    for (const Row& row : rows) {
        const auto reason = static_cast<ExitReason>(row.code);
        EXPECT_EQ(gf_exitReasonText(reason), row.text) << row.code;
        EXPECT_EQ(gf_exitReasonRestarts(reason), row.restarts) << row.code;
    }
    EXPECT_THROW(gf_exitReasonText(static_cast<ExitReason>(11)), std::out_of_range);
    EXPECT_THROW(gf_exitReasonRestarts(static_cast<ExitReason>(11)), std::out_of_range);
}

TEST_F(StopRequestTest, FirstRequestWinsAndLaterOnesAreDropped) {
    EXPECT_TRUE(gf_isRunning());
    EXPECT_EQ(gf_pendingStopRequest(), nullptr);
    EXPECT_TRUE(gf_installStopRequest(ExitReason::reader_error, 15));
    EXPECT_FALSE(gf_installStopRequest(ExitReason::system_error, 0));
    EXPECT_FALSE(gf_isRunning());
    const auto pending = gf_pendingStopRequest();
    ASSERT_NE(pending, nullptr);
    EXPECT_EQ(pending->reason, ExitReason::reader_error);
    EXPECT_EQ(pending->delaySeconds, 15u);
    gf_clearStopRequest();
    EXPECT_TRUE(gf_isRunning());
}

TEST_F(StopRequestTest, ClosingStopsRunningWithoutARequest) {
    gf_setClosing();
    EXPECT_FALSE(gf_isRunning());
    EXPECT_EQ(gf_pendingStopRequest(), nullptr);
    gf_clearStopRequest();
    EXPECT_TRUE(gf_isClosing());
}

TEST_F(StopRequestTest, RestartAndSimulatorLostInstallTheirReasons) {
    gf_requestRestart();
    ASSERT_NE(gf_pendingStopRequest(), nullptr);
    EXPECT_EQ(gf_pendingStopRequest()->reason, ExitReason::new_flight);
    EXPECT_EQ(gf_pendingStopRequest()->delaySeconds, 45u);

    gf_clearStopRequest();
    test_support::LogCapture log;
    gf_stopOnSimulatorLost();
    ASSERT_NE(gf_pendingStopRequest(), nullptr);
    EXPECT_EQ(gf_pendingStopRequest()->reason, ExitReason::sim_was_closed);
    // Once stopped, a second loss neither logs nor replaces the request.
    gf_stopOnSimulatorLost();
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("Flight Simulator no longer connected, VELT_P3D will stop ..."), std::string::npos);
}

TEST_F(StopRequestTest, ConcurrentRequestsInstallExactlyOne) {
    std::atomic<int> installed{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&installed, i] {
            if (gf_installStopRequest(static_cast<ExitReason>(i % 11), 0)) {
                ++installed;
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(installed.load(), 1);
}

} // namespace
} // namespace kiv

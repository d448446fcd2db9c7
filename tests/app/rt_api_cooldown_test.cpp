#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/closing_down_fakes.h"
#include "app/rt_api_cooldown.h"
#include "settings/settings_table.h"
#include "test_support/pinned_clock.h"

namespace kiv {
namespace {

using test_support::ClosingDownTest;
using test_support::PinnedClock;

constexpr std::int64_t kSecond = 1'000'000'000;
constexpr std::int64_t kUtcNow = 1'700'000'000;

TEST_F(ClosingDownTest, PersistingTheCooldownSetsThreeSecondsAndStoresTheLogoutTime) {
    PinnedClock utc(kUtcNow);
    lf_persistRTAPICooldown(clock, flags);
    EXPECT_EQ(flags.rtApiCooldownDeadlineNs.load(), clock.now + 3 * kSecond);
    EXPECT_EQ(param::LAST_EPOCH_TIME.value, kUtcNow);
    EXPECT_EQ(fileValues("LAST_EPOCH_TIME:"), std::vector<std::string>{"1700000000"});
}

TEST_F(ClosingDownTest, TheHoldWaitsOutWhatIsLeftOfTheCooldown) {
    struct Row {
        const char* name;
        std::optional<std::int64_t> memoryDeadlineFromNowNs; // in-memory deadline, relative
        std::int32_t lastLogoutFromNowSeconds;               // LAST_EPOCH_TIME: relative, or 0 for unset
        bool lastLogoutSet;
        std::int64_t waitedNs;
        const char* message;
    };
    const std::vector<Row> rows = {
        {"in memory, 2.5 s left", 2'500'000'000, 0, false, 2'500'000'000, "Holding for 3 seconds... (RT API cooldown)"},
        {"in memory, 1 ns left", 1, 0, false, 1, "Holding for 1 second... (RT API cooldown)"},
        {"in memory, passed", -1, 0, false, 0, nullptr},
        {"in memory wins over the stored time", 1 * kSecond, -1, true, kSecond,
         "Holding for 1 second... (RT API cooldown)"},
        {"last logout 1 s ago", std::nullopt, -1, true, 3 * kSecond, "Holding for 3 seconds... (RT API cooldown)"},
        {"last logout 3 s ago", std::nullopt, -3, true, kSecond, "Holding for 1 second... (RT API cooldown)"},
        {"last logout 4 s ago", std::nullopt, -4, true, 0, nullptr},
        {"last logout in the future", std::nullopt, 100, true, 4 * kSecond,
         "Holding for 4 seconds... (RT API cooldown)"},
        {"never logged out", std::nullopt, 0, false, 0, nullptr},
    };
    for (const Row& row : rows) {
        PinnedClock utc(kUtcNow);
        Gui rowGui(clock);
        flags.rtApiCooldownDeadlineNs.store(row.memoryDeadlineFromNowNs ? clock.now + *row.memoryDeadlineFromNowNs : 0);
        param::LAST_EPOCH_TIME.value =
            row.lastLogoutSet ? static_cast<std::int32_t>(kUtcNow + row.lastLogoutFromNowSeconds) : 0;
        const std::int64_t start = clock.now;
        lf_holdForRTAPICooldown(clock, flags, rowGui);
        EXPECT_EQ(clock.now - start, row.waitedNs) << row.name;
        rowGui.drainUpdates();
        EXPECT_EQ(rowGui.status().messageLine, row.message ? row.message : "") << row.name;
        EXPECT_EQ(flags.rtApiCooldownDeadlineNs.load(), 0) << row.name;
        for (std::int64_t sleep : clock.sleeps) {
            EXPECT_LE(sleep - start, row.waitedNs) << row.name; // never past the deadline
        }
        clock.sleeps.clear();
    }
}

TEST_F(ClosingDownTest, AStopEndsTheHoldAndForgetsTheDeadline) {
    flags.rtApiCooldownDeadlineNs.store(clock.now + 3 * kSecond);
    clock.onSleep = [](test_support::FakeClock& fake) {
        if (fake.sleeps.size() == 5) {
            gf_installStopRequest(ExitReason::new_settings, 0);
        }
    };
    const std::int64_t start = clock.now;
    lf_holdForRTAPICooldown(clock, flags, gui);
    EXPECT_EQ(clock.now - start, 500'000'000);
    EXPECT_EQ(flags.rtApiCooldownDeadlineNs.load(), 0);
}

} // namespace
} // namespace kiv

// The slower steps of the simulator loop that keep the parking in step: the maximum park
// count, the parking-update handshake and the parking countdown.
#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "traffic/simulator_loop.h"
#include "traffic_fakes.h"

namespace kiv {
namespace {

using test_support::TrafficFixture;

constexpr std::int64_t kMs = 1'000'000;

struct PeriodicWorkTest : TrafficFixture, ::testing::Test {
    bool posted(const std::string& text) const {
        return std::find(shell.posts.begin(), shell.posts.end(), text) != shell.posts.end();
    }
    void setStands(std::size_t count) {
        state.parkStands.assign(count, Stand{});
        for (std::size_t i = 0; i < count; ++i) {
            state.parkStands[i].number = static_cast<std::uint32_t>(i + 1);
        }
    }
};

TEST_F(PeriodicWorkTest, MaxParkFollowsTheSelectionWhenOnlyTheServicesParkedTrafficIsShown) {
    struct Case {
        const char* name;
        bool signal;
        bool serviceParkingOnly;
        std::int32_t selection;
        std::size_t stands;
        std::int32_t previous;
        std::string post; // "" when nothing is posted
        std::int32_t count;
        bool computed;
        bool limited;
    };
    const Case cases[] = {
        {"no change signalled", false, true, 3, 8, 5, "", 5, false, false},
        {"no park stands", true, true, 3, 0, 5, "", 5, false, false},
        {"own planning computes it", true, false, 3, 8, 5, "", 5, true, false},
        {"selection within the stands", true, true, 3, 8, 0, "MaxPark 3,38", 3, false, false},
        {"share rounds half up", true, true, 1, 8, 0, "MaxPark 1,13", 1, false, false},
        {"selection above the stands", true, true, 12, 8, 8, "MaxPark 8,100", 8, false, false},
        {"equal to before: nothing removed", true, true, 4, 8, 4, "MaxPark 4,50", 4, false, false},
        {"fell: parked aircraft limited", true, true, 3, 8, 4, "MaxPark 3,38", 3, false, true},
        {"zero", true, true, 0, 8, 4, "MaxPark 0,0", 0, false, true},
        {"below zero counts as zero", true, true, -3, 8, 4, "MaxPark 0,0", 0, false, true},
    };
    for (const Case& c : cases) {
        shell.posts.clear();
        steps.calls.clear();
        setStands(c.stands);
        state.maxParkCount = c.previous;
        state.maxParkChanged = c.signal;
        gf_updateSettings([&](SettingsSnapshot& s) {
            s.rtParkTrafficOnly = c.serviceParkingOnly;
            s.maxParkSel = c.selection;
        });
        lf_perSecondWork(state);
        const auto maxParkPosts = std::count_if(shell.posts.begin(), shell.posts.end(),
                                                [](const std::string& p) { return p.starts_with("MaxPark"); });
        EXPECT_EQ(maxParkPosts, c.post.empty() ? 0 : 1) << c.name;
        if (!c.post.empty()) {
            EXPECT_TRUE(posted(c.post)) << c.name;
        }
        EXPECT_EQ(state.maxParkCount, c.count) << c.name;
        EXPECT_EQ(steps.count("gf_computeMaxPark"), c.computed ? 1 : 0) << c.name;
        EXPECT_EQ(steps.count("gf_limitParkedAircraft"), c.limited ? 1 : 0) << c.name;
    }
}

TEST_F(PeriodicWorkTest, ParkingHandshakeTakesARequestThenAppliesIt) {
    struct Case {
        const char* name;
        bool parkAirport;
        bool replaceAllPending;
        bool replaceAllAgainMeanwhile;
        std::int64_t applyMs;
        bool applied;
        std::int32_t tickAdvance;
        bool pendingAfter;
    };
    const Case cases[] = {
        {"quick plan", true, false, false, 0, true, 0, false},
        {"4 ms: no advance", true, false, false, 4, true, 0, false},
        {"5 ms: one tick", true, false, false, 5, true, 1, false},
        {"14 ms: one tick", true, false, false, 14, true, 1, false},
        {"15 ms: rounded up to two", true, false, false, 15, true, 2, false},
        {"253 ms", true, false, false, 253, true, 25, false},
        {"replace-all applied: no longer pending", true, true, false, 0, true, 0, false},
        {"another replace-all came meanwhile: still pending", true, true, true, 0, true, 0, true},
        {"no park airport: nothing applied, still pending", false, true, false, 0, false, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        steps.calls.clear();
        shell.posts.clear();
        feeds.calls.clear();
        airports.parkAirport = c.parkAirport ? ParkAirportInfo{"EDDF", 50.03, 8.57} : ParkAirportInfo{};
        setStands(4);
        state.parkingPlanInForce = false;
        state.tickCount = 1000;
        {
            const std::lock_guard lock(state.parkingRequests.mutex);
            state.parkingRequests.parkingUpdateRequests = 7;
            state.parkingRequests.parkingUpdatesHandled = 5;
            state.parkingRequests.replaceAllRequests = 2;
            state.parkingRequests.replaceAllPending = c.replaceAllPending;
        }
        // First step: the request is taken over and fresh parked traffic gathered.
        lf_fifteenSecondWork(state, 15);
        ASSERT_TRUE(state.waitingUpdate.waiting);
        EXPECT_TRUE(posted("gf_disableParkingControls"));
        EXPECT_EQ(feeds.calls, std::vector<std::string>{"gf_clearReceivedTraffic"});
        EXPECT_EQ(steps.calls, std::vector<std::string>{});

        if (c.replaceAllAgainMeanwhile) {
            const std::lock_guard lock(state.parkingRequests.mutex);
            ++state.parkingRequests.replaceAllRequests;
        }
        steps.onApplyParkingAdjustments = [&] { clock.now += c.applyMs * kMs; };
        // Second step: applied.
        lf_fifteenSecondWork(state, 15);
        EXPECT_FALSE(state.waitingUpdate.waiting);
        EXPECT_EQ(
            steps.count(c.replaceAllPending ? "lf_applyParkingAdjustments all" : "lf_applyParkingAdjustments some"),
            c.applied ? 1 : 0);
        EXPECT_EQ(state.parkingPlanInForce, c.applied);
        EXPECT_EQ(state.tickCount.load(), 1000 + c.tickAdvance);
        const std::lock_guard lock(state.parkingRequests.mutex);
        EXPECT_EQ(state.parkingRequests.parkingUpdatesHandled, 7u);
        EXPECT_EQ(state.parkingRequests.replaceAllPending, c.pendingAfter);
    }
}

TEST_F(PeriodicWorkTest, ParkingCountdownRunsEveryMinuteAndAsksForAnUpdateWhenItEnds) {
    gf_updateSettings([](SettingsSnapshot& s) { s.parkingIntervalMinutes = 20; });
    struct Case {
        const char* name;
        std::int32_t second;
        bool restarted;
        std::int32_t before;
        bool rtApp;
        bool fileRead;
        bool planInForce;
        bool requestWaiting;
        std::int32_t after;
        bool askedRtApp;
        bool updateRequested;
    };
    const Case cases[] = {
        {"not a full minute", 30, false, 5, false, true, false, false, 5, false, false},
        {"a minute", 60, false, 5, false, true, false, false, 4, false, false},
        {"restarted this minute: only the flag goes", 120, true, 5, false, true, false, false, 5, false, false},
        {"two left, RT App: parked traffic asked for", 60, false, 2, true, true, false, false, 1, true, false},
        {"two left, RT Direct", 60, false, 2, false, true, false, false, 1, false, false},
        {"three left, RT App", 60, false, 3, true, true, false, false, 2, false, false},
        {"ends: update requested", 60, false, 1, false, true, false, false, 20, false, true},
        {"ends, file not read", 60, false, 1, false, false, false, false, 20, false, false},
        {"ends, plan in force", 60, false, 1, false, true, true, false, 20, false, false},
        {"ends, a request waits", 60, false, 1, false, true, false, true, 20, false, false},
    };
    for (const Case& c : cases) {
        feeds.calls.clear();
        shell.posts.clear();
        feeds.rtDirect = !c.rtApp;
        state.secondCount = c.second;
        state.countdownRestarted = c.restarted;
        state.parkingCountdown = c.before;
        state.parkAirportFileRead = c.fileRead;
        state.parkingPlanInForce = c.planInForce;
        {
            const std::lock_guard lock(state.parkingRequests.mutex);
            state.parkingRequests.parkingUpdatesHandled = 3;
            state.parkingRequests.parkingUpdateRequests = c.requestWaiting ? 4 : 3;
        }
        lf_thirtySecondWork(state);
        EXPECT_EQ(state.parkingCountdown, c.after) << c.name;
        EXPECT_FALSE(state.countdownRestarted) << c.name;
        EXPECT_EQ(std::count(feeds.calls.begin(), feeds.calls.end(), "gf_requestRTAppParkedTraffic"),
                  c.askedRtApp ? 1 : 0)
            << c.name;
        {
            const std::lock_guard lock(state.parkingRequests.mutex);
            EXPECT_EQ(state.parkingRequests.parkingUpdateRequests,
                      (c.requestWaiting ? 4u : 3u) + (c.updateRequested ? 1u : 0u))
                << c.name;
        }
        EXPECT_EQ(posted("ParkingCountdown " + std::to_string(c.after)), c.second % 60 == 0) << c.name;
    }
}

} // namespace
} // namespace kiv

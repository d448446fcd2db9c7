#include <gtest/gtest.h>

#include "test_support/log_capture.h"
#include "traffic/batch_intake.h"
#include "traffic_fakes.h"

namespace kiv {
namespace {

using test_support::TrafficFixture;

struct BatchIntakeTest : TrafficFixture, ::testing::Test {
    // A known aircraft whose newest sample is `previous`, last accepted at t = 1000 s.
    LiveAircraft& known(const TrafficRecord& previous, SimState simState, FlightSituation situation) {
        decodeMessage(state, previous);
        EXPECT_EQ(state.live.size(), 1u);
        LiveAircraft& aircraft = state.live.front();
        aircraft.simState = simState;
        aircraft.situation = situation;
        aircraft.objectId = 77;
        return aircraft;
    }
};

TEST_F(BatchIntakeTest, RecordSpacingAndThinning) {
    struct Case {
        const char* name;
        bool airborne;
        double speedKt;
        double dTrackDeg;
        double dtSeconds;
        std::int32_t holdCount;
        bool accepted;
    };
    const Case cases[] = {
        {"1.0 s after the last record", true, 300.0, 5.0, 1.0, 0, false},
        {"1.01 s after the last record", true, 300.0, 5.0, 1.01, 0, true},
        {"same time", true, 300.0, 5.0, 0.0, 0, false},
        // 450 m at 300 kt take 2.916 s.
        {"air, straight, within 450 m", true, 300.0, 1.0, 2.9, 0, false},
        {"air, straight, beyond 450 m", true, 300.0, 1.0, 3.0, 0, true},
        {"air, turning", true, 300.0, 1.5, 2.0, 0, true},
        {"air, slow", true, 120.0, 0.0, 2.0, 0, true},
        {"air, held aircraft is never thinned", true, 300.0, 1.0, 2.0, 1, true},
        // 20 m at 10 kt take 3.888 s.
        {"ground, within 20 m", false, 10.0, 2.0, 3.8, 0, false},
        {"ground, beyond 20 m", false, 10.0, 2.0, 4.0, 0, true},
        {"ground, 1 kt capped at 15 s", false, 1.0, 0.0, 15.0, 0, false},
        {"ground, 1 kt after 15 s", false, 1.0, 0.0, 15.5, 0, true},
        {"ground, standing, 15 s", false, 0.0, 0.0, 15.0, 0, false},
        {"ground, standing, 16 s", false, 0.0, 0.0, 16.0, 0, true},
        {"ground, fast", false, 31.0, 0.0, 2.0, 0, true},
        {"ground, turning", false, 10.0, 2.5, 2.0, 0, true},
    };
    for (const Case& c : cases) {
        state.live.clear();
        TrafficRecord first = record(400001, "DLH1", 1000.0);
        first.sample.airborne = c.airborne ? 1 : 0;
        first.sample.altitudeFt = c.airborne ? 20000.0 : 0.0;
        first.sample.groundSpeedKt = c.speedKt;
        LiveAircraft& aircraft =
            known(first, SimState::active, c.airborne ? FlightSituation::flying : FlightSituation::taxi);
        aircraft.holdCount = c.holdCount;
        TrafficRecord next = first;
        next.timestamp = 1000.0 + c.dtSeconds;
        next.sample.trackDeg += c.dTrackDeg;
        steps.calls.clear();
        decodeMessage(state, next);
        EXPECT_EQ(steps.count("decodeExisting"), c.accepted ? 1 : 0) << c.name;
        if (c.accepted) {
            EXPECT_EQ(state.live.front().lastRecordTime, next.timestamp) << c.name;
        }
    }
}

TEST_F(BatchIntakeTest, GroundTrackJumpRemovesAndQuarantinesTaxiingAircraft) {
    struct Case {
        const char* name;
        double metres;
        double seconds;
        double speedKt;
        FlightSituation situation;
        bool jump;
    };
    const Case cases[] = {
        {"100 m in 2 s at 10 kt (97 kt)", 100.0, 2.0, 10.0, FlightSituation::taxi, true},
        {"40 m in 2 s at 10 kt (39 kt)", 40.0, 2.0, 10.0, FlightSituation::taxi, false},
        {"20 m in 2 s standing (19 kt)", 20.0, 2.0, 0.0, FlightSituation::taxi, false},
        {"40 m in 2 s standing (39 kt)", 40.0, 2.0, 0.0, FlightSituation::taxi, true},
        {"100 m in 2 s at 40 kt (97 kt < 120)", 100.0, 2.0, 40.0, FlightSituation::taxi, false},
        {"100 m in 2 s while parking", 100.0, 2.0, 10.0, FlightSituation::parking, false},
    };
    for (const Case& c : cases) {
        state.live.clear();
        state.removalQueue.clear();
        state.jumpQuarantine.clear();
        TrafficRecord first = record(400002, "DLH2", 1000.0);
        first.sample.airborne = 0;
        first.sample.altitudeFt = 0.0;
        first.sample.groundSpeedKt = c.speedKt;
        first.sample.trackDeg = 0.0;
        known(first, SimState::active, c.situation);
        TrafficRecord next = first;
        next.timestamp = 1000.0 + c.seconds;
        next.sample.trackDeg = 45.0; // no thinning
        next.sample.latitude += c.metres / 1852.0 / 60.0;
        decodeMessage(state, next);
        EXPECT_EQ(state.jumpQuarantine.contains(400002), c.jump) << c.name;
        EXPECT_EQ(state.live.front().simState == SimState::removingfromsim, c.jump) << c.name;
        EXPECT_EQ(state.removalQueue.size(), c.jump ? 1u : 0u) << c.name;
    }
}

TEST_F(BatchIntakeTest, BufferedAircraftAcceptOnlyRecordsAwayFromTheParkAirportGround) {
    airports.parkAltitude = 100.0;
    const std::pair<double, bool> cases[] = {{150.0, false}, {220.0, false}, {221.0, true},  {1.0, false},
                                             {0.0, true},    {-20.0, true},  {10000.0, true}};
    for (const auto& [altitude, accepted] : cases) {
        state.live.clear();
        TrafficRecord first = record(400003, "DLH3", 1000.0);
        known(first, SimState::buffer, FlightSituation::birth);
        TrafficRecord next = first;
        next.timestamp = 1010.0;
        next.sample.trackDeg = 180.0;
        next.sample.altitudeFt = altitude;
        steps.calls.clear();
        decodeMessage(state, next);
        EXPECT_EQ(steps.count("decodeExisting"), accepted ? 1 : 0) << altitude;
    }
}

TEST_F(BatchIntakeTest, CreationRules) {
    airports.parkAltitude = 100.0;
    struct Case {
        const char* name;
        std::uint32_t hexId;
        std::string callsign;
        std::uint16_t modelId;
        double altitudeFt;
        bool created;
    };
    const Case cases[] = {
        {"ordinary", 500001, "AFR1", 1, 20000.0, true},
        {"ground traffic at the park airport", 500002, "AFR2", 1, 150.0, false},
        {"low traffic outside the band", 500003, "AFR3", 1, 300.0, true},
        {"on the ground at 0 ft, within the band", 500008, "AFR8", 1, 0.0, true},
        {"unknown model code", 500004, "AFR4", 99, 20000.0, false},
        {"static hexid range", 10000, "AFR5", 1, 20000.0, false},
        {"same callsign and model as a known aircraft", 500006, "KNOWN", 1, 20000.0, false},
        {"same callsign, other model", 500007, "KNOWN", 6, 20000.0, true},
    };
    for (const Case& c : cases) {
        state.live.clear();
        addLive(600000, SimState::active, 1, "KNOWN");
        TrafficRecord r = record(c.hexId, c.callsign, 1000.0, c.modelId);
        r.sample.altitudeFt = c.altitudeFt;
        decodeMessage(state, r);
        EXPECT_EQ(state.live.size(), c.created ? 2u : 1u) << c.name;
        if (c.created) {
            const LiveAircraft& made = state.live.back();
            EXPECT_EQ(made.info.hexId, c.hexId) << c.name;
            EXPECT_EQ(made.simState, SimState::buffer) << c.name;
            EXPECT_EQ(made.situation, FlightSituation::birth) << c.name;
            EXPECT_EQ(made.info.head.prevCallsign, c.callsign) << c.name;
            EXPECT_GT(made.info.liveRate, 0.0) << c.name;
        }
    }
}

TEST_F(BatchIntakeTest, StaticRangeHexidIsDroppedWithALogLine) {
    test_support::LogCapture log;
    decodeMessage(state, record(9999, "BAD1", 1000.0));
    EXPECT_TRUE(state.live.empty());
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("9999"), std::string::npos);
}

TEST_F(BatchIntakeTest, RegistrationTableDecidesTheLiveryKey) {
    TrafficRecord r = record(500010, "AFR10", 1000.0, 99); // 99: unknown code on its own
    models.registrations[r.head.registration] = LiveryKey{3, 0, 6, 0, 1};
    decodeMessage(state, r);
    ASSERT_EQ(state.live.size(), 1u);
    EXPECT_EQ(state.live.front().info.head.liveryKey.modelId, 6);
    EXPECT_EQ(state.live.front().info.head.liveryKey.present, 1);
}

TEST_F(BatchIntakeTest, ExcludedSizeClassCreatesNothing) {
    gf_updateSettings([](SettingsSnapshot& s) { s.lightAircraft = false; });
    decodeMessage(state, record(500011, "DEABC", 1000.0, 2)); // C172
    EXPECT_TRUE(state.live.empty());
}

TEST_F(BatchIntakeTest, QuarantinedHexidCreatesOnlyWhenReleased) {
    state.jumpQuarantine[500012] = {};
    steps.quarantineReleases = false;
    decodeMessage(state, record(500012, "AFR12", 1000.0));
    EXPECT_TRUE(state.live.empty());
    steps.quarantineReleases = true;
    decodeMessage(state, record(500012, "AFR12", 1000.0));
    EXPECT_EQ(state.live.size(), 1u);
}

TEST_F(BatchIntakeTest, RecordsOfAircraftOnTheirWayOutAreDropped) {
    for (SimState simState : {SimState::liveryrespawn, SimState::removingfromsim}) {
        state.live.clear();
        steps.calls.clear();
        state.jumpQuarantine[700001] = {};
        addLive(700001, simState, 3);
        decodeMessage(state, record(700001, "CS700001", 2000.0));
        EXPECT_EQ(state.live.front().samples.size(), 1u);
        EXPECT_EQ(steps.count("decodeExisting"), 0);
        EXPECT_EQ(steps.count("lf_jumpQuarantineReleases"), simState == SimState::removingfromsim ? 1 : 0);
    }
}

} // namespace
} // namespace kiv

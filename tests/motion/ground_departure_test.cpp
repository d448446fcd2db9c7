// Leaving a stand: the pushback and its refusals, pulling out, the start of the take-off roll,
// and the situation history every change goes through.
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "motion/ground_departure.h"
#include "motion/situation_change.h"
#include "motion_fakes.h"
#include "stream_builder.h"
#include "test_support/log_capture.h"

namespace kiv {
namespace {

using test_support::LogCapture;
using test_support::makeAircraft;
using test_support::RecordingMotionEnvironment;
using test_support::StreamBuilder;

constexpr double kDeg = kDegreesToRadians;
constexpr Lalo kStandPosition{47.0, 9.0};
constexpr std::uint32_t kNow = 100000;

std::vector<std::int32_t> dueTicks(const LiveAircraft& aircraft) {
    std::vector<std::int32_t> ticks;
    for (const StreamSample& sample : aircraft.samples) {
        ticks.push_back(sample.deliveryTick);
    }
    return ticks;
}

// A Large aircraft (manoeuvre speed 3 kt) parked on stand 1, heading 90 degrees, its
// departure pending.
struct AtStand {
    RecordingMotionEnvironment environment;
    LiveAircraft aircraft;

    explicit AtStand(double standRadiusNm, StreamBuilder stream = StreamBuilder(kStandPosition, kNow))
        : aircraft(makeAircraft(stream.samples(), SizeClass::Large, FlightSituation::parked, 90.0)) {
        environment.tick = kNow;
        Stand stand;
        stand.number = 1;
        stand.id = "A1";
        stand.latitude = kStandPosition.latitude;
        stand.longitude = kStandPosition.longitude;
        stand.heading = 90.0 * kDeg;
        stand.radius = standRadiusNm;
        environment.stands.push_back(stand);
        aircraft.standId = 1;
        aircraft.standLat = kStandPosition.latitude;
        aircraft.standLon = kStandPosition.longitude;
        aircraft.standHeading = 90.0 * kDeg;
        aircraft.departurePending = 1;
        aircraft.holdCount = 3;
    }
};

TEST(Pushback, MovesTwoAndAHalfStandRadiiBackAndHolds) {
    struct Case {
        const char* name;
        double radiusNm;
        double manoeuvreSpeedKt;
        double movedNm;
        std::int32_t ticks;
    };
    const Case cases[] = {
        {"0.02 NM stand at 3 kt", 0.02, 3.0, 0.05, 6000},
        {"a short push is timed 25 ticks at least", 0.0001, 30.0, 0.00025, 25},
        {"no manoeuvre speed pushes at 1 kt", 0.02, 0.0, 0.05, 18000},
    };
    for (const Case& c : cases) {
        AtStand f(c.radiusNm);
        f.aircraft.info.liveRate = c.manoeuvreSpeedKt;
        f.aircraft.samples.front().groundSpeedKt = 4.0;
        initiatePushBack(f.environment, f.aircraft);
        const auto& samples = f.aircraft.samples;
        ASSERT_EQ(samples.size(), 3u) << c.name; // the single front sample stays and leads
        EXPECT_EQ(samples[0].groundSpeedKt, 0.0) << c.name;
        const StreamSample& pushedTo = samples[1];
        const StreamSample& hold = samples[2];
        const Lalo end{pushedTo.latitude, pushedTo.longitude};
        EXPECT_NEAR(gf_distanceNm(kStandPosition, end), c.movedNm, 1e-9) << c.name;
        EXPECT_NEAR(gf_initialBearingRad(kStandPosition, end), 270.0 * kDeg, 1e-6) << c.name;
        EXPECT_EQ(pushedTo.deliveryTick, static_cast<std::int32_t>(kNow) + c.ticks) << c.name;
        EXPECT_EQ(pushedTo.stationary, 0) << c.name;
        EXPECT_EQ(pushedTo.groundSpeedKt, 0.0) << c.name;
        EXPECT_EQ(hold.stationary, 1) << c.name;
        EXPECT_EQ(hold.deliveryTick, pushedTo.deliveryTick) << c.name;
        EXPECT_EQ(hold.latitude, pushedTo.latitude) << c.name;
        EXPECT_EQ(f.aircraft.situation, FlightSituation::pushing_back) << c.name;
        EXPECT_EQ(f.aircraft.departurePending, 0) << c.name;
        EXPECT_EQ(f.aircraft.holdCount, 0) << c.name;
        EXPECT_EQ(f.environment.calls, (std::vector<std::string>{"lights 1,1,0,1,0,1,0"})) << c.name;
    }
}

TEST(Pushback, WithoutAUsableStandNothingMovesAndTheLogSaysWhy) {
    struct Case {
        const char* name;
        double radiusNm;
        std::uint32_t standId;
        const char* standName;
    };
    const Case cases[] = {
        {"radius 0", 0.0, 1, "A1"},
        {"radius not a number", std::nan(""), 1, "A1"},
        {"no stand id", 0.02, 0, "sid==0?"},
        {"a stand id that names no stand", 0.02, 9, "sid==?"},
    };
    for (const Case& c : cases) {
        LogCapture log;
        AtStand f(c.radiusNm, StreamBuilder(kStandPosition, kNow).hold(60.0));
        f.aircraft.standId = c.standId;
        const auto before = dueTicks(f.aircraft);
        initiatePushBack(f.environment, f.aircraft);
        EXPECT_EQ(dueTicks(f.aircraft), before) << c.name;
        EXPECT_EQ(f.aircraft.situation, FlightSituation::parked) << c.name;
        EXPECT_EQ(f.aircraft.departurePending, 0) << c.name;
        EXPECT_TRUE(f.environment.calls.empty()) << c.name;
        EXPECT_EQ(log.lines(),
                  (std::vector<std::string>{fmt::format("==> initiatePushBack cancelled pushback, invalid stand "
                                                        "radius for stand {}, callsign {}",
                                                        c.standName, f.aircraft.info.head.callsign)}))
            << c.name;
    }
}

TEST(Pushback, LaterSamplesStayDueAfterThePushback) {
    // The departure sample and two feed samples after it; the feed's next sample would fall
    // due 20 s into the 60 s pushback.
    StreamBuilder stream(kStandPosition, kNow);
    stream.hold(1.0).leg(270.0, 20.0, 3.0).leg(270.0, 60.0, 3.0).leg(270.0, 30.0, 3.0);
    AtStand f(0.02, stream);
    initiatePushBack(f.environment, f.aircraft);
    const auto& samples = f.aircraft.samples;
    ASSERT_EQ(samples.size(), 6u);
    const std::int32_t end = static_cast<std::int32_t>(kNow) + 6000;
    EXPECT_EQ(samples[0].deliveryTick, static_cast<std::int32_t>(kNow) + 100); // the departure sample leads
    EXPECT_EQ(samples[1].deliveryTick, end);
    EXPECT_EQ(samples[2].stationary, 1);
    // 20 s + 1 s after the front: due during the pushback, so just after it; the next ones
    // (81 s and 111 s) were due after it already and keep their ticks.
    EXPECT_EQ(dueTicks(f.aircraft), (std::vector<std::int32_t>{static_cast<std::int32_t>(kNow) + 100, end, end, end + 1,
                                                               static_cast<std::int32_t>(kNow) + 8100,
                                                               static_cast<std::int32_t>(kNow) + 11100}));
}

TEST(PullOut, DrivesTwoRadiiAheadDueFromNow) {
    LogCapture log;
    // The front sample is long past due: the drive out is timed from now, not from it.
    StreamBuilder stream(kStandPosition, static_cast<std::int32_t>(kNow) - 700);
    stream.hold(1.0).leg(90.0, 30.0, 3.0).leg(90.0, 30.0, 3.0);
    AtStand f(0.03, stream);
    f.aircraft.pullOut = 1;
    f.aircraft.info.radiusNm = 0.02;
    lf_pullOut(f.environment, f.aircraft);
    const auto& samples = f.aircraft.samples;
    ASSERT_EQ(samples.size(), 4u);
    const StreamSample& out = samples[1];
    const Lalo target{out.latitude, out.longitude};
    EXPECT_NEAR(gf_distanceNm(kStandPosition, target), 0.04, 1e-9);
    EXPECT_NEAR(gf_initialBearingRad(kStandPosition, target), 90.0 * kDeg, 1e-6);
    EXPECT_EQ(out.groundSpeedKt, 3.0);
    const std::int32_t due = static_cast<std::int32_t>(kNow) + 4800; // 0.04 NM at 3 kt
    EXPECT_EQ(out.deliveryTick, due);
    // The feed sample due 29 s before the drive ends comes right after it.
    EXPECT_EQ(samples[2].deliveryTick, due + 1);
    EXPECT_EQ(samples[3].deliveryTick, static_cast<std::int32_t>(kNow) - 700 + 6100);
    EXPECT_EQ(f.aircraft.situation, FlightSituation::taxi);
    EXPECT_EQ(f.aircraft.previousSituation, FlightSituation::parked);
    EXPECT_EQ(f.aircraft.departurePending, 0);
    EXPECT_EQ(f.aircraft.holdCount, 0);
    EXPECT_EQ(f.environment.calls,
              (std::vector<std::string>{"lights 1,1,0,1,0,1,0", "engineAutoStart", "throttle 0", "flaps 1"}));
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               fmt::format("A1            : {:8} pulling out", f.aircraft.info.head.callsign)}));
}

TEST(TakeoffRoll, StartsWithTakeoffPowerAndTheWideWindow) {
    RecordingMotionEnvironment environment;
    LiveAircraft aircraft =
        makeAircraft(StreamBuilder(kStandPosition, kNow).samples(), SizeClass::Large, FlightSituation::taxi, 0.0);
    aircraft.takeoffClimbPerTick = 0.3;
    aircraft.climbTransition = 1;
    aircraft.liftOffWaiting = 1;
    gf_startTakeoffRoll(environment, aircraft);
    EXPECT_EQ(aircraft.situation, FlightSituation::takeoff_roll);
    EXPECT_EQ(environment.calls,
              (std::vector<std::string>{"throttle 3", "spoilers 1", "flaps 1", "lights 1,1,1,1,1,1,0"}));
    EXPECT_EQ(aircraft.holdTicks1, 2700);
    EXPECT_EQ(aircraft.holdTicks2, 4500);
    EXPECT_EQ(aircraft.takeoffClimbPerTick, 0.0);
    EXPECT_EQ(aircraft.climbTransition, 0);
    EXPECT_EQ(aircraft.liftOffWaiting, 0);
}

TEST(SituationChange, ShiftsTheHistoryAndForgetsTheFlareOfALanding) {
    RecordingMotionEnvironment environment;
    LiveAircraft aircraft =
        makeAircraft(StreamBuilder(kStandPosition, kNow).samples(), SizeClass::Large, FlightSituation::birth, 0.0);
    struct Step {
        FlightSituation to;
        std::uint32_t tick;
        FlightSituation current, previous, earlier;
        std::uint32_t situationTick;
        std::uint32_t landingStageAfter;
    };
    using FS = FlightSituation;
    const Step steps[] = {
        {FS::flying, 10, FS::flying, FS::birth, FS::birth, 10, 2},
        {FS::landing, 20, FS::landing, FS::flying, FS::birth, 20, 2},
        {FS::landing, 30, FS::landing, FS::flying, FS::birth, 20, 2}, // no change, no new tick
        {FS::landing_roll, 40, FS::landing_roll, FS::landing, FS::flying, 40, 0},
        {FS::taxi, 50, FS::taxi, FS::landing_roll, FS::landing, 50, 2},
    };
    for (const Step& s : steps) {
        aircraft.landingStage = 2;
        environment.tick = s.tick;
        lf_setSituation(environment, aircraft, s.to);
        EXPECT_EQ(aircraft.situation, s.current) << s.tick;
        EXPECT_EQ(aircraft.previousSituation, s.previous) << s.tick;
        EXPECT_EQ(aircraft.earlierSituation, s.earlier) << s.tick;
        EXPECT_EQ(aircraft.situationTick, s.situationTick) << s.tick;
        EXPECT_EQ(aircraft.landingStage, s.landingStageAfter) << s.tick;
    }
}

} // namespace
} // namespace kiv

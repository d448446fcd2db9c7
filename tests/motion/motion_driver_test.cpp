// The per-tick driver: the stream step, the invented samples of a dry stream and their
// budget, the drops of departure smoothing, the runaway guard and the removals.
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "motion/motion_driver.h"
#include "motion/motion_ticks.h"
#include "motion/stream_step.h"
#include "motion_fakes.h"
#include "stream_builder.h"
#include "test_support/log_capture.h"

namespace kiv {
namespace {

using test_support::LogCapture;
using test_support::makeAircraft;
using test_support::RecordingMotionEnvironment;
using test_support::StreamBuilder;

constexpr Lalo kStart{47.0, 9.0};
constexpr std::int32_t kNow = 100000;

std::size_t countCalls(const RecordingMotionEnvironment& environment, const std::string& call) {
    return static_cast<std::size_t>(std::count(environment.calls.begin(), environment.calls.end(), call));
}

LiveAircraft singleSample(FlightSituation situation, double speedKt, double altitudeFt = 0.0,
                          SizeClass sizeClass = SizeClass::Large) {
    LiveAircraft aircraft =
        makeAircraft(StreamBuilder(kStart, kNow, speedKt, altitudeFt).samples(), sizeClass, situation, 90.0);
    aircraft.pose.headingRad = 90.0 * kDegreesToRadians;
    return aircraft;
}

TEST(ExtrapolationBudget, BySituation) {
    struct Case {
        const char* name;
        FlightSituation situation;
        double lastSpeedKt;
        SizeClass sizeClass;
        Lalo user;
        bool excluded;
        std::int32_t budget;
    };
    const Lalo nearUser{47.1, 9.0};   // 6 NM away
    const Lalo farUser{47.0, 10.0};   // some 41 NM away: beyond 40 - 0.5
    const Lalo unknownUser{0.00005, 0.00005};
    const Case cases[] = {
        {"take-off roll", FlightSituation::takeoff_roll, 80.0, SizeClass::Large, nearUser, false, 20},
        {"take-off", FlightSituation::takeoff, 150.0, SizeClass::Large, nearUser, false, 20},
        {"landing", FlightSituation::landing, 140.0, SizeClass::Large, nearUser, false, 20},
        {"landing roll", FlightSituation::landing_roll, 60.0, SizeClass::Large, nearUser, false, 20},
        {"parked", FlightSituation::parked, 0.0, SizeClass::Large, nearUser, false, 1},
        {"taxi: 3 holding minutes", FlightSituation::taxi, 10.0, SizeClass::Large, nearUser, false, 60},
        {"pushed back", FlightSituation::pushed_back, 0.0, SizeClass::Large, nearUser, false, 60},
        {"flying near the user", FlightSituation::flying, 250.0, SizeClass::Large, nearUser, false, 20},
        {"flying, no user position", FlightSituation::flying, 250.0, SizeClass::Large, unknownUser, false, 20},
        {"flying beyond the range", FlightSituation::flying, 250.0, SizeClass::Large, farUser, false, 0},
        {"flying too slowly", FlightSituation::flying, 69.0, SizeClass::Large, nearUser, false, 0},
        {"a Light flying at 25 kt", FlightSituation::flying, 25.0, SizeClass::Light, nearUser, false, 20},
        {"a Light flying at 24 kt", FlightSituation::flying, 24.0, SizeClass::Light, nearUser, false, 0},
        {"a TwoProps at 44 kt", FlightSituation::flying, 44.0, SizeClass::TwoProps, nearUser, false, 0},
        {"a HighPerf at 89 kt", FlightSituation::flying, 89.0, SizeClass::HighPerf, nearUser, false, 0},
        {"a Rotorcraft hovering", FlightSituation::flying, 0.0, SizeClass::Rotorcraft, nearUser, false, 20},
        {"pushing back", FlightSituation::pushing_back, 2.0, SizeClass::Large, nearUser, false, 0},
        {"parking", FlightSituation::parking, 5.0, SizeClass::Large, nearUser, false, 0},
        {"birth", FlightSituation::birth, 5.0, SizeClass::Large, nearUser, false, 0},
        {"class not included", FlightSituation::taxi, 10.0, SizeClass::Large, nearUser, true, 0},
    };
    for (const Case& c : cases) {
        RecordingMotionEnvironment environment;
        environment.tick = kNow;
        environment.user.latitude = c.user.latitude;
        environment.user.longitude = c.user.longitude;
        if (c.excluded) {
            environment.excludedClasses.insert(c.sizeClass);
        }
        LiveAircraft aircraft = singleSample(c.situation, c.lastSpeedKt, 0.0, c.sizeClass);
        EXPECT_EQ(lf_extrapolationBudget(environment, aircraft), c.budget) << c.name;
        const bool holds = !c.excluded &&
                           (c.situation == FlightSituation::taxi || c.situation == FlightSituation::pushed_back);
        EXPECT_EQ(aircraft.proximityCheck, holds ? 1 : 0) << c.name;
        EXPECT_EQ(aircraft.proximityCompanion, holds ? static_cast<std::uint32_t>(kNow) : 0u) << c.name;
    }
}

TEST(NextPosMain, TaxiingAircraftHoldsSixtySamplesThreeSecondsApartThenGoes) {
    RecordingMotionEnvironment environment;
    environment.tick = kNow;
    LiveAircraft aircraft = singleSample(FlightSituation::taxi, 0.0);
    std::vector<std::int32_t> holdTicks;
    for (int step = 0; step < 70 && countCalls(environment, "noMoreNextPos") == 0; ++step) {
        nextPosMain(environment, aircraft);
        if (countCalls(environment, "noMoreNextPos") != 0) {
            break;
        }
        ASSERT_EQ(aircraft.samples.size(), 1u);
        EXPECT_EQ(aircraft.samples.front().stationary, 1);
        EXPECT_EQ(aircraft.samples.front().groundSpeedKt, 0.0);
        holdTicks.push_back(aircraft.samples.front().deliveryTick);
        environment.tick = static_cast<std::uint32_t>(aircraft.samples.front().deliveryTick);
    }
    ASSERT_EQ(holdTicks.size(), 60u);
    for (std::size_t i = 0; i < holdTicks.size(); ++i) {
        EXPECT_EQ(holdTicks[i], kNow + 300 * static_cast<std::int32_t>(i + 1));
    }
    EXPECT_EQ(countCalls(environment, "noMoreNextPos"), 1u);
    EXPECT_EQ(aircraft.holdCount, -1);
}

TEST(NextPosMain, ParkedAircraftGetsOneHoldSampleSevenDaysAhead) {
    RecordingMotionEnvironment environment;
    environment.tick = kNow;
    LiveAircraft aircraft = singleSample(FlightSituation::parked, 0.0);
    nextPosMain(environment, aircraft);
    ASSERT_EQ(aircraft.samples.size(), 1u);
    EXPECT_EQ(aircraft.samples.front().deliveryTick, gf_tickAfter(kNow, 60'480'000));
    EXPECT_EQ(aircraft.samples.front().stationary, 1);
    EXPECT_EQ(aircraft.holdCount, 1);
    environment.tick = static_cast<std::uint32_t>(aircraft.samples.front().deliveryTick);
    nextPosMain(environment, aircraft);
    EXPECT_EQ(countCalls(environment, "noMoreNextPos"), 1u);
}

TEST(NextPosMain, FlyingBeyondTheRangeGoesWhenItsStreamEnds) {
    RecordingMotionEnvironment environment;
    environment.tick = kNow;
    environment.user.latitude = 47.0;
    environment.user.longitude = 10.0;
    LiveAircraft aircraft = singleSample(FlightSituation::flying, 250.0, 5000.0);
    nextPosMain(environment, aircraft);
    EXPECT_EQ(countCalls(environment, "noMoreNextPos"), 1u);
    EXPECT_EQ(aircraft.samples.size(), 1u);
}

TEST(NextPosMain, EmptyStreamIsNotExtendedButRemoved) {
    for (const FlightSituation situation : {FlightSituation::taxi, FlightSituation::parking, FlightSituation::flying}) {
        RecordingMotionEnvironment environment;
        environment.tick = kNow;
        LiveAircraft aircraft = singleSample(situation, 10.0);
        aircraft.samples.clear();
        nextPosMain(environment, aircraft);
        EXPECT_TRUE(aircraft.samples.empty());
        EXPECT_EQ(environment.calls, std::vector<std::string>{"noMoreNextPos"})
            << gf_flightSituationName(situation);
    }
}

TEST(AppendExtrapolatedSample, CarriesTheLastSampleOnBySituation) {
    struct Case {
        const char* name;
        FlightSituation situation;
        bool onGround;
        double speedKt, altitudeFt;
        std::int32_t budget;
        double wantSpeedKt, wantAltitudeFt, wantRateFpm;
        bool stationary;
    };
    const Case cases[] = {
        {"flying slows by a tenth", FlightSituation::flying, false, 200.0, 5000.0, 20, 180.0, 5000.0, 0.0, false},
        {"take-off climbs on", FlightSituation::takeoff, false, 160.0, 500.0, 20, 144.0, 575.0, 1500.0, false},
        {"landing from the fourth", FlightSituation::landing, false, 140.0, 1000.0, 4, 131.6, 968.3175, -633.65, false},
        {"landing, last three", FlightSituation::landing, false, 140.0, 1000.0, 3, 140.0, 968.3175, -633.65, false},
        {"landing roll brakes at 6 kt/s", FlightSituation::landing_roll, true, 120.0, 0.0, 20, 102.0, 0.0, 0.0, false},
        {"landing roll brakes at 2.5 kt/s", FlightSituation::landing_roll, true, 30.0, 0.0, 20, 22.5, 0.0, 0.0,
         false},
        {"landing roll stops", FlightSituation::landing_roll, true, 5.0, 0.0, 20, 0.0, 0.0, 0.0, true},
        {"take-off roll speeds up", FlightSituation::takeoff_roll, true, 50.0, 0.0, 20, 62.0, 0.0, 0.0, false},
        {"take-off roll at 140", FlightSituation::takeoff_roll, true, 134.0, 0.0, 20, 140.0, 0.0, 600.0, false},
        {"take-off roll at 180", FlightSituation::takeoff_roll, true, 178.0, 0.0, 20, 180.0, 0.0, 2400.0, false},
        {"taxi holds", FlightSituation::taxi, true, 15.0, 0.0, 60, 0.0, 0.0, 0.0, true},
    };
    for (const Case& c : cases) {
        RecordingMotionEnvironment environment;
        environment.tick = kNow;
        LiveAircraft aircraft = singleSample(c.situation, c.speedKt, c.altitudeFt);
        aircraft.onGround = c.onGround ? 1 : 0;
        lf_appendExtrapolatedSample(environment, aircraft, c.budget);
        ASSERT_EQ(aircraft.samples.size(), 2u) << c.name;
        const StreamSample& added = aircraft.samples.back();
        EXPECT_EQ(aircraft.holdCount, c.budget) << c.name;
        EXPECT_NEAR(added.groundSpeedKt, c.wantSpeedKt, 1e-9) << c.name;
        EXPECT_NEAR(added.altitudeFt, c.wantAltitudeFt, 1e-9) << c.name;
        EXPECT_NEAR(added.verticalRateFpm, c.wantRateFpm, 1e-9) << c.name;
        EXPECT_EQ(added.stationary, c.stationary ? 1 : 0) << c.name;
        EXPECT_EQ(added.deliveryTick, kNow + 300) << c.name;
        const double movedNm = gf_distanceNm({kStart.latitude, kStart.longitude}, {added.latitude, added.longitude});
        EXPECT_NEAR(movedNm, c.wantSpeedKt * 3.0 / 3600.0, 1e-6) << c.name;
        if (c.stationary) {
            EXPECT_EQ(added.trueAirspeedKt, 0.0) << c.name;
        } else {
            // Along the aircraft's heading (east).
            EXPECT_NEAR(gf_initialBearingRad(kStart, {added.latitude, added.longitude}), 90.0 * kDegreesToRadians,
                        1e-3)
                << c.name;
        }
    }
}

TEST(NextPosMain, StreamStepConsumesTheFrontAndAimsAtTheNext) {
    RecordingMotionEnvironment environment;
    environment.tick = kNow;
    LiveAircraft aircraft = makeAircraft(StreamBuilder(kStart, kNow, 250.0, 5000.0).leg(90.0, 10.0, 250.0).samples(),
                                         SizeClass::Large, FlightSituation::flying, 90.0);
    const StreamSample next = aircraft.samples[1];
    nextPosMain(environment, aircraft);
    ASSERT_EQ(aircraft.samples.size(), 1u);
    EXPECT_EQ(aircraft.samples.front().deliveryTick, next.deliveryTick);
    EXPECT_NEAR(aircraft.bearingToNext, 90.0 * kDegreesToRadians, 1e-3);
    const double ticks = next.deliveryTick - kNow;
    EXPECT_NEAR(aircraft.tickDelta.longitude, (next.longitude - kStart.longitude) / ticks, 1e-12);
    EXPECT_TRUE(environment.calls.empty() || environment.calls.front() != "noMoreNextPos");
}

TEST(StreamStep, SamePlaceMakesTheNextSampleStationaryAndStopsTheAircraft) {
    RecordingMotionEnvironment environment;
    environment.tick = kNow;
    StreamBuilder stream(kStart, kNow, 10.0);
    stream.leg(0.0, 5.0, 10.0);
    LiveAircraft aircraft = makeAircraft(stream.samples(), SizeClass::Large, FlightSituation::taxi, 0.0);
    aircraft.samples[1].latitude = kStart.latitude + 5e-9;
    aircraft.samples[1].longitude = kStart.longitude - 5e-9;
    aircraft.tickDelta = {1e-6, 1e-6};
    aircraft.holdTicks1 = 1500;
    aircraft.holdTicks2 = 950;
    lf_streamStep(environment, aircraft);
    ASSERT_EQ(aircraft.samples.size(), 1u);
    EXPECT_EQ(aircraft.samples.front().stationary, 1);
    EXPECT_EQ(aircraft.tickDelta.latitude, 0.0);
    EXPECT_EQ(aircraft.tickDelta.longitude, 0.0);
    EXPECT_EQ(aircraft.holdTicks1, 1400);
    EXPECT_EQ(aircraft.holdTicks2, 900);
}

TEST(StreamStep, NextSampleDueInThePastStillGetsTwentyFiveTicks) {
    RecordingMotionEnvironment environment;
    environment.tick = kNow;
    LiveAircraft aircraft = makeAircraft(StreamBuilder(kStart, kNow - 500, 250.0, 5000.0).leg(0.0, 3.0, 250.0).samples(),
                                         SizeClass::Large, FlightSituation::flying, 0.0);
    aircraft.holdCount = 5; // no retiming while extrapolating: the sample stays in the past
    const StreamSample next = aircraft.samples[1];
    lf_streamStep(environment, aircraft);
    EXPECT_NEAR(aircraft.tickDelta.latitude, (next.latitude - kStart.latitude) / 25.0, 1e-12);
}

TEST(NextPosMain, DepartureSmoothingDropsASlowFrontSample) {
    struct Case {
        const char* name;
        FlightSituation situation, previous;
        std::uint32_t sinceChange;
        SizeClass sizeClass;
        double frontKt;
        double nextM; // metres from the aircraft to the next sample, due in 10 s
        std::int32_t holdCount;
        bool dropped;
    };
    const Case cases[] = {
        {"take-off: 300 m in 10 s at 160 kt", FlightSituation::takeoff, FlightSituation::takeoff_roll, 100,
         SizeClass::Large, 160.0, 300.0, 0, true},
        {"take-off: 600 m in 10 s", FlightSituation::takeoff, FlightSituation::takeoff_roll, 100, SizeClass::Large,
         160.0, 600.0, 0, false},
        {"front below 120 kt", FlightSituation::takeoff, FlightSituation::takeoff_roll, 100, SizeClass::Large, 119.0,
         300.0, 0, false},
        {"while extrapolating", FlightSituation::takeoff, FlightSituation::takeoff_roll, 100, SizeClass::Large, 160.0,
         300.0, 3, false},
        {"flying 30 s after take-off", FlightSituation::flying, FlightSituation::takeoff, 3000, SizeClass::Large,
         160.0, 300.0, 0, true},
        {"flying 30.01 s after take-off", FlightSituation::flying, FlightSituation::takeoff, 3001, SizeClass::Large,
         160.0, 300.0, 0, false},
        {"Light: 150 m in 10 s at 60 kt", FlightSituation::takeoff, FlightSituation::takeoff_roll, 100,
         SizeClass::Light, 60.0, 150.0, 0, true},
        {"Light: 200 m in 10 s (39 kt)", FlightSituation::takeoff, FlightSituation::takeoff_roll, 100,
         SizeClass::Light, 60.0, 200.0, 0, false},
    };
    for (const Case& c : cases) {
        RecordingMotionEnvironment environment;
        environment.tick = kNow;
        StreamBuilder stream(kStart, kNow, c.frontKt, 500.0);
        stream.leg(0.0, 10.0, c.frontKt, 1000.0);
        stream.leg(0.0, 10.0, c.frontKt, 1000.0);
        const Lalo next = test_support::pointFrom(kStart, 0.0, c.nextM);
        LiveAircraft aircraft = makeAircraft(stream.samples(), c.sizeClass, c.situation, 0.0);
        aircraft.samples[1].latitude = next.latitude;
        aircraft.samples[1].longitude = next.longitude;
        aircraft.previousSituation = c.previous;
        aircraft.situationTick = kNow - c.sinceChange;
        aircraft.holdCount = c.holdCount;
        nextPosMain(environment, aircraft);
        EXPECT_EQ(aircraft.slowSamplesSkipped, c.dropped ? 1 : 0) << c.name;
        // A dropped front leaves the next sample as the front; the step then consumes it too.
        EXPECT_EQ(aircraft.samples.size(), c.dropped ? 1u : 2u) << c.name;
    }
}

TEST(NextPosMain, AirborneAircraftSkipsStationaryNextSamples) {
    RecordingMotionEnvironment environment;
    environment.tick = kNow;
    StreamBuilder stream(kStart, kNow, 200.0, 3000.0);
    stream.hold(3.0).leg(0.0, 10.0, 200.0);
    LiveAircraft aircraft = makeAircraft(stream.samples(), SizeClass::Large, FlightSituation::flying, 0.0);
    aircraft.samples[1].stationary = 1;
    nextPosMain(environment, aircraft);
    ASSERT_EQ(aircraft.samples.size(), 1u);
    EXPECT_EQ(aircraft.samples.front().stationary, 0);
    EXPECT_EQ(countCalls(environment, "removeAircraftFromSim"), 0u);
}

TEST(NextPosMain, LightTakeoffRollPassesANextSampleJustAhead) {
    struct Case {
        const char* name;
        double speedKt, nextM, thirdM;
        std::size_t left;
    };
    const Case cases[] = {
        {"next 10 m, third 60 m ahead", 40.0, 10.0, 60.0, 1},
        {"next 13 m ahead", 40.0, 13.0, 60.0, 2},
        {"third only 25 m ahead", 40.0, 10.0, 25.0, 2},
        {"slower than 35 kt", 34.0, 10.0, 60.0, 2},
    };
    for (const Case& c : cases) {
        RecordingMotionEnvironment environment;
        environment.tick = kNow;
        StreamBuilder stream(kStart, kNow, c.speedKt);
        stream.leg(0.0, 1.0, c.speedKt).leg(0.0, 2.0, c.speedKt).leg(0.0, 2.0, c.speedKt);
        LiveAircraft aircraft = makeAircraft(stream.samples(), SizeClass::Light, FlightSituation::takeoff_roll, 0.0);
        for (const auto& [index, metres] : {std::pair{1, c.nextM}, std::pair{2, c.thirdM}}) {
            const Lalo at = test_support::pointFrom(kStart, 0.0, metres);
            aircraft.samples[static_cast<std::size_t>(index)].latitude = at.latitude;
            aircraft.samples[static_cast<std::size_t>(index)].longitude = at.longitude;
        }
        aircraft.speedKt = c.speedKt;
        nextPosMain(environment, aircraft);
        // The step consumed the front; a passed next sample is gone as well.
        EXPECT_EQ(aircraft.samples.size(), c.left + 1) << c.name;
    }
}

TEST(NextPosMain, RunawayLoopEndsAtTheGuardWithItsLogLine) {
    LogCapture log;
    RecordingMotionEnvironment environment;
    environment.tick = kNow;
    StreamBuilder stream(kStart, kNow, 200.0, 3000.0);
    for (int i = 0; i < 40; ++i) {
        stream.hold(1.0);
    }
    LiveAircraft aircraft = makeAircraft(stream.samples(), SizeClass::Large, FlightSituation::flying, 0.0);
    for (std::size_t i = 1; i < aircraft.samples.size(); ++i) {
        aircraft.samples[i].airborne = 1;
        aircraft.samples[i].stationary = 1;
    }
    nextPosMain(environment, aircraft);
    EXPECT_EQ(environment.calls, std::vector<std::string>{"noMoreNextPos"});
    EXPECT_EQ(aircraft.samples.size(), 41u - 32u);
    const std::vector<std::string> lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("nextPosMain: guard exceeded"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("sz:9, fs:flying, st:active"), std::string::npos) << lines[0];
}

TEST(NextPosMain, ExceptionsAreLoggedAndThrownOn) {
    LogCapture log;
    RecordingMotionEnvironment environment;
    environment.tick = kNow;
    LiveAircraft aircraft = makeAircraft(StreamBuilder(kStart, kNow, 250.0, 5000.0).leg(0.0, 10.0, 250.0).samples(),
                                         SizeClass::Large, FlightSituation::flying, 0.0);
    aircraft.info.sizeClass = static_cast<SizeClass>(9);
    EXPECT_THROW(nextPosMain(environment, aircraft), std::out_of_range);
    bool found = false;
    for (const std::string& line : log.lines()) {
        found = found || line.find("nextPosMain: invalid unordered_map<K, T> key") != std::string::npos;
    }
    EXPECT_TRUE(found);
}

} // namespace
} // namespace kiv

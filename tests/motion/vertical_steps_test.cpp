// The vertical steps of the air legs: the Light level-off, the descent rate with the QNH,
// the smooth transition out of the climb-out, and an airborne aircraft over ground samples.
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "motion/vertical_steps.h"
#include "motion_fakes.h"
#include "stream_builder.h"

namespace kiv {
namespace {

using test_support::makeAircraft;
using test_support::RecordingMotionEnvironment;
using test_support::StreamBuilder;

constexpr Lalo kStart{50.0, 8.0};
constexpr std::uint32_t kNow = 100000;
using FS = FlightSituation;

LiveAircraft flyingAt(double altitudeFt, SizeClass sizeClass = SizeClass::Light, FS situation = FS::flying) {
    StreamBuilder stream(kStart, kNow, 120.0, altitudeFt);
    stream.leg(0.0, 10.0, 120.0);
    return makeAircraft(stream.samples(), sizeClass, situation, 0.0);
}

TEST(LightLevelOff, NearTheLatestAirborneAltitude) {
    const double nan = std::nan("");
    struct Case {
        const char* name;
        SizeClass sizeClass;
        FS situation;
        std::optional<double> latest;
        double altitudeFt;
        double wantedFpm;
        double expected;
    };
    const Case cases[] = {
        {"700 ft above: down at 600 ft/min", SizeClass::Light, FS::flying, 3000.0, 3700.0, 500.0, -600.0},
        {"651 ft above", SizeClass::Light, FS::flying, 3000.0, 3651.0, 0.0, -600.0},
        {"650 ft above: level", SizeClass::Light, FS::flying, 3000.0, 3650.0, 500.0, 0.0},
        {"550 ft above: level", SizeClass::Light, FS::flying, 3000.0, 3550.0, 500.0, 0.0},
        {"500 ft above: level", SizeClass::Light, FS::flying, 3000.0, 3500.0, 500.0, 0.0},
        {"400 ft above: the wanted climb", SizeClass::Light, FS::flying, 3000.0, 3400.0, 500.0, 500.0},
        {"a steep descent is limited", SizeClass::Light, FS::flying, 3000.0, 3400.0, -2000.0, -1200.0},
        {"a steep descent high above", SizeClass::Light, FS::flying, 3000.0, 5000.0, -2000.0, -1200.0},
        {"a mild descent high above stays", SizeClass::Light, FS::flying, 3000.0, 5000.0, -300.0, -300.0},
        {"not Light", SizeClass::TwoProps, FS::flying, 3000.0, 3700.0, 500.0, 500.0},
        {"not flying", SizeClass::Light, FS::takeoff, 3000.0, 3700.0, 500.0, 500.0},
        {"no airborne altitude known", SizeClass::Light, FS::flying, std::nullopt, 3700.0, 500.0, 500.0},
        {"an airborne altitude that is not a number", SizeClass::Light, FS::flying, nan, 3700.0, 500.0, 500.0},
    };
    for (const Case& c : cases) {
        LiveAircraft aircraft = flyingAt(c.altitudeFt, c.sizeClass, c.situation);
        aircraft.latestAirborneAltitude = c.latest;
        EXPECT_EQ(lf_lightLevelOffLimit(aircraft, c.wantedFpm), c.expected) << c.name;
    }
}

TEST(DescentRate, SamplesMeanCorrectedForTheQnh) {
    const double nan = std::nan("");
    struct Case {
        const char* name;
        double heightFt;
        double frontFpm, nextFpm;
        std::int32_t qnh;
        double expected;
    };
    const Case cases[] = {
        {"at 100 ft", 100.0, -900.0, -900.0, 1013, -600.0},
        {"height not known", nan, -900.0, -900.0, 1013, -600.0},
        {"QNH 1013", 101.0, -700.0, -900.0, 1013, -798.5},
        {"QNH 1020 descends faster", 101.0, -700.0, -900.0, 1020, -840.5},
        {"QNH 990 slower", 101.0, -700.0, -900.0, 990, -800.0 + 23.25 * 6.0},
        {"a mild descent is at least 601 ft/min", 500.0, -300.0, -300.0, 1013, -601.0},
        {"a rate that is not a number", 500.0, nan, -300.0, 1013, -601.0},
    };
    for (const Case& c : cases) {
        RecordingMotionEnvironment environment;
        environment.qnh = c.qnh;
        LiveAircraft aircraft = flyingAt(2000.0, SizeClass::Large, FS::landing);
        aircraft.heightAboveGroundFt = c.heightFt;
        aircraft.samples[0].verticalRateFpm = c.frontFpm;
        aircraft.samples[1].verticalRateFpm = c.nextFpm;
        EXPECT_DOUBLE_EQ(lf_descentRateFpm(environment, aircraft), c.expected) << c.name;
    }
}

TEST(ClimbTransition, ReachesThePlannedClimbIn200Ticks) {
    // Climb-out at 2400 ft/min, the first leg in flying plans 1200 ft/min.
    LiveAircraft aircraft = flyingAt(1500.0, SizeClass::Large);
    aircraft.samples[1].altitudeFt = 1700.0;
    aircraft.info.liveFactor = 0.5;
    aircraft.climbTransition = 1;
    aircraft.smoothedAltitudeStep = 0.4;
    aircraft.pose.verticalSpeedFpm = 2400.0;
    aircraft.altitudeChangePerTick = 0.2;
    int ticks = 0;
    double previousFpm = aircraft.pose.verticalSpeedFpm;
    while (aircraft.climbTransition != 0 && ticks < 1000) {
        gf_altitudeStepFlying(aircraft);
        EXPECT_LE(std::fabs(aircraft.pose.verticalSpeedFpm - previousFpm), 6.0 + 1e-9) << ticks;
        previousFpm = aircraft.pose.verticalSpeedFpm;
        ++ticks;
    }
    EXPECT_EQ(ticks, 200);
    EXPECT_NEAR(aircraft.pose.verticalSpeedFpm, 1200.0, 1e-6);
    // 200 ticks from 0.399 down to 0.2 ft per tick.
    EXPECT_NEAR(aircraft.pose.altitudeFt, 1500.0 + 200 * (0.399 + 0.2) / 2.0, 1e-6);
    gf_altitudeStepFlying(aircraft);
    EXPECT_NEAR(aircraft.pose.altitudeFt, 1500.0 + 200 * (0.399 + 0.2) / 2.0 + 0.2, 1e-6) << "then the leg's rate";
}

TEST(ClimbTransition, EndsAtOnceWhenSettlingAndHoldsWithoutAnAirborneNextSample) {
    LiveAircraft settling = flyingAt(300.0, SizeClass::Large);
    settling.samples[0].airborne = 0;
    settling.samples[1].airborne = 0;
    settling.climbTransition = 1;
    settling.smoothedAltitudeStep = 0.4;
    settling.altitudeChangePerTick = -0.1;
    gf_altitudeStepFlying(settling);
    EXPECT_EQ(settling.climbTransition, 0);
    EXPECT_DOUBLE_EQ(settling.pose.altitudeFt, 299.9);
    EXPECT_DOUBLE_EQ(settling.pose.verticalSpeedFpm, -600.0);

    // Next sample on the ground but the leg not descending: keep the present climb.
    LiveAircraft holding = flyingAt(300.0, SizeClass::Large);
    holding.samples[1].airborne = 0;
    holding.climbTransition = 1;
    holding.smoothedAltitudeStep = 0.2;
    holding.pose.verticalSpeedFpm = 1200.0;
    holding.altitudeChangePerTick = 0.0;
    gf_altitudeStepFlying(holding);
    EXPECT_EQ(holding.climbTransition, 1);
    EXPECT_DOUBLE_EQ(holding.pose.altitudeFt, 300.2);

    // Without the transition a Light aircraft high above its latest airborne altitude levels
    // down; a Large one follows the leg.
    for (const SizeClass sizeClass : {SizeClass::Light, SizeClass::Large}) {
        LiveAircraft aircraft = flyingAt(3700.0, sizeClass);
        aircraft.latestAirborneAltitude = 3000.0;
        aircraft.altitudeChangePerTick = 0.05;
        gf_altitudeStepFlying(aircraft);
        EXPECT_DOUBLE_EQ(aircraft.pose.altitudeFt, sizeClass == SizeClass::Light ? 3699.9 : 3700.05);
    }
    // Settling towards ground samples a Light aircraft descends as planned, steeper than its
    // 1200 ft/min limit.
    LiveAircraft light = flyingAt(200.0, SizeClass::Light);
    light.samples[0].airborne = 0;
    light.samples[1].airborne = 0;
    light.latestAirborneAltitude = 100.0;
    light.altitudeChangePerTick = -0.25;
    gf_altitudeStepFlying(light);
    EXPECT_DOUBLE_EQ(light.pose.altitudeFt, 199.75);
}

TEST(OverGroundSamples, FlyToTheFirstAirborneSampleOrClimbAtLeast601) {
    // Front and next on the ground, the stream climbing at 700 ft/min.
    auto climbingStream = [](int samples, int firstAirborne) {
        StreamBuilder stream(kStart, kNow, 150.0);
        for (int i = 1; i < samples; ++i) {
            stream.leg(0.0, 2.0, 150.0, 700.0);
            stream.back().altitudeFt = i >= firstAirborne ? 50.0 * i : 0.0;
            stream.back().airborne = i >= firstAirborne ? 1 : 0;
        }
        LiveAircraft aircraft = makeAircraft(stream.samples(), SizeClass::Large, FS::takeoff, 0.0);
        aircraft.onGround = 0;
        aircraft.pose.altitudeFt = 20.0;
        aircraft.info.liveFactor = 0.5;
        aircraft.samples[1].verticalRateFpm = 300.0;
        return aircraft;
    };
    RecordingMotionEnvironment environment;
    environment.tick = kNow;

    LiveAircraft three = climbingStream(3, 2);
    lf_planOverGroundSamples(environment, three);
    EXPECT_EQ(three.samples.size(), 3u) << "too short to search";
    EXPECT_EQ(three.samples[1].verticalRateFpm, 601.0);
    EXPECT_EQ(three.legVerticalRateFpm, 601.0);
    EXPECT_DOUBLE_EQ(three.altitudeChangePerTick, 601.0 / 6000.0);

    LiveAircraft six = climbingStream(6, 3);
    const std::int32_t thirdDue = six.samples[3].deliveryTick;
    lf_planOverGroundSamples(environment, six);
    ASSERT_EQ(six.samples.size(), 4u) << "positions 1 and 2 erased";
    EXPECT_EQ(six.samples[1].altitudeFt, 150.0);
    // Retimed by its distance at the samples' 150 kt: 600 ticks, as the feed had it.
    EXPECT_EQ(six.samples[1].deliveryTick, thirdDue);
    EXPECT_DOUBLE_EQ(six.altitudeChangePerTick, 130.0 / 600.0) << "climb to its 150 ft";

    LiveAircraft lateAirborne = climbingStream(12, 10);
    lf_planOverGroundSamples(environment, lateAirborne);
    EXPECT_EQ(lateAirborne.samples.size(), 12u) << "only the next 10 samples are searched";

    LiveAircraft level = climbingStream(6, 3);
    for (std::size_t i = 0; i < level.samples.size(); ++i) {
        level.samples[i].verticalRateFpm = i < 5 ? 20.0 : 0.0; // 100 ft/min in all
    }
    level.heightAboveGroundFt = 50.0;
    lf_planOverGroundSamples(environment, level);
    EXPECT_EQ(level.samples.size(), 6u);
    EXPECT_EQ(level.samples[1].verticalRateFpm, -600.0) << "a stream that does not climb: the descent";
    EXPECT_EQ(environment.calls, (std::vector<std::string>{"gear 1", "gear 1", "gear 1", "gear 1"}));
}

} // namespace
} // namespace kiv

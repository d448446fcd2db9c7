// Air movement at a stream step: timing the next sample by the leg's speed, removing what
// cannot be flying, the configuration below the cruise, and landing or going around.
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "motion/air_movement.h"
#include "motion/flare_stages.h"
#include "motion_fakes.h"
#include "stream_builder.h"
#include "test_support/log_capture.h"

namespace kiv {
namespace {

using test_support::makeAircraft;
using test_support::RecordingMotionEnvironment;
using test_support::StreamBuilder;

constexpr Lalo kStart{50.0, 8.0};
constexpr std::uint32_t kNow = 100000;
using FS = FlightSituation;

struct Flying {
    RecordingMotionEnvironment environment;
    LiveAircraft aircraft;

    explicit Flying(const StreamBuilder& stream, FS situation = FS::flying, SizeClass sizeClass = SizeClass::Large)
        : aircraft(makeAircraft(stream.samples(), sizeClass, situation, 0.0)) {
        environment.tick = kNow;
        aircraft.holdTicks1 = 100000;
        aircraft.holdTicks2 = 100000;
    }
    std::int64_t nextDueIn() const { return aircraft.samples[1].deliveryTick - static_cast<std::int32_t>(kNow); }
};

// 5 s between the samples, covering the distance flown at `overGroundKt`, both reporting
// `reportedKt`.
StreamBuilder airLeg(double overGroundKt, double reportedKt, double altitudeFt = 3000.0) {
    StreamBuilder stream(kStart, kNow, reportedKt, altitudeFt);
    stream.leg(0.0, 5.0, overGroundKt);
    stream.back().groundSpeedKt = reportedKt;
    stream.back().stationary = 0;
    return stream;
}

TEST(NextPosAir, TimesTheNextSampleOrRemovesWhatCannotFly) {
    struct Case {
        const char* name;
        StreamBuilder stream;
        FS situation;
        SizeClass sizeClass;
        bool removed;
        std::int64_t dueIn; // when not removed
    };
    StreamBuilder stationaryNext = airLeg(200.0, 200.0);
    stationaryNext.back().stationary = 1;
    StreamBuilder touchDown = airLeg(72.0, 0.0);
    touchDown.back().airborne = 0;
    touchDown.back().altitudeFt = 0.0;
    StreamBuilder frontFast = airLeg(72.0, 144.0);
    frontFast.back().airborne = 0;
    const Case cases[] = {
        // 0.1 NM in 5 s is 72 kt; the reported 144 kt fly it in 250 ticks.
        {"72 kt between the samples: timed by the reported speed", airLeg(72.0, 144.0), FS::flying, SizeClass::Large,
         false, 250},
        {"41 kt between the samples flies", airLeg(41.0, 144.0), FS::flying, SizeClass::Large, false,
         std::lround(41.0 * 5.0 / 3600.0 * 360000.0 / 144.0)},
        {"39 kt between the samples: removed", airLeg(39.0, 144.0), FS::flying, SizeClass::Large, true, 0},
        {"a Rotorcraft at 5 kt flies on", airLeg(5.0, 5.0), FS::flying, SizeClass::Rotorcraft, false,
         std::lround(5.0 * 5.0 / 3600.0 * 360000.0 / 5.0)},
        {"a stationary next sample: removed", stationaryNext, FS::flying, SizeClass::Large, true, 0},
        {"a Rotorcraft holds over a stationary next sample", stationaryNext, FS::flying, SizeClass::Rotorcraft, false,
         500},
        {"touch-down leg with the front at 0 kt: flown at 100 kt", touchDown, FS::landing, SizeClass::Large, false,
         360},
        {"touch-down leg: the front sample's speed, not the next's", frontFast, FS::landing, SizeClass::Large, false,
         250},
        {"a leg of 0 kt on both samples flies at the distance's speed", airLeg(72.0, 0.0), FS::flying, SizeClass::Large,
         false, 500},
    };
    for (const Case& c : cases) {
        Flying f(c.stream, c.situation, c.sizeClass);
        f.aircraft.samples[1].deliveryTick = static_cast<std::int32_t>(kNow) + 500;
        nextPosAir(f.environment, f.aircraft);
        const bool removed = f.environment.calls == std::vector<std::string>{"removeAircraftFromSim"};
        EXPECT_EQ(removed, c.removed) << c.name;
        if (!c.removed) {
            EXPECT_TRUE(f.environment.calls.empty()) << c.name;
            EXPECT_EQ(f.nextDueIn(), c.dueIn) << c.name;
        }
    }
}

TEST(NextPosAir, ExceptionsAreLoggedAndThrownOn) {
    test_support::LogCapture log;
    Flying f(airLeg(72.0, 144.0));
    struct Throwing : RecordingMotionEnvironment {
        std::uint32_t simTick() const override { throw std::runtime_error("clock broke"); }
    } environment;
    EXPECT_THROW(nextPosAir(environment, f.aircraft), std::runtime_error);
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("==> nextPosAir: clock broke, ", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find(", sz:2"), std::string::npos) << lines[0];
}

struct ConfigurationCase {
    const char* name;
    std::uint8_t jet;
    FS situation;
    double heightFt;
    double rateFpm;
    std::uint32_t throttle;
    std::uint32_t flaps;
    SizeClass sizeClass;
    std::vector<std::string> calls;
};

TEST(AirConfiguration, ByHeightVerticalRateAndTheLastSettings) {
    const std::vector<std::string> check = {"cabin 0"}; // below the threshold: the landing decision
    const ConfigurationCase cases[] = {
        {"700 ft, descending at 300 ft/min: power back, flaps 1",
         0,
         FS::flying,
         700.0,
         -300.0,
         3,
         0,
         SizeClass::Large,
         {"cabin 1", "throttle 2", "flaps 1"}},
        {"descending at exactly 250 ft/min",
         0,
         FS::flying,
         700.0,
         -250.0,
         3,
         2,
         SizeClass::Large,
         {"cabin 1", "throttle 2"}},
        {"625 ft is not above the threshold", 0, FS::flying, 625.0, -300.0, 3, 0, SizeClass::Large, check},
        {"a jet's threshold is 2050 ft", 1, FS::flying, 2050.0, -300.0, 3, 0, SizeClass::Large, check},
        {"a jet at 2051 ft", 1, FS::flying, 2051.0, 0.0, 3, 0, SizeClass::Large, {"cabin 1", "flaps 1"}},
        {"climbing above 400 ft/min at full power: climb power",
         0,
         FS::flying,
         1500.0,
         500.0,
         4,
         1,
         SizeClass::Large,
         {"cabin 1", "throttle 3"}},
        {"a Rotorcraft keeps full power",
         0,
         FS::flying,
         1500.0,
         -300.0,
         3,
         1,
         SizeClass::Rotorcraft,
         {"cabin 1", "throttle 4", "flaps 2"}},
        {"at 2400 ft gear and flaps up",
         0,
         FS::flying,
         2400.0,
         0.0,
         3,
         2,
         SizeClass::Large,
         {"cabin 1", "gear 0", "flaps 0"}},
        {"2000 ft, level, flaps 0: flaps 1",
         0,
         FS::flying,
         2000.0,
         100.0,
         3,
         0,
         SizeClass::Large,
         {"cabin 1", "flaps 1"}},
        {"2000 ft, level, flaps 1: no more from 2000 ft",
         0,
         FS::flying,
         2000.0,
         100.0,
         3,
         1,
         SizeClass::Large,
         {"cabin 1"}},
        {"1999 ft, level, flaps 1: flaps 2",
         0,
         FS::flying,
         1999.0,
         100.0,
         3,
         1,
         SizeClass::Large,
         {"cabin 1", "flaps 2"}},
        {"1999 ft, level, flaps 2 stay", 0, FS::flying, 1999.0, 100.0, 3, 2, SizeClass::Large, {"cabin 1"}},
        {"climbing at 101 ft/min: flaps stay", 0, FS::flying, 1500.0, 101.0, 3, 0, SizeClass::Large, {"cabin 1"}},
        {"landing above the threshold: the landing decision", 0, FS::landing, 1500.0, -700.0, 1, 3, SizeClass::Large,
         check},
    };
    for (const ConfigurationCase& c : cases) {
        Flying f(airLeg(200.0, 200.0), c.situation, c.sizeClass);
        f.environment.nearParkAirport = true;
        f.aircraft.info.isJet = c.jet;
        f.aircraft.lightsSet = 1;
        f.aircraft.samples[0].verticalRateFpm = c.rateFpm;
        f.aircraft.throttleIndex = c.throttle;
        f.aircraft.flapsIndex = c.flaps;
        f.aircraft.holdTicks1 = 1500;
        f.aircraft.holdTicks2 = 950;
        lf_airConfiguration(f.environment, f.aircraft, {c.heightFt, 1});
        EXPECT_EQ(f.environment.calls, c.calls) << c.name;
        if (c.calls != check) {
            EXPECT_EQ(f.aircraft.holdTicks1, 1400) << c.name;
            EXPECT_EQ(f.aircraft.holdTicks2, 900) << c.name;
        }
    }
}

TEST(AirConfiguration, FirstStepSwitchesEveryLightOnOnce) {
    Flying f(airLeg(200.0, 200.0));
    f.aircraft.heightAboveGroundFt = 3000.0; // no height given: the record's
    f.aircraft.cruiseConfigured = 1;
    f.aircraft.throttleIndex = 3;
    f.aircraft.flapsIndex = 0;
    lf_airConfiguration(f.environment, f.aircraft, {});
    lf_airConfiguration(f.environment, f.aircraft, {});
    EXPECT_EQ(f.environment.calls, (std::vector<std::string>{"lights 1,1,1,1,1,1,1", "cabin 1", "gear 0", "flaps 0",
                                                             "cabin 1", "gear 0", "flaps 0"}));
    EXPECT_EQ(f.aircraft.lightsSet, 1);
    EXPECT_EQ(f.aircraft.cruiseConfigured, 0);
    EXPECT_EQ(f.aircraft.holdTicks1, 900);
}

struct DecisionCase {
    const char* name;
    FS situation;
    bool near;
    double frontAltitudeFt, frontRateFpm;
    double nextAltitudeFt, nextRateFpm;
    double currentClimbPerTick;
    std::uint8_t climbConfigured;
    FS after;
    std::vector<std::string> calls;
};

TEST(LandingOrGoAround, DecidesByDescentClimbAndTheParkAirport) {
    const std::vector<std::string> goAround = {"cabin 0", "throttle 4", "gear 0", "flaps 0"};
    const std::vector<std::string> landing = {"cabin 0", "throttle 1", "flaps 3", "gear 1"};
    const std::vector<std::string> nothing = {"cabin 0"};
    const DecisionCase cases[] = {
        {"descending near the park airport: landing", FS::flying, true, 1000.0, -800.0, 900.0, -700.0, 0.0, 0,
         FS::landing, landing},
        {"descending far from it: flies on", FS::flying, false, 1000.0, -800.0, 900.0, -700.0, 0.0, 0, FS::flying,
         nothing},
        {"low and level far from it: flies on", FS::flying, false, 500.0, 0.0, 500.0, 0.0, 0.0, 0, FS::flying, nothing},
        {"a 10 ft drop is no descent", FS::flying, true, 1000.0, -800.0, 990.0, -700.0, 0.0, 0, FS::flying, nothing},
        {"descending samples but one rate above -250", FS::flying, true, 1000.0, -800.0, 900.0, -200.0, 0.0, 0,
         FS::flying, nothing},
        {"next on the ground 5 ft lower, sinking at 300 ft/min", FS::flying, true, 5.0, 0.0, 0.0, 0.0, -0.05, 0,
         FS::landing, landing},
        {"next on the ground 5 ft lower, sinking at 240 ft/min", FS::flying, true, 5.0, 0.0, 0.0, 0.0, -0.04, 0,
         FS::flying, nothing},
        {"landing near, no climb: goes on landing", FS::landing, true, 800.0, -700.0, 700.0, -700.0, 0.0, 0,
         FS::landing, nothing},
        {"landing that leaves the park airport: go-around", FS::landing, false, 800.0, -700.0, 700.0, -700.0, 0.0, 0,
         FS::flying, goAround},
        {"landing that climbs: go-around", FS::landing, true, 800.0, 800.0, 850.0, 800.0, 0.0, 0, FS::flying, goAround},
        {"a 49 ft gain is no climb",
         FS::landing,
         true,
         800.0,
         800.0,
         849.0,
         800.0,
         0.0,
         0,
         FS::landing,
         {"cabin 0", "throttle 4", "gear 0", "flaps 0"}},
        {"flying and climbing at 800 ft/min: climb configuration", FS::flying, true, 800.0, 800.0, 850.0, 800.0, 0.0, 0,
         FS::flying, goAround},
        {"climb configuration only once", FS::flying, false, 800.0, 800.0, 850.0, 800.0, 0.0, 1, FS::flying, nothing},
    };
    for (const DecisionCase& c : cases) {
        StreamBuilder stream(kStart, kNow, 150.0, c.frontAltitudeFt);
        stream.back().verticalRateFpm = c.frontRateFpm;
        stream.leg(0.0, 5.0, 150.0);
        stream.back().altitudeFt = c.nextAltitudeFt;
        stream.back().airborne = c.nextAltitudeFt > 0.0 ? 1 : 0;
        stream.back().verticalRateFpm = c.nextRateFpm;
        Flying f(stream, c.situation);
        f.environment.nearParkAirport = c.near;
        f.aircraft.altitudeChangePerTick = c.currentClimbPerTick;
        f.aircraft.climbConfigured = c.climbConfigured;
        f.aircraft.landingStage = c.situation == FS::landing ? 2 : 0;
        f.aircraft.standId = 4;
        f.aircraft.standLat = 1.0;
        lf_checkLandingOrGoAround(f.environment, f.aircraft);
        EXPECT_EQ(f.aircraft.situation, c.after) << c.name;
        EXPECT_EQ(f.environment.calls, c.calls) << c.name;
        if (c.calls == landing) {
            EXPECT_EQ(f.environment.notifiedHexIds, (std::vector<std::uint32_t>{f.aircraft.info.hexId})) << c.name;
            EXPECT_EQ(f.aircraft.holdTicks1, 2700) << c.name;
            EXPECT_EQ(f.aircraft.holdTicks2, 2700) << c.name;
            EXPECT_EQ(f.aircraft.standId, 0u) << c.name;
            EXPECT_EQ(f.aircraft.standLat, 0.0) << c.name;
            EXPECT_EQ(f.aircraft.climbConfigured, 0) << c.name;
        } else {
            EXPECT_TRUE(f.environment.notifiedHexIds.empty()) << c.name;
        }
        if (c.calls == goAround) {
            EXPECT_EQ(f.aircraft.climbConfigured, 1) << c.name;
            EXPECT_EQ(f.aircraft.landingStage, 0u) << c.name;
        }
        if (c.situation == FS::landing && c.after == FS::flying) {
            EXPECT_EQ(f.aircraft.holdTicks1, 900) << c.name;
            EXPECT_EQ(f.aircraft.previousSituation, FS::landing) << c.name;
        }
    }
    Flying rotorcraft(airLeg(100.0, 100.0, 1000.0), FS::flying, SizeClass::Rotorcraft);
    rotorcraft.environment.nearParkAirport = true;
    rotorcraft.aircraft.samples[0].verticalRateFpm = -800.0;
    rotorcraft.aircraft.samples[1].verticalRateFpm = -800.0;
    rotorcraft.aircraft.samples[1].altitudeFt = 900.0;
    lf_checkLandingOrGoAround(rotorcraft.environment, rotorcraft.aircraft);
    EXPECT_EQ(rotorcraft.environment.calls, (std::vector<std::string>{"cabin 0", "throttle 4", "flaps 3", "gear 1"}));
}

TEST(FlareStages, TheFlareLasts493Ticks) {
    // 10 ft at 0.1, 10 ft at 0.075, 7 ft at 0.05 and 3 ft at 0.025 ft per tick.
    static_assert(gf_flareTicks() == 493);
    EXPECT_EQ(gf_flareTicks(), 493);
}

} // namespace
} // namespace kiv

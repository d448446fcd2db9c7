// Lift-off and the take-off: the kind of climb the stream asks for, when the aircraft may
// rotate, the climb-out it starts, the take-off message with its airports, and take-off power
// after a touch-and-go.
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "models/interned_codes.h"
#include "motion/flight_messages.h"
#include "motion/lift_off.h"
#include "motion_fakes.h"
#include "stream_builder.h"
#include "test_support/pinned_clock.h"

namespace kiv {
namespace {

using test_support::makeAircraft;
using test_support::pointFrom;
using test_support::RecordingMotionEnvironment;
using test_support::StreamBuilder;

constexpr Lalo kRunway{50.03, 8.57};
constexpr std::uint32_t kNow = 100000;
constexpr double kDeg = kDegreesToRadians;

IataCode iata(const char* text) {
    IataCode code;
    for (int i = 0; i < 3; ++i) {
        code.chars[i] = text[i];
        code.key = code.key << 8 | static_cast<std::uint8_t>(text[i]);
    }
    return code;
}

// Samples of the given vertical rates, speeds and altitudes, 5 s apart along the runway.
LiveAircraft stream(std::initializer_list<std::array<double, 3>> rateSpeedAltitude,
                    SizeClass sizeClass = SizeClass::Large) {
    StreamBuilder builder(kRunway, kNow);
    bool first = true;
    for (const auto& [rate, speed, altitude] : rateSpeedAltitude) {
        if (!first) {
            builder.leg(70.0, 5.0, speed);
        }
        first = false;
        StreamSample& sample = builder.back();
        sample.verticalRateFpm = rate;
        sample.groundSpeedKt = speed;
        sample.altitudeFt = altitude;
        sample.airborne = altitude > 0.0 ? 1 : 0;
    }
    return makeAircraft(builder.samples(), sizeClass, FlightSituation::takeoff_roll, 70.0);
}

TEST(LiftOffKind, ByTheStreamsClimbAndSpeed) {
    const double nan = std::nan("");
    struct Case {
        const char* name;
        LiveAircraft aircraft;
        std::uint8_t kind;
    };
    // Large: the phase-3 reference speed is 120 kt.
    const Case cases[] = {
        {"one sample", stream({{500.0, 150.0, 0.0}}), 0},
        {"two samples climbing at 500 ft/min, the next airborne", stream({{500.0, 150.0, 0.0}, {500.0, 155.0, 40.0}}),
         1},
        {"all climbing, only the last airborne",
         stream({{500.0, 150.0, 0.0}, {500.0, 155.0, 0.0}, {500.0, 160.0, 40.0}}), 2},
        {"all climbing, none airborne", stream({{500.0, 150.0, 0.0}, {500.0, 155.0, 0.0}}), 0},
        {"100 ft/min, airborne after the front at 120 kt", stream({{100.0, 150.0, 0.0}, {100.0, 120.0, 10.0}}), 2},
        {"the same below 120 kt", stream({{100.0, 150.0, 0.0}, {100.0, 119.0, 10.0}}), 0},
        {"below 120 kt with a 2500 ft/min sample", stream({{100.0, 150.0, 0.0}, {2500.0, 119.0, 10.0}}), 2},
        {"a rate that is not a number is no climb", stream({{nan, 150.0, 0.0}, {500.0, 100.0, 40.0}}), 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(lf_liftOffKind(c.aircraft), c.kind) << c.name;
    }
}

// A Large aircraft rolling at 150 kt (rotation at 140 kt) with an airborne sample ahead; the
// climb-out lasts 400 ticks, so the sample must be due within 700.
struct Rolling {
    RecordingMotionEnvironment environment;
    LiveAircraft aircraft;

    Rolling(double airborneAheadM, std::int32_t airborneDueIn, double speedKt = 150.0)
        : aircraft(makeAircraft(StreamBuilder(kRunway, kNow, 150.0).samples(), SizeClass::Large,
                                FlightSituation::takeoff_roll, 70.0)) {
        environment.tick = kNow;
        StreamSample airborne = aircraft.samples.front();
        const Lalo ahead = pointFrom(kRunway, 70.0, airborneAheadM);
        airborne.latitude = ahead.latitude;
        airborne.longitude = ahead.longitude;
        airborne.altitudeFt = 200.0;
        airborne.airborne = 1;
        airborne.deliveryTick = static_cast<std::int32_t>(kNow) + airborneDueIn;
        aircraft.samples.push_back(airborne);
        aircraft.speedKt = speedKt;
        aircraft.info.classValue1 = 400;
        aircraft.info.liveFactor = 0.5;
        aircraft.info.classAngle1Rad = -10.0 * kDeg;
        aircraft.pose.pitchRad = -2.0 * kDeg;
        aircraft.pose.bankRad = 0.01;
        aircraft.previousSituation = FlightSituation::taxi;
        aircraft.earlierSituation = FlightSituation::pushed_back;
    }
};

TEST(LiftOff, RotatesWhenFastEnoughWithTheClimbAhead) {
    struct Case {
        const char* name;
        double aheadM;
        std::int32_t dueIn;
        double speedKt;
        bool ready;
    };
    const Case cases[] = {
        {"150 kt, 500 m ahead, due in 500 ticks", 500.0, 500, 150.0, true},
        {"at the rotation speed", 500.0, 500, 140.0, true},
        {"below the rotation speed", 500.0, 500, 139.0, false},
        {"no current speed: the front sample's 150 kt", 500.0, 500, 0.0, true},
        {"the airborne sample 601 m ahead", 601.0, 500, 150.0, false},
        {"due at the end of the climb-out and 300 ticks", 500.0, 700, 150.0, true},
        {"due one tick later", 500.0, 701, 150.0, false},
    };
    for (const Case& c : cases) {
        Rolling r(c.aheadM, c.dueIn, c.speedKt);
        EXPECT_EQ(lf_tryLiftOff(r.environment, r.aircraft, 1), c.ready) << c.name;
        EXPECT_EQ(r.aircraft.situation, c.ready ? FlightSituation::takeoff : FlightSituation::takeoff_roll) << c.name;
        EXPECT_EQ(r.aircraft.liftOffWaiting, c.ready ? 0 : 1) << c.name;
    }
    Rolling noAirborne(500.0, 500);
    noAirborne.aircraft.samples.back().airborne = 0;
    EXPECT_FALSE(lf_tryLiftOff(noAirborne.environment, noAirborne.aircraft, 2));
    EXPECT_EQ(noAirborne.aircraft.liftOffWaiting, 1);

    struct Skip {
        const char* name;
        std::uint8_t kind;
        FlightSituation situation;
        std::uint8_t onGround;
    };
    const Skip skips[] = {
        {"kind 0", 0, FlightSituation::takeoff_roll, 1},
        {"not on the take-off roll", 1, FlightSituation::taxi, 1},
        {"not on the ground", 1, FlightSituation::takeoff_roll, 0},
    };
    for (const Skip& s : skips) {
        Rolling r(500.0, 500);
        r.aircraft.situation = s.situation;
        r.aircraft.onGround = s.onGround;
        EXPECT_FALSE(lf_tryLiftOff(r.environment, r.aircraft, s.kind)) << s.name;
        EXPECT_EQ(r.aircraft.liftOffWaiting, 0) << s.name;
        EXPECT_EQ(r.aircraft.situation, s.situation) << s.name;
    }
}

TEST(LiftOff, StartsTheClimbOutByKind) {
    struct Case {
        const char* name;
        std::uint8_t kind;
        SizeClass sizeClass;
        double nextAltitudeFt;
        double climbPerTick;
        double takeoffClimbPerTick;
    };
    const Case cases[] = {
        {"kind 1: to the next sample's 200 ft in its 500 ticks", 1, SizeClass::Large, 200.0, 0.4, 0.0},
        {"kind 1: at least 0.1 ft per tick", 1, SizeClass::Large, 10.0, 0.1, 0.0},
        {"kind 2: the type's initial climb", 2, SizeClass::Large, 200.0, 0.5, 0.5},
        {"kind 2, Light: at most 0.2 ft per tick", 2, SizeClass::Light, 200.0, 0.2, 0.2},
    };
    for (const Case& c : cases) {
        Rolling r(500.0, 500);
        r.aircraft.info.sizeClass = c.sizeClass;
        r.aircraft.info.isLightSingle = 0;
        r.aircraft.samples.back().altitudeFt = c.nextAltitudeFt;
        r.aircraft.speedKt = 200.0;
        r.aircraft.smoothedAltitudeStep = 0.3;
        r.aircraft.climbTransition = 1;
        ASSERT_TRUE(lf_tryLiftOff(r.environment, r.aircraft, c.kind)) << c.name;
        EXPECT_NEAR(r.aircraft.altitudeChangePerTick, c.climbPerTick, 1e-12) << c.name;
        EXPECT_NEAR(r.aircraft.takeoffClimbPerTick, c.takeoffClimbPerTick, 1e-12) << c.name;
        EXPECT_EQ(r.aircraft.climbOutTicks, 400) << c.name;
        EXPECT_NEAR(r.aircraft.pitchChangePerTick, -8.0 * kDeg / 400.0, 1e-15) << c.name;
        EXPECT_EQ(r.aircraft.pose.bankRad, 0.0) << c.name;
        EXPECT_EQ(r.aircraft.smoothedAltitudeStep, 0.0) << c.name;
        EXPECT_EQ(r.aircraft.climbTransition, 0) << c.name;
        EXPECT_EQ(r.aircraft.previousSituation, FlightSituation::takeoff_roll) << c.name;
        EXPECT_TRUE(r.environment.calls.empty()) << c.name << ": no touch-and-go";
    }
    Rolling noClimbOut(500.0, 50);
    noClimbOut.aircraft.info.classValue1 = 0;
    ASSERT_TRUE(lf_tryLiftOff(noClimbOut.environment, noClimbOut.aircraft, 2));
    EXPECT_EQ(noClimbOut.aircraft.climbOutTicks, 1) << "a climb-out of at least one tick";
}

TEST(LiftOff, TakeoffPowerAgainAfterATouchAndGo) {
    using FS = FlightSituation;
    struct Case {
        const char* name;
        FS previous, earlier;
        bool touchAndGo;
    };
    const Case cases[] = {
        {"the roll came from a landing roll", FS::landing_roll, FS::landing, true},
        {"from a taxi after a landing roll", FS::taxi, FS::landing_roll, true},
        {"from a taxi out of a stand", FS::taxi, FS::pushed_back, false},
    };
    for (const Case& c : cases) {
        Rolling r(500.0, 500);
        r.aircraft.previousSituation = c.previous;
        r.aircraft.earlierSituation = c.earlier;
        lf_startTakeoff(r.environment, r.aircraft, 1);
        EXPECT_EQ(r.aircraft.situation, FS::takeoff) << c.name;
        const std::vector<std::string> expected =
            c.touchAndGo ? std::vector<std::string>{"throttle 4", "spoilers 1", "flaps 1"} : std::vector<std::string>{};
        EXPECT_EQ(r.environment.calls, expected) << c.name;
    }
}

TEST(TakeoffMessage, FromAndToByTheParkAirportRouteAndKnownAirports) {
    test_support::PinnedClock clock(1700000000); // 2023-11-14 22:13:20 UTC
    const Lalo farAway = pointFrom(kRunway, 0.0, 5.5 * 1852.0);
    struct Case {
        const char* name;
        ParkAirportInfo park;
        IataCode parkIata; // of the park airport's known-airports row
        Route route;
        std::optional<KnownAirportInfo> known;
        const char* expected;
    };
    const ParkAirportInfo here{"EDDF", kRunway.latitude, kRunway.longitude};
    const Case cases[] = {
        {"at the park airport, bound for it: from only",
         here,
         iata("FRA"),
         {iata("MUC"), iata("FRA")},
         std::nullopt,
         " from FRA"},
        {"at the park airport, bound elsewhere",
         here,
         iata("FRA"),
         {iata("MUC"), iata("JFK")},
         std::nullopt,
         " from FRA to JFK"},
        {"a park airport without IATA code shows its ICAO code",
         here,
         {},
         {{}, iata("FRA")},
         std::nullopt,
         " from EDDF to FRA"},
        {"park airport 5.5 NM away: the route's origin",
         {"EDDF", farAway.latitude, farAway.longitude},
         iata("FRA"),
         {iata("HHN"), iata("JFK")},
         std::nullopt,
         " from HHN to JFK"},
        {"no park airport, no origin: the nearest known airport",
         {},
         {},
         {{}, iata("JFK")},
         KnownAirportInfo{"EDFE", iata("QEF"), 49.96, 8.64},
         " from QEF to JFK"},
        {"a known airport without IATA code",
         {},
         {},
         {{}, {}},
         KnownAirportInfo{"EDFZ", {}, 49.96, 8.64},
         " from EDFZ"},
        {"no airport at all", {}, {}, {{}, iata("JFK")}, std::nullopt, " to JFK"},
    };
    const std::uint16_t airline = gf_airlineId("DLH");
    const std::uint16_t operatorId = gf_airlineId("CLH");
    const std::uint16_t model = gf_modelId("A320");
    for (const Case& c : cases) {
        Rolling r(500.0, 500);
        r.environment.park = c.park;
        r.environment.knownAirports = {{"EDDF", c.parkIata, c.park.latitude, c.park.longitude}};
        r.environment.nearestAirport = c.known;
        r.aircraft.info.head.route = c.route;
        r.aircraft.info.head.callsign = "DLH4AB";
        r.aircraft.info.head.registration = "D-AIZA";
        r.aircraft.info.head.liveryKey = LiveryKey{airline, operatorId, model, 0, 1};
        EXPECT_EQ(lf_takeoffMessage(r.environment, r.aircraft),
                  fmt::format("22:13 DLH4AB D-AIZA DLH,CLH A320 take off{} ...", c.expected))
            << c.name;
    }
}

TEST(TakeoffMessage, PostedOnlyWhileFlightMessagesAreOn) {
    for (const bool on : {true, false}) {
        Rolling r(500.0, 500);
        auto settings = std::make_shared<SettingsSnapshot>();
        settings->flightMessages = on;
        r.environment.snapshot = settings;
        ASSERT_TRUE(lf_tryLiftOff(r.environment, r.aircraft, 1));
        ASSERT_EQ(r.environment.flightMessages.size(), on ? 1u : 0u);
        if (on) {
            EXPECT_NE(r.environment.flightMessages[0].find(" take off"), std::string::npos);
        }
    }
}

TEST(AirlineCodesText, AirlineThenOperator) {
    LiveAircraft aircraft = stream({{0.0, 0.0, 0.0}});
    aircraft.info.head.liveryKey = LiveryKey{gf_airlineId("EZY"), 0, 0, 0, 1};
    EXPECT_EQ(gf_airlineCodesText(aircraft), "EZY");
    aircraft.info.head.liveryKey.operatorId = 65001; // names no code
    EXPECT_EQ(gf_airlineCodesText(aircraft), "EZY");
    aircraft.info.head.liveryKey.operatorId = gf_airlineId("EJU");
    EXPECT_EQ(gf_airlineCodesText(aircraft), "EZY,EJU");
    aircraft.info.head.liveryKey.airlineId = 65000; // beyond the table
    EXPECT_EQ(gf_airlineCodesText(aircraft), ",EJU");
}

} // namespace
} // namespace kiv

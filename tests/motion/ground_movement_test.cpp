// Ground movement at a stream step: the dispatch by situation, the common ground step's
// timing of a leg and of the turns on it, turning on the spot, and the parts of the taxi
// branch that hand an arrival over and ease the leg.
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "motion/ground_movement.h"
#include "motion/taxi_branch.h"
#include "motion/turn_spline.h"
#include "motion_fakes.h"
#include "stream_builder.h"

namespace kiv {
namespace {

using test_support::makeAircraft;
using test_support::RecordingMotionEnvironment;
using test_support::StreamBuilder;

constexpr double kDeg = kDegreesToRadians;
constexpr Lalo kStart{47.0, 9.0};
constexpr std::int32_t kNow = 100000;
constexpr double kTurnStep = 0.002; // radians per tick, the class's base ground turn step in these tests

struct Ground {
    RecordingMotionEnvironment environment;
    LiveAircraft aircraft;

    // Front sample now, the next one 0.1 NM north; both at `speedKt`, the next due in 50 s.
    Ground(FlightSituation situation, double speedKt, double legNm = 0.1)
        : aircraft(makeAircraft(
              StreamBuilder(kStart, kNow, speedKt).leg(0.0, legNm * 3600.0 / std::max(speedKt, 1.0), speedKt).samples(),
              SizeClass::Large, situation, 0.0)) {
        environment.tick = kNow;
        aircraft.samples[1].deliveryTick = kNow + 5000;
        aircraft.info.classRateRad = kTurnStep;
        aircraft.holdTicks1 = 100000; // wide windows: the tests read the planned ticks unclamped
        aircraft.holdTicks2 = 100000;
    }
    std::int32_t nextDueIn() const { return aircraft.samples[1].deliveryTick - kNow; }
};

TEST(GroundStep, TimesTheLegByItsLengthAndSpeed) {
    struct Case {
        const char* name;
        FlightSituation situation;
        void (*prepare)(LiveAircraft&);
        std::int32_t dueIn;
    };
    const Case cases[] = {
        {"0.1 NM at 10 kt", FlightSituation::taxi, [](LiveAircraft&) {}, 3600},
        {"along a planned 0.2 NM spline", FlightSituation::taxi,
         [](LiveAircraft& a) {
             a.turnSpline.errorKind = 0;
             a.turnSpline.length = 370.4;
         },
         7200},
        {"driving into the stand at 0.8 of 3 kt", FlightSituation::parking,
         [](LiveAircraft& a) {
             a.driveIn = 1;
             a.standLat = a.samples[1].latitude;
             a.standLon = a.samples[1].longitude;
         },
         15000},
        {"drive-in flag but the next sample is not the stand", FlightSituation::parking,
         [](LiveAircraft& a) { a.driveIn = 1; }, 3600},
        {"a recorded final leg sets the due tick", FlightSituation::parking,
         [](LiveAircraft& a) {
             a.finalLeg.count = 1;
             a.finalLeg.endTick = kNow + 1234;
         },
         1234},
        {"samples at the same place: 25 ticks", FlightSituation::taxi,
         [](LiveAircraft& a) {
             a.samples[1].latitude = a.samples[0].latitude;
             a.samples[1].longitude = a.samples[0].longitude;
         },
         25},
        {"stationary next: the samples' interval from the front's due tick", FlightSituation::taxi,
         [](LiveAircraft& a) {
             a.samples[0].deliveryTick = kNow - 50;
             a.samples[1].deliveryTick = kNow + 250;
             a.samples[1].stationary = 1;
         },
         250},
        {"stationary next due 10 ticks after the front: 25", FlightSituation::taxi,
         [](LiveAircraft& a) {
             a.samples[1].deliveryTick = kNow + 10;
             a.samples[1].stationary = 1;
         },
         25},
    };
    for (const Case& c : cases) {
        Ground g(c.situation, 10.0);
        c.prepare(g.aircraft);
        lf_groundStep(g.environment, g.aircraft);
        EXPECT_EQ(g.nextDueIn(), c.dueIn) << c.name;
        EXPECT_EQ(g.aircraft.stepTicksOverride, 0) << c.name;
    }
}

TEST(GroundStep, FitsTheTurnLimitToTheLeg) {
    struct Case {
        const char* name;
        FlightSituation situation;
        double speedKt;
        double legNm;
        double turnDeg; // heading offset of a sharp turn; 0: none
        double limit;
        std::int32_t window1, window2;
    };
    constexpr double kShortLeg = 20.0 / 1852.0;
    const Case cases[] = {
        {"no turn: the speed factor (1 at 20 kt) times the step", FlightSituation::taxi, 20.0, 0.1, 0.0, 0.002, 900,
         900},
        {"slow turn: 30 deg in 262 ticks spread over the 1800-tick leg", FlightSituation::taxi, 20.0, 0.1, 30.0,
         0.002 * 262.0 / 1800.0, 900, 900},
        {"small turn: 10 deg per turn tick ratio", FlightSituation::taxi, 20.0, 0.1, 5.0, 0.002 / (1800.0 / 44.0 * 2.0),
         900, 900},
        {"short leg: spread as if it were 30 m", FlightSituation::taxi, 2.0, kShortLeg, 40.0,
         0.0024 / (1944.0 / 291.0 * 1.5), 900, 900},
        {"5 deg in 44 ticks on a 50-tick leg: spread over the leg only", FlightSituation::taxi, 20.0,
         50.0 * 20.0 / 360000.0, 5.0, 0.002 * 44.0 / 50.0, 900, 900},
        {"5 deg in 44 ticks on a 57-tick leg of 5.9 m: spread as if it were 30 m", FlightSituation::taxi, 20.0,
         57.0 * 20.0 / 360000.0, 5.0, 0.002 / (57.0 / 44.0 * 30.0 / (57.0 * 20.0 / 360000.0 * 1852.0)), 900, 900},
        {"the turn outlasts the leg: faster", FlightSituation::taxi, 20.0, 0.01, 30.0, 0.002 * 262.0 / 180.0, 900, 900},
        {"60 deg on a short leg: faster, windows widened", FlightSituation::landing_roll, 20.0, 0.01, 60.0,
         0.002 * 524.0 / 180.0, 1671, 1671},
        {"60 deg on the take-off roll widens the later window more", FlightSituation::takeoff_roll, 20.0, 0.01, 60.0,
         0.002 * 524.0 / 180.0, 1671, 2443},
        {"150 deg: at most 5 times faster", FlightSituation::landing_roll, 20.0, 0.01, 150.0, 0.01, 2700, 2700},
        {"100 deg on a long leg: the limit stays", FlightSituation::takeoff_roll, 20.0, 0.1, 100.0, 0.002, 2700, 4500},
    };
    for (const Case& c : cases) {
        Ground g(c.situation, c.speedKt, c.legNm);
        g.aircraft.holdTicks1 = 900;
        g.aircraft.holdTicks2 = 900;
        g.aircraft.sharpTurn = c.turnDeg > 0.0 ? 1 : 0;
        g.aircraft.headingOffset = c.turnDeg;
        lf_groundStep(g.environment, g.aircraft);
        EXPECT_NEAR(g.aircraft.turnLimitPerTick, c.limit, c.limit * 1e-9) << c.name;
        EXPECT_EQ(g.aircraft.holdTicks1, c.window1) << c.name;
        EXPECT_EQ(g.aircraft.holdTicks2, c.window2) << c.name;
    }
}

TEST(GroundStep, APlannedCurveWithoutATurnAngleKeepsTheLimit) {
    // A curve whose turn angle is 0 has nothing to time: the limit must not be divided by an
    // infinite ratio per degree (which would freeze the heading).
    Ground g(FlightSituation::taxi, 20.0);
    g.aircraft.turnCurve.controlEast = 1.0;
    g.aircraft.turnCurve.controlNorth = 1.0;
    g.aircraft.plannedTurnAngle = 0.0;
    lf_groundStep(g.environment, g.aircraft);
    EXPECT_DOUBLE_EQ(g.aircraft.turnLimitPerTick, 0.002);
}

TEST(GroundStep, TurnsOnTheSpotBeforeDrivingTheLeg) {
    // Taxiing at 20 kt, 95 degrees off the leg: 786 ticks to turn the 90 degrees beyond the
    // 5 degree slack at 0.002 rad per tick, then the 1800-tick leg. The next sample was due
    // 20 s ago; the retiming window (widened to 2571 by the large turn) cannot bring it that
    // far, so it and the sample after it move later by what is missing.
    Ground g(FlightSituation::taxi, 20.0);
    auto& samples = g.aircraft.samples;
    samples[1].deliveryTick = kNow - 2000;
    StreamSample third = samples[1];
    third.deliveryTick = kNow + 1000;
    samples.push_back(third);
    g.aircraft.holdTicks1 = 900;
    g.aircraft.holdTicks2 = 900;
    g.aircraft.sharpTurn = 1;
    g.aircraft.headingOffset = 95.0;
    lf_groundStep(g.environment, g.aircraft);
    EXPECT_EQ(g.aircraft.stepTicksOverride, 1);
    EXPECT_EQ(g.aircraft.stepTicks, 1800);
    EXPECT_EQ(g.aircraft.holdTicks2, 2571);
    EXPECT_EQ(g.nextDueIn(), 786 + 1800);
    EXPECT_EQ(samples[2].deliveryTick, kNow + 1000 + (786 + 1800 - 571));

    struct Case {
        const char* name;
        void (*prepare)(LiveAircraft&);
    };
    const Case noSpotTurn[] = {
        {"less than 60 degrees off", [](LiveAircraft& a) { a.headingOffset = 50.0; }},
        {"extrapolating", [](LiveAircraft& a) { a.holdCount = 3; }},
        {"on the landing roll", [](LiveAircraft& a) { a.situation = FlightSituation::landing_roll; }},
        {"a curve is planned",
         [](LiveAircraft& a) {
             a.turnCurve.controlEast = 1.0;
             a.turnCurve.controlNorth = 1.0;
         }},
    };
    for (const Case& c : noSpotTurn) {
        Ground h(FlightSituation::taxi, 20.0);
        h.aircraft.sharpTurn = 1;
        h.aircraft.headingOffset = 95.0;
        c.prepare(h.aircraft);
        lf_groundStep(h.environment, h.aircraft);
        EXPECT_EQ(h.aircraft.stepTicksOverride, 0) << c.name;
    }
    Ground flagged(FlightSituation::taxi, 20.0);
    flagged.aircraft.sharpTurn = 1;
    flagged.aircraft.headingOffset = 20.0;
    flagged.aircraft.turnOnSpot = 1;
    lf_groundStep(flagged.environment, flagged.aircraft);
    EXPECT_EQ(flagged.aircraft.stepTicksOverride, 1) << "a planner's turn-on-the-spot flag";
}

TEST(NextPosGround, EndOfThePushbackStartsTheEngines) {
    Ground g(FlightSituation::pushing_back, 0.0);
    g.aircraft.pose.headingRad = 123.0 * kDeg;
    g.aircraft.holdCount = 4;
    g.aircraft.departurePending = 1;
    g.aircraft.groundMode = 4;
    g.aircraft.samples[1].deliveryTick = kNow + 10;
    nextPosGround(g.environment, g.aircraft);
    EXPECT_EQ(g.aircraft.situation, FlightSituation::pushed_back);
    EXPECT_EQ(g.environment.calls, (std::vector<std::string>{"engineAutoStart", "throttle 0", "flaps 1"}));
    EXPECT_EQ(g.aircraft.bearingToNext, 123.0 * kDeg);
    EXPECT_EQ(g.aircraft.holdCount, 0);
    EXPECT_EQ(g.aircraft.departurePending, 0);
    EXPECT_EQ(g.aircraft.proximityCompanion, static_cast<std::uint32_t>(kNow));
    EXPECT_EQ(g.aircraft.groundMode, 0u);
    EXPECT_EQ(g.nextDueIn(), 25) << "the common step ran (a hold due 10 ticks on waits 25)";
}

TEST(NextPosGround, AParkedAircraftLeavesOrStays) {
    struct Case {
        const char* name;
        std::uint8_t departurePending;
        std::uint8_t pullOut;
        FlightSituation after;
        std::uint32_t groundMode;
    };
    const Case cases[] = {
        {"pushback", 1, 0, FlightSituation::pushing_back, 4},
        {"pull-out", 1, 1, FlightSituation::taxi, 0},
        {"no departure: the easing stays", 0, 0, FlightSituation::parked, 3},
    };
    for (const Case& c : cases) {
        Ground g(FlightSituation::parked, 0.0);
        Stand stand;
        stand.number = 1;
        stand.radius = 0.02;
        g.environment.stands.push_back(stand);
        g.aircraft.standId = 1;
        g.aircraft.standLat = kStart.latitude;
        g.aircraft.standLon = kStart.longitude;
        g.aircraft.info.radiusNm = 0.02;
        g.aircraft.departurePending = c.departurePending;
        g.aircraft.pullOut = c.pullOut;
        g.aircraft.groundMode = 3;
        nextPosGround(g.environment, g.aircraft);
        EXPECT_EQ(g.aircraft.situation, c.after) << c.name;
        EXPECT_EQ(g.aircraft.groundMode, c.groundMode) << c.name;
        EXPECT_EQ(g.aircraft.holdTicks1, 2700) << c.name;
        EXPECT_EQ(g.aircraft.holdTicks2, 2700) << c.name;
    }
    // Staying: a next sample at the stand's place becomes a hold.
    Ground g(FlightSituation::parked, 0.0, 0.0);
    g.aircraft.samples[1].stationary = 0;
    g.aircraft.samples[1].deliveryTick = kNow + 700;
    nextPosGround(g.environment, g.aircraft);
    EXPECT_EQ(g.aircraft.samples[1].stationary, 1);
    EXPECT_EQ(g.nextDueIn(), 700);
    EXPECT_TRUE(g.environment.calls.empty());
}

TEST(TaxiBranch, HandsASlowArrivalToTheParkingAttempt) {
    struct Case {
        const char* name;
        FlightSituation previous;
        bool fileLoaded;
        double lastSpeedKt;
        bool parks;
    };
    const Case cases[] = {
        {"slow arrival at an airport with a stand file", FlightSituation::landing_roll, true, 0.0, true},
        {"still rolling at the last sample", FlightSituation::landing_roll, true, 3.0, false},
        {"no stand file", FlightSituation::landing_roll, false, 0.0, false},
        {"just pushed back from its stand", FlightSituation::pushed_back, true, 0.0, false},
        {"just pulled out of its stand", FlightSituation::parked, true, 0.0, false},
    };
    for (const Case& c : cases) {
        RecordingMotionEnvironment environment;
        environment.tick = kNow;
        environment.fileLoaded = c.fileLoaded;
        StreamBuilder stream(kStart, kNow, 5.0);
        stream.leg(0.0, 20.0, 5.0).leg(0.0, 10.0, c.lastSpeedKt);
        LiveAircraft aircraft = makeAircraft(stream.samples(), SizeClass::Large, FlightSituation::taxi, 0.0);
        aircraft.previousSituation = c.previous;
        lf_taxiBranch(environment, aircraft);
        EXPECT_EQ(environment.calls == std::vector<std::string>{"try2Park"}, c.parks) << c.name;
    }
}

TEST(TaxiBranch, MarksASharpTurnWithoutACurve) {
    struct Case {
        const char* name;
        double headingDeg; // the leg runs north
        bool curve;
        bool stationaryNext;
        std::uint8_t sharp;
        double offsetDeg;
    };
    const Case cases[] = {
        {"10 degrees off the leg", 10.0, false, false, 1, 10.0},
        {"350 degrees: 10 off the other way", 350.0, false, false, 1, 10.0},
        {"within 3 degrees", 2.99, false, false, 0, 2.99},
        {"a curve is planned", 40.0, true, false, 0, -1.0},
        {"a stationary next sample: left as it was", 40.0, false, true, 7, -1.0},
    };
    for (const Case& c : cases) {
        Ground g(FlightSituation::taxi, 10.0);
        g.aircraft.pose.headingRad = c.headingDeg * kDeg;
        g.aircraft.bearingToNext = 0.0;
        g.aircraft.sharpTurn = 7;
        g.aircraft.headingOffset = -1.0;
        g.aircraft.samples[1].stationary = c.stationaryNext ? 1 : 0;
        if (c.curve) {
            g.aircraft.turnCurve.controlEast = 1.0;
            g.aircraft.turnCurve.controlNorth = 1.0;
        }
        lf_taxiBranch(g.environment, g.aircraft);
        EXPECT_EQ(g.aircraft.sharpTurn, c.sharp) << c.name;
        EXPECT_NEAR(g.aircraft.headingOffset, c.offsetDeg, 1e-9) << c.name;
    }
}

TEST(TaxiBranch, EasesTheLegByItsSpeeds) {
    struct Case {
        const char* name;
        FlightSituation situation;
        double frontKt, nextKt;
        std::uint8_t driveIn;
        bool nextAtStand;
        std::uint32_t mode;
    };
    const Case cases[] = {
        {"taxi from standstill", FlightSituation::taxi, 0.0, 8.0, 0, false, 1},
        {"taxi stopping", FlightSituation::taxi, 8.0, 0.0, 0, false, 3},
        {"taxi at even speed", FlightSituation::taxi, 8.0, 9.0, 0, false, 0},
        {"parking, both standing", FlightSituation::parking, 0.0, 0.0, 0, false, 4},
        {"parking, stopping from 2.5 kt", FlightSituation::parking, 2.5, 0.0, 0, false, 3},
        {"parking, creeping at 2 kt to a stop", FlightSituation::parking, 2.0, 0.0, 0, false, 0},
        {"drive-in from standstill", FlightSituation::parking, 0.0, 0.0, 1, false, 2},
        {"drive-in whose next sample is the stand", FlightSituation::parking, 0.0, 0.0, 1, true, 4},
        {"landing roll keeps 0", FlightSituation::landing_roll, 0.0, 8.0, 0, false, 0},
    };
    for (const Case& c : cases) {
        RecordingMotionEnvironment environment;
        environment.tick = kNow;
        StreamBuilder stream(kStart, kNow, c.frontKt);
        stream.leg(0.0, 20.0, 5.0);
        stream.back().groundSpeedKt = c.nextKt;
        stream.back().stationary = 0;
        LiveAircraft aircraft = makeAircraft(stream.samples(), SizeClass::Large, c.situation, 0.0);
        aircraft.driveIn = c.driveIn;
        if (c.nextAtStand) {
            aircraft.standLat = aircraft.samples[1].latitude;
            aircraft.standLon = aircraft.samples[1].longitude;
        }
        lf_taxiBranch(environment, aircraft);
        EXPECT_EQ(aircraft.groundMode, c.mode) << c.name;
    }
}

} // namespace
} // namespace kiv

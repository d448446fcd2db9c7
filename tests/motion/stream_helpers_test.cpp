#include <cmath>
#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

#include "motion/motion_ticks.h"
#include "motion/stream_helpers.h"
#include "motion/turn_curve.h"
#include "stream_builder.h"

namespace kiv {
namespace {

using test_support::makeAircraft;
using test_support::pointFrom;
using test_support::StreamBuilder;

constexpr Lalo kOrigin{47.0, 9.0};

TEST(MotionTicks, TicksUntilDueIn64BitsWithTheFloor) {
    constexpr std::uint32_t kNearWrap = 4'294'000'000u; // the u32 counter some 10 s before it wraps
    constexpr std::uint32_t kSignedEdge = 2'147'483'600u;
    struct Case {
        const char* name;
        std::int32_t due;
        std::uint32_t now;
        std::int64_t expected;
    };
    const Case cases[] = {
        {"due in 1000 ticks", 2000, 1000, 1000},
        {"due in 26 ticks", 1026, 1000, 26},
        {"due in 10 ticks", 1010, 1000, 25},
        {"due now", 1000, 1000, 25},
        {"past by 500 ticks", 500, 1000, 25},
        {"parked hold 7 days ahead", gf_tickAfter(1000, 60'480'000), 1000, 60'480'000},
        {"parked hold across the wrap", gf_tickAfter(static_cast<std::int32_t>(kNearWrap), 60'480'000), kNearWrap,
         60'480'000},
        {"past, just before the wrap", static_cast<std::int32_t>(kNearWrap - 500), kNearWrap, 25},
        {"across the signed edge", gf_tickAfter(static_cast<std::int32_t>(kSignedEdge), 3000), kSignedEdge, 3000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gf_ticksUntilDue(c.due, c.now), c.expected) << c.name;
    }
    EXPECT_EQ(gf_tickSpan(std::int32_t{100}, std::int32_t{40}), -60);
    EXPECT_EQ(gf_tickSpan(std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::min()), 1);
    EXPECT_EQ(gf_tickAfter(std::numeric_limits<std::int32_t>::max(), 1), std::numeric_limits<std::int32_t>::min());
}

LiveAircraft aircraftWith(const StreamBuilder& stream, FlightSituation situation = FlightSituation::taxi) {
    return makeAircraft(stream.samples(), SizeClass::Large, situation, 0.0);
}

TEST(StreamHelpers, StreamSpeedFromReportedSpeedsOrDistanceOverTime) {
    const double nan = std::nan("");
    struct Case {
        const char* name;
        FlightSituation situation;
        double front;
        double next;
        double expected;
    };
    const Case cases[] = {
        {"both reported", FlightSituation::taxi, 10.0, 20.0, 15.0},
        {"next not reported", FlightSituation::taxi, 10.0, nan, 10.0},
        {"next standing", FlightSituation::taxi, 10.0, 0.0, 10.0},
        {"front standing", FlightSituation::taxi, 0.0, 20.0, 20.0},
        {"front standing on a roll", FlightSituation::takeoff_roll, 0.0, 20.0, 10.0},
        {"landing roll to a stop", FlightSituation::landing_roll, 30.0, 0.0, 15.0},
        {"creeping", FlightSituation::taxi, 0.4, 0.0, 1.0},
        // 1852 m in 100 s without speeds: 36 kt.
        {"no speeds", FlightSituation::taxi, nan, 0.0, 36.0},
    };
    for (const Case& c : cases) {
        StreamBuilder stream(kOrigin, 1000, c.front);
        stream.leg(0.0, 100.0, 36.0).back().groundSpeedKt = c.next;
        EXPECT_NEAR(gf_streamSpeedKt(aircraftWith(stream, c.situation)), c.expected, 0.01) << c.name;
    }
    // Samples due closer than 25 ticks count as 25 apart.
    StreamBuilder close(kOrigin, 1000, nan);
    close.leg(0.0, 0.1, 3600.0).back().groundSpeedKt = nan; // 0.1 NM in 10 ticks
    EXPECT_NEAR(gf_streamSpeedKt(aircraftWith(close)), 0.1 * 360000.0 / 25.0, 0.01);
    StreamBuilder single(kOrigin, 1000, nan);
    EXPECT_EQ(gf_streamSpeedKt(aircraftWith(single)), 1.0);
}

TEST(StreamHelpers, MidpointSampleHalfwayInPlaceTimeAndHeight) {
    StreamBuilder stream(kOrigin, 1000, 10.0, 0.0);
    stream.leg(0.0, 10.01, 20.0, 600.0); // 100.1 ft up, 1001 ticks later
    LiveAircraft aircraft = aircraftWith(stream);
    gf_insertMidpointSample(aircraft);
    ASSERT_EQ(aircraft.samples.size(), 3u);
    const StreamSample& middle = aircraft.samples[1];
    EXPECT_NEAR(middle.latitude, 0.5 * (aircraft.samples[0].latitude + aircraft.samples[2].latitude), 1e-12);
    EXPECT_EQ(middle.deliveryTick, 1501); // (1000 + 2001) / 2 rounded
    EXPECT_EQ(middle.groundSpeedKt, 15.0);
    EXPECT_NEAR(middle.altitudeFt, 50.05, 1e-9);
    EXPECT_EQ(middle.airborne, 1);
    EXPECT_EQ(middle.stationary, 0);

    StreamBuilder ground(kOrigin, 0, 10.0, 0.0);
    ground.leg(0.0, 10.0, 10.0);
    ground.back().altitudeFt = -20.0;
    LiveAircraft onGround = aircraftWith(ground);
    gf_insertMidpointSample(onGround);
    EXPECT_EQ(onGround.samples[1].altitudeFt, 0.0);
    EXPECT_EQ(onGround.samples[1].airborne, 0);

    LiveAircraft alone = aircraftWith(StreamBuilder(kOrigin, 0));
    gf_insertMidpointSample(alone);
    EXPECT_EQ(alone.samples.size(), 1u);
}

TEST(StreamHelpers, MidpointAcrossTheAntimeridianStaysBetweenTheSamples) {
    StreamBuilder stream({-16.7, 179.9999}, 0, 10.0);
    stream.leg(90.0, 10.0, 10.0); // about 51 m east, beyond 180
    LiveAircraft aircraft = aircraftWith(stream);
    ASSERT_LT(aircraft.samples[1].longitude, 0.0);
    gf_insertMidpointSample(aircraft);
    const StreamSample& middle = aircraft.samples[1];
    EXPECT_NEAR(gf_distanceNm({middle.latitude, middle.longitude}, {-16.7, 179.9999}) * 1852.0, 25.7, 0.5);
}

TEST(StreamHelpers, AirborneAndVerticalRateLooks) {
    StreamBuilder climbing(kOrigin, 0, 150.0, 0.0);
    climbing.leg(0.0, 5.0, 160.0, 1500.0).leg(0.0, 5.0, 170.0, 2100.0);
    EXPECT_TRUE(gf_streamAirborneAfterFirst(aircraftWith(climbing)));
    EXPECT_TRUE(gf_streamMaxVerticalRateAbove2000(aircraftWith(climbing)));
    StreamBuilder rolling(kOrigin, 0, 100.0, 0.0);
    rolling.leg(0.0, 5.0, 120.0).leg(0.0, 5.0, 150.0, 2000.0);
    EXPECT_FALSE(gf_streamAirborneAfterFirst(aircraftWith(rolling)));
    EXPECT_FALSE(gf_streamMaxVerticalRateAbove2000(aircraftWith(rolling))); // 2000 is not above
    EXPECT_FALSE(gf_streamAirborneAfterFirst(aircraftWith(StreamBuilder(kOrigin, 0, 0.0, 3000.0))));
}

TEST(StreamHelpers, ResetPathStateInvalidatesBothShapesAndClearsTheTurn) {
    LiveAircraft aircraft = aircraftWith(StreamBuilder(kOrigin, 0));
    const Lalo p1 = pointFrom(kOrigin, 0.0, 50.0);
    const Lalo p2 = pointFrom(p1, 90.0, 50.0);
    gf_buildTurnCurve(aircraft.turnCurve, {kOrigin.latitude, kOrigin.longitude, 0.0}, {p1.latitude, p1.longitude, 0.0},
                      {p2.latitude, p2.longitude, 1.0});
    ASSERT_FALSE(std::isnan(aircraft.turnCurve.controlEast));
    aircraft.turnSpline.errorKind = 0;
    aircraft.turnSpline.length = 80.0;
    aircraft.turnKind = 2;
    aircraft.curveFraction = 0.4;
    gf_resetPathState(aircraft);
    EXPECT_TRUE(std::isnan(aircraft.turnCurve.controlEast));
    EXPECT_EQ(aircraft.turnSpline.errorKind, 1u);
    EXPECT_EQ(aircraft.turnSpline.length, 0.0);
    EXPECT_EQ(aircraft.turnKind, 0u);
    EXPECT_EQ(aircraft.curveFraction, 0.0);
}

} // namespace
} // namespace kiv

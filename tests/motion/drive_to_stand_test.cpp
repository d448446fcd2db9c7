#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "motion/drive_to_stand.h"
#include "motion_fakes.h"
#include "stream_builder.h"
#include "test_support/log_capture.h"

namespace kiv {
namespace {

using test_support::LogCapture;
using test_support::makeAircraft;
using test_support::offsetFromStand;
using test_support::RecordingMotionEnvironment;
using test_support::StreamBuilder;

constexpr double kDeg = kDegreesToRadians;
constexpr StandPose kStand{47.0, 9.0, 45.0 * kDeg};
constexpr std::int32_t kFrontTick = 5000;

// Ticks to cover metres at knots, as the drive plans them.
std::int32_t ticksFor(double metres, double knots) {
    return static_cast<std::int32_t>(std::lround(metres / 1852.0 * 360000.0 / knots));
}

struct Drive {
    RecordingMotionEnvironment environment;
    LiveAircraft aircraft;

    // One sample where the aircraft stands, `along` and `lateral` from the stand.
    Drive(double along, double lateral, double headingOffDeg, SizeClass sizeClass = SizeClass::Large)
        : aircraft(makeAircraft(StreamBuilder(offsetFromStand(kStand, along, lateral), kFrontTick, 3.0).samples(),
                                sizeClass, FlightSituation::parking, 45.0 - headingOffDeg)) {
        environment.tick = kFrontTick;
        aircraft.standId = 1;
        aircraft.pose.altitudeFt = 350.0;
        aircraft.pose.bankRad = 0.01;
        Stand stand;
        stand.number = 1;
        stand.id = "GATE A1";
        environment.stands.push_back(stand);
    }

    void run(bool correctiveAllowed, bool slowApproach) {
        drive2Stand(environment, aircraft, kStand, correctiveAllowed, slowApproach);
    }
    std::vector<std::int32_t> dueTicks() const {
        std::vector<std::int32_t> ticks;
        for (const StreamSample& sample : aircraft.samples) {
            ticks.push_back(sample.deliveryTick);
        }
        return ticks;
    }
    double metresToStand(const StreamSample& sample) const {
        return gf_distanceNm({sample.latitude, sample.longitude}, {kStand.latitude, kStand.longitude}) * 1852.0;
    }
};

TEST(DriveToStand, StraightInFromADirectFinal) {
    Drive drive(-10.0, 0.0, 0.0); // Large: manoeuvre speed 3 kt, drive at 2.4 kt
    drive.run(true, false);
    const std::int32_t driveTicks = ticksFor(10.0, 2.4);
    ASSERT_EQ(drive.dueTicks(),
              (std::vector<std::int32_t>{kFrontTick, kFrontTick + driveTicks, kFrontTick + driveTicks + 50}));
    const StreamSample& atStand = drive.aircraft.samples[1];
    EXPECT_LT(drive.metresToStand(atStand), 0.01);
    EXPECT_EQ(atStand.groundSpeedKt, 0.0);
    EXPECT_NEAR(atStand.trackDeg, 45.0, 1e-9);
    EXPECT_EQ(atStand.altitudeFt, 350.0);
    EXPECT_EQ(atStand.stationary, 0);
    const StreamSample& hold = drive.aircraft.samples[2];
    EXPECT_EQ(hold.stationary, 1);
    EXPECT_LT(drive.metresToStand(hold), 0.01);
    // The direct final leg is remembered for the curve step.
    EXPECT_EQ(drive.aircraft.finalLeg.count, 1u);
    EXPECT_EQ(drive.aircraft.finalLeg.startTick, kFrontTick);
    EXPECT_EQ(drive.aircraft.finalLeg.endTick, kFrontTick + driveTicks);
    EXPECT_NEAR(drive.aircraft.finalLeg.startHeadingRad, 45.0 * kDeg, 1e-12);
    EXPECT_EQ(drive.aircraft.driveIn, 0);
    EXPECT_NEAR(drive.aircraft.bearingToNext, kStand.headingRad, 1e-12);
}

TEST(DriveToStand, CorrectiveApproachOverThePointInFront) {
    struct Case {
        const char* name;
        double along;
        double lateral;
        SizeClass sizeClass;
        bool slow;
        double offsetM; // of the turn point in front of the stand
        double firstLegKt;
        std::uint8_t driveIn;
        double lastLegKt; // 0.8 x the class's manoeuvre speed
    };
    const Case cases[] = {
        {"30 m out, 4 m aside", -30.0, 4.0, SizeClass::Large, false, 10.0, 2.4, 0, 2.4},
        {"slow approach", -30.0, 4.0, SizeClass::Large, true, 10.0, 4.0, 1, 2.4},
        {"slow approach of a Heavy", -30.0, 4.0, SizeClass::Heavy, true, 10.0, 3.0, 1, 1.6},
        {"14 m out, 1.5 m aside", -14.0, 1.5, SizeClass::Large, false, 5.0, 2.4, 0, 2.4},
    };
    for (const Case& c : cases) {
        Drive drive(c.along, c.lateral, 0.0, c.sizeClass);
        drive.run(true, c.slow);
        ASSERT_EQ(drive.aircraft.samples.size(), 4u) << c.name;
        const StreamSample& turnPoint = drive.aircraft.samples[1];
        const double firstLegM = std::hypot(-c.along - c.offsetM, c.lateral);
        const std::int32_t first = kFrontTick + ticksFor(firstLegM, c.firstLegKt);
        const std::int32_t last = first + ticksFor(c.offsetM, c.lastLegKt);
        EXPECT_EQ(drive.dueTicks(), (std::vector<std::int32_t>{kFrontTick, first, last, last + 50})) << c.name;
        EXPECT_NEAR(drive.metresToStand(turnPoint), c.offsetM, 0.01) << c.name;
        EXPECT_NEAR(turnPoint.groundSpeedKt, c.firstLegKt, 1e-12) << c.name;
        EXPECT_NEAR(turnPoint.trackDeg, 45.0, 1e-9) << c.name;
        EXPECT_EQ(turnPoint.bankRad, 0.01) << c.name;
        EXPECT_LT(drive.metresToStand(drive.aircraft.samples[2]), 0.01) << c.name;
        EXPECT_EQ(drive.aircraft.driveIn, c.driveIn) << c.name;
        EXPECT_EQ(drive.aircraft.holdTicks1, 2700) << c.name;
        EXPECT_EQ(drive.aircraft.holdTicks2, 2700) << c.name;
        EXPECT_EQ(drive.aircraft.finalLeg.count, 0u) << c.name;
    }
}

TEST(DriveToStand, NothingToPlanAtOrJustPastTheStand) {
    struct Case {
        const char* name;
        double along;
        double lateral;
    };
    // At the stand (corrective approach allowed), and 5 m past it lined up (accepted).
    const Case cases[] = {{"at the stand", -0.5, 0.2}, {"5 m past", 5.0, 0.0}};
    for (const Case& c : cases) {
        Drive drive(c.along, c.lateral, 0.0);
        drive.run(true, false);
        EXPECT_EQ(drive.dueTicks(), (std::vector<std::int32_t>{kFrontTick, kFrontTick + 50})) << c.name;
        EXPECT_EQ(drive.aircraft.samples.back().stationary, 1) << c.name;
    }
}

TEST(DriveToStand, PastTheStandItDrivesBackAndSaysSo) {
    LogCapture log;
    Drive drive(5.0, 0.0, 20.0); // 5 m past, 20 degrees off: not parked yet
    drive.run(true, false);
    ASSERT_EQ(drive.aircraft.samples.size(), 3u);
    EXPECT_EQ(drive.aircraft.samples[0].groundSpeedKt, 0.0);
    EXPECT_EQ(drive.aircraft.samples[0].trueAirspeedKt, 0.0);
    EXPECT_EQ(drive.aircraft.samples[1].deliveryTick, kFrontTick + ticksFor(5.0, 2.4));
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "GATE A1       : TST860 drive2stand plans corrective move from past stand, distance 5.0 m, "
                        "along 5.0 m, lateral 0.0 m");
}

TEST(DriveToStand, AShortDriveTakesAtLeastOneSecond) {
    Drive drive(-1.0, 0.0, 0.0); // without corrective approaches: driven straight in
    drive.run(false, false);
    ASSERT_EQ(drive.aircraft.samples.size(), 3u);
    EXPECT_EQ(drive.aircraft.samples[1].deliveryTick, kFrontTick + 100); // 1 m at 2.4 kt is 81 ticks
}

TEST(DriveToStand, WithoutAManoeuvreSpeedTheDriveStillEnds) {
    const double speeds[] = {0.0, std::nan(""), -3.0};
    for (const double speed : speeds) {
        Drive drive(-10.0, 0.0, 0.0);
        drive.aircraft.info.liveRate = speed;
        drive.run(true, false);
        ASSERT_EQ(drive.aircraft.samples.size(), 3u) << speed;
        EXPECT_EQ(drive.aircraft.samples[1].deliveryTick, kFrontTick + ticksFor(10.0, 1.0)) << speed;
    }
}

TEST(DriveToStand, UnexpectedStreamSizes) {
    LogCapture log;
    Drive empty(-10.0, 0.0, 0.0);
    empty.aircraft.samples.clear();
    empty.run(true, false);
    EXPECT_TRUE(empty.aircraft.samples.empty());

    Drive longer(-10.0, 0.0, 0.0);
    StreamSample later = longer.aircraft.samples.front();
    later.deliveryTick = kFrontTick + 300;
    longer.aircraft.samples.push_back(later);
    longer.aircraft.samples.push_back(later);
    longer.run(true, false);
    EXPECT_EQ(longer.aircraft.samples.front().deliveryTick, kFrontTick + 300); // the front went
    EXPECT_EQ(longer.aircraft.samples.back().stationary, 1);

    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "==> drive2Stand unexpected stream size: 0, TST860");
    EXPECT_EQ(lines[1], "==> drive2Stand unexpected stream size: 3, TST860");
}

TEST(DriveToStand, ExtrapolationEndsWithTheDrive) {
    struct Case {
        FlightSituation situation;
        std::int32_t budget;
        std::int32_t advance;
        std::int32_t delay;
    };
    const Case cases[] = {
        {FlightSituation::taxi, 12, 2700, 2700},
        {FlightSituation::takeoff_roll, 3, 2700, 4500},
        {FlightSituation::taxi, 0, 900, 900}, // no extrapolation running: the windows stay
    };
    for (const Case& c : cases) {
        Drive drive(-10.0, 0.0, 0.0);
        drive.aircraft.situation = c.situation;
        drive.aircraft.holdCount = c.budget;
        drive.aircraft.proximityCheck = c.budget > 0 ? 1 : 0;
        drive.aircraft.proximityCompanion = 4000;
        drive.run(true, false);
        EXPECT_EQ(drive.aircraft.holdCount, 0);
        EXPECT_EQ(drive.aircraft.holdTicks1, c.advance);
        EXPECT_EQ(drive.aircraft.holdTicks2, c.delay);
        EXPECT_EQ(drive.aircraft.proximityCheck, 0);
        EXPECT_EQ(drive.aircraft.proximityCompanion, c.budget > 0 ? 0u : 4000u);
    }
}

} // namespace
} // namespace kiv

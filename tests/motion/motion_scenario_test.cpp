// Whole movements on the virtual clock: generated tracks run tick by tick through the
// driver and the curve step as the traffic side calls them (the stream step when the front
// sample is due, the curve step while it is not stationary), with every frame checked: a
// finite pose, steps no longer than the speed allows, heading and bank within the class
// limits, never below the ground, every sample reached near its due tick, and the commands
// to the simulator in their order.
#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/geodesy.h"
#include "motion/curve_step.h"
#include "motion/drive_to_stand.h"
#include "motion/ground_departure.h"
#include "motion/motion_driver.h"
#include "motion/motion_limits.h"
#include "motion/motion_ticks.h"
#include "motion/situation_change.h"
#include "motion_fakes.h"
#include "stream_builder.h"

namespace kiv {
namespace {

using test_support::makeAircraft;
using test_support::offsetFromStand;
using test_support::pointFrom;
using test_support::RecordingMotionEnvironment;
using test_support::StreamBuilder;

constexpr Lalo kStart{47.0, 9.0};
constexpr std::int32_t kNow = 100000;
constexpr double kMetresPerTickPerKnot = 0.5144444444444445 / 100.0;

Lalo positionOf(const StreamSample& sample) { return {sample.latitude, sample.longitude}; }
Lalo positionOf(const LiveAircraft& aircraft) { return {aircraft.pose.latitude, aircraft.pose.longitude}; }
double metres(const Lalo& a, const Lalo& b) { return gf_distanceNm(a, b) * 1852.0; }

double fastestKt(const std::deque<StreamSample>& samples) {
    double fastest = 0.0;
    for (const StreamSample& sample : samples) {
        fastest = std::max(fastest, sample.groundSpeedKt);
    }
    return fastest;
}

// Runs one aircraft tick by tick and checks every frame.
class Scenario {
public:
    Scenario(LiveAircraft aircraft, double fastestKt) : aircraft_(std::move(aircraft)), fastestKt_(fastestKt) {
        environment.tick = static_cast<std::uint32_t>(aircraft_.samples.front().deliveryTick);
        environment.parkAltitude = 0.0;
        environment.nearParkAirport = true;
    }

    RecordingMotionEnvironment environment;
    LiveAircraft& aircraft() { return aircraft_; }
    // Called before each tick's motion; the test plays the traffic side's part here.
    std::function<void(Scenario&)> beforeTick;

    // Until the aircraft is removed or `ticks` have passed; true when it was removed.
    bool run(std::int32_t ticks) {
        for (std::int32_t i = 0; i < ticks; ++i) {
            if (beforeTick) {
                beforeTick(*this);
            }
            if (!tick()) {
                return true;
            }
            ++environment.tick;
        }
        return false;
    }

    std::vector<std::string> failures;
    std::int32_t reached = 0; // samples reached on time

    std::size_t firstCall(const std::string& call) const {
        const auto found = std::find(environment.calls.begin(), environment.calls.end(), call);
        return static_cast<std::size_t>(found - environment.calls.begin());
    }
    bool called(const std::string& call) const { return firstCall(call) < environment.calls.size(); }

private:
    void fail(const std::string& what) {
        if (failures.size() < 10) {
            failures.push_back("tick " + std::to_string(environment.tick) + ": " + what);
        }
    }

    bool removed() const { return called("noMoreNextPos") || called("removeAircraftFromSim"); }

    bool tick() {
        LiveAircraft& a = aircraft_;
        const Lalo before = positionOf(a);
        const double headingBefore = a.pose.headingRad;
        const bool onGroundBefore = a.onGround != 0;
        const bool finalLegBefore = a.situation == FlightSituation::parking && a.finalLeg.count != 0;
        if (a.samples.empty()) {
            fail("stream empty");
            return false;
        }
        if (gf_tickSpan(static_cast<std::uint32_t>(a.samples.front().deliveryTick), environment.tick) >= 0) {
            checkReached(a.samples.front());
            nextPosMain(environment, a);
            if (removed()) {
                return false;
            }
        }
        if (!a.samples.empty() && a.samples.front().stationary == 0) {
            gf_nextPosCurve(environment, a);
        }
        const AiPose& p = a.pose;
        for (const double value : {p.latitude, p.longitude, p.headingRad, p.pitchRad, p.bankRad, p.altitudeFt,
                                   p.verticalSpeedFpm, a.speedKt}) {
            if (!std::isfinite(value)) {
                fail("pose not finite");
                return false;
            }
        }
        const double speedKt = std::max(fastestKt_, std::fabs(a.speedKt));
        const double step = metres(before, positionOf(a));
        if (step > speedKt * kMetresPerTickPerKnot + 1.0) {
            fail("step of " + std::to_string(step) + " m");
        }
        const double turn = std::fabs(std::remainder(a.pose.headingRad - headingBefore, 2.0 * kPiValue));
        const double turnLimit = onGroundBefore && a.onGround != 0 && !finalLegBefore
                                     ? 1.2 * a.info.classRateRad + 1e-9
                                     : 3.6 * kDegreesToRadians + 1e-9;
        if (turn > turnLimit && !finalLegBefore) {
            fail("heading step of " + std::to_string(turn / kDegreesToRadians) + " degrees");
        }
        if (std::fabs(a.pose.bankRad) > gf_maxBankAngle(a.info.sizeClass) + 1e-9) {
            fail("bank of " + std::to_string(a.pose.bankRad / kDegreesToRadians) + " degrees");
        }
        if (a.pose.altitudeFt < -1e-6) {
            fail("below the ground: " + std::to_string(a.pose.altitudeFt) + " ft");
        }
        return true;
    }

    // At its due tick the aircraft stands at the sample it was heading for (a roll driven
    // by one profile over several samples ends only at its last one).
    void checkReached(const StreamSample& due) {
        const LiveAircraft& a = aircraft_;
        if (a.groundRoll.profile.valid != 0 && a.samples.size() >= 2) {
            return;
        }
        if (!lastNext_) {
            lastNext_ = true;
            return;
        }
        const double allowed = std::max(fastestKt_, std::fabs(a.speedKt)) * kMetresPerTickPerKnot * 5.0 + 1.0;
        const double off = metres(positionOf(a), positionOf(due));
        if (off > allowed) {
            fail("sample missed by " + std::to_string(off) + " m");
        } else {
            ++reached;
        }
    }

    static constexpr double kPiValue = 3.14159265358979323846;
    LiveAircraft aircraft_;
    double fastestKt_;
    bool lastNext_ = false;
};

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

// Straight legs with 30 to 90 degree corners every 2 to 5 s at 5 to 25 kt, then a stop.
std::deque<StreamSample> taxiTrack(std::uint32_t seed, std::int32_t legs) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> seconds(2.0, 5.0), speed(5.0, 25.0), corner(30.0, 90.0);
    std::bernoulli_distribution left(0.5);
    StreamBuilder stream(kStart, kNow, 15.0);
    double course = 0.0;
    for (std::int32_t i = 0; i < legs; ++i) {
        stream.leg(course, seconds(random), speed(random));
        course = std::fmod(course + (left(random) ? -1.0 : 1.0) * corner(random) + 360.0, 360.0);
    }
    stream.hold(3.0);
    return stream.samples();
}

TEST(MotionScenario, TaxiAlongCorneredTracks) {
    for (std::uint32_t seed = 1; seed <= 6; ++seed) {
        const std::deque<StreamSample> track = taxiTrack(seed, 12);
        Scenario scenario(makeAircraft(track, SizeClass::Large, FlightSituation::taxi, 0.0), fastestKt(track));
        scenario.environment.snapshot = std::make_shared<const SettingsSnapshot>();
        const bool removed = scenario.run(120 * 100);
        EXPECT_TRUE(scenario.failures.empty()) << "seed " << seed << "\n" << joined(scenario.failures);
        EXPECT_FALSE(removed) << "seed " << seed;
        EXPECT_GE(scenario.reached, 5) << "seed " << seed;
        // It ends standing at the last sample, holding.
        EXPECT_LT(metres(positionOf(scenario.aircraft()), positionOf(track.back())), 3.0) << "seed " << seed;
        EXPECT_EQ(scenario.aircraft().proximityCheck, 1) << "seed " << seed;
    }
}

TEST(MotionScenario, HoldOnInventedSamplesThenGo) {
    StreamBuilder stream(kStart, kNow, 10.0);
    stream.leg(0.0, 5.0, 10.0).hold(3.0);
    Scenario scenario(makeAircraft(stream.samples(), SizeClass::Bizjet, FlightSituation::taxi, 0.0), 10.0);
    const bool removed = scenario.run(200 * 100);
    EXPECT_TRUE(scenario.failures.empty()) << joined(scenario.failures);
    EXPECT_TRUE(removed);
    EXPECT_TRUE(scenario.called("noMoreNextPos"));
    EXPECT_LT(metres(positionOf(scenario.aircraft()), positionOf(stream.samples().back())), 0.5);
    // 3 minutes of hold samples after the stream ran dry.
    EXPECT_GE(scenario.environment.tick, static_cast<std::uint32_t>(kNow + 800 + 60 * 300));
}

TEST(MotionScenario, TakeoffRollRotationAndClimb) {
    StreamBuilder stream(kStart, kNow, 10.0);
    for (double speed = 20.0; speed <= 150.0; speed += 10.0) {
        stream.leg(90.0, 3.0, speed);
    }
    for (int i = 0; i < 12; ++i) {
        stream.leg(90.0, 5.0, 160.0, 1800.0);
    }
    LiveAircraft aircraft = makeAircraft(stream.samples(), SizeClass::Large, FlightSituation::taxi, 90.0);
    Scenario scenario(std::move(aircraft), 170.0);
    gf_startTakeoffRoll(scenario.environment, scenario.aircraft());
    scenario.run(80 * 100);
    EXPECT_TRUE(scenario.failures.empty()) << joined(scenario.failures);
    const LiveAircraft& a = scenario.aircraft();
    EXPECT_NE(a.situation, FlightSituation::takeoff_roll);
    EXPECT_EQ(a.onGround, 0);
    EXPECT_GT(a.pose.altitudeFt, 300.0);
    ASSERT_TRUE(scenario.called("gear 0"));
    // Take-off power and flaps first, the gear only after the lift-off message.
    EXPECT_LT(scenario.firstCall("throttle 3"), scenario.firstCall("gear 0"));
    EXPECT_LT(scenario.firstCall("flaps 1"), scenario.firstCall("gear 0"));
    EXPECT_EQ(scenario.environment.flightMessages.size(), 1u);
}

TEST(MotionScenario, PushbackFromTheStand) {
    const StandPose standPose{kStart.latitude, kStart.longitude, 90.0 * kDegreesToRadians};
    StreamBuilder stream(kStart, kNow, 0.0);
    stream.hold(2.0);
    LiveAircraft aircraft = makeAircraft(stream.samples(), SizeClass::Large, FlightSituation::parked, 90.0);
    aircraft.standId = 1;
    aircraft.standLat = standPose.latitude;
    aircraft.standLon = standPose.longitude;
    aircraft.standHeading = standPose.headingRad;
    aircraft.departurePending = 1;
    aircraft.info.liveRate = 3.0;
    Scenario scenario(std::move(aircraft), 3.0);
    Stand stand;
    stand.number = 1;
    stand.id = "A1";
    stand.radius = 0.02;
    stand.latitude = standPose.latitude;
    stand.longitude = standPose.longitude;
    scenario.environment.stands.push_back(stand);
    scenario.run(150 * 100);
    EXPECT_TRUE(scenario.failures.empty()) << joined(scenario.failures);
    const LiveAircraft& a = scenario.aircraft();
    // 2.5 stand radii straight back, still facing the stand's way.
    EXPECT_NEAR(metres(positionOf(a), kStart), 2.5 * 0.02 * 1852.0, 1.0);
    EXPECT_NEAR(gf_initialBearingRad(positionOf(a), kStart), standPose.headingRad, 0.02);
    EXPECT_NEAR(std::remainder(a.pose.headingRad - standPose.headingRad, 6.283185307179586), 0.0, 1e-9);
    ASSERT_TRUE(scenario.called("lights 1,1,0,1,0,1,0"));
    EXPECT_LT(scenario.firstCall("lights 1,1,0,1,0,1,0"), scenario.firstCall("engineAutoStart"));
    EXPECT_EQ(a.situation, FlightSituation::pushed_back);
}

TEST(MotionScenario, DriveIntoTheStandAndPark) {
    const StandPose standPose{kStart.latitude, kStart.longitude, 45.0 * kDegreesToRadians};
    const Lalo from = offsetFromStand(standPose, -40.0, 0.0);
    LiveAircraft aircraft =
        makeAircraft(StreamBuilder(from, kNow, 5.0).samples(), SizeClass::Large, FlightSituation::parking, 45.0);
    aircraft.standId = 1;
    aircraft.standLat = standPose.latitude;
    aircraft.standLon = standPose.longitude;
    aircraft.standHeading = standPose.headingRad;
    aircraft.info.liveRate = 5.0;
    aircraft.info.hexId = 0xABCDEF;
    Scenario scenario(std::move(aircraft), 5.0);
    Stand stand;
    stand.number = 1;
    stand.id = "A1";
    stand.radius = 0.02;
    scenario.environment.stands.push_back(stand);
    drive2Stand(scenario.environment, scenario.aircraft(), standPose, true, false);
    scenario.run(120 * 100);
    EXPECT_TRUE(scenario.failures.empty()) << joined(scenario.failures);
    const LiveAircraft& a = scenario.aircraft();
    EXPECT_EQ(a.situation, FlightSituation::parked);
    EXPECT_LT(metres(positionOf(a), kStart), 2.0);
    EXPECT_LT(std::fabs(std::remainder(a.pose.headingRad - standPose.headingRad, 6.283185307179586)),
              10.0 * kDegreesToRadians);
}

TEST(MotionScenario, RolloutAfterTouchdownAndRunwayExit) {
    StreamBuilder stream(kStart, kNow, 130.0);
    for (double speed = 115.0; speed >= 20.0; speed -= 15.0) {
        stream.leg(0.0, 3.0, speed);
    }
    stream.leg(0.0, 3.0, 20.0).leg(40.0, 4.0, 18.0).leg(40.0, 4.0, 15.0).leg(40.0, 4.0, 15.0).hold(3.0);
    LiveAircraft aircraft = makeAircraft(stream.samples(), SizeClass::Large, FlightSituation::landing_roll, 0.0);
    aircraft.touchdownHeading = 0.0;
    aircraft.speedKt = 130.0;
    Scenario scenario(std::move(aircraft), 130.0);
    // What the touch-down report sends.
    scenario.environment.setSpoilers(scenario.aircraft(), 1);
    scenario.environment.setReverseThrust(scenario.aircraft(), 1, 0);
    scenario.run(60 * 100);
    EXPECT_TRUE(scenario.failures.empty()) << joined(scenario.failures);
    const LiveAircraft& a = scenario.aircraft();
    EXPECT_EQ(a.situation, FlightSituation::taxi);
    EXPECT_EQ(a.runwayExited, 1);
    EXPECT_LT(scenario.firstCall("spoilers 1"), scenario.firstCall("spoilers 0"));
    EXPECT_LT(scenario.firstCall("reverse 1,0"), scenario.firstCall("reverse 0,0"));
    EXPECT_TRUE(scenario.called("lights 1,1,0,1,0,1,1"));
}

TEST(MotionScenario, ApproachAndFlareToTouchdown) {
    // 140 kt on a 3-degree path from 1500 ft: 743 ft/min down, a sample every 5 s.
    StreamBuilder stream(kStart, kNow, 140.0, 1500.0);
    while (stream.back().altitudeFt > 0.0) {
        stream.leg(0.0, 5.0, 140.0, -743.0);
    }
    stream.leg(0.0, 5.0, 120.0).leg(0.0, 5.0, 100.0);
    LiveAircraft aircraft = makeAircraft(stream.samples(), SizeClass::Large, FlightSituation::flying, 0.0);
    aircraft.heightAboveGroundFt = 1500.0;
    aircraft.pose.pitchRad = 0.0;
    Scenario scenario(std::move(aircraft), 160.0);
    bool touchedDown = false;
    scenario.beforeTick = [&touchedDown](Scenario& s) {
        LiveAircraft& a = s.aircraft();
        a.heightAboveGroundFt = a.pose.altitudeFt;
        if (!touchedDown && a.onGround == 0 && a.situation == FlightSituation::landing &&
            a.pose.altitudeFt <= a.info.classDistance) {
            // The simulator reports the wheels on the ground: the traffic side's touch-down.
            touchedDown = true;
            a.onGround = 1;
            lf_setSituation(s.environment, a, FlightSituation::landing_roll);
            a.touchdownHeading = a.pose.headingRad;
        }
    };
    scenario.run(150 * 100);
    EXPECT_TRUE(scenario.failures.empty()) << joined(scenario.failures);
    EXPECT_TRUE(touchedDown);
    EXPECT_TRUE(scenario.environment.fastPoll);
    EXPECT_TRUE(scenario.called("gear 1"));
    EXPECT_TRUE(scenario.called("flaps 3"));
    EXPECT_LT(scenario.firstCall("flaps 3"), scenario.firstCall("throttle 0"));
}

} // namespace
} // namespace kiv

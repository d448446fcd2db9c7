#include <gtest/gtest.h>

#include "stand_fixture.h"

namespace kiv {
namespace {

using test_support::northDeg;
using test_support::StandFixture;

class StandDepartureTest : public ::testing::Test, public StandFixture {
protected:
    StandDepartureTest() { addStand("GATE 1", 0.0); }

    LiveAircraft& parked(std::uint32_t hexId, SizeClass sizeClass = SizeClass::Large) {
        LiveAircraft& a = addGroundLive(hexId, "DLH" + std::to_string(hexId));
        parkOn(a, 1);
        a.gateStand = 1;
        a.previousSituation = FlightSituation::birth;
        a.info.sizeClass = sizeClass;
        return a;
    }

    // A sample `northM` metres north of the stand (the stand faces north), due at `tick`.
    StreamSample sampleAt(double northM, std::int32_t tick) const {
        StreamSample s;
        s.latitude = state.parkStands[0].latitude + northDeg(northM);
        s.longitude = state.parkStands[0].longitude;
        s.deliveryTick = tick;
        s.stationary = 1;
        return s;
    }
};

TEST_F(StandDepartureTest, ForwardDepartureNeedsTheClassDistance) {
    struct Case {
        const char* name;
        double aheadM;
        bool accepted;
        bool pullOut;
        bool removed;
    };
    const Case cases[] = {
        {"240 m ahead: below 220 + 30 m", 240.0, false, false, false},
        {"260 m ahead: pull out", 260.0, true, true, false},
        {"301 m ahead: it left unseen", 301.0, false, false, true},
    };
    std::uint32_t hexId = 7001;
    for (const Case& c : cases) {
        steps.calls.clear();
        LiveAircraft& a = parked(hexId++, SizeClass::Heavy);
        StreamSample s = sampleAt(c.aheadM, 100);
        EXPECT_EQ(stand.checkAtStandSituations(state, a, s), c.accepted) << c.name;
        EXPECT_EQ(a.departurePending != 0, c.accepted) << c.name;
        EXPECT_EQ(a.pullOut != 0, c.pullOut) << c.name;
        EXPECT_EQ(a.simState == SimState::removingfromsim, c.removed) << c.name;
        const std::string use = "gf_addRealStandOption 1 " + std::to_string(a.info.hexId);
        EXPECT_EQ(steps.count(use + " 2"), c.accepted ? 1 : 0) << c.name;
        EXPECT_EQ(steps.count(use + " 3"), c.removed ? 1 : 0) << c.name;
        if (c.accepted) {
            EXPECT_EQ(s.stationary, 0) << c.name;
            EXPECT_FALSE(a.standChoice) << c.name;
        }
    }
    // Without the GATE extra a Heavy leaves from 220 m.
    LiveAircraft& ramp = parked(hexId, SizeClass::Heavy);
    ramp.gateStand = 0;
    StreamSample s = sampleAt(230.0, 100);
    EXPECT_TRUE(stand.checkAtStandSituations(state, ramp, s));
}

TEST_F(StandDepartureTest, PushbackWithLightsOffWaitsTwentySeconds) {
    state.tickCount = 5000;
    LiveAircraft& a = parked(7001);
    StreamSample s = sampleAt(-250.0, 5100);
    EXPECT_FALSE(stand.checkAtStandSituations(state, a, s));
    ASSERT_EQ(link.allLights.size(), 1U);
    EXPECT_EQ(link.allLights[0].first, a.objectId);
    EXPECT_EQ(link.allLights[0].second, (LightSet{1, 1, 0, 1, 0, 1, 0}));
    const DepartureWatch& watch = a.standWork.departure;
    EXPECT_EQ(watch.deferred, 1);
    EXPECT_EQ(watch.releaseTick, 7000);
    EXPECT_EQ(watch.deferredSample.latitude, s.latitude);
    EXPECT_EQ(a.departurePending, 0);
    StreamSample next = sampleAt(-255.0, 5200);
    EXPECT_FALSE(stand.checkAtStandSituations(state, a, next)) << "held while a sample is deferred";

    // The live update releases the held sample when its tick has come.
    StreamSample held = watch.deferredSample;
    stand.lf_beginStandDeparture(state, a, held, 0);
    EXPECT_EQ(a.departurePending, 1);
    EXPECT_EQ(a.pullOut, 0);

    // With the lights already on there is nothing to wait for.
    LiveAircraft& lit = parked(7002);
    lit.standWork.departure.lightsOn = 1;
    StreamSample back = sampleAt(-250.0, 5100);
    EXPECT_TRUE(stand.checkAtStandSituations(state, lit, back));
    EXPECT_EQ(lit.pullOut, 0);
    // Beyond 262 m behind the aircraft left unseen.
    LiveAircraft& gone = parked(7003);
    StreamSample far = sampleAt(-263.0, 5100);
    EXPECT_FALSE(stand.checkAtStandSituations(state, gone, far));
    EXPECT_EQ(gone.simState, SimState::removingfromsim);
}

TEST_F(StandDepartureTest, BackwardMovesNearTheStandStartTheLookAhead) {
    struct Case {
        const char* name;
        std::vector<double> northM;
        bool watching;
    };
    const Case cases[] = {
        {"below 15 m no direction is known", {-5.0, -9.0, -13.0}, false},
        {"backward beyond 15 m", {-16.0, -20.0, -24.0}, true},
        {"forward beyond 15 m", {16.0, 20.0, 24.0}, false},
        {"one move is not enough", {-16.0, -20.0}, false},
        {"moves under 3 m do not count", {-16.0, -18.0, -20.0}, false},
    };
    std::uint32_t hexId = 7001;
    for (const Case& c : cases) {
        LiveAircraft& a = parked(hexId++);
        std::int32_t tick = 100;
        for (double m : c.northM) {
            StreamSample s = sampleAt(m, tick += 100);
            EXPECT_FALSE(stand.checkAtStandSituations(state, a, s)) << c.name;
        }
        EXPECT_EQ(a.standWork.departure.watching != 0, c.watching) << c.name;
        EXPECT_EQ(a.atStandChecked, 1) << c.name;
    }
}

TEST_F(StandDepartureTest, LookAheadConfirmsOrResets) {
    auto watched = [this](std::uint32_t hexId) -> LiveAircraft& {
        LiveAircraft& a = parked(hexId);
        std::int32_t tick = 100;
        for (double m : {-16.0, -20.0, -24.0}) {
            StreamSample s = sampleAt(m, tick += 100);
            stand.checkAtStandSituations(state, a, s);
        }
        EXPECT_EQ(a.standWork.departure.watching, 1);
        return a;
    };
    // Too far from the reference for the time passed: everything starts over.
    LiveAircraft& reset = watched(7001);
    StreamSample jump = sampleAt(-60.0, 500);
    EXPECT_FALSE(stand.checkAtStandSituations(state, reset, jump));
    const DepartureWatch& w = reset.standWork.departure;
    EXPECT_EQ(w.watching, 0);
    EXPECT_EQ(w.moveCount, 0U);
    EXPECT_EQ(w.firstMoveWait, 0);
    EXPECT_NEAR(w.baseDistanceNm * 1852.0, 60.0, 0.01);

    // Four metres further back one second later confirms: the sample waits for the first move.
    state.tickCount = 400;
    LiveAircraft& confirmed = watched(7002);
    StreamSample on = sampleAt(-28.0, 500);
    EXPECT_FALSE(stand.checkAtStandSituations(state, confirmed, on));
    EXPECT_EQ(confirmed.standWork.departure.deferred, 1);
    EXPECT_EQ(confirmed.standWork.departure.releaseTick, 300) << "the first move's sample tick";

    // Only two metres further: the first look-ahead becomes the new reference.
    LiveAircraft& again = watched(7003);
    StreamSample small = sampleAt(-26.0, 500);
    EXPECT_FALSE(stand.checkAtStandSituations(state, again, small));
    EXPECT_EQ(again.standWork.departure.watching, 1);
    EXPECT_EQ(again.standWork.departure.lookAheadCount, 1U);
    EXPECT_EQ(again.standWork.departure.referenceTick, 500);
}

TEST_F(StandDepartureTest, PushbackEndsAfterTwoSamplesClearOfTheStand) {
    LiveAircraft& a = parked(7001);
    a.situation = FlightSituation::pushed_back;
    a.proximityCheck = 1;
    a.holdCount = 3;
    struct Step {
        double northM;
        bool accepted;
    };
    // -10 the reference; -12 within 4 m of it; -30 the first sample 25 m clear of the stand
    // becomes the confirmation point; -20 back within 25 m clears it; -30 the confirmation point
    // again; -40 the first count; -44 the second count, 14 m from the point; -49 ends it.
    const Step stepsIn[] = {{-10.0, false}, {-12.0, false}, {-30.0, false}, {-20.0, false},
                            {-30.0, false}, {-40.0, false}, {-44.0, false}, {-49.0, true}};
    int i = 0;
    for (const Step& s : stepsIn) {
        StreamSample sample = sampleAt(s.northM, 100 + i++);
        EXPECT_EQ(stand.lf_checkPushedBack(state, a, sample), s.accepted) << s.northM;
        if (i == 1) {
            EXPECT_EQ(a.holdCount, 0) << "a refusal with the proximity check resets the hold";
            EXPECT_EQ(a.proximityCheck, 0);
        }
    }
    EXPECT_EQ(a.situation, FlightSituation::taxi);
    EXPECT_EQ(a.standId, 0U);
    EXPECT_EQ(a.standLat, 0.0);
    EXPECT_EQ(a.gateStand, 0);
    EXPECT_EQ(a.standWork.pushback.referenceSet, 0);
}

} // namespace
} // namespace kiv

#include <gtest/gtest.h>

#include "stand_fixture.h"
#include "traffic/stand_choice.h"

namespace kiv {
namespace {

using test_support::LogCapture;
using test_support::StandFixture;

class StandChoiceTest : public ::testing::Test, public StandFixture {};

Stand standOfType(ParkingType type, double radiusNm) {
    Stand s;
    s.type = gf_parkingTypeCode(type);
    s.radius = radiusNm;
    s.number = 1;
    return s;
}

TEST(StandFitTest, SizeClassAndExcessDecideTheFit) {
    using enum SizeClass;
    const double m = 1.0 / 1852.0;
    struct Case {
        const char* name;
        ParkingType type;
        SizeClass sizeClass;
        double excessM;
        bool fits;
    };
    const Case cases[] = {
        {"5.40 m over fits a heavy gate", ParkingType::gate_heavy, Heavy, 5.40, true},
        {"5.41 m over fits nothing", ParkingType::gate_heavy, Heavy, 5.41, false},
        {"5.41 m over, any class stand", ParkingType::gate_extra, Heavy, 5.41, false},
        {"extra stand 1.8 m over", ParkingType::gate_extra, Heavy, 1.8, true},
        {"extra stand 1.81 m over", ParkingType::gate_extra, Heavy, 1.81, false},
        {"GA extra stand 1.8 m over", ParkingType::ramp_ga_extra, Light, 1.8, true},
        {"fuel 5.0 m over", ParkingType::fuel, Rotorcraft, 5.0, true},
        {"fuel 5.01 m over", ParkingType::fuel, Large, 5.01, false},
        {"large at a small gate within its radius", ParkingType::gate_small, Large, 0.0, true},
        {"large at a small gate 0.01 m over", ParkingType::gate_small, Large, 0.01, false},
        {"bizjet at a small gate 3 m over", ParkingType::gate_small, Bizjet, 3.0, true},
        {"heavy at a small gate", ParkingType::gate_small, Heavy, -10.0, false},
        {"no type", ParkingType::none, Light, -10.0, false},
        {"vehicle", ParkingType::vehicle, Light, -10.0, false},
        {"GA ramp takes a helicopter", ParkingType::ramp_ga, Rotorcraft, 0.0, true},
        {"GA ramp refuses a large", ParkingType::ramp_ga_small, Large, 0.0, false},
        {"dock takes a twin", ParkingType::dock_ga, TwoProps, 0.0, true},
        {"medium GA ramp takes a bizjet", ParkingType::ramp_ga_medium, Bizjet, 0.0, true},
        {"medium GA ramp refuses a heavy", ParkingType::ramp_ga_medium, Heavy, 0.0, false},
        {"cargo ramp takes a heavy", ParkingType::ramp_cargo, Heavy, 0.0, true},
        {"large GA ramp refuses a bizjet", ParkingType::ramp_ga_large, Bizjet, 0.0, false},
        {"military cargo takes a helicopter", ParkingType::ramp_mil_cargo, Rotorcraft, 0.0, true},
        {"military cargo refuses a light", ParkingType::ramp_mil_cargo, Light, 0.0, false},
        {"combat ramp takes high performance", ParkingType::ramp_mil_combat, HighPerf, 0.0, true},
        {"combat ramp refuses a large", ParkingType::ramp_mil_combat, Large, 0.0, false},
        {"medium gate refuses a heavy", ParkingType::gate_medium, Heavy, 0.0, false},
        {"medium gate takes a large", ParkingType::gate_medium, Large, 0.0, true},
        {"heavy gate refuses a bizjet", ParkingType::gate_heavy, Bizjet, 0.0, false},
    };
    for (const Case& c : cases) {
        // Radius 0 keeps the excess exact.
        const double radius = c.excessM < 0.0 ? -c.excessM * m : 0.0;
        const double halfSpan = c.excessM < 0.0 ? 0.0 : c.excessM * m;
        EXPECT_EQ(gf_standFitsSizeClass(standOfType(c.type, radius), c.sizeClass, halfSpan), c.fits) << c.name;
    }
}

TEST_F(StandChoiceTest, NearestUsableStandWithinTheAircraftsRadius) {
    AircraftInfo info = gf_makeAircraftInfo(models, TrafficFixture::record(7001, "DLH1", 0.0).head);
    info.radiusNm = 20.0 / 1852.0;
    info.outerRadiusNm = 25.0 / 1852.0;
    addStand("NONE", 1.0, 30.0, ParkingType::none);
    addStand("BLOCKED", 2.0).blocked = true;
    addStand("HELI", 3.0, 30.0, ParkingType::ramp_ga).heli = true;
    addStand("FAR", 21.0);
    addStand("NEAR", 10.0);
    addStand("TIE", -10.0);
    double metres = 0.0;
    const Lalo at{test_support::kBaseLat, test_support::kBaseLon};
    const Stand* found = gf_findNearestStand(state.parkStands, at, info, metres, true);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->id, "NEAR") << "ties go to the first in list order";
    EXPECT_NEAR(metres, 10.0, 0.05);

    info.sizeClass = SizeClass::Rotorcraft;
    found = gf_findNearestStand(state.parkStands, at, info, metres, true);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->id, "HELI");

    EXPECT_EQ(gf_findNearestStand({}, at, info, metres, true), nullptr);
    EXPECT_EQ(metres, 99999.0);
}

TEST_F(StandChoiceTest, LearnedStandBeyondTheRadiusOnlyWhenAllowed) {
    AircraftInfo info = gf_makeAircraftInfo(models, TrafficFixture::record(7001, "DLH1", 0.0).head);
    info.radiusNm = 20.0 / 1852.0;
    info.outerRadiusNm = 25.0 / 1852.0;
    Stand& learned = addStand("LEARNED", 22.0);
    FlightOption option;
    option.cs = "DLH1";
    option.seq = 1;
    option.fromFile = 1;
    learned.options.push_back(option);
    addStand("PLAIN", 21.0);
    const Lalo at{test_support::kBaseLat, test_support::kBaseLon};
    double metres = 0.0;
    const Stand* found = gf_findNearestStand(state.parkStands, at, info, metres, true);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->id, "LEARNED");
    EXPECT_NEAR(metres, 22.0, 0.05);
    EXPECT_EQ(gf_findNearestStand(state.parkStands, at, info, metres, false), nullptr);

    state.parkStands[0].options[0].fromFile = 0;
    EXPECT_EQ(gf_findNearestStand(state.parkStands, at, info, metres, true), nullptr) << "a learned use of this run";
    state.parkStands[0].options[0].fromFile = 1;
    state.parkStands[0].options[0].seq = 0;
    EXPECT_EQ(gf_findNearestStand(state.parkStands, at, info, metres, true), nullptr) << "withdrawn";

    Stand byType;
    FlightOption typeOption;
    typeOption.seq = 2;
    typeOption.fromFile = 1;
    typeOption.key = info.head.liveryKey;
    typeOption.key.present = 1; // not compared
    byType.options.push_back(typeOption);
    EXPECT_TRUE(gf_standHasMatchingOption(byType, "OTHER", info.head.liveryKey));
    EXPECT_FALSE(gf_standHasMatchingOption(byType, "", info.head.liveryKey)) << "an empty callsign matches nothing";
}

TEST_F(StandChoiceTest, FreeStandCandidateIsLoggedOncePerStand) {
    LogCapture log;
    addStand("A1", 20.0);
    addStand("A2", 40.0, 15.0); // the stream's end lies 20 m from it
    LiveAircraft& a = addGroundLive(7001, "DLH1", 0.0, -20.0);
    a.previousSituation = FlightSituation::landing_roll;
    a.speedKt = 12.0; // too fast to park: only the log
    StreamSample last = a.samples.front();
    last.latitude = state.parkStands[0].latitude;
    last.longitude = state.parkStands[0].longitude;
    last.deliveryTick = 500;
    a.samples.push_back(last);
    stand.lf_checkFreeStandEndpoint(state, a);
    stand.lf_checkFreeStandEndpoint(state, a);
    int lines = 0;
    for (const std::string& line : log.lines()) {
        lines += line.find("free stand RT endpoint candidate") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(lines, 1) << "A1 once; A2 does not hold the stream's end";
    EXPECT_TRUE(anyLineHas(log.lines(), "A1            : DLH1 free stand RT endpoint candidate: current 28.3 m"));
}

TEST_F(StandChoiceTest, FreeStandCheckRecordsWhyStandsWereRejected) {
    addStand("A1", 0.0, 30.0);
    addStand("A2", 10.0, 30.0, ParkingType::none);
    LiveAircraft& a = addGroundLive(7001, "DLH1", 0.0, -20.0);
    a.previousSituation = FlightSituation::taxi;
    a.info.head.route.origin.key = 1; // a known route, not bound here
    motion.relative = {20.0, 0.0, -20.0, 0.0};
    stand.lf_checkFreeStandEndpoint(state, a);
    ASSERT_EQ(a.standWork.rejectedStands.size(), 1U);
    EXPECT_EQ(a.standWork.rejectedStands[0].reason, "arrival context not confirmed");
    EXPECT_EQ(a.standWork.rejectedStands[0].standId, 1U);

    a.parkArrival = 1;
    a.speedKt = 9.0;
    stand.lf_checkFreeStandEndpoint(state, a);
    ASSERT_EQ(a.standWork.rejectedStands.size(), 2U);
    EXPECT_EQ(a.standWork.rejectedStands[1].reason, "current speed exceeds 6 kt") << "kept as it is named";
    a.speedKt = 7.9;
    stand.lf_checkFreeStandEndpoint(state, a);
    EXPECT_EQ(a.standWork.rejectedStands.size(), 2U) << "same stand, same reason: listed once";

    a.speedKt = 3.0;
    motion.entry = {0.0, false, "heading exceeds 10 deg"};
    stand.lf_checkFreeStandEndpoint(state, a);
    ASSERT_EQ(a.standWork.rejectedStands.size(), 3U);
    EXPECT_EQ(a.standWork.rejectedStands[2].reason, "heading exceeds 10 deg");

    motion.entry = {18.0, true, ""};
    motion.approach = {18.0, 0.0, -18.0, 0.0, 0, 1, 0, 0, 0, 0};
    stand.lf_checkFreeStandEndpoint(state, a);
    EXPECT_EQ(a.situation, FlightSituation::parking);
    EXPECT_EQ(a.standId, 1U);
    EXPECT_EQ(a.standWork.freeStandTaken, 1);
    EXPECT_EQ(motion.drives, (std::vector<std::uint32_t>{7001}));
}

TEST_F(StandChoiceTest, UnknownRouteNeedsAConfirmedApproach) {
    addStand("A1", 0.0, 30.0);
    LiveAircraft& a = addGroundLive(7001, "DLH1", 0.0, -20.0);
    a.previousSituation = FlightSituation::taxi;
    a.speedKt = 3.0;
    motion.entry = {20.0, true, ""};
    motion.approach = {20.0, 0.0, -20.0, 0.0, 0, 1, 0, 0, 0, 0};
    stand.lf_checkFreeStandEndpoint(state, a);
    EXPECT_EQ(a.situation, FlightSituation::taxi) << "no earlier position to confirm the approach";
    ASSERT_EQ(a.standWork.rejectedStands.size(), 1U);
    EXPECT_EQ(a.standWork.rejectedStands[0].reason, "unknown route; stand approach not confirmed");
    // One second later, 0.4 m closer: not enough.
    a.pose.latitude += test_support::northDeg(0.4);
    motion.entry.distanceM = 19.6;
    stand.lf_checkFreeStandEndpoint(state, a);
    EXPECT_EQ(a.situation, FlightSituation::taxi);
    a.pose.latitude += test_support::northDeg(0.6);
    motion.entry.distanceM = 19.0;
    stand.lf_checkFreeStandEndpoint(state, a);
    EXPECT_EQ(a.situation, FlightSituation::parking);
}

} // namespace
} // namespace kiv

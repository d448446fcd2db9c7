// The program's window ports and the link's and parking's neighbours over the real traffic
// state, feeds service, simulator link and park-airport list: each request lands in the state
// its reader takes it from, with the value that reader expects.
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "airports/current_park_airport.h"
#include "airports/park_airports.h"
#include "app/gui.h"
#include "app/parking_band_flags.h"
#include "app/program_link_neighbours.h"
#include "app/program_parking_neighbours.h"
#include "app/program_window_ports.h"
#include "feeds/feeds_fakes.h"
#include "feeds/feeds_service.h"
#include "feeds/rtapp_road.h"
#include "models/models_service.h"
#include "simlink/sim_link.h"
#include "traffic/parking_steps.h"
#include "traffic/park_stands.h"
#include "traffic/traffic_fakes.h"

namespace kiv {
namespace {

using test_support::TrafficFixture;

class ProgramPortsTest : public ::testing::Test {
protected:
    void SetUp() override { gf_resetParkAirportsForTesting(); }
    void TearDown() override {
        gf_resetParkAirportsForTesting();
        gf_clearCurrentParkAirport();
    }

    TrafficFixture traffic_;
    ParkingBandFlags band_;
    FeedFlags flags_;
    FeedsService feeds_{flags_};
    SimLink link_;
    ModelsService models_;
    test_support::FakeClock clock_;
    Gui gui_{clock_};
    std::vector<std::string> callbacks_;
    ProgramWindowPorts ports_{traffic_.state, band_, feeds_, link_,
                              ShellCallbacks{[this] { callbacks_.push_back("start"); },
                                             [this] { callbacks_.push_back("join"); }, [] { return 7; },
                                             [this](const std::filesystem::path& path) {
                                                 callbacks_.push_back(path.filename().string());
                                                 return true;
                                             }}};
    ProgramLinkNeighbours linkNeighbours_{gui_, traffic_.state, flags_, models_};
    ParkingSteps parking_;
    ProgramParkingNeighbours parkingNeighbours_{traffic_.state, parking_, feeds_, traffic_.shell, link_};
};

TEST_F(ProgramPortsTest, WindowRequestsReachTheFlagsTheLoopTakes) {
    TrafficState& s = traffic_.state;
    struct Case {
        const char* name;
        std::function<void()> request;
        std::function<bool()> raised;
    };
    const std::vector<Case> cases = {
        {"flush statics", [&] { ports_.requestFlushStatics(); }, [&] { return s.removeAllStaticRequest.load(); }},
        {"aircraft list", [&] { ports_.requestAircraftList(); }, [&] { return s.aircraftListRequest.load(); }},
        {"two props", [&] { ports_.removeAircraftClass(AircraftClass::twoProps); },
         [&] { return s.classSwitchSignals[switchTwoProps].load(); }},
        {"light", [&] { ports_.removeAircraftClass(AircraftClass::light); },
         [&] { return s.classSwitchSignals[switchLight].load(); }},
        {"helicopters", [&] { ports_.removeAircraftClass(AircraftClass::helicopters); },
         [&] { return s.classSwitchSignals[switchRotorcraft].load(); }},
        {"high performance", [&] { ports_.removeAircraftClass(AircraftClass::highPerformance); },
         [&] { return s.classSwitchSignals[switchHighPerf].load(); }},
        {"max live", [&] { ports_.maxLiveChanged(); }, [&] { return s.maxLiveChanged.load(); }},
        {"max park", [&] { ports_.maxParkChanged(); }, [&] { return s.maxParkChanged.load(); }},
        {"depth raised", [&] { ports_.matchingDepthRaised(); }, [&] { return s.failedSpawnResetRequest.load(); }},
        {"block changed", [&] { ports_.raiseBlockChanged(); }, [&] { return s.blockRequest.load(); }},
        // Off is a value of its own: the loop only skips the "none" value -1.
        {"nav lights off", [&] { ports_.setNavLightsWhileParked(false); },
         [&] { return s.navLightsSignal.load() == 0; }},
        {"nav lights on", [&] { ports_.setNavLightsWhileParked(true); },
         [&] { return s.navLightsSignal.load() == 1; }},
        {"countdown", [&] { ports_.setParkingCountdown(30); }, [&] { return s.parkingIntervalSignal.load() == 30; }},
        {"parking request", [&] { ports_.countParkingRequest(); },
         [&] {
             const std::lock_guard lock(s.parkingRequests.mutex);
             return s.parkingRequests.parkingUpdateRequests == 1;
         }},
        {"parked only on: replace all", [&] { ports_.countParkingOptionChange(true); },
         [&] {
             const std::lock_guard lock(s.parkingRequests.mutex);
             return s.parkingRequests.replaceAllRequests == 1 && s.parkingRequests.replaceAllPending;
         }},
        {"parked only off: no replace all", [&] { ports_.countParkingOptionChange(false); },
         [&] {
             const std::lock_guard lock(s.parkingRequests.mutex);
             return s.parkingRequests.replaceAllRequests == 2 && !s.parkingRequests.replaceAllPending;
         }},
        {"regeneration", [&] { parkingNeighbours_.requestParkingRegeneration(); },
         [&] { return s.parkingRegenerationRequested.load(); }},
        {"simulator second", [&] { linkNeighbours_.userSecondReport(); }, [&] { return s.secondSignal.load(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.raised());
        c.request();
        EXPECT_TRUE(c.raised());
    }
}

TEST_F(ProgramPortsTest, ParkingBandFlagsAreSharedWithTheWindow) {
    band_.active = true;
    band_.generating = true;
    EXPECT_TRUE(ports_.parkingActive());
    ports_.clearParkingGenerating();
    EXPECT_FALSE(band_.generating.load());
    EXPECT_TRUE(ports_.parkingActive());
}

TEST_F(ProgramPortsTest, UserAircraftAsEachNeighbourReadsIt) {
    auto published = std::make_shared<UserAircraftState>();
    published->onGround = false;
    published->altitudeFt = 12000.0;
    traffic_.state.publishedUser.store(published);
    const UserAltitude altitude = ports_.userAltitude();
    EXPECT_FALSE(altitude.onGround);
    EXPECT_EQ(altitude.altitudeFt, 12000.0);

    UserAircraftState linked;
    linked.altitudeAboveGroundFt = 35.0;
    link_.storeUserAircraft(linked);
    link_.storeUserOnGround(true);
    EXPECT_TRUE(parkingNeighbours_.userOnGround());
    EXPECT_EQ(parkingNeighbours_.userHeightAboveGroundFt(), 35.0);

    EXPECT_FALSE(ports_.simulatorTime().has_value());
    link_.setSimulatorUtcSeconds(1'700'000'000);
    EXPECT_EQ(ports_.simulatorTime(), 1'700'000'000);
}

TEST_F(ProgramPortsTest, ReservedStandNeedsAnEntryOfThatAirport) {
    const IcaoCode eddf("EDDF");
    EXPECT_FALSE(ports_.setReservedStand(eddf, "V155"));
    EXPECT_EQ(ports_.parkAirportStand(eddf), "");

    ports_.moveParkAirportToFront(IcaoCode("EGLL"));
    ports_.moveParkAirportToFront(eddf);
    ports_.moveParkAirportToFront(IcaoCode("LFPG"));
    EXPECT_TRUE(ports_.setReservedStand(eddf, "V155"));
    EXPECT_EQ(ports_.parkAirportStand(eddf), "V155");
    EXPECT_EQ(lf_frontParkAirport()->icao, IcaoCode("LFPG")) << "reserving a stand keeps the list's order";
}

TEST_F(ProgramPortsTest, LinkUpdatesTheStandOfTheCurrentParkAirportOnly) {
    ports_.moveParkAirportToFront(IcaoCode("EDDF"));
    linkNeighbours_.updateCurrentParkAirportStand("A12");
    EXPECT_EQ(ports_.parkAirportStand(IcaoCode("EDDF")), "") << "no current park airport";

    KnownAirport current;
    current.icao = IcaoCode("EDDF");
    gf_setCurrentParkAirport(current);
    linkNeighbours_.updateCurrentParkAirportStand("A12");
    EXPECT_EQ(ports_.parkAirportStand(IcaoCode("EDDF")), "A12");
}

TEST_F(ProgramPortsTest, StandAtPositionReadsThePublishedParkStands) {
    auto user = std::make_shared<UserAircraftState>();
    user->onGround = true;
    traffic_.state.publishedUser.store(user);
    EXPECT_FALSE(linkNeighbours_.standAtPosition(50.03, 8.57).has_value());
    traffic_.state.parkStandsSnapshot.store(
        std::make_shared<const ParkStandsSnapshot>(ParkStandsSnapshot{{"V155", 50.03, 8.57}}));
    EXPECT_EQ(linkNeighbours_.standAtPosition(50.03, 8.57), "V155");
}

TEST_F(ProgramPortsTest, SupportHintFlagStandsForTheScansCancelFlag) {
    EXPECT_FALSE(linkNeighbours_.airportScanCancelled());
    gui_.setSupportHintPending(true);
    EXPECT_TRUE(linkNeighbours_.airportScanCancelled());
    flags_.isProfessionalEdition = true;
    EXPECT_TRUE(linkNeighbours_.professionalEdition());
}

TEST_F(ProgramPortsTest, ShellCallbacksRunForTheWindow) {
    ports_.startMainWorker();
    ports_.joinMainWorker();
    EXPECT_TRUE(ports_.openTbloArchiveFolder());
    EXPECT_EQ(callbacks_, (std::vector<std::string>{"start", "join", "tblo.zip"}));
    EXPECT_EQ(ports_.exitCode(), 7);

    ProgramWindowPorts bare{traffic_.state, band_, feeds_, link_, ShellCallbacks{}};
    EXPECT_FALSE(bare.openTbloArchiveFolder());
    EXPECT_EQ(bare.exitCode(), 0);
    bare.startMainWorker();
}

TEST_F(ProgramPortsTest, RtAppServerOfTheAttachedRoadCanBeClosedFromTheWindow) {
    EXPECT_FALSE(ports_.rtAppServerRunning()) << "no road attached";
    EXPECT_EQ(ports_.latestTrafficTime(), 0);

    test_support::FakeFeedsNeighbours neighbours;
    test_support::FakeFeedsShell shell;
    RtAppRoad road(RtAppConfig{}, neighbours, shell, flags_, clock_);
    road.server.listen("0");
    feeds_.attachRtApp(&road);
    EXPECT_TRUE(ports_.rtAppServerRunning());
    road.trafficReader.latestDataTime = 1'700'000'123;
    EXPECT_EQ(ports_.latestTrafficTime(), 1'700'000'123);

    ports_.closeRtAppServer();
    EXPECT_FALSE(ports_.rtAppServerRunning());
    feeds_.attachRtApp(nullptr);
}

} // namespace
} // namespace kiv

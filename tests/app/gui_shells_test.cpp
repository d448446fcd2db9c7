// The subsystems' shells over the real Gui: a post from a worker thread waits in the queue and
// lands in the right status field once the GUI thread drains; window controls change only on
// the GUI thread; a reader that stopped shows its text on the shell's Gui and asks to stop.
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/gui_airports_shell.h"
#include "app/gui_feeds_shell.h"
#include "app/gui_link_shell.h"
#include "app/gui_models_shell.h"
#include "app/gui_scan_shell.h"
#include "app/gui_shell_port.h"
#include "app/parking_band_flags.h"
#include "app/support_hint.h"
#include "app/window_fakes.h"
#include "traffic/traffic_fakes.h"

namespace kiv {
namespace {

using test_support::TrafficFixture;

class GuiShellsTest : public test_support::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        createControls();
        gui_.drainUpdates();
        window_.posted.clear();
    }

    // Runs `call` on a thread of its own, as the workers do.
    static void onWorker(const std::function<void()>& call) {
        std::thread worker(call);
        worker.join();
    }

    TrafficFixture traffic_;
    ParkingBandFlags band_;
    GuiLinkShell link_{gui_};
    GuiFeedsShell feeds_{gui_};
    GuiAirportsShell airports_{gui_, ports_};
    GuiScanShell scan_{gui_};
    GuiModelsShell models_{gui_};
    GuiShellPort port_{gui_, ports_, traffic_.state, band_};
};

std::uint64_t keyOf(std::string_view code) { return IcaoCode(code).key(); }

TEST_F(GuiShellsTest, WorkerPostsWaitForTheGuiThreadAndLandInTheirField) {
    struct Case {
        const char* name;
        std::function<void()> post;
        std::function<bool(const GuiStatus&)> landed;
    };
    // In order: a case may rely on the one before it (the park airport is cleared after it was set).
    const std::vector<Case> cases = {
        {"link: simulation running", [&] { link_.postSimulationRunning(true); },
         [](const GuiStatus& s) { return s.simulatorState == 1; }},
        {"link: simulator text", [&] { link_.postSimulatorText("Prepar3D (5.4)"); },
         [](const GuiStatus& s) { return s.simulatorText == "Prepar3D (5.4)"; }},
        {"link: user stand", [&] { link_.setUserStand("A12"); },
         [](const GuiStatus& s) { return s.userStand == "A12"; }},
        {"feeds: traffic reader receiving", [&] { feeds_.postTrafficReaderStatus(ReaderStatus::receiving); },
         [](const GuiStatus& s) { return s.trafficReaderStatus == kReaderReceiving; }},
        {"feeds: weather reader waiting", [&] { feeds_.postWeatherReaderStatus(ReaderStatus::waiting); },
         [](const GuiStatus& s) { return s.weatherReaderStatus == kReaderWaiting; }},
        {"feeds: QNH", [&] { feeds_.postQnh(1021); }, [](const GuiStatus& s) { return s.qnhHectopascal == 1021; }},
        {"feeds: source text", [&] { feeds_.setTrafficSourceText("RT App"); },
         [](const GuiStatus& s) { return s.trafficSourceText == "RT App"; }},
        {"airports: stand count", [&] { airports_.postStandCount(42); },
         [](const GuiStatus& s) { return s.standCount == 42; }},
        {"airports: quality", [&] { airports_.postQualityText("80 %"); },
         [](const GuiStatus& s) { return s.qualityText == "80 %"; }},
        {"airports: publisher", [&] { airports_.setPublisher("ORBX", true); },
         [](const GuiStatus& s) { return s.publisher == "ORBX" && s.publisherHandmade; }},
        {"airports: park airport", [&] { airports_.postParkAirport(IcaoCode("EDDF")); },
         [](const GuiStatus& s) { return s.parkAirport == IcaoCode("EDDF"); }},
        {"scan: simaddon airports", [&] { scan_.postSimaddonCount(7); },
         [](const GuiStatus& s) { return s.simaddonCount == 7; }},
        {"scan: third-party airports", [&] { scan_.postThirdPartyCount(9); },
         [](const GuiStatus& s) { return s.thirdPartyCount == 9; }},
        {"models: livery count", [&] { models_.postLiveryCount(1234); },
         [](const GuiStatus& s) { return s.liveryCount == 1234; }},
        {"models: message", [&] { models_.showMessage("Liveries scanned", false); },
         [](const GuiStatus& s) { return s.messageLine == "Liveries scanned"; }},
        {"port: live count", [&] { port_.postLiveCount(5); }, [](const GuiStatus& s) { return s.liveCount == 5; }},
        {"port: park counts", [&] { port_.postParkCounts(3, 4); },
         [](const GuiStatus& s) { return s.parkedLiveCount == 3 && s.parkedStaticCount == 4; }},
        {"port: max park", [&] { port_.postMaxPark(20, 50); },
         [](const GuiStatus& s) { return s.maxParkCount == 20 && s.maxParkPercent == 50; }},
        {"port: parking countdown", [&] { port_.postParkingCountdown(12); },
         [](const GuiStatus& s) { return s.parkingCountdownMinutes == 12; }},
        {"port: reader statuses, weather first", [&] { port_.postReaderStatus(kReaderReceiving, kReaderWaiting); },
         [](const GuiStatus& s) {
             return s.weatherReaderStatus == kReaderReceiving && s.trafficReaderStatus == kReaderWaiting;
         }},
        {"port: static extra", [&] { port_.postStaticExtra(6); },
         [](const GuiStatus& s) { return s.staticExtra == 6; }},
        {"port: static fit", [&] { port_.postStaticFit(2.5F); },
         [](const GuiStatus& s) { return s.staticFit == 2.5F; }},
        {"port: live fit", [&] { port_.setLiveFit(1.5F); }, [](const GuiStatus& s) { return s.liveFit == 1.5F; }},
        {"port: park airport by key", [&] { port_.postParkAirport(keyOf("EGLL")); },
         [](const GuiStatus& s) { return s.parkAirport == IcaoCode("EGLL"); }},
        {"port: park airport key 0 is none", [&] { port_.postParkAirport(0); },
         [](const GuiStatus& s) { return !s.parkAirport.has_value(); }},
        {"port: learned changes count as updates", [&] { port_.postLearnedChanges(17); },
         [](const GuiStatus& s) { return s.parkingUpdates == 17; }},
        {"port: park airport info", [&] { port_.setParkAirportInfo(true, "Heathrow"); },
         [](const GuiStatus& s) { return s.parkAirportHasFile && s.parkAirportText == "Heathrow"; }},
        {"port: static fit hidden", [&] { port_.setStaticFitHidden(true); },
         [](const GuiStatus& s) { return s.staticFitHidden; }},
        // Last: an error line stands and keeps later messages off the message line.
        {"link: error", [&] { link_.showError("SimConnect gone"); },
         [](const GuiStatus& s) { return s.errorLine == "SimConnect gone"; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.landed(gui_.status()));
        window_.posted.clear();
        onWorker(c.post);
        EXPECT_FALSE(c.landed(gui_.status())) << "applied on the worker";
        EXPECT_EQ(window_.posted, std::vector{platform::WindowMessage::guiUpdate});
        gui_.drainUpdates();
        EXPECT_TRUE(c.landed(gui_.status()));
    }
}

TEST_F(GuiShellsTest, AircraftCountsSeparateFlyingFromParkedTraffic) {
    traffic_.addLive(1).situation = FlightSituation::flying;
    traffic_.addLive(2).situation = FlightSituation::landing_roll;
    traffic_.addLive(3).situation = FlightSituation::parked;
    traffic_.addLive(4, SimState::adding2sim).situation = FlightSituation::flying;
    traffic_.steps.parkedCount = 1;

    onWorker([&] { port_.gf_updateGuiAircraftCounts(); });
    gui_.drainUpdates();

    EXPECT_EQ(gui_.status().liveCount, 2U);
    EXPECT_EQ(gui_.status().parkedLiveCount, 1U);
    EXPECT_EQ(gui_.status().parkedStaticCount, 0U);
}

TEST_F(GuiShellsTest, ControlsChangeOnlyOnTheGuiThread) {
    struct Case {
        const char* name;
        std::function<void()> call;
        const ParameterControl* control;
        bool enabledAfter;
    };
    const std::vector<Case> cases = {
        {"park controls off", [&] { port_.gf_disableParkingControls(); }, &param::AUTO_PARK, false},
        {"park controls on", [&] { port_.gf_enableParkingControls(); }, &param::AUTO_PARK, true},
        {"park buttons off", [&] { port_.disableParkButtons(); }, &param::BUTTON_PARK, false},
        {"aircraft button on", [&] { port_.enableAircraftButton(); }, &param::BUTTON_AIRCRAFT, true},
        {"Tblo button on", [&] { scan_.enableTbloButton(true); }, &param::BUTTON_TBLO, true},
        {"scan check box off", [&] { scan_.enableSkipAirportScanCheckBox(false); }, &param::SKIP_AIRPORT_SCAN,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::HeadlessControl& box = control(*c.control);
        box.setEnabled(!c.enabledAfter);
        onWorker(c.call);
        EXPECT_EQ(box.isEnabled(), !c.enabledAfter) << "changed on the worker";
        gui_.drainUpdates();
        EXPECT_EQ(box.isEnabled(), c.enabledAfter);
    }
}

TEST_F(GuiShellsTest, ParkingBandFollowsThePlanAndItsReset) {
    port_.markGeneratingParking();
    EXPECT_TRUE(band_.active.load());
    EXPECT_TRUE(band_.generating.load());

    onWorker([&] { port_.gf_enableParkingControls(); });
    gui_.drainUpdates();
    EXPECT_TRUE(ports_.has("generating cleared"));
    EXPECT_TRUE(band_.active.load());

    port_.disableParkButtons();
    EXPECT_FALSE(band_.active.load());
}

TEST_F(GuiShellsTest, AircraftListReachesTheSelectorOnTheGuiThread) {
    onWorker([&] { port_.fillAircraftList({"select an aircraft", "DLH123"}); });
    EXPECT_EQ(param::AIRCRAFT_SELECTOR.choices->size(), 1U) << "list replaced on the worker";
    gui_.drainUpdates();
    EXPECT_EQ(*param::AIRCRAFT_SELECTOR.choices, (std::vector<std::string>{"select an aircraft", "DLH123"}));
}

TEST_F(GuiShellsTest, ReaderStoppedShowsOnTheShellsGuiAndAsksToStop) {
    struct Case {
        const char* name;
        std::function<void()> report;
        std::string message;
        ExitReason reason;
    };
    const std::vector<Case> cases = {
        {"RT Direct licence expired", [&] { feeds_.reportRTAPIReaderStopped("Traffic RTAPIreader", true, 402); },
         "Your RealTraffic license has expired (error 402). Check your license and API token.",
         ExitReason::reader_error},
        {"RT Direct without restart", [&] { feeds_.reportRTAPIReaderStopped("Weather RTAPIreader", false, 500); },
         "The Weather RTAPIreader has stopped with an error", ExitReason::system_error},
        {"RT App reader", [&] { feeds_.reportRTAppReaderStopped("Traffic Reader", "socket closed"); },
         "The Traffic Reader has stopped with error: socket closed", ExitReason::reader_error},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gf_resetRunStateForTests();
        onWorker(c.report);
        gui_.drainUpdates();
        EXPECT_EQ(gui_.status().messageLine, c.message);
        EXPECT_TRUE(logged(c.message));
        const auto request = gf_pendingStopRequest();
        ASSERT_TRUE(request);
        EXPECT_EQ(request->reason, c.reason);
        EXPECT_EQ(request->delaySeconds, 15U);
    }
}

TEST_F(GuiShellsTest, AStopAlreadyPendingIsKeptWhenAReaderStops) {
    gf_installStopRequest(ExitReason::new_flight, 45);
    feeds_.reportRTAPIReaderStopped("Traffic RTAPIreader", false, 500);
    EXPECT_EQ(gf_pendingStopRequest()->reason, ExitReason::new_flight);
    EXPECT_FALSE(port_.gf_isRunning());
}

TEST_F(GuiShellsTest, SupportHintFlagIsSharedByTheScanAndTheTrafficSide) {
    EXPECT_FALSE(port_.airportScanReportedProblem());
    scan_.setSupportHintFlag(true);
    EXPECT_TRUE(port_.airportScanReportedProblem());
    EXPECT_TRUE(scan_.supportHintFlag());

    port_.gf_showSupportHint();
    EXPECT_NE(gui_.status().messageLine.find(kSupportAddress), std::string::npos);
    EXPECT_NE(gui_.status().messageLine.find("tblo.zip"), std::string::npos);
}

} // namespace
} // namespace kiv

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/init_instance.h"
#include "app/sim_install_path.h"
#include "app/traffic_commands.h"
#include "app/window_fakes.h"
#include "foundation/text_conversion.h"
#include "foundation/user_related_exception.h"
#include "settings/settings_table.h"

namespace kiv {
namespace {

namespace p = param;

class TrafficCommands : public test_support::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        gf_trafficCommandState().resetForRestart();
        createControls();
    }
    void TearDown() override {
        gf_trafficCommandState().resetForRestart();
        WindowTest::TearDown();
    }
    void enterDestination(const std::string& text) {
        control(p::DESTINATION).setText(text);
        gf_destinationEntered(context());
    }
};

TEST_F(TrafficCommands, DestinationInput) {
    ports_.known = {"EHAM", "EDDF"};
    ports_.stands = {true, {"A1", "B2", "C3"}, {}};
    struct Row {
        std::string typed;
        std::string message;
        std::string stored; // DESTINATION afterwards
    };
    const std::vector<Row> rows = {
        {"eham", "New destination: EHAM", "EHAM"},
        {"EHAM", "destination 'EHAM' was already set ...", "EHAM"},
        {"abc", "destination 'abc' is not valid", "EHAM"},
        {"abcde", "destination 'abcde' is not valid", "EHAM"},
        {"EH-M", "destination 'EH-M' is not valid", "EHAM"},
        {"\xc3\xa4xy", "destination '\xc3\xa4XY' is not valid", "EHAM"},
        {"zzzz", "destination 'ZZZZ' is not supported ...", "EHAM"},
        {"", "destination set to empty", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed);
        enterDestination(row.typed);
        EXPECT_EQ(gui_.status().messageLine, row.message);
        EXPECT_EQ(p::DESTINATION.value, row.stored);
        EXPECT_EQ(gf_settings()->destination, row.stored);
        EXPECT_EQ(control(p::DESTINATION).text(), row.stored);
        EXPECT_TRUE(logged(row.message));
    }
    EXPECT_EQ(stored("DESTINATION"), "");
    EXPECT_EQ(control(p::STAND_SELECTOR).items(), std::vector<std::string>{""});
    EXPECT_FALSE(control(p::STAND_SELECTOR).isEnabled());
    EXPECT_TRUE(ports_.has("front EHAM"));
}

TEST_F(TrafficCommands, DestinationStandsAndReservedStand) {
    ports_.known = {"EHAM", "EDDF", "LOWW", "LFPG"};
    ports_.stands = {true, {"A1", "B2"}, {}};
    ports_.reservedStand = "B2";
    enterDestination("EHAM");
    EXPECT_EQ(gui_.status().messageLine, "New destination: EHAM, with reserved stand: B2");
    EXPECT_EQ(control(p::STAND_SELECTOR).items(), (std::vector<std::string>{"A1", "B2"}));
    EXPECT_EQ(control(p::STAND_SELECTOR).selectedText(), "B2");
    EXPECT_TRUE(control(p::STAND_SELECTOR).isEnabled());

    ports_.reservedStand = "Z9"; // not among the file's stands: ignored
    enterDestination("EDDF");
    EXPECT_EQ(gui_.status().messageLine, "New destination: EDDF");
    EXPECT_EQ(control(p::STAND_SELECTOR).items(), (std::vector<std::string>{"select a stand", "A1", "B2"}));
    EXPECT_EQ(control(p::STAND_SELECTOR).selectedText(), "select a stand");

    ports_.stands = {true, {}, {}};
    enterDestination("LOWW");
    EXPECT_EQ(gui_.status().messageLine, "New destination: LOWW, no stands available");
    EXPECT_EQ(control(p::STAND_SELECTOR).items(), std::vector<std::string>{"select a stand"});
    EXPECT_FALSE(control(p::STAND_SELECTOR).isEnabled());

    ports_.stands = {false, {}, "file is broken"};
    enterDestination("LFPG");
    EXPECT_EQ(gui_.status().messageLine, "New destination: LFPG, failed to read stands, file is broken");
    EXPECT_EQ(p::DESTINATION.value, "LFPG");
    EXPECT_FALSE(control(p::STAND_SELECTOR).isEnabled());
}

TEST_F(TrafficCommands, BlockParsesTheSelectionAndUnblockUndoesIt) {
    p::AIRCRAFT_SELECTOR.value = "KLM1_, PH-BXA, 484D5A";
    gf_blockAircraft(context());
    EXPECT_EQ(gui_.status().messageLine, "Aircraft with callsign: KLM1_, regcode: PH-BXA and hexid: 484d5a is blocked");
    EXPECT_EQ(p::BLOCK_HEXIDDEC.value, 0x484D5A);
    EXPECT_EQ(stored("BLOCK_CALLSIGN"), "KLM1_");
    EXPECT_EQ(stored("BLOCK_HEXIDDEC"), std::to_string(0x484D5A));
    EXPECT_EQ(gf_settings()->block.aircraft, "KLM1_, PH-BXA, 484D5A");
    EXPECT_EQ(gf_settings()->block.hexid, 0x484D5A);
    EXPECT_TRUE(gf_blockCallsignUnderscore());
    EXPECT_FALSE(control(p::BUTTON_BLOCK).isEnabled());
    EXPECT_TRUE(control(p::BUTTON_UNBLOCK).isEnabled());
    EXPECT_FALSE(control(p::AIRCRAFT_SELECTOR).isEnabled());
    EXPECT_FALSE(control(p::ALL_AIR_GND_SELECTOR).isEnabled());
    EXPECT_TRUE(ports_.has("block changed"));

    gf_unblockAircraft(context());
    EXPECT_EQ(gui_.status().messageLine, "No more blocking of aircraft: cs: KLM1_ reg: PH-BXA hexid: 484d5a ");
    EXPECT_EQ(stored("BLOCK_AIRCRAFT"), "");
    EXPECT_EQ(p::BLOCK_HEXIDDEC.value, 0);
    EXPECT_FALSE(gf_blockCallsignUnderscore());
    EXPECT_EQ(gf_settings()->block.aircraft, "");
    EXPECT_TRUE(control(p::BUTTON_AIRCRAFT).isEnabled());
    EXPECT_EQ(control(p::AIRCRAFT_SELECTOR).items(), std::vector<std::string>{""});
    EXPECT_FALSE(control(p::AIRCRAFT_SELECTOR).isEnabled());

    p::BLOCK_AIRCRAFT.value = "old";
    p::AIRCRAFT_SELECTOR.value = "only, two";
    ports_.calls.clear();
    gf_blockAircraft(context());
    EXPECT_EQ(p::BLOCK_AIRCRAFT.value, "");
    EXPECT_EQ(stored("BLOCK_AIRCRAFT"), "");
    EXPECT_TRUE(ports_.calls.empty());
}

TEST_F(TrafficCommands, TimeShiftMessagesAndRestarts) {
    struct Row {
        bool inEffectBefore;
        std::int32_t minutes;
        bool quiet;
        std::string message;
        bool restarts;
    };
    const std::vector<Row> rows = {
        {false, 1, false, "Time shifted 1 minute", true},
        {false, 2, false, "Time shifted 2 minutes", true},
        {true, 0, false, "Time shifted 0 minutes", true},
        {false, 0, false, "Time shift = 0", false},
        {false, -3, false, "Time shifted -3 minute", true},
        {false, 90, true, "Time shifted 90 minutes", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message);
        gf_resetRunStateForTests();
        gf_trafficCommandState().timeShiftInEffect.store(row.inEffectBefore);
        gf_applyTimeShift(context(), row.minutes, row.quiet, true);
        EXPECT_EQ(gui_.status().messageLine, row.message);
        EXPECT_EQ(pendingStop().has_value(), row.restarts);
        EXPECT_EQ(gf_trafficCommandState().timeShiftInEffect.load(), row.minutes > 0);
        EXPECT_EQ(ports_.sourceShifts.back(), row.minutes);
    }
    gf_applyTimeShift(context(), 30000, true, false);
    EXPECT_EQ(ports_.sourceShifts.back(), 20160);
    EXPECT_EQ(p::TIME_SHIFT_HOURS.value, 20);
    EXPECT_EQ(gf_timeShiftMinutes(), (13 * 24 + 20) * 60);
}

TEST_F(TrafficCommands, RtDirectTimeShiftIsLimitedToTwoWeeks) {
    gf_setTimeShiftRTDirect(context(), 0); // the first setting after a start, taken quietly
    EXPECT_FALSE(gf_trafficCommandState().firstSetting.load());
    EXPECT_EQ(gui_.status().messageLine, "");
    EXPECT_FALSE(pendingStop());

    gf_setTimeShiftRTDirect(context(), 20161);
    EXPECT_TRUE(logged("==> time shift is limited to 2 weeks !"));
    EXPECT_EQ(gui_.status().messageLine, "Time shifted 20160 minutes");
    EXPECT_EQ(p::TIME_SHIFT_DAYS.value, 13);
    EXPECT_EQ(p::TIME_SHIFT_HOURS.value, 0);
    EXPECT_EQ(p::TIME_SHIFT_MINS.value, 0);
    EXPECT_EQ(control(p::TIME_SHIFT_DAYS).selectedText(), "13");
    EXPECT_EQ(pendingStop(), ExitReason::new_settings);

    // The first setting of a start with a shift: no restart, the sources take it.
    gf_resetRunStateForTests();
    gf_trafficCommandState().resetForRestart();
    gf_setTimeShiftRTDirect(context(), 75);
    EXPECT_FALSE(pendingStop());
    EXPECT_EQ(ports_.sourceShifts.back(), 75);
    EXPECT_EQ(gf_settings()->timeShiftHours, 1);
    EXPECT_EQ(gf_settings()->timeShiftMins, 15);
}

TEST_F(TrafficCommands, RtAppTimeShiftLeavesControlsAndSources) {
    gf_setTimeShiftRTApp(context(), 0);
    EXPECT_TRUE(gf_trafficCommandState().firstSetting.load());
    gf_setTimeShiftRTApp(context(), 20161);
    EXPECT_EQ(gui_.status().messageLine, "Time shifted 20160 minutes");
    EXPECT_FALSE(gf_trafficCommandState().firstSetting.load());
    EXPECT_EQ(p::TIME_SHIFT_DAYS.value, 0);
    EXPECT_TRUE(ports_.sourceShifts.empty());
    EXPECT_FALSE(pendingStop());
    gf_setTimeShiftRTApp(context(), 5);
    EXPECT_EQ(pendingStop(), ExitReason::new_settings);
}

TEST_F(TrafficCommands, FollowingTheSimulatorClock) {
    const std::int64_t now = 1'800'000'000;
    ports_.simTime = now - 10; // first valid value: the quiet first setting of 0 minutes
    gf_followSimTime(context(), now);
    EXPECT_EQ(ports_.sourceShifts, std::vector<std::int32_t>{0});
    EXPECT_FALSE(pendingStop());

    for (int second = 1; second <= 5; ++second) { // a clock that runs normally changes nothing
        ports_.simTime = now - 10 + second;
        gf_followSimTime(context(), now + second);
    }
    EXPECT_EQ(ports_.sourceShifts.size(), 1U);
    EXPECT_EQ(gui_.status().messageLine, "");

    ports_.simTime = now - 3600; // moved back by an hour
    gf_followSimTime(context(), now + 6);
    EXPECT_EQ(gui_.status().messageLine, "Time shifted 60 minutes");
    EXPECT_EQ(pendingStop(), ExitReason::new_settings);

    gf_resetRunStateForTests();
    gf_trafficCommandState().resetForRestart();
    gf_trafficCommandState().firstSetting.store(false);
    ports_.simTime = now + 7200; // ahead of real time
    gf_followSimTime(context(), now);
    EXPECT_EQ(gui_.status().messageLine, "Time shifted 0 minutes");

    ports_.simTime.reset(); // not valid: forgotten
    gf_followSimTime(context(), now);
    EXPECT_EQ(gf_trafficCommandState().lastSimTime.load(), 0);
}

TEST_F(TrafficCommands, WaitForFirstTraffic) {
    int rounds = 0;
    gf_waitForFirstTraffic(ports_, [] { return true; }, [&] { ++rounds; });
    EXPECT_EQ(rounds, 150);
    EXPECT_TRUE(logged("No traffic in this region"));

    test_support::FakePorts later;
    rounds = 0;
    gf_waitForFirstTraffic(later, [] { return true; }, [&] {
        if (++rounds == 3) {
            later.trafficTime = 42;
        }
    });
    EXPECT_EQ(rounds, 3);

    rounds = 0;
    gf_waitForFirstTraffic(ports_, [&] { return rounds < 2; }, [&] { ++rounds; });
    EXPECT_EQ(rounds, 2);
}

TEST_F(TrafficCommands, StopWithErrorShowsTheErrorAndStops) {
    gf_stopWithError(gui_, "the sky fell");
    EXPECT_EQ(gui_.status().errorLine, "the sky fell");
    EXPECT_EQ(pendingStop(), ExitReason::system_error);
    EXPECT_EQ(lf_getTextFromId(1), "");
    EXPECT_TRUE(logged("lf_getTextFromId: GetDlgItem failed for ID 1"));
}

TEST_F(TrafficCommands, InstallPathOutcomes) {
    const std::filesystem::path existing = log_.folder() / "Prepar3D v5";
    std::filesystem::create_directories(existing);

    // Only v6, with its setup path: no dialog.
    EXPECT_TRUE(gf_detectSimInstallPath(context(), {false, true, {}, existing}));
    EXPECT_TRUE(logged("P3Dv6 detected"));
    EXPECT_EQ(stored("SIM_INSTALL_PATH"), gf_pathToUtf8(existing));
    EXPECT_TRUE(dialogs_.boxes.empty());

    // None found (this platform): message, box, picker; cancelled.
    EXPECT_FALSE(gf_detectSimInstallPath(context()));
    EXPECT_EQ(gui_.status().messageLine, "No P3D install path detected, select the full path upto Prepar3D v?");
    ASSERT_EQ(dialogs_.boxes.size(), 1U);
    EXPECT_EQ(dialogs_.boxes[0].text, "No P3D install path detected\n\nSelect the full path upto Prepar3D v?");
    EXPECT_EQ(dialogs_.boxes[0].caption, "VELT_P3D");
    EXPECT_EQ(dialogs_.boxes[0].icon, platform::MessageIcon::warning);
    EXPECT_EQ(dialogs_.pickedFrom.back(), existing);

    // Both found: the picker gives a folder that does not exist.
    dialogs_.boxes.clear();
    dialogs_.picked = log_.folder() / "missing";
    EXPECT_FALSE(gf_detectSimInstallPath(context(), {true, true, existing, existing}));
    EXPECT_TRUE(logged("More than one P3D version detected, select the full path to the wanted version upto Prepar3D v?"));
    ASSERT_EQ(dialogs_.boxes.size(), 2U);
    EXPECT_EQ(dialogs_.boxes[1].text, "This install path does not exist.");
    EXPECT_EQ(dialogs_.boxes[1].caption, "VELT");
    EXPECT_EQ(dialogs_.boxes[1].icon, platform::MessageIcon::stop);
    EXPECT_EQ(gui_.status().messageLine,
              "This install path does not exist: '" + gf_pathToUtf8(log_.folder() / "missing") + "'");

    // One found without a setup path: the picker gives an existing folder.
    dialogs_.boxes.clear();
    const std::filesystem::path other = log_.folder() / "P3D";
    std::filesystem::create_directories(other);
    dialogs_.picked = other;
    EXPECT_TRUE(gf_detectSimInstallPath(context(), {true, false, {}, {}}));
    EXPECT_EQ(dialogs_.boxes[0].text, "No P3D install path detected\n\nSelect the full Install Path upto Prepar3D v?");
    EXPECT_EQ(dialogs_.boxes[1].text, "Okay!");
    EXPECT_EQ(dialogs_.boxes[1].icon, platform::MessageIcon::none);
    EXPECT_EQ(gui_.status().messageLine, "Okay: " + gf_pathToUtf8(other));
    EXPECT_EQ(stored("SIM_INSTALL_PATH"), gf_pathToUtf8(other));
}

TEST_F(TrafficCommands, SimulatorVersionFromThePath) {
    const std::vector<std::pair<std::u16string, std::string>> rows = {
        {u"C:\\P3D v5 and v6\\", "5"}, {u"D:\\Prepar3D V6", "6"}, {u"E:\\sim\\v6x\\V5", "5"}, {u"F:\\sim", "6"}};
    p::P3D_VERSION.value = 6;
    for (const auto& [path, version] : rows) {
        p::SIM_INSTALL_PATH.value = path;
        EXPECT_EQ(gf_prepar3DVersionFromPath(), version);
    }
    p::P3D_VERSION.value = 4;
    EXPECT_THROW(gf_prepar3DVersionFromPath(), UserRelatedException);
}

TEST(KeepOnScreen, EdgesArePulledInUntil48PixelsShow) {
    struct Row {
        std::int32_t edge, size, low, high, expected;
    };
    for (const Row& r : std::vector<Row>{{100, 900, 0, 1920, 100},
                                         {-2000, 900, 0, 1920, -852},
                                         {1900, 900, 0, 1920, 1872},
                                         {5000, 900, 0, 1920, 1872},
                                         {300, 2500, 0, 1920, 0},
                                         {-100, 900, -1920, 0, -100},
                                         {-3000, 900, -1920, 0, -2772}}) {
        EXPECT_EQ(gf_keepEdgeOnScreen(r.edge, r.size, r.low, r.high), r.expected) << r.edge << " " << r.size;
    }
}

class WindowPlacement : public test_support::WindowTest {};

TEST_F(WindowPlacement, PinnedPositionsTakeTheFallbackAndOffScreenWindowsComeBack) {
    window_.framePixels = {-30000, 20, -30000 + 916, 827};
    p::MAIN_WINDOW_X.value = -30000;
    p::MAIN_WINDOW_Y.value = 20;
    lf_keepOnScreen(window_, 400, 20);
    EXPECT_EQ(p::MAIN_WINDOW_X.value, 400);
    EXPECT_EQ(stored("MAIN_WINDOW_X"), "400");
    EXPECT_EQ(window_.moves.back(), std::make_pair(400, 20));

    window_.moves.clear();
    p::MAIN_WINDOW_X.value = 1900;
    p::MAIN_WINDOW_Y.value = 1030;
    lf_keepOnScreen(window_, 400, 20);
    EXPECT_EQ(window_.moves.back(), std::make_pair(1872, 992));
    EXPECT_EQ(stored("MAIN_WINDOW_Y"), "992");

    window_.moves.clear();
    lf_keepOnScreen(window_, 400, 20);
    EXPECT_TRUE(window_.moves.empty());
}

TEST_F(WindowPlacement, TheStoredPositionIsReadBeforeTheSettingsLoad) {
    {
        std::ofstream file(gf_parametersFilePath());
        file << "<root><parameters><parameter name=\"MAIN_WINDOW_X\" value=\"-99999\"/>"
                "<parameter name=\"MAIN_WINDOW_Y\" value=\"300\"/></parameters></root>";
    }
    lf_readWindowPosition();
    EXPECT_EQ(p::MAIN_WINDOW_X.value, p::MAIN_WINDOW_X.min);
    EXPECT_EQ(p::MAIN_WINDOW_Y.value, 300);

    {
        std::ofstream file(gf_parametersFilePath());
        file << "<root><parameters";
    }
    lf_readWindowPosition();
    EXPECT_FALSE(std::filesystem::exists(gf_parametersFilePath()));
    auto backup = gf_parametersFilePath();
    backup.replace_filename("parameters0.xml");
    EXPECT_TRUE(std::filesystem::exists(backup));
}

} // namespace
} // namespace kiv

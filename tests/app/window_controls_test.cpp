#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/gui_layout.h"
#include "app/main_window_controls.h"
#include "app/recording_canvas.h"
#include "app/window_fakes.h"
#include "app/window_procedure.h"
#include "settings/settings_table.h"

namespace kiv {
namespace {

namespace p = param;
using platform::ControlEvent;
using platform::ControlKind;
using platform::PixelRect;
using test_support::RecordingCanvas;

class WindowControls : public test_support::WindowTest {};

TEST_F(WindowControls, CreatesTheFiftyControlsInOrderAtTheirLayoutPlaces) {
    p::COLLAPSED.value = true;
    p::FLIGHT_MESSAGES.value = false;
    createControls();
    const std::vector<std::uint16_t> order = {
        32793, 32785, 32786, 32789, 32779, 32784, 32808, 32809, 32810, 32811, 32812, 32815, 32814,
        32802, 32803, 32824, 32794, 32805, 32798, 32799, 32800, 32801, 32795, 32804, 32827, 32819,
        32818, 32820, 32821, 32832, 32830, 32823, 32825, 32826, 32829, 32828, 32822, 32833, 32782,
        32773, 32796, 32774, 32775, 32777, 32838, 32840, 32842, 32839, 32843, 32841};
    std::vector<std::uint16_t> created;
    for (const auto& spec : window_.specs) {
        created.push_back(spec.id);
    }
    EXPECT_EQ(created, order);
    EXPECT_EQ(gf_mainWindowState().controls.size(), 50U);

    const auto spec = [&](std::uint16_t id) {
        return *std::find_if(window_.specs.begin(), window_.specs.end(), [&](auto& s) { return s.id == id; });
    };
    EXPECT_EQ(spec(32785).kind, ControlKind::checkBox);
    EXPECT_EQ(spec(32785).rect, (PixelRect{113, 136, 127, 150}));
    EXPECT_EQ(spec(32802).kind, ControlKind::comboBox);
    EXPECT_EQ(spec(32802).rect.left, 113);
    EXPECT_EQ(spec(32802).rect.top, 370);
    EXPECT_EQ(spec(32802).rect.right, 183);
    EXPECT_EQ(spec(32810).dropDownHeight, 300);
    EXPECT_EQ(gf_mainWindowState().dropDownHeights.at(32779), 80);
    EXPECT_EQ(spec(32819).kind, ControlKind::editBox);
    EXPECT_EQ(spec(32819).rect, (PixelRect{5, 539, 75, 567}));
    EXPECT_EQ(spec(32793).caption, "Tblo");
    EXPECT_EQ(spec(32793).rect, (PixelRect{222, 131, 302, 157}));
    EXPECT_EQ(spec(32840).rect, (PixelRect{657, 370, 737, 396}));
    EXPECT_EQ(spec(32822).rect, (PixelRect{765, 509, 845, 535}));

    EXPECT_FALSE(control(p::DESTINATION).isEnabled());
    EXPECT_FALSE(control(p::FLIGHT_MESSAGES).isChecked());
    EXPECT_TRUE(control(p::RANDOM).isChecked());
    EXPECT_EQ(control(p::RANGE).selectedText(), "40");
    EXPECT_TRUE(ports_.has("park record cleared"));
    EXPECT_TRUE(gui_.status().collapsed);
}

TEST_F(WindowControls, AControlThatFailsIsLeftOutAndLaterOperationsSkipIt) {
    window_.failId = p::MAX_FIT_FL.controlId;
    createControls();
    EXPECT_EQ(gf_mainWindowState().controls.size(), 49U);
    EXPECT_EQ(p::MAX_FIT_FL.window, nullptr);
    gf_updateParkingControls(context()); // must not touch the missing control
    EXPECT_EQ(lf_controlById(p::MAX_FIT_FL.controlId), nullptr);
}

TEST_F(WindowControls, SettingsReadAfterCreationReachEveryControl) {
    createControls();
    // The settings are loaded after the window made its controls.
    p::FLIGHT_MESSAGES.value = false;
    p::RANDOM.value = false;
    p::RANGE.value = 80;
    p::DESTINATION.value = "EDDF";
    p::RT_PARKTRAFFIC_ONLY.value = true;
    p::AUTO_RANGE.value = false;
    gf_refreshControlStates(context());
    EXPECT_FALSE(control(p::FLIGHT_MESSAGES).isChecked());
    EXPECT_FALSE(control(p::RANDOM).isChecked());
    EXPECT_EQ(control(p::RANGE).selectedText(), "80");
    EXPECT_TRUE(control(p::RANGE).isEnabled());
    EXPECT_EQ(control(p::DESTINATION).text(), "EDDF");
    EXPECT_FALSE(control(p::AUTO_PARK).isEnabled());
}

TEST_F(WindowControls, ParkingEnableStatesFollowParkedOnlyAndAutoPark) {
    createControls();
    struct Row {
        bool parkedOnly;
        bool autoPark;
        bool maxFit;
        bool sourceGroup;
        bool weekSoft;
    };
    for (const Row& row : std::vector<Row>{{false, false, true, true, true},
                                           {false, true, false, true, false},
                                           {true, false, true, false, false},
                                           {true, true, true, false, false}}) {
        SCOPED_TRACE(testing::Message() << row.parkedOnly << row.autoPark);
        p::RT_PARKTRAFFIC_ONLY.value = row.parkedOnly;
        p::AUTO_PARK.value = row.autoPark;
        gf_updateParkingControls(context());
        EXPECT_EQ(control(p::MAX_FIT_FL).isEnabled(), row.maxFit);
        EXPECT_EQ(control(p::parking_percentage).isEnabled(), row.sourceGroup);
        EXPECT_EQ(control(p::AUTO_PARK).isEnabled(), row.sourceGroup);
        EXPECT_EQ(control(p::WEEK).isEnabled(), row.weekSoft);
        EXPECT_EQ(control(p::PARK_SOFT).isEnabled(), row.weekSoft);
    }
    gf_disableParkingControls(context());
    EXPECT_FALSE(control(p::BUTTON_FLUSH).isEnabled());
    EXPECT_FALSE(control(p::RT_PARKTRAFFIC_ONLY).isEnabled());
    p::RT_PARKTRAFFIC_ONLY.value = false;
    p::AUTO_PARK.value = true;
    gf_enableParkingControls(context());
    EXPECT_TRUE(control(p::BUTTON_FLUSH).isEnabled());
    EXPECT_TRUE(control(p::MAX_LIVE_SEL).isEnabled());
    EXPECT_FALSE(control(p::MAX_FIT_FL).isEnabled());
    EXPECT_FALSE(control(p::WEEK).isEnabled());
    EXPECT_TRUE(ports_.has("generating cleared"));
    EXPECT_EQ(gui_.status().parkingCountdownMinutes, 20U);
}

TEST(AutoRange, RadiusFollowsTheUserAltitude) {
    test_support::resetSettingsToDefaults();
    p::RANGE_GROUND.value = 10;
    p::RANGE_1.value = 20;
    p::RANGE_2.value = 30;
    p::RANGE_3.value = 40;
    p::RANGE_ABOVE.value = 80;
    p::FLIGHT_LEVEL_1.value = 100;
    p::FLIGHT_LEVEL_2.value = 200;
    p::FLIGHT_LEVEL_3.value = 300;
    struct Row {
        bool onGround;
        double feet;
        std::int32_t radius;
    };
    for (const Row& row : std::vector<Row>{{true, 30000, 10},
                                           {false, 0, 10},
                                           {false, 5000, 15},
                                           {false, 10000, 20},
                                           {false, 15000, 25},
                                           {false, 20000, 30},
                                           {false, 25000, 35},
                                           {false, 30000, 40},
                                           {false, 30001, 80},
                                           {false, 5050, 15},
                                           {false, 5500, 16},
                                           {false, 5450, 15}}) {
        EXPECT_EQ(gf_autoRangeRadius({row.onGround, row.feet}), row.radius) << row.onGround << " " << row.feet;
    }
    p::FLIGHT_LEVEL_1.value = 0;
    EXPECT_EQ(gf_autoRangeRadius({false, 0}), 20);
    p::FLIGHT_LEVEL_1.value = 100;
    p::FLIGHT_LEVEL_2.value = 100;
    EXPECT_EQ(gf_autoRangeRadius({false, 10000}), 20);
    EXPECT_EQ(gf_autoRangeRadius({false, 15000}), 33);
    test_support::resetSettingsToDefaults();
}

TEST_F(WindowControls, AutoRangeSetsTheTrafficRangeAndLocksTheRangeList) {
    createControls();
    ports_.user = {false, 0};
    p::RANGE_GROUND.value = 12;
    p::FLIGHT_LEVEL_1.value = 100;
    lf_applyAutoRange(context());
    EXPECT_EQ(gf_settings()->rangeNm, 12.0);
    EXPECT_FALSE(control(p::RANGE).isEnabled());
    EXPECT_TRUE(ports_.has("range 12"));
    p::AUTO_RANGE.value = false;
    p::RANGE.value = 60;
    lf_applyAutoRange(context());
    EXPECT_EQ(gf_settings()->rangeNm, 60.0);
    EXPECT_TRUE(control(p::RANGE).isEnabled());
}

TEST(CheckBoxPaint, TickGeometryAndColours) {
    RecordingCanvas on;
    lf_paintCheckBox(on, 14, 14, true, true, 96);
    ASSERT_EQ(on.shapes.size(), 5U);
    EXPECT_EQ(on.shapes[0].colour, 0xFFCC99U);
    EXPECT_EQ(on.shapes[1].colour, 0xFFFFFFU);
    EXPECT_EQ(on.shapes[2].kind, test_support::DrawnShape::frame);
    EXPECT_EQ(on.shapes[2].colour, 0x606060U);
    EXPECT_EQ(on.shapes[3].rect, (PixelRect{2, 7, 5, 10}));
    EXPECT_EQ(on.shapes[4].rect, (PixelRect{5, 10, 11, 3}));
    EXPECT_EQ(on.shapes[3].colour, 0U);
    EXPECT_EQ(on.shapes[3].width, 2);

    RecordingCanvas disabled;
    lf_paintCheckBox(disabled, 21, 21, true, false, 144);
    ASSERT_EQ(disabled.shapes.size(), 5U);
    EXPECT_EQ(disabled.shapes[1].colour, 0xF0F0F0U);
    EXPECT_EQ(disabled.shapes[2].colour, 0xA0A0A0U);
    EXPECT_EQ(disabled.shapes[3].colour, 0x808080U);
    EXPECT_EQ(disabled.shapes[3].width, 3);
    EXPECT_EQ(disabled.shapes[3].rect, (PixelRect{4, 10, 8, 15}));

    RecordingCanvas off;
    lf_paintCheckBox(off, 14, 14, false, true, 96);
    EXPECT_EQ(off.shapes.size(), 3U);
}

TEST_F(WindowControls, EveryCheckBoxTogglesStoresAndActs) {
    createControls();
    p::ALWAYS_ON_TOP.value = false;
    struct Row {
        CheckBoxParameter* box;
        std::string message; // after the click; empty: the line is cleared
        std::string port;    // a port call the click makes, or empty
    };
    const std::vector<Row> rows = {
        {&p::LIG_PRIORITIZE, "", ""},
        {&p::COLLISION_USER_GND,
         "Be aware, user aircraft may collide with (run through) live aircraft and static parked on the ground", ""},
        {&p::COLLISION_USER_AIR, "Be aware, user aircraft may collide with (run through) live aircraft in the air", ""},
        {&p::RANDOM, "Be aware: no randomness in matching or parking! (This mode is meant for multi Sims)", ""},
        {&p::ALWAYS_ON_TOP, "VELT_P3D's window will remain visible", ""},
        {&p::AEROWINX, "Note: This mode is for Aerowinx PSX users only, please re-start VELT_P3D", ""},
        {&p::GUID_CHANGES, "Be aware, no more livery updates: you miss correct data for Learn, LittleNavMap, etc!", ""},
        {&p::NAV_LIGHTS_WHILE_PARKED, "", "nav lights off"},
        {&p::TWO_PROPS, "", "remove class 0"},
        {&p::LIGHT_AIRCRAFT, "", "remove class 1"},
        {&p::HELICOPTERS, "", "remove class 2"},
        {&p::HIGH_PERF_AIRCRAFT, "", "remove class 3"},
        {&p::RT_PARKTRAFFIC_ONLY, "", "parking option on"},
        {&p::FLIGHT_MESSAGES, "", ""},
        {&p::SKIP_AIRPORT_SCAN, "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.box->key);
        gui_.showMessage("before", false);
        ports_.calls.clear();
        const bool before = row.box->value;
        ASSERT_TRUE(lf_HandleWMCOMMAND(context(), row.box->controlId, ControlEvent::clicked));
        EXPECT_EQ(row.box->value, !before);
        EXPECT_EQ(control(*row.box).isChecked(), !before);
        EXPECT_EQ(stored(row.box->key), !before ? "true" : "false");
        const bool untouched = row.box == &p::FLIGHT_MESSAGES || row.box == &p::SKIP_AIRPORT_SCAN ||
                               row.box == &p::NAV_LIGHTS_WHILE_PARKED || row.box == &p::RT_PARKTRAFFIC_ONLY ||
                               row.box == &p::TWO_PROPS || row.box == &p::LIGHT_AIRCRAFT ||
                               row.box == &p::HELICOPTERS || row.box == &p::HIGH_PERF_AIRCRAFT;
        EXPECT_EQ(gui_.status().messageLine, untouched ? "before" : row.message);
        if (!row.port.empty()) {
            EXPECT_TRUE(ports_.has(row.port));
        }
    }
    EXPECT_FALSE(gf_settings()->random);
    EXPECT_FALSE(gf_settings()->flightMessages);
    EXPECT_EQ(window_.topmost, std::vector<bool>{true});
    EXPECT_TRUE(logged("Be aware: no randomness in matching or parking! (This mode is meant for multi Sims)"));
    EXPECT_FALSE(control(p::AUTO_PARK).isEnabled());

    // Switched back on, a class is not removed.
    ports_.calls.clear();
    lf_HandleWMCOMMAND(context(), p::TWO_PROPS.controlId, ControlEvent::clicked);
    EXPECT_TRUE(p::TWO_PROPS.value);
    EXPECT_TRUE(ports_.calls.empty());
}

TEST_F(WindowControls, SimTimeActsOnlyWithRtDirect) {
    createControls();
    gf_publishTrafficSource(true);
    EXPECT_FALSE(lf_HandleWMCOMMAND(context(), p::SIM_TIME.controlId, ControlEvent::clicked));
    EXPECT_FALSE(p::SIM_TIME.value);
    EXPECT_FALSE(control(p::SIM_TIME).isChecked());
    EXPECT_FALSE(pendingStop());

    gf_publishTrafficSource(false);
    p::TIME_SHIFT_DAYS.value = 2;
    p::TIME_SHIFT_MINS.value = 30;
    gf_publishSettingsSnapshot();
    EXPECT_TRUE(lf_HandleWMCOMMAND(context(), p::SIM_TIME.controlId, ControlEvent::clicked));
    EXPECT_TRUE(p::SIM_TIME.value);
    EXPECT_EQ(p::TIME_SHIFT_DAYS.value, 0);
    EXPECT_EQ(stored("TIME_SHIFT_MINS"), "0");
    EXPECT_EQ(gf_settings()->timeShiftDays, 0);
    EXPECT_EQ(control(p::TIME_SHIFT_DAYS).selectedText(), "0");
    EXPECT_FALSE(control(p::BUTTON_SET).isEnabled());
    EXPECT_EQ(pendingStop(), ExitReason::new_settings);
}

void select(platform::HeadlessControl& box, const std::string& text) {
    const auto& items = box.items();
    const auto found = std::find(items.begin(), items.end(), text);
    ASSERT_NE(found, items.end()) << text;
    box.selectIndex(found - items.begin());
}

TEST_F(WindowControls, TrafficSourceChoiceRestartsOnlyWhenItChanges) {
    createControls();
    p::RT_CHOISE.value = "RT App";
    gf_publishTrafficSource(true);
    ports_.serverRunning = true;
    select(control(p::RT_CHOISE), "RT App");
    EXPECT_TRUE(lf_HandleWMCOMMAND(context(), p::RT_CHOISE.controlId, ControlEvent::selectionChanged));
    EXPECT_FALSE(pendingStop());
    EXPECT_TRUE(control(p::RT_CHOISE).isEnabled());

    select(control(p::RT_CHOISE), "RT Direct");
    EXPECT_TRUE(lf_HandleWMCOMMAND(context(), p::RT_CHOISE.controlId, ControlEvent::selectionChanged));
    EXPECT_EQ(p::RT_CHOISE.value, "RT Direct");
    EXPECT_EQ(stored("RT_CHOISE"), "RT Direct");
    EXPECT_FALSE(control(p::RT_CHOISE).isEnabled());
    EXPECT_TRUE(ports_.has("close server"));
    EXPECT_EQ(pendingStop(), ExitReason::new_settings);
}

TEST_F(WindowControls, MaxFitHoursGiveTheHalfHourIndex) {
    createControls();
    for (const auto& [hours, fit] : std::vector<std::pair<std::string, int>>{{"0.5", 0}, {"12.5", 24}, {"24", 47}}) {
        select(control(p::MAX_FIT_FL), hours);
        ASSERT_TRUE(lf_HandleWMCOMMAND(context(), p::MAX_FIT_FL.controlId, ControlEvent::selectionChanged));
        EXPECT_EQ(p::MAX_FIT.value, fit) << hours;
        EXPECT_EQ(gf_settings()->maxFit, fit);
        EXPECT_EQ(stored("MAX_FIT"), std::to_string(fit));
    }
    EXPECT_FALSE(stored("MAX_FIT_FL"));
}

TEST_F(WindowControls, IntegerListsStoreTheEntryAndRaiseTheirFlags) {
    createControls();
    select(control(p::MATCHING_DEPTH), "2");
    lf_HandleWMCOMMAND(context(), p::MATCHING_DEPTH.controlId, ControlEvent::selectionChanged);
    EXPECT_FALSE(ports_.has("depth raised"));
    select(control(p::MATCHING_DEPTH), "5");
    lf_HandleWMCOMMAND(context(), p::MATCHING_DEPTH.controlId, ControlEvent::selectionChanged);
    EXPECT_TRUE(ports_.has("depth raised"));
    EXPECT_EQ(gf_settings()->matchingDepth, 5);
    EXPECT_EQ(stored("MATCHING_DEPTH"), "5");

    select(control(p::MAX_LIVE_SEL), "0");
    lf_HandleWMCOMMAND(context(), p::MAX_LIVE_SEL.controlId, ControlEvent::selectionChanged);
    EXPECT_TRUE(ports_.has("max live"));
    EXPECT_EQ(gf_settings()->maxLiveSel, 0);

    select(control(p::RANGE), "80");
    lf_HandleWMCOMMAND(context(), p::RANGE.controlId, ControlEvent::selectionChanged);
    EXPECT_EQ(gf_settings()->rangeNm, 80.0);

    // A click is not a selection change.
    ports_.calls.clear();
    EXPECT_FALSE(lf_HandleWMCOMMAND(context(), p::MAX_PARK_SEL.controlId, ControlEvent::clicked));
    EXPECT_TRUE(ports_.calls.empty());
}

TEST_F(WindowControls, AHandlerExceptionIsLoggedAndTheCommandPassedOn) {
    createControls();
    control(p::RANGE).addItem("9999"); // one entry more than the setting's list
    control(p::RANGE).selectIndex(static_cast<std::ptrdiff_t>(control(p::RANGE).itemCount()) - 1);
    EXPECT_FALSE(lf_HandleWMCOMMAND(context(), p::RANGE.controlId, ControlEvent::selectionChanged));
    EXPECT_TRUE(logged("==> lf_HandleWMCOMMAND exception configuration option index is out of range"));
    EXPECT_EQ(p::RANGE.value, 40);
}

TEST_F(WindowControls, AircraftSelectionAndBlockButtons) {
    createControls();
    EXPECT_TRUE(lf_HandleWMCOMMAND(context(), p::BUTTON_BLOCK.controlId, ControlEvent::clicked));
    EXPECT_EQ(gui_.status().messageLine, "Nothing to block ...");
    EXPECT_TRUE(lf_HandleWMCOMMAND(context(), p::BUTTON_UNBLOCK.controlId, ControlEvent::clicked));
    EXPECT_EQ(gui_.status().messageLine, "Nothing to unblock...");

    lf_HandleWMCOMMAND(context(), p::BUTTON_AIRCRAFT.controlId, ControlEvent::clicked);
    EXPECT_TRUE(ports_.has("aircraft list"));
    EXPECT_FALSE(control(p::BUTTON_BLOCK).isEnabled());

    *p::AIRCRAFT_SELECTOR.choices = {"select an aircraft", "KLM12, PH-BXA, 484d5a"};
    p::AIRCRAFT_SELECTOR.fillComboBox();
    select(control(p::AIRCRAFT_SELECTOR), "select an aircraft");
    lf_HandleWMCOMMAND(context(), p::AIRCRAFT_SELECTOR.controlId, ControlEvent::selectionChanged);
    EXPECT_FALSE(control(p::BUTTON_BLOCK).isEnabled());
    select(control(p::AIRCRAFT_SELECTOR), "KLM12, PH-BXA, 484d5a");
    lf_HandleWMCOMMAND(context(), p::AIRCRAFT_SELECTOR.controlId, ControlEvent::selectionChanged);
    EXPECT_TRUE(control(p::BUTTON_BLOCK).isEnabled());
    EXPECT_EQ(p::AIRCRAFT_SELECTOR.value, "KLM12, PH-BXA, 484d5a");
}

TEST_F(WindowControls, FlushTbloAndParkButtons) {
    createControls();
    lf_HandleWMCOMMAND(context(), p::BUTTON_FLUSH.controlId, ControlEvent::clicked);
    EXPECT_TRUE(ports_.has("flush"));
    EXPECT_FALSE(control(p::BUTTON_FLUSH).isEnabled());
    EXPECT_EQ(gui_.status().messageLine, "All static parked aircraft will be removed ...");

    gui_.setSupportHintPending(true);
    ports_.tbloOpens = false;
    lf_HandleWMCOMMAND(context(), p::BUTTON_TBLO.controlId, ControlEvent::clicked);
    EXPECT_FALSE(gui_.supportHintPending());
    ASSERT_EQ(dialogs_.boxes.size(), 1U);
    EXPECT_EQ(dialogs_.boxes[0].text, "Could not open File Explorer at tblo.zip.");
    EXPECT_EQ(dialogs_.boxes[0].caption, "VELT");

    ports_.calls.clear();
    lf_HandleWMCOMMAND(context(), p::BUTTON_PARK.controlId, ControlEvent::clicked);
    EXPECT_TRUE(ports_.calls.empty());
    ports_.parking = true;
    gf_publishTrafficSource(true);
    lf_HandleWMCOMMAND(context(), p::BUTTON_PARK.controlId, ControlEvent::clicked);
    EXPECT_EQ(ports_.calls, (std::vector<std::string>{"rt app parked", "parking request", "countdown 20"}));
    EXPECT_EQ(gui_.status().messageLine, "VELT_P3D will update static parking soon ...");
}

TEST_F(WindowControls, StandSelectionReservesTheStandAtTheDestination) {
    createControls();
    p::DESTINATION.value = "EHAM";
    *p::STAND_SELECTOR.choices = {"select a stand", "D4"};
    p::STAND_SELECTOR.fillComboBox();
    select(control(p::STAND_SELECTOR), "D4");
    lf_HandleWMCOMMAND(context(), p::STAND_SELECTOR.controlId, ControlEvent::selectionChanged);
    EXPECT_TRUE(ports_.has("reserve EHAM D4"));
    EXPECT_EQ(gui_.status().messageLine, "selected stand 'D4' at airport 'EHAM'");
    ports_.reserveWorks = false;
    lf_HandleWMCOMMAND(context(), p::STAND_SELECTOR.controlId, ControlEvent::selectionChanged);
    EXPECT_TRUE(logged("==> could not update stand D4 in airport EHAM"));
}

TEST_F(WindowControls, TheCollapseBoxTogglesOnlyInsideItsHotSpot) {
    p::COLLAPSED.value = false;
    createControls();
    MainWindowProcedure procedure(context(), [] { return PaintFacts{}; });
    RecordingCanvas canvas;
    procedure.onPaint(canvas);
    EXPECT_EQ(gf_mainWindowState().hotSpot, (PixelRect{765, 4, 855, 30}));

    procedure.onLeftButtonDown(764, 10);
    procedure.onLeftButtonDown(855, 10);
    EXPECT_FALSE(gui_.status().collapsed);
    EXPECT_FALSE(stored("COLLAPSED").has_value() && stored("COLLAPSED") == "true");

    procedure.onLeftButtonDown(765, 4);
    EXPECT_TRUE(gui_.status().collapsed);
    EXPECT_TRUE(p::COLLAPSED.value);
    EXPECT_EQ(stored("COLLAPSED"), "true");
    EXPECT_EQ(window_.controlsShown.back(), false);
    ASSERT_FALSE(window_.invalidated.empty());
    EXPECT_TRUE(window_.invalidated.back().second);

    procedure.onLeftButtonDown(800, 20);
    EXPECT_FALSE(gui_.status().collapsed);
    EXPECT_EQ(stored("COLLAPSED"), "false");
}

TEST_F(WindowControls, ClosingAsksToStopAndLeavesTheWindowOpen) {
    createControls();
    MainWindowProcedure procedure(context(), nullptr);
    procedure.onClose();
    EXPECT_EQ(pendingStop(), ExitReason::user_closed_sim);
    EXPECT_NE(gui_.status().messageLine.find(" close window button clicked, closing VELT_P3D ..."), std::string::npos);
    EXPECT_FALSE(window_.quitCode);
}

TEST_F(WindowControls, ExitStoresThePositionAndEndsTheLoop) {
    createControls();
    MainWindowProcedure procedure(context(), nullptr);
    window_.framePixels = {120, 60, 1036, 867};
    procedure.onWindowMessage(platform::WindowMessage::exit);
    EXPECT_EQ(p::MAIN_WINDOW_X.value, 120);
    EXPECT_EQ(stored("MAIN_WINDOW_Y"), "60");
    EXPECT_EQ(window_.quitCode, 3);
    EXPECT_TRUE(ports_.has("join worker"));
}

} // namespace
} // namespace kiv

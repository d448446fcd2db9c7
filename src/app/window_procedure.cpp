// The main window's procedure and the dispatch of the settings panel's commands.
#include "app/window_procedure.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <exception>

#include <fmt/format.h>

#include "app/gui.h"
#include "app/gui_layout.h"
#include "app/init_instance.h"
#include "app/shell_flags.h"
#include "app/stop_requests.h"
#include "app/traffic_commands.h"
#include "foundation/log.h"
#include "foundation/program_identity.h"
#include "settings/parameters_file.h"
#include "settings/settings_snapshot.h"
#include "settings/settings_table.h"
#include "settings/startup_checks.h"

namespace kiv {
namespace {

namespace p = param;
using platform::ControlEvent;


// A click toggles the box itself: the boxes do not toggle on their own.
bool toggle(CheckBoxParameter& box) {
    bool state = box.value;
    if (box.hasLiveWindow()) {
        state = box.window->isChecked();
        box.window->setChecked(!state);
    }
    box.value = !state;
    gf_storeParameter(static_cast<const BoolParameter&>(box));
    gf_applyParameter(&box);
    return box.value;
}

void message(const WindowContext& context, std::string text, bool log = false) {
    context.gui.showMessage(std::move(text), log);
}

void messageOrClear(const WindowContext& context, bool show, std::string text, bool log = false) {
    if (show) {
        message(context, std::move(text), log);
    } else {
        context.gui.clearMessage();
    }
}

void repaint(const WindowContext& context, std::uint8_t mask) {
    context.gui.enqueueUpdate(gui_update::Repaint{mask});
}

void storeIntList(IntListParameter& list, std::ptrdiff_t index) {
    list.value = std::clamp(list.valueAt(index), list.min, list.max);
    gf_storeParameter(static_cast<const IntParameter&>(list));
    gf_applyParameter(&list);
}

// The list parameter with that id (integer lists only), or null.
IntListParameter* intListById(std::uint16_t id) {
    for (IntListParameter* list : registry::intLists) {
        if (list->controlId == id) {
            return list;
        }
    }
    if (id == p::PARKING_INTERVAL_MINUTES.controlId) {
        return &p::PARKING_INTERVAL_MINUTES;
    }
    return nullptr;
}

std::string utcTime() {
    const auto now = std::chrono::system_clock::now();
    const auto seconds = std::chrono::floor<std::chrono::seconds>(now).time_since_epoch().count();
    const auto ofDay = ((seconds % 86400) + 86400) % 86400;
    return fmt::format("{:02}:{:02}:{:02}", ofDay / 3600, ofDay / 60 % 60, ofDay % 60);
}

} // namespace

std::optional<ComboSelection> lf_getComboSelection(std::uint16_t id, ControlEvent event) {
    if (event != ControlEvent::selectionChanged) {
        return std::nullopt;
    }
    platform::Control* control = lf_controlById(id);
    if (control == nullptr || !control->isLive()) {
        return std::nullopt;
    }
    const std::ptrdiff_t index = control->selectedIndex();
    if (index < 0) {
        return std::nullopt;
    }
    return ComboSelection{index, control->text()};
}

bool lf_handleButtons(const WindowContext& context, std::uint16_t id) {
    if (id == p::BUTTON_BLOCK.controlId) {
        if (!p::AIRCRAFT_SELECTOR.value.empty()) {
            gf_blockAircraft(context);
        } else {
            message(context, "Nothing to block ...", true);
        }
    } else if (id == p::BUTTON_UNBLOCK.controlId) {
        gf_shellFlags().unblockRestart.store(true);
        if (!p::BLOCK_AIRCRAFT.value.empty()) {
            gf_unblockAircraft(context);
        } else {
            message(context, "Nothing to unblock...", true);
        }
    } else if (id == p::BUTTON_AIRCRAFT.controlId) {
        context.ports.requestAircraftList();
        gf_enableControl(p::BUTTON_BLOCK, false);
    } else if (id == p::BUTTON_FLUSH.controlId) {
        message(context, "All static parked aircraft will be removed ...");
        context.ports.requestFlushStatics();
        gf_enableControl(p::BUTTON_FLUSH, false);
    } else if (id == p::BUTTON_SET.controlId) {
        const auto settings = gf_settings();
        const std::int32_t minutes =
            settings->timeShiftMins + (settings->timeShiftHours + 24 * settings->timeShiftDays) * 60;
        gf_applyTimeShift(context, minutes, false, true);
        gf_enableControl(p::BUTTON_SET, false);
    } else if (id == p::BUTTON_TBLO.controlId) {
        gf_enableControl(p::BUTTON_TBLO, false);
        context.gui.setSupportHintPending(false);
        if (!context.ports.openTbloArchiveFolder() && context.dialogs != nullptr) {
            context.dialogs->messageBox("Could not open File Explorer at tblo.zip.", "VELT",
                                        platform::MessageIcon::warning);
        }
    } else if (id == p::BUTTON_PARK.controlId) {
        if (context.ports.parkingActive()) {
            if (!gf_isRTDirect()) {
                context.ports.requestRtAppParkedTraffic();
            }
            gf_requestParkingUpdate(context);
            gf_resetParkingCountdown(context);
        }
    } else {
        return false;
    }
    return true;
}

bool lf_handleCheckBoxes(const WindowContext& context, std::uint16_t id) {
    CheckBoxParameter* box = nullptr;
    for (CheckBoxParameter* candidate : registry::checkBoxes) {
        if (candidate->controlId == id) {
            box = candidate;
        }
    }
    if (box == nullptr) {
        return false;
    }
    if ((box == &p::SIM_TIME || box == &p::KEEP_SIM_TIME_PAR) && !gf_isRTDirect()) {
        return false;
    }
    const bool on = toggle(*box);

    if (box == &p::LIG_PRIORITIZE) {
        messageOrClear(context, on, "Liveries, for airl+model, in lower lfolders that are already available will be skipped");
    } else if (box == &p::COLLISION_USER_GND) {
        messageOrClear(context, !on,
                       "Be aware, user aircraft may collide with (run through) live aircraft and static parked on the "
                       "ground");
    } else if (box == &p::COLLISION_USER_AIR) {
        messageOrClear(context, !on, "Be aware, user aircraft may collide with (run through) live aircraft in the air");
    } else if (box == &p::RT_PARKTRAFFIC_ONLY) {
        gf_updateControlsForRtParkedOnly(context);
        context.ports.countParkingOptionChange(on);
        repaint(context, kRepaintSettings);
    } else if (box == &p::AUTO_PARK) {
        gf_updateControlsForAutoPark(context);
    } else if (box == &p::RANDOM) {
        messageOrClear(context, !on, "Be aware: no randomness in matching or parking! (This mode is meant for multi Sims)",
                       true);
        repaint(context, kRepaintSettings);
    } else if (box == &p::ALWAYS_ON_TOP) {
        messageOrClear(context, on, fmt::format("{}'s window will remain visible", kProgramName));
        context.gui.enqueueUpdate(gui_update::SetAlwaysOnTop{on});
        repaint(context, kRepaintSettings);
    } else if (box == &p::AEROWINX) {
        messageOrClear(context, on, fmt::format("Note: This mode is for Aerowinx PSX users only, please re-start {}",
                                                kProgramName));
    } else if (box == &p::GUID_CHANGES) {
        messageOrClear(context, !on,
                       "Be aware, no more livery updates: you miss correct data for Learn, LittleNavMap, etc!");
    } else if (box == &p::NAV_LIGHTS_WHILE_PARKED) {
        context.ports.setNavLightsWhileParked(on);
    } else if (box == &p::TWO_PROPS || box == &p::LIGHT_AIRCRAFT || box == &p::HELICOPTERS ||
               box == &p::HIGH_PERF_AIRCRAFT) {
        if (!on) {
            const AircraftClass aircraftClass = box == &p::TWO_PROPS        ? AircraftClass::twoProps
                                                : box == &p::LIGHT_AIRCRAFT ? AircraftClass::light
                                                : box == &p::HELICOPTERS    ? AircraftClass::helicopters
                                                                            : AircraftClass::highPerformance;
            context.ports.removeAircraftClass(aircraftClass);
        }
    } else if (box == &p::AUTO_RANGE) {
        lf_applyAutoRange(context);
    } else if (box == &p::SIM_TIME) {
        for (IntListParameter* unit : {&p::TIME_SHIFT_DAYS, &p::TIME_SHIFT_HOURS, &p::TIME_SHIFT_MINS}) {
            gf_setAndStore(*unit, 0);
            unit->selectValue();
            gf_applyParameter(unit);
        }
        gf_enableControl(p::BUTTON_SET, false);
        repaint(context, kRepaintSettings);
        gf_requestStop(ExitReason::new_settings, 0);
    }
    return true;
}

bool lf_handleSelections(const WindowContext& context, std::uint16_t id, ControlEvent event) {
    static const std::vector<ParameterControl*> order = {
        &p::RT_CHOISE,   &p::QNH_UNIT,           &p::AIRCRAFT_SELECTOR, &p::STAND_SELECTOR,
        &p::ALL_AIR_GND_SELECTOR, &p::MATCHING_DEPTH, &p::TCAS_FL,   &p::parking_percentage,
        &p::RANGE,       &p::HOLDING_THRESHOLD_METERS, &p::MAX_HOLDING_MINUTES, &p::AIRP_RANGE,
        &p::AIRP_HEIGHT, &p::PARKING_INTERVAL_MINUTES, &p::MAX_FIT_FL, &p::MAX_PARK_SEL,
        &p::MAX_LIVE_SEL, &p::TIME_SHIFT_DAYS, &p::TIME_SHIFT_HOURS, &p::TIME_SHIFT_MINS};
    const auto owner = std::find_if(order.begin(), order.end(), [&](auto* c) { return c->controlId == id; });
    if (owner == order.end()) {
        return false;
    }
    const bool timeShift = *owner == &p::TIME_SHIFT_DAYS || *owner == &p::TIME_SHIFT_HOURS || *owner == &p::TIME_SHIFT_MINS;
    if (timeShift && !gf_isRTDirect()) {
        return false;
    }
    const std::optional<ComboSelection> selection = lf_getComboSelection(id, event);
    if (!selection) {
        return false;
    }
    const std::string& text = selection->text;

    if (*owner == &p::RT_CHOISE) {
        if (text != p::RT_CHOISE.value) {
            p::RT_CHOISE.value = text;
            gf_storeParameter(static_cast<const StringParameter&>(p::RT_CHOISE));
            gf_enableControl(p::RT_CHOISE, false);
            if (!gf_isRTDirect() && context.ports.rtAppServerRunning()) {
                context.ports.closeRtAppServer();
            }
            gf_requestStop(ExitReason::new_settings, 0);
        }
    } else if (*owner == &p::QNH_UNIT) {
        if (text != p::QNH_UNIT.value) {
            p::QNH_UNIT.value = text;
            gf_storeParameter(static_cast<const StringParameter&>(p::QNH_UNIT));
            context.gui.enqueueUpdate(gui_update::QnhInInchesHg{text == kQnhInHg});
        }
    } else if (*owner == &p::AIRCRAFT_SELECTOR) {
        if (text != "select an aircraft") {
            p::AIRCRAFT_SELECTOR.value = text;
            gf_enableControl(p::BUTTON_BLOCK, true);
        }
    } else if (*owner == &p::STAND_SELECTOR) {
        if (text != "select a stand") {
            const std::string& airport = p::DESTINATION.value;
            message(context, fmt::format("selected stand '{}' at airport '{}'", text, airport), true);
            const std::optional<IcaoCode> code = IcaoCode::tryParse(airport);
            if (code && context.ports.setReservedStand(*code, text)) {
                repaint(context, kRepaintParking);
            } else {
                gf_logImportant(fmt::format("could not update stand {} in airport {}", text, airport));
            }
        }
    } else if (*owner == &p::ALL_AIR_GND_SELECTOR) {
        p::ALL_AIR_GND_SELECTOR.value = text;
        gf_storeParameter(static_cast<const StringParameter&>(p::ALL_AIR_GND_SELECTOR));
        gf_applyParameter(&p::ALL_AIR_GND_SELECTOR);
    } else if (*owner == &p::MAX_FIT_FL) {
        FloatListParameter& hours = p::MAX_FIT_FL;
        if (selection->index >= static_cast<std::ptrdiff_t>(hours.allowed.size())) {
            throw gf_makeOptionIndexError();
        }
        hours.value = std::clamp(hours.allowed[static_cast<std::size_t>(selection->index)], hours.min, hours.max);
        const double limited = std::clamp(static_cast<double>(hours.value), 0.5, 24.0);
        const auto fit = static_cast<std::int32_t>(std::lround(2.0 * limited)) - 1;
        gf_setAndStore(p::MAX_FIT, std::clamp(fit, std::max(0, p::MAX_FIT.min), std::min(47, p::MAX_FIT.max)));
        gf_applyParameter(&p::MAX_FIT);
    } else if (IntListParameter* list = intListById(id)) {
        const std::int32_t previous = list->value;
        storeIntList(*list, selection->index);
        if (list == &p::RANGE) {
            gf_setRange(list->value);
        } else if (list == &p::MATCHING_DEPTH) {
            if (list->value > previous) {
                context.ports.matchingDepthRaised();
            }
        } else if (list == &p::PARKING_INTERVAL_MINUTES) {
            gf_resetParkingCountdown(context);
        } else if (list == &p::MAX_PARK_SEL) {
            context.ports.maxParkChanged();
        } else if (list == &p::MAX_LIVE_SEL) {
            context.ports.maxLiveChanged();
        } else if (timeShift) {
            gf_enableControl(p::BUTTON_SET, true);
            repaint(context, kRepaintSettings);
        }
    } else {
        return false;
    }
    return true;
}

bool lf_HandleWMCOMMAND(const WindowContext& context, std::uint16_t id, ControlEvent event) {
    try {
        return lf_handleButtons(context, id) || lf_handleCheckBoxes(context, id) ||
               lf_handleSelections(context, id, event);
    } catch (const std::exception& e) {
        gf_logImportant(fmt::format("{} exception {}", "lf_HandleWMCOMMAND", e.what()));
        return false;
    }
}

void MainWindowProcedure::onPaint(platform::PaintCanvas& canvas) {
    const auto settings = gf_settings();
    const PaintFacts facts = facts_ ? facts_() : PaintFacts{};
    gf_mainWindowState().hotSpot = lf_paint(canvas, {context_.gui.status(), *settings, facts}, context_.gui.dpi());
}

void MainWindowProcedure::onPaintCheckBox(platform::PaintCanvas& canvas, std::int32_t width, std::int32_t height,
                                          bool checked, bool enabled) {
    lf_paintCheckBox(canvas, width, height, checked, enabled, context_.gui.dpi());
}

bool MainWindowProcedure::onCommand(std::uint16_t id, ControlEvent event) {
    return lf_HandleWMCOMMAND(context_, id, event);
}

void MainWindowProcedure::onDestinationEnter() {
    try {
        gf_destinationEntered(context_);
    } catch (const std::exception& e) {
        gf_logImportant(fmt::format("{} exception {}", "lf_destinationEditProc", e.what()));
    }
}

void MainWindowProcedure::onLeftButtonDown(std::int32_t x, std::int32_t y) {
    const platform::PixelRect& hot = gf_mainWindowState().hotSpot;
    if (x < hot.left || x >= hot.right || y < hot.top || y >= hot.bottom) {
        return;
    }
    context_.gui.enqueueUpdate(gui_update::ToggleCollapsed{});
    if (platform::MainWindow* window = gf_mainWindowState().window) {
        const bool hasPark = context_.gui.status().parkAirport.has_value();
        window->invalidate({0, 0, gf_scaleToDpi(kLayoutWidth, context_.gui.dpi()),
                            gf_scaleToDpi(gf_clientHeight(context_.gui.status().collapsed, hasPark),
                                          context_.gui.dpi())},
                           true);
    }
    p::COLLAPSED.value = context_.gui.status().collapsed;
    gf_storeParameter(p::COLLAPSED);
}

void MainWindowProcedure::onClose() {
    context_.gui.showMessage(
        fmt::format("{} close window button clicked, closing {} ...", utcTime(), kProgramName), false);
    gf_requestStop(ExitReason::user_closed_sim, 0);
}

void MainWindowProcedure::onWindowMessage(platform::WindowMessage windowMessage) {
    switch (windowMessage) {
    case platform::WindowMessage::start:
        onStart();
        break;
    case platform::WindowMessage::exit:
        onExit();
        break;
    case platform::WindowMessage::guiUpdate:
        context_.gui.drainUpdates();
        break;
    }
}

void MainWindowProcedure::onStart() {
    try {
        context_.ports.joinMainWorker();
        gf_openLog();
        context_.ports.startMainWorker();
    } catch (const std::exception& e) {
        gf_logImportant(fmt::format("Restart failed before main thread start: {}", e.what()));
        gf_flushLog();
        context_.gui.showError(fmt::format("Restart failed: {}", e.what()));
    } catch (...) {
        gf_logImportant("Restart failed before main thread start: unknown exception");
        gf_flushLog();
        context_.gui.showError("Restart failed: unknown exception");
    }
}

void MainWindowProcedure::onExit() {
    context_.ports.joinMainWorker();
    platform::MainWindow* window = gf_mainWindowState().window;
    const std::int32_t previousX = p::MAIN_WINDOW_X.value;
    const std::int32_t previousY = p::MAIN_WINDOW_Y.value;
    if (window != nullptr) {
        const platform::PixelRect frame = window->frame();
        p::MAIN_WINDOW_X.value = std::clamp(frame.left, -30000, 30000);
        p::MAIN_WINDOW_Y.value = std::clamp(frame.top, -30000, 30000);
        gf_storeParameter(p::MAIN_WINDOW_X);
        gf_storeParameter(p::MAIN_WINDOW_Y);
        lf_keepOnScreen(*window, previousX, previousY);
    }
    const auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    const std::chrono::year_month_day date{std::chrono::floor<std::chrono::days>(now)};
    gf_logLine(fmt::format("{:04}-{:02}-{:02} {}", static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                           static_cast<unsigned>(date.day()), utcTime()));
    context_.gui.closeUpdateQueue();
    if (window != nullptr) {
        window->quit(context_.ports.exitCode());
    }
}

} // namespace kiv

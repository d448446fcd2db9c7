// The settings panel's controls: table, creation, check-box drawing, values and enabling.
#include "app/main_window_controls.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include <fmt/format.h>

#include "app/gui.h"
#include "foundation/log.h"
#include "settings/settings_snapshot.h"
#include "settings/settings_table.h"
#include "settings/startup_checks.h"

namespace kiv {
namespace {

using platform::ControlKind;
using platform::PixelRect;

constexpr std::int32_t kCheckBoxSize = 14;
constexpr std::int32_t kComboFieldHeight = 24;
constexpr std::int32_t kButtonWidth = 80;
constexpr std::int32_t kButtonHeight = 26;

ControlEntry checkBox(CheckBoxParameter& p) {
    return {&p,
            {ControlKind::checkBox, p.controlId, {p.controlX, p.y + p.yOffset, p.controlX + kCheckBoxSize,
                                                  p.y + p.yOffset + kCheckBoxSize}, 0, {}}};
}

ControlEntry combo(ParameterControl& p, std::int32_t width, std::int32_t listHeight) {
    return {&p,
            {ControlKind::comboBox, p.controlId,
             {p.controlX, p.y + p.yOffset, p.controlX + width, p.y + p.yOffset + kComboFieldHeight}, listHeight, {}}};
}

ControlEntry button(ButtonControl& b) {
    return {&b,
            {ControlKind::button, b.controlId,
             {b.controlX, b.y + b.yOffset, b.controlX + kButtonWidth, b.y + b.yOffset + kButtonHeight}, 0, b.key}};
}

ControlEntry editBox(ControlStringParameter& p) {
    return {&p, {ControlKind::editBox, p.controlId, {p.controlX, p.y + p.yOffset, p.controlX + 70, p.y + p.yOffset + 28},
                 0, {}}};
}

std::vector<ControlEntry> buildTable() {
    namespace p = param;
    return {button(p::BUTTON_TBLO),
            checkBox(p::SKIP_AIRPORT_SCAN),
            checkBox(p::SKIP_LIVERIES_SCAN),
            checkBox(p::LIG_PRIORITIZE),
            combo(p::RT_CHOISE, 110, 80),
            combo(p::QNH_UNIT, 110, 80),
            combo(p::ALL_AIR_GND_SELECTOR, 135, 200),
            button(p::BUTTON_AIRCRAFT),
            combo(p::AIRCRAFT_SELECTOR, 400, 300),
            button(p::BUTTON_BLOCK),
            button(p::BUTTON_UNBLOCK),
            checkBox(p::COLLISION_USER_GND),
            checkBox(p::COLLISION_USER_AIR),
            combo(p::RANGE, 70, 200),
            checkBox(p::AUTO_RANGE),
            combo(p::MAX_LIVE_SEL, 70, 144),
            combo(p::HOLDING_THRESHOLD_METERS, 70, 200),
            combo(p::MAX_HOLDING_MINUTES, 70, 200),
            checkBox(p::TWO_PROPS),
            checkBox(p::LIGHT_AIRCRAFT),
            checkBox(p::HELICOPTERS),
            checkBox(p::HIGH_PERF_AIRCRAFT),
            combo(p::MATCHING_DEPTH, 70, 120),
            combo(p::TCAS_FL, 70, 200),
            combo(p::PARKING_INTERVAL_MINUTES, 70, 200),
            editBox(p::DESTINATION),
            combo(p::STAND_SELECTOR, 170, 300),
            combo(p::AIRP_RANGE, 70, 144),
            combo(p::AIRP_HEIGHT, 90, 230),
            checkBox(p::RT_PARKTRAFFIC_ONLY),
            combo(p::MAX_FIT_FL, 70, 300),
            combo(p::MAX_PARK_SEL, 70, 144),
            combo(p::parking_percentage, 70, 200),
            checkBox(p::AUTO_PARK),
            checkBox(p::WEEK),
            checkBox(p::PARK_SOFT),
            button(p::BUTTON_PARK),
            button(p::BUTTON_FLUSH),
            checkBox(p::RANDOM),
            checkBox(p::ALWAYS_ON_TOP),
            checkBox(p::FLIGHT_MESSAGES),
            checkBox(p::AEROWINX),
            checkBox(p::GUID_CHANGES),
            checkBox(p::NAV_LIGHTS_WHILE_PARKED),
            combo(p::TIME_SHIFT_DAYS, 70, 200),
            button(p::BUTTON_SET),
            checkBox(p::SIM_TIME),
            combo(p::TIME_SHIFT_HOURS, 70, 200),
            checkBox(p::KEEP_SIM_TIME_PAR),
            combo(p::TIME_SHIFT_MINS, 70, 300)};
}

// Fills a list control from its setting and selects the setting's value.
void fillList(ParameterControl* owner) {
    namespace p = param;
    if (auto* ints = dynamic_cast<IntListParameter*>(owner)) {
        ints->fillComboBox();
    } else if (auto* choice = dynamic_cast<ChoiceParameter*>(owner)) {
        choice->fillComboBox();
    } else if (auto* dynamic = dynamic_cast<DynamicChoiceParameter*>(owner)) {
        dynamic->fillComboBox();
    } else if (owner == &p::MAX_FIT_FL && owner->hasLiveWindow()) {
        FloatListParameter& hours = p::MAX_FIT_FL;
        hours.window->resetList();
        for (const float value : hours.allowed) {
            hours.window->addItem(fmt::format("{}", value));
        }
        gf_syncMaxFitList();
    }
}

void repaintSettings(const WindowContext& context) { context.gui.enqueueUpdate(gui_update::Repaint{kRepaintSettings}); }

const std::vector<ParameterControl*>& parkingGroup() {
    namespace p = param;
    static const std::vector<ParameterControl*> group = {
        &p::parking_percentage, &p::AUTO_PARK,   &p::WEEK,
        &p::PARK_SOFT,          &p::MAX_FIT_FL,  &p::MAX_PARK_SEL,
        &p::MAX_LIVE_SEL,       &p::BUTTON_FLUSH, &p::PARKING_INTERVAL_MINUTES,
        &p::BUTTON_PARK,        &p::RT_PARKTRAFFIC_ONLY};
    return group;
}

void applyMaxFitRule() {
    gf_enableControl(param::MAX_FIT_FL, param::RT_PARKTRAFFIC_ONLY.value || !param::AUTO_PARK.value);
}

double interpolate(double from, double to, double f, double lowFl, double highFl) {
    return from + (to - from) * (f - lowFl) / (highFl - lowFl);
}

} // namespace

const std::vector<ControlEntry>& gf_controlTable() {
    static const std::vector<ControlEntry> table = buildTable();
    return table;
}

MainWindowState& gf_mainWindowState() {
    static MainWindowState state;
    return state;
}

platform::Control* lf_controlById(std::uint16_t id) {
    for (const ControlEntry& entry : gf_controlTable()) {
        if (entry.spec.id == id) {
            return entry.owner->window;
        }
    }
    return nullptr;
}

void gf_enableControl(const ParameterControl& owner, bool enable) {
    if (owner.hasLiveWindow()) {
        owner.window->setEnabled(enable);
    }
}

void lf_createControls(platform::MainWindow& window, const WindowContext& context) {
    MainWindowState& state = gf_mainWindowState();
    state.window = &window;
    state.controls.clear();
    state.dropDownHeights.clear();
    for (const ControlEntry& entry : gf_controlTable()) {
        platform::Control* control = window.createControl(entry.spec);
        entry.owner->window = control;
        if (control == nullptr) {
            continue;
        }
        state.controls.push_back(control);
        switch (entry.spec.kind) {
        case ControlKind::checkBox:
            control->setChecked(static_cast<CheckBoxParameter*>(entry.owner)->value);
            control->setEnabled(true);
            break;
        case ControlKind::comboBox:
            if (entry.spec.dropDownHeight >= 1) {
                state.dropDownHeights[entry.spec.id] = entry.spec.dropDownHeight;
            }
            fillList(entry.owner);
            break;
        case ControlKind::editBox:
            control->setText("");
            control->setEnabled(false);
            break;
        case ControlKind::button:
            break;
        }
    }
    repaintSettings(context);
    context.ports.clearParkAirportRecord();
    context.gui.enqueueUpdate(gui_update::SetCollapsed{param::COLLAPSED.value});
}

void gf_refreshControlStates(const WindowContext& context) {
    for (const ControlEntry& entry : gf_controlTable()) {
        if (!entry.owner->hasLiveWindow()) {
            continue;
        }
        switch (entry.spec.kind) {
        case ControlKind::checkBox:
            entry.owner->window->setChecked(static_cast<CheckBoxParameter*>(entry.owner)->value);
            break;
        case ControlKind::comboBox:
            fillList(entry.owner);
            break;
        case ControlKind::editBox:
            entry.owner->window->setText(static_cast<ControlStringParameter*>(entry.owner)->value);
            break;
        case ControlKind::button:
            break;
        }
    }
    gf_updateParkingControls(context);
    gf_enableControl(param::RANGE, !param::AUTO_RANGE.value);
    repaintSettings(context);
}

void lf_paintCheckBox(platform::PaintCanvas& canvas, std::int32_t w, std::int32_t h, bool checked, bool enabled,
                      std::uint32_t dpi) {
    canvas.fillRect({0, 0, w, h}, 0xFFCC99);
    canvas.fillRect({0, 0, w, h}, enabled ? 0xFFFFFF : 0xF0F0F0);
    canvas.frameRect({0, 0, w, h}, enabled ? 0x606060 : 0xA0A0A0);
    if (!checked) {
        return;
    }
    const std::int32_t pen = std::max<std::int32_t>(1, static_cast<std::int32_t>((2 * dpi + 48) / 96));
    const platform::Colour colour = enabled ? 0x000000 : 0x808080;
    canvas.line(w / 5, h / 2, 2 * w / 5, 3 * h / 4, colour, pen);
    canvas.line(2 * w / 5, 3 * h / 4, 4 * w / 5, h / 4, colour, pen);
}

void gf_showIntParameter(const WindowContext& context, const IntListParameter& parameter) {
    platform::Control* control = lf_controlById(parameter.controlId);
    if (control == nullptr || !control->isLive()) {
        gf_logLine(fmt::format("GetDlgItem failed for ID {}", parameter.controlId));
        return;
    }
    control->setText(fmt::format("{}", parameter.value));
    repaintSettings(context);
}

void gf_showTextParameter(const WindowContext& context, const ControlStringParameter& parameter) {
    platform::Control* control = lf_controlById(parameter.controlId);
    if (control == nullptr || !control->isLive()) {
        gf_logLine(fmt::format("GetDlgItem failed for ID {}", parameter.controlId));
        return;
    }
    control->setText(parameter.value);
    repaintSettings(context);
}

void gf_disableParkingControls(const WindowContext& context) {
    for (ParameterControl* owner : parkingGroup()) {
        gf_enableControl(*owner, false);
    }
    repaintSettings(context);
}

void gf_enableParkingControls(const WindowContext& context) {
    context.ports.clearParkingGenerating();
    for (ParameterControl* owner : parkingGroup()) {
        gf_enableControl(*owner, true);
    }
    gf_updateControlsForRtParkedOnly(context);
    gf_updateControlsForAutoPark(context);
    applyMaxFitRule();
    context.gui.enqueueUpdate(
        gui_update::ParkingCountdown{static_cast<std::uint32_t>(std::max(0, gf_settings()->parkingIntervalMinutes))});
    repaintSettings(context);
    context.gui.clearMessage();
}

void gf_updateControlsForRtParkedOnly(const WindowContext& context) {
    namespace p = param;
    const bool parkedOnly = p::RT_PARKTRAFFIC_ONLY.value;
    for (ParameterControl* owner : {static_cast<ParameterControl*>(&p::parking_percentage),
                                    static_cast<ParameterControl*>(&p::AUTO_PARK), static_cast<ParameterControl*>(&p::WEEK),
                                    static_cast<ParameterControl*>(&p::PARK_SOFT)}) {
        gf_enableControl(*owner, !parkedOnly);
    }
    applyMaxFitRule();
    repaintSettings(context);
}

void gf_updateControlsForAutoPark(const WindowContext& context) {
    namespace p = param;
    applyMaxFitRule();
    // While RT parked traffic only is on, week and soft stay off as their labels show.
    const bool weekSoft = !p::AUTO_PARK.value && !p::RT_PARKTRAFFIC_ONLY.value;
    gf_enableControl(p::WEEK, weekSoft);
    gf_enableControl(p::PARK_SOFT, weekSoft);
    repaintSettings(context);
}

void gf_updateParkingControls(const WindowContext& context) {
    gf_updateControlsForRtParkedOnly(context);
    gf_updateControlsForAutoPark(context);
    applyMaxFitRule();
}

void gf_resetParkingCountdown(const WindowContext& context) {
    const std::int32_t minutes = gf_settings()->parkingIntervalMinutes;
    context.ports.setParkingCountdown(minutes);
    context.gui.enqueueUpdate(gui_update::ParkingCountdown{static_cast<std::uint32_t>(std::max(0, minutes))});
}

std::int32_t gf_autoRangeRadius(const UserAltitude& user) {
    namespace p = param;
    const double ground = p::RANGE_GROUND.value;
    if (user.onGround) {
        return static_cast<std::int32_t>(std::lround(ground));
    }
    const double f = user.altitudeFt / 100.0;
    const double fl1 = p::FLIGHT_LEVEL_1.value;
    const double fl2 = p::FLIGHT_LEVEL_2.value;
    const double fl3 = p::FLIGHT_LEVEL_3.value;
    const double r1 = p::RANGE_1.value;
    const double r2 = p::RANGE_2.value;
    const double r3 = p::RANGE_3.value;
    double radius = p::RANGE_ABOVE.value;
    if (f <= fl1) {
        radius = fl1 == 0.0 ? r1 : interpolate(ground, r1, f, 0.0, fl1);
    } else if (f <= fl2) {
        radius = fl2 == fl1 ? r2 : interpolate(r1, r2, f, fl1, fl2);
    } else if (f <= fl3) {
        radius = fl3 == fl2 ? r3 : interpolate(r2, r3, f, fl2, fl3);
    }
    return static_cast<std::int32_t>(std::lround(radius));
}

void gf_updateAutoRange(const WindowContext& context) {
    const std::int32_t radius = gf_autoRangeRadius(context.ports.userAltitude());
    const double before = gf_settings()->rangeNm;
    gf_setRange(radius);
    const double after = gf_settings()->rangeNm;
    if (gf_isRTDirect() && after != before) {
        context.ports.rtDirectRangeChanged(static_cast<std::int32_t>(after));
    }
}

void lf_applyAutoRange(const WindowContext& context) {
    namespace p = param;
    if (!p::AUTO_RANGE.value) {
        gf_setRange(p::RANGE.value);
    } else {
        gf_updateAutoRange(context);
    }
    gf_enableControl(p::RANGE, !p::AUTO_RANGE.value);
}

} // namespace kiv

// The traffic commands of the main window.
#include "app/traffic_commands.h"

#include <algorithm>
#include <cctype>
#include <system_error>

#include <fmt/format.h>

#include "app/gui.h"
#include "app/sim_install_path.h"
#include "app/stop_requests.h"
#include "feeds/block_filter.h"
#include "foundation/log.h"
#include "foundation/text_conversion.h"
#include "settings/gui_thread_changes.h"
#include "settings/parameters_file.h"
#include "settings/settings_snapshot.h"
#include "settings/settings_table.h"

namespace kiv {
namespace {

namespace p = param;

constexpr std::string_view kSelectStand = "select a stand";

void setText(StringParameter& parameter, std::string value) {
    parameter.value = std::move(value);
    gf_storeParameter(parameter);
    gf_applyParameter(&parameter);
}

void say(const WindowContext& context, std::string text) { context.gui.showMessage(std::move(text), true); }

std::string_view minuteSuffix(std::int32_t minutes) { return minutes == 1 || minutes < 0 ? "" : "s"; }

// Puts a dynamic list back to one empty entry, selected, and disables its box.
void emptySelector(DynamicChoiceParameter& selector) {
    *selector.choices = {""};
    selector.value.clear();
    selector.fillComboBox();
    gf_enableControl(selector, false);
}

void restoreDestinationBox(const WindowContext& context) { gf_showTextParameter(context, p::DESTINATION); }

} // namespace

TrafficCommandState& gf_trafficCommandState() {
    static TrafficCommandState state;
    return state;
}

void gf_blockAircraft(const WindowContext& context) {
    const std::string text = p::AIRCRAFT_SELECTOR.value;
    const std::optional<AircraftIdentity> identity = gf_parseAircraftIdentity(text);
    if (!identity) {
        setText(p::BLOCK_AIRCRAFT, "");
        return;
    }
    p::BLOCK_AIRCRAFT.value = text;
    gf_storeParameter(p::BLOCK_AIRCRAFT);
    p::BLOCK_CALLSIGN.value = identity->callsign;
    gf_storeParameter(p::BLOCK_CALLSIGN);
    p::BLOCK_REGCODE.value = identity->registration;
    gf_storeParameter(p::BLOCK_REGCODE);
    gf_setBlockCallsignUnderscore(!identity->callsign.empty() && identity->callsign.back() == '_');
    gf_setAndStore(p::BLOCK_HEXIDDEC, static_cast<std::int32_t>(std::min<std::uint32_t>(identity->hexId, 16777215U)));
    for (const Parameter* changed : std::initializer_list<const Parameter*>{&p::BLOCK_AIRCRAFT, &p::BLOCK_CALLSIGN,
                                                                            &p::BLOCK_REGCODE, &p::BLOCK_HEXIDDEC}) {
        gf_applyParameter(changed);
    }
    say(context, fmt::format("Aircraft with callsign: {}, regcode: {} and hexid: {:x} is blocked", identity->callsign,
                             identity->registration, p::BLOCK_HEXIDDEC.value));
    gf_enableControl(p::BUTTON_BLOCK, false);
    gf_enableControl(p::BUTTON_UNBLOCK, true);
    gf_enableControl(p::BUTTON_AIRCRAFT, false);
    gf_enableControl(p::AIRCRAFT_SELECTOR, false);
    gf_enableControl(p::ALL_AIR_GND_SELECTOR, false);
    context.ports.raiseBlockChanged();
}

void gf_unblockAircraft(const WindowContext& context) {
    if (p::BLOCK_AIRCRAFT.value.empty()) {
        return;
    }
    say(context, fmt::format("No more blocking of aircraft: cs: {} reg: {} hexid: {:x} ", p::BLOCK_CALLSIGN.value,
                             p::BLOCK_REGCODE.value, p::BLOCK_HEXIDDEC.value));
    for (StringParameter* text : {&p::BLOCK_AIRCRAFT, &p::BLOCK_CALLSIGN, &p::BLOCK_REGCODE}) {
        text->value.clear();
        gf_storeParameter(*text);
    }
    gf_setBlockCallsignUnderscore(false);
    gf_setAndStore(p::BLOCK_HEXIDDEC, 0);
    for (const Parameter* changed : std::initializer_list<const Parameter*>{&p::BLOCK_AIRCRAFT, &p::BLOCK_CALLSIGN,
                                                                            &p::BLOCK_REGCODE, &p::BLOCK_HEXIDDEC}) {
        gf_applyParameter(changed);
    }
    gf_enableControl(p::BUTTON_BLOCK, false);
    gf_enableControl(p::BUTTON_UNBLOCK, false);
    gf_enableControl(p::BUTTON_AIRCRAFT, true);
    gf_enableControl(p::ALL_AIR_GND_SELECTOR, true);
    emptySelector(p::AIRCRAFT_SELECTOR);
}

void gf_destinationEntered(const WindowContext& context) {
    context.gui.clearMessage();
    std::string text = lf_getTextFromId(p::DESTINATION.controlId);
    if (text.empty()) {
        setText(p::DESTINATION, "");
        emptySelector(p::STAND_SELECTOR);
        say(context, "destination set to empty");
        return;
    }
    if (text.size() != 4) {
        say(context, fmt::format("destination '{}' is not valid", text));
        restoreDestinationBox(context);
        return;
    }
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); });
    if (text == p::DESTINATION.value) {
        say(context, fmt::format("destination '{}' was already set ...", text));
        restoreDestinationBox(context);
        return;
    }
    // Four bytes that are not letters and digits make no airport code.
    const std::optional<IcaoCode> code = IcaoCode::tryParse(text);
    if (!code) {
        say(context, fmt::format("destination '{}' is not valid", text));
        restoreDestinationBox(context);
        return;
    }
    if (!context.ports.isKnownAirport(*code)) {
        say(context, fmt::format("destination '{}' is not supported ...", text));
        restoreDestinationBox(context);
        return;
    }
    gf_setDestination(context, text, *code);
}

void gf_setDestination(const WindowContext& context, const std::string& text, const IcaoCode& airport) {
    setText(p::DESTINATION, text);
    gf_showTextParameter(context, p::DESTINATION);

    const StandsRead stands = context.ports.readStands(airport);
    DynamicChoiceParameter& selector = p::STAND_SELECTOR;
    if (!stands.ok) {
        say(context, fmt::format("New destination: {}, failed to read stands, {}", text, stands.error));
        gf_enableControl(selector, false);
        return;
    }
    std::vector<std::string>& list = *selector.choices;
    list.clear();
    const std::string reserved = context.ports.parkAirportStand(airport);
    const bool reservedKnown =
        !reserved.empty() && std::find(stands.names.begin(), stands.names.end(), reserved) != stands.names.end();
    if (reservedKnown) {
        say(context, fmt::format("New destination: {}, with reserved stand: {}", text, reserved));
        selector.value = reserved;
    } else {
        say(context, stands.names.empty() ? fmt::format("New destination: {}, no stands available", text)
                                          : fmt::format("New destination: {}", text));
        list.emplace_back(kSelectStand);
        selector.value = kSelectStand;
    }
    list.insert(list.end(), stands.names.begin(), stands.names.end());
    selector.fillComboBox();
    gf_enableControl(selector, !stands.names.empty());
    context.ports.moveParkAirportToFront(airport);
}

std::int32_t gf_timeShiftMinutes() {
    const auto settings = gf_settings();
    return (settings->timeShiftDays * 24 + settings->timeShiftHours) * 60 + settings->timeShiftMins;
}

void gf_setTimeShiftControls(std::int32_t minutes) {
    gf_runOnGuiThread([minutes] {
        const std::int32_t days = minutes / 1440;
        const std::int32_t hours = (minutes - days * 1440) / 60;
        const std::int32_t rest = minutes - days * 1440 - hours * 60;
        const std::pair<IntListParameter*, std::int32_t> units[] = {
            {&p::TIME_SHIFT_DAYS, days}, {&p::TIME_SHIFT_HOURS, hours}, {&p::TIME_SHIFT_MINS, rest}};
        for (const auto& [unit, value] : units) {
            gf_setAndStore(*unit, value);
            unit->selectValue();
        }
        for (const auto& [unit, value] : units) {
            gf_applyParameter(unit);
        }
    });
}

void gf_applyTimeShift(const WindowContext& context, std::int32_t minutes, bool quiet, bool keepControls) {
    TrafficCommandState& state = gf_trafficCommandState();
    const bool wasInEffect = state.timeShiftInEffect.exchange(minutes > 0);
    if (!keepControls) {
        gf_setTimeShiftControls(minutes);
    }
    context.ports.setSourceTimeShifts(std::min(minutes, kMaxTimeShiftMinutes));
    if (minutes == 0 && !wasInEffect) {
        say(context, "Time shift = 0");
        return;
    }
    say(context, fmt::format("Time shifted {} minute{}", minutes, minuteSuffix(minutes)));
    if (!quiet) {
        gf_requestStop(ExitReason::new_settings, 0);
    }
}

void gf_setTimeShiftRTDirect(const WindowContext& context, std::int32_t minutes) {
    TrafficCommandState& state = gf_trafficCommandState();
    if (minutes == 0 && state.firstSetting.load()) {
        state.firstSetting.store(false);
        context.ports.setSourceTimeShifts(0);
        return;
    }
    state.timeShiftInEffect.store(minutes > 0);
    if (minutes > kMaxTimeShiftMinutes) {
        gf_logImportant("time shift is limited to 2 weeks !");
        minutes = kMaxTimeShiftMinutes;
    }
    gf_setTimeShiftControls(minutes);
    say(context, fmt::format("Time shifted {} minute{}", minutes, minuteSuffix(minutes)));
    if (state.firstSetting.exchange(false)) {
        context.ports.setSourceTimeShifts(minutes);
        return;
    }
    state.lastSimTime.store(0);
    state.timeShiftInEffect.store(false);
    gf_requestStop(ExitReason::new_settings, 0);
}

void gf_setTimeShiftRTApp(const WindowContext& context, std::int32_t minutes) {
    TrafficCommandState& state = gf_trafficCommandState();
    if (minutes == 0 && state.firstSetting.load()) {
        return;
    }
    state.timeShiftInEffect.store(minutes > 0);
    if (minutes > kMaxTimeShiftMinutes) {
        gf_logImportant("time shift is limited to 2 weeks !");
        minutes = kMaxTimeShiftMinutes;
    }
    say(context, fmt::format("Time shifted {} minute{}", minutes, minuteSuffix(minutes)));
    if (state.firstSetting.exchange(false)) {
        return;
    }
    state.lastSimTime.store(0);
    state.timeShiftInEffect.store(false);
    gf_requestStop(ExitReason::new_settings, 0);
}

void gf_followSimTime(const WindowContext& context, std::int64_t nowEpochSeconds) {
    TrafficCommandState& state = gf_trafficCommandState();
    const std::optional<std::int64_t> simTime = context.ports.simulatorTime();
    if (!simTime) {
        state.lastSimTime.store(0);
        return;
    }
    const std::int64_t last = state.lastSimTime.exchange(*simTime);
    const std::int64_t jump = *simTime - last;
    if (last != 0 && jump < 30 && jump > -30) {
        return;
    }
    const std::int64_t minutes = std::max<std::int64_t>(0, (nowEpochSeconds - *simTime) / 60);
    const auto shift = static_cast<std::int32_t>(std::min<std::int64_t>(minutes, INT32_MAX));
    if (gf_isRTDirect()) {
        gf_setTimeShiftRTDirect(context, shift);
    } else {
        gf_setTimeShiftRTApp(context, shift);
    }
}

void gf_enableTimeShiftControls(const WindowContext& context, bool enable) {
    gf_runOnGuiThread([enable] {
        for (ParameterControl* control : std::initializer_list<ParameterControl*>{
                 &p::TIME_SHIFT_DAYS, &p::TIME_SHIFT_HOURS, &p::TIME_SHIFT_MINS, &p::SIM_TIME}) {
            gf_enableControl(*control, enable);
        }
        gf_enableControl(p::BUTTON_SET, false);
    });
    if (!enable) {
        context.gui.enqueueUpdate(gui_update::TimeShiftLocked{});
    }
}

void gf_requestParkingUpdate(const WindowContext& context) {
    context.gui.showMessage(fmt::format("{} will update static parking soon ...", "VELT_P3D"), false);
    gf_disableParkingControls(context);
    context.ports.countParkingRequest();
}

void gf_waitForFirstTraffic(const WindowPorts& ports, const std::function<bool()>& running,
                            const std::function<void()>& sleepRound) {
    for (int round = 0; round < 150; ++round) {
        if (!running()) {
            return;
        }
        if (ports.latestTrafficTime() != 0) {
            return;
        }
        sleepRound();
    }
    if (ports.latestTrafficTime() == 0) {
        gf_logLine("No traffic in this region");
    }
}

void gf_stopWithError(Gui& gui, std::string_view text) {
    gui.showError(text);
    gf_requestStop(ExitReason::system_error, 0);
}

std::string lf_getTextFromId(std::uint16_t id) {
    platform::Control* control = lf_controlById(id);
    if (control == nullptr || !control->isLive()) {
        gf_logLine(fmt::format("{}: GetDlgItem failed for ID {}", "lf_getTextFromId", id));
        return {};
    }
    std::string text = control->text();
    if (!gf_isValidUtf8(text)) {
        gf_logImportant(fmt::format("{}: UTF-16 to UTF-8 failed for ID {}: {}", "lf_getTextFromId", id,
                                    "invalid UTF-8"));
        return {};
    }
    return text;
}

bool gf_checkInstallPath(const WindowContext& context, const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    const std::string shown = gf_pathToUtf8(path);
    const auto box = [&](std::string_view text, std::string_view caption, platform::MessageIcon icon) {
        if (context.dialogs != nullptr) {
            context.dialogs->messageBox(text, caption, icon);
        }
    };
    if (status.type() == std::filesystem::file_type::not_found) {
        say(context, fmt::format("This install path does not exist: '{}'", shown));
        box("This install path does not exist.", "VELT", platform::MessageIcon::stop);
        return false;
    }
    if (error) {
        say(context, fmt::format("Error {} accessing install path '{}': {}", error.value(), shown, error.message()));
        box("Error in accessing install path.", "VELT", platform::MessageIcon::stop);
        return false;
    }
    gf_setSimInstallPath(path);
    say(context, fmt::format("Okay: {}", shown));
    box("Okay!", "VELT_P3D", platform::MessageIcon::none);
    return true;
}

} // namespace kiv

#include "app/gui_shell_port.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>

#include "app/gui.h"
#include "app/main_window_controls.h"
#include "app/parking_band_flags.h"
#include "app/stop_requests.h"
#include "app/support_hint.h"
#include "app/traffic_commands.h"
#include "foundation/clock.h"
#include "foundation/icao_code.h"
#include "settings/aircraft_selector_refill.h"
#include "settings/gui_thread_changes.h"
#include "settings/settings_table.h"
#include "traffic/stand_helpers.h"
#include "traffic/traffic_state.h"

namespace kiv {
namespace {

// The four characters packed big-endian into an airport key; nothing for 0 or a key that
// is no airport code.
std::optional<IcaoCode> icaoOfKey(std::uint64_t key) {
    if (key == 0 || key > 0xFFFF'FFFFU) {
        return std::nullopt;
    }
    const char text[4] = {static_cast<char>(key >> 24), static_cast<char>(key >> 16), static_cast<char>(key >> 8),
                          static_cast<char>(key)};
    return IcaoCode::tryParse(std::string_view(text, 4));
}

std::uint64_t countFlying(const TrafficState& state) {
    return static_cast<std::uint64_t>(std::count_if(state.live.begin(), state.live.end(), [](const LiveAircraft& a) {
        return a.simState == SimState::active && a.situation != FlightSituation::parked;
    }));
}

} // namespace

GuiShellPort::GuiShellPort(Gui& gui, WindowPorts& windowPorts, TrafficState& traffic, ParkingBandFlags& parkingBand)
    : gui_(gui), windowPorts_(windowPorts), traffic_(traffic), parkingBand_(parkingBand) {}

bool GuiShellPort::gf_isRunning() const { return kiv::gf_isRunning(); }

void GuiShellPort::installStopRequest(std::uint32_t exitReason, std::uint32_t delaySeconds) {
    gf_requestStop(static_cast<ExitReason>(exitReason), delaySeconds);
}

void GuiShellPort::showMessage(const std::string& text, bool log) { gui_.showMessage(text, log); }

void GuiShellPort::enableAircraftButton() {
    gf_runOnGuiThread([] { gf_enableControl(param::BUTTON_AIRCRAFT, true); });
}

void GuiShellPort::fillAircraftList(const std::vector<std::string>& entries) {
    gf_postAircraftSelectorRefill(entries);
}

void GuiShellPort::postLiveCount(std::uint64_t count) { gui_.enqueueUpdate(gui_update::LiveCount{count}); }

void GuiShellPort::postParkCounts(std::uint64_t live, std::uint64_t statics) {
    gui_.enqueueUpdate(gui_update::ParkCounts{live, statics});
}

void GuiShellPort::postRepaint(std::uint32_t mask) {
    gui_.enqueueUpdate(gui_update::Repaint{static_cast<std::uint8_t>(mask & 0xFFU)});
}

void GuiShellPort::postExpireMessage() { gui_.enqueueUpdate(gui_update::ExpireMessage{}); }
// The traffic side has already chosen between this and the support hint.
void GuiShellPort::postClearMessage() { gui_.enqueueUpdate(gui_update::ClearMessage{}); }
void GuiShellPort::postClearError() { gui_.enqueueUpdate(gui_update::ClearError{}); }
void GuiShellPort::postStaticExtra(std::uint64_t count) { gui_.enqueueUpdate(gui_update::StaticExtra{count}); }

void GuiShellPort::postMaxPark(std::uint32_t count, std::uint32_t percent) {
    gui_.enqueueUpdate(gui_update::MaxPark{count, percent});
}

void GuiShellPort::postParkingCountdown(std::uint32_t minutes) {
    gui_.enqueueUpdate(gui_update::ParkingCountdown{minutes});
}

void GuiShellPort::postReaderStatus(std::uint32_t weather, std::uint32_t traffic) {
    gui_.enqueueUpdate(gui_update::WeatherReaderStatus{weather});
    gui_.enqueueUpdate(gui_update::TrafficReaderStatus{traffic});
}

void GuiShellPort::gf_updateGuiAircraftCounts() {
    postLiveCount(countFlying(traffic_));
    const std::uint64_t parkedLive = traffic_.ports.steps.gf_countLiveParked(traffic_, true);
    const std::int64_t statics = gf_countStaticParked(traffic_, true);
    postParkCounts(parkedLive, static_cast<std::uint64_t>(std::max<std::int64_t>(statics, 0)));
}

void GuiShellPort::gf_followSimTime() { kiv::gf_followSimTime({gui_, windowPorts_}, gf_systemUtcSeconds()); }

void GuiShellPort::gf_updateAutoRange() { kiv::gf_updateAutoRange({gui_, windowPorts_}); }

void GuiShellPort::gf_disableParkingControls() {
    gf_runOnGuiThread([this] { kiv::gf_disableParkingControls({gui_, windowPorts_}); });
}

void GuiShellPort::gf_showSupportHint() { kiv::gf_showSupportHint(gui_); }

bool GuiShellPort::airportScanReportedProblem() const { return gui_.supportHintPending(); }

void GuiShellPort::postStaticFit(float hours) { gui_.enqueueUpdate(gui_update::StaticFit{hours}); }
void GuiShellPort::setLiveFit(float hours) { gui_.setLiveFit(hours); }
void GuiShellPort::setStaticFitHidden(bool hidden) { gui_.setStaticFitHidden(hidden); }

void GuiShellPort::postParkAirport(std::uint64_t key) { gui_.enqueueUpdate(gui_update::ParkAirport{icaoOfKey(key)}); }

void GuiShellPort::postParkingUpdates(std::uint32_t count) {
    gui_.enqueueUpdate(gui_update::ParkingUpdates{count});
}

// The parking band's "# updates" counts the learned stand uses of the run.
void GuiShellPort::postLearnedChanges(std::uint32_t count) { postParkingUpdates(count); }

void GuiShellPort::setParkAirportInfo(bool hasFile, const std::string& airportName) {
    gui_.setParkAirportInfo(hasFile, airportName);
}

void GuiShellPort::setPublisher(const std::string& text, bool flag) { gui_.setPublisher(text, flag); }

void GuiShellPort::markGeneratingParking() {
    parkingBand_.active.store(true);
    parkingBand_.generating.store(true);
}

void GuiShellPort::gf_enableParkingControls() {
    // The GUI thread also clears the generating flag, through the window ports.
    gf_runOnGuiThread([this] { kiv::gf_enableParkingControls({gui_, windowPorts_}); });
}

void GuiShellPort::gf_resetParkingCountdown() { kiv::gf_resetParkingCountdown({gui_, windowPorts_}); }

void GuiShellPort::disableParkButtons() {
    parkingBand_.active.store(false);
    gf_runOnGuiThread([] { gf_enableControl(param::BUTTON_PARK, false); });
}

} // namespace kiv

#include "app/program_window_ports.h"

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

#include "airports/current_park_airport.h"
#include "airports/destination_airport_files.h"
#include "airports/known_airports.h"
#include "airports/park_airports.h"
#include "app/parking_band_flags.h"
#include "feeds/feeds_service.h"
#include "foundation/program_paths.h"
#include "simlink/sim_link.h"
#include "traffic/traffic_state.h"

namespace kiv {
namespace {

ClassSwitch switchOf(AircraftClass aircraftClass) {
    switch (aircraftClass) {
    case AircraftClass::twoProps:
        return switchTwoProps;
    case AircraftClass::light:
        return switchLight;
    case AircraftClass::helicopters:
        return switchRotorcraft;
    case AircraftClass::highPerformance:
        return switchHighPerf;
    }
    return switchHighPerf;
}

} // namespace

ProgramWindowPorts::ProgramWindowPorts(TrafficState& traffic, ParkingBandFlags& parkingBand, FeedsService& feeds,
                                       const SimLink& link, ShellCallbacks callbacks)
    : traffic_(traffic), parkingBand_(parkingBand), feeds_(feeds), link_(link), callbacks_(std::move(callbacks)) {}

void ProgramWindowPorts::requestFlushStatics() { traffic_.removeAllStaticRequest.store(true); }
void ProgramWindowPorts::requestAircraftList() { traffic_.aircraftListRequest.store(true); }

void ProgramWindowPorts::removeAircraftClass(AircraftClass aircraftClass) {
    traffic_.classSwitchSignals[switchOf(aircraftClass)].store(true);
}

void ProgramWindowPorts::maxLiveChanged() { traffic_.maxLiveChanged.store(true); }
void ProgramWindowPorts::maxParkChanged() { traffic_.maxParkChanged.store(true); }
// Aircraft that found no livery at the old depth may find one now.
void ProgramWindowPorts::matchingDepthRaised() { traffic_.failedSpawnResetRequest.store(true); }
void ProgramWindowPorts::setNavLightsWhileParked(bool on) { traffic_.navLightsSignal.store(on ? 1 : 0); }
void ProgramWindowPorts::raiseBlockChanged() { traffic_.blockRequest.store(true); }

// With RT parked traffic only switched on, the next plan replaces every learned static aircraft.
void ProgramWindowPorts::countParkingOptionChange(bool rtParkedOnly) {
    ParkingRequests& requests = traffic_.parkingRequests;
    const std::lock_guard lock(requests.mutex);
    ++requests.replaceAllRequests;
    requests.replaceAllPending = rtParkedOnly;
}

void ProgramWindowPorts::countParkingRequest() { gf_requestParkingUpdate(traffic_); }

// The loop owns the countdown; it takes the new value at its next second.
void ProgramWindowPorts::setParkingCountdown(std::int32_t minutes) {
    traffic_.parkingIntervalSignal.store(std::max(minutes, 0));
}

void ProgramWindowPorts::clearParkingGenerating() { parkingBand_.generating.store(false); }
bool ProgramWindowPorts::parkingActive() const { return parkingBand_.active.load(); }
void ProgramWindowPorts::clearParkAirportRecord() { gf_clearCurrentParkAirport(); }

bool ProgramWindowPorts::rtAppServerRunning() const { return feeds_.rtAppServerRunning(); }
void ProgramWindowPorts::closeRtAppServer() { feeds_.closeRtAppServer(); }
void ProgramWindowPorts::requestRtAppParkedTraffic() { feeds_.gf_requestRTAppParkedTraffic(); }
void ProgramWindowPorts::setSourceTimeShifts(std::int32_t minutes) { feeds_.setRTDirectTimeShift(minutes); }

// The query box follows the range of the settings snapshot, which the caller has set.
void ProgramWindowPorts::rtDirectRangeChanged(std::int32_t) { feeds_.gf_updateRTAPIQueryBox(); }

bool ProgramWindowPorts::sourceConnected() const { return feeds_.sourceConnected(); }
std::int64_t ProgramWindowPorts::latestTrafficTime() const { return feeds_.latestTrafficTime(); }

bool ProgramWindowPorts::isKnownAirport(const IcaoCode& code) const { return gf_findKnownAirport(code).has_value(); }

StandsRead ProgramWindowPorts::readStands(const IcaoCode& code) {
    auto read = gf_readApfForStands(code);
    StandsRead result;
    if (!read) {
        result.error = read.error();
        return result;
    }
    result.ok = true;
    result.names.assign(read->begin(), read->end());
    std::sort(result.names.begin(), result.names.end());
    return result;
}

std::string ProgramWindowPorts::parkAirportStand(const IcaoCode& code) {
    return gf_parkAirportStand(code).value_or(std::string());
}

bool ProgramWindowPorts::setReservedStand(const IcaoCode& code, const std::string& stand) {
    return gf_reserveParkAirportStand(code, stand);
}

void ProgramWindowPorts::moveParkAirportToFront(const IcaoCode& code) {
    const std::optional<KnownAirport> known = gf_findKnownAirport(code);
    gf_moveParkAirportToFront(code, known ? Lalo{known->latitude, known->longitude} : Lalo{});
}

std::uint8_t ProgramWindowPorts::simLinkState() const {
    return static_cast<std::uint8_t>(std::clamp(link_.simulatorState(), 0, 255));
}

UserAltitude ProgramWindowPorts::userAltitude() const {
    const std::shared_ptr<const UserAircraftState> user = traffic_.publishedUser.load();
    return {user->onGround, user->altitudeFt};
}

std::optional<std::int64_t> ProgramWindowPorts::simulatorTime() const { return link_.simulatorUtcSeconds(); }

bool ProgramWindowPorts::openTbloArchiveFolder() {
    return callbacks_.openInFileManager && callbacks_.openInFileManager(gf_paths().supportFolder / "tblo.zip");
}

void ProgramWindowPorts::startMainWorker() {
    if (callbacks_.startMainWorker) {
        callbacks_.startMainWorker();
    }
}

void ProgramWindowPorts::joinMainWorker() {
    if (callbacks_.joinMainWorker) {
        callbacks_.joinMainWorker();
    }
}

int ProgramWindowPorts::exitCode() const { return callbacks_.exitCode ? callbacks_.exitCode() : 0; }

} // namespace kiv

#include "traffic/batch_intake.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "foundation/log.h"
#include "traffic/aircraft_removal.h"
#include "traffic/detail/geo.h"
#include "traffic/detail/settings_access.h"
#include "traffic/traffic_exception.h"
#include "traffic/traffic_state.h"

namespace kiv {
namespace {

constexpr double kNoParkAirportAltitudeFt = -1000.0;
constexpr double kParkAltitudeBandFt = 120.0;

double parkAltitudeFt(const TrafficState& state) {
    return state.ports.airports.gf_parkAirportAltitude().value_or(kNoParkAirportAltitudeFt);
}

// Ground traffic at the park airport: below 10000 ft and within the band around its altitude.
bool nearParkAirportGround(double altitudeFt, double parkAltitude) {
    return altitudeFt > 0.0 && altitudeFt < 10000.0 && std::fabs(altitudeFt - parkAltitude) <= kParkAltitudeBandFt;
}

double cleanSpeed(double knots) { return std::isfinite(knots) && knots >= 0.0 ? knots : 0.0; }

bool isGroundTrackJump(double distanceNm, double dt, double recordSpeed, double sampleSpeed) {
    if (!std::isfinite(distanceNm * 1852.0) || !std::isfinite(dt) || distanceNm < 0.0 || dt <= 0.0) {
        return false;
    }
    const double speed = distanceNm / dt * 3600.0;
    const double ref = std::max(cleanSpeed(recordSpeed), cleanSpeed(sampleSpeed));
    return (ref <= 5.0 && speed > 30.0) || speed > std::max(3.0 * ref, 60.0);
}

bool thinnedOut(const TrafficRecord& record, double dt, double dTrack) {
    const double speed = record.sample.groundSpeedKt;
    if (record.sample.airborne != 0) {
        return speed > 120.0 && dTrack <= 1.0 && dt <= (450.0 / 1852.0) / (speed / 3600.0);
    }
    if (speed <= 30.0 && dTrack <= 2.0) {
        const double limit = speed == 0.0 ? 15.0 : std::min((20.0 / 1852.0) / (speed / 3600.0), 15.0);
        return dt <= limit;
    }
    return false;
}

bool bufferAccepts(const TrafficState& state, const TrafficRecord& record) {
    const double altitude = record.sample.altitudeFt;
    return altitude >= 10000.0 || altitude <= 0.0 || std::fabs(altitude - parkAltitudeFt(state)) > kParkAltitudeBandFt;
}

void removeJumping(TrafficState& state, std::size_t index, const TrafficRecord& record) {
    if (record.hexId != 0 && gf_isValidLalo(record.sample.latitude, record.sample.longitude) &&
        std::isfinite(record.timestamp)) {
        state.ports.steps.enterJumpQuarantine(state, record);
    }
    removeAircraftFromSim(state, state.live[index]);
}

void accept(TrafficState& state, std::size_t index, const TrafficRecord& record) {
    LiveAircraft& aircraft = state.live[index];
    if (!state.ports.steps.lf_checkRespawn(state, aircraft, record)) {
        return;
    }
    aircraft.lastRecordTime = record.timestamp;
    state.ports.steps.decodeExisting(state, aircraft, record.sample);
}

void decodeKnown(TrafficState& state, std::size_t index, const TrafficRecord& record) {
    const LiveAircraft& aircraft = state.live[index];
    if (!aircraft.samples.empty()) {
        const StreamSample& newest = aircraft.samples.back();
        const double dt = record.timestamp - aircraft.lastRecordTime;
        const double distance =
            detail::distanceNm(newest.latitude, newest.longitude, record.sample.latitude, record.sample.longitude);
        const double dTrack = std::fabs(record.sample.trackDeg - newest.trackDeg);
        const bool jump = aircraft.situation == FlightSituation::taxi && newest.airborne == 0 &&
                          record.sample.airborne == 0 &&
                          isGroundTrackJump(distance, dt, record.sample.groundSpeedKt, newest.groundSpeedKt);
        if (record.timestamp == aircraft.lastRecordTime || dt <= 1.0) {
            return;
        }
        if (jump) {
            removeJumping(state, index, record);
            return;
        }
        if (aircraft.holdCount < 1 && thinnedOut(record, dt, dTrack)) {
            return;
        }
    }
    if (aircraft.simState == SimState::buffer && !bufferAccepts(state, record)) {
        return;
    }
    accept(state, index, record);
}

bool twinOfKnownAircraft(const TrafficState& state, const TrafficRecord& record) {
    return std::any_of(state.live.begin(), state.live.end(), [&](const LiveAircraft& aircraft) {
        return aircraft.info.head.callsign == record.head.callsign &&
               aircraft.info.head.liveryKey.modelId == record.head.liveryKey.modelId;
    });
}

void decodeNew(TrafficState& state, const TrafficRecord& record) {
    if (!record.head.callsign.empty() && !state.live.empty() && twinOfKnownAircraft(state, record)) {
        return;
    }
    TrafficRecord copy = record;
    ModelsPort& models = state.ports.models;
    if (std::optional<LiveryKey> key = models.gf_lookupRegistration(copy.head.registration)) {
        copy.head.liveryKey = *key;
    }
    if (!models.gf_isKnownModelCode(models.modelCode(copy.head.liveryKey.modelId))) {
        return;
    }
    lf_createLiveAircraft(state, std::move(copy));
}

void decodeRecord(TrafficState& state, const TrafficRecord& record) {
    if (record.hexId <= kHighestStaticHexId) {
        // That range names static parked aircraft everywhere else; a live record there would be
        // taken for one.
        gf_logLine(fmt::format("decodeMessage: {} with hexid {} dropped, not a live address", record.head.callsign,
                               record.hexId));
        return;
    }
    const std::ptrdiff_t found = gf_findLiveIndex(state, record.hexId);
    if (found < 0) {
        decodeNew(state, record);
        return;
    }
    const auto index = static_cast<std::size_t>(found);
    switch (state.live[index].simState) {
    case SimState::liveryrespawn:
        return;
    case SimState::removingfromsim:
        if (state.jumpQuarantine.contains(record.hexId)) {
            state.ports.steps.lf_jumpQuarantineReleases(state, record);
        }
        return;
    case SimState::buffer:
    case SimState::adding2sim:
    case SimState::active:
        decodeKnown(state, index, record);
        return;
    }
}

} // namespace

bool gf_isSizeClassIncluded(SizeClass sizeClass) {
    const auto settings = detail::settings();
    switch (sizeClass) {
    case SizeClass::Light:
        return settings->lightAircraft;
    case SizeClass::TwoProps:
        return settings->twoProps;
    case SizeClass::HighPerf:
        return settings->highPerfAircraft;
    case SizeClass::Rotorcraft:
        return settings->helicopters;
    case SizeClass::Bizjet:
    case SizeClass::Large:
    case SizeClass::Heavy:
        return true;
    }
    return false;
}

void decodeMessage(TrafficState& state, const TrafficRecord& record) {
    // One record that a step cannot take must not end the tick nor cost the other records of
    // its batch (on a feed thread at start-up, the rest of a history buffer).
    try {
        decodeRecord(state, record);
    } catch (...) {
        gf_reportTrafficException("decodeMessage");
    }
}

void lf_createLiveAircraft(TrafficState& state, TrafficRecord record) {
    if (record.hexId == 0) {
        return;
    }
    if (state.jumpQuarantine.contains(record.hexId) && !state.ports.steps.lf_jumpQuarantineReleases(state, record)) {
        return;
    }
    ModelsPort& models = state.ports.models;
    if (!gf_isSizeClassIncluded(models.gf_sizeClassOfModel(record.head.liveryKey.modelId))) {
        return;
    }
    if (nearParkAirportGround(record.sample.altitudeFt, parkAltitudeFt(state))) {
        return;
    }
    record.head.prevCallsign = record.head.callsign;
    record.head.thirdText.clear();
    record.head.word = 0;
    AircraftInfo info = gf_makeAircraftInfo(models, record.head);
    info.hexId = record.hexId;
    gf_setLiveClassValues(info);
    state.live.emplace_back(record.sample, std::move(info), record.timestamp, WeekdaySlot{state.currentSlot.load()});
}

} // namespace kiv

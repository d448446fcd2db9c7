// The per-tick update of a live aircraft and the intake of a new sample for an aircraft
// already in the live table, with the filters by flight situation.
#include <algorithm>
#include <cmath>
#include <exception>
#include <numbers>

#include <fmt/format.h>

#include "foundation/log.h"
#include "traffic/aircraft_commands.h"
#include "traffic/aircraft_removal.h"
#include "traffic/aircraft_text.h"
#include "traffic/detail/geo.h"
#include "traffic/detail/settings_access.h"
#include "traffic/live_update_steps.h"
#include "traffic/park_stands.h"
#include "traffic/traffic_exception.h"
#include "traffic/traffic_state.h"

namespace kiv {
namespace {

constexpr std::size_t kMaxStreamSamples = 200;
constexpr double kMetresPerNm = 1852.0;
constexpr double kSamePositionDeg = 1e-8;
constexpr double kNearPositionDeg = 0.00015;
constexpr std::int32_t kTicksPerSecond = 100;
constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kHalfPi = std::numbers::pi / 2.0;

// The tick counter has reached `due` (both wrap like the counter).
bool reached(std::int32_t now, std::int32_t due) noexcept { return gf_ticksAfter(now, -due) >= 0; }
// Ticks from `from` to `to`, negative when `to` is earlier.
std::int32_t ticksBetween(std::int32_t from, std::int32_t to) noexcept { return gf_ticksAfter(to, -from); }

bool samePosition(const StreamSample& a, const StreamSample& b) noexcept {
    return std::fabs(a.latitude - b.latitude) < kSamePositionDeg &&
           std::fabs(a.longitude - b.longitude) < kSamePositionDeg;
}

double distanceNm(const StreamSample& a, const StreamSample& b) {
    return detail::distanceNm(a.latitude, a.longitude, b.latitude, b.longitude);
}

std::string positionText(const AiPose& pose) { return fmt::format("{:.6f},{:.6f}", pose.latitude, pose.longitude); }

bool finitePose(const AiPose& pose) {
    return std::isfinite(pose.latitude) && std::isfinite(pose.longitude) && std::isfinite(pose.pitchRad) &&
           std::isfinite(pose.bankRad) && std::isfinite(pose.headingRad) && std::isfinite(pose.altitudeFt) &&
           std::isfinite(pose.verticalSpeedFpm) && std::isfinite(pose.trueAirspeedKt);
}

void removeReporting(TrafficState& state, LiveAircraft& aircraft, const char* operation) {
    try {
        removeAircraftFromSim(state, aircraft);
    } catch (...) {
        gf_reportTrafficException(operation);
    }
}

void publishPose(TrafficState& state, const LiveAircraft& aircraft) {
    AiPose pose = aircraft.pose;
    if (!finitePose(pose)) {
        return;
    }
    pose.pitchRad = std::clamp(pose.pitchRad, -kHalfPi, kHalfPi);
    pose.bankRad = std::clamp(pose.bankRad, -kHalfPi, kHalfPi);
    pose.headingRad = std::fmod(pose.headingRad, kTwoPi);
    if (pose.headingRad < 0.0) {
        pose.headingRad += kTwoPi;
    }
    if (pose.headingRad >= kTwoPi) {
        pose.headingRad = 0.0;
    }
    state.tickPoses.emplace_back(aircraft.objectId, pose);
}

// Along-track offset in metres of `to` seen from `from` along the aircraft's heading.
double alongTrackM(const TrafficState& state, const LiveAircraft& aircraft, const StreamSample& from,
                   const StreamSample& to) {
    return state.ports.motion
        .gf_relativePosition({from.latitude, from.longitude}, aircraft.pose.headingRad, {to.latitude, to.longitude})
        .alongTrackM;
}

// Drops up to two samples at the end of the stream that the new sample lies more than
// `limitM` behind, never the last one left.
void dropSamplesBehind(const TrafficState& state, LiveAircraft& aircraft, const StreamSample& sample, double limitM) {
    for (int dropped = 0; dropped < 2 && aircraft.samples.size() >= 2; ++dropped) {
        if (alongTrackM(state, aircraft, aircraft.samples.back(), sample) >= -limitM) {
            return;
        }
        aircraft.samples.pop_back();
    }
}

// A departure sample that the stand watch held back (for the first move or the lights to
// settle) starts the pushback once its release tick is reached.
void releaseDeferredDeparture(TrafficState& state, LiveAircraft& aircraft, std::int32_t now) {
    DepartureWatch& watch = aircraft.standWork.departure;
    if (aircraft.situation != FlightSituation::parked || watch.deferred == 0 || !reached(now, watch.releaseTick)) {
        return;
    }
    StreamSample sample = watch.deferredSample;
    watch.deferred = 0;
    state.ports.steps.lf_beginStandDeparture(state, aircraft, sample, 0);
    if (!aircraft.samples.empty()) {
        const std::int32_t last = aircraft.samples.back().deliveryTick;
        if (!reached(sample.deliveryTick, gf_ticksAfter(last, 1))) {
            sample.deliveryTick = gf_ticksAfter(last, 1);
        }
    }
    aircraft.samples.push_back(sample);
}

// While the aircraft is pushing back its samples only move the reference from which the end
// of the pushback is judged; the confirmation starts afresh from there.
void rememberPushbackReference(LiveAircraft& aircraft, const StreamSample& sample) {
    PushbackReference& pushback = aircraft.standWork.pushback;
    pushback.reference = {sample.latitude, sample.longitude};
    pushback.referenceSet = 1;
    pushback.confirmationSet = 0;
    pushback.counter = 0;
}

void clearLandingWords(LiveAircraft& aircraft) {
    aircraft.landingStage = 0;
    aircraft.landingReportPending = 0;
    aircraft.touchedDown = 0;
    aircraft.heightLatched = 0;
}

} // namespace

void gf_setSituation(TrafficState& state, LiveAircraft& aircraft, FlightSituation situation) {
    if (situation == aircraft.situation) {
        return;
    }
    if (aircraft.situation == FlightSituation::landing) {
        clearLandingWords(aircraft);
    }
    aircraft.earlierSituation = aircraft.previousSituation;
    aircraft.previousSituation = aircraft.situation;
    aircraft.situation = situation;
    aircraft.situationTick = static_cast<std::uint32_t>(state.tickCount.load());
}

void gf_resetHold(LiveAircraft& aircraft) {
    aircraft.holdCount = 0;
    aircraft.holdTicks1 = 2700;
    aircraft.holdTicks2 = aircraft.situation == FlightSituation::takeoff_roll ? 4500 : 2700;
    aircraft.proximityCompanion = 0;
    aircraft.proximityCheck = 0;
}

bool LiveUpdateSteps::updateLiveAc(TrafficState& state, LiveAircraft& aircraft) {
    try {
        state.ports.steps.lf_finishJetwayWaitRemoval(state, aircraft);
        if (aircraft.simState == SimState::buffer) {
            lf_checkSpawnLiveAc(state, aircraft);
        } else if (aircraft.simState == SimState::active) {
            if (aircraft.samples.empty()) {
                gf_logImportant(fmt::format("{} stream empty ? {}, hexid:{:x}, objectid:{}, alt:{:.0f} ft, lalo:{}, "
                                            "TAS:{:.0f}",
                                            "updateLiveAc", aircraft, aircraft.info.hexId, aircraft.objectId,
                                            aircraft.pose.altitudeFt, positionText(aircraft.pose),
                                            aircraft.pose.trueAirspeedKt));
                removeAircraftFromSim(state, aircraft);
                return aircraft.removed != 0 || aircraft.creationCancelled != 0;
            }
            const std::int32_t now = state.tickCount.load();
            releaseDeferredDeparture(state, aircraft, now);
            if (reached(now, aircraft.samples.front().deliveryTick)) {
                state.ports.motion.nextPosMain(state, aircraft);
                const bool stationary = !aircraft.samples.empty() && aircraft.samples.front().stationary != 0;
                aircraft.pose.trueAirspeedKt = stationary ? 0.0 : aircraft.speedKt;
                if (aircraft.simState != SimState::active) {
                    return aircraft.removed != 0 || aircraft.creationCancelled != 0;
                }
            }
            if (!aircraft.samples.empty() && aircraft.samples.front().stationary == 0) {
                state.ports.motion.gf_nextPosCurve(state, aircraft);
            }
            if (aircraft.objectId == 0) {
                gf_logLine(fmt::format("{} objectid=0? hexid: {:x},cs:{}, reg:{}, aimo:{} sz:{}", "updateLiveAc",
                                       aircraft.info.hexId, aircraft.info.head.callsign,
                                       aircraft.info.head.registration, lf_liveryKeyText(aircraft.info.head.liveryKey),
                                       aircraft.samples.size()));
                removeAircraftFromSim(state, aircraft);
            } else {
                publishPose(state, aircraft);
            }
        }
    } catch (const std::exception& e) {
        try {
            gf_logImportant(fmt::format("{}: {} {}, sz:{}, fs:{}, st:{}", "updateLiveAc", e.what(), aircraft,
                                        aircraft.samples.size(), gf_flightSituationName(aircraft.situation),
                                        gf_simStateName(aircraft.simState)));
        } catch (...) {
            gf_reportTrafficException("updateLiveAc");
        }
    } catch (...) {
        gf_reportTrafficException("updateLiveAc");
    }
    return aircraft.removed != 0 || aircraft.creationCancelled != 0;
}

void LiveUpdateSteps::noMoreNextPos(TrafficState& state, LiveAircraft& aircraft) {
    removeReporting(state, aircraft, "noMoreNextPos");
}

void LiveUpdateSteps::decodeExisting(TrafficState& state, LiveAircraft& aircraft, const StreamSample& incoming) {
    StreamSample sample = incoming;
    try {
        if (aircraft.samples.size() > kMaxStreamSamples) {
            removeReporting(state, aircraft, "decodeExisting");
            return;
        }
        if (aircraft.proximityCheck != 0 && aircraft.situation == FlightSituation::taxi &&
            !aircraft.samples.empty()) {
            const double metres = distanceNm(aircraft.samples.front(), sample) * kMetresPerNm;
            if (metres > static_cast<double>(detail::settings()->holdingThresholdMetres)) {
                gf_resetHold(aircraft);
                removeReporting(state, aircraft, "decodeExisting");
                return;
            }
        }
        if (aircraft.situation == FlightSituation::birth) {
            if (aircraft.samples.empty() || !lf_acceptNewSample(state, aircraft, sample)) {
                return;
            }
            const StreamSample& last = aircraft.samples.back();
            if (!reached(sample.deliveryTick, gf_ticksAfter(last.deliveryTick, 1))) {
                sample.deliveryTick = gf_ticksAfter(last.deliveryTick, 1);
            }
            aircraft.samples.push_back(sample);
            return;
        }
        if (!checkExtendingSituations(state, aircraft, sample)) {
            return;
        }
        if (sample.airborne != 0 && std::isfinite(sample.altitudeFt) && sample.altitudeFt > 0.0) {
            aircraft.latestAirborneAltitude = sample.altitudeFt;
        }
        if (aircraft.samples.empty()) {
            aircraft.samples.push_back(sample);
            return;
        }
        if (sample.airborne == 0 && aircraft.samples.back().stationary != 0) {
            std::deque<StreamSample>& stream = aircraft.samples;
            if (sample.stationary != 0) {
                const bool allStationary =
                    std::all_of(stream.begin(), stream.end(), [](const StreamSample& s) { return s.stationary != 0; });
                if (allStationary && stream.size() >= 2) {
                    stream.resize(1);
                }
            } else if (stream.size() >= 3) {
                const std::size_t lowest = std::max<std::size_t>(1, stream.size() >= 7 ? stream.size() - 7 : 0);
                for (std::size_t j = stream.size() - 2; j >= lowest; --j) {
                    if (stream[j].stationary != 0) {
                        if (j == lowest) {
                            break;
                        }
                        continue;
                    }
                    const std::int32_t ticks = ticksBetween(stream[j].deliveryTick, sample.deliveryTick);
                    const double seconds = static_cast<double>(ticks) / kTicksPerSecond;
                    if (ticks > 0 && seconds <= 22.0 && distanceNm(stream[j], sample) * 3600.0 / seconds <= 35.0) {
                        stream.resize(j + 1);
                    }
                    break;
                }
            }
        }
        const StreamSample& last = aircraft.samples.back();
        if (!reached(sample.deliveryTick, gf_ticksAfter(last.deliveryTick, 1))) {
            sample.deliveryTick = gf_ticksAfter(last.deliveryTick, 1);
        }
        if (last.airborne != 0 && sample.airborne != 0) {
            TakeoffInput input;
            input.distanceM = distanceNm(last, sample) * kMetresPerNm;
            input.durationS =
                static_cast<double>(ticksBetween(last.deliveryTick, sample.deliveryTick)) / kTicksPerSecond;
            input.speedAKt = last.groundSpeedKt;
            input.speedBKt = sample.groundSpeedKt;
            input.sizeClass = aircraft.info.sizeClass;
            const TakeoffPerformance performance = state.ports.motion.gf_takeoffPerformance(input);
            if (performance.tooFast != 0 && std::isfinite(performance.minimumTimeS)) {
                const auto ticks = static_cast<std::int32_t>(
                    std::max(25.0, std::ceil(std::min(performance.minimumTimeS, 1e6) * kTicksPerSecond)));
                sample.deliveryTick = gf_ticksAfter(last.deliveryTick, ticks);
            }
        }
        if (aircraft.onGround != 0 && aircraft.simState == SimState::active &&
            aircraft.situation != FlightSituation::takeoff_roll) {
            const bool bothAirborne = last.airborne != 0 && sample.airborne != 0;
            if (aircraft.situation == FlightSituation::landing_roll && bothAirborne) {
                state.ports.motion.gf_startTakeoffRoll(state, aircraft);
            } else if (aircraft.situation == FlightSituation::taxi &&
                       aircraft.previousSituation == FlightSituation::landing_roll && aircraft.afterLanding != 0) {
                if (bothAirborne && sample.altitudeFt >= last.altitudeFt + 50.0) {
                    state.ports.motion.gf_startTakeoffRoll(state, aircraft);
                }
            } else if (aircraft.afterLanding == 0 && aircraft.situation == FlightSituation::taxi &&
                       (sample.airborne != 0 || (last.groundSpeedKt >= 43.0 && sample.groundSpeedKt >= 43.0))) {
                clearLandingWords(aircraft);
                if (aircraft.towed != 0) {
                    gf_logLine(fmt::format("towed aircraft takes-off? {}", aircraft));
                }
                gf_setSituation(state, aircraft, FlightSituation::takeoff_roll);
                gf_setThrottle(state, aircraft, 0);
                gf_setSpoilers(state, aircraft, 0);
                gf_setFlaps(state, aircraft, 1);
                state.ports.link.gf_setAllLights(aircraft.objectId, {1, 1, 1, 1, 1, 1, 0});
                aircraft.holdTicks1 = 2700;
                aircraft.holdTicks2 = 4500;
            }
        }
        aircraft.samples.push_back(sample);
        if (aircraft.samples.size() == 2 && aircraft.samples[0].stationary != 0 &&
            aircraft.samples[1].stationary != 0) {
            aircraft.samples[0].deliveryTick = gf_ticksAfter(state.tickCount.load(), 1);
            aircraft.samples[0].groundSpeedKt = aircraft.samples[1].groundSpeedKt;
        }
    } catch (const std::exception& e) {
        gf_logImportant(fmt::format("{} exception {}", "decodeExisting", e.what()));
        throw;
    }
}

bool LiveUpdateSteps::checkExtendingSituations(TrafficState& state, LiveAircraft& aircraft, StreamSample& sample) {
    const bool created = aircraft.simState != SimState::buffer && aircraft.simState != SimState::adding2sim;
    switch (aircraft.situation) {
    case FlightSituation::parked:
        return created && state.ports.steps.checkAtStandSituations(state, aircraft, sample);
    case FlightSituation::parking: {
        const double nm = detail::distanceNm(sample.latitude, sample.longitude, aircraft.standLat, aircraft.standLon);
        if (created && nm > 200.0 / kMetresPerNm) {
            gf_setSituation(state, aircraft, FlightSituation::taxi);
            sample.stationary = 0;
            return true;
        }
        return false;
    }
    case FlightSituation::pushing_back:
        rememberPushbackReference(aircraft, sample);
        return false;
    case FlightSituation::pushed_back:
        return state.ports.steps.lf_checkPushedBack(state, aircraft, sample);
    case FlightSituation::landing:
    case FlightSituation::landing_roll:
        return checkNewPosDuringLanding(state, aircraft, sample);
    case FlightSituation::takeoff_roll:
    case FlightSituation::takeoff:
        return checkNewPosDuringTakeoff(state, aircraft, sample);
    case FlightSituation::taxi:
    case FlightSituation::flying:
    case FlightSituation::birth:
        break;
    }
    if (!lf_acceptNewSample(state, aircraft, sample)) {
        return false;
    }
    if (aircraft.holdCount <= 0) {
        return true;
    }
    if (aircraft.samples.empty()) {
        gf_logLine(fmt::format("{} empty sz?", "checkExtendingSituations"));
        return false;
    }
    if (aircraft.onGround == 0) {
        const RelativePosition relative = state.ports.motion.gf_relativePosition(
            {aircraft.pose.latitude, aircraft.pose.longitude}, aircraft.pose.headingRad,
            {sample.latitude, sample.longitude});
        if (relative.distanceM > 0.1 && relative.alongTrackM < -50.0) {
            return false;
        }
    }
    gf_resetHold(aircraft);
    aircraft.airborneExtension = 0;
    aircraft.samples.front().deliveryTick = gf_ticksAfter(state.tickCount.load(), 1);
    return true;
}

bool LiveUpdateSteps::lf_acceptNewSample(TrafficState&, LiveAircraft& aircraft, StreamSample& sample) {
    if (aircraft.samples.empty()) {
        return true;
    }
    const StreamSample& last = aircraft.samples.back();
    const bool stationary = samePosition(sample, last);
    sample.stationary = stationary ? 1 : 0;
    if (aircraft.info.sizeClass == SizeClass::Rotorcraft) {
        return true;
    }
    const bool inAir = aircraft.simState == SimState::active && aircraft.onGround == 0;
    const bool rolling = aircraft.situation == FlightSituation::takeoff_roll;
    if (stationary) {
        if (sample.airborne != 0 || inAir) {
            return false;
        }
        if (rolling && sample.groundSpeedKt > 0.0 && last.groundSpeedKt >= 30.0) {
            return false;
        }
        sample.groundSpeedKt = 0.0;
        return true;
    }
    if (std::fabs(sample.latitude - last.latitude) < kNearPositionDeg &&
        std::fabs(sample.longitude - last.longitude) < kNearPositionDeg) {
        if (sample.airborne != 0 || inAir) {
            return false;
        }
        if (rolling && sample.groundSpeedKt > 0.0 && last.groundSpeedKt >= 50.0) {
            return false;
        }
        sample = last;
        sample.stationary = 1;
        sample.groundSpeedKt = 0.0;
        return true;
    }
    if (std::isnan(sample.groundSpeedKt) || sample.groundSpeedKt != 0.0) {
        return true;
    }
    if (!rolling && sample.airborne == 0) {
        return true;
    }
    return last.groundSpeedKt < 50.0;
}

bool LiveUpdateSteps::checkNewPosDuringLanding(TrafficState& state, LiveAircraft& aircraft, StreamSample& sample) {
    if (aircraft.samples.empty()) {
        gf_logLine(fmt::format("{} empty sz?", "checkNewPosDuringLanding"));
        return false;
    }
    if (samePosition(sample, aircraft.samples.back())) {
        return false;
    }
    const bool landing = aircraft.situation == FlightSituation::landing;
    if (aircraft.samples.size() >= 2) {
        dropSamplesBehind(state, aircraft, sample, 20.0);
    } else {
        const double along = alongTrackM(state, aircraft, aircraft.samples.back(), sample);
        if (landing && along < -20.0) {
            return false;
        }
        if (!landing && along < -10.0) {
            if (aircraft.holdCount > 0) {
                return false;
            }
            StreamSample& only = aircraft.samples.front();
            only.latitude = aircraft.pose.latitude;
            only.longitude = aircraft.pose.longitude;
            only.deliveryTick = gf_ticksAfter(state.tickCount.load(), 1);
        }
    }
    if (aircraft.holdCount > 0) {
        gf_resetHold(aircraft);
    }
    const StreamSample& last = aircraft.samples.back();
    sample.stationary = samePosition(sample, last) ? 1 : 0;
    if (sample.stationary != 0) {
        return true;
    }
    if (landing && sample.airborne == 0 && sample.groundSpeedKt > last.groundSpeedKt && sample.groundSpeedKt > 40.0) {
        sample.groundSpeedKt = last.groundSpeedKt;
    }
    return true;
}

bool LiveUpdateSteps::checkNewPosDuringTakeoff(TrafficState& state, LiveAircraft& aircraft, StreamSample& sample) {
    if (aircraft.samples.empty()) {
        gf_logLine(fmt::format("{} empty sz?", "checkNewPosDuringTakeoff"));
        return false;
    }
    if (samePosition(sample, aircraft.samples.back())) {
        return false;
    }
    const double limitM = aircraft.situation == FlightSituation::takeoff_roll ? 10.0 : 25.0;
    if (aircraft.samples.size() >= 2) {
        dropSamplesBehind(state, aircraft, sample, limitM);
    } else if (alongTrackM(state, aircraft, aircraft.samples.back(), sample) < -limitM) {
        return false;
    }
    if (!lf_takeoffSampleReachable(state, aircraft, sample, limitM)) {
        return false;
    }
    if (aircraft.holdCount > 0) {
        gf_resetHold(aircraft);
    }
    aircraft.airborneExtension = 0;
    const StreamSample& last = aircraft.samples.back();
    sample.stationary = samePosition(sample, last) ? 1 : 0;
    if (last.groundSpeedKt > sample.groundSpeedKt && last.groundSpeedKt > 40.0) {
        sample.groundSpeedKt = last.groundSpeedKt;
    }
    return true;
}

bool LiveUpdateSteps::lf_takeoffSampleReachable(TrafficState& state, const LiveAircraft& aircraft,
                                                const StreamSample& sample, double limitM) {
    if (aircraft.airborneExtension == 0 || aircraft.holdCount < 1 || aircraft.onGround != 0) {
        return true;
    }
    const std::int32_t now = state.tickCount.load();
    const bool justAirborne =
        aircraft.situation == FlightSituation::flying && aircraft.previousSituation == FlightSituation::takeoff &&
        ticksBetween(static_cast<std::int32_t>(aircraft.situationTick), now) <= 3000;
    if (aircraft.situation != FlightSituation::takeoff && !justAirborne) {
        return true;
    }
    if (!reached(sample.deliveryTick, gf_ticksAfter(now, 2))) {
        return false;
    }
    const RelativePosition relative = state.ports.motion.gf_relativePosition(
        {aircraft.pose.latitude, aircraft.pose.longitude}, aircraft.pose.headingRad,
        {sample.latitude, sample.longitude});
    if (relative.distanceM <= 0.1 || relative.alongTrackM < -limitM) {
        return false;
    }
    const double seconds = static_cast<double>(ticksBetween(now, sample.deliveryTick)) / kTicksPerSecond;
    if (seconds < 1.0) {
        return true;
    }
    const double lastSpeed = aircraft.samples.empty() ? 0.0 : aircraft.samples.back().groundSpeedKt;
    const double reference = lastSpeed > 1.0 ? lastSpeed : sample.groundSpeedKt;
    const bool light = aircraft.info.sizeClass == SizeClass::Light;
    // The lower limit is the slowest reference speed judged, the upper the speed that is
    // plausible at any reference.
    const double lowerKt = light ? 35.0 : 100.0;
    const double upperKt = light ? 55.0 : 120.0;
    if (!std::isfinite(relative.distanceM) || !std::isfinite(seconds) || !std::isfinite(reference) ||
        relative.distanceM <= 1.0 || seconds < 5.0 || reference < lowerKt) {
        return true;
    }
    const double requiredKt = relative.distanceM / seconds * 3600.0 / kMetresPerNm;
    if (requiredKt >= upperKt) {
        return true;
    }
    return requiredKt >= 0.65 * reference;
}

void LiveUpdateSteps::lf_queueFlightPlan(TrafficState& state, LiveAircraft& aircraft) {
    const Route& route = aircraft.info.head.route;
    if (route.origin.key == 0 || route.destination.key == 0) {
        return;
    }
    SimLinkPort& link = state.ports.link;
    const std::optional<std::filesystem::path> folder = link.gf_flightPlanFolder();
    bool written = false;
    if (folder && link.gf_ensureFlightPlanFolder(*folder)) {
        const std::filesystem::path path = *folder / link.gf_flightPlanFileName(aircraft.objectId);
        if (link.gf_writeFlightPlan(path, route, aircraft.info.sizeClass)) {
            link.queueFlightPlan({aircraft.objectId, path});
            written = true;
        }
    }
    aircraft.flightPlanQueued = written ? 1 : 0;
    if (!written) {
        gf_logLine(fmt::format("{:8} {} {} creating a flight plan failed", aircraft.info.head.callsign,
                               aircraft.info.head.registration, route));
    }
}

void LiveUpdateSteps::lf_settleCreatedOnGround(TrafficState& state, LiveAircraft& aircraft, bool quiet) {
    aircraft.onGround = 1;
    aircraft.altitudeChangePerTick = 0.0;
    if (aircraft.situation != FlightSituation::parked) {
        aircraft.groundContact = 1;
        return;
    }
    aircraft.parkedSlot = WeekdaySlot{state.currentSlot.load()};
    const auto standId = static_cast<std::int32_t>(aircraft.standId);
    const std::string standName = gf_standName(state, standId);
    if (!quiet) {
        gf_logLine(fmt::format("{:14}: {:8} parks", standName, aircraft.info.head.callsign));
    }
    std::erase_if(state.pendingParkedAdds,
                  [standId](const StaticCandidate& candidate) { return candidate.standId == standId; });
    for (std::size_t i = 0; i < state.statics.size(); ++i) {
        StaticAircraft& other = state.statics[i];
        if (other.standId != aircraft.standId || other.simState != SimState::active) {
            continue;
        }
        gf_logLine(fmt::format("{:14}: {:8} parks over static {} , static will be removed", standName,
                               aircraft.info.head.callsign, other.info.head.callsign));
        try {
            removeAircraftFromSim(state, other);
        } catch (...) {
            gf_reportTrafficException("hp_handleGroundTraffic");
        }
        break;
    }
    aircraft.groundContact = 1;
}

bool LiveUpdateSteps::lf_chooseLiveryForLive(TrafficState& state, LiveAircraft& aircraft, double altitudeFt) {
    if (!aircraft.info.liveryTitle.empty()) {
        return true;
    }
    ModelsPort& models = state.ports.models;
    const std::uint32_t hexId = aircraft.info.hexId;
    const std::string_view kept = models.liveryOfHexid(hexId);
    if (!kept.empty()) {
        if (!models.gf_isFailedLivery(kept)) {
            aircraft.info.liveryTitle = kept;
            return true;
        }
        models.gf_forgetLiveryOfHexid(hexId);
    }
    models.gf_chooseLivery(aircraft.info, altitudeFt, state.user.altitudeFt);
    if (aircraft.info.liveryTitle.empty()) {
        return false;
    }
    models.rememberLiveryOfHexid(hexId, aircraft.info.liveryTitle);
    return true;
}

} // namespace kiv

// Departure from a stand: the watch over the samples of a parked aircraft that decides when
// it really leaves (pushback or pull-out), the light wait before a pushback, and the end of a
// pushback.
#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "foundation/clock.h"
#include "foundation/log.h"
#include "traffic/aircraft_removal.h"
#include "traffic/detail/geo.h"
#include "traffic/detail/stand_access.h"
#include "traffic/stand_steps.h"
#include "traffic/traffic_exception.h"
#include "traffic/traffic_state.h"

namespace kiv {
namespace {

constexpr double kNmPerMetre = 1.0 / 1852.0;
constexpr double kDirectionMinM = 15.0;
constexpr double kForwardGateDeg = 30.0;
constexpr double kForwardOtherDeg = 60.0;
constexpr double kMoveStepM = 3.0;
constexpr double kNearStandM = 100.0;
constexpr double kNearStandAfterParkingM = 200.0;
constexpr double kPushbackMaxM = 262.0;
constexpr double kPullOutMaxM = 300.0;
constexpr double kGateExtraM = 30.0;
constexpr double kLookAheadSpeedMps = 25.0 * 1852.0 / 3600.0;
constexpr double kLookAheadMinM = 12.0;
constexpr double kLookAheadSlackM = 5.0;
constexpr double kLookAheadMaxS = 120.0;
constexpr double kConfirmGainM = 3.0;
constexpr double kConfirmFarFirstM = 30.0;
constexpr double kConfirmFarGainM = 10.0;
constexpr std::int32_t kFirstMoveWaitTicks = 3000;
constexpr std::int32_t kLightWaitTicks = 2000;
constexpr std::int64_t kLightsAfterArrival100ns = 31LL * 60 * 10'000'000;
constexpr double kPushbackStepM = 4.0;
constexpr double kPushbackMinClearM = 25.0;
constexpr double kPushbackConfirmM = 15.0;
constexpr std::uint8_t kPushbackConfirmSamples = 2;

enum class Direction { none, forward, backward };

// Taxi lights for a departure: nav, beacon, taxi and logo on; landing, strobes, cabin off.
constexpr LightSet kDepartureLights{1, 1, 0, 1, 0, 1, 0};

double departureMinimumM(SizeClass sizeClass) noexcept {
    switch (sizeClass) {
    case SizeClass::Light:
        return 120.0;
    case SizeClass::TwoProps:
    case SizeClass::Bizjet:
        return 140.0;
    case SizeClass::Heavy:
        return 220.0;
    default:
        return 180.0;
    }
}

double wrapPi(double radians) noexcept { return std::remainder(radians, 2.0 * detail::kPi); }

bool tickReached(std::int32_t now, std::int32_t due) noexcept { return now - due >= 0; }

void lightsOn(TrafficState& state, LiveAircraft& aircraft, DepartureWatch& watch, std::int32_t now) {
    state.ports.link.gf_setAllLights(aircraft.objectId, kDepartureLights);
    watch.lightsOn = 1;
    watch.lightsTick = now;
}

void lightsOnWithWait(TrafficState& state, LiveAircraft& aircraft, DepartureWatch& watch, std::int32_t now) {
    if (watch.lightsOn != 0) {
        return;
    }
    lightsOn(state, aircraft, watch, now);
    watch.lightWait = 1;
    watch.lightWaitEndTick = gf_ticksAfter(now, kLightWaitTicks);
}

// The aircraft's lights go on at the first move only when its departure is expected.
bool departureExpected(const LiveAircraft& aircraft) {
    if (aircraft.previousSituation == FlightSituation::birth) {
        return true;
    }
    if (aircraft.standChoice && aircraft.standChoice->standId == aircraft.standId) {
        return true;
    }
    if (aircraft.previousSituation == FlightSituation::parking && aircraft.arrivalTime != 0) {
        const std::int64_t now = gf_systemUtcSeconds() * 10'000'000;
        return now - aircraft.arrivalTime >= kLightsAfterArrival100ns;
    }
    return false;
}

// The towed-candidate rule: with the minutes counted this way the value is never small, so
// the flag stays clear.
void markTowedCandidate(const TrafficState& state, LiveAircraft& aircraft) {
    if (aircraft.holdCount <= 0 || aircraft.situation != FlightSituation::parked ||
        aircraft.earlierSituation != FlightSituation::landing_roll || aircraft.samples.empty()) {
        return;
    }
    const std::int64_t ticks = static_cast<std::int64_t>(state.tickCount.load()) - aircraft.samples.front().deliveryTick;
    const std::int64_t minutes = (ticks + 60'480'000) / 6000;
    const SizeClass c = aircraft.info.sizeClass;
    const bool towed = (c == SizeClass::Heavy && minutes < 60) || (c == SizeClass::Large && minutes < 25) ||
                       ((c == SizeClass::TwoProps || c == SizeClass::Bizjet) && minutes < 15);
    if (towed) {
        aircraft.towed = 1;
    }
}

} // namespace

bool StandSteps::checkAtStandSituations(TrafficState& state, LiveAircraft& aircraft, StreamSample& sample) {
    DepartureWatch& watch = aircraft.standWork.departure;
    aircraft.atStandChecked = 1;
    if (watch.deferred != 0) {
        return false;
    }
    const std::int32_t now = state.tickCount.load();
    const double d = detail::distanceNm(aircraft.standLat, aircraft.standLon, sample.latitude, sample.longitude);
    const double dM = d * detail::kMetresPerNm;
    Direction direction = Direction::none;
    if (d >= kDirectionMinM * kNmPerMetre) {
        const double off = wrapPi(detail::initialBearingRad(aircraft.standLat, aircraft.standLon, sample.latitude,
                                                            sample.longitude) -
                                  aircraft.standHeading);
        const double limit = aircraft.gateStand != 0 ? kForwardGateDeg : kForwardOtherDeg;
        direction = std::fabs(off / detail::kDegToRad) <= limit ? Direction::forward : Direction::backward;
    }

    bool deferNow = false;
    if (watch.watching != 0) {
        const double fromReferenceM = detail::distanceNm(watch.referencePosition.latitude,
                                                         watch.referencePosition.longitude, sample.latitude,
                                                         sample.longitude) *
                                      detail::kMetresPerNm;
        const double seconds = (sample.deliveryTick - watch.referenceTick) / 100.0;
        const double firstBackwardM = watch.firstBackwardNm * detail::kMetresPerNm;
        const bool plausible = seconds > 0.0 && seconds <= kLookAheadMaxS &&
                               fromReferenceM <= std::max(seconds * kLookAheadSpeedMps, kLookAheadMinM) &&
                               dM <= kPushbackMaxM &&
                               dM >= watch.referenceDistanceNm * detail::kMetresPerNm - kLookAheadSlackM &&
                               dM >= firstBackwardM - kLookAheadSlackM;
        if (plausible) {
            const double gain = dM - firstBackwardM;
            if (gain >= kConfirmGainM &&
                (direction == Direction::backward || (firstBackwardM >= kConfirmFarFirstM && gain >= kConfirmFarGainM))) {
                watch.watching = 0;
                deferNow = true;
            } else if (watch.lookAheadCount == 0) {
                ++watch.lookAheadCount;
                watch.referenceDistanceNm = d;
                watch.referencePosition = detail::positionOf(sample);
                watch.referenceTick = sample.deliveryTick;
                return false;
            }
        }
        if (!deferNow) {
            watch.watching = 0;
            watch.moveCount = 0;
            watch.firstMoveWait = 0;
            watch.baseDistanceNm = d;
            watch.lastDistanceNm = d;
            watch.hasLastDistance = 1;
            return false;
        }
    }

    if (!deferNow) {
        const double nearM =
            aircraft.previousSituation == FlightSituation::parking ? kNearStandAfterParkingM : kNearStandM;
        if (dM <= nearM) {
            watch.lastMoveNs = state.ports.clock.nowNs();
            if (watch.hasLastDistance == 0) {
                watch.baseDistanceNm = d;
                watch.lastDistanceNm = d;
                watch.hasLastDistance = 1;
                return false;
            }
            if (d - watch.lastDistanceNm >= kMoveStepM * kNmPerMetre) {
                if (watch.firstMoveWait == 0 && watch.moveCount == 0) {
                    watch.firstMoveWait = 1;
                    const std::int32_t wait = gf_ticksAfter(now, kFirstMoveWaitTicks);
                    watch.firstMoveTick = wait - sample.deliveryTick <= 0 ? wait : sample.deliveryTick;
                }
                if (watch.lightsOn == 0 && departureExpected(aircraft)) {
                    lightsOn(state, aircraft, watch, now);
                }
                watch.lastDistanceNm = d;
                if (++watch.moveCount < 2) {
                    return false;
                }
                if (d - watch.baseDistanceNm >= aircraft.info.halfSpanNm / 2.0 && direction == Direction::backward) {
                    lightsOnWithWait(state, aircraft, watch, now);
                    watch.firstBackwardNm = d;
                    watch.referenceDistanceNm = d;
                    watch.referencePosition = detail::positionOf(sample);
                    watch.referenceTick = sample.deliveryTick;
                    watch.lookAheadCount = 0;
                    watch.watching = 1;
                }
                return false;
            }
            if (watch.lastDistanceNm - d >= kMoveStepM * kNmPerMetre) {
                watch.baseDistanceNm = d;
                watch.lastDistanceNm = d;
            }
            return false;
        }
        if (direction == Direction::forward && dM <= kPullOutMaxM) {
            const double minimum = departureMinimumM(aircraft.info.sizeClass) + (aircraft.gateStand != 0 ? kGateExtraM : 0.0);
            if (dM < minimum) {
                return false;
            }
            lf_beginStandDeparture(state, aircraft, sample, 1);
            return true;
        }
        if (direction == Direction::backward && dM <= kPushbackMaxM) {
            lightsOnWithWait(state, aircraft, watch, now);
            const bool firstMovePending = watch.firstMoveWait != 0 && !tickReached(now, watch.firstMoveTick);
            const bool lightPending = watch.lightWait != 0 && !tickReached(now, watch.lightWaitEndTick);
            if (!firstMovePending && !lightPending) {
                lf_beginStandDeparture(state, aircraft, sample, 0);
                return true;
            }
        } else {
            // Too far for a departure from here: the aircraft left unseen.
            try {
                state.ports.steps.gf_addRealStandOption(state, aircraft.standId, aircraft, 3);
                removeAircraftFromSim(state, aircraft);
            } catch (...) {
                gf_reportTrafficException("checkAtStandSituations");
            }
            return false;
        }
    }

    // Held back until the waits are over; the live update releases it.
    watch.deferredSample = sample;
    std::int32_t release = watch.firstMoveWait != 0 ? watch.firstMoveTick : now;
    if (watch.lightWait != 0 && watch.lightWaitEndTick - release > 0) {
        release = watch.lightWaitEndTick;
    }
    watch.releaseTick = release;
    watch.deferred = 1;
    return false;
}

void StandSteps::lf_beginStandDeparture(TrafficState& state, LiveAircraft& aircraft, StreamSample& sample,
                                        std::uint32_t mode) {
    sample.stationary = 0;
    aircraft.departurePending = 1;
    if (aircraft.previousSituation == FlightSituation::parked) {
        return;
    }
    markTowedCandidate(state, aircraft);
    aircraft.pullOut = mode == 1 ? 1 : 0;
    if (aircraft.holdCount > 0) {
        detail::resetHold(aircraft);
        if (aircraft.situation == FlightSituation::parked && !aircraft.samples.empty()) {
            aircraft.samples.front().deliveryTick = gf_ticksAfter(state.tickCount.load(), 1);
        }
    }
    state.ports.steps.gf_addRealStandOption(state, aircraft.standId, aircraft, 2);
    aircraft.standChoice.reset();
    aircraft.afterLanding = 0;
    detail::setSituation(state, aircraft, FlightSituation::parked);
}

bool StandSteps::lf_checkPushedBack(TrafficState& state, LiveAircraft& aircraft, StreamSample& sample) {
    PushbackReference& pushback = aircraft.standWork.pushback;
    const auto refuse = [&aircraft]() {
        if (aircraft.proximityCheck != 0) {
            detail::resetHold(aircraft);
        }
        return false;
    };
    const Lalo position = detail::positionOf(sample);
    if (pushback.referenceSet == 0) {
        pushback.reference = position;
        pushback.referenceSet = 1;
        return refuse();
    }
    const auto metres = [](const Lalo& a, const Lalo& b) {
        return detail::distanceNm(a.latitude, a.longitude, b.latitude, b.longitude) * detail::kMetresPerNm;
    };
    if (metres(pushback.reference, position) < kPushbackStepM) {
        return refuse();
    }
    pushback.reference = position;
    const double clearM = std::max(2.0 * aircraft.info.halfSpanNm * detail::kMetresPerNm, kPushbackMinClearM);
    if (metres({aircraft.standLat, aircraft.standLon}, position) < clearM) {
        pushback.confirmationSet = 0;
        pushback.counter = 0;
        return refuse();
    }
    if (pushback.confirmationSet == 0) {
        pushback.confirmation = position;
        pushback.confirmationSet = 1;
        return refuse();
    }
    ++pushback.counter;
    if (pushback.counter < kPushbackConfirmSamples || metres(pushback.confirmation, position) < kPushbackConfirmM) {
        return refuse();
    }
    sample.stationary = 0;
    if (aircraft.proximityCheck != 0) {
        if (!aircraft.samples.empty()) {
            aircraft.samples.front().deliveryTick = gf_ticksAfter(state.tickCount.load(), 1);
        }
        detail::resetHold(aircraft);
    }
    pushback = {};
    detail::setSituation(state, aircraft, FlightSituation::taxi);
    aircraft.standLat = 0.0;
    aircraft.standLon = 0.0;
    aircraft.standHeading = 0.0;
    aircraft.standId = 0;
    aircraft.cargoStand = 0;
    aircraft.gateStand = 0;
    return true;
}

} // namespace kiv

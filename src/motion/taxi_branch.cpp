#include "motion/taxi_branch.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "motion/detail/motion_math.h"
#include "motion/ground_movement.h"
#include "motion/path_checks.h"
#include "motion/stream_helpers.h"
#include "motion/taxi_turns.h"

namespace kiv {
namespace {

constexpr double kSlowTaxiKt = 6.0;
constexpr double kStoppedKt = 0.5;
constexpr double kSharpTurnDeg = 3.0;
constexpr double kMovingKt = 2.0;
constexpr double kEndTurnFromDeg = 15.0;

// The turn onto the leg ahead (or the leg split) before the common ground step.
void planLeg(MotionEnvironment& environment, LiveAircraft& aircraft, bool slowArrivalTaxi) {
    const auto& samples = aircraft.samples;
    if (samples.size() >= 3 && samples[2].stationary == 0 && lf_planTaxiTurn(environment, aircraft)) {
        return;
    }
    const bool lastLeg = samples.size() == 2 || (samples.size() >= 3 && samples[2].stationary != 0);
    if (lastLeg && !(samples[0].plannedPoint != 0 && samples[1].plannedPoint != 0)) {
        // The next sample ends the movement: a corner at the start of the leg gets a point
        // halfway, so that the turn onto it has room (45 m at 15 degrees off, 10 m from 90).
        const Lalo here{aircraft.pose.latitude, aircraft.pose.longitude};
        const double offDeg =
            std::fabs(detail::wrapPi(gf_initialBearingRad(here, {samples[1].latitude, samples[1].longitude}) -
                                     aircraft.pose.headingRad)) *
            detail::radToDeg(1.0);
        if (offDeg > kEndTurnFromDeg) {
            const double f = std::clamp((offDeg - kEndTurnFromDeg) / 75.0, 0.0, 1.0);
            const double roomNm = 0.02429805615550756 - 0.018898488120950324 * f * f;
            const double dLat = (samples[1].latitude - samples[0].latitude) * 60.0;
            const double dLon = detail::longitudeDifference(samples[0].longitude, samples[1].longitude) *
                                std::cos(detail::degToRad(samples[0].latitude)) * 60.0;
            if (std::hypot(dLat, dLon) >= roomNm) {
                gf_insertMidpointSample(aircraft);
                if (lf_planTaxiTurn(environment, aircraft)) {
                    return;
                }
            }
        }
    }
    if (samples.size() >= 3 || aircraft.holdCount < 1) {
        lf_splitLongLeg(aircraft, slowArrivalTaxi ? 1 : 0);
    }
}

// The heading is off the bearing to the next sample while no curve is planned.
void markSharpTurn(LiveAircraft& aircraft) {
    if (gf_isValidTurnSpline(aircraft.turnSpline) || gf_isValidTurnCurve(aircraft.turnCurve)) {
        aircraft.sharpTurn = 0;
        return;
    }
    aircraft.headingOffset =
        std::fabs(detail::wrapPi(aircraft.bearingToNext - aircraft.pose.headingRad)) * detail::radToDeg(1.0);
    aircraft.sharpTurn = aircraft.headingOffset > kSharpTurnDeg ? 1 : 0;
}

// The easing of the leg: from standstill, stopping, or a slow start into the stand.
std::uint32_t groundModeOf(const LiveAircraft& aircraft) {
    const auto& samples = aircraft.samples;
    if (samples.size() < 2 || samples[1].stationary != 0) {
        return 0;
    }
    const double front = samples[0].groundSpeedKt;
    const double next = samples[1].groundSpeedKt;
    std::uint32_t mode = 0;
    if (std::isfinite(front) && std::isfinite(next)) {
        switch (aircraft.situation) {
        case FlightSituation::parking:
            if (front == 0.0 && next == 0.0) {
                mode = 4;
            } else if (front > kMovingKt && next == 0.0) {
                mode = 3;
            }
            break;
        case FlightSituation::taxi:
        case FlightSituation::takeoff_roll: {
            const bool thirdStationary = samples.size() >= 3 && samples[2].stationary != 0;
            if (front == 0.0 && next > kMovingKt) {
                mode = 1;
            } else if ((front > kMovingKt && next == 0.0) || (front <= kMovingKt && thirdStationary)) {
                mode = 3;
            }
            break;
        }
        default:
            break;
        }
    }
    if (aircraft.driveIn != 0 && front == 0.0 &&
        !gf_samePlace(samples[1], Lalo{aircraft.standLat, aircraft.standLon})) {
        mode = 2;
    }
    return mode;
}

} // namespace

bool gf_isSlowArrivalTaxi(const MotionEnvironment& environment, const LiveAircraft& aircraft) {
    const auto& samples = aircraft.samples;
    if (aircraft.situation != FlightSituation::taxi || aircraft.previousSituation == FlightSituation::pushed_back ||
        aircraft.previousSituation == FlightSituation::parked || samples.empty()) {
        return false;
    }
    const bool slow = std::all_of(samples.begin(), std::prev(samples.end()), [](const StreamSample& sample) {
        return std::isfinite(sample.groundSpeedKt) && sample.groundSpeedKt <= kSlowTaxiKt;
    });
    return slow && environment.airportFileLoaded();
}

void lf_taxiBranch(MotionEnvironment& environment, LiveAircraft& aircraft) {
    const bool slowArrivalTaxi = gf_isSlowArrivalTaxi(environment, aircraft);
    const auto& samples = aircraft.samples;
    const bool moving = samples.size() >= 2 && samples[1].stationary == 0 && aircraft.onGround != 0;
    if (moving) {
        planLeg(environment, aircraft, slowArrivalTaxi);
        markSharpTurn(aircraft);
    }
    if (slowArrivalTaxi && samples.back().groundSpeedKt <= kStoppedKt) {
        environment.try2Park(aircraft);
    }
    aircraft.groundMode = groundModeOf(aircraft);
    lf_groundStep(environment, aircraft);
}

} // namespace kiv

#include "motion/stream_helpers.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "foundation/geodesy.h"
#include "motion/detail/local_frame.h"
#include "motion/detail/motion_math.h"
#include "motion/motion_ticks.h"
#include "motion/turn_curve.h"
#include "motion/turn_spline.h"

namespace kiv {
namespace {

bool positive(double value) noexcept { return std::isfinite(value) && value > 0.0; }

bool onRoll(FlightSituation situation) noexcept {
    return situation == FlightSituation::takeoff_roll || situation == FlightSituation::landing_roll;
}

// The speeds the two samples report, when they tell one.
bool speedFromSamples(FlightSituation situation, double a, double b, double& speed) noexcept {
    if (onRoll(situation) && std::isfinite(a) && std::isfinite(b) && a >= 0.0 && b >= 0.0 && (a > 0.0 || b > 0.0)) {
        speed = std::max((a + b) / 2.0, 1.0);
        return true;
    }
    if (positive(a)) {
        speed = positive(b) ? std::max((a + b) / 2.0, 1.0) : std::max(a, 1.0);
        return true;
    }
    if (positive(b)) {
        speed = std::max(b, 1.0);
        return true;
    }
    return false;
}

} // namespace

void gf_resetPathState(LiveAircraft& aircraft) noexcept {
    gf_invalidateTurnCurve(aircraft.turnCurve);
    gf_invalidateTurnSpline(aircraft.turnSpline);
    aircraft.turnKind = 0;
    aircraft.curveFraction = 0.0;
}

bool gf_streamAirborneAfterFirst(const LiveAircraft& aircraft) noexcept {
    const auto& samples = aircraft.samples;
    return samples.size() >= 2 && std::all_of(std::next(samples.begin()), samples.end(),
                                              [](const StreamSample& s) { return s.airborne != 0; });
}

bool gf_streamMaxVerticalRateAbove2000(const LiveAircraft& aircraft) noexcept {
    return std::any_of(aircraft.samples.begin(), aircraft.samples.end(), [](const StreamSample& s) {
        return std::isfinite(s.verticalRateFpm) && s.verticalRateFpm > 2000.0;
    });
}

double gf_streamSpeedKt(const LiveAircraft& aircraft) {
    const auto& samples = aircraft.samples;
    const double a = samples.empty() ? kNotANumber : samples[0].groundSpeedKt;
    const double b = samples.size() < 2 ? kNotANumber : samples[1].groundSpeedKt;
    double speed = 0.0;
    if (speedFromSamples(aircraft.situation, a, b, speed)) {
        return speed;
    }
    if (samples.size() < 2) {
        return 1.0;
    }
    const StreamSample& front = samples[0];
    const StreamSample& next = samples[1];
    const double ticks =
        static_cast<double>(std::max(gf_tickSpan(front.deliveryTick, next.deliveryTick), kMinimumLegTicks));
    const double distance = gf_distanceNm({front.latitude, front.longitude}, {next.latitude, next.longitude});
    const double fromDistance = distance * detail::kTicksPerHour / ticks;
    return positive(fromDistance) ? std::max(fromDistance, 1.0) : 1.0;
}

void gf_insertMidpointSample(LiveAircraft& aircraft) {
    auto& samples = aircraft.samples;
    if (samples.size() < 2) {
        return;
    }
    const StreamSample& front = samples[0];
    const StreamSample& next = samples[1];
    StreamSample middle = front;
    middle.latitude = 0.5 * (front.latitude + next.latitude);
    middle.longitude = detail::normalizeLongitude(front.longitude +
                                                  0.5 * detail::longitudeDifference(front.longitude, next.longitude));
    const double altitude = 0.5 * (front.altitudeFt + next.altitudeFt);
    middle.altitudeFt = altitude > 0.0 ? altitude : 0.0;
    middle.airborne = altitude > 0.0 ? 1 : 0;
    middle.groundSpeedKt = 0.5 * (front.groundSpeedKt + next.groundSpeedKt);
    middle.deliveryTick =
        gf_tickAfter(front.deliveryTick,
                     std::llround(0.5 * static_cast<double>(gf_tickSpan(front.deliveryTick, next.deliveryTick))));
    middle.stationary = 0;
    samples.insert(std::next(samples.begin()), middle);
}

} // namespace kiv

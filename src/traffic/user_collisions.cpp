#include "traffic/user_collisions.h"

#include <algorithm>
#include <cmath>

#include "traffic/aircraft_removal.h"
#include "traffic/detail/geo.h"
#include "traffic/traffic_exception.h"
#include "traffic/traffic_state.h"

namespace kiv {
namespace {

constexpr double kFeetPerNm = 6076.11549;
// Used while the user model's span is unknown and B738 is not in the wingspan table: a half
// span of 35 metres, in the table's unit.
constexpr double kFallbackHalfSpanNm = 35.0 / 1852.0;

double userHalfSpanNm(TrafficState& state) {
    if (!std::isnan(state.userHalfSpanNm)) {
        return state.userHalfSpanNm;
    }
    ModelsPort& models = state.ports.models;
    return models.halfSpanNm(models.gf_modelId("B738")).value_or(kFallbackHalfSpanNm);
}

double speedTermNm(const UserAircraftState& user) {
    if (!std::isfinite(user.groundSpeedKt) || user.groundSpeedKt <= 0.0) {
        return 0.0;
    }
    return std::min(15.0, user.groundSpeedKt * 1852.0 / 3600.0 * 0.75) / 1852.0;
}

std::uint32_t airCollisionMode(const UserAircraftState& user) {
    const double bank = std::fabs(user.bankRad);
    if (user.altitudeAboveGroundFt <= 4000.0 && user.verticalSpeedFpm <= 300.0 && bank <= 5.0 * detail::kDegToRad) {
        return 2;
    }
    if (user.altitudeAboveGroundFt <= 7000.0 && bank <= 15.0 * detail::kDegToRad) {
        return 1;
    }
    return 0;
}

bool removeReporting(TrafficState& state, LiveAircraft& aircraft, const char* name) {
    try {
        removeAircraftFromSim(state, aircraft);
    } catch (...) {
        gf_reportTrafficException(name);
    }
    return true;
}

} // namespace

double lf_userGroundCollisionTermNm(TrafficState& state) {
    double halfSpan = 0.0;
    try {
        halfSpan = userHalfSpanNm(state);
    } catch (...) {
        gf_reportTrafficException("lf_userGroundCollisionTermNm");
        halfSpan = state.ports.models.largestHalfSpanNm();
    }
    return halfSpan + speedTermNm(state.user);
}

bool checkUserAirGndCollision(TrafficState& state, LiveAircraft& aircraft) {
    const UserAircraftState& user = state.user;
    const double cosUser = std::cos(user.latitude * detail::kDegToRad);
    if (detail::flatDistanceSquaredNm(user.latitude, user.longitude, aircraft.pose.latitude, aircraft.pose.longitude,
                                      cosUser) > 1.0) {
        return false;
    }
    if (user.altitudeAboveGroundFt > 500.0) {
        return false;
    }
    const double distanceFt =
        detail::distanceNm(user.latitude, user.longitude, aircraft.pose.latitude, aircraft.pose.longitude) * kFeetPerNm;
    double bearing =
        detail::initialBearingRad(user.latitude, user.longitude, aircraft.pose.latitude, aircraft.pose.longitude) -
        user.headingRad;
    if (bearing > detail::kPi) {
        bearing -= 2.0 * detail::kPi;
    } else if (bearing < -detail::kPi) {
        bearing += 2.0 * detail::kPi;
    }
    bearing = std::fabs(bearing);
    if (std::fabs(std::sin(bearing)) * distanceFt > 50.0 || std::cos(bearing) * distanceFt <= 0.0) {
        return false;
    }
    return removeReporting(state, aircraft, "checkUserAirGndCollision");
}

bool checkUserAirCollision(TrafficState& state, LiveAircraft& aircraft, double cosUserLatitude) {
    const UserAircraftState& user = state.user;
    ContinuityInput input;
    input.mode = airCollisionMode(user);
    input.refLatitude = user.latitude;
    input.refLongitude = user.longitude;
    input.testLatitude = aircraft.pose.latitude;
    input.testLongitude = aircraft.pose.longitude;
    input.cosRefLatitude = cosUserLatitude;
    input.refTrackRad = user.groundTrackDeg * detail::kDegToRad;
    input.testTrackRad = aircraft.samples.empty() ? 0.0 : aircraft.samples.front().trackDeg * detail::kDegToRad;
    input.refAltitudeFt = user.altitudeFt;
    input.testAltitudeFt = aircraft.pose.altitudeFt;
    if (state.ports.motion.gf_checkPositionContinuity(input) == 0) {
        return false;
    }
    return removeReporting(state, aircraft, "checkUserAirCollision");
}

} // namespace kiv

#include "foundation/geodesy.h"

#include <algorithm>
#include <cmath>

namespace kiv {

double gf_distanceNm(const Lalo& a, const Lalo& b) {
    const double lat1 = a.latitude * kDegreesToRadians;
    const double lat2 = b.latitude * kDegreesToRadians;
    const double sinHalfDLat = std::sin((lat2 - lat1) / 2);
    const double sinHalfDLon = std::sin((b.longitude - a.longitude) * kDegreesToRadians / 2);
    const double h = sinHalfDLat * sinHalfDLat + std::cos(lat2) * std::cos(lat1) * sinHalfDLon * sinHalfDLon;
    // Rounding lifts h just above 1 for some near-antipodal pairs, and √(1 − h) would be NaN.
    const double clamped = std::clamp(h, 0.0, 1.0);
    return std::atan2(std::sqrt(clamped), std::sqrt(1 - clamped)) * kEarthDiameterNm;
}

double gf_initialBearingRad(const Lalo& a, const Lalo& b) {
    const double lat1 = a.latitude * kDegreesToRadians;
    const double lat2 = b.latitude * kDegreesToRadians;
    const double dLon = (b.longitude - a.longitude) * kDegreesToRadians;
    double course = std::atan2(std::sin(dLon) * std::cos(lat2),
                               std::cos(lat1) * std::sin(lat2) - std::sin(lat1) * std::cos(lat2) * std::cos(dLon));
    if (course < 0) {
        course += kFullTurnRad;
        // A tiny negative angle rounds up to a full turn, which is north again.
        if (course >= kFullTurnRad) {
            course = 0.0;
        }
    }
    return course;
}

Lalo gf_destinationPoint(const Lalo& start, double courseRad, double distanceFt) {
    const double angle = distanceFt * kRadiansPerFoot;
    const double lat1 = start.latitude * kDegreesToRadians;
    const double lon1 = start.longitude * kDegreesToRadians;
    // The sine can round just past ±1 on the way over a pole, and asin would give NaN.
    const double sinLat2 = std::clamp(
        std::sin(lat1) * std::cos(angle) + std::cos(lat1) * std::sin(angle) * std::cos(courseRad), -1.0, 1.0);
    const double lat2 = std::asin(sinLat2);
    const double lon2 = std::remainder(lon1 + std::atan2(std::sin(courseRad) * std::sin(angle) * std::cos(lat1),
                                                         std::cos(angle) - std::sin(lat1) * std::sin(lat2)),
                                       kFullTurnRad);
    return {lat2 * kRadiansToDegrees, lon2 * kRadiansToDegrees};
}

} // namespace kiv

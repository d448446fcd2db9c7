// Distance helpers of the traffic code: the flat-earth square used by the quick tests of
// several sweeps, and the great-circle functions of the foundation under the traffic's names.
#pragma once

#include <cmath>

namespace kiv::detail {

// ((Δlat × 60)² + (Δlon × cos(refLat) × 60)²) in NM², with the longitude scale of refLat.
inline double flatDistanceSquaredNm(double lat1, double lon1, double lat2, double lon2, double cosRefLat) noexcept {
    const double dLat = (lat1 - lat2) * 60.0;
    const double dLon = (lon1 - lon2) * cosRefLat * 60.0;
    return dLat * dLat + dLon * dLon;
}

double distanceNm(double lat1, double lon1, double lat2, double lon2);
double initialBearingRad(double lat1, double lon1, double lat2, double lon2);
double varyByPercent(double value, double percent);
// Uniform integer in [0, n) from the calling thread's engine.
unsigned uniformBelow(unsigned n);
inline constexpr double kPi = 3.14159265358979323846;
inline constexpr double kDegToRad = kPi / 180.0;

} // namespace kiv::detail

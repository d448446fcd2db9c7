#include "traffic/detail/geo.h"

#include <random>

#include "foundation/geodesy.h"
#include "foundation/random.h"

namespace kiv::detail {

double distanceNm(double lat1, double lon1, double lat2, double lon2) {
    return gf_distanceNm(Lalo{lat1, lon1}, Lalo{lat2, lon2});
}

double initialBearingRad(double lat1, double lon1, double lat2, double lon2) {
    return gf_initialBearingRad(Lalo{lat1, lon1}, Lalo{lat2, lon2});
}

double varyByPercent(double value, double percent) { return gf_varyByPercent(value, percent); }

unsigned uniformBelow(unsigned n) {
    std::uniform_int_distribution<unsigned> draw(0, n - 1);
    return draw(gf_threadRng());
}

} // namespace kiv::detail

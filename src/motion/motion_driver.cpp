#include "motion/motion_driver.h"

#include <stdexcept>

namespace kiv {

// Not built yet: the driver lands with the taxi paths and the curve step.
void nextPosMain(TrafficState&, LiveAircraft&) {
    throw std::logic_error("nextPosMain is not built yet");
}

void gf_nextPosCurve(TrafficState&, LiveAircraft&) {
    throw std::logic_error("gf_nextPosCurve is not built yet");
}

} // namespace kiv

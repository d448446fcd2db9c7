// The results that aircraft motion hands to the traffic side through its port: where a
// point lies relative to a pose, how an aircraft stands to a stand, why a stand entry is
// refused, and the take-off plausibility of a move. Plain value types; any thread.
#pragma once

#include <cstdint>
#include <string>

#include "models/livery_key.h"

namespace kiv {

struct RelativePosition {
    double distanceM = 0.0;
    double headingDifferenceRad = 0.0; // bearing to the point - reference heading, [-pi, pi]
    double alongTrackM = 0.0;          // positive ahead along the reference heading
    double crossTrackM = 0.0;          // positive to the right
};

// An aircraft seen from a stand; along is negative in front of the stand.
struct StandApproachState {
    double distanceM = 0.0;
    double headingDifferenceDeg = 0.0; // stand heading - aircraft heading, wrapped
    double alongM = 0.0;
    double lateralM = 0.0;
    std::uint8_t pastStand = 0;  // along > 3 m
    std::uint8_t far = 0;        // distance > 15 m
    std::uint8_t headingOff = 0; // |heading difference| >= 45 degrees
    std::uint8_t lateralOff = 0; // |lateral| > 8 m
    std::uint8_t rejected = 0;
    std::uint8_t ok = 0;
};

struct StandEntryCheck {
    double distanceM = 0.0; // set when ok
    bool ok = false;
    std::string reason; // empty when ok
};

struct TakeoffInput {
    double distanceM = 0.0;
    double durationS = 0.0;
    double speedAKt = 0.0;
    double speedBKt = 0.0;
    SizeClass sizeClass = SizeClass::Large;
};

struct TakeoffPerformance {
    double minimumTimeS = 0.0;  // at the plausible top speed
    double neededSpeedKt = 0.0; // to cover the distance in the duration
    std::uint8_t tooFast = 0;   // the duration is shorter than the minimum time
};

} // namespace kiv

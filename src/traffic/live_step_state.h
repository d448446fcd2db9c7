// The working state that the live update, the simulator events and the spawn keep inside
// every LiveAircraft: the readbacks of its simulator object, the ground contact, the
// activation, the touch-down and the spawn's own marks. Part of the live record, so owned by
// the simulator-loop thread; nothing is locked.
#pragma once

#include <cstdint>
#include <string>

#include "foundation/lalo.h"

namespace kiv {

struct LiveStepState {
    // Sample intake.
    std::uint8_t airborneExtension = 0; // cleared when a take-off or extension sample is accepted
    std::uint8_t flightPlanQueued = 0;

    // Ground contact as the simulator reports it. The ground-contact word starts at 1; the
    // ground-report counter counts the position readbacks in a row that found the object on
    // the ground while the aircraft was not (yet) marked on the ground, and a readback off
    // the ground sets it back to 0.
    std::uint32_t groundContact = 1;
    std::uint32_t groundReports = 0;
    std::uint8_t heightReported = 0; // a position readback gave the height above ground

    // Activation: whether the front sample was airborne, and the tick.
    std::uint8_t activatedAirborne = 0;
    std::int32_t activationTick = 0;

    // Landing and touch-down.
    std::uint8_t touchedDown = 0;
    std::uint8_t landingReportPending = 0; // the landing flag that the first ground report clears
    // A glide to a ground position that the first ground report turns into the per-tick step.
    std::uint8_t glidePending = 0;
    Lalo glideTarget;
    std::int32_t glideStartTick = 0;
    std::int32_t glideEndTick = 0;
    // Height above ground latched on the landing roll, with the pitch at that moment.
    std::uint8_t heightLatched = 0;
    double latchedHeightFt = 0.0;
    double latchedPitchRad = 0.0;

    // Ground elevation under a parked aircraft from a position readback (feet).
    std::uint8_t groundElevationKnown = 0;
    double groundElevationFt = 0.0;

    // Spawn.
    std::uint32_t promotionCandidate = 0; // hex id of a static whose object it may take over
    std::uint8_t userHold = 0;            // once held back for the user aircraft
    Lalo birthStandSearch;                // where a stand was last looked for at birth
    std::uint8_t birthStandSearched = 0;
    std::uint8_t birthStandFound = 0;
    std::string pendingRoute; // a new route seen, "{}>{}", with its sightings in a row
    std::int32_t pendingRouteCount = 0;
    std::uint8_t registrationBecameKnown = 0;
    std::uint8_t promoted = 0; // took over a static aircraft's simulator object
};

} // namespace kiv

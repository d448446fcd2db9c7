// The choice of an installed livery for a traffic aircraft: a fixed ladder of matching steps
// from the exact registration (0, 1) over airline and model (2), a similar model of the same
// operator (3), the generic "ZZZ" livery (4), any livery of the model (5), of a similar model
// (6), of the size class (7) down to the default models (8), as deep as MATCHING_DEPTH allows
// (level 8 for traffic the user only sees as a TCAS target). Runs on the simulator-loop
// thread over the read-only matching tables; the result is a view into those tables.
#pragma once

#include <cstdint>

namespace kiv {

struct AircraftInfo;
struct Stand;

// Live traffic: sets liveryTitle (left empty when nothing fits), isPackageLivery ("FSLTL_" in
// the title) and, when only the TCAS level allowed the step, isCoverageOnly. `altitudeFt` is
// the aircraft's, `userAltitudeFt` the user aircraft's, both in feet. Each accepted choice is
// counted and logged; a title the simulator once failed to create is never chosen.
void gf_chooseLivery(AircraftInfo& aircraft, double altitudeFt, double userAltitudeFt);

// A static parked aircraft on `stand` (its cargo flag counts as the aircraft's): true when
// liveryTitle is set, also when it already was; false after a "no livery match" log line.
bool gf_chooseStaticLivery(AircraftInfo& aircraft, const Stand& stand);

} // namespace kiv

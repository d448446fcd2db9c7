// The settings checks of every start (a restart too): load "parameters.xml", repair the
// radius and flight-level settings, migrate after a program update, fix the traffic source
// for the run; and the small range and MAX_FIT operations the window and the simulator loop
// call later. The start-up functions run on the main sequence before other threads read the
// settings; gf_setRange and gf_syncMaxFitList may be called from any thread.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "foundation/version.h"

namespace kiv {

struct StartupContext {
    Version running;
    // Left behind by the program-update code; deleted after an upgrade.
    std::filesystem::path newVersionFolder = "new_version";
};

// With the running program version and "new_version" in the working folder.
void gf_readParameters();
void gf_readParameters(const StartupContext& context);

// The five radii (ground, 1, 2, 3, above) then the three flight levels.
using RadiusValues = std::array<double, 8>;
struct CorrectedRadii {
    RadiusValues values;
    bool changed = false;
};
// No negative radius; flight levels ascending and at least `step` apart where they were not
// strictly increasing; radii non-decreasing from the ground outwards.
CorrectedRadii gf_correctRadii(const RadiusValues& values, double step);

// The entry of the ascending `allowed` list nearest to `value` (a tie goes to the lower one).
std::int32_t gf_snapToList(std::int32_t value, const std::vector<std::int32_t>& allowed);

// Checks RT_CHOISE ("RT Direct" replaces anything unknown, in memory only) and publishes the
// traffic source of this run.
void gf_readTrafficSource();

// (index clamped to 0..47, plus 1) x 0.5 hours.
float gf_maxFitValue(std::int32_t index);

// MAX_FIT_FL follows MAX_FIT, and its combo box shows it. From a thread other than the GUI
// thread the change is posted to the GUI thread.
void gf_syncMaxFitList();

// RANGE becomes `rangeNm` clamped to its bounds and the settings snapshot publishes the
// clamped range at once; the parameter and its combo box are changed on the GUI thread
// (posted when called from another thread).
void gf_setRange(std::int32_t rangeNm);

} // namespace kiv

// The landing flare by stages: the height above the aircraft's static CG height at which each
// stage begins, the altitude change per tick it flies and the vertical rate it reports, and
// the number of ticks the whole flare lasts. Shared by the per-tick curve step (which flies
// the stages) and the air legs. Constants; any thread.
#pragma once

#include <array>
#include <cstdint>

namespace kiv {

struct FlareStage {
    double beginsAboveCgFt = 0.0;       // the stage begins when the height falls to this
    double altitudeChangePerTick = 0.0; // feet
    double verticalRateFpm = 0.0;       // written to the stream's last sample
};

// Stages 1 to 4; stage 0 is the approach before the flare. Throttle goes to idle with stage 3.
inline constexpr std::array<FlareStage, 4> kFlareStages = {{
    {30.0, -0.1, -601.0},
    {20.0, -0.075, -450.0},
    {10.0, -0.05, -300.0},
    {3.0, -0.025, -150.0},
}};

// Flare ticks: how long the stages take from the flare's first height down to the wheels
// (the static CG height), each stage flown at its own rate down to where the next begins,
// the last one down to 0. The pitch of the flare is spread over these ticks. 493 ticks.
constexpr std::int32_t gf_flareTicks() noexcept {
    double ticks = 0.0;
    for (std::size_t i = 0; i < kFlareStages.size(); ++i) {
        const double to = i + 1 < kFlareStages.size() ? kFlareStages[i + 1].beginsAboveCgFt : 0.0;
        ticks += (kFlareStages[i].beginsAboveCgFt - to) / -kFlareStages[i].altitudeChangePerTick;
    }
    return static_cast<std::int32_t>(ticks + 0.5);
}

} // namespace kiv

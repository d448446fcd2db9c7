// Two facts of the parking band that the traffic side raises through its shell port and the
// main window reads (painting, the Park button): whether parking is active at the park
// airport and whether the static parking planner is generating. Atomics: any thread.
#pragma once

#include <atomic>

namespace kiv {

struct ParkingBandFlags {
    // From the first parking plan at a park airport until its parking is reset.
    std::atomic<bool> active{false};
    // From the start of a plan until the parking controls are enabled again.
    std::atomic<bool> generating{false};
};

} // namespace kiv

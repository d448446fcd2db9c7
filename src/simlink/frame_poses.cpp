// The SimClient's pose writes: on every simulator frame each AI object gets the pose its
// stream gives for now, in one SetDataOnSimObject call. Nothing here allocates once every
// object has been seen.
#include <fmt/format.h>

#include "foundation/log.h"
#include "simlink/link_ids.h"
#include "simlink/sim_client.h"

namespace kiv {

void SimClient::lf_pushFramePoses() {
    playback_.collect(link_.poses());
    const std::int64_t now = options_.nowNs();
    for (auto& [objectId, stream] : playback_.streams()) {
        if (objectId == session_.userObjectId) {
            continue;
        }
        const auto pose = lf_interpolatePose(stream, now);
        if (!pose) {
            continue;
        }
        const double values[8] = {pose->latitude,   pose->longitude,  pose->pitchRad,         pose->bankRad,
                                  pose->headingRad, pose->altitudeFt, pose->verticalSpeedFpm, pose->trueAirspeedKt};
        const Hresult result =
            calls_.setDataOnSimObject(link_ids::kDefinitionAiPose, objectId, 0, sizeof(values), values);
        session_.lastWrite = {true, objectId, *pose, result};
        if (result < 0) {
            gf_logLine(fmt::format("SimConnect_SetDataOnSimObject batch failed, objectid: {}", objectId));
            lf_requestError();
            return;
        }
    }
}

} // namespace kiv

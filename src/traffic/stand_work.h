// The working state that the stand logic keeps inside every live aircraft: the wait for a
// jetway before a static neighbour is removed, the last collision-check position, the stands
// already logged or rejected, the departure watch at a stand and the pushback reference.
// Part of the live record, so owned by the simulator-loop thread; nothing is locked.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "feeds/traffic_record.h"
#include "foundation/lalo.h"

namespace kiv {

// A static aircraft that is removed only once the live aircraft's jetway wait has run out.
struct JetwayWait {
    std::uint8_t pending = 0;
    std::int32_t standId = 0;
    std::uint32_t staticObjectId = 0;
    std::uint32_t staticHexId = 0;
    std::int32_t dueTick = 0;
};

// A stand near the aircraft that it could not take, with the reason.
struct RejectedStand {
    std::uint32_t standId = 0;
    std::string reason;
};

// The watch over the samples of an aircraft parked at a stand that decides when it leaves.
// Distances in NM, ticks of the simulator loop.
struct DepartureWatch {
    double baseDistanceNm = 0.0;
    double lastDistanceNm = 0.0;
    std::uint8_t hasLastDistance = 0;
    std::uint32_t moveCount = 0;
    std::uint8_t firstMoveWait = 0;
    std::int32_t firstMoveTick = 0;
    std::uint8_t lightsOn = 0;
    std::int32_t lightsTick = 0;
    std::uint8_t lightWait = 0;
    std::int32_t lightWaitEndTick = 0;
    // Look-ahead after a backward move.
    std::uint8_t watching = 0;
    double referenceDistanceNm = 0.0;
    double firstBackwardNm = 0.0;
    Lalo referencePosition;
    std::int32_t referenceTick = 0;
    std::uint32_t lookAheadCount = 0;
    std::int64_t lastMoveNs = 0;     // steady clock
    // A departure sample held back until the lights have been on for a while.
    std::uint8_t deferred = 0;
    StreamSample deferredSample;
    std::int32_t releaseTick = 0;
};

// The end of a pushback: where the pushback stands now and where it was confirmed.
struct PushbackReference {
    Lalo reference;
    std::uint8_t referenceSet = 0;
    Lalo confirmation;
    std::uint8_t confirmationSet = 0;
    std::uint8_t counter = 0; // wraps
};

struct LiveStandWork {
    JetwayWait jetwayWait;
    Lalo lastCollisionCheck;
    std::uint8_t collisionChecked = 0;
    std::unordered_set<std::uint32_t> loggedJetwayCandidates;
    std::unordered_set<std::uint32_t> loggedFreeStandCandidates;
    std::vector<RejectedStand> rejectedStands;
    Lalo previousCheckPosition; // (0, 0) before the first free-stand check
    std::uint8_t freeStandTaken = 0;
    std::uint8_t streamEndTaken = 0;
    DepartureWatch departure;
    PushbackReference pushback;
};

} // namespace kiv

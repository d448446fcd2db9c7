// The hand-over of traffic batches from the feed threads to the simulator loop: one slot for
// the live stream (a newer batch replaces one not yet drained), a queue of history buffers,
// and the watchdog that stops delivery when the loop no longer takes records.
// Feed threads call gf_postTrafficBatch; the loop thread calls the rest.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "feeds/traffic_record.h"

namespace kiv {

class TrafficState;

inline constexpr std::uint32_t kLiveStreamDelaySeconds = 30;
inline constexpr std::int64_t kMailboxStallNs = 60'000'000'000;
inline constexpr std::uint32_t kExitTrafficMailboxStalled = 10;

struct TrafficMailbox {
    std::mutex mutex;
    // Guarded by mutex.
    TrafficBatch slot;
    std::int64_t firstReplaceTime = 0;
    bool replaceArmed = false;
    std::uint64_t replacedCount = 0;
    bool stalled = false;
    std::uint64_t lostRecords = 0;            // records of replaced batches that were never decoded
    std::vector<TrafficBatch> historyBatches; // posted while the loop runs
    // Written under mutex; read without it as a fast check.
    std::atomic<bool> deliveryEnabled{false};
    std::atomic<bool> deliveryStopped{false};

    // Serialises start-up decodes on a feed thread against the start of the loop.
    std::mutex startupDecodeMutex;
    bool loopOwnsTables = false; // guarded by startupDecodeMutex

    // Caller holds mutex.
    void clearStatistics() noexcept {
        replaceArmed = false;
        replacedCount = 0;
        stalled = false;
    }
};

// Live stream (through the slot) or history buffer (decoded as it comes, delivered later).
enum class BatchKind : std::uint8_t { live, history };

// Feed threads. `batch` is always empty on return. Each record is due `delaySeconds` on;
// `discardWhenOff` drops a live batch while delivery is off.
void gf_postTrafficBatch(TrafficState& state, TrafficBatch& batch, BatchKind kind, std::uint32_t delaySeconds,
                         bool discardWhenOff);
// The same with the kind told by the delay: 30 s is the live stream, any other a history buffer.
void gf_postTrafficBatch(TrafficState& state, TrafficBatch& batch, std::uint32_t delaySeconds, bool discardWhenOff);

// Simulator-loop thread: decodes the history buffers handed over and at most two live records.
void lf_takeTrafficBatch(TrafficState& state);

// From the loop's start until the reset, every decode runs on the loop thread.
void gf_mailboxLoopStarted(TrafficState& state);
// Under the mailbox mutex: statistics cleared, delivery on unless the watchdog stopped it.
void gf_resumeDelivery(TrafficState& state);
// Under the mailbox mutex: statistics cleared, delivery off.
void gf_pauseDelivery(TrafficState& state);

} // namespace kiv

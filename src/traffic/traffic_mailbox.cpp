#include "traffic/traffic_mailbox.h"

#include <fmt/format.h>

#include "foundation/log.h"
#include "traffic/batch_intake.h"
#include "traffic/traffic_state.h"

namespace kiv {
namespace {

struct PostOutcome {
    bool watchdogFired = false;
    std::uint64_t replacedBatches = 0;
    std::size_t pending = 0;
    std::size_t incoming = 0;
    std::size_t lostRecords = 0;
};

void decodeAll(TrafficState& state, TrafficBatch& batch) {
    for (const TrafficRecord& record : batch) {
        decodeMessage(state, record);
    }
    batch.clear();
}

// History buffers: decoded on the posting thread only while start-up still owns the tables,
// otherwise handed to the loop, which owns them from its start until the reset.
void postHistory(TrafficState& state, TrafficBatch& batch) {
    TrafficMailbox& mailbox = state.mailbox;
    const std::lock_guard startup(mailbox.startupDecodeMutex);
    if (!mailbox.loopOwnsTables) {
        decodeAll(state, batch);
        return;
    }
    const std::lock_guard lock(mailbox.mutex);
    mailbox.historyBatches.push_back(std::move(batch));
    batch.clear();
}

// Caller holds the mailbox mutex and delivery is on.
PostOutcome swapIntoSlot(TrafficState& state, TrafficBatch& batch, TrafficBatch& destroyLater) {
    TrafficMailbox& mailbox = state.mailbox;
    PostOutcome outcome;
    const std::int64_t now = state.ports.clock.nowNs();
    if (!mailbox.slot.empty()) {
        if (!mailbox.replaceArmed) {
            mailbox.firstReplaceTime = now;
            mailbox.replaceArmed = true;
        }
        ++mailbox.replacedCount;
        if (!mailbox.stalled && now - mailbox.firstReplaceTime >= kMailboxStallNs) {
            mailbox.stalled = true;
            outcome.watchdogFired = true;
            outcome.replacedBatches = mailbox.replacedCount;
            outcome.pending = mailbox.slot.size();
            outcome.incoming = batch.size();
            mailbox.deliveryStopped = true;
            mailbox.deliveryEnabled = false;
            destroyLater.swap(mailbox.slot);
            mailbox.slot.clear();
            return outcome;
        }
        outcome.lostRecords = mailbox.slot.size();
        mailbox.lostRecords += mailbox.slot.size();
    } else {
        mailbox.clearStatistics();
    }
    mailbox.slot.swap(batch);
    return outcome;
}

void reportStall(TrafficState& state, const PostOutcome& outcome) {
    state.ports.shell.installStopRequest(kExitTrafficMailboxStalled, 0);
    gf_logImportant(fmt::format(
        "Traffic mailbox stalled: no messages consumed for 1 minute; {} batches replaced, {} pending and {} "
        "incoming messages. Stopping traffic delivery and requesting shutdown.",
        outcome.replacedBatches, outcome.pending, outcome.incoming));
}

void postLive(TrafficState& state, TrafficBatch& batch, std::uint32_t delaySeconds, bool discardWhenOff) {
    TrafficMailbox& mailbox = state.mailbox;
    if (discardWhenOff && !mailbox.deliveryEnabled) {
        batch.clear();
        return;
    }
    state.ports.feeds.gf_setBatchDeliveryTicks(batch, state.tickCount.load(), static_cast<std::int32_t>(delaySeconds));
    if (!mailbox.deliveryEnabled) {
        batch.clear();
        return;
    }
    TrafficBatch destroyLater;
    PostOutcome outcome;
    {
        const std::lock_guard lock(mailbox.mutex);
        if (mailbox.deliveryEnabled) {
            outcome = swapIntoSlot(state, batch, destroyLater);
        }
    }
    destroyLater.clear();
    batch.clear();
    if (outcome.watchdogFired) {
        reportStall(state, outcome);
    } else if (outcome.lostRecords > 0) {
        gf_logLine(
            fmt::format("Traffic mailbox: a newer batch replaced {} records not yet taken", outcome.lostRecords));
    }
}

} // namespace

void gf_postTrafficBatch(TrafficState& state, TrafficBatch& batch, BatchKind kind, std::uint32_t delaySeconds,
                         bool discardWhenOff) {
    if (batch.empty()) {
        return;
    }
    if (kind == BatchKind::history) {
        state.ports.feeds.gf_setBatchDeliveryTicks(batch, state.tickCount.load(),
                                                   static_cast<std::int32_t>(delaySeconds));
        postHistory(state, batch);
        return;
    }
    postLive(state, batch, delaySeconds, discardWhenOff);
}

void gf_postTrafficBatch(TrafficState& state, TrafficBatch& batch, std::uint32_t delaySeconds, bool discardWhenOff) {
    const BatchKind kind = delaySeconds == kLiveStreamDelaySeconds ? BatchKind::live : BatchKind::history;
    gf_postTrafficBatch(state, batch, kind, delaySeconds, discardWhenOff);
}

void lf_takeTrafficBatch(TrafficState& state) {
    TrafficMailbox& mailbox = state.mailbox;
    std::vector<TrafficBatch> history;
    {
        const std::lock_guard lock(mailbox.mutex);
        history.swap(mailbox.historyBatches);
    }
    for (TrafficBatch& batch : history) {
        decodeAll(state, batch);
    }
    for (int pass = 0; pass < 2; ++pass) {
        TrafficRecord record;
        {
            const std::lock_guard lock(mailbox.mutex);
            if (mailbox.slot.empty()) {
                return;
            }
            record = std::move(mailbox.slot.back());
            mailbox.slot.pop_back();
            mailbox.clearStatistics();
        }
        decodeMessage(state, record);
    }
}

void gf_mailboxLoopStarted(TrafficState& state) {
    const std::lock_guard lock(state.mailbox.startupDecodeMutex);
    state.mailbox.loopOwnsTables = true;
}

void gf_resumeDelivery(TrafficState& state) {
    const std::lock_guard lock(state.mailbox.mutex);
    state.mailbox.clearStatistics();
    state.mailbox.deliveryEnabled = !state.mailbox.deliveryStopped.load();
}

void gf_pauseDelivery(TrafficState& state) {
    const std::lock_guard lock(state.mailbox.mutex);
    state.mailbox.clearStatistics();
    state.mailbox.deliveryEnabled = false;
}

} // namespace kiv

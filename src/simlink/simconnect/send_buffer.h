// A connection's send buffer: room for a packet is reserved at the write position (the
// send id stamped in), filled by the call, then committed (sent and zeroed) or released.
// Not locked itself: every use runs under the process-wide send lock.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "simlink/simconnect/packet_layout.h"

namespace kiv::simconnect {

class SendBuffer {
public:
    // Hands out `size` zeroed bytes with the next send id at offset 12, or nothing when the
    // packet is smaller than its header or larger than the free room (no id is used then).
    std::optional<std::span<std::uint8_t>> reserve(std::size_t size);
    // Everything reserved since the last commit.
    std::span<const std::uint8_t> pending() const { return std::span(bytes_).first(writePos_); }
    // After the pending bytes were handed on: zero them and start again at the front.
    void clearAfterCommit();
    // Gives back the last reservation, zeroed (its send id stays used).
    void release();

    std::uint32_t lastSendId() const { return sendId_; }
    std::size_t freeRoom() const { return bytes_.size() - writePos_; }
    // Lets a test start the counter near its wrap.
    void setLastSendIdForTesting(std::uint32_t id) { sendId_ = id; }

private:
    std::array<std::uint8_t, kSendBufferSize> bytes_{};
    std::size_t writePos_ = 0;
    std::size_t reservedAt_ = 0;
    std::uint32_t sendId_ = 0;
};

} // namespace kiv::simconnect

// The packets the I/O thread is writing with one gathered send: taken from the send queue
// in order, each held until its last byte has left, and the write resumed exactly where
// the socket stopped, inside a packet or between two. Owned and used by the I/O thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/stream_socket.h"
#include "simlink/simconnect/packet_buffer.h"

namespace kiv::simconnect {

class SendBatch {
public:
    static constexpr std::size_t kCapacity = platform::kMaxGatheredBlocks;

    bool empty() const { return first_ == count_; }
    std::size_t size() const { return count_ - first_; }

    // Tops the batch up from the front of `queue` (which its owner's lock guards).
    void refill(PacketQueue& queue);
    // The bytes still to write, in order; the first block starts where the last write ended.
    std::span<const std::span<const std::uint8_t>> unwritten();
    // Marks `bytes` more as written (no more than unwritten() holds); packets now wholly
    // written go back to their pool. Returns how many did.
    std::size_t advance(std::size_t bytes);
    void clear();

private:
    std::array<PacketHandle, kCapacity> packets_;
    std::array<std::span<const std::uint8_t>, kCapacity> blocks_;
    std::size_t first_ = 0;  // the oldest packet not yet wholly written
    std::size_t count_ = 0;  // one past the newest packet
    std::size_t offset_ = 0; // bytes of the oldest packet already written
};

} // namespace kiv::simconnect

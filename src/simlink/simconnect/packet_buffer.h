// Byte blocks of packets to send and of messages received, recycled through a pool so
// that the steady frame path allocates nothing once its blocks have grown to size. The
// pool is thread-safe; a handle and a queue belong to one thread or to their owner's lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <utility>
#include <vector>

namespace kiv::simconnect {

class PacketPool;

// One packet to send or one message received.
struct PacketBuffer {
    std::vector<std::uint8_t> bytes; // grows, never shrinks: its size is the block's capacity
    std::uint32_t length = 0;
    std::uint32_t connectionId = 0;
    std::uint32_t flag = 0;       // always 0 in this program
    PacketBuffer* next = nullptr; // link in a queue or in the pool's free list
    PacketPool* pool = nullptr;

    std::span<const std::uint8_t> view() const { return {bytes.data(), length}; }
};

// Sole owner of a buffer; gives it back to its pool when destroyed.
class PacketHandle {
public:
    PacketHandle() = default;
    explicit PacketHandle(PacketBuffer* buffer) : buffer_(buffer) {}
    ~PacketHandle() { reset(); }
    PacketHandle(PacketHandle&& other) noexcept : buffer_(std::exchange(other.buffer_, nullptr)) {}
    PacketHandle& operator=(PacketHandle&& other) noexcept;
    PacketHandle(const PacketHandle&) = delete;
    PacketHandle& operator=(const PacketHandle&) = delete;

    explicit operator bool() const { return buffer_ != nullptr; }
    PacketBuffer* operator->() const { return buffer_; }
    PacketBuffer* release() { return std::exchange(buffer_, nullptr); }
    void reset();

private:
    PacketBuffer* buffer_ = nullptr;
};

class PacketPool {
public:
    PacketPool() = default;
    ~PacketPool();
    PacketPool(const PacketPool&) = delete;
    PacketPool& operator=(const PacketPool&) = delete;

    // A buffer holding a copy of `bytes`, tagged with the connection id.
    PacketHandle acquire(std::span<const std::uint8_t> bytes, std::uint32_t connectionId);
    void recycle(PacketBuffer* buffer) noexcept;
    std::size_t freeCount() const;

private:
    mutable std::mutex mutex_;
    PacketBuffer* free_ = nullptr;
    std::size_t freeCount_ = 0;
};

// First-in first-out list linked through the buffers themselves, so queuing never
// allocates. Not locked: its owner guards it.
class PacketQueue {
public:
    PacketQueue() = default;
    ~PacketQueue() { clear(); }
    PacketQueue(const PacketQueue&) = delete;
    PacketQueue& operator=(const PacketQueue&) = delete;

    void push(PacketHandle packet);
    PacketHandle pop();
    bool empty() const { return head_ == nullptr; }
    std::size_t size() const { return count_; }
    void clear();

private:
    PacketBuffer* head_ = nullptr;
    PacketBuffer* tail_ = nullptr;
    std::size_t count_ = 0;
};

} // namespace kiv::simconnect

#include "simlink/simconnect/packet_buffer.h"

#include <algorithm>

namespace kiv::simconnect {

PacketHandle& PacketHandle::operator=(PacketHandle&& other) noexcept {
    if (this != &other) {
        reset();
        buffer_ = std::exchange(other.buffer_, nullptr);
    }
    return *this;
}

void PacketHandle::reset() {
    if (buffer_ != nullptr) {
        PacketBuffer* buffer = std::exchange(buffer_, nullptr);
        buffer->pool->recycle(buffer);
    }
}

PacketPool::~PacketPool() {
    while (free_ != nullptr) {
        delete std::exchange(free_, free_->next);
    }
}

PacketHandle PacketPool::acquire(std::span<const std::uint8_t> bytes, std::uint32_t connectionId) {
    PacketBuffer* buffer = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (free_ != nullptr) {
            buffer = std::exchange(free_, free_->next);
            --freeCount_;
        }
    }
    if (buffer == nullptr) {
        buffer = new PacketBuffer;
        buffer->pool = this;
    }
    if (buffer->bytes.size() < bytes.size()) {
        buffer->bytes.resize(bytes.size());
    }
    std::copy(bytes.begin(), bytes.end(), buffer->bytes.begin());
    buffer->length = static_cast<std::uint32_t>(bytes.size());
    buffer->connectionId = connectionId;
    buffer->flag = 0;
    buffer->next = nullptr;
    return PacketHandle(buffer);
}

void PacketPool::recycle(PacketBuffer* buffer) noexcept {
    std::lock_guard lock(mutex_);
    buffer->next = free_;
    free_ = buffer;
    ++freeCount_;
}

std::size_t PacketPool::freeCount() const {
    std::lock_guard lock(mutex_);
    return freeCount_;
}

void PacketQueue::push(PacketHandle packet) {
    PacketBuffer* buffer = packet.release();
    buffer->next = nullptr;
    if (tail_ == nullptr) {
        head_ = buffer;
    } else {
        tail_->next = buffer;
    }
    tail_ = buffer;
    ++count_;
}

PacketHandle PacketQueue::pop() {
    if (head_ == nullptr) {
        return {};
    }
    PacketBuffer* buffer = std::exchange(head_, head_->next);
    if (head_ == nullptr) {
        tail_ = nullptr;
    }
    buffer->next = nullptr;
    --count_;
    return PacketHandle(buffer);
}

void PacketQueue::clear() {
    while (!empty()) {
        pop();
    }
}

} // namespace kiv::simconnect

#include "simlink/simconnect/send_batch.h"

#include <utility>

namespace kiv::simconnect {

void SendBatch::refill(PacketQueue& queue) {
    if (first_ > 0) {
        for (std::size_t index = first_; index < count_; ++index) {
            packets_[index - first_] = std::move(packets_[index]);
        }
        count_ -= first_;
        first_ = 0;
    }
    while (count_ < kCapacity && !queue.empty()) {
        packets_[count_++] = queue.pop();
    }
}

std::span<const std::span<const std::uint8_t>> SendBatch::unwritten() {
    for (std::size_t index = first_; index < count_; ++index) {
        blocks_[index - first_] = packets_[index]->view();
    }
    if (!empty()) {
        blocks_[0] = blocks_[0].subspan(offset_);
    }
    return std::span(blocks_).first(size());
}

std::size_t SendBatch::advance(std::size_t bytes) {
    std::size_t released = 0;
    while (!empty()) {
        const std::size_t left = packets_[first_]->length - offset_;
        if (bytes < left) {
            offset_ += bytes;
            break;
        }
        bytes -= left;
        packets_[first_++].reset();
        offset_ = 0;
        ++released;
    }
    return released;
}

void SendBatch::clear() {
    for (std::size_t index = first_; index < count_; ++index) {
        packets_[index].reset();
    }
    first_ = 0;
    count_ = 0;
    offset_ = 0;
}

} // namespace kiv::simconnect

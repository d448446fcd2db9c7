#include "simlink/simconnect/receive_framer.h"

#include <algorithm>

#include <fmt/format.h>

#include "foundation/byte_reader.h"

namespace kiv::simconnect {

ReceiveFramer::ReceiveFramer(std::uint32_t maxReceiveSize, std::string peer)
    : buffer_(kInitialCapacity), maxReceiveSize_(maxReceiveSize), peer_(std::move(peer)) {}

ReceiveFramer::Outcome ReceiveFramer::fail(std::uint32_t code, std::string text) {
    if (errorCode_ == 0) {
        errorCode_ = code;
        error_ = std::move(text);
    }
    return Outcome::failed;
}

void ReceiveFramer::resetIfEmpty() {
    if (readPos_ == end_) {
        bufferStreamOffset_ += end_;
        readPos_ = end_ = 0;
    }
}

std::span<std::uint8_t> ReceiveFramer::freeSpace() {
    resetIfEmpty();
    if (end_ == buffer_.size()) {
        if (readPos_ > 0) {
            std::copy(buffer_.begin() + static_cast<std::ptrdiff_t>(readPos_),
                      buffer_.begin() + static_cast<std::ptrdiff_t>(end_), buffer_.begin());
            bufferStreamOffset_ += readPos_;
            end_ -= readPos_;
            readPos_ = 0;
        } else if (buffer_.size() < kCapacityLimit) {
            buffer_.resize(std::min(buffer_.size() + kGrowthStep, kCapacityLimit));
        } else {
            // next() refuses any size above the limit, so a full buffer at the limit cannot
            // hold a partial message; keep the guard so the stream can never be lost silently.
            fail(kMessageTooLarge,
                 fmt::format("SimConnect message from {} at offset {}: {} bytes buffered, at most {} expected", peer_,
                             bufferStreamOffset_, end_, kCapacityLimit));
            return {};
        }
    }
    return std::span<std::uint8_t>(buffer_).subspan(end_);
}

void ReceiveFramer::commit(std::size_t count) { end_ = std::min(end_ + count, buffer_.size()); }

ReceiveFramer::Outcome ReceiveFramer::next(std::span<const std::uint8_t>& message) {
    if (errorCode_ != 0) {
        return Outcome::failed;
    }
    for (;;) {
        const std::size_t unread = end_ - readPos_;
        if (unread < 4) {
            resetIfEmpty();
            return Outcome::needMore;
        }
        const std::uint64_t offset = bufferStreamOffset_ + readPos_;
        ByteReader reader(std::span<const std::uint8_t>(buffer_).subspan(readPos_, unread), peer_);
        const std::int32_t size = reader.i32();
        if (size == 0) {
            // Padding between messages comes in whole zero words. Skipping zero bytes one by
            // one would also eat the low byte of a following size such as 256 (00 01 00 00)
            // and misread every message after it.
            readPos_ += kPaddingWord;
            continue;
        }
        if (size > 0 && static_cast<std::uint32_t>(size) > maxReceiveSize_) {
            return fail(
                kMessageTooLarge,
                fmt::format(
                    "SimConnect message from {} at offset {}: size {} found, at most {} (MaxReceiveSize) expected",
                    peer_, offset, size, maxReceiveSize_));
        }
        if (size < 4) {
            return fail(kInvalidSize,
                        fmt::format("SimConnect message from {} at offset {}: size {} found, at least 4 expected",
                                    peer_, offset, size));
        }
        if (static_cast<std::size_t>(size) > kCapacityLimit) {
            // Dropping the message would leave the reader inside its bytes and misread all
            // that follows; the connection must fail instead.
            return fail(kMessageTooLarge, fmt::format("SimConnect message from {} at offset {}: size {} found, at most "
                                                      "{} (receive buffer limit) expected",
                                                      peer_, offset, size, kCapacityLimit));
        }
        if (unread < static_cast<std::size_t>(size)) {
            return Outcome::needMore;
        }
        message = std::span<const std::uint8_t>(buffer_).subspan(readPos_, static_cast<std::size_t>(size));
        readPos_ += static_cast<std::size_t>(size);
        return Outcome::message;
    }
}

} // namespace kiv::simconnect

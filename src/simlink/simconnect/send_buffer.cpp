#include "simlink/simconnect/send_buffer.h"

#include <algorithm>

#include "foundation/byte_writer.h"

namespace kiv::simconnect {

std::optional<std::span<std::uint8_t>> SendBuffer::reserve(std::size_t size) {
    if (size < kPacketHeaderSize || size > freeRoom()) {
        return std::nullopt;
    }
    // 0 is never sent: the counter skips it when it wraps.
    sendId_ = sendId_ + 1 == 0 ? 1 : sendId_ + 1;
    const auto block = std::span(bytes_).subspan(writePos_, size);
    ByteWriter writer(block, "SimConnect send buffer");
    writer.seek(kSendIdOffset);
    writer.u32(sendId_);
    reservedAt_ = writePos_;
    writePos_ += size;
    return block;
}

void SendBuffer::clearAfterCommit() {
    std::fill_n(bytes_.begin(), writePos_, std::uint8_t{0});
    writePos_ = 0;
    reservedAt_ = 0;
}

void SendBuffer::release() {
    std::fill(bytes_.begin() + static_cast<std::ptrdiff_t>(reservedAt_),
              bytes_.begin() + static_cast<std::ptrdiff_t>(writePos_), std::uint8_t{0});
    writePos_ = reservedAt_;
}

} // namespace kiv::simconnect

// Cuts the byte stream received from the simulator into messages by their leading u32
// size, skipping zero padding (whole zero words) between messages. Owned by one
// connection's I/O thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kiv::simconnect {

class ReceiveFramer {
public:
    static constexpr std::size_t kInitialCapacity = 41088;
    static constexpr std::size_t kGrowthStep = 2048;
    static constexpr std::size_t kCapacityLimit = 0x100000; // 1 MiB
    // A zero size field at a message boundary is one word of padding.
    static constexpr std::size_t kPaddingWord = 4;

    // Failure codes recorded on the connection.
    static constexpr std::uint32_t kMessageTooLarge = 2;
    static constexpr std::uint32_t kInvalidSize = 3;

    enum class Outcome { message, needMore, failed };

    // `peer` names the other side in error texts.
    ReceiveFramer(std::uint32_t maxReceiveSize, std::string peer);

    // Room to receive into: unread bytes are moved to the front, or the buffer grows by
    // 2048 bytes, when it is full. Invalidates a message returned before.
    std::span<std::uint8_t> freeSpace();
    void commit(std::size_t count);

    // The next complete message, which stays valid until the next freeSpace(). After
    // `failed` the stream cannot be followed any more; error() tells why.
    Outcome next(std::span<const std::uint8_t>& message);

    std::uint32_t errorCode() const { return errorCode_; }
    const std::string& error() const { return error_; }
    std::size_t capacity() const { return buffer_.size(); }

private:
    Outcome fail(std::uint32_t code, std::string text);
    void resetIfEmpty();

    std::vector<std::uint8_t> buffer_;
    std::size_t readPos_ = 0;
    std::size_t end_ = 0;
    std::uint64_t bufferStreamOffset_ = 0; // stream offset of buffer_[0], for error texts
    std::uint32_t maxReceiveSize_;
    std::string peer_;
    std::uint32_t errorCode_ = 0;
    std::string error_;
};

} // namespace kiv::simconnect

// Bounds-checked little-endian reader over a span of bytes, for every decoder of outside
// bytes (SimConnect messages, scenery records). The reader owns no bytes and allocates
// nothing unless it reports an error; one reader belongs to one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kiv {

// Thrown when a read would pass the end; the text names the source, the offset, the bytes
// the read needed and the bytes that were left.
class ByteRangeError : public std::runtime_error {
public:
    ByteRangeError(std::string_view source, std::size_t offset, std::size_t expected, std::size_t found);
};

class ByteReader {
public:
    // `source` names the peer or file in error texts; the caller keeps it alive.
    ByteReader(std::span<const std::uint8_t> bytes, std::string_view source) : bytes_(bytes), source_(source) {}

    std::uint8_t u8() { return static_cast<std::uint8_t>(take(1)[0]); }
    std::uint16_t u16() { return static_cast<std::uint16_t>(unsignedValue(2)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(unsignedValue(4)); }
    std::uint64_t u64() { return unsignedValue(8); }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    std::int64_t i64() { return static_cast<std::int64_t>(u64()); }
    float f32();
    double f64();

    // The next `count` bytes as they are.
    std::span<const std::uint8_t> bytes(std::size_t count) { return take(count); }
    // A NUL-terminated text in a fixed field of `fieldSize` bytes; the reader always moves
    // past the whole field. A field without NUL yields all its bytes.
    std::string_view fixedString(std::size_t fieldSize);

    void skip(std::size_t count) { take(count); }
    // Moves to an absolute offset; an offset past the end is refused like a read.
    void seek(std::size_t offset);

    std::size_t offset() const { return offset_; }
    std::size_t size() const { return bytes_.size(); }
    std::size_t remaining() const { return bytes_.size() - offset_; }
    std::string_view source() const { return source_; }

private:
    std::span<const std::uint8_t> take(std::size_t count);
    std::uint64_t unsignedValue(std::size_t width);

    std::span<const std::uint8_t> bytes_;
    std::string_view source_;
    std::size_t offset_ = 0;
};

} // namespace kiv

// Bounds-checked little-endian writer into a caller's span, the counterpart of ByteReader
// for every encoder of bytes that leave the program. Owns no bytes; one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace kiv {

class ByteWriter {
public:
    // `target` names the buffer in error texts; the caller keeps it alive.
    ByteWriter(std::span<std::uint8_t> bytes, std::string_view target) : bytes_(bytes), target_(target) {}

    void u8(std::uint8_t value) { unsignedValue(value, 1); }
    void u16(std::uint16_t value) { unsignedValue(value, 2); }
    void u32(std::uint32_t value) { unsignedValue(value, 4); }
    void u64(std::uint64_t value) { unsignedValue(value, 8); }
    void i32(std::int32_t value) { u32(static_cast<std::uint32_t>(value)); }
    void f32(float value);
    void f64(double value);
    void bytes(std::span<const std::uint8_t> data);
    void zeros(std::size_t count);

    // Writes the text and its NUL into a field of `fieldSize` bytes, zero-filling the rest.
    // A text that leaves no room for the NUL is not written and yields false; the writer
    // then stays where it was. A null pointer writes an empty text.
    bool fixedString(const char* text, std::size_t fieldSize);
    bool fixedString(std::string_view text, std::size_t fieldSize);

    // Moves to an absolute offset; past the end throws ByteRangeError.
    void seek(std::size_t offset);
    std::size_t offset() const { return offset_; }
    std::size_t size() const { return bytes_.size(); }

private:
    std::span<std::uint8_t> take(std::size_t count);
    void unsignedValue(std::uint64_t value, std::size_t width);

    std::span<std::uint8_t> bytes_;
    std::string_view target_;
    std::size_t offset_ = 0;
};

} // namespace kiv

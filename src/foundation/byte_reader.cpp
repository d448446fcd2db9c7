#include "foundation/byte_reader.h"

#include <algorithm>
#include <bit>

#include <fmt/format.h>

namespace kiv {

ByteRangeError::ByteRangeError(std::string_view source, std::size_t offset, std::size_t expected, std::size_t found)
    : std::runtime_error(fmt::format("{}: offset {}: {} bytes expected, {} found", source, offset, expected, found)) {}

std::span<const std::uint8_t> ByteReader::take(std::size_t count) {
    if (count > remaining()) {
        throw ByteRangeError(source_, offset_, count, remaining());
    }
    const auto piece = bytes_.subspan(offset_, count);
    offset_ += count;
    return piece;
}

std::uint64_t ByteReader::unsignedValue(std::size_t width) {
    const auto piece = take(width);
    std::uint64_t value = 0;
    for (std::size_t i = width; i-- > 0;) {
        value = (value << 8) | piece[i];
    }
    return value;
}

float ByteReader::f32() { return std::bit_cast<float>(u32()); }

double ByteReader::f64() { return std::bit_cast<double>(u64()); }

std::string_view ByteReader::fixedString(std::size_t fieldSize) {
    const auto field = take(fieldSize);
    // Not memchr: an empty field of an empty message has no address, which memchr may not be given.
    const auto nul = std::find(field.begin(), field.end(), std::uint8_t{0});
    return {reinterpret_cast<const char*>(field.data()), static_cast<std::size_t>(nul - field.begin())};
}

void ByteReader::seek(std::size_t offset) {
    if (offset > bytes_.size()) {
        throw ByteRangeError(source_, offset_, offset - offset_, remaining());
    }
    offset_ = offset;
}

} // namespace kiv

#include "foundation/byte_writer.h"

#include <algorithm>
#include <bit>

#include "foundation/byte_reader.h"

namespace kiv {

std::span<std::uint8_t> ByteWriter::take(std::size_t count) {
    const std::size_t left = bytes_.size() - offset_;
    if (count > left) {
        throw ByteRangeError(target_, offset_, count, left);
    }
    const auto piece = bytes_.subspan(offset_, count);
    offset_ += count;
    return piece;
}

void ByteWriter::unsignedValue(std::uint64_t value, std::size_t width) {
    for (auto& byte : take(width)) {
        byte = static_cast<std::uint8_t>(value & 0xFFu);
        value >>= 8;
    }
}

void ByteWriter::f32(float value) { u32(std::bit_cast<std::uint32_t>(value)); }

void ByteWriter::f64(double value) { u64(std::bit_cast<std::uint64_t>(value)); }

void ByteWriter::bytes(std::span<const std::uint8_t> data) {
    const auto piece = take(data.size());
    std::copy(data.begin(), data.end(), piece.begin());
}

void ByteWriter::zeros(std::size_t count) {
    const auto piece = take(count);
    std::fill(piece.begin(), piece.end(), std::uint8_t{0});
}

bool ByteWriter::fixedString(const char* text, std::size_t fieldSize) {
    if (text == nullptr) {
        return fixedString(std::string_view{}, fieldSize);
    }
    // Looks no further than the field (and never past the text's own NUL), so an
    // unterminated text cannot make the writer read beyond what it was given.
    std::size_t length = 0;
    while (length < fieldSize && text[length] != '\0') {
        ++length;
    }
    return fixedString(std::string_view(text, length), fieldSize);
}

bool ByteWriter::fixedString(std::string_view text, std::size_t fieldSize) {
    // A NUL inside the view ends the text as it would end a C string.
    text = text.substr(0, text.find('\0'));
    if (text.size() >= fieldSize) {
        return false;
    }
    const auto field = take(fieldSize);
    std::copy(text.begin(), text.end(), field.begin());
    std::fill(field.begin() + static_cast<std::ptrdiff_t>(text.size()), field.end(), std::uint8_t{0});
    return true;
}

void ByteWriter::seek(std::size_t offset) {
    if (offset > bytes_.size()) {
        throw ByteRangeError(target_, offset_, offset - offset_, bytes_.size() - offset_);
    }
    offset_ = offset;
}

} // namespace kiv

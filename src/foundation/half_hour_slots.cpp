#include "foundation/half_hour_slots.h"

#include <cstdint>
#include <vector>

#include <fmt/format.h>

#include "foundation/log.h"

namespace kiv {
namespace {

constexpr std::string_view kFunctionName = "gf_hours2bitset";
// The slot reader trims the full C whitespace set, wider than the string helpers' one.
constexpr std::string_view kSlotWhitespace = " \t\n\v\f\r";

std::string_view trimSlotPiece(std::string_view piece) {
    const std::size_t first = piece.find_first_not_of(kSlotWhitespace);
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = piece.find_last_not_of(kSlotWhitespace);
    return piece.substr(first, last - first + 1);
}

// Leading "-" and digits, like a C number reader: what follows the digits is ignored.
std::optional<std::int64_t> leadingNumber(std::string_view text) {
    std::size_t position = 0;
    const bool negative = !text.empty() && text.front() == '-';
    if (negative) {
        ++position;
    }
    constexpr std::int64_t kBeyondInt32 = std::int64_t{1} << 32;
    std::int64_t value = 0;
    const std::size_t firstDigit = position;
    while (position < text.size() && text[position] >= '0' && text[position] <= '9') {
        if (value < kBeyondInt32) {
            value = value * 10 + (text[position] - '0');
        }
        ++position;
    }
    if (position == firstDigit) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

// One slot of a piece of the text; an invalid piece is logged against the whole text.
std::optional<std::size_t> readSlot(std::string_view piece, std::string_view wholeText) {
    const std::string_view trimmed = trimSlotPiece(piece);
    const std::optional<std::int64_t> number = leadingNumber(trimmed);
    if (!number || *number < 0 || *number >= static_cast<std::int64_t>(kSlotsPerDay)) {
        gf_logImportant(fmt::format("{} invalid hour '{}' in {}", "operator ()", trimmed, wholeText));
        return std::nullopt;
    }
    return static_cast<std::size_t>(*number);
}

std::vector<std::string_view> splitAt(std::string_view text, char delimiter) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (std::size_t end = text.find(delimiter); end != std::string_view::npos; end = text.find(delimiter, start)) {
        pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    pieces.push_back(text.substr(start));
    return pieces;
}

SlotSet slotList(std::string_view text) {
    SlotSet slots;
    for (const std::string_view piece : splitAt(text, ',')) {
        if (const auto slot = readSlot(piece, text)) {
            slots.set(*slot);
        }
    }
    return slots;
}

SlotSet slotRange(std::string_view text) {
    std::vector<std::size_t> bounds;
    for (const std::string_view piece : splitAt(text, ':')) {
        if (bounds.size() == 2) {
            gf_logImportant(fmt::format("{} more than one colon char in: {}", kFunctionName, text));
            return {};
        }
        const auto slot = readSlot(piece, text);
        if (!slot) {
            return {};
        }
        bounds.push_back(*slot);
    }
    const std::size_t low = bounds[0];
    const std::size_t high = bounds[1];
    if (low > high) {
        gf_logImportant(fmt::format("{} descending range not allowed ({}:{} in {})", kFunctionName, low, high, text));
        return {};
    }
    SlotSet slots;
    for (std::size_t slot = low; slot <= high; ++slot) {
        slots.set(slot);
    }
    return slots;
}

} // namespace

SlotSet gf_hours2bitset(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    return text.find(':') == std::string_view::npos ? slotList(text) : slotRange(text);
}

std::optional<std::string> gf_bitset2hours(const SlotSet& slots) {
    if (slots.none()) {
        return std::nullopt;
    }
    std::size_t first = 0;
    while (!slots.test(first)) {
        ++first;
    }
    std::size_t last = kSlotsPerDay - 1;
    while (!slots.test(last)) {
        --last;
    }
    if (slots.count() != last - first + 1) {
        return std::nullopt;
    }
    return first == last ? fmt::format("{}", first) : fmt::format("{}:{}", first, last);
}

} // namespace kiv

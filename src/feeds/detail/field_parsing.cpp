#include "feeds/detail/field_parsing.h"

#include <charconv>
#include <cmath>

namespace kiv::detail {
namespace {

template <typename T> std::optional<T> parseWhole(std::string_view text, int base) {
    if (text.empty() || text.front() == '-') {
        return std::nullopt;
    }
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<double> parseFiniteDouble(std::string_view text) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::uint32_t> parseDecimalU32(std::string_view text) { return parseWhole<std::uint32_t>(text, 10); }

std::optional<std::uint32_t> parseHexU32(std::string_view text) {
    // from_chars would take "0x" as a 0 followed by junk, which the whole-text rule refuses.
    return parseWhole<std::uint32_t>(text, 16);
}

} // namespace kiv::detail

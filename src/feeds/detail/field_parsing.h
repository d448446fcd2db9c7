// Numbers in feed fields: decimal numbers read whole, and hex ids. Pure functions: any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kiv::detail {

// A finite decimal number that is the whole text (no blanks, no sign "+").
std::optional<double> parseFiniteDouble(std::string_view text);
// At least one decimal digit, nothing else, within 32 bits.
std::optional<std::uint32_t> parseDecimalU32(std::string_view text);
// At least one hexadecimal digit (either case), nothing else, within 32 bits.
std::optional<std::uint32_t> parseHexU32(std::string_view text);

} // namespace kiv::detail

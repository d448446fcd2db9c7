// Sets of half-hour slots (0..47) and their text form "3,5,7" or "10:12", as airport files
// store them. Pure functions apart from the log lines on bad text: any thread.
#pragma once

#include <bitset>
#include <optional>
#include <string>
#include <string_view>

namespace kiv {

inline constexpr std::size_t kSlotsPerDay = 48;
using SlotSet = std::bitset<kSlotsPerDay>;

// Comma-separated slots (bad pieces skipped, each logged) or one ascending range "lo:hi"
// (any fault gives the empty set and a log line).
SlotSet gf_hours2bitset(std::string_view text);
// "lo:hi" or "n" for a set that is one run without gaps; empty for an empty set or one with gaps.
std::optional<std::string> gf_bitset2hours(const SlotSet& slots);

} // namespace kiv

// The user aircraft as the simulator reports it: the 120-byte position reply, the simulator's
// Zulu time as Unix seconds, and the rules that turn the reported title and ATC model into
// the model the program uses. Pure functions; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/byte_reader.h"
#include "simlink/link_commands.h"

namespace kiv {

inline constexpr std::size_t kUserAircraftStateBytes = 120;

// Reads the reply of the user-position definition (registration order); a negative
// altitude is stored as 0. The on-ground flag is not part of the reply and stays false.
UserAircraftState gf_readUserAircraftState(ByteReader& reader);

// Seconds since 1970 of a Zulu date and time (day of year 1 is 1 January); nothing when the
// year lies outside -32767..32767, the day outside the year or the seconds outside a day.
std::optional<std::int64_t> gf_zuluToUnixSeconds(std::int64_t year, std::int64_t dayOfYear, std::int64_t seconds);

// The model some titles stand for whatever their ATC model says ("Aerosoft A319" and
// "Aerosoft A320" fly as "A320", "Aerosoft A321" as "A321").
std::optional<std::string> gf_modelFromTitle(std::string_view title);
// True for the user vehicles that are not aircraft ("camerapod", "Crew Vessel").
bool gf_isNotAnAircraft(std::string_view model);

// The simulator's name reduced to its letters, digits and white space.
std::string gf_reducedSimulatorName(std::string_view name);

} // namespace kiv

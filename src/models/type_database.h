// The aircraft type database "input/dbase.enc": known model and airline codes, cargo types and
// operators, size classes, similar-type groups, wingspans, model-code fixes and the
// registration table. The main worker reads it once at start-up, before any feed thread or
// the simulator loop runs; afterwards every thread only reads the tables, without a lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "feeds/traffic_record.h"
#include "models/interned_codes.h"
#include "models/livery_key.h"

namespace kiv {

using CodeSet = std::set<std::string, std::less<>>;

// One row of the registration table.
struct RegistrationEntry {
    std::string registration;
    LiveryKey key; // present = 1
};

// Half wingspans are kept for model ids below this; ids interned later read 0.
inline constexpr std::size_t kModelRadiusTableSize = 2700;

// Reads "dbase.enc" of the input folder (or `path`) into every table below. Throws
// std::runtime_error when the file is missing, cannot be decrypted, is not well-formed XML or
// has no <root>; UserRelatedException 61 when a required section is missing (the sections
// read before it stay filled).
void gf_readDbase();
void gf_readDbase(const std::filesystem::path& path);

// The known model codes (section aircrafts) and airline codes (section ICAO_airlines).
const CodeSet& gf_knownModelCodes();
const CodeSet& gf_knownAirlineCodes();
bool gf_isKnownModelCode(std::string_view code);
bool gf_isKnownAirlineCode(std::string_view code);

// Wrong model code -> correct model code, as read (the interning tables hold their own copy).
const ModelFixes& gf_modelFixes();

// Groups of similar model codes, each sorted byte-wise, in document order.
const std::vector<std::vector<std::string>>& gf_similarTypeGroups();

// The model's cargo type or else the airline's cargo operation.
bool gf_isCargo(const LiveryKey& key);

// Large, Heavy, Bizjet, TwoProps, Rotorcraft, HighPerf tested in that order; Light otherwise.
SizeClass gf_sizeClassOfModel(std::uint16_t modelId);
SizeClass gf_sizeClassOfModelCode(std::string_view modelCode);

// A callsign of three letters and a digit (and more) names its airline: the three letters,
// upper-cased, become the key's airline id and the result is true. Otherwise nothing changes.
bool gf_airlineCodeFromCallsign(std::string_view callsign, LiveryKey& key);
bool gf_airlineCodeFromCallsign(TrafficRecordHead& head);

// Half the wingspan in nautical miles by model id; 0 when unknown or beyond the table.
double gf_modelRadiusNm(std::uint16_t modelId);
// The largest half wingspan of the wingspans section (0 without one).
double gf_maxModelRadiusNm();
// Model code -> half wingspan in nautical miles.
const std::map<std::string, double, std::less<>>& gf_wingspanMap();

// The key of a registration: "DAIAB" is also tried as "DA-IAB" and "D-AIAB" (not for texts
// shorter than 5, starting with 'N' or holding a '-').
std::optional<LiveryKey> gf_lookupRegistration(std::string_view registration);
// The first registration of the table, in table order, shorter than 6 characters that occurs
// anywhere in `text`.
std::optional<std::string> gf_findShortRegistrationIn(std::string_view text);
// The table, sorted by registration, one row per registration, no empty registration.
const std::vector<RegistrationEntry>& gf_registrationTable();

// Empties every table, the wingspan table included (tests only).
void gf_resetTypeDatabaseForTesting();

} // namespace kiv

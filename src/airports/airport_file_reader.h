// Reading the stands of an airport file (airport_file_format.h): the
// parkpositions section, one parkpos element, and the identity of one learned
// option. Reading never throws for bad content: a refused stand is logged, a
// refused option skipped. Works on the caller's document only; any thread (the
// interning of airline and model codes is safe from any thread).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "airports/stand.h"
#include "models/livery_key.h"

namespace kiv {

// Appends the stands of root > parkpositions (or node > parkpositions when
// there is no root): at most 512 elements are looked at, ids trimmed, an
// element without id, with an empty id or with an id seen before is skipped
// with a log line. Options read here are marked fromFile.
void lf_readParkpositions(const pugi::xml_node& node, std::vector<Stand>& stands);

// Parses one parkpos element with the given (already trimmed) id and appends
// the stand; false, with a log line, when its position, type, radius or heading
// cannot be used.
bool lf_parseParkpos(const pugi::xml_node& parkpos, std::string id, std::uint32_t fromFile, std::vector<Stand>& stands);

// The usable <opt> children of a parkpos element, numbered from 1 in file order: an option
// without "hh", with an empty slot set or without a valid day is left out.
std::vector<FlightOption> lf_readStandOptions(const pugi::xml_node& parkpos, std::uint32_t fromFile);

struct OptionIdentity {
    std::string cs;
    std::string cs2;
    LiveryKey key;
};
// "cs" split at its first ':'; the key of the registration when the type
// database knows it, otherwise the interned "airl" and "type".
OptionIdentity lf_readOptionIdentity(const pugi::xml_node& opt);
LiveryKey lf_keyFromAirlineAndType(const pugi::xml_node& opt);

// The stand of one parkpos element: radius in metres (kept in nautical miles),
// heading in radians stored as given; number, overlaps and the planning flags
// empty.
Stand gf_makeFileStand(std::string id, std::vector<FlightOption> options, double latitude, double longitude,
                       double headingRad, double radiusMetres, std::uint32_t type, bool cargo, bool ramp, bool heli);

} // namespace kiv

// Writing an airport file (airport_file_format.h) from a BglAirport: the
// generated file of the scenery scan, the learned copy and the handmade learned
// copy of the learned-data save. The file is saved under a temporary name
// beside the target and moved over it, so the target is only ever replaced by a
// complete document. Any thread; concurrent writers of one process never share
// a temporary name, but the caller serialises writes of the same target.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include <pugixml.hpp>

#include "airports/airport_file_format.h"
#include "airports/bgl_airport.h"

namespace kiv {

// kind: kGeneratedAirportFile (every stand with its geometry, the stand count)
// or kLearnedAirportFile (the learned options of every stand; geometry only for
// manual stands, or for all when handmade; the park keys when given). sim goes
// into the info header. False, with the target untouched, when a stand is
// unusable or the file cannot be written.
bool gf_writeApf(const BglAirport& airport, const std::filesystem::path& output, std::uint32_t kind, std::uint32_t sim,
                 bool handmade, const std::optional<ParkKeys>& keys);

// The parameters section; false when an element or attribute could not be
// added.
bool lf_writeParameters(pugi::xml_node root, const BglAirport& airport, std::uint32_t kind, bool handmade,
                        const std::optional<ParkKeys>& keys);

// A parameter element whose value is "{:.4f}"; false when it could not be
// added.
bool lf_appendDoubleParameter(pugi::xml_node parent, std::string_view name, double value);

// The "hh" text of an option's slots: "first:last" for one run, the slot alone
// for one slot, else a comma list of single slots ("2,5,8,9,10"), which every
// reader of the format reads; nothing for an empty set.
std::optional<std::string> lf_optionSlotText(const std::bitset<48>& slots);

} // namespace kiv

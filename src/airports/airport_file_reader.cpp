#include "airports/airport_file_reader.h"

#include <cmath>
#include <cstdlib>
#include <unordered_set>
#include <utility>

#include <fmt/format.h>

#include "airports/airport_file_format.h"
#include "foundation/half_hour_slots.h"
#include "foundation/log.h"
#include "foundation/string_helpers.h"
#include "models/interned_codes.h"
#include "models/type_database.h"

namespace kiv {
namespace {

bool isValidStandPosition(double latitude, double longitude) {
    const bool inRange = latitude >= -90.0 && latitude <= 90.0 && longitude >= -180.0 && longitude <= 180.0;
    const bool nullIsland = std::abs(latitude) <= 0.0001 && std::abs(longitude) <= 0.0001;
    return inRange && !nullIsland;
}

// A missing or non-numeric coordinate would put the stand on the equator or the prime meridian.
std::optional<double> coordinateOf(const pugi::xml_attribute& attribute) {
    const char* text = attribute.as_string();
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    return end == text ? std::nullopt : std::optional<double>(value);
}

std::uint32_t typeOf(const pugi::xml_node& parkpos) {
    const std::string_view name = parkpos.attribute("typestr").as_string();
    if (!name.empty()) {
        return gf_parkingTypeFromName(name);
    }
    const int code = parkpos.attribute("type").as_int(0);
    return code >= 0 && static_cast<std::uint32_t>(code) < kParkingTypeCount ? static_cast<std::uint32_t>(code) : 0;
}

bool isCargoType(std::uint32_t type) {
    return type == gf_parkingTypeCode(ParkingType::ramp_cargo) ||
           type == gf_parkingTypeCode(ParkingType::ramp_mil_cargo);
}

bool isRampType(std::uint32_t type) {
    using enum ParkingType;
    for (const ParkingType ramp : {ramp_ga, ramp_ga_small, ramp_ga_medium, ramp_ga_large, ramp_ga_extra}) {
        if (type == gf_parkingTypeCode(ramp)) {
            return true;
        }
    }
    return false;
}

// A stand without a type takes one from its cargo and ramp flags and its size.
std::uint32_t typeFromFlags(bool cargo, bool ramp, double radiusMetres) {
    using enum ParkingType;
    if (cargo) {
        return gf_parkingTypeCode(ramp_cargo);
    }
    if (ramp) {
        return gf_parkingTypeCode(radiusMetres >= 30.0   ? ramp_ga_large
                                  : radiusMetres >= 16.0 ? ramp_ga_medium
                                                         : ramp_ga_small);
    }
    return gf_parkingTypeCode(radiusMetres >= 30.0 ? gate_heavy : radiusMetres >= 16.0 ? gate_medium : gate_small);
}

double normalisedHeadingRad(double headingDeg) {
    double heading = std::fmod(headingDeg * kDegToRad, kTwoPi);
    if (heading < 0.0) {
        heading += kTwoPi;
    }
    return heading >= kTwoPi ? 0.0 : heading;
}

} // namespace

std::vector<FlightOption> lf_readStandOptions(const pugi::xml_node& parkpos, std::uint32_t fromFile) {
    std::vector<FlightOption> options;
    options.reserve(
        static_cast<std::size_t>(std::distance(parkpos.children("opt").begin(), parkpos.children("opt").end())));
    std::uint32_t seq = 1;
    for (const pugi::xml_node opt : parkpos.children("opt")) {
        OptionIdentity identity = lf_readOptionIdentity(opt);
        const std::string_view hours = opt.attribute("hh").as_string();
        const std::optional<std::uint32_t> day = gf_readOptionDay(opt);
        if (hours.empty() || !day) {
            continue;
        }
        const SlotSet slots = gf_hours2bitset(hours);
        if (slots.none()) {
            continue;
        }
        FlightOption option;
        option.key = identity.key;
        option.reg = opt.attribute("reg").as_string();
        option.cs = std::move(identity.cs);
        option.cs2 = std::move(identity.cs2);
        option.hh = slots;
        option.seq = seq++;
        option.day = *day;
        option.fromFile = fromFile;
        option.real = opt.attribute("soft").as_bool(false) ? 0 : 1;
        option.cpl = opt.attribute("cpl").as_bool(false);
        options.push_back(std::move(option));
    }
    return options;
}

Stand gf_makeFileStand(std::string id, std::vector<FlightOption> options, double latitude, double longitude,
                       double headingRad, double radiusMetres, std::uint32_t type, bool cargo, bool ramp, bool heli) {
    Stand stand;
    stand.options = std::move(options);
    stand.id = std::move(id);
    stand.latitude = latitude;
    stand.longitude = longitude;
    stand.heading = headingRad;
    stand.radius = radiusMetres * kNmPerMetre;
    stand.type = type;
    stand.cargo = cargo;
    stand.ramp = ramp;
    stand.heli = heli;
    return stand;
}

LiveryKey lf_keyFromAirlineAndType(const pugi::xml_node& opt) {
    LiveryKey key;
    key.airlineId = gf_airlineId(opt.attribute("airl").as_string());
    key.modelId = gf_modelId(opt.attribute("type").as_string());
    return key;
}

OptionIdentity lf_readOptionIdentity(const pugi::xml_node& opt) {
    OptionIdentity identity;
    const std::string_view callsigns = opt.attribute("cs").as_string();
    const std::size_t colon = callsigns.find(':');
    identity.cs = std::string(callsigns.substr(0, colon));
    if (colon != std::string_view::npos) {
        identity.cs2 = std::string(callsigns.substr(colon + 1));
    }
    const std::string_view registration = opt.attribute("reg").as_string();
    std::optional<LiveryKey> known;
    if (!registration.empty()) {
        known = gf_lookupRegistration(registration);
    }
    identity.key = known ? *known : lf_keyFromAirlineAndType(opt);
    return identity;
}

bool lf_parseParkpos(const pugi::xml_node& parkpos, std::string id, std::uint32_t fromFile,
                     std::vector<Stand>& stands) {
    const std::optional<double> latitude = coordinateOf(parkpos.attribute("latitude"));
    const std::optional<double> longitude = coordinateOf(parkpos.attribute("longitude"));
    if (!latitude || !longitude || !isValidStandPosition(*latitude, *longitude)) {
        gf_logImportant(fmt::format("stand {} has no valid lat/lon", id));
        return false;
    }
    const double radiusMetres = parkpos.attribute("radius").as_double(0.0);
    const double headingDeg = parkpos.attribute("heading").as_double(0.0);
    const bool heli = parkpos.attribute("heli").as_bool(false);
    std::uint32_t type = typeOf(parkpos);
    bool cargo = false;
    bool ramp = false;
    if (type != 0) {
        cargo = isCargoType(type);
        ramp = isRampType(type);
    } else {
        cargo = parkpos.attribute("cargo").as_bool(false);
        ramp = parkpos.attribute("ramp").as_bool(false);
        if (!heli) {
            if (!parkpos.attribute("cargo") || !parkpos.attribute("ramp")) {
                gf_logImportant(fmt::format("stand {} has no valid type, and no valid cargo/ramp fallback info", id));
                return false;
            }
            if (!(radiusMetres > 0.0)) {
                gf_logImportant(fmt::format("stand {} has no valid type and no usable radius", id));
                return false;
            }
            type = typeFromFlags(cargo, ramp, radiusMetres);
        }
    }
    if (!std::isfinite(radiusMetres) || !(radiusMetres > 0.0) || !std::isfinite(headingDeg)) {
        gf_logImportant(fmt::format("stand {} has invalid radius or heading", id));
        return false;
    }
    std::vector<FlightOption> options = lf_readStandOptions(parkpos, fromFile);
    stands.push_back(gf_makeFileStand(std::move(id), std::move(options), *latitude, *longitude,
                                      normalisedHeadingRad(headingDeg), radiusMetres, type, cargo, ramp, heli));
    return true;
}

void lf_readParkpositions(const pugi::xml_node& node, std::vector<Stand>& stands) {
    const pugi::xml_node root = node.child("root") ? node.child("root") : node;
    const pugi::xml_node section = root.child("parkpositions");
    if (!section) {
        gf_logLine(fmt::format("airport file has no '{}' section", "parkpositions"));
        return;
    }
    std::unordered_set<std::string> seen;
    seen.reserve(kMaxStandsPerAirportFile);
    std::size_t count = 0;
    for (const pugi::xml_node parkpos : section.children("parkpos")) {
        if (++count > kMaxStandsPerAirportFile) {
            gf_logImportant(fmt::format("airport file contains more than {} stands; remaining stands skipped",
                                        kMaxStandsPerAirportFile));
            return;
        }
        const pugi::xml_attribute idAttribute = parkpos.attribute("id");
        if (!idAttribute) {
            gf_logImportant(fmt::format("Parking position #{} has no '{}' attribute, skipped.", count, "id"));
            continue;
        }
        std::string id = gf_trim(idAttribute.as_string());
        if (id.empty()) {
            gf_logImportant(fmt::format("Stand #{} has empty '{}' attribute, skipped.", count, "id"));
            continue;
        }
        if (!seen.insert(id).second) {
            gf_logImportant(fmt::format("Stand '{}' appears more than once, last one skipped!", id));
            continue;
        }
        lf_parseParkpos(parkpos, std::move(id), 1, stands);
    }
}

} // namespace kiv

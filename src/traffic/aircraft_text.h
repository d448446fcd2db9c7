// Text forms of routes, aircraft and weekday slots used in every log line about an aircraft.
// The code names of a livery key come from the models subsystem, installed once at start;
// any thread may format.
#pragma once

#include <string>

#include <fmt/format.h>

#include "traffic/aircraft_records.h"

namespace kiv {

// nullptr: ids are printed as numbers. The port must outlive every formatting call.
void gf_installModelCodeNames(const ModelsPort* models);

std::string gf_routeText(const Route& route);
// "{:3}{:4} {:4}{}{:3}": airline, ",operator", model, "." when present, "(C)" for cargo.
std::string lf_liveryKeyText(const LiveryKey& key);
// "{:8} {:12} {}" callsign, registration, route, then " " and the livery key text.
std::string gf_aircraftText(const AircraftInfo& info);
// The livery key's code line, a blank and the registration.
std::string lf_printSpawnLine(const AircraftInfo& info);

} // namespace kiv

template <> struct fmt::formatter<kiv::Route> : fmt::formatter<std::string> {
    auto format(const kiv::Route& route, format_context& ctx) const {
        return fmt::formatter<std::string>::format(kiv::gf_routeText(route), ctx);
    }
};

template <> struct fmt::formatter<kiv::AircraftInfo> : fmt::formatter<std::string> {
    auto format(const kiv::AircraftInfo& info, format_context& ctx) const {
        return fmt::formatter<std::string>::format(kiv::gf_aircraftText(info), ctx);
    }
};

template <> struct fmt::formatter<kiv::AircraftRecord> : fmt::formatter<std::string> {
    auto format(const kiv::AircraftRecord& aircraft, format_context& ctx) const {
        return fmt::formatter<std::string>::format(kiv::gf_aircraftText(aircraft.info), ctx);
    }
};
template <> struct fmt::formatter<kiv::LiveAircraft> : fmt::formatter<kiv::AircraftRecord> {};
template <> struct fmt::formatter<kiv::StaticAircraft> : fmt::formatter<kiv::AircraftRecord> {};

template <> struct fmt::formatter<kiv::WeekdaySlot> : fmt::formatter<std::string> {
    auto format(const kiv::WeekdaySlot& slot, format_context& ctx) const {
        return fmt::formatter<std::string>::format(fmt::format("[{},{}]", slot.weekday(), slot.slot()), ctx);
    }
};

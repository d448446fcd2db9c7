// The traffic manager's view of the airports subsystem (traffic/neighbour_ports.h): the current
// park airport, its altitude and whether an airport has a file. Holds no state of its own;
// every call reads the airports globals under their locks, so any thread may call.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "traffic/neighbour_ports.h"

namespace kiv {

class AirportsService : public AirportsPort {
public:
    std::optional<double> gf_parkAirportAltitude() const override;
    bool gf_airportFileExists(std::string_view icaoCode) const override;
    // The reserved stand lives in the park-airport list, which this subsystem does not hold
    // yet: until it does there is never a reserved stand.
    std::optional<std::string> gf_currentParkAirportStand() const override;
    ParkAirportInfo currentParkAirport() const override;
    void clearCurrentParkAirport() override;
    bool gf_isNearParkAirport(double latitude, double longitude) const override;
};

} // namespace kiv

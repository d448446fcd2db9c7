// The traffic manager's view of the airports subsystem (traffic/neighbour_ports.h): the current
// park airport, its altitude and whether an airport has a file, the park airport's file with its
// learned copy, and the park-airport list. Holds no state of its own; every call reads the
// airports globals under their locks, so any thread may call.
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
    std::optional<std::string> gf_currentParkAirportStand() const override;
    ParkAirportInfo currentParkAirport() const override;
    void clearCurrentParkAirport() override;
    bool gf_isNearParkAirport(double latitude, double longitude) const override;
    std::optional<KnownAirportInfo> gf_nearestKnownAirport(double latitude, double longitude,
                                                           double withinNm) const override;
    std::optional<KnownAirportInfo> gf_findKnownAirport(std::string_view icaoCode) const override;

    std::optional<std::filesystem::path> gf_findAirportFilePath(std::string_view icaoCode) const override;
    // A file without "altitude" throws UserRelatedException to the caller.
    ParkAirportFile readAndApplyAirportFile(const std::filesystem::path& path) override;
    void gf_saveLearned(std::span<const Stand> stands, bool handmade) override;
    void gf_applyParkSettings() override;
    void gf_addLearnedUpdate() override;
    void resetLearnedUpdates() override;
    void noteUserStand(const ParkAirportInfo& airport, const std::optional<std::string>& userStand) override;
    void gf_selectNearestParkAirport(double latitude, double longitude) override;
    void gf_checkParkAirportReach(double latitude, double longitude) override;
    void gf_parkAirportOnGround(double latitude, double longitude) override;
};

} // namespace kiv

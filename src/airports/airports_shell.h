// What reading, applying and saving airport files and the park-airport choice need of the
// application shell (the message line and the window's parking band, reached through the GUI
// update queue) and of the traffic side (parking resets, the feed readers' park-airport
// value, the user aircraft). The program installs its implementations once at start-up;
// until then, and in tests that install none, a default logs shown messages and does
// nothing else. The installed objects must outlive every call; any thread may call.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/icao_code.h"

namespace kiv {

class AirportsShell {
public:
    virtual ~AirportsShell() = default;

    // The message line, optionally also written to the log.
    virtual void showMessage(std::string_view text, bool log) = 0;
    virtual void postStandCount(std::uint64_t count) = 0;
    virtual void postQualityText(std::string text) = 0;
    virtual void setPublisher(std::string text, bool handmade) = 0;
    virtual void repaintParking() = 0;
    // The park airport shown in the parking band; empty when the chosen one is unknown.
    virtual void postParkAirport(std::optional<IcaoCode> code) = 0;
    // The parking band's controls follow the park settings.
    virtual void updateParkingControls() = 0;
    virtual void updateControlsForRtParkedOnly() = 0;
    virtual void updateControlsForAutoPark() = 0;
};

class ParkingNeighbours {
public:
    virtual ~ParkingNeighbours() = default;

    // The park airport's altitude in feet for the active traffic reader's own use.
    virtual void setRTAppParkAirportValue(std::optional<double> altitudeFt) = 0;
    virtual void setRTAPIParkAirportValue(std::optional<double> altitudeFt) = 0;
    // Removes the parked aircraft of the park airport in use.
    virtual void clearParking() = 0;
    virtual void disableParkingControls() = 0;
    virtual void clearReceivedTraffic() = 0;
    virtual void requestRTAppParkedTraffic() = 0;
    // The parking is made anew on the next parking sweep.
    virtual void requestParkingRegeneration() = 0;
    virtual bool userOnGround() const = 0;
    virtual double userHeightAboveGroundFt() const = 0;
};

// nullptr restores the default.
void gf_setAirportsShell(AirportsShell* shell);
AirportsShell& gf_airportsShell();
void gf_setParkingNeighbours(ParkingNeighbours* neighbours);
ParkingNeighbours& gf_parkingNeighbours();

} // namespace kiv

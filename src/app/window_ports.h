// What the main window's commands reach beyond the settings and the Gui: the request flags
// and counters of the traffic side, the traffic sources, the park airports and stands, the
// user aircraft and the shell. The program's wiring implements it over the real neighbours;
// tests pass a recording fake. GUI thread, except where a member says otherwise.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "foundation/icao_code.h"

namespace kiv {

// The four aircraft classes the main window can switch off.
enum class AircraftClass : std::uint8_t { twoProps, light, helicopters, highPerformance };

struct UserAltitude {
    bool onGround = true;
    double altitudeFt = 0.0;
};

// The stands of one airport's airport file, or the reason they could not be read.
struct StandsRead {
    bool ok = false;
    std::vector<std::string> names;
    std::string error;
};

class WindowPorts {
public:
    virtual ~WindowPorts() = default;

    // Traffic side: request flags that the simulator loop takes and clears.
    virtual void requestFlushStatics() = 0;
    virtual void requestAircraftList() = 0;
    virtual void removeAircraftClass(AircraftClass aircraftClass) = 0;
    virtual void maxLiveChanged() = 0;
    virtual void maxParkChanged() = 0;
    virtual void matchingDepthRaised() = 0;
    virtual void setNavLightsWhileParked(bool on) = 0;
    virtual void raiseBlockChanged() = 0;
    // Under the parking-request lock: one more parking-option change with the new value.
    virtual void countParkingOptionChange(bool rtParkedOnly) = 0;
    // Under the parking-request lock: one more parking update asked for.
    virtual void countParkingRequest() = 0;
    virtual void setParkingCountdown(std::int32_t minutes) = 0;
    virtual void clearParkingGenerating() = 0;
    virtual bool parkingActive() const = 0;
    // Empties the current park-airport record.
    virtual void clearParkAirportRecord() = 0;

    // Traffic sources (any thread for the time shift).
    virtual bool rtAppServerRunning() const = 0;
    virtual void closeRtAppServer() = 0;
    virtual void requestRtAppParkedTraffic() = 0;
    virtual void setSourceTimeShifts(std::int32_t minutes) = 0;
    virtual void rtDirectRangeChanged(std::int32_t rangeNm) = 0;
    virtual bool sourceConnected() const = 0;
    // The active source's latest traffic time; 0 while none came (any thread).
    virtual std::int64_t latestTrafficTime() const = 0;

    // Airports and stands.
    virtual bool isKnownAirport(const IcaoCode& code) const = 0;
    virtual StandsRead readStands(const IcaoCode& code) = 0;
    // The stand reserved at that park airport; empty when none.
    virtual std::string parkAirportStand(const IcaoCode& code) = 0;
    // Under the park-airport list's lock; false when the airport has no entry.
    virtual bool setReservedStand(const IcaoCode& code, const std::string& stand) = 0;
    virtual void moveParkAirportToFront(const IcaoCode& code) = 0;

    // The simulator link.
    virtual std::uint8_t simLinkState() const = 0;
    virtual UserAltitude userAltitude() const = 0;
    // The simulator's time in epoch seconds while it is valid (any thread).
    virtual std::optional<std::int64_t> simulatorTime() const = 0;

    // The shell.
    virtual bool openTbloArchiveFolder() = 0;
    virtual void startMainWorker() = 0;
    virtual void joinMainWorker() = 0;
    virtual int exitCode() const = 0;

protected:
    WindowPorts() = default;
    WindowPorts(const WindowPorts&) = default;
    WindowPorts& operator=(const WindowPorts&) = default;
};

} // namespace kiv

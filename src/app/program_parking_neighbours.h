// The airports subsystem's parking neighbours in the running program: the traffic feeds'
// park-airport values and received traffic, the traffic side's parking (cleared by its parking
// steps, regenerated on request), the parking controls (through the shell port) and the user
// aircraft as the simulator link last reported it. The parking sweep calls it from the
// simulator-loop thread, start-up from the main worker before that loop runs.
#pragma once

#include <optional>

#include "airports/airports_shell.h"

namespace kiv {

class FeedsService;
class ParkingSteps;
class ShellPort;
class SimLinkPort;
class TrafficState;

class ProgramParkingNeighbours final : public ParkingNeighbours {
public:
    // Every reference must outlive the object; they may still be under construction.
    ProgramParkingNeighbours(TrafficState& traffic, ParkingSteps& parking, FeedsService& feeds, ShellPort& shell,
                             const SimLinkPort& link)
        : traffic_(traffic), parking_(parking), feeds_(feeds), shell_(shell), link_(link) {}

    void setRTAppParkAirportValue(std::optional<double> altitudeFt) override;
    void setRTAPIParkAirportValue(std::optional<double> altitudeFt) override;
    void clearParking() override;
    void disableParkingControls() override;
    void clearReceivedTraffic() override;
    void requestRTAppParkedTraffic() override;
    void requestParkingRegeneration() override;
    bool userOnGround() const override;
    double userHeightAboveGroundFt() const override;

private:
    TrafficState& traffic_;
    ParkingSteps& parking_;
    FeedsService& feeds_;
    ShellPort& shell_;
    const SimLinkPort& link_;
};

} // namespace kiv

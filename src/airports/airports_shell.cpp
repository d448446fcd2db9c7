#include "airports/airports_shell.h"

#include <atomic>

#include "foundation/log.h"

namespace kiv {
namespace {

class LoggingShell final : public AirportsShell {
public:
    void showMessage(std::string_view text, bool log) override {
        if (log) {
            gf_logLine(text);
        }
    }
    void postStandCount(std::uint64_t) override {}
    void postQualityText(std::string) override {}
    void setPublisher(std::string, bool) override {}
    void repaintParking() override {}
    void postParkAirport(std::optional<IcaoCode>) override {}
    void updateParkingControls() override {}
    void updateControlsForRtParkedOnly() override {}
    void updateControlsForAutoPark() override {}
};

// The aircraft counts as airborne and high, so that nothing is chosen by default.
class NoParkingNeighbours final : public ParkingNeighbours {
public:
    void setRTAppParkAirportValue(std::optional<double>) override {}
    void setRTAPIParkAirportValue(std::optional<double>) override {}
    void clearParking() override {}
    void disableParkingControls() override {}
    void clearReceivedTraffic() override {}
    void requestRTAppParkedTraffic() override {}
    void requestParkingRegeneration() override {}
    bool userOnGround() const override { return false; }
    double userHeightAboveGroundFt() const override { return 1.0e9; }
};

LoggingShell defaultShell;
NoParkingNeighbours defaultNeighbours;
std::atomic<AirportsShell*> installedShell{nullptr};
std::atomic<ParkingNeighbours*> installedNeighbours{nullptr};

} // namespace

void gf_setAirportsShell(AirportsShell* shell) { installedShell.store(shell); }

AirportsShell& gf_airportsShell() {
    AirportsShell* shell = installedShell.load();
    return shell != nullptr ? *shell : defaultShell;
}

void gf_setParkingNeighbours(ParkingNeighbours* neighbours) { installedNeighbours.store(neighbours); }

ParkingNeighbours& gf_parkingNeighbours() {
    ParkingNeighbours* neighbours = installedNeighbours.load();
    return neighbours != nullptr ? *neighbours : defaultNeighbours;
}

} // namespace kiv

// The traffic manager's shell port over the main window: posts to the GUI update queue, the
// stop slot, and the window commands of the parking section, which the GUI thread carries out.
// Called from the simulator-loop thread; the counts read its traffic state.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "traffic/neighbour_ports.h"

namespace kiv {

class Gui;
class TrafficState;
class WindowPorts;
struct ParkingBandFlags;

class GuiShellPort final : public ShellPort {
public:
    // Every reference must outlive the port; `traffic` may still be under construction.
    GuiShellPort(Gui& gui, WindowPorts& windowPorts, TrafficState& traffic, ParkingBandFlags& parkingBand);

    bool gf_isRunning() const override;
    void installStopRequest(std::uint32_t exitReason, std::uint32_t delaySeconds) override;
    void showMessage(const std::string& text, bool log) override;
    void enableAircraftButton() override;
    void fillAircraftList(const std::vector<std::string>& entries) override;
    void postLiveCount(std::uint64_t count) override;
    void postParkCounts(std::uint64_t live, std::uint64_t statics) override;
    void postRepaint(std::uint32_t mask) override;
    void postExpireMessage() override;
    void postClearMessage() override;
    void postClearError() override;
    void postStaticExtra(std::uint64_t count) override;
    void postMaxPark(std::uint32_t count, std::uint32_t percent) override;
    void postParkingCountdown(std::uint32_t minutes) override;
    void postReaderStatus(std::uint32_t weather, std::uint32_t traffic) override;
    void gf_updateGuiAircraftCounts() override;
    void gf_followSimTime() override;
    void gf_updateAutoRange() override;
    void gf_disableParkingControls() override;
    void gf_showSupportHint() override;
    bool airportScanReportedProblem() const override;

    void postStaticFit(float hours) override;
    void setLiveFit(float hours) override;
    void setStaticFitHidden(bool hidden) override;
    void postParkAirport(std::uint64_t key) override;
    void postParkingUpdates(std::uint32_t count) override;
    void postLearnedChanges(std::uint32_t count) override;
    void setParkAirportInfo(bool hasFile, const std::string& airportName) override;
    void setPublisher(const std::string& text, bool flag) override;
    void markGeneratingParking() override;
    void gf_enableParkingControls() override;
    void gf_resetParkingCountdown() override;
    void disableParkButtons() override;

private:
    Gui& gui_;
    WindowPorts& windowPorts_;
    TrafficState& traffic_;
    ParkingBandFlags& parkingBand_;
};

} // namespace kiv

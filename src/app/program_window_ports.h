// The main window's ports in the running program: the traffic state's request flags and
// counters, the traffic feeds' attached road, the park airports and stands, the simulator
// link and the shell's own callbacks (the main worker, the exit code, the file manager). GUI
// thread, except where window_ports.h says otherwise; the flags it writes are atomics or
// taken under their mutex, so the simulator loop reads them safely.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "app/window_ports.h"

namespace kiv {

class FeedsService;
class SimLink;
class TrafficState;
struct ParkingBandFlags;

// What the program's creator of the window ports hands in.
struct ShellCallbacks {
    std::function<void()> startMainWorker;
    std::function<void()> joinMainWorker;
    std::function<int()> exitCode;
    // Shows the path in the desktop's file manager; false when that failed.
    std::function<bool(const std::filesystem::path&)> openInFileManager;
};

class ProgramWindowPorts final : public WindowPorts {
public:
    // Every reference must outlive the object; they may still be under construction.
    ProgramWindowPorts(TrafficState& traffic, ParkingBandFlags& parkingBand, FeedsService& feeds, const SimLink& link,
                       ShellCallbacks callbacks);

    void requestFlushStatics() override;
    void requestAircraftList() override;
    void removeAircraftClass(AircraftClass aircraftClass) override;
    void maxLiveChanged() override;
    void maxParkChanged() override;
    void matchingDepthRaised() override;
    void setNavLightsWhileParked(bool on) override;
    void raiseBlockChanged() override;
    void countParkingOptionChange(bool rtParkedOnly) override;
    void countParkingRequest() override;
    void setParkingCountdown(std::int32_t minutes) override;
    void clearParkingGenerating() override;
    bool parkingActive() const override;
    void clearParkAirportRecord() override;

    bool rtAppServerRunning() const override;
    void closeRtAppServer() override;
    void requestRtAppParkedTraffic() override;
    void setSourceTimeShifts(std::int32_t minutes) override;
    void rtDirectRangeChanged(std::int32_t rangeNm) override;
    bool sourceConnected() const override;
    std::int64_t latestTrafficTime() const override;

    bool isKnownAirport(const IcaoCode& code) const override;
    StandsRead readStands(const IcaoCode& code) override;
    std::string parkAirportStand(const IcaoCode& code) override;
    bool setReservedStand(const IcaoCode& code, const std::string& stand) override;
    void moveParkAirportToFront(const IcaoCode& code) override;

    std::uint8_t simLinkState() const override;
    UserAltitude userAltitude() const override;
    std::optional<std::int64_t> simulatorTime() const override;

    bool openTbloArchiveFolder() override;
    void startMainWorker() override;
    void joinMainWorker() override;
    int exitCode() const override;

private:
    TrafficState& traffic_;
    ParkingBandFlags& parkingBand_;
    FeedsService& feeds_;
    const SimLink& link_;
    ShellCallbacks callbacks_;
};

} // namespace kiv

// The motion environment of the running program: the traffic state's tick, tables and
// queues, its per-aircraft commands and later steps, and the neighbours behind its ports.
// A thin view over one TrafficState; made and used on the simulator-loop thread.
#pragma once

#include "motion/motion_environment.h"

namespace kiv {

class TrafficState;

class TrafficMotionEnvironment final : public MotionEnvironment {
public:
    explicit TrafficMotionEnvironment(TrafficState& state) : state_(state) {}

    std::uint32_t simTick() const override;
    std::int64_t systemTime100ns() const override;
    std::uint64_t randomIndex(std::uint64_t n) override;

    std::shared_ptr<const SettingsSnapshot> settings() const override;
    bool isSizeClassIncluded(SizeClass sizeClass) const override;
    std::int32_t currentQnh() const override;
    UserAircraftState userAircraft() const override;

    std::optional<double> parkAirportAltitude() const override;
    bool isNearParkAirport(const Lalo& position) const override;
    ParkAirportInfo parkAirport() const override;
    const Stand* parkStand(std::uint32_t standId) const override;
    std::string standName(std::uint32_t standId) const override;
    bool airportFileLoaded() const override;

    void setThrottle(LiveAircraft& aircraft, std::uint32_t index) override;
    void setFlaps(LiveAircraft& aircraft, std::uint32_t index) override;
    void setGear(LiveAircraft& aircraft, std::uint8_t down) override;
    void setSpoilers(LiveAircraft& aircraft, std::uint8_t on) override;
    void setAllLights(const LiveAircraft& aircraft, const LightSet& lights) override;
    void setCabinLights(const LiveAircraft& aircraft, std::uint32_t on) override;
    void engineAutoStart(const LiveAircraft& aircraft) override;
    void setReverseThrust(const LiveAircraft& aircraft, std::uint8_t active, std::uint8_t reverse) override;

    void try2Park(LiveAircraft& aircraft) override;
    void removeAircraftFromSim(LiveAircraft& aircraft) override;
    void noMoreNextPos(LiveAircraft& aircraft) override;
    std::uint32_t standUseByOtherLive(std::uint32_t standId, std::uint32_t ownHexId) const override;
    void addRealStandOption(std::uint32_t standId, const LiveAircraft& aircraft, std::uint8_t flag) override;
    void limitParkedAircraft(std::uint32_t extra) override;
    void queueParkedAction(const ParkedAction& action) override;
    void notifyHexId(std::uint32_t hexId) override;
    void postFlightMessage(std::string text) override;
    void setFastPoll() override;
    WeekdaySlot currentSlot() const override;

private:
    TrafficState& state_;
};

} // namespace kiv

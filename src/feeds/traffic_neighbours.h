// The feeds' neighbours as the program has them: the traffic manager's intake, published user
// aircraft, park stands and size-class switches, the park airport through the traffic side's
// airports port, and the simulator clock the shell hands in. Any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "feeds/feeds_neighbours.h"
#include "traffic/traffic_state.h"

namespace kiv {

class TrafficNeighbours final : public FeedsNeighbours {
public:
    using SimulatorClock = std::function<std::optional<std::int64_t>()>;

    // `state.ports.airports` must answer the park-airport questions from any thread.
    TrafficNeighbours(TrafficState& state, SimulatorClock simulatorClock);

    void postTrafficBatch(TrafficBatch& batch, BatchKind kind, std::uint32_t delaySeconds,
                          bool discardWhenOff) override;
    std::shared_ptr<const UserAircraftState> userAircraft() const override;
    std::optional<std::string> standAtPosition(double latitude, double longitude) const override;
    bool isSizeClassIncluded(SizeClass sizeClass) const override;
    ParkAirportInfo currentParkAirport() const override;
    std::optional<std::string> currentParkAirportStand() const override;
    std::optional<std::int64_t> simulatorUtcSeconds() const override;

private:
    TrafficState& state_;
    SimulatorClock simulatorClock_;
};

} // namespace kiv

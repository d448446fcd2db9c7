#include "feeds/traffic_neighbours.h"

#include <utility>

#include "traffic/batch_intake.h"
#include "traffic/park_stands.h"

namespace kiv {

TrafficNeighbours::TrafficNeighbours(TrafficState& state, SimulatorClock simulatorClock)
    : state_(state), simulatorClock_(std::move(simulatorClock)) {}

void TrafficNeighbours::postTrafficBatch(TrafficBatch& batch, BatchKind kind, std::uint32_t delaySeconds,
                                         bool discardWhenOff) {
    gf_postTrafficBatch(state_, batch, kind, delaySeconds, discardWhenOff);
}

std::shared_ptr<const UserAircraftState> TrafficNeighbours::userAircraft() const { return state_.publishedUser.load(); }

std::optional<std::string> TrafficNeighbours::standAtPosition(double latitude, double longitude) const {
    return gf_findStandAtPosition(state_, latitude, longitude);
}

bool TrafficNeighbours::isSizeClassIncluded(SizeClass sizeClass) const { return gf_isSizeClassIncluded(sizeClass); }

ParkAirportInfo TrafficNeighbours::currentParkAirport() const { return state_.ports.airports.currentParkAirport(); }

std::optional<std::string> TrafficNeighbours::currentParkAirportStand() const {
    return state_.ports.airports.gf_currentParkAirportStand();
}

std::optional<std::int64_t> TrafficNeighbours::simulatorUtcSeconds() const {
    return simulatorClock_ ? simulatorClock_() : std::nullopt;
}

} // namespace kiv

// What the traffic feeds read and hand over beyond their own state: the traffic manager's
// batch intake and published user aircraft, the park airport and its stands, and the
// simulator's clock. The program wires the real subsystems in (TrafficNeighbours); tests
// pass fakes. Every member may be called from the feed threads and the traffic side.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "feeds/traffic_record.h"
#include "simlink/link_commands.h"
#include "traffic/neighbour_ports.h"
#include "traffic/traffic_mailbox.h"

namespace kiv {

class FeedsNeighbours {
public:
    virtual ~FeedsNeighbours() = default;

    // The traffic manager's intake; `batch` is empty on return.
    virtual void postTrafficBatch(TrafficBatch& batch, BatchKind kind, std::uint32_t delaySeconds,
                                  bool discardWhenOff) = 0;
    // The latest published user-aircraft state (0,0 until the simulator gave a position).
    virtual std::shared_ptr<const UserAircraftState> userAircraft() const = 0;
    // The id text of the park-airport stand at the position, when there is one.
    virtual std::optional<std::string> standAtPosition(double latitude, double longitude) const = 0;
    virtual bool isSizeClassIncluded(SizeClass sizeClass) const = 0;

    // The current park airport (empty code: none) and the stand reserved for the user there.
    virtual ParkAirportInfo currentParkAirport() const = 0;
    virtual std::optional<std::string> currentParkAirportStand() const = 0;

    // The simulator's UTC time in whole seconds since 1970, when it is known and valid.
    virtual std::optional<std::int64_t> simulatorUtcSeconds() const = 0;
};

} // namespace kiv

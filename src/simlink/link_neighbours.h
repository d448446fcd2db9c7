// What the simulator link asks of its other neighbours: the airport scan's cancel flag and
// the park airport's reserved stand (airports), the stand at a position (the traffic side's
// park-stands snapshot), the professional edition of the traffic source (feeds), the user
// model's facts (models) and the traffic loop's once-per-second signal. The application
// shell wires the real subsystems in; tests pass a fake. Called from the SimClient thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "models/livery_key.h"

namespace kiv {

struct UserModelFacts {
    double halfSpanNm = 0.0; // 0 or less: not known
    SizeClass sizeClass = SizeClass::Large;
    std::string sizeClassName;
};

class LinkNeighbours {
public:
    virtual ~LinkNeighbours() = default;
    virtual bool airportScanCancelled() const = 0;
    // The id text of the park-airport stand at that position, if any.
    virtual std::optional<std::string> standAtPosition(double latitude, double longitude) const = 0;
    // Makes the stand the reserved stand of the current park airport.
    virtual void updateCurrentParkAirportStand(const std::string& standText) = 0;
    virtual bool professionalEdition() const = 0;
    // The type table's facts on a model code of at most 4 characters.
    virtual UserModelFacts userModelFacts(std::string_view modelCode) const = 0;
    virtual double largestHalfSpanNm() const = 0;
    // The simulator's once-per-second report on the user aircraft arrived.
    virtual void userSecondReport() = 0;
};

} // namespace kiv

// The simulator link's neighbours in the running program: the support-hint flag of the airport
// scan (on the Gui), the park stands and the once-a-second signal of the traffic state, the
// current park airport's reserved stand, the source's edition and the user model's facts.
// Called from the SimClient thread; everything it reads is published for other threads.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "simlink/link_neighbours.h"

namespace kiv {

class Gui;
class ModelsPort;
class TrafficState;
struct FeedFlags;

class ProgramLinkNeighbours final : public LinkNeighbours {
public:
    // Every reference must outlive the object; `traffic` may still be under construction.
    ProgramLinkNeighbours(const Gui& gui, TrafficState& traffic, const FeedFlags& feedFlags, ModelsPort& models)
        : gui_(gui), traffic_(traffic), feedFlags_(feedFlags), models_(models) {}

    bool airportScanCancelled() const override;
    std::optional<std::string> standAtPosition(double latitude, double longitude) const override;
    void updateCurrentParkAirportStand(const std::string& standText) override;
    bool professionalEdition() const override;
    UserModelFacts userModelFacts(std::string_view modelCode) const override;
    double largestHalfSpanNm() const override;
    void userSecondReport() override;

private:
    const Gui& gui_;
    TrafficState& traffic_;
    const FeedFlags& feedFlags_;
    ModelsPort& models_;
};

} // namespace kiv

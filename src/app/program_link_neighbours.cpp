#include "app/program_link_neighbours.h"

#include "airports/current_park_airport.h"
#include "airports/park_airports.h"
#include "app/gui.h"
#include "feeds/feed_flags.h"
#include "traffic/park_stands.h"
#include "traffic/traffic_state.h"

namespace kiv {

// The scan stands still while a learning archive waits to be mailed; the link then shows the
// support hint instead of its own waiting message.
bool ProgramLinkNeighbours::airportScanCancelled() const { return gui_.supportHintPending(); }

std::optional<std::string> ProgramLinkNeighbours::standAtPosition(double latitude, double longitude) const {
    return gf_findStandAtPosition(traffic_, latitude, longitude);
}

void ProgramLinkNeighbours::updateCurrentParkAirportStand(const std::string& standText) {
    const IcaoCode current = gf_currentParkAirport().icao;
    if (!current.empty()) {
        gf_updateCurrentParkAirportStand(current, standText);
    }
}

bool ProgramLinkNeighbours::professionalEdition() const { return feedFlags_.isProfessionalEdition.load(); }

UserModelFacts ProgramLinkNeighbours::userModelFacts(std::string_view modelCode) const {
    const std::uint16_t modelId = models_.gf_modelId(modelCode);
    UserModelFacts facts;
    facts.halfSpanNm = models_.halfSpanNm(modelId).value_or(0.0);
    facts.sizeClass = models_.gf_sizeClassOfModel(modelId);
    facts.sizeClassName = std::string(gf_sizeClassName(facts.sizeClass));
    return facts;
}

double ProgramLinkNeighbours::largestHalfSpanNm() const { return models_.largestHalfSpanNm(); }

void ProgramLinkNeighbours::userSecondReport() { traffic_.secondSignal.store(true); }

} // namespace kiv

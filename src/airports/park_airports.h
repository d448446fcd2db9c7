// The user's park airports: "airports/my_park_airports.txt" (one airport a line, optionally
// with the reserved stand of the user's aircraft there) completed with the add-on airports of
// "airports/my_thirdparty", kept as a list whose front is the candidate for the current park
// airport, reordered as the user flies and written back at shutdown. Also the choice of the
// current park airport on each parking sweep. One mutex guards the list and its state; it is
// never held across a call into another lock or a file. Any thread.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/icao_code.h"
#include "foundation/lalo.h"

namespace kiv {

struct ParkAirport {
    std::string stand; // the reserved stand; empty when none
    double latitude = 0.0;
    double longitude = 0.0;
    IcaoCode icao;

    friend bool operator==(const ParkAirport&, const ParkAirport&) = default;
};

// Start-up: reads the file and the add-on folder and publishes the list.
void gf_readMyParkAirportsFile();
// Shutdown: writes the list once (sorted, then the lines that gave no entry).
void gf_saveMyParkAirportsFile();

// Moves the nearest entry to the front once the user has moved farther than the selection
// radius since the last choice.
void gf_selectNearestParkAirport(const Lalo& position);
// The parking sweep: the park airport in use is checked for reach, or one is chosen.
void gf_checkParkAirportReach(const Lalo& position);
void gf_parkAirportOnGround(const Lalo& position);

std::optional<ParkAirport> lf_frontParkAirport();
std::optional<std::string> gf_currentParkAirportStand();
std::optional<std::string> gf_parkAirportStand(const IcaoCode& icao);
void gf_moveParkAirportToFront(const IcaoCode& icao, const Lalo& position);
void gf_setParkAirportStand(const IcaoCode& icao, const Lalo& position, std::string stand);
bool gf_updateCurrentParkAirportStand(const IcaoCode& icao, std::string stand);
// The stand becomes the reserved stand of that airport's entry, wherever it stands in the
// list; false when the airport has no entry.
bool gf_reserveParkAirportStand(const IcaoCode& icao, std::string stand);

// Within AIRP_RANGE NM (flat) and no higher than AIRP_HEIGHT feet above the ground.
bool lf_isWithinReach(const Lalo& user, const Lalo& airport);
std::string gf_formatUserOnGround(const IcaoCode& icao);

// One line of the file: an entry, or nothing when the line is kept as it stands (`why` then
// says whether and how that is logged).
enum class ParkLineProblem { none, empty, invalidCode, unknownAirport, wrongSyntax };
struct ParkLine {
    std::optional<ParkAirport> entry;
    ParkLineProblem problem = ParkLineProblem::none;
};
ParkLine lf_parseParkAirportLine(std::string_view line);
// Keeps the first entry of each code in its place; a later duplicate gives it its stand and
// position when it has none.
void lf_mergeDuplicateParkAirports(std::deque<ParkAirport>& list);

// Tests: the list as it stands, and a fresh start (empty, unread, radius 4 NM).
std::vector<ParkAirport> gf_parkAirportsForTesting();
void gf_resetParkAirportsForTesting();

} // namespace kiv

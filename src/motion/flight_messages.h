// The flight messages of the main window's message log (take-off and touch-down lines) and
// the texts they are made of: the airline codes of an aircraft and the airport it departs
// from. Simulator-loop thread for the environment's queries; the text builders read only
// the interned code tables, which any thread may read.
#pragma once

#include <string>

#include "feeds/traffic_record.h"
#include "foundation/lalo.h"
#include "motion/motion_environment.h"
#include "traffic/aircraft_records.h"

namespace kiv {

// The airport an aircraft takes off from, as one kind of code: its IATA code where the
// airport has one (so that it compares with the route's IATA destination), else its ICAO code
// as text only.
struct DepartureAirport {
    std::string text; // empty: no airport found
    IataCode iata;    // key 0: no IATA code known
};

// The park airport when it lies within 5 NM, else the route's origin, else the known airport
// nearest within 5 NM.
DepartureAirport lf_departureAirportCode(const MotionEnvironment& environment, const Lalo& position,
                                         const Route& route);

// The airline code of the livery key, then "," and the operator's code when it has one.
std::string gf_airlineCodesText(const LiveAircraft& aircraft);

// "{time} {callsign} {registration} {airlines} {type} take off[ from X][ to Y] ...".
std::string lf_takeoffMessage(const MotionEnvironment& environment, const LiveAircraft& aircraft);

// Shown in the message log only while the FLIGHT_MESSAGES setting is on.
void gf_postFlightMessage(MotionEnvironment& environment, std::string text);

} // namespace kiv

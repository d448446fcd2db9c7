#include "app/program_parking_neighbours.h"

#include "feeds/feeds_service.h"
#include "traffic/parking_steps.h"
#include "traffic/traffic_state.h"

namespace kiv {

void ProgramParkingNeighbours::setRTAppParkAirportValue(std::optional<double> altitudeFt) {
    feeds_.setRTAppParkAirportValue(altitudeFt);
}

void ProgramParkingNeighbours::setRTAPIParkAirportValue(std::optional<double> altitudeFt) {
    feeds_.setRTAPIParkAirportValue(altitudeFt);
}

void ProgramParkingNeighbours::clearParking() { parking_.gf_clearParking(traffic_); }
void ProgramParkingNeighbours::disableParkingControls() { shell_.gf_disableParkingControls(); }
void ProgramParkingNeighbours::clearReceivedTraffic() { feeds_.gf_clearReceivedTraffic(); }
void ProgramParkingNeighbours::requestRTAppParkedTraffic() { feeds_.gf_requestRTAppParkedTraffic(); }
void ProgramParkingNeighbours::requestParkingRegeneration() { traffic_.parkingRegenerationRequested.store(true); }
bool ProgramParkingNeighbours::userOnGround() const { return link_.gf_getUserAircraft().onGround; }

double ProgramParkingNeighbours::userHeightAboveGroundFt() const {
    return link_.gf_getUserAircraft().altitudeAboveGroundFt;
}

} // namespace kiv

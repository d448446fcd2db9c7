#include "motion/situation_change.h"

namespace kiv {

void lf_setSituation(const MotionEnvironment& environment, LiveAircraft& aircraft, FlightSituation situation) {
    if (aircraft.situation == situation) {
        return;
    }
    if (aircraft.situation == FlightSituation::landing) {
        // The flare belongs to the landing it was flown in.
        aircraft.landingStage = 0;
    }
    aircraft.earlierSituation = aircraft.previousSituation;
    aircraft.previousSituation = aircraft.situation;
    aircraft.situation = situation;
    aircraft.situationTick = environment.simTick();
}

} // namespace kiv

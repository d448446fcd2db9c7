#include "motion/motion_service.h"

#include "motion/drive_to_stand.h"
#include "motion/flight_messages.h"
#include "motion/ground_departure.h"
#include "motion/motion_driver.h"
#include "motion/motion_limits.h"
#include "motion/stand_geometry.h"
#include "motion/traffic_motion_environment.h"

namespace kiv {

std::uint32_t MotionService::gf_checkPositionContinuity(const ContinuityInput& input) const {
    return kiv::gf_checkPositionContinuity(input).result;
}

RelativePosition MotionService::gf_relativePosition(const Lalo& from, double headingRad, const Lalo& to) const {
    return kiv::gf_relativePosition(from, headingRad, to);
}

bool MotionService::gf_withinRadii(const Lalo& a, double radiusANm, const Lalo& b, double radiusBNm) const {
    return kiv::gf_withinRadii(a, radiusANm, b, radiusBNm);
}

StandApproachState MotionService::gf_standApproachState(const StandPose& stand, const Lalo& aircraft,
                                                        double headingRad) const {
    return kiv::gf_standApproachState(stand, aircraft, headingRad);
}

StandEntryCheck MotionService::gf_checkStandEntry(const StandPose& stand, double standRadiusNm, const Lalo& aircraft,
                                                  double headingRad, double aircraftRadiusNm) const {
    return kiv::gf_checkStandEntry(stand, standRadiusNm, aircraft, headingRad, aircraftRadiusNm);
}

bool MotionService::gf_canApproachStand(const StandPose& stand, double standRadiusNm, const Lalo& aircraft,
                                        double headingRad, const Lalo& reference) const {
    return kiv::gf_canApproachStand(stand, standRadiusNm, aircraft, headingRad, reference);
}

bool MotionService::gf_isDirectFinalToStand(const StandPose& stand, const Lalo& aircraft, double headingRad) const {
    return kiv::gf_isDirectFinalToStand(stand, aircraft, headingRad);
}

double MotionService::gf_climbDescentProfile(const StreamSample& sample, SizeClass sizeClass) const {
    return kiv::gf_climbDescentProfile(sample, sizeClass);
}

double MotionService::gf_maxBankAngle(SizeClass sizeClass) const { return kiv::gf_maxBankAngle(sizeClass); }

double MotionService::gf_bankLimit(double maxBankRad, bool landing, double heightFt) const {
    return kiv::gf_bankLimit(maxBankRad, landing ? 1 : 0, heightFt, 0);
}

TakeoffPerformance MotionService::gf_takeoffPerformance(const TakeoffInput& input) const {
    return kiv::gf_takeoffPerformance(input);
}

void MotionService::drive2Stand(TrafficState& state, LiveAircraft& aircraft, const StandPose& stand,
                                bool correctiveAllowed, bool slowApproach) {
    TrafficMotionEnvironment environment(state);
    kiv::drive2Stand(environment, aircraft, stand, correctiveAllowed, slowApproach);
}

void MotionService::gf_startTakeoffRoll(TrafficState& state, LiveAircraft& aircraft) {
    TrafficMotionEnvironment environment(state);
    kiv::gf_startTakeoffRoll(environment, aircraft);
}

std::string MotionService::gf_airlineCodesText(const LiveAircraft& aircraft) const {
    return kiv::gf_airlineCodesText(aircraft);
}

void MotionService::nextPosMain(TrafficState& state, LiveAircraft& aircraft) {
    kiv::nextPosMain(state, aircraft);
}

void MotionService::gf_nextPosCurve(TrafficState& state, LiveAircraft& aircraft) {
    kiv::gf_nextPosCurve(state, aircraft);
}

} // namespace kiv

// Aircraft motion as the traffic side sees it through its MotionPort: the stand geometry,
// the bank and climb limits, the take-off plausibility, the drive into a stand, the start of
// a take-off roll and the airline codes of flight messages. Holds no state; the program makes
// one and hands it to the traffic state. Simulator-loop thread for drive2Stand and the
// take-off roll; the pure tests may be called from any thread.
#pragma once

#include <string>

#include "traffic/neighbour_ports.h"

namespace kiv {

class MotionService final : public MotionPort {
public:
    std::uint32_t gf_checkPositionContinuity(const ContinuityInput& input) const override;
    RelativePosition gf_relativePosition(const Lalo& from, double headingRad, const Lalo& to) const override;
    bool gf_withinRadii(const Lalo& a, double radiusANm, const Lalo& b, double radiusBNm) const override;
    StandApproachState gf_standApproachState(const StandPose& stand, const Lalo& aircraft,
                                             double headingRad) const override;
    StandEntryCheck gf_checkStandEntry(const StandPose& stand, double standRadiusNm, const Lalo& aircraft,
                                       double headingRad, double aircraftRadiusNm) const override;
    bool gf_canApproachStand(const StandPose& stand, double standRadiusNm, const Lalo& aircraft, double headingRad,
                             const Lalo& reference) const override;
    bool gf_isDirectFinalToStand(const StandPose& stand, const Lalo& aircraft, double headingRad) const override;
    double gf_climbDescentProfile(const StreamSample& sample, SizeClass sizeClass) const override;
    double gf_maxBankAngle(SizeClass sizeClass) const override;
    double gf_bankLimit(double maxBankRad, bool landing, double heightFt) const override;
    TakeoffPerformance gf_takeoffPerformance(const TakeoffInput& input) const override;
    void drive2Stand(TrafficState& state, LiveAircraft& aircraft, const StandPose& stand, bool correctiveAllowed,
                     bool slowApproach) override;
    void gf_startTakeoffRoll(TrafficState& state, LiveAircraft& aircraft) override;
    std::string gf_airlineCodesText(const LiveAircraft& aircraft) const override;
    void nextPosMain(TrafficState& state, LiveAircraft& aircraft) override;
    void gf_nextPosCurve(TrafficState& state, LiveAircraft& aircraft) override;
};

} // namespace kiv

// Aircraft motion as the traffic side sees it through its MotionPort: the stand geometry,
// the bank and climb limits, the take-off plausibility and the drive into a stand. Holds no
// state; the program makes one and hands it to the traffic state. Simulator-loop thread for
// drive2Stand; the pure tests may be called from any thread.
#pragma once

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
};

} // namespace kiv

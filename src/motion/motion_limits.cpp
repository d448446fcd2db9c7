#include "motion/motion_limits.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "motion/detail/class_index.h"
#include "motion/detail/motion_math.h"
#include "traffic/aircraft_records.h"

namespace kiv {
namespace {

using detail::degToRad;

struct ClassLimits {
    double maxBankDeg;
    double maxBankChangeDeg; // per tick
    double referenceSpeedKt;
    double topSpeedMinKt;
    double topSpeedMaxKt;
};

// Light, TwoProps, Bizjet, Large, Heavy, HighPerf, Rotorcraft.
constexpr std::array<ClassLimits, detail::kSizeClassCount> kClassLimits = {{
    {40.0, 0.035, 80.0, 180.0, 350.0},
    {37.5, 0.03, 95.0, 250.0, 500.0},
    {35.0, 0.0275, 110.0, 360.0, 700.0},
    {30.0, 0.02, 140.0, 360.0, 700.0},
    {20.0, 0.015, 150.0, 360.0, 700.0},
    {90.0, 0.1, 220.0, 900.0, 1500.0},
    {75.0, 0.06, 0.0, 120.0, 220.0},
}};

const ClassLimits& limitsOf(SizeClass sizeClass) { return kClassLimits[detail::classIndex(sizeClass)]; }

struct VerticalProfile {
    double climbBandFpm;
    double descentBandFpm;
    double climbGain;
    double descentGain;
    double basePitchDeg;
};

VerticalProfile verticalProfileOf(SizeClass sizeClass) noexcept {
    switch (sizeClass) {
    case SizeClass::HighPerf:
        return {3600.0, -3600.0, 2.6, 1.3, -2.5};
    case SizeClass::Rotorcraft:
        return {1800.0, -1800.0, 1.5, 0.75, 0.0};
    default:
        return {2400.0, -3000.0, 2.2, 1.1, -3.0};
    }
}

double zeroUnlessPositive(double value) noexcept { return std::isfinite(value) && value > 0.0 ? value : 0.0; }

} // namespace

double gf_maxBankAngle(SizeClass sizeClass) { return degToRad(limitsOf(sizeClass).maxBankDeg); }

double gf_maxBankRate(SizeClass sizeClass) { return degToRad(limitsOf(sizeClass).maxBankChangeDeg); }

double gf_bankLimit(double maxBankRad, std::uint8_t landing, double heightFt, std::uint8_t final) noexcept {
    if (!std::isfinite(maxBankRad) || !(maxBankRad > 0.0)) {
        return 0.0;
    }
    const double bank = std::min(std::fabs(maxBankRad), detail::kHalfPi);
    if (landing == 0 || !std::isfinite(heightFt)) {
        return bank;
    }
    if (final != 0) {
        return std::min(degToRad(5.0), bank);
    }
    const double low = std::min(degToRad(10.0), bank);
    const double fraction = std::clamp((heightFt - 100.0) / 900.0, 0.0, 1.0);
    return low + (bank - low) * fraction;
}

double gf_referenceSpeedKt(const LiveAircraft& aircraft, std::int8_t phase) {
    const AircraftInfo& info = aircraft.info;
    if (info.sizeClass == SizeClass::Heavy && (phase == 2 || phase == 3)) {
        return phase == 3 ? 135.0 : 140.0;
    }
    // At most one of the three type flags is set (each belongs to another class).
    if (info.isPistonTwin != 0) {
        return 80.0;
    }
    if (info.isLightSingle != 0) {
        return 65.0;
    }
    if (info.isRegional != 0) {
        return 130.0;
    }
    const double reference = limitsOf(info.sizeClass).referenceSpeedKt;
    if (!std::isfinite(reference) || !(reference > 0.0)) {
        return reference;
    }
    const double lowered = phase == 2 ? reference - 10.0 : phase == 3 ? reference - 20.0 : reference;
    return std::max(lowered, 1.0);
}

double gf_speedFactorBySpeed(double speedKt) noexcept {
    if (!(speedKt > 8.0)) { // not a number counts as standing
        return 1.2;
    }
    if (speedKt < 15.0) {
        return 1.2 - 0.2 * (speedKt - 8.0) / 7.0;
    }
    if (speedKt <= 20.0) {
        return 1.0;
    }
    if (speedKt < 30.0) {
        return 1.0 - 0.4 * (speedKt - 20.0) / 10.0;
    }
    return 0.6;
}

double gf_distanceIn7s(double speedKt) noexcept {
    if (!std::isfinite(speedKt) || !(speedKt > 0.0)) {
        return 100.0;
    }
    return std::clamp(speedKt * detail::kMetresPerSecondPerKnot * 7.0, 100.0, 160.0);
}

double gf_climbDescentProfile(const StreamSample& sample, SizeClass sizeClass) noexcept {
    const VerticalProfile profile = verticalProfileOf(sizeClass);
    const double rate = std::isfinite(sample.verticalRateFpm) ? sample.verticalRateFpm : 0.0;
    const double v = std::clamp(rate, profile.descentBandFpm, profile.climbBandFpm);
    const double gain = v >= 0.0 ? profile.climbGain : profile.descentGain;
    return degToRad(profile.basePitchDeg - v / 600.0 * gain);
}

DescentLimit gf_limitDescentRate(double wantedFpm, double firstSampleRateFpm, double secondSampleRateFpm,
                                 SizeClass sizeClass) noexcept {
    const double band = verticalProfileOf(sizeClass).descentBandFpm;
    double sum = 0.0;
    int count = 0;
    for (const double rate : {firstSampleRateFpm, secondSampleRateFpm}) {
        if (std::isfinite(rate)) {
            sum += rate;
            ++count;
        }
    }
    const double floor = count == 0 ? 0.0 : std::max(std::min(sum / count, 0.0), band);
    const double lowerLimit = std::max(floor - 1200.0, band);
    const double wanted = std::isfinite(wantedFpm) ? wantedFpm : floor;
    const double rate = std::clamp(wanted, lowerLimit, 0.0);
    return {rate, static_cast<std::uint8_t>(rate != wanted ? 1 : 0)};
}

TakeoffPerformance gf_takeoffPerformance(const TakeoffInput& input) {
    const ClassLimits& limits = limitsOf(input.sizeClass);
    const double distance = zeroUnlessPositive(input.distanceM);
    const double duration = zeroUnlessPositive(input.durationS);
    const double speedA = zeroUnlessPositive(input.speedAKt);
    const double speedB = zeroUnlessPositive(input.speedBKt);
    const double top = std::clamp(2.0 * std::max(speedA, speedB), limits.topSpeedMinKt, limits.topSpeedMaxKt);
    TakeoffPerformance result;
    result.minimumTimeS = distance > 0.0 ? distance * detail::kKnotsPerMetrePerSecond / top : 0.0;
    if (duration > 0.0) {
        result.neededSpeedKt = distance / duration * detail::kKnotsPerMetrePerSecond;
    } else {
        result.neededSpeedKt = distance > 0.0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
    result.tooFast = distance > 1.0 && result.minimumTimeS > duration + 1e-9 ? 1 : 0;
    return result;
}

} // namespace kiv

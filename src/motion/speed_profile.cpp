#include "motion/speed_profile.h"

#include <algorithm>
#include <cmath>

namespace kiv {
namespace {

constexpr double kLimitSquared = 9.0; // alpha^2 + beta^2 above it would let the position run back
constexpr double kTolerance = 1e-9;
constexpr double kBrakeTolerance = -1e-10;

// Speed at time fraction s as a s^2 + b s + c (the Hermite derivative divided by the duration).
struct SpeedPolynomial {
    double a;
    double b;
    double c;
};

SpeedPolynomial polynomialOf(const SpeedProfile& profile) noexcept {
    const double mean = profile.distance / profile.duration;
    const double vs = profile.startSpeed;
    const double ve = profile.endSpeed;
    return {3.0 * vs - 6.0 * mean + 3.0 * ve, -4.0 * vs + 6.0 * mean - 2.0 * ve, vs};
}

double speedAtFraction(const SpeedProfile& profile, double s) noexcept {
    const SpeedPolynomial p = polynomialOf(profile);
    return (p.a * s + p.b) * s + p.c;
}

// The limited profile of the given speeds; the inputs are checked by the callers.
void setLimited(SpeedProfile& profile, double distance, double duration, double startSpeed, double endSpeed) noexcept {
    const double mean = distance / duration;
    double alpha = std::max(startSpeed, 0.0) / mean;
    double beta = std::max(endSpeed, 0.0) / mean;
    const double squared = alpha * alpha + beta * beta;
    if (squared > kLimitSquared) {
        const double scale = 3.0 / std::sqrt(squared);
        alpha *= scale;
        beta *= scale;
    }
    profile = SpeedProfile{distance, duration, alpha * mean, beta * mean, 1};
}

// The limited profile keeps the start speed, stays within maxSpeed and does not brake at
// either end.
bool accelerates(const SpeedProfile& profile, double givenStart, double maxSpeed) noexcept {
    const double d = profile.distance;
    const double t = profile.duration;
    const double vs = profile.startSpeed;
    const double ve = profile.endSpeed;
    const double startAcceleration = (6.0 * d - 4.0 * t * vs - 2.0 * t * ve) / (t * t);
    const double endAcceleration = (2.0 * t * vs + 4.0 * t * ve - 6.0 * d) / (t * t);
    return vs + kTolerance >= givenStart && gf_profileMaxSpeed(profile) <= maxSpeed + kTolerance &&
           startAcceleration >= kBrakeTolerance && endAcceleration >= kBrakeTolerance;
}

// The lower (or upper) of the end speeds and, when the extreme lies inside the leg, the
// speed there.
template <typename Pick> double boundingSpeed(const SpeedProfile& profile, Pick pick) noexcept {
    if (profile.valid == 0) {
        return 0.0;
    }
    double bound = pick(profile.startSpeed, profile.endSpeed);
    const double s = gf_profileExtremeFraction(profile);
    if (s > 0.0 && s < 1.0) {
        bound = pick(bound, speedAtFraction(profile, s));
    }
    return bound;
}

} // namespace

bool gf_buildSpeedProfile(SpeedProfile& profile, double distance, double duration, double startSpeed,
                          double endSpeed) noexcept {
    profile = SpeedProfile{};
    if (!std::isfinite(distance) || !(distance > 0.0) || !std::isfinite(duration) || !(duration > 0.0) ||
        !std::isfinite(startSpeed) || !std::isfinite(endSpeed)) {
        return false;
    }
    setLimited(profile, distance, duration, startSpeed, endSpeed);
    return true;
}

bool gf_buildAcceleratingProfile(SpeedProfile& profile, double distance, double duration, double startSpeed,
                                 double endSpeed, double maxSpeed) noexcept {
    profile = SpeedProfile{};
    if (!std::isfinite(maxSpeed) || !(maxSpeed > 0.0) || !std::isfinite(distance) || !(distance > 0.0)) {
        return false;
    }
    const bool durationUsable = std::isfinite(duration) && duration > 0.0;
    if (durationUsable && std::isfinite(startSpeed) && std::isfinite(endSpeed)) {
        setLimited(profile, distance, duration, startSpeed, endSpeed);
        if (accelerates(profile, startSpeed, maxSpeed)) {
            return true;
        }
        profile = SpeedProfile{};
    }
    if (!durationUsable || !std::isfinite(startSpeed) || startSpeed < 0.0) {
        return false;
    }
    const double mean = distance / duration;
    if (startSpeed > mean + kTolerance) {
        return false;
    }
    setLimited(profile, distance, duration, startSpeed, std::max(2.0 * mean - startSpeed, startSpeed));
    if (accelerates(profile, startSpeed, maxSpeed)) {
        return true;
    }
    profile = SpeedProfile{};
    return false;
}

double gf_profileTimeFraction(const SpeedProfile& profile, double t) noexcept {
    if (!std::isfinite(t)) {
        return t > 0.0 ? 1.0 : 0.0;
    }
    return std::clamp(t / profile.duration, 0.0, 1.0);
}

double gf_profilePositionAt(const SpeedProfile& profile, double timeFraction) noexcept {
    if (profile.valid == 0 || std::isnan(timeFraction)) {
        return 0.0;
    }
    const double s = std::clamp(timeFraction, 0.0, 1.0);
    const double s2 = s * s;
    const double s3 = s2 * s;
    return (s3 - 2.0 * s2 + s) * profile.duration * profile.startSpeed + (3.0 * s2 - 2.0 * s3) * profile.distance +
           (s3 - s2) * profile.duration * profile.endSpeed;
}

double gf_profileSpeedAt(const SpeedProfile& profile, double t) noexcept {
    if (profile.valid == 0) {
        return 0.0;
    }
    return std::max(speedAtFraction(profile, gf_profileTimeFraction(profile, t)), 0.0);
}

double gf_profileExtremeFraction(const SpeedProfile& profile) noexcept {
    const SpeedPolynomial p = polynomialOf(profile);
    if (!(std::fabs(p.a) > 1e-12)) {
        return -1.0;
    }
    return -p.b / (2.0 * p.a);
}

double gf_profileMinSpeed(const SpeedProfile& profile) noexcept {
    return boundingSpeed(profile, [](double a, double b) { return std::min(a, b); });
}

double gf_profileMaxSpeed(const SpeedProfile& profile) noexcept {
    return boundingSpeed(profile, [](double a, double b) { return std::max(a, b); });
}

} // namespace kiv

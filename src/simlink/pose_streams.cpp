#include "simlink/pose_streams.h"

#include <cmath>

#include "foundation/geodesy.h"

namespace kiv {
namespace {

constexpr double kMetresPerNm = 1852.0;

bool continues(const PoseSample& newest, const PoseSample& sample) {
    const std::int64_t gap = sample.timeNs - newest.timeNs;
    if (gap < 1 || gap > kLongestSampleGapNs) {
        return false;
    }
    const double jumpMetres =
        gf_distanceNm({newest.pose.latitude, newest.pose.longitude}, {sample.pose.latitude, sample.pose.longitude}) *
        kMetresPerNm;
    // Written so that a NaN distance or altitude counts as a break, too.
    if (!(jumpMetres <= kLongestSampleJumpMetres)) {
        return false;
    }
    return std::fabs(sample.pose.altitudeFt - newest.pose.altitudeFt) <= kLongestSampleClimbFt;
}

double linear(double a, double b, double f) { return a + f * (b - a); }

AiPose blend(const AiPose& a, const AiPose& b, double f) {
    AiPose pose;
    pose.latitude = linear(a.latitude, b.latitude, f);
    pose.longitude = std::remainder(std::remainder(b.longitude - a.longitude, 360.0) * f + a.longitude, 360.0);
    pose.pitchRad = linear(a.pitchRad, b.pitchRad, f);
    pose.bankRad = linear(a.bankRad, b.bankRad, f);
    pose.headingRad =
        std::fmod(std::remainder(b.headingRad - a.headingRad, kFullTurnRad) * f + a.headingRad, kFullTurnRad);
    if (pose.headingRad < 0.0) {
        pose.headingRad += kFullTurnRad;
    }
    pose.altitudeFt = linear(a.altitudeFt, b.altitudeFt, f);
    pose.verticalSpeedFpm = linear(a.verticalSpeedFpm, b.verticalSpeedFpm, f);
    pose.trueAirspeedKt = linear(a.trueAirspeedKt, b.trueAirspeedKt, f);
    return pose;
}

} // namespace

void PoseStream::dropOldest() {
    if (count_ > 0) {
        first_ = (first_ + 1) % kCapacity;
        --count_;
    }
}

void PoseStream::append(const PoseSample& sample) {
    if (count_ == kCapacity) {
        dropOldest();
    }
    samples_[(first_ + count_) % kCapacity] = sample;
    ++count_;
}

void PoseStream::accept(const PoseSample& sample) {
    if (!empty() && !continues(newest(), sample)) {
        clear();
    }
    append(sample);
}

std::optional<AiPose> lf_interpolatePose(PoseStream& stream, std::int64_t nowNs) {
    if (stream.empty()) {
        return std::nullopt;
    }
    const std::int64_t t = nowNs - stream.playbackDelayNs;
    while (stream.size() >= 3 && stream.at(1).timeNs <= t) {
        stream.dropOldest();
    }
    if (stream.size() == 1 || t <= stream.oldest().timeNs) {
        return stream.oldest().pose;
    }
    if (t >= stream.newest().timeNs) {
        return stream.newest().pose;
    }
    // The first sample later than t; the oldest is not, the newest is.
    std::size_t low = 1;
    std::size_t high = stream.size() - 1;
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (stream.at(middle).timeNs > t) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    const PoseSample& a = stream.at(low - 1);
    const PoseSample& b = stream.at(low);
    const std::int64_t gap = b.timeNs - a.timeNs;
    if (gap < 1 || gap > kLongestSampleGapNs) {
        return stream.newest().pose;
    }
    double f = (static_cast<double>(t - a.timeNs) / 1e9) / (static_cast<double>(gap) / 1e9);
    f = f < 0.0 ? 0.0 : (f > 1.0 ? 1.0 : f);
    return blend(a.pose, b.pose, f);
}

} // namespace kiv

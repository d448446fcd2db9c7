// One AI object's playback stream: the timed poses the traffic side published for it, in
// time order, at most 16, and the interpolation at a frame's time. A stream holds its samples
// in place (no allocation after construction). Owned and used by the SimClient thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "simlink/link_commands.h"

namespace kiv {

inline constexpr std::int64_t kPlaybackDelayNs = 20'000'000;     // 20 ms behind now
inline constexpr std::int64_t kLongestSampleGapNs = 250'000'000; // 250 ms
inline constexpr double kLongestSampleJumpMetres = 1000.0;
inline constexpr double kLongestSampleClimbFt = 2000.0;

class PoseStream {
public:
    static constexpr std::size_t kCapacity = 16;

    std::int64_t playbackDelayNs = kPlaybackDelayNs;

    bool empty() const { return count_ == 0; }
    std::size_t size() const { return count_; }
    // 0 is the oldest sample.
    const PoseSample& at(std::size_t index) const { return samples_[(first_ + index) % kCapacity]; }
    const PoseSample& oldest() const { return at(0); }
    const PoseSample& newest() const { return at(count_ - 1); }

    void clear() { first_ = count_ = 0; }
    void dropOldest();
    // Appends; a full stream drops its oldest sample first.
    void append(const PoseSample& sample);
    // Appends a newly published sample, starting the stream afresh first when the sample
    // does not continue it (not later than the newest, more than 250 ms after it, more than
    // 1000 m away or more than 2000 ft higher or lower).
    void accept(const PoseSample& sample);

private:
    std::array<PoseSample, kCapacity> samples_{};
    std::size_t first_ = 0;
    std::size_t count_ = 0;
};

// The pose at `nowNs` minus the stream's playback delay; drops samples that lie wholly in
// the past. Nothing for an empty stream.
std::optional<AiPose> lf_interpolatePose(PoseStream& stream, std::int64_t nowNs);

} // namespace kiv

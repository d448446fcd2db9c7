// The start of the outside connections, two steps of the main worker flow: the SimClient
// thread with the waits for a running flight and a known user aircraft, then the chosen
// traffic source (the RT App's server and UDP readers, or the RT Direct login and readers)
// with the waits for its first data. Each returns false as soon as a stop is requested.
// Main worker thread only; every wait sleeps on the injected clock.
#pragma once

#include <cstdint>

#include "app/gui.h"
#include "app/source_startup_steps.h"
#include "app/worker_threads.h"
#include "foundation/clock.h"
#include "foundation/lalo.h"
#include "traffic/loop_clock.h"

namespace kiv {

inline constexpr std::int64_t kSimulatorPollNs = 100'000'000;
inline constexpr std::int64_t kUserPositionPollNs = 500'000'000;
inline constexpr std::int64_t kUserRepliesPollNs = 10'000'000;
inline constexpr std::int64_t kUserPositionRetryNs = 200'000'000;
inline constexpr std::int64_t kTrafficFlagPollNs = 50'000'000;
inline constexpr int kBufferTrafficPolls = 600;  // 30 s
inline constexpr int kParkedTrafficPolls = 200;  // 10 s
inline constexpr std::int64_t kRtApiPositionPollNs = 500'000'000;
inline constexpr std::int64_t kRtApiPositionLimitNs = 60'000'000'000;
inline constexpr int kRtApiLoginPolls = 20;
inline constexpr std::int64_t kRtApiLoginPollNs = 200'000'000;
inline constexpr std::int64_t kZuluPollNs = 100'000'000;
inline constexpr std::int64_t kZuluLimitNs = 10'000'000'000;
inline constexpr std::int64_t kRtApiReceivingPollNs = 100'000'000;
inline constexpr std::int64_t kRtApiReceivingLimitNs = 10'000'000'000;
inline constexpr std::uint32_t kReaderErrorRestartSeconds = 15;

// A user position is known once latitude or longitude is farther than this from 0.
inline constexpr double kPositionEpsilonDeg = 0.0001;

struct SourceStartupContext {
    Gui& gui;
    SourceStartupSteps& steps;
    LoopClock& clock;
    WorkerThreads& threads;
    // The current UTC time in seconds since 1970 (the time shift to the simulator's time).
    std::int64_t (*utcNowSeconds)() = &gf_systemUtcSeconds;
};

class SourceStartup {
public:
    explicit SourceStartup(SourceStartupContext context) : c_(context) {}

    bool lf_startSimClient();
    bool lf_awaitSimulatorSession();
    bool lf_startRTAppReaders();
    bool lf_startRTAPIReaders();

private:
    void sleepFor(std::int64_t intervalNs);
    bool waitForUserPosition();
    bool awaitRtApiUserPosition();
    bool rtApiSimulatorTime();
    void requestParkedTraffic();

    SourceStartupContext c_;
};

bool gf_positionKnown(const Lalo& position);

} // namespace kiv

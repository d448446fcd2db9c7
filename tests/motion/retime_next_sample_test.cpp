// Retiming the next sample: the windows, the next-tick floor, the samples behind it, and the
// counter's wrap.
#include <vector>

#include <gtest/gtest.h>

#include "motion/motion_ticks.h"
#include "motion/retime_next_sample.h"
#include "motion_fakes.h"
#include "stream_builder.h"

namespace kiv {
namespace {

using test_support::makeAircraft;
using test_support::RecordingMotionEnvironment;
using test_support::StreamBuilder;

TEST(RetimeNextSample, WithinTheWindowsAndNeverBeforeTheNextTick) {
    struct Case {
        const char* name;
        std::uint32_t now;
        std::int64_t nextIn;  // due ticks after now, before
        std::int64_t thirdIn; // 0: no third sample
        std::int32_t holdCount;
        std::int64_t ticks;
        std::int64_t nextAfter, thirdAfter;
    };
    constexpr std::uint32_t kNearWrap = 4'294'967'000u;
    const Case cases[] = {
        {"within the windows", 100000, 1000, 0, 0, 500, 500, 0},
        {"at most 900 earlier", 100000, 2000, 0, 0, 25, 1100, 0},
        {"at most 900 later", 100000, 1000, 0, 0, 5000, 1900, 0},
        {"never before the next tick", 100000, -300, 0, 0, 0, 1, 0},
        {"not while extrapolating", 100000, 1000, 0, 2, 500, 1000, 0},
        {"later onto the third sample: it moves too", 100000, 1000, 1500, 0, 1800, 1800, 2300},
        {"later but still before the third sample", 100000, 1000, 1500, 0, 1400, 1400, 1500},
        {"earlier: the third sample stays", 100000, 1000, 1500, 0, 500, 500, 1500},
        {"across the counter's wrap", kNearWrap, 100, 400, 0, 1000, 1000, 1300},
    };
    for (const Case& c : cases) {
        RecordingMotionEnvironment environment;
        environment.tick = c.now;
        const std::int32_t now = static_cast<std::int32_t>(c.now);
        StreamBuilder stream({47.0, 9.0}, now - 100, 10.0);
        stream.leg(0.0, 10.0, 10.0);
        if (c.thirdIn != 0) {
            stream.leg(0.0, 10.0, 10.0);
        }
        LiveAircraft aircraft = makeAircraft(stream.samples(), SizeClass::Large, FlightSituation::taxi, 0.0);
        aircraft.samples[1].deliveryTick = gf_tickAfter(now, c.nextIn);
        if (c.thirdIn != 0) {
            aircraft.samples[2].deliveryTick = gf_tickAfter(now, c.thirdIn);
        }
        aircraft.holdCount = c.holdCount;
        lf_retimeNextSample(environment, aircraft, c.ticks);
        EXPECT_EQ(gf_tickSpan(c.now, static_cast<std::uint32_t>(aircraft.samples[1].deliveryTick)), c.nextAfter)
            << c.name;
        if (c.thirdIn != 0) {
            EXPECT_EQ(gf_tickSpan(c.now, static_cast<std::uint32_t>(aircraft.samples[2].deliveryTick)), c.thirdAfter)
                << c.name;
        }
        EXPECT_EQ(aircraft.samples[0].deliveryTick, now - 100) << c.name;
    }
}

} // namespace
} // namespace kiv

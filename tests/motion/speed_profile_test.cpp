#include <cmath>

#include <gtest/gtest.h>

#include "motion/speed_profile.h"

namespace kiv {
namespace {

SpeedProfile built(double distance, double duration, double start, double end) {
    SpeedProfile profile;
    EXPECT_TRUE(gf_buildSpeedProfile(profile, distance, duration, start, end));
    return profile;
}

TEST(SpeedProfile, FritschCarlsonLimitKeepsBothSpeedsNearTwoPointOneTwoMeans) {
    const SpeedProfile profile = built(100.0, 10.0, 30.0, 30.0); // both 3 x the mean of 10
    EXPECT_NEAR(profile.startSpeed / 10.0, 9.0 / std::sqrt(18.0), 1e-12);
    EXPECT_NEAR(profile.endSpeed / 10.0, 9.0 / std::sqrt(18.0), 1e-12);
    EXPECT_NEAR(profile.startSpeed / 10.0, 2.1213, 1e-4);
}

TEST(SpeedProfile, PositionRunsFromZeroToTheDistanceWithoutGoingBack) {
    struct Case {
        double start;
        double end;
    };
    // Within the limit, beyond it (it must be limited), standing, and negative speeds.
    const Case cases[] = {{5.0, 15.0}, {30.0, 30.0}, {0.0, 60.0}, {60.0, 0.0}, {0.0, 0.0}, {-5.0, 40.0}, {200.0, 1.0}};
    for (const Case& c : cases) {
        const SpeedProfile profile = built(100.0, 10.0, c.start, c.end);
        EXPECT_EQ(gf_profilePositionAt(profile, 0.0), 0.0) << c.start << "," << c.end;
        EXPECT_NEAR(gf_profilePositionAt(profile, 1.0), 100.0, 1e-9) << c.start << "," << c.end;
        double previous = 0.0;
        for (int i = 1; i <= 1000; ++i) {
            const double position = gf_profilePositionAt(profile, i / 1000.0);
            EXPECT_GE(position, previous - 1e-9) << c.start << "," << c.end << " at " << i;
            previous = position;
            EXPECT_GE(gf_profileSpeedAt(profile, i / 100.0), 0.0);
        }
    }
}

TEST(SpeedProfile, RefusedInputsLeaveAClearedProfile) {
    const double nan = std::nan("");
    struct Case {
        const char* name;
        double distance;
        double duration;
        double start;
        double end;
    };
    const Case cases[] = {
        {"no distance", 0.0, 10.0, 5.0, 5.0},
        {"negative duration", 100.0, -1.0, 5.0, 5.0},
        {"endless duration", 100.0, INFINITY, 5.0, 5.0},
        {"start not a number", 100.0, 10.0, nan, 5.0},
        {"end infinite", 100.0, 10.0, 5.0, INFINITY},
    };
    for (const Case& c : cases) {
        SpeedProfile profile = built(100.0, 10.0, 5.0, 15.0);
        EXPECT_FALSE(gf_buildSpeedProfile(profile, c.distance, c.duration, c.start, c.end)) << c.name;
        EXPECT_EQ(profile.valid, 0) << c.name;
        EXPECT_EQ(gf_profileSpeedAt(profile, 1.0), 0.0) << c.name;
        EXPECT_EQ(gf_profileMaxSpeed(profile), 0.0) << c.name;
    }
}

TEST(SpeedProfile, TimeFractionAndExtreme) {
    const SpeedProfile profile = built(100.0, 10.0, 30.0, 30.0);
    EXPECT_EQ(gf_profileTimeFraction(profile, 5.0), 0.5);
    EXPECT_EQ(gf_profileTimeFraction(profile, -1.0), 0.0);
    EXPECT_EQ(gf_profileTimeFraction(profile, 11.0), 1.0);
    EXPECT_EQ(gf_profileTimeFraction(profile, INFINITY), 1.0);
    EXPECT_EQ(gf_profileTimeFraction(profile, -INFINITY), 0.0);
    EXPECT_EQ(gf_profileTimeFraction(profile, std::nan("")), 0.0);
    EXPECT_NEAR(gf_profileExtremeFraction(profile), 0.5, 1e-12);                // slowest halfway
    EXPECT_EQ(gf_profileExtremeFraction(built(100.0, 10.0, 10.0, 10.0)), -1.0); // steady speed
    EXPECT_EQ(gf_profileExtremeFraction(built(100.0, 10.0, 5.0, 15.0)), -1.0);  // steady acceleration
}

TEST(SpeedProfile, AcceleratingProfileKeepsTheStartSpeedAndNeverBrakes) {
    struct Case {
        const char* name;
        double start;
        double end;
        double maxSpeed;
        bool built;
        double endSpeed;
    };
    // Distance 100 over 10 (mean 10).
    const Case cases[] = {
        {"accelerating as given", 5.0, 15.0, 20.0, true, 15.0},
        {"braking end replaced by the mean's mirror", 10.0, 2.0, 20.0, true, 10.0},
        {"too fast an end replaced", 5.0, 60.0, 20.0, true, 15.0},
        {"starting above the mean and braking", 12.0, 2.0, 20.0, false, 0.0},
        {"no top speed", 5.0, 15.0, 0.0, false, 0.0},
        {"top speed below the start", 5.0, 15.0, 4.0, false, 0.0},
    };
    for (const Case& c : cases) {
        SpeedProfile profile;
        EXPECT_EQ(gf_buildAcceleratingProfile(profile, 100.0, 10.0, c.start, c.end, c.maxSpeed), c.built) << c.name;
        EXPECT_EQ(profile.valid, c.built ? 1 : 0) << c.name;
        if (c.built) {
            EXPECT_NEAR(profile.startSpeed, c.start, 1e-9) << c.name;
            EXPECT_NEAR(profile.endSpeed, c.endSpeed, 1e-9) << c.name;
            EXPECT_LE(gf_profileMaxSpeed(profile), c.maxSpeed + 1e-9) << c.name;
        }
    }
    SpeedProfile profile;
    EXPECT_FALSE(gf_buildAcceleratingProfile(profile, 100.0, std::nan(""), 5.0, 15.0, 20.0));
}

} // namespace
} // namespace kiv

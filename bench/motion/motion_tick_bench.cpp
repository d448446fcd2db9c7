// One simulator tick of motion for 1,000 live aircraft on the traffic state as the program
// wires it (real motion and traffic steps; recording stand-ins only beyond the process):
// 60 % flying, 27 % taxiing, 3 % pushing back from a stand, 5 % rolling out after landing
// and 5 % on a take-off roll, every aircraft at its own point of its movement. An aircraft
// whose movement is over (or that was removed) starts a fresh one between two ticks, outside
// the measurement, as a new feed track would.
//
// BM_MotionTick runs the per-tick update of every aircraft in the simulator loop's order and
// reports the tick's p50 and p99 and the heap allocations per tick. BM_CurveStep runs the
// stream steps of a tick first and then times the curve steps of all aircraft together:
// nanoseconds per gf_nextPosCurve and per nextPosMain, and the allocations of each.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <vector>

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include "motion/ground_departure.h"
#include "motion/motion_service.h"
#include "motion/stream_builder.h"
#include "motion/traffic_motion_environment.h"
#include "support/allocation_counter.h"
#include "traffic/traffic_fakes.h"
#include "traffic/traffic_step_set.h"

namespace kiv {
namespace {

using test_support::makeAircraft;
using test_support::pointFrom;
using test_support::StreamBuilder;

constexpr std::size_t kAircraft = 1000;
constexpr std::int32_t kFirstTick = 100000;
constexpr std::int32_t kWarmUpTicks = 9000; // the longest movement: every aircraft is under way
constexpr std::int32_t kMeasuredTicks = 6000;
constexpr std::int32_t kStartSpacingTicks = kWarmUpTicks / static_cast<std::int32_t>(kAircraft);
constexpr Lalo kAirport{47.0, 9.0};

enum class Movement { flying, taxi, pushback, rollout, takeoff };

Movement movementOf(std::size_t index) {
    const std::size_t slot = index % 100;
    if (slot < 60) {
        return Movement::flying;
    }
    if (slot < 87) {
        return Movement::taxi;
    }
    if (slot < 90) {
        return Movement::pushback;
    }
    return slot < 95 ? Movement::rollout : Movement::takeoff;
}

// En route: a sample every 5 s at 250 to 470 kt, gentle course changes, some climbing or
// descending.
LiveAircraft flyingAircraft(std::mt19937& random, std::int32_t startTick, std::uint32_t hexId) {
    std::uniform_real_distribution<double> offset(-1.5, 1.5), altitude(8000.0, 36000.0), speed(250.0, 470.0),
        turn(-15.0, 15.0), course(0.0, 360.0);
    std::uniform_int_distribution<int> climb(-1, 1);
    const double startFt = altitude(random);
    StreamBuilder stream({kAirport.latitude + offset(random), kAirport.longitude + offset(random)}, startTick,
                         speed(random), startFt);
    double heading = course(random);
    const double kt = stream.back().groundSpeedKt;
    const double rate = startFt > 12000.0 ? 1500.0 * climb(random) : 0.0;
    for (int i = 0; i < 14; ++i) {
        stream.leg(heading, 5.0, kt, rate);
        heading = std::fmod(heading + turn(random) + 360.0, 360.0);
    }
    LiveAircraft aircraft = makeAircraft(stream.samples(), SizeClass::Large, FlightSituation::flying,
                                         stream.samples()[1].trackDeg, hexId);
    aircraft.heightAboveGroundFt = startFt;
    return aircraft;
}

// On the taxiways: straight legs with 30 to 90 degree corners every 2 to 5 s at 5 to 25 kt,
// then a hold on invented samples.
LiveAircraft taxiAircraft(std::mt19937& random, std::int32_t startTick, std::uint32_t hexId) {
    std::uniform_real_distribution<double> offset(-0.01, 0.01), seconds(2.0, 5.0), speed(5.0, 25.0),
        corner(30.0, 90.0), course(0.0, 360.0);
    std::bernoulli_distribution left(0.5);
    StreamBuilder stream({kAirport.latitude + offset(random), kAirport.longitude + offset(random)}, startTick, 15.0);
    double heading = course(random);
    const double firstHeading = heading;
    for (int i = 0; i < 14; ++i) {
        stream.leg(heading, seconds(random), speed(random));
        heading = std::fmod(heading + (left(random) ? -1.0 : 1.0) * corner(random) + 360.0, 360.0);
    }
    stream.hold(3.0);
    return makeAircraft(stream.samples(), SizeClass::Large, FlightSituation::taxi, firstHeading, hexId);
}

// Parked at its stand with the departure decided: the pushback, then the wait for the taxi.
LiveAircraft pushbackAircraft(const Stand& stand, std::int32_t startTick, std::uint32_t hexId) {
    StreamBuilder stream({stand.latitude, stand.longitude}, startTick, 0.0);
    stream.hold(2.0);
    LiveAircraft aircraft = makeAircraft(stream.samples(), SizeClass::Large, FlightSituation::parked,
                                         stand.heading * kRadiansToDegrees, hexId);
    aircraft.standId = stand.number;
    aircraft.standLat = stand.latitude;
    aircraft.standLon = stand.longitude;
    aircraft.standHeading = stand.heading;
    aircraft.departurePending = 1;
    aircraft.info.liveRate = 3.0;
    return aircraft;
}

// Just touched down at 130 kt: the roll-out to 20 kt, a 40 degree exit and the taxi.
LiveAircraft rolloutAircraft(std::mt19937& random, std::int32_t startTick, std::uint32_t hexId) {
    std::uniform_real_distribution<double> offset(-0.01, 0.01), course(0.0, 360.0);
    const double heading = course(random);
    StreamBuilder stream({kAirport.latitude + offset(random), kAirport.longitude + offset(random)}, startTick, 130.0);
    for (double speed = 115.0; speed >= 20.0; speed -= 15.0) {
        stream.leg(heading, 3.0, speed);
    }
    const double exit = std::fmod(heading + 40.0, 360.0);
    stream.leg(heading, 3.0, 20.0).leg(exit, 4.0, 18.0).leg(exit, 4.0, 15.0).leg(exit, 4.0, 15.0).hold(3.0);
    LiveAircraft aircraft = makeAircraft(stream.samples(), SizeClass::Large, FlightSituation::landing_roll, heading,
                                         hexId);
    aircraft.touchdownHeading = heading * kDegreesToRadians;
    aircraft.speedKt = 130.0;
    return aircraft;
}

// Lined up: the take-off roll from 10 to 150 kt, the rotation and the climb.
LiveAircraft takeoffAircraft(std::mt19937& random, std::int32_t startTick, std::uint32_t hexId) {
    std::uniform_real_distribution<double> offset(-0.01, 0.01), course(0.0, 360.0);
    const double heading = course(random);
    StreamBuilder stream({kAirport.latitude + offset(random), kAirport.longitude + offset(random)}, startTick, 10.0);
    for (double speed = 20.0; speed <= 150.0; speed += 10.0) {
        stream.leg(heading, 3.0, speed);
    }
    for (int i = 0; i < 6; ++i) {
        stream.leg(heading, 5.0, 160.0, 1800.0);
    }
    return makeAircraft(stream.samples(), SizeClass::Large, FlightSituation::taxi, heading, hexId);
}

// The program's traffic state: the real motion and traffic steps; the simulator link, the
// feeds, airports, models, shell and clock are the recording stand-ins of the tests.
class Fleet {
public:
    Fleet() {
        gf_initTraffic(state);
        // The stand-ins record every command; room up front keeps their growth out of the count.
        link.events.reserve(1u << 20);
        link.allLights.reserve(1u << 20);
        link.reverseThrusts.reserve(1u << 20);
        link.removals.reserve(1u << 16);
        shell.messages.reserve(1u << 16);
        state.tickPoses.reserve(kAircraft);
        for (std::uint32_t i = 0; i < 40; ++i) {
            Stand stand;
            stand.number = i + 1;
            stand.id = fmt::format("A{}", i + 1);
            stand.radius = 0.02;
            const Lalo at = pointFrom(kAirport, 90.0, 80.0 * i);
            stand.latitude = at.latitude;
            stand.longitude = at.longitude;
            stand.heading = 0.0;
            state.parkStands.push_back(stand);
        }
        // Start ticks spread evenly over the warm-up, so that the movements are out of step.
        for (std::size_t i = 0; i < kAircraft; ++i) {
            startTick_.push_back(kFirstTick + static_cast<std::int32_t>(i) * kStartSpacingTicks);
            endTick_.push_back(0);
            hexIds_.push_back(0x400000 + static_cast<std::uint32_t>(i));
        }
        state.live.reserve(kAircraft);
        state.tickCount = kFirstTick;
    }

    test_support::FakeSimLink link;
    test_support::FakeFeeds feeds;
    MotionService motion;
    test_support::FakeAirports airports;
    test_support::FakeModels models;
    test_support::FakeShell shell;
    TrafficStepSet steps;
    test_support::FakeClock clock;
    test_support::SettingsGuard settingsGuard;
    TrafficState state{TrafficPorts{link, feeds, motion, airports, models, shell, steps, clock}};

    // Aircraft whose movement is over, or that left, start a new one; not yet started ones
    // wait for their start tick. Between ticks, outside the measurement.
    void refresh() {
        const std::int32_t now = state.tickCount.load();
        if (state.live.size() < kAircraft) {
            for (std::size_t i = state.live.size(); i < kAircraft && startTick_[i] <= now; ++i) {
                state.live.push_back(newMovement(i, now));
            }
        }
        for (std::size_t i = 0; i < state.live.size(); ++i) {
            LiveAircraft& a = state.live[i];
            if (a.simState != SimState::active || now >= endTick_[i]) {
                a = newMovement(i, now);
            }
        }
    }

    bool full() const { return state.live.size() == kAircraft; }

    void advance() { state.tickCount = state.tickCount.load() + 1; }

    std::uint64_t renewed() const { return renewed_; }

private:
    LiveAircraft newMovement(std::size_t index, std::int32_t now) {
        ++renewed_;
        hexIds_[index] += 0x1000;
        const std::uint32_t hexId = hexIds_[index];
        LiveAircraft aircraft = [&] {
            switch (movementOf(index)) {
            case Movement::flying:
                endTick_[index] = now + 7000;
                return flyingAircraft(random_, now, hexId);
            case Movement::taxi:
                endTick_[index] = now + 9000;
                return taxiAircraft(random_, now, hexId);
            case Movement::pushback:
                endTick_[index] = now + 6000;
                return pushbackAircraft(state.parkStands[index % state.parkStands.size()], now, hexId);
            case Movement::rollout:
                endTick_[index] = now + 6000;
                return rolloutAircraft(random_, now, hexId);
            case Movement::takeoff:
                endTick_[index] = now + 8000;
                return takeoffAircraft(random_, now, hexId);
            }
            throw std::logic_error("motion bench: unknown movement");
        }();
        aircraft.objectId = static_cast<std::uint32_t>(index + 10);
        TrafficMotionEnvironment environment(state);
        if (movementOf(index) == Movement::takeoff) {
            gf_startTakeoffRoll(environment, aircraft);
        } else if (movementOf(index) == Movement::rollout) {
            // What the touch-down report sends.
            environment.setSpoilers(aircraft, 1);
            environment.setReverseThrust(aircraft, 1, 0);
        }
        return aircraft;
    }

    std::mt19937 random_{2024};
    std::vector<std::int32_t> startTick_;
    std::vector<std::int32_t> endTick_;
    std::vector<std::uint32_t> hexIds_;
    std::uint64_t renewed_ = 0;
};

void warmUp(Fleet& fleet) {
    while (!fleet.full() || fleet.state.tickCount.load() < kFirstTick + kWarmUpTicks) {
        fleet.refresh();
        fleet.state.tickPoses.clear();
        for (LiveAircraft& aircraft : fleet.state.live) {
            fleet.steps.updateLiveAc(fleet.state, aircraft);
        }
        fleet.advance();
    }
}

double percentile(std::vector<double>& values, double share) {
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(share * static_cast<double>(values.size() - 1))];
}

void BM_MotionTick(benchmark::State& bench) {
    Fleet fleet;
    warmUp(fleet);
    std::vector<double> micros;
    micros.reserve(kMeasuredTicks);
    std::uint64_t allocations = 0;
    std::uint64_t poses = 0;
    for (auto _ : bench) {
        fleet.refresh();
        fleet.state.tickPoses.clear();
        const std::uint64_t allocationsBefore = bench::allocationCount.load();
        const auto start = std::chrono::steady_clock::now();
        for (LiveAircraft& aircraft : fleet.state.live) {
            fleet.steps.updateLiveAc(fleet.state, aircraft);
        }
        const auto end = std::chrono::steady_clock::now();
        allocations += bench::allocationCount.load() - allocationsBefore;
        poses += fleet.state.tickPoses.size();
        const double seconds = std::chrono::duration<double>(end - start).count();
        bench.SetIterationTime(seconds);
        micros.push_back(seconds * 1e6);
        fleet.advance();
    }
    const double ticks = static_cast<double>(micros.size());
    // Nearly every aircraft publishes a pose every tick, or the fleet was not moving.
    if (static_cast<double>(poses) < 0.95 * kAircraft * ticks) {
        bench.SkipWithError("too few poses published: the fleet is not under way");
        return;
    }
    bench.counters["p50_us"] = percentile(micros, 0.50);
    bench.counters["p99_us"] = percentile(micros, 0.99);
    bench.counters["max_us"] = micros.back();
    bench.counters["allocs_per_tick"] = static_cast<double>(allocations) / ticks;
    bench.counters["poses_per_tick"] = static_cast<double>(poses) / ticks;
    const auto airborne = std::count_if(fleet.state.live.begin(), fleet.state.live.end(),
                                        [](const LiveAircraft& aircraft) { return aircraft.onGround == 0; });
    bench.counters["airborne_share"] = static_cast<double>(airborne) / static_cast<double>(kAircraft);
}
BENCHMARK(BM_MotionTick)->Iterations(kMeasuredTicks)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_CurveStep(benchmark::State& bench) {
    Fleet fleet;
    warmUp(fleet);
    MotionService& motion = fleet.motion;
    std::vector<LiveAircraft*> moving;
    moving.reserve(kAircraft);
    double mainSeconds = 0.0;
    double curveSeconds = 0.0;
    std::uint64_t mainCalls = 0;
    std::uint64_t curveCalls = 0;
    std::uint64_t mainAllocations = 0;
    std::uint64_t curveAllocations = 0;
    for (auto _ : bench) {
        fleet.refresh();
        TrafficState& state = fleet.state;
        const std::int32_t now = state.tickCount.load();
        moving.clear();
        // The stream steps that are due, then the curve steps, as the live update calls them.
        std::uint64_t allocationsBefore = bench::allocationCount.load();
        auto start = std::chrono::steady_clock::now();
        for (LiveAircraft& aircraft : state.live) {
            if (aircraft.simState != SimState::active || aircraft.samples.empty() ||
                gf_ticksAfter(now, -aircraft.samples.front().deliveryTick) < 0) {
                continue;
            }
            motion.nextPosMain(state, aircraft);
            ++mainCalls;
        }
        auto end = std::chrono::steady_clock::now();
        mainSeconds += std::chrono::duration<double>(end - start).count();
        mainAllocations += bench::allocationCount.load() - allocationsBefore;
        for (LiveAircraft& aircraft : state.live) {
            if (aircraft.simState == SimState::active && !aircraft.samples.empty() &&
                aircraft.samples.front().stationary == 0) {
                moving.push_back(&aircraft);
            }
        }
        allocationsBefore = bench::allocationCount.load();
        start = std::chrono::steady_clock::now();
        for (LiveAircraft* aircraft : moving) {
            motion.gf_nextPosCurve(state, *aircraft);
        }
        end = std::chrono::steady_clock::now();
        curveSeconds += std::chrono::duration<double>(end - start).count();
        curveAllocations += bench::allocationCount.load() - allocationsBefore;
        curveCalls += moving.size();
        bench.SetIterationTime(std::chrono::duration<double>(end - start).count());
        fleet.advance();
    }
    if (curveCalls == 0 || mainCalls == 0) {
        bench.SkipWithError("no motion ran");
        return;
    }
    const double ticks = static_cast<double>(bench.iterations());
    bench.counters["ns_per_curve"] = curveSeconds * 1e9 / static_cast<double>(curveCalls);
    bench.counters["ns_per_main"] = mainSeconds * 1e9 / static_cast<double>(mainCalls);
    bench.counters["curves_per_tick"] = static_cast<double>(curveCalls) / ticks;
    bench.counters["mains_per_tick"] = static_cast<double>(mainCalls) / ticks;
    bench.counters["curve_allocs"] = static_cast<double>(curveAllocations);
    bench.counters["main_allocs_per_tick"] = static_cast<double>(mainAllocations) / ticks;
}
BENCHMARK(BM_CurveStep)->Iterations(kMeasuredTicks)->UseManualTime()->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace kiv

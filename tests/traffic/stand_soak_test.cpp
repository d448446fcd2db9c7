// Arrivals, departures and static parking at one busy airport for several simulated minutes,
// through the program's own tick and steps; only the simulator and aircraft motion are played
// by the test. After every tick no record or queue may refer to a record that is gone, no
// simulator object may lose its record without its removal under way, and no stand may hold
// two aircraft. Meant for the sanitizer build, where a reference kept across an erase fails.
#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <unordered_set>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "stand_fixture.h"
#include "test_support/log_capture.h"
#include "traffic/aircraft_removal.h"
#include "traffic/park_stands.h"
#include "traffic/simulator_loop.h"
#include "traffic/traffic_step_set.h"

namespace kiv {
namespace {

using test_support::eastDeg;
using test_support::kBaseLat;
using test_support::kBaseLon;
using test_support::northDeg;

constexpr std::uint32_t kRows = 8;
constexpr std::uint32_t kStandsPerRow = 12;
constexpr std::uint32_t kStands = kRows * kStandsPerRow;
constexpr std::int32_t kTicksPerSecond = 100;
constexpr std::int32_t kSimulatedSeconds = 240;
constexpr std::uint32_t kFirstLiveHexId = 0x400000;

// Aircraft motion as the stand steps see it: an arrival taxis to the stand nearest its stream's
// end and tries to park there each second, drives in, stands a while, leaves the stand and
// taxis away; one that finds no stand gives up.
class SoakMotion : public test_support::FakeMotion {
public:
    explicit SoakMotion(std::mt19937& random) : random_(random) {
        approach.distanceM = 10.0;
        entry.ok = true;
        canApproach = true;
    }

    void nextPosMain(TrafficState& state, LiveAircraft& aircraft) override {
        const std::int32_t now = state.tickCount.load();
        StreamSample& front = aircraft.samples.front();
        front.deliveryTick = gf_ticksAfter(now, 1);
        auto [due, known] = dueTick_.try_emplace(aircraft.info.hexId, gf_ticksAfter(now, kTicksPerSecond));
        if (static_cast<std::int32_t>(static_cast<std::uint32_t>(now) - static_cast<std::uint32_t>(due->second)) < 0) {
            return;
        }
        const auto later = [&](std::int32_t minSeconds, std::int32_t spreadSeconds) {
            due->second = gf_ticksAfter(now, (minSeconds + static_cast<std::int32_t>(random_() % spreadSeconds)) *
                                                 kTicksPerSecond);
        };
        switch (aircraft.situation) {
        case FlightSituation::taxi:
            if (aircraft.afterLanding == 0 || ++tries_[aircraft.info.hexId] > 20) {
                removeAircraftFromSim(state, aircraft);
                return;
            }
            state.ports.steps.try2Park(state, aircraft);
            due->second = gf_ticksAfter(now, kTicksPerSecond);
            return;
        case FlightSituation::parking:
            aircraft.previousSituation = FlightSituation::parking;
            aircraft.situation = FlightSituation::parked;
            aircraft.parkedSinceTime = 1;
            later(20, 60);
            return;
        case FlightSituation::parked:
            state.ports.steps.lf_beginStandDeparture(state, aircraft, front, random_() % 2);
            aircraft.previousSituation = FlightSituation::parked;
            aircraft.situation = FlightSituation::pushing_back;
            later(5, 10);
            return;
        case FlightSituation::pushing_back:
        case FlightSituation::pushed_back:
            aircraft.previousSituation = aircraft.situation;
            aircraft.situation = FlightSituation::taxi;
            aircraft.afterLanding = 0;
            later(5, 10);
            return;
        default:
            removeAircraftFromSim(state, aircraft);
            return;
        }
    }
    void gf_nextPosCurve(TrafficState&, LiveAircraft&) override {}
    void drive2Stand(TrafficState&, LiveAircraft&, const StandPose&, bool, bool) override {}

    void forget(std::uint32_t hexId) {
        dueTick_.erase(hexId);
        tries_.erase(hexId);
    }

private:
    std::mt19937& random_;
    std::map<std::uint32_t, std::int32_t> dueTick_;
    std::map<std::uint32_t, std::int32_t> tries_;
};

class StandSoakTest : public ::testing::Test {
protected:
    test_support::LogCapture log;
    std::mt19937 random{20240611};
    test_support::FakeSimLink link;
    test_support::FakeFeeds feeds;
    SoakMotion motion{random};
    test_support::FakeAirports airports;
    test_support::FakeModels models;
    test_support::FakeShell shell;
    TrafficStepSet steps;
    test_support::FakeClock clock;
    test_support::SettingsGuard settingsGuard;
    TrafficState state{TrafficPorts{link, feeds, motion, airports, models, shell, steps, clock}};

    // What the simulator holds: object id → hex id it was created for.
    std::map<std::uint32_t, std::uint32_t> simObjects;
    std::uint32_t nextObjectId = 100;
    std::uint32_t nextLiveHexId = kFirstLiveHexId;
    std::size_t createsSeen = 0;
    std::size_t removalsSeen = 0;
    std::vector<std::pair<std::int32_t, SimEvent>> scheduled; // due tick, event
    std::unordered_set<std::uint32_t> removalsAsked;           // object ids
    // Scratch sets of the table check.
    std::unordered_set<std::uint32_t> owners;
    std::unordered_set<std::uint32_t> liveHexIds;
    std::unordered_set<std::uint32_t> staticHexIds;

    StandSoakTest() {
        gf_initTraffic(state);
        models.liveryTitles[1] = "A320 Lufthansa";
        models.halfSpans[1] = 18.0 / 1852.0;
        // Rows of stands in pairs 30 m apart, the pairs 100 m apart; the left stand of a pair excludes
        // the right one.
        for (std::uint32_t row = 0; row < kRows; ++row) {
            for (std::uint32_t i = 0; i < kStandsPerRow; ++i) {
                Stand s;
                s.number = static_cast<std::uint32_t>(state.parkStands.size() + 1);
                s.id = fmt::format("S{}", s.number);
                s.latitude = kBaseLat + northDeg(200.0 * row);
                s.longitude = kBaseLon + eastDeg(100.0 * (i / 2) + 30.0 * (i % 2));
                s.radius = 30.0 / 1852.0;
                s.type = gf_parkingTypeCode(ParkingType::gate_heavy);
                if (i % 2 == 0 && i + 1 < kStandsPerRow) {
                    s.overlaps = {s.number + 1};
                }
                state.parkStands.push_back(std::move(s));
            }
        }
        gf_rebuildStandIndex(state);
        gf_publishParkStands(state);
        state.maxParkCount = static_cast<std::int32_t>(kStands * 3 / 4);
    }

    std::uint32_t below(std::uint32_t n) { return static_cast<std::uint32_t>(random() % n); }

    // A landed aircraft whose stream ends at a random stand; now and then one with the
    // registration of a static aircraft (its twin) or a ghost callsign of a live one.
    void addArrival() {
        const Stand& stand = state.parkStands[below(kStands)];
        const std::uint32_t hexId = nextLiveHexId++;
        TrafficRecordHead head;
        head.callsign = fmt::format("DLH{}", hexId - kFirstLiveHexId);
        head.registration = fmt::format("D-L{}", hexId);
        head.liveryKey.modelId = 1;
        const std::uint32_t kind = below(10);
        if (kind == 0 && !state.statics.empty()) {
            head.registration = state.statics[below(static_cast<std::uint32_t>(state.statics.size()))]
                                    .info.head.registration;
        } else if (kind == 1 && !state.live.empty()) {
            head.callsign = state.live[below(static_cast<std::uint32_t>(state.live.size()))].info.head.callsign + "_";
        }
        AircraftInfo info = gf_makeAircraftInfo(models, head);
        info.hexId = hexId;
        StreamSample sample;
        sample.latitude = stand.latitude + northDeg(15.0);
        sample.longitude = stand.longitude;
        sample.stationary = 1;
        sample.deliveryTick = state.tickCount.load();
        state.live.emplace_back(sample, info, 1000.0, WeekdaySlot{});
        LiveAircraft& a = state.live.back();
        a.simState = SimState::active;
        a.objectId = nextObjectId++;
        simObjects[a.objectId] = hexId;
        a.onGround = 1;
        a.situation = FlightSituation::taxi;
        a.previousSituation = FlightSituation::landing_roll;
        a.afterLanding = 1;
        a.pose.latitude = sample.latitude;
        a.pose.longitude = sample.longitude;
    }

    void addStaticCandidate() {
        StaticCandidate candidate;
        const std::uint32_t n = below(100000);
        candidate.source = 1;
        candidate.standId = static_cast<std::int32_t>(1 + below(kStands));
        candidate.key.modelId = 1;
        candidate.callsign1 = fmt::format("ST{}", n);
        candidate.registration = fmt::format("D-S{}", n);
        candidate.staysNextSlot = 1;
        state.pendingParkedAdds.push_back(std::move(candidate));
    }

    // The simulator: creations get an object id, removals end the object, each a few ticks later.
    void playSimulator() {
        const std::int32_t now = state.tickCount.load();
        for (; createsSeen < link.creates.size(); ++createsSeen) {
            SimEvent event;
            event.key = link.creates[createsSeen].hexId;
            event.objectId = nextObjectId++;
            event.kind = event.key <= kHighestStaticHexId ? SimEventKind::staticAssigned : SimEventKind::liveAssigned;
            simObjects[event.objectId] = event.key;
            scheduled.emplace_back(gf_ticksAfter(now, 3 + static_cast<std::int32_t>(below(20))), event);
        }
        for (; removalsSeen < link.removals.size(); ++removalsSeen) {
            removalsAsked.insert(link.removals[removalsSeen]);
            SimEvent event;
            event.objectId = link.removals[removalsSeen];
            event.kind = SimEventKind::removed;
            scheduled.emplace_back(gf_ticksAfter(now, 3 + static_cast<std::int32_t>(below(20))), event);
        }
        std::vector<std::pair<std::int32_t, SimEvent>> waiting;
        for (const auto& [due, event] : scheduled) {
            if (due > now) {
                waiting.emplace_back(due, event);
                continue;
            }
            if (event.kind == SimEventKind::removed) {
                motion.forget(simObjects[event.objectId]);
                simObjects.erase(event.objectId);
            }
            link.pendingEvents.push_back(event);
        }
        scheduled = std::move(waiting);
    }

    bool knownStand(std::int64_t standId) const { return standId >= 1 && standId <= kStands; }

    void checkTables() {
        std::vector<int> holders(kStands + 1, 0);
        owners.clear();
        liveHexIds.clear();
        staticHexIds.clear();
        for (const StaticAircraft& a : state.statics) {
            ASSERT_TRUE(staticHexIds.insert(a.info.hexId).second) << "two statics share hex id " << a.info.hexId;
            ASSERT_TRUE(knownStand(a.standId)) << a.info.head.callsign;
            if (a.objectId != 0) {
                ASSERT_TRUE(owners.insert(a.objectId).second) << "object " << a.objectId;
            }
            const bool staying = (a.simState == SimState::adding2sim || a.simState == SimState::active) &&
                                 a.removePending == 0 && a.creationCancelled == 0 && a.removed == 0 &&
                                 a.jetwayRemovalToken == 0;
            holders[a.standId] += staying ? 1 : 0;
        }
        for (const LiveAircraft& a : state.live) {
            ASSERT_TRUE(liveHexIds.insert(a.info.hexId).second) << "two live aircraft share hex id " << a.info.hexId;
            ASSERT_TRUE(a.standId == 0 || knownStand(a.standId)) << a.info.head.callsign;
            if (a.objectId != 0) {
                ASSERT_TRUE(owners.insert(a.objectId).second) << "object " << a.objectId;
            }
            const bool standing = (a.situation == FlightSituation::parking || a.situation == FlightSituation::parked) &&
                                  a.simState == SimState::active && a.jetwayRemovalToken == 0;
            holders[a.standId] += standing && a.standId != 0 ? 1 : 0;
        }
        for (std::uint32_t standId = 1; standId <= kStands; ++standId) {
            ASSERT_LE(holders[standId], 1) << "stand " << standId << " holds " << holders[standId] << " aircraft";
        }
        for (const CreateCommand& c : state.staticCreationQueue) {
            const auto it = std::find_if(state.statics.begin(), state.statics.end(),
                                         [&](const StaticAircraft& a) { return a.info.hexId == c.hexId; });
            ASSERT_TRUE(it != state.statics.end() && it->simState == SimState::adding2sim)
                << "static creation of hex id " << c.hexId << " without its record";
        }
        for (const StaticCandidate& c : state.pendingParkedAdds) {
            ASSERT_TRUE(knownStand(c.standId));
        }
        for (const StaticCandidate& c : state.deferredParkedAdds) {
            ASSERT_TRUE(knownStand(c.standId));
        }
        for (std::uint32_t hexId : state.addingStack) {
            ASSERT_TRUE(liveHexIds.contains(hexId)) << "adding stack holds gone hex id " << hexId;
        }
        for (std::uint32_t hexId : state.learnedStandMatchQueue) {
            ASSERT_TRUE(liveHexIds.contains(hexId)) << "learned match queue holds gone hex id " << hexId;
        }
        // An object whose record is gone must be on its way out of the simulator.
        for (const auto& [objectId, hexId] : simObjects) {
            if (owners.contains(objectId) || removalsAsked.contains(objectId) ||
                std::find(state.removalQueue.begin(), state.removalQueue.end(), objectId) !=
                    state.removalQueue.end()) {
                continue;
            }
            const bool assignmentUnderWay =
                std::any_of(scheduled.begin(), scheduled.end(),
                            [&](const auto& e) { return e.second.objectId == objectId; }) ||
                std::any_of(link.pendingEvents.begin(), link.pendingEvents.end(),
                            [&](const SimEvent& e) { return e.objectId == objectId; });
            ASSERT_TRUE(assignmentUnderWay) << "object " << objectId << " of hex id " << hexId << " lost its record";
        }
    }
};

TEST_F(StandSoakTest, BusyAirportKeepsItsTablesConsistent) {
    std::uint32_t parkedSeen = 0;
    std::uint32_t staticsSeen = 0;
    for (std::int32_t second = 0; second < kSimulatedSeconds; ++second) {
        if (below(2) == 0) {
            addArrival();
        }
        // Now and then a new plan: a burst of candidates that queue for their creation.
        for (std::uint32_t n = second % 20 == 0 ? 8 : below(3) != 0; n > 0; --n) {
            addStaticCandidate();
        }
        for (std::int32_t tick = 0; tick < kTicksPerSecond; ++tick) {
            state.secondSignal = tick == 0;
            lf_simulatorTick(state);
            playSimulator();
            clock.now += 10'000'000;
            ASSERT_NO_FATAL_FAILURE(checkTables()) << "second " << second << ", tick " << tick;
        }
        parkedSeen += static_cast<std::uint32_t>(std::count_if(state.live.begin(), state.live.end(), [](const auto& a) {
            return a.situation == FlightSituation::parked;
        }));
        staticsSeen += static_cast<std::uint32_t>(std::count_if(
            state.statics.begin(), state.statics.end(), [](const auto& a) { return a.simState == SimState::active; }));
    }
    // The run did what it is for: aircraft parked, statics stood, and statics made way for arrivals.
    const std::vector<std::string> lines = log.lines();
    const auto madeWay = std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.find("makes way for") != std::string::npos;
    });
    EXPECT_GT(parkedSeen, 0u);
    EXPECT_GT(staticsSeen, 0u);
    EXPECT_GT(madeWay, 0);
}

} // namespace
} // namespace kiv

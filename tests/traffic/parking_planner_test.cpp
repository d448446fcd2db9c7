#include "traffic/parking_planner.h"

#include <optional>

#include <gtest/gtest.h>

#include "parking_test_support.h"
#include "test_support/log_capture.h"
#include "traffic/parking_adjustments.h"

namespace kiv {
namespace {

using test_support::daySlot;
using test_support::makeOption;

class ParkingPlannerTest : public ::testing::Test, public test_support::ParkingFixture {
protected:
    ParkingPlannerTest() {
        gf_updateSettings([](SettingsSnapshot& s) {
            s.random = false;
            s.autoPark = true;
        });
    }
    FlightOption option(std::string reg, std::uint32_t day, std::initializer_list<int> slots, std::string cs,
                        std::uint32_t seq = 1) {
        FlightOption o = makeOption(std::move(reg), day, slots, seq);
        o.cs = std::move(cs);
        o.key.modelId = 1;
        return o;
    }
    LiveAircraft& parkedLive(std::uint32_t hexId, std::int64_t parkedSince) {
        LiveAircraft& a = addLive(hexId, SimState::active, hexId + 1);
        a.situation = FlightSituation::parked;
        a.parkedSinceTime = parkedSince;
        return a;
    }
    ParkingData data;
};

TEST_F(ParkingPlannerTest, StandSearchLooksBackOverMidnightAndAlternatesItsDirection) {
    setStands(3);
    for (std::size_t i = 0; i < 3; ++i) {
        state.parkStands[i].options = {option("D-A" + std::to_string(i), 7, {46}, "DLH" + std::to_string(i))};
    }
    // Monday slot 1, three slots back: Sunday slot 46.
    EXPECT_TRUE(lf_searchStands(state, data, daySlot(1, 1), 3, true, true, 1));
    ASSERT_EQ(state.pendingParkedAdds.size(), 1u);
    EXPECT_EQ(state.pendingParkedAdds[0].standId, 1);
    EXPECT_EQ(state.pendingParkedAdds[0].offset, 3);
    EXPECT_EQ(state.pendingParkedAdds[0].source, 1u);
    EXPECT_EQ(state.pendingParkedAdds[0].callsign1, "DLH0");
    EXPECT_EQ(data.counters.filePositions, 1);
    state.pendingParkedAdds.clear();
    gf_renumberStandOptions(state);
    EXPECT_TRUE(lf_searchStands(state, data, daySlot(1, 1), 3, true, true, 1));
    EXPECT_EQ(state.pendingParkedAdds.back().standId, 3); // the second walk runs backwards
    state.pendingParkedAdds.clear();
    gf_renumberStandOptions(state);
    EXPECT_FALSE(lf_searchStands(state, data, daySlot(1, 1), 2, true, true, 1));
    EXPECT_TRUE(state.pendingParkedAdds.empty());
}

TEST_F(ParkingPlannerTest, AnOptionOfAnAircraftAlreadyFlyingIsPassedOverForThisPlanOnly) {
    setStands(1);
    state.parkStands[0].options = {option("D-AAAA", 2, {10}, "DLH1", 1), option("D-BBBB", 2, {10}, "DLH2", 2)};
    state.liveFeedCallsigns = {"DLH1_"};
    lf_searchStands(state, data, daySlot(2, 10), 0, true, true, 1);
    ASSERT_EQ(state.pendingParkedAdds.size(), 1u);
    EXPECT_EQ(state.pendingParkedAdds[0].callsign1, "DLH2");
    EXPECT_TRUE(state.parkStands[0].options[0].planSkip);
    EXPECT_EQ(state.parkStands[0].options[0].seq, 1u); // still a learned option, not withdrawn
}

TEST_F(ParkingPlannerTest, LearnedDataSurvivesASaveRightAfterAPlan) {
    setStands(1);
    state.parkStands[0].options = {option("D-AAAA", 2, {10}, "DLH1", 1), option("D-BBBB", 2, {10}, "DLH2", 0),
                                   option("D-CCCC", 2, {10}, "DLH3", 3)};
    state.liveFeedCallsigns = {"DLH1"};
    lf_searchStands(state, data, daySlot(2, 10), 0, true, true, 5);
    state.learnedDataChanged = true;
    lf_resetParkingState(state, data);
    ASSERT_EQ(airports.savedLearned.size(), 1u);
    const std::vector<FlightOption>& saved = airports.savedLearned[0][0].options;
    EXPECT_EQ(saved[0].seq, 1u);
    EXPECT_EQ(saved[1].seq, 0u);
    EXPECT_EQ(saved[2].seq, 3u);
}

TEST_F(ParkingPlannerTest, RenumberingKeepsWithdrawnOptionsWithdrawn) {
    setStands(1);
    state.parkStands[0].options = {option("D-AAAA", 2, {10}, "DLH1", 4), option("D-BBBB", 2, {10}, "DLH2", 0),
                                   option("D-CCCC", 2, {10}, "DLH3", 9)};
    state.parkStands[0].options[2].planSkip = true;
    state.parkStands[0].filled = true;
    gf_renumberStandOptions(state);
    const std::vector<FlightOption>& options = state.parkStands[0].options;
    EXPECT_EQ(options[0].seq, 1u);
    EXPECT_EQ(options[1].seq, 0u);
    EXPECT_EQ(options[2].seq, 3u);
    EXPECT_FALSE(options[2].planSkip);
    EXPECT_FALSE(state.parkStands[0].filled);
    // A withdrawn option is never offered.
    state.parkStands[0].options[0].seq = 0;
    lf_searchStands(state, data, daySlot(2, 10), 0, true, true, 5);
    ASSERT_EQ(state.pendingParkedAdds.size(), 1u);
    EXPECT_EQ(state.pendingParkedAdds[0].callsign1, "DLH3");
}

TEST_F(ParkingPlannerTest, StaysNextSlotFollowsTheOptionOrTheNextDaysFirstSlot) {
    setStands(1);
    FlightOption late = option("D-AAAA", 3, {46, 47}, "DLH1");
    late.cs2 = "DLH9";
    FlightOption morning = option("D-XXXX", 4, {0, 1}, "DLH5", 2);
    state.parkStands[0].options = {late, morning};
    lf_searchStands(state, data, daySlot(3, 47), 0, true, true, 1);
    ASSERT_EQ(state.pendingParkedAdds.size(), 1u);
    EXPECT_EQ(state.pendingParkedAdds[0].staysNextSlot, 1); // day 4 slot 0 has the same livery
    state.pendingParkedAdds.clear();
    state.parkStands[0].options[1].hh.reset(0);
    gf_renumberStandOptions(state);
    data.searchForward = true;
    lf_searchStands(state, data, daySlot(3, 47), 0, true, true, 1);
    EXPECT_EQ(state.pendingParkedAdds[0].staysNextSlot, 0);
}

TEST_F(ParkingPlannerTest, AServiceRecordOfAStaticOnAFilledStandEndsTheRealMode) {
    setStands(3);
    StaticAircraft& standing = addStatic(1, 2);
    standing.source = 0;
    standing.serviceHexId = 0xABC;
    ParkedRecord record;
    record.hexId = 0xABC;
    record.head.callsign = "DLH5";
    record.head.liveryKey.modelId = 1;
    record.ageHalfHours = 1;
    ParkedRecord other = record;
    other.hexId = 0xDEF;
    other.head.callsign = "DLH6";
    other.stand = "STND A3";
    other.latitude = state.parkStands[2].latitude;
    other.longitude = state.parkStands[2].longitude;
    feeds.parked = {record, other};
    // Not filled yet: the static stays, and the next record is placed at its stand text.
    EXPECT_FALSE(lf_searchRTParked(state, data, 1, 5));
    EXPECT_EQ(standing.stayMark, 1);
    EXPECT_EQ(data.counters.mayStay, 1);
    ASSERT_EQ(state.pendingParkedAdds.size(), 1u);
    EXPECT_EQ(state.pendingParkedAdds[0].standId, 3);
    EXPECT_EQ(state.pendingParkedAdds[0].hexId, 0xDEFu);
    EXPECT_EQ(state.pendingParkedAdds[0].offset, 1);
    EXPECT_EQ(data.counters.rtPositions, 1);
    // Its stand is filled now: the pass ends at once, reporting enough.
    state.pendingParkedAdds.clear();
    state.parkStands[2].filled = false;
    EXPECT_TRUE(lf_searchRTParked(state, data, 1, 5));
    EXPECT_TRUE(state.pendingParkedAdds.empty());
}

TEST_F(ParkingPlannerTest, AServiceRecordWithoutAKnownStandTakesTheNearestFittingStand) {
    setStands(3);
    ParkedRecord record;
    record.head.callsign = "DLH5";
    record.head.liveryKey.modelId = 1;
    record.latitude = state.parkStands[0].latitude;
    record.longitude = state.parkStands[0].longitude;
    const AircraftInfo info = gf_makeAircraftInfo(models, record.head);
    struct Case {
        std::string standText;
        std::optional<std::size_t> nearest; // what the stand steps find
        std::int32_t standId;
    };
    const Case cases[] = {
        {"STND Z9", 1, 2},            // unknown text: the nearest fitting stand
        {"STND Z9", std::nullopt, 0}, // nothing fits: no stand
        {"STND A3", 1, 3},            // the stand text near the position wins
    };
    for (const Case& c : cases) {
        record.stand = c.standText;
        steps.nearestStandIndex = c.nearest;
        EXPECT_EQ(gf_standOfParkedRecord(state, record, info), c.standId) << c.standText;
    }
    // Learned uses may decide the nearest stand of a parked aircraft.
    EXPECT_EQ(steps.nearestAllowLearned, (std::vector<bool>{true, true}));
}

TEST_F(ParkingPlannerTest, AParkedRecordWithoutAirlineCodeTakesItFromItsCallsignOrPVT) {
    ParkedRecord record;
    record.head.callsign = "abc123";
    gf_fixParkedAirline(state, record);
    EXPECT_EQ(record.head.liveryKey.airlineId, models.airlineIds.at("ABC"));
    record.head.liveryKey.airlineId = 0;
    record.head.callsign = "N123AB";
    gf_fixParkedAirline(state, record);
    EXPECT_EQ(record.head.liveryKey.airlineId, 90);
}

TEST_F(ParkingPlannerTest, AlreadyPresentChecks) {
    state.pendingParkedAdds.push_back({0, 1, 1, 0, {}, "DLH1", "DLH2", "D-AAAA", 1});
    addLive(7).info.head.registration = "D-LIVE";
    state.liveStayers.push_back({"BAW1", "G-STAY", 0, 2, 0});
    StaticAircraft& staying = addStatic(3, 0);
    staying.stayMark = 1;
    staying.info.head.prevCallsign = "AFR7";
    addStatic(4, 0, SimState::active, "KLM9"); // not staying
    state.liveFeedCallsigns = {"EZY1"};
    struct Case {
        const char* reg;
        const char* cs1;
        const char* cs2;
        bool present;
    };
    const Case cases[] = {
        {"D-AAAA", "", "", true}, {"", "DLH1", "", true}, {"", "", "DLH2", true}, {"", "DLH2", "", false},
        {"", "EZY1", "", true},   {"D-LIVE", "", "", true}, {"", "BAW1", "", true}, {"G-STAY", "", "", true},
        {"", "AFR7", "", true},   {"", "KLM9", "", false}, {"X", "Y", "Z", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(lf_isAlreadyPresent(state, c.reg, c.cs1, c.cs2), c.present) << c.reg << c.cs1 << c.cs2;
    }
}

TEST_F(ParkingPlannerTest, StandExcludedByAnotherStandsAircraft) {
    setStands(3);
    state.parkStands[0].overlaps = {2};
    EXPECT_FALSE(lf_standExcludedByOthers(state, 2));
    addStatic(1, 1);
    EXPECT_TRUE(lf_standExcludedByOthers(state, 2));
    EXPECT_FALSE(lf_standExcludedByOthers(state, 1)); // its own stand
    state.statics.front().simState = SimState::removingfromsim;
    EXPECT_FALSE(lf_standExcludedByOthers(state, 2));
    state.liveStayers.push_back({"X", "Y", 0, 1, 0});
    EXPECT_TRUE(lf_standExcludedByOthers(state, 2));
    EXPECT_FALSE(lf_standExcludedByOthers(state, 0));
}

TEST_F(ParkingPlannerTest, ParkLimitRemovesStaticsFirstThenLiveAndAllStatics) {
    setNow(1, 10);
    for (int limitCase = 0; limitCase < 2; ++limitCase) {
        state.live.clear();
        state.statics.clear();
        const int liveCount = limitCase == 0 ? 8 : 12;
        for (int i = 0; i < liveCount; ++i) {
            parkedLive(static_cast<std::uint32_t>(20000 + i), 1000 + i);
        }
        for (int i = 0; i < 4; ++i) {
            addStatic(static_cast<std::uint32_t>(i + 1), 0).parkedSlot = daySlot(1, i); // 1 is the oldest
        }
        state.maxParkCount = 10;
        gf_limitParkedAircraft(state, 1);
        const auto removed = [](const AircraftRecord& a) { return a.simState == SimState::removingfromsim; };
        if (limitCase == 0) {
            EXPECT_TRUE(removed(state.statics[0]) && removed(state.statics[1]) && removed(state.statics[2]));
            EXPECT_FALSE(removed(state.statics[3]));
            EXPECT_EQ(std::count_if(state.live.begin(), state.live.end(), removed), 0);
        } else {
            EXPECT_EQ(std::count_if(state.statics.begin(), state.statics.end(), removed), 4);
            EXPECT_EQ(std::count_if(state.live.begin(), state.live.end(), removed), 3);
            EXPECT_TRUE(removed(state.live[0]) && removed(state.live[1]) && removed(state.live[2]));
        }
    }
    state.maxParkCount = -1; // no limit yet
    state.statics.clear();
    addStatic(9, 0);
    gf_limitParkedAircraft(state, 50);
    EXPECT_EQ(state.statics[0].simState, SimState::active);
}

TEST_F(ParkingPlannerTest, SearchModesLogTheirResultsButNothingWhenNoneIsNeeded) {
    test_support::LogCapture log;
    setStands(2);
    state.parkStands[0].options = {option("D-AAAA", 2, {10}, "DLH1")};
    lf_runParkingSearch(state, data, daySlot(2, 12), true, true, 0);
    EXPECT_TRUE(log.lines().empty());
    lf_runParkingSearch(state, data, daySlot(2, 12), true, true, 2);
    const std::vector<std::string> lines = log.lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Results for real search (total needed: 2):"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "1 airport file position auto park, day 2"), lines.end());
    EXPECT_EQ(state.pendingParkedAdds.size(), 1u);
    EXPECT_EQ(state.pendingParkedAdds[0].offset, 2);
}

TEST_F(ParkingPlannerTest, CandidatesWithTheSmallestOffsetAreTakenFirst) {
    std::vector<StaticCandidate> candidates(3);
    candidates[0].offset = 1;
    candidates[1].offset = 5;
    candidates[2].offset = 0;
    gf_sortParkedAdds(candidates);
    EXPECT_EQ(candidates.back().offset, 0);
    EXPECT_EQ(candidates.front().offset, 5);
}

} // namespace
} // namespace kiv

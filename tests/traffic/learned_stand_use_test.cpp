#include "traffic/learned_stand_use.h"

#include <gtest/gtest.h>

#include "parking_test_support.h"

namespace kiv {
namespace {

using test_support::daySlot;
using test_support::makeOption;

std::string slotsText(const std::bitset<48>& slots) {
    std::string text;
    for (std::size_t i = 0; i < 48; ++i) {
        if (slots.test(i)) {
            text += (text.empty() ? "" : ",") + std::to_string(i);
        }
    }
    return text;
}

class LearnedStandUseTest : public ::testing::Test, public test_support::ParkingFixture {
protected:
    LearnedStandUseTest() {
        setStands(2);
        models.registrations["D-AIAB"] = LiveryKey{7, 0, 1, 0, 1};
    }

    LiveAircraft& aircraft(SizeClass sizeClass = SizeClass::Large) {
        LiveAircraft& a = addLive(1, SimState::active, 10, "DLH12_");
        a.info.head.registration = "D-AIAB_";
        a.info.sizeClass = sizeClass;
        return a;
    }
    void use(std::int32_t weekday, std::int32_t slot, std::uint32_t kind = 0) {
        setNow(weekday, slot);
        gf_addRealStandOption(state, 1, state.live.front(), kind);
    }
    std::vector<FlightOption>& options() { return state.parkStands[0].options; }
};

TEST_F(LearnedStandUseTest, FirstUseMakesARealOptionWithTheTypeDatabaseKey) {
    aircraft();
    use(3, 20);
    ASSERT_EQ(options().size(), 1u);
    const FlightOption& option = options()[0];
    EXPECT_EQ(option.reg, "D-AIAB");
    EXPECT_EQ(option.cs, "DLH12");
    EXPECT_EQ(option.key, (LiveryKey{7, 0, 1, 0, 1}));
    EXPECT_EQ(option.day, 3u);
    EXPECT_EQ(slotsText(option.hh), "20");
    EXPECT_EQ(option.seq, 1u);
    EXPECT_EQ(option.real, 1u);
    EXPECT_EQ(option.fromFile, 0u);
    EXPECT_FALSE(option.cpl);
    EXPECT_EQ(state.learnedUpdateCount, 1u);
    EXPECT_EQ(airports.learnedUpdates, 1); // counted towards the save of the learned copy too
    EXPECT_TRUE(state.learnedDataChanged);
    EXPECT_EQ(shell.posts.back(), "LearnedChanges 1");
}

TEST_F(LearnedStandUseTest, NothingIsLearnedWithoutARegistrationOrAWeekday) {
    LiveAircraft& a = aircraft();
    a.info.head.registration = "D-XXXX";
    use(3, 20);
    EXPECT_TRUE(options().empty());
    a.info.head.registration = "D-AIAB";
    state.currentSlot = daySlot(-1, 20).packed; // the clock failed
    gf_addRealStandOption(state, 1, a, 0);
    setNow(3, 20);
    gf_addRealStandOption(state, 9, a, 0);
    EXPECT_TRUE(options().empty());
    EXPECT_EQ(state.learnedUpdateCount, 0u);
    EXPECT_EQ(airports.learnedUpdates, 0);
}

TEST_F(LearnedStandUseTest, AUseWithinTheWindowExtendsTheOptionBeyondItANewOneIsMade) {
    struct Case {
        SizeClass sizeClass;
        std::uint8_t cargo;
        std::int32_t later;
        const char* firstSlots;
        std::size_t options;
    };
    const Case cases[] = {
        {SizeClass::Large, 0, 5, "10,11,12,13,14,15", 1}, {SizeClass::Large, 0, 6, "10", 2},
        {SizeClass::Heavy, 0, 7, "10,11,12,13,14,15,16,17", 1}, {SizeClass::Heavy, 0, 8, "10", 2},
        {SizeClass::Large, 1, 11, "10,11,12,13,14,15,16,17,18,19,20,21", 1}, {SizeClass::Large, 1, 12, "10", 2},
    };
    for (const Case& c : cases) {
        state.live.clear();
        options().clear();
        models.registrations["D-AIAB"].cargo = c.cargo;
        aircraft(c.sizeClass);
        use(2, 10);
        use(2, 10 + c.later);
        ASSERT_EQ(options().size(), c.options) << c.later;
        EXPECT_EQ(slotsText(options()[0].hh), c.firstSlots) << c.later;
    }
}

TEST_F(LearnedStandUseTest, AUseAfterMidnightSplitsTheSlotsBetweenYesterdayAndToday) {
    struct Case {
        std::int32_t lastDay;
        std::int32_t lastSlot;
        std::int32_t day;
        std::int32_t slot;
        const char* yesterday;
        const char* today;
    };
    const Case cases[] = {
        {2, 46, 3, 1, "44,45,46,47", "0,1"}, // difference 3
        {7, 46, 1, 1, "44,45,46,47", "0,1"}, // Sunday to Monday: the week wraps
        {2, 47, 3, 1, "44,45,46,47", "0,1"}, // yesterday full: today takes slot 0 too
        {2, 46, 3, 0, "44,45,46,47", "0"},
    };
    for (const Case& c : cases) {
        state.live.clear();
        options().clear();
        aircraft();
        use(c.lastDay, 44);
        use(c.lastDay, c.lastSlot);
        use(c.day, c.slot);
        ASSERT_EQ(options().size(), 2u) << c.day;
        EXPECT_EQ(slotsText(options()[0].hh), c.yesterday) << c.day;
        EXPECT_EQ(options()[1].day, static_cast<std::uint32_t>(c.day));
        EXPECT_EQ(slotsText(options()[1].hh), c.today) << c.day;
        EXPECT_EQ(options()[1].cs, "DLH12");
    }
}

TEST_F(LearnedStandUseTest, ADepartureClosesTheOptionAndTheNextArrivalStartsAnother) {
    aircraft();
    use(4, 30);
    use(4, 31, 2);
    ASSERT_EQ(options().size(), 1u);
    EXPECT_TRUE(options()[0].cpl);
    EXPECT_EQ(slotsText(options()[0].hh), "30,31");
    use(4, 33);
    ASSERT_EQ(options().size(), 2u);
    EXPECT_EQ(slotsText(options()[1].hh), "33");
    EXPECT_FALSE(options()[1].cpl);
    use(4, 34); // the open option goes on
    EXPECT_EQ(options().size(), 2u);
    EXPECT_EQ(slotsText(options()[1].hh), "33,34");
    use(4, 34, 3); // slot already held: the departure only closes it
    EXPECT_EQ(options().size(), 2u);
    EXPECT_TRUE(options()[1].cpl);
}

TEST_F(LearnedStandUseTest, AnOptionOfTheAirportFileThatMissesTheSlotPreventsLearning) {
    aircraft();
    FlightOption fileOption = makeOption("D-AIAB", 4, {29, 30});
    fileOption.fromFile = 1;
    options() = {fileOption};
    use(4, 30); // the file's option covers the slot: learning goes on
    EXPECT_EQ(options().size(), 2u);
    use(4, 32); // it does not: nothing is recorded
    EXPECT_EQ(options().size(), 2u);
    EXPECT_EQ(slotsText(options()[1].hh), "30");
}

TEST_F(LearnedStandUseTest, AnExtensionNeverLeavesTheSlotsInTwoRuns) {
    aircraft();
    FlightOption learned = makeOption("D-AIAB", 4, {3, 10}); // as a learned file may hold it
    learned.key = LiveryKey{7, 0, 1, 0, 1};
    options() = {learned};
    use(4, 12);
    ASSERT_EQ(options().size(), 2u);
    EXPECT_EQ(slotsText(options()[0].hh), "3,10");
    EXPECT_EQ(slotsText(options()[1].hh), "12");
}

TEST_F(LearnedStandUseTest, TheSecondCallsignOfAnExtendedOptionTakesTheLatestOther) {
    LiveAircraft& a = aircraft();
    use(5, 10);
    a.info.head.callsign = "DLH34";
    use(5, 11);
    EXPECT_EQ(options()[0].cs, "DLH12");
    EXPECT_EQ(options()[0].cs2, "DLH34");
    a.info.head.callsign = "DLH12_";
    use(5, 12);
    EXPECT_EQ(options()[0].cs2, "DLH34");
}

TEST_F(LearnedStandUseTest, SlotRunTest) {
    EXPECT_FALSE(gf_isOneSlotRun(std::bitset<48>{}));
    EXPECT_TRUE(gf_isOneSlotRun(std::bitset<48>{0b111000}));
    EXPECT_FALSE(gf_isOneSlotRun(std::bitset<48>{0b101}));
    EXPECT_TRUE(gf_isOneSlotRun(std::bitset<48>{}.set(47)));
}

TEST_F(LearnedStandUseTest, FindWordNearMatchesWholeWordsWithin250Metres) {
    std::vector<Stand> stands = test_support::makeStands(4);
    stands[0].id = "A123";
    stands[1].id = "T1 A12";
    stands[2].id = "A12";
    stands[3].id = "XA12";
    const double at[2] = {stands[1].latitude, stands[1].longitude};
    EXPECT_EQ(lf_findWordNear(stands, "GATE A12", at), 2);   // not A123; after a blank
    EXPECT_EQ(lf_findWordNear(stands, "STAND", at), 0);      // shorter than 6
    EXPECT_EQ(lf_findWordNear(stands, "STND A123", at), 1);
    stands[1].id = "A12B";
    EXPECT_EQ(lf_findWordNear(stands, "STND A12", at), 3);   // A12 alone
    const double far[2] = {stands[1].latitude + 0.003, stands[1].longitude}; // about 330 m north
    EXPECT_EQ(lf_findWordNear(stands, "STND A12", far), 0);
    stands[0].id = "A12A12 A12";
    EXPECT_EQ(lf_findWordNear(stands, "STND A12", at), 1);   // a later occurrence is a word
}

TEST_F(LearnedStandUseTest, LiveryKeyText) {
    EXPECT_EQ(lf_liveryKeyText(models, {5, 0, 1, 0, 1}), "DLH     A320.   ");
    EXPECT_EQ(lf_liveryKeyText(models, {5, 6, 4, 1, 0}), "DLH,DLH CRJ9 (C)");
    EXPECT_EQ(lf_liveryKeyText(models, {0, 0, 99, 0, 0}), std::string(16, ' '));
}

TEST_F(LearnedStandUseTest, StandExclusionsText) {
    EXPECT_EQ(lf_printStandExclusions(state, {}, 1), "");
    EXPECT_EQ(lf_printStandExclusions(state, {2, 9}, 1), "          A1      : excludes A2,sid==?");
}

TEST_F(LearnedStandUseTest, MatchSlotWindowGivesTheLearnedCallsigns) {
    LiveAircraft& a = aircraft();
    a.info.head.callsign = "DLH12_";
    a.info.head.liveryKey.airlineId = 7;
    FlightOption option = makeOption("D-AIAB", 2, {30});
    option.key.airlineId = 7;
    option.cs = "DLH11";
    option.cs2 = "DLH12";
    std::vector<Stand> stands = test_support::makeStands(1);
    stands[0].options = {option};
    struct Case {
        WeekdaySlot now;
        SizeClass sizeClass;
        bool matched;
    };
    const Case cases[] = {
        {daySlot(2, 20), SizeClass::Large, true},  {daySlot(2, 19), SizeClass::Large, false},
        {daySlot(2, 16), SizeClass::Heavy, true},  {daySlot(2, 15), SizeClass::Heavy, false},
        {daySlot(3, 30), SizeClass::Large, false},
    };
    for (const Case& c : cases) {
        a.info.head.prevCallsign.clear();
        a.info.head.thirdText.clear();
        a.info.sizeClass = c.sizeClass;
        lf_matchSlotWindow(stands, c.now, a);
        EXPECT_EQ(a.info.head.prevCallsign, c.matched ? "DLH11" : "") << c.now.slot();
        EXPECT_EQ(a.info.head.thirdText, c.matched ? "DLH12" : "") << c.now.slot();
    }
    stands[0].options[0].cs2.clear(); // only options with a second callsign match
    lf_matchSlotWindow(stands, daySlot(2, 30), a);
    EXPECT_EQ(a.info.head.thirdText, "");
}

} // namespace
} // namespace kiv

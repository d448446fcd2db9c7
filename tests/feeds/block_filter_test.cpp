#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "feeds/block_filter.h"
#include "settings/settings_reset.h"

namespace kiv {
namespace {

TEST(AircraftIdentity, ParseTable) {
    struct Case {
        const char* text;
        std::optional<AircraftIdentity> identity;
    };
    const Case cases[] = {
        {"DLH4AB, D-AIAB, 3c6444", AircraftIdentity{"DLH4AB", "D-AIAB", 0x3c6444}},
        {" SWR1_ ,HB-JNA,FFFFFFFF ", AircraftIdentity{"SWR1_", "HB-JNA", 0xFFFFFFFF}},
        {"DLH4AB, , 3c6444", std::nullopt}, // the empty middle piece is dropped: two pieces
        {"DLH4AB, D-AIAB, 3c64g4", std::nullopt},
        {"DLH4AB, D-AIAB, 100000000", std::nullopt},
        {"DLH4AB, D-AIAB", std::nullopt},
        {"DLH4AB, D-AIAB, 3c6444, x", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto identity = gf_parseAircraftIdentity(c.text);
        ASSERT_EQ(identity.has_value(), c.identity.has_value());
        if (identity) {
            EXPECT_EQ(identity->callsign, c.identity->callsign);
            EXPECT_EQ(identity->registration, c.identity->registration);
            EXPECT_EQ(identity->hexId, c.identity->hexId);
        }
    }
}

class BlockFilterTest : public testing::Test {
protected:
    BlockFilterTest() { test_support::resetSettingsToDefaults(); }
    ~BlockFilterTest() override { test_support::resetSettingsToDefaults(); }

    static void publish(const BlockFilter& block) {
        gf_updateSettings([&](SettingsSnapshot& copy) { copy.block = block; });
    }
    static TrafficRecord record(const char* callsign, const char* registration, std::uint32_t hexId) {
        TrafficRecord r;
        r.head.callsign = callsign;
        r.head.registration = registration;
        r.hexId = hexId;
        return r;
    }
};

TEST_F(BlockFilterTest, MatchTableAndWhatEachMatchLearns) {
    struct Case {
        const char* name;
        BlockFilter before;
        TrafficRecord record;
        bool passes;
        BlockFilter after;
    };
    const Case cases[] = {
        {"hex id with registration unknown learns it",
         {"x", "DLH4AB", "null", 0x3c6444, false},
         record("OTHER", "D-AIAB", 0x3c6444),
         false,
         {"x", "DLH4AB", "D-AIAB", 0x3c6444, false}},
        {"hex id without a registration learns nothing",
         {"x", "DLH4AB", "null", 0x3c6444, false},
         record("OTHER", "", 0x3c6444),
         false,
         {"x", "DLH4AB", "null", 0x3c6444, false}},
        {"registration learns the hex id",
         {"x", "DLH4AB", "D-AIAB", 0, false},
         record("OTHER", "D-AIAB", 0x3c6444),
         false,
         {"x", "DLH4AB", "D-AIAB", 0x3c6444, false}},
        {"callsign learns hex id and registration",
         {"x", "DLH4AB", "null", 0, false},
         record("DLH4AB", "D-AIAB", 0x3c6444),
         false,
         {"x", "DLH4AB", "D-AIAB", 0x3c6444, false}},
        {"callsign with underscore learns the plain callsign",
         {"x", "DLH4AB_", "null", 0, true},
         record("DLH4AB", "D-AIAB", 0x3c6444),
         false,
         {"x", "DLH4AB", "D-AIAB", 0x3c6444, false}},
        {"underscore flag off: the text is compared whole",
         {"x", "DLH4AB_", "null", 0, false},
         record("DLH4AB", "D-AIAB", 0x3c6444),
         true,
         {"x", "DLH4AB_", "null", 0, false}},
        {"another aircraft passes",
         {"x", "DLH4AB", "D-AIAB", 0x3c6444, false},
         record("SWR12", "HB-JNA", 0x4b1234),
         true,
         {"x", "DLH4AB", "D-AIAB", 0x3c6444, false}},
        // Empty fields of the filter match nothing, least of all records without them.
        {"empty registration does not match a record without one",
         {"x", "DLH4AB", "", 0, false},
         record("SWR12", "", 0x4b1234),
         true,
         {"x", "DLH4AB", "", 0, false}},
        {"empty callsign does not match a record without one",
         {"x", "", "D-AIAB", 0, false},
         record("", "HB-JNA", 0x4b1234),
         true,
         {"x", "", "D-AIAB", 0, false}},
        {"a lone underscore does not match a record without callsign",
         {"x", "_", "D-AIAB", 0, true},
         record("", "HB-JNA", 0x4b1234),
         true,
         {"x", "_", "D-AIAB", 0, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        publish(c.before);
        EXPECT_EQ(lf_passesBlockFilter(c.record, gf_settings()->block), c.passes);
        EXPECT_EQ(gf_settings()->block, c.after);
    }
}

TEST_F(BlockFilterTest, LearnedIdentifiersKeepTheAircraftBlocked) {
    publish({"x", "DLH4AB", "null", 0, false});
    EXPECT_FALSE(lf_passesBlockFilter(record("DLH4AB", "D-AIAB", 0x3c6444), gf_settings()->block));
    // It changed its callsign: the learned hex id still blocks it, without a new snapshot.
    const auto before = gf_settings();
    EXPECT_FALSE(lf_passesBlockFilter(record("DLH9XY", "D-AIAB", 0x3c6444), gf_settings()->block));
    EXPECT_EQ(gf_settings(), before);
}

TEST_F(BlockFilterTest, LearningKeepsOtherSettingsChangedMeanwhile) {
    publish({"x", "DLH4AB", "null", 0, false});
    const BlockFilter seen = gf_settings()->block; // taken with the batch
    gf_setSettingsField(&SettingsSnapshot::rangeNm, 25.0);
    EXPECT_FALSE(lf_passesBlockFilter(record("DLH4AB", "D-AIAB", 0x3c6444), seen));
    EXPECT_EQ(gf_settings()->rangeNm, 25.0);
    EXPECT_EQ(gf_settings()->block.regcode, "D-AIAB");
}

} // namespace
} // namespace kiv

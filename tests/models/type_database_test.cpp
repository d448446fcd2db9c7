#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "foundation/text_conversion.h"
#include "foundation/user_related_exception.h"
#include "models/interned_codes.h"
#include "models/type_database.h"
#include "models_fixtures.h"
#include "test_support/log_capture.h"
#include "test_support/temp_folder.h"

namespace kiv {
namespace {

using test_support::dbaseXml;
using test_support::writeEncryptedXml;

bool logHas(const std::vector<std::string>& lines, std::string_view text) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.find(text) != line.npos; });
}

class TypeDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override { test_support::resetModelTables(); }
    void TearDown() override { test_support::resetModelTables(); }

    void read(const std::string& xml) {
        writeEncryptedXml(path_, xml);
        gf_readDbase(path_);
    }

    test_support::LogCapture log_;
    test_support::TempFolder folder_;
    std::filesystem::path path_ = folder_.path() / "input" / "dbase.enc";
};

// A small database in the shape of the real one.
const std::string kSections = R"(
  <cargo_types><cargo_type types="B77F, B744F"/></cargo_types>
  <heavy><hvy types="B744,B77F,B748"/><hvy types="A388"/></heavy>
  <large><lar types="A320,B738,B748"/></large>
  <buzjet><bzj types="C56X"/></buzjet>
  <twoprops><tpr types="BE58,DH8D"/></twoprops>
  <high_performance><hpf types="F16,DH8D"/></high_performance>
  <rotorcraft><rot types="EC35"/></rotorcraft>
  <similar_types><similar types="B739,B737 ,B738"/><similar types="A320"/><similar types="A319,A321"/></similar_types>
  <cargo_operators><ICAO codes="FDX,BOX"/></cargo_operators>
)";

TEST_F(TypeDatabaseTest, KnownModelsGetIdsInCodeOrderAndTheSizeClassesFollowTheirPrecedence) {
    read(dbaseXml("B738,A320, B744,C172,B77F,B748,A388,C56X,BE58,DH8D,F16,EC35", "DLH,BAW,FDX", kSections));

    // Byte-wise order after the empty code.
    EXPECT_EQ(gf_modelCode(0), "");
    EXPECT_EQ(gf_modelCode(1), "A320");
    EXPECT_EQ(gf_modelCode(2), "A388");
    EXPECT_EQ(gf_modelId("B738"), 3);
    EXPECT_EQ(gf_airlineCode(0), "");
    EXPECT_EQ(gf_airlineCode(1), "BAW");

    struct Case {
        const char* code;
        SizeClass sizeClass;
    };
    const Case cases[] = {
        {"B748", SizeClass::Large}, // large before heavy
        {"B744", SizeClass::Heavy},    {"A388", SizeClass::Heavy},      {"C56X", SizeClass::Bizjet},
        {"BE58", SizeClass::TwoProps}, {"DH8D", SizeClass::TwoProps}, // twoprops before high_performance
        {"F16", SizeClass::HighPerf},  {"EC35", SizeClass::Rotorcraft}, {"C172", SizeClass::Light},
        {"ZZZZ", SizeClass::Light},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gf_sizeClassOfModelCode(c.code), c.sizeClass) << c.code;
    }
    EXPECT_TRUE(gf_isKnownModelCode("B738"));
    EXPECT_FALSE(gf_isKnownModelCode("b738"));
    EXPECT_FALSE(gf_isKnownModelCode(""));
    EXPECT_TRUE(gf_isKnownAirlineCode("DLH"));
    EXPECT_FALSE(gf_isKnownAirlineCode("BOX")); // a cargo operator only
    EXPECT_FALSE(gf_isKnownAirlineCode(""));

    const std::vector<std::vector<std::string>> groups = {{"B737", "B738", "B739"}, {"A320"}, {"A319", "A321"}};
    EXPECT_EQ(gf_similarTypeGroups(), groups);

    const auto lines = log_.lines();
    EXPECT_TRUE(logHas(lines, "   12 ICAO model codes"));
    EXPECT_TRUE(logHas(lines, "    3 ICAO airline codes"));
    EXPECT_TRUE(logHas(lines, "    2 cargo operators"));
    EXPECT_TRUE(logHas(lines, "    0 dbase records read"));
}

// A model listed only in a size section (or as cargo) still gets an id and its class.
TEST_F(TypeDatabaseTest, CargoIsTheModelsTypeOrTheAirlinesOperation) {
    read(dbaseXml("B738,B77F", "DLH,FDX", kSections));
    EXPECT_EQ(gf_sizeClassOfModelCode("B744F"), SizeClass::Light);
    const std::uint16_t dlh = gf_airlineId("DLH");
    const std::uint16_t fdx = gf_airlineId("FDX");
    const std::uint16_t box = gf_airlineId("BOX");
    struct Case {
        std::uint16_t airline;
        const char* model;
        bool cargo;
    };
    const Case cases[] = {
        {dlh, "B738", false}, {fdx, "B738", true}, {box, "B738", true},
        {dlh, "B77F", true},  {0, "B744F", true},  {0, "", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gf_isCargo(LiveryKey{c.airline, 0, gf_modelId(c.model), 0, 0}), c.cargo)
            << gf_airlineCode(c.airline) << " " << c.model;
    }
}

TEST_F(TypeDatabaseTest, WingspansKeepHalfSpansOfKnownModelsWithPositiveValues) {
    read(dbaseXml("A320,B738,B744,C172", "DLH", R"(<wingspans>
        <wingspan type="B738" meters="36"/>
        <wingspan type="A320" meters="+35.8"/>
        <wingspan type="B744" meters="0"/>
        <wingspan type="B744" meters="-3"/>
        <wingspan type="B744" meters="wide"/>
        <wingspan type="B744"/>
        <wingspan type="B738" meters="40"/>
        <wingspan type="XXXX" meters="20"/>
        <wingspan meters="20"/>
      </wingspans>)"));
    EXPECT_NEAR(gf_modelRadiusNm(gf_modelId("B738")), 18.0 / 1852.0, 1e-12);
    EXPECT_NEAR(gf_modelRadiusNm(gf_modelId("A320")), 17.9 / 1852.0, 1e-12);
    EXPECT_EQ(gf_modelRadiusNm(gf_modelId("B744")), 0.0);
    EXPECT_EQ(gf_modelRadiusNm(gf_modelId("C172")), 0.0);
    EXPECT_NEAR(gf_maxModelRadiusNm(), 18.0 / 1852.0, 1e-12);
    EXPECT_EQ(gf_wingspanMap().size(), 2u);

    const auto lines = log_.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "==> wingspan for model B744 is not positive, skipped"), 4);
    EXPECT_TRUE(logHas(lines, "==> duplicate wingspan model B738, skipped"));
    EXPECT_TRUE(logHas(lines, "==> wingspan model XXXX is not valid, skipped"));
    EXPECT_TRUE(logHas(lines, "==> wingspan model  is not valid, skipped"));
}

// Ids interned at run time pass the 2,700 entries of the wingspan table: they read 0.
TEST_F(TypeDatabaseTest, ModelIdsBeyondTheWingspanTableReadZero) {
    gf_modelId("");
    for (std::size_t i = 1; i < kModelRadiusTableSize + 5; ++i) {
        gf_modelId(fmt::format("M{:04}", i));
    }
    read(dbaseXml("A320,ZZ99", "DLH",
                  R"(<wingspans><wingspan type="A320" meters="36"/><wingspan type="ZZ99" meters="60"/></wingspans>)"));
    const std::uint16_t late = gf_modelId("ZZ99");
    ASSERT_GE(late, kModelRadiusTableSize);
    EXPECT_EQ(gf_modelRadiusNm(late), 0.0);
    EXPECT_EQ(gf_modelRadiusNm(65535), 0.0);
    EXPECT_NEAR(gf_maxModelRadiusNm(), 30.0 / 1852.0, 1e-12);
    EXPECT_TRUE(logHas(log_.lines(), "==> cannot store wingspan for model ZZ99: "));
    EXPECT_GE(gf_modelId("A320"), kModelRadiusTableSize);
}

TEST_F(TypeDatabaseTest, FixesNeedAKnownTargetAndApplyToTheRegistrationRows) {
    read(dbaseXml("B738,A320", "DLH", R"(<fixes>
        <fx wro="B38M" cor="B738"/>
        <fx wro="B38M" cor="A320"/>
        <fx wro="A20N" cor="A32N"/>
        <fx wro="XXXX" cor=""/>
        <fx cor="A320"/>
      </fixes>
      <dbase><d r="D-ABCD" a="DLH" m="B38M"/></dbase>)"));
    const ModelFixes expected = {{"", "A320"}, {"B38M", "B738"}};
    EXPECT_EQ(gf_modelFixes(), expected);
    EXPECT_EQ(gf_lookupRegistration("D-ABCD")->modelId, gf_modelId("B738"));
    EXPECT_EQ(gf_modelId("B38M"), gf_modelId("B738"));

    const auto lines = log_.lines();
    EXPECT_TRUE(logHas(lines, "==> duplicate fix key 'B38M', skipped"));
    EXPECT_TRUE(logHas(lines, "==> invalid fix A20N -> A32N, target is not a valid ICAO model"));
    EXPECT_TRUE(logHas(lines, "==> invalid fix XXXX -> , target is not a valid ICAO model"));
    EXPECT_TRUE(logHas(lines, "    2 fixes"));
}

TEST_F(TypeDatabaseTest, RegistrationLookupsTryTheDashedFormsFirst) {
    read(dbaseXml("A320,B738,A388", "DLH,CLH,GEC", R"(<dbase>
        <d r="DA-IAB" a="DLH" m="A320"/>
        <d r="D-AIAB" a="CLH" m="A388"/>
        <d r="D-AIAC" a="DLH" o="CLH" m="B738" c="Yes "/>
        <d r="D-AIAD" a="GEC" m="B738" c="ON"/>
        <d r="D-AIAE" a="GEC" m="B738" c="1"/>
        <d r="D-AIAF" a="DLH" m="B738" c="y"/>
        <d r="N12345" a="DLH" m="A320"/>
        <d r="N-12345" a="DLH" m="A388"/>
        <d r="G-ABCD" a="DLH" m="A320"/>
        <d r="ABC" a="DLH" m="A320"/>
        <d r="A-BCD" a="DLH" m="A388"/>
        <d r="D-AIAC" a="CLH" m="A320"/>
      </dbase>)"));
    const std::uint16_t dlh = gf_airlineId("DLH");
    const std::uint16_t clh = gf_airlineId("CLH");
    const std::uint16_t gec = gf_airlineId("GEC");
    const std::uint16_t a320 = gf_modelId("A320");
    const std::uint16_t b738 = gf_modelId("B738");
    struct Case {
        const char* registration;
        std::optional<LiveryKey> key;
    };
    const Case cases[] = {
        {"DAIAB", LiveryKey{dlh, 0, a320, 0, 1}}, // as DA-IAB before D-AIAB
        {"D-AIAB", LiveryKey{clh, 0, gf_modelId("A388"), 0, 1}},
        {"DAIAC", LiveryKey{dlh, clh, b738, 1, 1}}, // as D-AIAC
        {"D-AIAC", LiveryKey{dlh, clh, b738, 1, 1}},
        {"DAIAD", LiveryKey{gec, 0, b738, 1, 1}},
        {"DAIAE", LiveryKey{gec, 0, b738, 1, 1}},
        {"DAIAF", LiveryKey{dlh, 0, b738, 0, 1}},
        {"N12345", LiveryKey{dlh, 0, a320, 0, 1}}, // never dashed
        {"G-ABCD", LiveryKey{dlh, 0, a320, 0, 1}},
        {"GABCD", LiveryKey{dlh, 0, a320, 0, 1}}, // as G-ABCD
        {"ABC", LiveryKey{dlh, 0, a320, 0, 1}},
        {"ABC ", std::nullopt},
        {"ABCD", std::nullopt}, // shorter than 5: not tried as A-BCD
        {"", std::nullopt},
        {"d-aiac", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gf_lookupRegistration(c.registration), c.key) << c.registration;
    }
    // Two rows with one registration leave one row.
    EXPECT_EQ(gf_registrationTable().size(), 11u);
    EXPECT_TRUE(std::is_sorted(gf_registrationTable().begin(), gf_registrationTable().end(),
                               [](const auto& a, const auto& b) { return a.registration < b.registration; }));
    EXPECT_TRUE(logHas(log_.lines(), "   11 dbase records read"));
}

// An empty registration sorted first and occurred in every title, hiding every real one.
TEST_F(TypeDatabaseTest, ShortRegistrationsInTitlesSkipRowsWithoutRegistration) {
    read(dbaseXml("A320", "DLH", R"(<dbase>
        <d r="" a="DLH" m="A320"/>
        <d a="DLH" m="A320"/>
        <d r="OE-LBA" a="DLH" m="A320"/>
        <d r="G-ABC" a="DLH" m="A320"/>
        <d r="D-EFG" a="DLH" m="A320"/>
      </dbase>)"));
    struct Case {
        const char* title;
        std::optional<std::string> registration;
    };
    const Case cases[] = {
        {"Cessna D-EFG private", "D-EFG"},
        {"Cessna G-ABC and D-EFG", "D-EFG"}, // table order, not title order
        {"Austrian OE-LBA", std::nullopt},   // six characters: not short
        {"Nothing here", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gf_findShortRegistrationIn(c.title), c.registration) << c.title;
    }
    EXPECT_EQ(gf_registrationTable().size(), 3u);
    EXPECT_FALSE(gf_lookupRegistration("").has_value());
}

TEST_F(TypeDatabaseTest, UnusableFilesThrowAndLeaveTheTablesAsTheyWere) {
    read(dbaseXml("A320", "DLH", R"(<dbase><d r="D-ABCD" a="DLH" m="A320"/></dbase>)"));
    struct Case {
        const char* name;
        std::string content; // encrypted unless `plain`
        bool plain;
        const char* message;
    };
    const Case cases[] = {
        {"malformed XML", "<root><aircrafts>", false, "not read because: "},
        {"no root", "<base><aircrafts/></base>", false, "has no root node"},
        {"empty plaintext", "", false, "not read because: "},
        {"not encrypted", "<root/>", true, "dbase.enc"},
    };
    for (const Case& c : cases) {
        if (c.plain) {
            test_support::writeBytes(path_, c.content);
        } else {
            writeEncryptedXml(path_, c.content);
        }
        try {
            gf_readDbase(path_);
            ADD_FAILURE() << c.name << ": no exception";
        } catch (const UserRelatedException& error) {
            ADD_FAILURE() << c.name << ": " << error.what();
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << c.name << ": " << error.what();
        }
        EXPECT_TRUE(gf_lookupRegistration("D-ABCD").has_value()) << c.name;
        EXPECT_TRUE(gf_isKnownModelCode("A320")) << c.name;
    }

    std::filesystem::remove(path_);
    try {
        gf_readDbase(path_);
        ADD_FAILURE() << "missing file: no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), gf_pathToUtf8(path_) + " not available");
    }
}

TEST_F(TypeDatabaseTest, MissingRequiredSectionIsAUserError) {
    const std::string withoutCargoOperators = R"(<root><aircrafts><aircraft types="A320"/></aircrafts>
        <cargo_types/><heavy/><large/><buzjet/><twoprops/><high_performance/><rotorcraft/>
        <ICAO_airlines><ICAO codes="DLH"/></ICAO_airlines></root>)";
    writeEncryptedXml(path_, withoutCargoOperators);
    try {
        gf_readDbase(path_);
        FAIL() << "no exception";
    } catch (const UserRelatedException& error) {
        EXPECT_EQ(error.code(), 61);
        EXPECT_STREQ(error.what(), "61: Missing section: cargo_operators");
    }
    // What was read before the missing section stays.
    EXPECT_TRUE(gf_isKnownAirlineCode("DLH"));
}

TEST(CallsignAirline, ThreeLettersAndADigitNameTheAirline) {
    test_support::resetModelTables();
    const std::uint16_t dlh = gf_airlineId("DLH");
    struct Case {
        const char* callsign;
        bool found;
    };
    const Case cases[] = {{"DLH4AB", true}, {"dlh4", true},  {"DlH400", true}, {"DL4", false},
                          {"D1H4", false},  {"DLHX", false}, {"DLH", false},   {"", false}};
    for (const Case& c : cases) {
        TrafficRecordHead head;
        head.callsign = c.callsign;
        head.liveryKey = LiveryKey{7, 8, 9, 1, 1};
        EXPECT_EQ(gf_airlineCodeFromCallsign(head), c.found) << c.callsign;
        const LiveryKey expected{c.found ? dlh : std::uint16_t{7}, 8, 9, 1, 1};
        EXPECT_EQ(head.liveryKey, expected) << c.callsign;
    }
    test_support::resetModelTables();
}

} // namespace
} // namespace kiv

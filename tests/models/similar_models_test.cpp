#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "models/interned_codes.h"
#include "models/similar_models.h"
#include "models_fixtures.h"
#include "test_support/log_capture.h"
#include "test_support/temp_folder.h"

namespace kiv {
namespace {

std::vector<std::uint16_t> ids(std::initializer_list<const char*> codes) {
    std::vector<std::uint16_t> result;
    for (const char* code : codes) {
        result.push_back(gf_modelId(code));
    }
    return result;
}

TEST(SimilarModels, EditDistanceAndCodeParts) {
    EXPECT_EQ(lf_editDistance("", ""), 0u);
    EXPECT_EQ(lf_editDistance("B738", ""), 4u);
    EXPECT_EQ(lf_editDistance("B738", "B739"), 1u);
    EXPECT_EQ(lf_editDistance("B738", "A320"), 4u);
    EXPECT_EQ(lf_editDistance("kitten", "sitting"), 3u);
    EXPECT_EQ(lf_editDistance("AB", "BA"), 2u);

    const LettersDigits parts = lf_splitLettersDigits("B-7a3_8");
    EXPECT_EQ(parts.letters, "Ba");
    EXPECT_EQ(parts.digits, "738");
    EXPECT_EQ(lf_digitsNumber(""), 0u);
    EXPECT_EQ(lf_digitsNumber("0738"), 738u);
    EXPECT_EQ(lf_digitsNumber("4294967296"), 0u); // wraps
}

TEST(SimilarModels, ClosestModelRanksQualifyingCandidates) {
    test_support::resetModelTables();
    struct Case {
        const char* model;
        std::initializer_list<const char*> candidates;
        std::optional<const char*> closest;
    };
    const Case cases[] = {
        {"B738", {"B737", "B739", "A320"}, "B737"}, // equal ranks: the code decides
        {"B738", {"B739", "B737"}, "B737"},
        {"A320", {"A319", "A321"}, "A321"},       // code distance before digits
        {"B744", {"B748", "B742"}, "B742"},       // number gap
        {"B738", {"C738", "B739"}, "B739"},       // letters first
        {"B738", {"A320"}, "A320"},               // one candidate, whatever it is
        {"B738", {"A320", "A388"}, std::nullopt}, // nobody qualifies
        {"AB320", {"A3B21", "E190"}, "A3B21"},    // same letters, digits one edit apart
        {"B738", {"BB738", "E190"}, "BB738"},     // code one edit apart
        {"B738", {}, std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<std::uint16_t> result = lf_closestModel(gf_modelId(c.model), ids(c.candidates));
        if (c.closest) {
            ASSERT_TRUE(result.has_value()) << c.model;
            EXPECT_EQ(gf_modelCode(*result), *c.closest) << c.model;
        } else {
            EXPECT_FALSE(result.has_value()) << c.model << " -> " << gf_modelCode(result.value_or(0));
        }
    }
    test_support::resetModelTables();
}

// Installed liveries: airline code -> model codes.
class FakeLiveries : public InstalledLiveryQueries {
public:
    explicit FakeLiveries(std::map<std::string, std::set<std::string>> liveries) {
        for (const auto& [airline, models] : liveries) {
            for (const std::string& model : models) {
                byAirline_[gf_airlineId(airline)].insert(gf_modelId(model));
                models_.insert(gf_modelId(model));
            }
        }
    }
    bool hasModelLiveries(std::uint16_t model) const override { return models_.contains(model); }
    bool airlineHasModel(std::uint16_t airline, std::uint16_t model) const override {
        const auto it = byAirline_.find(airline);
        return it != byAirline_.end() && it->second.contains(model);
    }
    std::vector<std::uint16_t> airlineIds() const override {
        std::vector<std::uint16_t> result;
        for (const auto& entry : byAirline_) {
            result.push_back(entry.first);
        }
        return result;
    }

private:
    std::map<std::uint16_t, std::set<std::uint16_t>> byAirline_;
    std::set<std::uint16_t> models_;
};

class SimilarModelsBuild : public ::testing::Test {
protected:
    void SetUp() override {
        test_support::resetModelTables();
        const auto path = folder_.path() / "dbase.enc";
        test_support::writeEncryptedXml(path, test_support::dbaseXml("A319,A320,A321,B737,B738,B739,E190,E195,C172",
                                                                     "DLH,BAW,EZY",
                                                                     R"(<similar_types>
                    <similar types="B737,B738,B739"/>
                    <similar types="A319,A320,A321"/>
                    <similar types="A320,B738"/>
                    <similar types="C172"/>
                    <similar types="E190,E195"/>
                  </similar_types>)"));
        gf_readDbase(path);
    }
    void TearDown() override { test_support::resetModelTables(); }

    std::vector<std::string> codes(const std::vector<std::uint16_t>& list) {
        std::vector<std::string> result;
        for (const std::uint16_t id : list) {
            result.push_back(gf_modelCode(id));
        }
        return result;
    }

    test_support::TempFolder folder_;
    test_support::LogCapture log_;
};

TEST_F(SimilarModelsBuild, ListsKeepModelsWithLiveriesAndNarrowToTheClosest) {
    const FakeLiveries liveries(std::map<std::string, std::set<std::string>>{
        {"DLH", {"A320", "A321", "B737"}}, {"BAW", {"A319", "B739"}}, {"EZY", {"A320"}}});
    lf_buildSimilarModels(liveries);
    const SimilarModels& table = gf_similarModels();

    using Codes = std::vector<std::string>;
    // B738: B737 and B739 qualify, B737 wins on its code; A320 (from the second group) does not.
    EXPECT_EQ(codes(table.at(gf_modelId("B738"))), Codes{"B737"});
    // A320: A319 and A321 (B738 of the third group has no livery); A321 is closest by code
    // distance.
    EXPECT_EQ(codes(table.at(gf_modelId("A320"))), Codes{"A321"});
    // C172 (group of one) and E190/E195 (no liveries) get nothing.
    EXPECT_FALSE(table.contains(gf_modelId("C172")));
    EXPECT_FALSE(table.contains(gf_modelId("E190")));
    EXPECT_FALSE(table.contains(gf_modelId("E195")));

    const AirlineSimilarModels& perAirline = gf_airlineSimilarModels();
    const SimilarModels& dlh = perAirline.at(gf_airlineId("DLH"));
    EXPECT_EQ(codes(dlh.at(gf_modelId("B738"))), Codes{"B737"});
    EXPECT_EQ(codes(dlh.at(gf_modelId("A319"))), (Codes{"A320", "A321"})); // neither within reach: whole
    EXPECT_FALSE(dlh.contains(gf_modelId("A320")));                        // it has A320 itself
    const SimilarModels& ezy = perAirline.at(gf_airlineId("EZY"));
    EXPECT_EQ(codes(ezy.at(gf_modelId("A321"))), Codes{"A320"});
    EXPECT_EQ(codes(ezy.at(gf_modelId("B738"))), Codes{"A320"}); // its only one of the list
    EXPECT_FALSE(perAirline.contains(gf_airlineId("BAW")) &&
                 perAirline.at(gf_airlineId("BAW")).contains(gf_modelId("B739")));

    EXPECT_NE(std::find(log_.lines().begin(), log_.lines().end(), "    6 similar model definitions"),
              log_.lines().end());
}

// A list whose candidates all fail the qualification keeps every id, in general and per airline.
TEST_F(SimilarModelsBuild, ListWithoutAQualifyingCandidateStaysWhole) {
    const FakeLiveries liveries(std::map<std::string, std::set<std::string>>{{"DLH", {"A319", "B738"}}});
    lf_buildSimilarModels(liveries);
    using Codes = std::vector<std::string>;
    // A320: A319 (second group) and B738 (third); neither is within reach of A320.
    EXPECT_EQ(codes(gf_similarModels().at(gf_modelId("A320"))), (Codes{"A319", "B738"}));
    EXPECT_EQ(codes(gf_similarModels().at(gf_modelId("A321"))), Codes{"A319"});
    EXPECT_EQ(codes(gf_airlineSimilarModels().at(gf_airlineId("DLH")).at(gf_modelId("A320"))), (Codes{"A319", "B738"}));
}

TEST_F(SimilarModelsBuild, NothingInstalledLogsThatNoDefinitionWasFound) {
    lf_buildSimilarModels(FakeLiveries(std::map<std::string, std::set<std::string>>{{"DLH", {"C172"}}}));
    EXPECT_TRUE(gf_similarModels().empty());
    EXPECT_TRUE(gf_airlineSimilarModels().empty());
    const auto lines = log_.lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "No similar model definitions with installed liveries found"),
              lines.end());
}

} // namespace
} // namespace kiv

#include <gtest/gtest.h>

#include "models/livery_key_text.h"
#include "models/models_service.h"
#include "models_fixtures.h"
#include "test_support/log_capture.h"
#include "test_support/temp_folder.h"
#include "traffic/aircraft_text.h"

namespace kiv {
namespace {

class ModelsServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        test_support::resetModelTables();
        const auto path = folder_.path() / "dbase.enc";
        test_support::writeEncryptedXml(path, test_support::dbaseXml("A320,B738,EC35", "DLH,CLH", R"(
                <large><lar types="A320,B738"/></large><rotorcraft><rot types="EC35"/></rotorcraft>
                <wingspans><wingspan type="B738" meters="36"/></wingspans>
                <dbase><d r="D-AIAB" a="DLH" o="CLH" m="A320"/></dbase>)"));
        gf_readDbase(path);
    }
    void TearDown() override {
        gf_installModelCodeNames(nullptr);
        test_support::resetModelTables();
    }

    test_support::TempFolder folder_;
    test_support::LogCapture log_;
    ModelsService service_;
};

TEST_F(ModelsServiceTest, AnswersTheTrafficSideFromTheTypeDatabase) {
    const std::uint16_t b738 = service_.gf_modelId("B738");
    EXPECT_EQ(service_.modelCode(b738), "B738");
    EXPECT_EQ(service_.airlineCode(gf_airlineId("CLH")), "CLH");
    EXPECT_EQ(service_.modelCode(60000), "");
    EXPECT_EQ(service_.gf_sizeClassOfModel(b738), SizeClass::Large);
    EXPECT_EQ(service_.gf_sizeClassOfModel(service_.gf_modelId("EC35")), SizeClass::Rotorcraft);
    EXPECT_TRUE(service_.gf_isKnownModelCode("A320"));
    EXPECT_FALSE(service_.gf_isKnownModelCode("A20N"));
    const LiveryKey expected{gf_airlineId("DLH"), gf_airlineId("CLH"), service_.gf_modelId("A320"), 0, 1};
    EXPECT_EQ(service_.gf_lookupRegistration("DAIAB"), expected);

    EXPECT_NEAR(*service_.halfSpanNm(b738), 18.0 / 1852.0, 1e-12);
    EXPECT_EQ(service_.halfSpanNm(service_.gf_modelId("A320")), 0.0);
    EXPECT_EQ(service_.halfSpanNm(kModelRadiusTableSize), std::nullopt);
    EXPECT_EQ(service_.halfSpanNm(65535), std::nullopt);
    EXPECT_NEAR(service_.largestHalfSpanNm(), 18.0 / 1852.0, 1e-12);
}

// The traffic side prints keys through the port; it must read as the models' own text form.
TEST_F(ModelsServiceTest, TrafficKeyTextMatchesTheModelsTextForm) {
    gf_installModelCodeNames(&service_);
    const LiveryKey keys[] = {*gf_lookupRegistration("D-AIAB"), LiveryKey{gf_airlineId("DLH"), 0, 2, 1, 0}};
    for (const LiveryKey& key : keys) {
        EXPECT_EQ(lf_liveryKeyText(key), gf_liveryKeyText(key));
    }
}

} // namespace
} // namespace kiv

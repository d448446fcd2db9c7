#include <gtest/gtest.h>

#include "airports/airports_service.h"
#include "airports/current_park_airport.h"
#include "airports/park_settings.h"
#include "airports_test_files.h"
#include "settings/settings_reset.h"
#include "test_support/working_folder.h"

namespace kiv {
namespace {

TEST(AirportsService, AnswersThePortFromTheCurrentParkAirportAndTheFiles) {
    test_support::WorkingFolder folder;
    test_support::KnownAirportsFile known(R"(<ap c="EHAM" la="52.3086" lo="4.7639" a="-11"/>)");
    ASSERT_TRUE(gf_readAirportsFile().has_value());
    AirportsService service;
    AirportsPort& port = service;

    EXPECT_TRUE(port.gf_airportFileExists("eham"));
    EXPECT_FALSE(port.gf_airportFileExists("LOWI"));
    EXPECT_FALSE(port.gf_airportFileExists("EH"));
    test_support::WorkingFolder::write("airports/my_simaddon/LOWI.xml", "");
    EXPECT_TRUE(port.gf_airportFileExists("LOWI"));

    EXPECT_EQ(port.currentParkAirport().code, "");
    EXPECT_FALSE(port.gf_parkAirportAltitude().has_value());
    gf_setCurrentParkAirport(*gf_findKnownAirport(IcaoCode("EHAM")));
    const ParkAirportInfo park = port.currentParkAirport();
    EXPECT_EQ(park.code, "EHAM");
    EXPECT_DOUBLE_EQ(park.latitude, 52.3086);
    EXPECT_DOUBLE_EQ(park.longitude, 4.7639);
    EXPECT_EQ(port.gf_parkAirportAltitude(), -11.0);
    EXPECT_TRUE(port.gf_isNearParkAirport(52.3086 + 9.9 / 60.0, 4.7639));
    EXPECT_FALSE(port.gf_isNearParkAirport(52.3086 + 10.1 / 60.0, 4.7639));

    port.clearCurrentParkAirport();
    EXPECT_EQ(port.currentParkAirport().code, "");
    EXPECT_FALSE(port.gf_parkAirportAltitude().has_value());
    EXPECT_FALSE(port.gf_isNearParkAirport(52.3086, 4.7639));
}

TEST(ParkSettings, PublishCopiesTheParkSettingsIntoTheSnapshot) {
    test_support::resetSettingsToDefaults();
    param::parking_percentage.value = 65;
    param::MAX_PARK_SEL.value = 250;
    param::MAX_FIT.value = 12;
    param::RT_PARKTRAFFIC_ONLY.value = true;
    param::AUTO_PARK.value = false;
    param::WEEK.value = true;
    param::PARK_SOFT.value = true;
    param::RANGE.value = 80; // not a park setting: stays as published
    gf_publishParkSettings();
    const auto snapshot = gf_settings();
    EXPECT_EQ(snapshot->parkingPercentage, 65);
    EXPECT_EQ(snapshot->maxParkSel, 250);
    EXPECT_EQ(snapshot->maxFit, 12);
    EXPECT_TRUE(snapshot->rtParkTrafficOnly);
    EXPECT_FALSE(snapshot->autoPark);
    EXPECT_TRUE(snapshot->week);
    EXPECT_TRUE(snapshot->parkSoft);
    EXPECT_EQ(snapshot->rangeNm, SettingsSnapshot{}.rangeNm);
    test_support::resetSettingsToDefaults();
}

} // namespace
} // namespace kiv

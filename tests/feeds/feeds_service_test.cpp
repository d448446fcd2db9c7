// The feeds as the traffic manager sees them through its port.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "feeds/feeds_service.h"
#include "feeds/rtapp_session.h"
#include "feeds_fakes.h"
#include "settings/settings_reset.h"
#include "test_support/pinned_clock.h"

namespace kiv {
namespace {

class FeedsServiceTest : public testing::Test {
protected:
    FeedsServiceTest() {
        test_support::resetSettingsToDefaults();
        service.attachRtApp(&road);
    }
    ~FeedsServiceTest() override { test_support::resetSettingsToDefaults(); }

    // Two parked aircraft at one stand, seen at 10:00 and 11:00 (slots 20 and 22).
    void receiveParked() {
        const auto parked = [](const char* callsign, std::int32_t slot) {
            ParkedRecord record;
            record.head.callsign = callsign;
            record.stand = "V101";
            record.slot = slot;
            return record;
        };
        road.trafficReader.offerDatagram("RTPARK_EOT"); // publishes an empty set
        road.trafficReader.withPublishedParked([&](std::vector<ParkedRecord>& list) {
            list = {parked("DLH1", 20), parked("DLH2", 22)};
        });
    }

    test_support::FakeFeedsNeighbours neighbours;
    test_support::FakeFeedsShell shell;
    test_support::FakeFeedsClock clock;
    FeedFlags flags;
    RtAppRoad road{RtAppConfig{}, neighbours, shell, flags, clock};
    FeedsService service{flags};
};

TEST_F(FeedsServiceTest, TrafficReaderShowsReceivingOnlyWhileDatagramsCome) {
    EXPECT_EQ(service.trafficStatus(), 1u);
    road.trafficReader.offerDatagram("RTTFC_EOT");
    EXPECT_EQ(service.trafficStatus(), 0u);
    EXPECT_EQ(service.trafficStatus(), 1u);
}

TEST_F(FeedsServiceTest, WeatherReaderShowsWaitingWithoutAMetarOfTheLast90Seconds) {
    EXPECT_EQ(service.weatherStatus(), 1u);
    road.qnhReader.offerDatagram(R"({"METAR": "EDDF Q1013"})");
    clock.now += 90'000'000'000;
    EXPECT_EQ(service.weatherStatus(), 0u);
    clock.now += 1;
    EXPECT_EQ(service.weatherStatus(), 1u);
}

TEST_F(FeedsServiceTest, ParkedTrafficIsCleanedAndPlacedOnlyWhenTheSettingsAskForIt) {
    const test_support::PinnedClock at(1733702400 + 11 * 3600 + 10 * 60); // 11:10 UTC, slot 22
    std::vector<std::string> placed;
    std::int32_t needed = 0;
    const ParkedPlacement place = [&](std::vector<ParkedRecord>& list, std::int32_t count) {
        needed = count;
        for (const ParkedRecord& record : list) {
            placed.push_back(record.head.callsign + "/" + std::to_string(record.ageHalfHours));
        }
    };
    gf_setSettingsField(&SettingsSnapshot::rtParkTrafficOnly, true);
    service.gf_requestRTAPIParkedTraffic(5, place);
    EXPECT_TRUE(placed.empty()); // nothing received yet

    receiveParked();
    gf_setSettingsField(&SettingsSnapshot::rtParkTrafficOnly, false);
    service.gf_requestRTAPIParkedTraffic(5, place);
    EXPECT_TRUE(placed.empty());
    std::size_t left = 0;
    road.trafficReader.withPublishedParked([&](std::vector<ParkedRecord>& list) { left = list.size(); });
    EXPECT_EQ(left, 1u); // cleaned all the same: one record per stand

    receiveParked();
    gf_setSettingsField(&SettingsSnapshot::rtParkTrafficOnly, true);
    service.gf_requestRTAPIParkedTraffic(5, place);
    EXPECT_EQ(placed, std::vector<std::string>{"DLH2/0"});
    EXPECT_EQ(needed, 5);
}

TEST_F(FeedsServiceTest, ThePlannerReadsAndForgetsTheParkedList) {
    receiveParked();
    std::size_t seen = 0;
    service.withParkedRecords([&](std::vector<ParkedRecord>& list) { seen = list.size(); });
    EXPECT_EQ(seen, 2u);
    EXPECT_TRUE(road.trafficReader.parkedReceived);
    service.clearReceivedParkedTraffic();
    EXPECT_FALSE(road.trafficReader.parkedReceived);
    service.withParkedRecords([&](std::vector<ParkedRecord>& list) { seen = list.size(); });
    EXPECT_EQ(seen, 0u);
    std::unordered_set<std::string> callsigns{"OLD"};
    std::unordered_set<std::uint32_t> hexIds{1};
    service.receivedTrafficIds(callsigns, hexIds);
    EXPECT_TRUE(callsigns.empty());
    EXPECT_TRUE(hexIds.empty());
}

TEST_F(FeedsServiceTest, SimulatorTimeOnlyForTheProfessionalEdition) {
    neighbours.setSimulatorTime(1733750000);
    EXPECT_FALSE(service.simulatorTime());
    flags.isProfessionalEdition = true;
    EXPECT_EQ(service.simulatorTime(), 1733750000.0);
    neighbours.setSimulatorTime(std::nullopt);
    EXPECT_FALSE(service.simulatorTime());
}

TEST_F(FeedsServiceTest, RangeCentreParkValueAndQnhReset) {
    service.setRTAppRangeCentre(50.0, 8.0, 0.64);
    gf_setRTAppParkAirportValue(road, 364.0);
    service.clearParkValue();
    const RangeContext range = road.trafficReader.rangeContext();
    EXPECT_EQ(range.centreLatitude, 50.0);
    EXPECT_EQ(range.cosCentreLatitude, 0.64);
    EXPECT_FALSE(range.parkElevationFt);
    road.qnhReader.offerDatagram(R"({"METAR": "EDDF Q1030"})");
    EXPECT_EQ(service.currentQnh(), 1030);
    service.resetQnh();
    EXPECT_EQ(service.currentQnh(), 1013);
}

TEST(FeedsServiceRtDirect, StatusesAndTheQueryBoxComeFromTheRtDirectRoad) {
    test_support::resetSettingsToDefaults();
    test_support::FakeFeedsNeighbours neighbours;
    test_support::FakeFeedsShell shell;
    test_support::FakeFeedsClock clock;
    FeedFlags flags;
    RtDirectRoad road{RtDirectConfig{{"https://127.0.0.1:9", ""}, "KEY"}, neighbours, shell, flags, clock};
    FeedsService service{flags};
    service.attachRtDirect(&road);

    EXPECT_EQ(service.weatherStatus(), 1u);
    clock.now = 5;
    road.weather.weatherTimeNs = 5;
    clock.now += 120'000'000'000;
    EXPECT_EQ(service.weatherStatus(), 0u);
    clock.now += 1;
    EXPECT_EQ(service.weatherStatus(), 1u);

    EXPECT_EQ(service.trafficStatus(), 1u);
    road.traffic.receivedCount += 3;
    EXPECT_EQ(service.trafficStatus(), 0u);
    EXPECT_EQ(service.trafficStatus(), 1u);

    UserAircraftState user;
    user.latitude = 52.3;
    user.longitude = 4.76;
    neighbours.setUser(user);
    service.gf_updateRTAPIQueryBox();
    {
        const std::lock_guard lock(road.traffic.queryMutex);
        EXPECT_NEAR(road.traffic.box.top, 52.3 + 40 * 1.852 / 111.2, 1e-9);
    }
    service.gf_clearReceivedTraffic();
    {
        const std::lock_guard lock(road.traffic.storesMutex);
        EXPECT_TRUE(road.traffic.received.enabled);
    }
    test_support::resetSettingsToDefaults();
}

} // namespace
} // namespace kiv

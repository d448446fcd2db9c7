// The traffic and weather reader threads against the service stand-in over TLS.
#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "feeds/rtapi_records.h"
#include "rtdirect_fixture.h"

namespace kiv {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;
using test_support::waitUntil;

constexpr double kLatitude = 50.0;
constexpr double kLongitude = 8.0;

json airliner(const std::string& hexId, double northNm) {
    json entry = json::array();
    for (std::size_t i = 0; i < rtapi::kTrafficEntrySize; ++i) {
        entry.push_back(nullptr);
    }
    namespace field = rtapi::traffic;
    entry[field::hexId] = hexId;
    entry[field::latitude] = kLatitude + northNm / 60.0;
    entry[field::longitude] = kLongitude;
    entry[field::track] = 90;
    entry[field::altitude] = 10000;
    entry[field::groundSpeed] = 250;
    entry[field::type] = "A320";
    entry[field::registration] = "D-AIAB";
    entry[field::timestamp] = 1733750000;
    entry[field::callsign] = "DLH" + hexId.substr(0, 3);
    entry[field::source] = "mlat";
    return entry;
}

class RTAPIReadersTest : public test_support::RtDirectTest {
protected:
    RTAPIReadersTest() {
        setUser(kLatitude, kLongitude);
        loggedInRoad();
        gf_updateRTAPIQueryBox(*road);
    }
    json liveReply(std::int32_t rrl, json data = json::object()) {
        return {{"status", 200}, {"rrl", rrl}, {"data", std::move(data)}};
    }
    // The traffic reader ended and reported `report` (empty: nothing reported).
    void expectEnded(const std::string& report) {
        ASSERT_TRUE(waitUntil([&] { return !road->traffic.loopRunning && shellCalled("TrafficStatus 2"); }));
        joinReaders();
        const auto calls = shell.calls();
        const bool reported = std::any_of(calls.begin(), calls.end(),
                                          [](const std::string& c) { return c.starts_with("StoppedRTAPI"); });
        if (report.empty()) {
            EXPECT_FALSE(reported);
        } else {
            EXPECT_TRUE(shellCalled(report)) << report;
        }
    }
};

TEST_F(RTAPIReadersTest, BufferGoesOutInFiveSlicesThenLiveTrafficAtTheServedPace) {
    standIn.set("buffer", {{"status", 200},
                           {"rrl", 250},
                           {"data",
                            {{"buffer_0", {{"a", airliner("3c6401", 5)}}},
                             {"buffer_2", {{"b", airliner("3c6402", 6)}, {"c", airliner("3c6403", 7)}}},
                             {"buffer_3", json::object()}}}});
    standIn.set("live", liveReply(300, {{"a", airliner("3c6401", 5)}}));
    startTrafficReader();

    const json buffer = standIn.nextRequestOf("buffer");
    EXPECT_EQ(buffer["fields"], json({"GUID", "top", "bottom", "left", "right", "querytype", "toffset", "buffercount",
                                      "buffertime"}));
    EXPECT_TRUE(buffer["guid_ok"].get<bool>());
    EXPECT_EQ(buffer["form"]["buffercount"], "5");
    EXPECT_EQ(buffer["form"]["buffertime"], "6");
    EXPECT_EQ(buffer["form"]["top"], "50.67");
    EXPECT_EQ(buffer["form"]["bottom"], "49.33");
    EXPECT_EQ(buffer["form"]["querytype"], "locationtraffic");

    std::vector<double> times;
    for (int i = 0; i < 4; ++i) {
        const json live = standIn.nextRequestOf("live");
        EXPECT_EQ(live["form"].count("buffercount"), 0U);
        times.push_back(live["t"].get<double>());
    }
    for (std::size_t i = 1; i < times.size(); ++i) {
        EXPECT_GE(times[i] - times[i - 1], 0.28) << "the served rrl paces the cycles";
        EXPECT_LT(times[i] - times[i - 1], 1.0);
    }
    const std::vector<std::pair<std::uint32_t, std::size_t>> slices = {{0, 1}, {6, 0}, {12, 2}, {18, 0}, {24, 0}};
    const auto handOvers = neighbours.handOvers();
    ASSERT_GE(handOvers.size(), 6U);
    EXPECT_EQ(std::vector(handOvers.begin(), handOvers.begin() + 5), slices);
    EXPECT_EQ(handOvers[5], (std::pair<std::uint32_t, std::size_t>{kLiveStreamDelaySeconds, 1}));
    EXPECT_GE(road->traffic.receivedCount.load(), 4U);
    EXPECT_EQ(road->traffic.dataTime.load(), 1733750000);
    EXPECT_TRUE(road->traffic.loopRunning.load());
    EXPECT_EQ(flags.currentQnh.load(), 1013);
    EXPECT_TRUE(shellCalled("Qnh 1013"));
}

TEST_F(RTAPIReadersTest, AnEmptyBufferIsLoggedAndTheLiveLoopStillRuns) {
    standIn.set("buffer", {{"status", 200}, {"rrl", 250}, {"data", json::object()}});
    standIn.set("live", liveReply(250));
    startTrafficReader();
    standIn.nextRequestOf("live");
    EXPECT_TRUE(logged("==> buffer failed 0"));
    EXPECT_TRUE(neighbours.handOvers().empty() || neighbours.handOvers().front().first == kLiveStreamDelaySeconds);
}

TEST_F(RTAPIReadersTest, AParkedRequestIsServedAtTheNextCycle) {
    standIn.set("buffer", {{"status", 200}, {"rrl", 250}, {"data", json::object()}});
    standIn.set("live", liveReply(250));
    standIn.set("parked", {{"status", 200},
                           {"data", {{"3c6444", {50.0301, 8.5601, "V155", "A320", "D-AIAB", 1733750000, "DLH4AB"}}}}});
    EXPECT_FALSE(lf_waitParkedTraffic(*road)) << "no park airport: no request";
    neighbours.setParkAirport({"EDDF", 50.0333, 8.5706});
    startTrafficReader();
    standIn.nextRequestOf("live");
    EXPECT_TRUE(lf_waitParkedTraffic(*road));
    const json parked = standIn.nextRequestOf("parked");
    EXPECT_EQ(parked["form"]["querytype"], "parkedtraffic");
    EXPECT_EQ(parked["form"]["top"], "50.08");
    EXPECT_EQ(parked["form"]["bottom"], "49.98");
    {
        const std::lock_guard lock(road->traffic.parkedMutex);
        ASSERT_EQ(road->traffic.parked.size(), 1U);
        EXPECT_EQ(road->traffic.parked[0].stand, "V155");
    }
    standIn.once("parked", {{"reply", {{"status", 406}, {"message", "not now"}}}});
    EXPECT_TRUE(lf_waitParkedTraffic(*road));
    EXPECT_TRUE(logged("==> parkedtraffic msg: not now"));
    {
        const std::lock_guard lock(road->traffic.parkedMutex);
        EXPECT_TRUE(road->traffic.parked.empty());
    }
    standIn.once("parked", {{"reply", {{"status", 403}}}});
    EXPECT_THROW(lf_waitParkedTraffic(*road), std::runtime_error);
    standIn.once("parked", {{"http", 502}, {"raw", ""}});
    EXPECT_FALSE(lf_waitParkedTraffic(*road));
}

TEST_F(RTAPIReadersTest, RefusalsEndTheReaderWithTheirReports) {
    struct Case {
        std::int32_t status;
        std::string logLine;
        std::string report;
    };
    const std::vector<Case> cases = {
        {401, "==> re-authentication to RT API is needed, restart VELT_P3D",
         "StoppedRTAPI Traffic RTAPIreader restart=1 code=401"},
        {400, "==> Traffic RT API: parameter fault", "StoppedRTAPI Traffic RTAPIreader restart=0 code=400"},
        {403, "==> Traffic RT API: No data for this license type",
         "StoppedRTAPI Traffic RTAPIreader restart=0 code=403"},
        {429, "==> Traffic RT API error: 429", "StoppedRTAPI Traffic RTAPIreader restart=0 code=429"},
    };
    standIn.set("buffer", {{"status", 200}, {"rrl", 250}, {"data", json::object()}});
    standIn.set("live", liveReply(250));
    for (const Case& c : cases) {
        shell.clear();
        gf_renewRTAPIConnection(*road);
        std::int32_t status = 0;
        ASSERT_TRUE(authenticate(*road, status));
        standIn.once("live", {{"reply", {{"status", 406}, {"message", "slow down"}}}});
        standIn.once("live", {{"reply", {{"status", c.status}}}});
        startTrafficReader();
        expectEnded(c.report);
        EXPECT_TRUE(logMentions("curl traffic msg: slow down")) << "406 is logged and the loop goes on";
        EXPECT_TRUE(logged(c.logLine)) << c.logLine;
        EXPECT_TRUE(road->weather.stop.load()) << "the weather reader is stopped too";
    }
}

TEST_F(RTAPIReadersTest, ASessionReplacedDuringARequestEndsTheReaderFor401) {
    standIn.set("buffer", {{"status", 200}, {"rrl", 250}, {"data", json::object()}});
    standIn.set("live", liveReply(250));
    standIn.once("live", {{"delay", 1.5}, {"reply", liveReply(250, {{"a", airliner("3c6401", 5)}})}});
    startTrafficReader();
    standIn.nextRequestOf("live");
    ASSERT_TRUE(lf_authRequest(*road)); // a new login while the request is open
    expectEnded("StoppedRTAPI Traffic RTAPIreader restart=1 code=401");
    EXPECT_TRUE(neighbours.posted().empty()) << "the reply of the old session is dropped";
}

TEST_F(RTAPIReadersTest, AStopDuringAPauseOrATransferEndsTheReaderQuietly) {
    standIn.set("buffer", {{"status", 200}, {"rrl", 250}, {"data", json::object()}});
    standIn.set("live", liveReply(60000));
    startTrafficReader();
    standIn.nextRequestOf("live");
    std::this_thread::sleep_for(200ms);
    const auto start = std::chrono::steady_clock::now();
    road->requestStop();
    expectEnded("");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_FALSE(logMentions("RT API"));

    gf_renewRTAPIConnection(*road);
    std::int32_t status = 0;
    ASSERT_TRUE(authenticate(*road, status));
    standIn.set("live", liveReply(250));
    standIn.once("live", {{"delay", 20}, {"reply", liveReply(250)}});
    shell.clear();
    startTrafficReader();
    standIn.nextRequestOf("live");
    road->requestStop();
    expectEnded("");
    EXPECT_FALSE(logMentions("traffic receive transport"));
}

class RTAPIWeatherTest : public RTAPIReadersTest {
protected:
    static json metars(const std::string& first, const std::string& second = "EDDF 101220Z 24010KT Q1021=") {
        return {{"status", 200}, {"data", json::array({{{"METAR", first}}, {{"METAR", second}}})}};
    }
};

TEST_F(RTAPIWeatherTest, TheFirstValidQnhIsPublishedAndCachedNearby) {
    road->weather.retryMs = 300;
    standIn.set("metar", metars("EDDF 101220Z 24010KT A29X2"));
    startWeatherReader();
    const json first = standIn.nextRequestOf("metar");
    EXPECT_EQ(first["form"], json({{"GUID", first["form"]["GUID"]}, {"toffset", "0"}, {"lat", "50.0000"},
                                   {"lon", "8.0000"}}));
    ASSERT_TRUE(waitUntil([&] { return flags.currentQnh == 1021; }));
    EXPECT_EQ(road->traffic.qnh.load(), 1021);
    EXPECT_TRUE(shellCalled("Qnh 1021"));
    EXPECT_TRUE(logged("==> nearest metar: invalid QNH code: A29X2 in EDDF 101220Z 24010KT A29X2"));

    setUser(kLatitude + 5.0 / 60.0, kLongitude); // within 10 NM: the QNH holds
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(standIn.unreadRequestsOf("metar"), 0U);

    setUser(kLatitude + 11.0 / 60.0, kLongitude);
    const json moved = standIn.nextRequestOf("metar");
    EXPECT_EQ(moved["form"]["lat"], "50.1833");
    const auto qnhPosts = [&] {
        const auto calls = shell.calls();
        return std::count(calls.begin(), calls.end(), "Qnh 1021");
    };
    EXPECT_EQ(qnhPosts(), 1) << "an unchanged QNH is not published again";
}

TEST_F(RTAPIWeatherTest, FailuresAreRetriedAfterThePauseAndOne401AtOnce) {
    road->weather.retryMs = 600;
    standIn.set("metar", metars("EDDF 101220Z 24010KT Q1009"));
    standIn.once("metar", {{"reply", {{"status", 500}}}});
    standIn.once("metar", {{"http", 502}, {"raw", ""}});
    standIn.once("metar", {{"reply", {{"status", 200}, {"data", 5}}}});
    standIn.once("metar", {{"reply", {{"status", 401}}}});
    startWeatherReader();
    std::vector<double> times;
    for (int i = 0; i < 5; ++i) {
        times.push_back(standIn.nextRequestOf("metar")["t"].get<double>());
    }
    EXPECT_GE(times[1] - times[0], 0.58) << "500 waits the retry pause";
    EXPECT_GE(times[2] - times[1], 0.58) << "an HTTP failure waits the retry pause";
    EXPECT_GE(times[3] - times[2], 0.58) << "a reply without METARs waits the retry pause";
    EXPECT_LT(times[4] - times[3], 0.5) << "a 401 is retried at once";
    ASSERT_TRUE(waitUntil([&] { return flags.currentQnh == 1009; }));
    EXPECT_TRUE(logged("==> nearest metar returned 401, retrying once with a new connection"));
    EXPECT_TRUE(logged("==> nearest metar: response contains invalid METAR data"));
    EXPECT_TRUE(logged("==> nearest metar failed: kind=http, API status=n/a, HTTP status=502, auth server='standin', "
                       "message='HTTP 502 response: empty response'"));
    EXPECT_FALSE(shellCalled("WeatherStatus 2"));
}

TEST_F(RTAPIWeatherTest, TwoRefusalsOf401InARowEndBothReaders) {
    standIn.once("metar", {{"reply", {{"status", 401}}}});
    standIn.once("metar", {{"reply", {{"status", 401}}}});
    startWeatherReader();
    ASSERT_TRUE(waitUntil([&] { return shellCalled("WeatherStatus 2"); }));
    joinReaders();
    EXPECT_TRUE(shellCalled("StoppedRTAPI Weather RTAPIreader restart=1 code=401"));
    EXPECT_TRUE(logged("==> re-authentication to RT API is needed, restart VELT_P3D"));
    EXPECT_TRUE(road->traffic.stop.load());

    shell.clear();
    gf_renewRTAPIConnection(*road);
    std::int32_t status = 0;
    ASSERT_TRUE(authenticate(*road, status));
    standIn.once("metar", {{"reply", {{"status", 403}}}});
    startWeatherReader();
    ASSERT_TRUE(waitUntil([&] { return shellCalled("WeatherStatus 2"); }));
    joinReaders();
    EXPECT_TRUE(shellCalled("StoppedRTAPI Weather RTAPIreader restart=0 code=403"));
    EXPECT_TRUE(logged("==> Weather RT API: No data for this license type"));
}

} // namespace
} // namespace kiv

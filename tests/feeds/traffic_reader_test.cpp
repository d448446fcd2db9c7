// The RT App traffic reader fed datagram by datagram, as its receive loop hands them on.
#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "feeds/traffic_reader.h"
#include "feeds_fakes.h"
#include "models/interned_codes.h"
#include "settings/settings_reset.h"
#include "test_support/log_capture.h"
#include "type_database_fixture.h"

namespace kiv {
namespace {

using test_support::PostedBatch;

constexpr double kCentreLatitude = 50.0;
constexpr double kCentreLongitude = 8.0;

std::string joinFields(const std::vector<std::string>& fields) {
    std::string datagram;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        datagram += (i == 0 ? "" : ",") + fields[i];
    }
    return datagram;
}

// An RTTFC (or other type) datagram of 44 fields: an airliner 10 NM north of the centre.
std::string trafficDatagram(std::map<std::size_t, std::string> changes = {}, std::size_t fieldCount = 44) {
    std::vector<std::string> fields(fieldCount);
    const std::map<std::size_t, std::string> good = {
        {0, "RTTFC"}, {1, "3957828"},       {2, "50.166667"}, {3, "8.0"},   {4, "10000"},   {5, "-640"},
        {7, "181"},   {8, "250"},           {9, "DLH4AB"},    {10, "A320"}, {11, "D-AIAB"}, {12, "FRA"},
        {13, "ZRH"},  {14, "1733750000.4"}, {17, "mlat"},     {20, "-1"},   {23, "-1"},     {28, "A3"},
    };
    for (const auto& [index, text] : good) {
        if (index < fieldCount) {
            fields[index] = text;
        }
    }
    for (const auto& [index, text] : changes) {
        fields.at(index) = text;
    }
    return joinFields(fields);
}

std::string parkedDatagram(std::map<std::size_t, std::string> changes = {}) {
    std::vector<std::string> fields = {"RTPARK", "3c6444", "50.03", "8.57",      "DLH4AB",
                                       "A320",   "D-AIXX", "V101",  "1733750000"};
    for (const auto& [index, text] : changes) {
        fields.at(index) = text;
    }
    return joinFields(fields);
}

class TrafficReaderTest : public testing::Test {
protected:
    TrafficReaderTest() {
        test_support::resetSettingsToDefaults();
        gf_publishTrafficSource(true);
        test_support::installFeedsTypeDatabase();
        reader.setRangeCentre(kCentreLatitude, kCentreLongitude, std::cos(kCentreLatitude * 0.017453292519943295));
        reader.qnh = 1013;
    }
    ~TrafficReaderTest() override { test_support::resetSettingsToDefaults(); }

    void offer(const std::string& datagram) { reader.offerDatagram(datagram); }
    std::vector<PostedBatch> posted() const { return neighbours.posted(); }
    std::size_t publishedParkedCount() {
        std::size_t count = 0;
        reader.withPublishedParked([&](std::vector<ParkedRecord>& list) { count = list.size(); });
        return count;
    }
    bool logged(const std::string& line) const {
        const auto lines = log.lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    test_support::LogCapture log;
    test_support::FakeFeedsNeighbours neighbours;
    test_support::FakeFeedsShell shell;
    BufferRequestFlag bufferRequest;
    TrafficReader reader{neighbours, shell, bufferRequest};
};

TEST_F(TrafficReaderTest, LiveRecordsGoOutAsOneLiveBatchAtTheEndMarker) {
    offer(trafficDatagram());
    offer(trafficDatagram({{1, "3957829"}, {9, "SWR12"}}));
    EXPECT_TRUE(posted().empty());
    offer("RTTFC_EOT");
    const auto batches = posted();
    ASSERT_EQ(batches.size(), 1u);
    EXPECT_EQ(batches[0].kind, BatchKind::live);
    EXPECT_EQ(batches[0].delaySeconds, 30u);
    EXPECT_TRUE(batches[0].discardWhenOff);
    ASSERT_EQ(batches[0].records.size(), 2u);
    EXPECT_EQ(batches[0].records[1].head.callsign, "SWR12");
    EXPECT_EQ(reader.latestDataTime, 1733750000);
}

// What becomes of one datagram: a record in the next batch, or nothing (with the log line).
TEST_F(TrafficReaderTest, DatagramOutcomeTable) {
    struct Case {
        const char* name;
        std::string datagram;
        bool recordPosted;
        std::string logLine; // empty: no line expected
    };
    const std::string incomplete = trafficDatagram({}, 43);
    const Case cases[] = {
        {"44 fields", trafficDatagram(), true, ""},
        {"43 fields", incomplete, false,
         "Ignoring incomplete RT App message: 43 fields received, 44 required: " + incomplete},
        {"RTBUF1 is a buffered record", trafficDatagram({{0, "RTBUF1"}}), true, ""},
        {"RTBU is nothing", trafficDatagram({{0, "RTBU"}}), false, ""},
        {"RTTFCX is nothing", trafficDatagram({{0, "RTTFCX"}}), false, ""},
        {"hex letters in the decimal hex id", trafficDatagram({{1, "3c6444"}}), false,
         "exception in processLine: hexid:3c6444"},
        {"signed hex id", trafficDatagram({{1, "+3957828"}}), false, "exception in processLine: hexid:+3957828"},
        {"hex id beyond 32 bits", trafficDatagram({{1, "4294967296"}}), false,
         "exception in processLine: hexid:4294967296"},
        {"far outside the range", trafficDatagram({{2, "52.5"}}), false, ""},
        {"bad field 25 of another source", trafficDatagram({{25, "north"}}), true, ""},
        {"bad field 25 of adsb_icao", trafficDatagram({{17, "adsb_icao"}, {25, "north"}}), false,
         "exception in processLine: trueheading:north"},
        {"altitude with blanks", trafficDatagram({{4, " 10000"}}), false, "exception in processLine: altitude: 10000"},
        {"empty track is 0", trafficDatagram({{7, ""}}), true, ""},
        {"empty altitude", trafficDatagram({{4, ""}}), false, "exception in processLine: altitude:"},
        {"null island", trafficDatagram({{2, "0.00005"}, {3, "-0.00009"}}), false,
         "exception in processLine: invalid lalo: 0.000050,-0.000090"},
        {"empty origin", trafficDatagram({{12, ""}}), true, ""},
        {"malformed origin", trafficDatagram({{12, "FR"}}), false,
         "exception in processLine: 'FR' IataCode: invalid string"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        neighbours.clearPosted();
        offer(c.datagram);
        offer("RTTFC_EOT");
        const auto batches = posted();
        EXPECT_EQ(!batches.empty() && batches[0].records.size() == 1, c.recordPosted);
        if (!c.logLine.empty()) {
            EXPECT_TRUE(logged(c.logLine));
        }
    }
}

TEST_F(TrafficReaderTest, RecordOutsideTheRangeStillAdvancesTheDataTime) {
    offer(trafficDatagram({{2, "52.5"}, {14, "1733760000.6"}}));
    offer("RTTFC_EOT");
    EXPECT_TRUE(posted().empty());
    EXPECT_EQ(reader.latestDataTime, 1733760001);
}

TEST_F(TrafficReaderTest, SameDatagramTwiceIsHandledOnceUnlessAnotherCameBetween) {
    const std::string record = trafficDatagram();
    offer(record);
    offer(record);
    offer("RTTFC_EOT");
    offer(record);
    offer("RTTFC_EOT");
    const auto batches = posted();
    ASSERT_EQ(batches.size(), 2u);
    EXPECT_EQ(batches[0].records.size(), 1u);
    EXPECT_EQ(batches[1].records.size(), 1u);
    EXPECT_EQ(reader.datagramCounter, 5u); // a dropped repeat is still counted
}

TEST_F(TrafficReaderTest, BufferSlicesAreDeliveredSixSecondsApart) {
    reader.startBufferCycle();
    for (int slice = 0; slice < 3; ++slice) {
        offer(trafficDatagram({{0, "RTBUF"}, {14, std::to_string(1733750000 + slice)}}));
        offer("RTBUF_SEP");
    }
    const auto batches = posted();
    ASSERT_EQ(batches.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(batches[i].kind, BatchKind::history);
        EXPECT_EQ(batches[i].delaySeconds, 6 * i);
        EXPECT_EQ(batches[i].records.size(), 1u);
    }
}

// Two separators in a row (an empty slice) still count: the next slice is 12 s on, not 6.
TEST_F(TrafficReaderTest, RepeatedMarkersAreNotTakenForDuplicates) {
    reader.startBufferCycle();
    offer(trafficDatagram({{0, "RTBUF"}}));
    offer("RTBUF_SEP");
    offer("RTBUF_SEP");
    offer(trafficDatagram({{0, "RTBUF"}, {14, "1733750012"}}));
    offer("RTBUF_SEP");
    const auto batches = posted();
    ASSERT_EQ(batches.size(), 2u);
    EXPECT_EQ(batches[1].delaySeconds, 12u);

    offer(parkedDatagram());
    offer("RTPARK_EOT");
    EXPECT_EQ(publishedParkedCount(), 1u);
    offer("RTPARK_EOT"); // an empty parked set follows: nothing is parked now
    EXPECT_EQ(publishedParkedCount(), 0u);
}

// The sixth slice is due 30 s on and must still be a history buffer, not the live stream.
TEST_F(TrafficReaderTest, SixthBufferSliceIsStillHistory) {
    reader.startBufferCycle();
    for (int slice = 0; slice < 6; ++slice) {
        offer(trafficDatagram({{0, "RTBUF"}, {14, std::to_string(1733750000 + slice)}}));
        offer("RTBUF_SEP");
    }
    const auto batches = posted();
    ASSERT_EQ(batches.size(), 6u);
    EXPECT_EQ(batches[5].delaySeconds, 30u);
    EXPECT_EQ(batches[5].kind, BatchKind::history);
}

TEST_F(TrafficReaderTest, BufferEndKeepsTheLastSliceForTheNextLiveBatchAndEndsTheRequest) {
    bufferRequest.inFlight = true;
    reader.startBufferCycle();
    offer(trafficDatagram({{0, "RTBUF"}}));
    offer("RTBUF_EOT");
    EXPECT_TRUE(reader.bufferReceived);
    EXPECT_FALSE(bufferRequest.inFlight);
    EXPECT_TRUE(posted().empty());
    offer("RTTFC_EOT");
    ASSERT_EQ(posted().size(), 1u);
    EXPECT_EQ(posted()[0].kind, BatchKind::live);
}

TEST_F(TrafficReaderTest, BatchKeepsTheCentreAndSettingsOfItsFirstRecord) {
    offer(trafficDatagram());
    reader.setRangeCentre(10.0, 10.0, std::cos(10.0 * 0.017453292519943295)); // the user moved far away
    gf_setSettingsField(&SettingsSnapshot::rangeNmSquared, 1.0);
    offer(trafficDatagram({{1, "3957829"}, {9, "SWR12"}}));
    offer("RTTFC_EOT");
    ASSERT_EQ(posted().size(), 1u);
    EXPECT_EQ(posted()[0].records.size(), 2u);
    offer(trafficDatagram({{1, "3957830"}, {9, "EZY12"}}));
    offer("RTTFC_EOT");
    EXPECT_EQ(posted().size(), 1u); // the next batch sees the new centre and range
}

TEST_F(TrafficReaderTest, ParkedRecordsArePublishedAtTheirEndMarker) {
    offer(parkedDatagram());
    offer(parkedDatagram({{1, "3C6445"}, {4, "SWR12"}, {7, "V102"}}));
    EXPECT_EQ(publishedParkedCount(), 0u);
    EXPECT_FALSE(reader.parkedReceived);
    offer("RTPARK_EOT");
    EXPECT_TRUE(reader.parkedReceived);
    reader.withPublishedParked([](std::vector<ParkedRecord>& list) {
        ASSERT_EQ(list.size(), 2u);
        EXPECT_EQ(list[0].hexId, 0x3c6444u); // the same digits as a live id, read as hexadecimal
        EXPECT_EQ(list[1].stand, "V102");
    });
}

TEST_F(TrafficReaderTest, ParkedDatagramOutcomeTable) {
    struct Case {
        const char* name;
        std::string datagram;
        bool published;
        std::string logLine;
    };
    const Case cases[] = {
        {"RTPARKX is nothing", parkedDatagram({{0, "RTPARKX"}}), false, ""},
        {"8 fields", "RTPARK,3c6444,50.03,8.57,DLH4AB,A320,D-AIXX,V101", false,
         "Ignoring incomplete RT App message: 8 fields received, 9 required: "
         "RTPARK,3c6444,50.03,8.57,DLH4AB,A320,D-AIXX,V101"},
        {"timestamp 0", parkedDatagram({{8, "0"}}), false,
         "exception in processRTAppLine: timestamp outside range:0.000"},
        {"hex id with a non-hex letter", parkedDatagram({{1, "3c64g4"}}), false,
         "exception in processRTAppLine: hexid incorrect3c64g4"},
        {"hex id of nine significant digits", parkedDatagram({{1, "13c6444ff"}}), false,
         "exception in processRTAppLine: hexid incorrect13c6444ff"},
        {"bad latitude", parkedDatagram({{2, "north"}}), false, "exception in processRTAppLine: lat:north"},
        {"fractional timestamp", parkedDatagram({{8, "1733750000.9"}}), true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        offer(c.datagram);
        offer("RTPARK_EOT");
        EXPECT_EQ(publishedParkedCount(), c.published ? 1u : 0u);
        if (!c.logLine.empty()) {
            EXPECT_TRUE(logged(c.logLine));
        }
    }
}

TEST_F(TrafficReaderTest, OversizedDatagramIsCountedAndDropped) {
    std::string largest = trafficDatagram();
    largest += std::string(kMaxDatagramBytes - largest.size(), 'X'); // a long airline field
    ASSERT_EQ(largest.size(), 16384u);
    const std::string big(20000, 'x');
    offer(largest);
    reader.offerDatagram(std::string_view(big).substr(0, kMaxDatagramBytes + 1), big.size());
    reader.offerDatagram(std::string_view(big).substr(0, kMaxDatagramBytes + 1), kMaxDatagramBytes + 1);
    offer("RTTFC_EOT");
    EXPECT_EQ(reader.datagramCounter, 4u);
    EXPECT_TRUE(logged("UDP datagram exceeds 16384 bytes; discarded"));
    ASSERT_EQ(posted().size(), 1u);
    EXPECT_EQ(posted()[0].records.size(), 1u); // 16,384 bytes still fit
}

TEST_F(TrafficReaderTest, ReceivedStoresFillOnlyAfterAClear) {
    offer(trafficDatagram());
    EXPECT_TRUE(reader.receivedTraffic().hexIds.empty());
    reader.clearReceivedTraffic();
    offer(trafficDatagram({{1, "3957829"},
                           {
                               9,
                               "",
                           },
                           {11, ""}})); // refused, but seen
    offer(trafficDatagram({{1, "3957830"}, {9, "SWR12"}}));
    const ReceivedTraffic received = reader.receivedTraffic();
    EXPECT_TRUE(received.enabled);
    EXPECT_EQ(received.hexIds.size(), 2u);
    ASSERT_EQ(received.callsigns.count("SWR12"), 1u);
    EXPECT_EQ(received.callsigns.at("SWR12"), 3957830u);
}

TEST_F(TrafficReaderTest, ResetForgetsEverythingReceived) {
    reader.clearReceivedTraffic();
    offer(trafficDatagram());
    offer(parkedDatagram());
    offer("RTPARK_EOT");
    reader.setParkAirportValue(350.0);
    reader.reset();
    EXPECT_EQ(reader.latestDataTime, 0);
    EXPECT_EQ(reader.datagramCounter, 0u);
    EXPECT_EQ(reader.qnh, 0);
    EXPECT_FALSE(reader.parkedReceived);
    EXPECT_EQ(publishedParkedCount(), 0u);
    EXPECT_FALSE(reader.receivedTraffic().enabled);
    EXPECT_FALSE(reader.rangeContext().parkElevationFt);
    offer("RTTFC_EOT");
    EXPECT_TRUE(posted().empty()); // the record before the reset is gone
}

} // namespace
} // namespace kiv

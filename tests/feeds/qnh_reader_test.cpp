// The RT App weather reader fed datagram by datagram.
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "feeds/qnh_reader.h"
#include "feeds_fakes.h"
#include "test_support/log_capture.h"

namespace kiv {
namespace {

class QnhReaderTest : public testing::Test {
protected:
    bool logged(const std::string& line) const {
        const auto lines = log.lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    std::vector<std::string> qnhPosts() const {
        std::vector<std::string> posts;
        for (const std::string& call : shell.calls()) {
            if (call.starts_with("Qnh ")) {
                posts.push_back(call);
            }
        }
        return posts;
    }

    test_support::LogCapture log;
    test_support::FakeFeedsShell shell;
    test_support::FakeFeedsClock clock;
    FeedFlags flags;
    std::atomic<std::int32_t> trafficReaderQnh{0};
    QnhReader reader{shell, flags, trafficReaderQnh, clock};
};

TEST_F(QnhReaderTest, NewQnhGoesEverywhereOnce) {
    const std::string eddf = R"({"ICAO": "EDDF", "METAR": "EDDF 101250Z 24010KT 9999 Q1021"})";
    reader.offerDatagram(eddf);
    EXPECT_EQ(flags.currentQnh, 1021);
    EXPECT_EQ(trafficReaderQnh, 1021);
    EXPECT_EQ(qnhPosts(), std::vector<std::string>{"Qnh 1021"});
    EXPECT_EQ(reader.metarTimeNs, clock.now);

    // A new METAR with the same QNH refreshes the time but posts nothing.
    clock.now += 30'000'000'000;
    reader.offerDatagram(R"({"ICAO": "EDDF", "METAR": "EDDF 101320Z 25008KT 9999 Q1021"})");
    EXPECT_EQ(reader.metarTimeNs, clock.now);
    reader.offerDatagram(R"({"ICAO": "EDDF", "METAR": "EDDF 101350Z 25008KT 9999 Q1019"})");
    EXPECT_EQ(qnhPosts(), (std::vector<std::string>{"Qnh 1021", "Qnh 1019"}));
}

// The RT App repeats its weather report; each repeat tells that the METAR is current.
TEST_F(QnhReaderTest, SameMetarTwiceOnlyRefreshesItsTime) {
    const std::string eddf = R"({"ICAO": "EDDF", "METAR": "EDDF 101250Z 24010KT 9999 Q1021"})";
    reader.offerDatagram(eddf);
    clock.now += 60'000'000'000;
    reader.offerDatagram(eddf);
    EXPECT_EQ(reader.metarTimeNs, clock.now);
    clock.now += 60'000'000'000;
    reader.offerDatagram(R"({"METAR": "EDDF 101250Z 24010KT 9999 Q1021", "ICAO": "EDDF"})");
    EXPECT_EQ(reader.metarTimeNs, clock.now);
    EXPECT_EQ(qnhPosts().size(), 1u);
}

TEST_F(QnhReaderTest, UnusableWeatherKeepsTheQnhAndSaysWhy) {
    reader.offerDatagram(R"({"METAR": "EDDF Q1021"})");
    const std::int64_t kept = reader.metarTimeNs;
    clock.now += 1'000'000'000;
    struct Case {
        std::string datagram;
        std::string logLine;
    };
    const Case cases[] = {
        {R"({"METAR": "EDDF 101250Z 24010KT"})", R"(no QNH {"METAR": "EDDF 101250Z 24010KT"})"},
        {R"({"ICAO": "EDDF"})", R"(no QNH {"ICAO": "EDDF"})"},
        {R"([1, 2])", "no QNH [1, 2]"},
        {R"({"METAR": "EDDF Q0800"})", R"(==> QNH outside limits: 800 (Q0800) in {"METAR": "EDDF Q0800"})"},
        {R"({"METAR": "EDDF Q10X1"})", R"(==> invalid QNH code: Q10X1 in {"METAR": "EDDF Q10X1"})"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.datagram);
        reader.offerDatagram(c.datagram);
        EXPECT_TRUE(logged(c.logLine));
    }
    reader.offerDatagram(R"({"METAR": 1013})");
    reader.offerDatagram("not json");
    const auto lines = log.lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.starts_with("Exception "); }),
              2);
    EXPECT_EQ(flags.currentQnh, 1021);
    EXPECT_EQ(reader.metarTimeNs, kept);
    EXPECT_EQ(qnhPosts().size(), 1u);
}

} // namespace
} // namespace kiv

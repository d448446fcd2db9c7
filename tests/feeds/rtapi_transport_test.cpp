// The HTTPS transport and the reply envelope: parsing in memory, posting against the
// service stand-in over TLS.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "feeds/rtapi_transport.h"
#include "rtapi_standin.h"
#include "test_support/log_capture.h"

namespace kiv {
namespace {

using namespace std::chrono_literals;


TEST(RTAPIReplyParse, FailuresOfTheEnvelope) {
    struct Case {
        std::string body;
        std::string message;
    };
    const std::string longBody = "x" + std::string(999, 'y');
    const std::vector<Case> cases = {
        {"", "empty response"},
        {"[1,2]", "invalid JSON: [1,2]"},
        {"42", "invalid JSON: 42"},
        {"{\"status\":", "invalid JSON: {\"status\":"},
        {longBody, "invalid JSON: " + longBody.substr(0, 256)},
    };
    for (const Case& c : cases) {
        const RTAPIParseResult result = lf_parseReply(c.body, "traffic receive", kRrlWait);
        ASSERT_FALSE(result) << c.body;
        EXPECT_EQ(result.error().message, c.message);
        EXPECT_EQ(result.error().context, "traffic receive");
    }
}

TEST(RTAPIReplyParse, StatusIsAnIntegerInTheI32RangeElse100) {
    const std::vector<std::pair<std::string, std::int32_t>> cases = {
        {R"({"status":200})", 200},         {R"({"status":-7})", -7},
        {R"({"status":"200"})", 100},       {R"({"status":200.0})", 100},
        {R"({"status":4294967296})", 100},  {R"({"status":2147483647})", 2147483647},
        {R"({"status":2147483648})", 100},  {R"({"status":-2147483648})", -2147483648},
        {R"({"status":-2147483649})", 100}, {R"({})", 100},
        {R"({"status":null})", 100},
    };
    for (const auto& [body, status] : cases) {
        const RTAPIParseResult result = lf_parseReply(body, "c", kNoKeyWait);
        ASSERT_TRUE(result) << body;
        EXPECT_EQ(result->status, status) << body;
    }
}

TEST(RTAPIReplyParse, WaitIsClampedAndDefaultedWithItsLogLines) {
    test_support::LogCapture log;
    struct Case {
        std::string body;
        RTAPIWaitSpec spec;
        std::int32_t wait;
        std::string logLine; // empty: none
    };
    const std::vector<Case> cases = {
        {R"({"status":200,"rrl":100})", kRrlWait, 250, "==> traffic receive: rrl 100 ms outside limits, using 250 ms"},
        {R"({"status":200,"rrl":90000})", kRrlWait, 60000,
         "==> traffic receive: rrl 90000 ms outside limits, using 60000 ms"},
        {R"({"status":200,"rrl":250})", kRrlWait, 250, ""},
        {R"({"status":200,"rrl":60000})", kRrlWait, 60000, ""},
        {R"({"status":200,"rrl":-5})", kRrlWait, 250, "==> traffic receive: rrl -5 ms outside limits, using 250 ms"},
        {R"({"status":200,"rrl":18446744073709551615})", kRrlWait, 60000,
         "==> traffic receive: rrl 9223372036854775807 ms outside limits, using 60000 ms"},
        {R"({"status":200})", kRrlWait, 2000, "==> traffic receive: invalid or missing rrl, using default"},
        {R"({"status":200,"rrl":1500.5})", kRrlWait, 2000, "==> traffic receive: invalid or missing rrl, using default"},
        {R"({"status":200,"rrl":"900"})", kRrlWait, 2000, "==> traffic receive: invalid or missing rrl, using default"},
        {R"({"status":406,"rrl":100})", kRrlWait, 2000, ""},
        {R"({"status":200,"rrl":100})", kNoKeyWait, 2000, ""},
    };
    for (const Case& c : cases) {
        const auto before = log.lines().size();
        const RTAPIParseResult result = lf_parseReply(c.body, "traffic receive", c.spec);
        ASSERT_TRUE(result) << c.body;
        EXPECT_EQ(result->waitMs, c.wait) << c.body;
        const auto lines = log.lines();
        if (c.logLine.empty()) {
            EXPECT_EQ(lines.size(), before) << c.body;
        } else {
            ASSERT_EQ(lines.size(), before + 1) << c.body;
            EXPECT_EQ(lines.back(), c.logLine);
        }
    }
}

TEST(RTAPIReplyParse, MessageAndDataAreTakenWhenPresent) {
    const RTAPIParseResult withBoth = lf_parseReply(R"({"status":406,"message":"later","data":{"a":[1]}})", "c", kRrlWait);
    ASSERT_TRUE(withBoth);
    EXPECT_EQ(withBoth->message, "later");
    EXPECT_EQ(withBoth->data, nlohmann::json::parse(R"({"a":[1]})"));
    const RTAPIParseResult withNeither = lf_parseReply(R"({"status":406,"message":5})", "c", kRrlWait);
    ASSERT_TRUE(withNeither);
    EXPECT_EQ(withNeither->message, "");
    EXPECT_TRUE(withNeither->data.is_null());
}

class RTAPITransportTest : public testing::Test {
protected:
    RTAPITransportTest() { transport.setCaFile(standIn.caFile()); }

    RTAPIPostResult post(const std::string& body, const RTAPIAbort& abort = {}) {
        return lf_post(transport, standIn.url("/v6/traffic"), body, RTAPIRequestOptions{10, 30, false}, kRrlWait,
                       "traffic receive", abort);
    }

    test_support::LogCapture log;
    test_support::RTAPIStandIn standIn;
    RTAPITransport transport{16384};
};

TEST_F(RTAPITransportTest, HttpErrorsWithoutAJsonObjectAreHttpFailuresOthersAreReplies) {
    standIn.once("live", {{"http", 502}, {"raw", ""}});
    const RTAPIPostResult gateway = post("GUID=x");
    ASSERT_FALSE(gateway);
    EXPECT_EQ(gateway.error().kind, RTAPIErrorKind::http);
    EXPECT_EQ(gateway.error().code, 502);
    EXPECT_EQ(gateway.error().context, "traffic receive");
    EXPECT_EQ(gateway.error().message, "HTTP 502 response: empty response");

    standIn.once("live", {{"http", 404}, {"reply", {{"status", 404}, {"message", "gone"}}}});
    const RTAPIPostResult notFound = post("GUID=x");
    ASSERT_TRUE(notFound);
    EXPECT_EQ(notFound->httpStatus, 404);
    EXPECT_EQ(notFound->status, 404);
    EXPECT_EQ(notFound->message, "gone");

    standIn.once("live", {{"raw", "<html>busy</html>"}});
    const RTAPIPostResult html = post("GUID=x");
    ASSERT_FALSE(html);
    EXPECT_EQ(html.error().kind, RTAPIErrorKind::parse);
    EXPECT_EQ(html.error().code, 200);
    EXPECT_EQ(html.error().message, "invalid JSON: <html>busy</html>");
}

TEST_F(RTAPITransportTest, CompressedReplyIsReadAndTheConnectionKept) {
    standIn.once("live", {{"reply", {{"status", 200}, {"rrl", 700}, {"data", {{"k", std::string(3000, 'a')}}}}}});
    const RTAPIPostResult first = post("GUID=x&querytype=locationtraffic");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->waitMs, 700);
    EXPECT_EQ(first->data["k"].get<std::string>().size(), 3000U);
    const nlohmann::json request = standIn.nextRequest();
    EXPECT_EQ(request["form"], nlohmann::json({{"GUID", "x"}, {"querytype", "locationtraffic"}}));
    const RTAPIPostResult second = post("GUID=x");
    ASSERT_TRUE(second);
    EXPECT_EQ(second->status, 401); // the stand-in's answer to an unknown GUID
}

TEST_F(RTAPITransportTest, VerificationStaysOnWithoutTheTestAuthority) {
    RTAPITransport systemStore(4096);
    const RTAPIPostResult result = lf_post(systemStore, standIn.url("/v6/traffic"), "GUID=x",
                                           RTAPIRequestOptions{5, 9, true}, kRrlWait, "parkedtraffic", {});
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().kind, RTAPIErrorKind::transport);
    EXPECT_EQ(result.error().code, 0);
    EXPECT_TRUE(result.error().message.starts_with("curl_easy_perform: ")) << result.error().message;
}

TEST_F(RTAPITransportTest, TheAbortFlagEndsASlowReply) {
    standIn.once("live", {{"delay", 20}, {"reply", {{"status", 200}}}});
    std::atomic<bool> stop{false};
    std::thread stopper([&] {
        std::this_thread::sleep_for(300ms);
        stop = true;
    });
    const auto start = std::chrono::steady_clock::now();
    const RTAPIPostResult result = post("GUID=x", RTAPIAbort{&stop, false});
    const auto took = std::chrono::steady_clock::now() - start;
    stopper.join();
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().kind, RTAPIErrorKind::transport);
    EXPECT_LT(took, 5s);
}

TEST_F(RTAPITransportTest, TheTotalTimeOutEndsASlowReply) {
    standIn.once("live", {{"delay", 20}, {"reply", {{"status", 200}}}});
    const auto start = std::chrono::steady_clock::now();
    const RTAPIPostResult result = lf_post(transport, standIn.url("/v6/traffic"), "GUID=x",
                                           RTAPIRequestOptions{1, 1, true}, kRrlWait, "parkedtraffic", {});
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().kind, RTAPIErrorKind::transport);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

TEST_F(RTAPITransportTest, FormValuesAreEscapedWhole) {
    EXPECT_EQ(transport.escape("a&b=c+d%e f"), "a%26b%3Dc%2Bd%25e%20f");
    EXPECT_EQ(transport.escape("rt_ABC-123._~"), "rt_ABC-123._~");
}

} // namespace
} // namespace kiv

// Login and logout at the service stand-in, the query box and the interruptible wait.
#include <chrono>
#include <cmath>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/user_related_exception.h"
#include "rtdirect_fixture.h"
#include "test_support/pinned_clock.h"

namespace kiv {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;

class RTAPILoginTest : public test_support::RtDirectTest {};

TEST_F(RTAPILoginTest, CredentialGoesPercentEncodedAsLicenseOrToken) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"AB&C=D+E%F G", "license"},
        {"rt_tok&en=1", "token"},
        {"rt", "license"},
    };
    for (const auto& [credential, kind] : cases) {
        makeRoad(credential);
        std::int32_t status = 0;
        ASSERT_TRUE(authenticate(*road, status)) << credential;
        EXPECT_EQ(status, 200);
        const json request = standIn.nextRequestOf("auth");
        EXPECT_EQ(request["form"], json({{kind, credential}, {"software", "VELT_P3D_16.8.4"}})) << credential;
        EXPECT_EQ(request["fields"], json({kind, "software"}));
    }
    EXPECT_FALSE(logMentions("AB&C"));
    EXPECT_FALSE(logMentions("rt_tok"));
}

TEST_F(RTAPILoginTest, SuccessfulLoginSetsFlagsSessionAndSourceText) {
    test_support::PinnedClock pinned(1'700'000'000);
    struct Case {
        json reply;
        std::string source;
        bool professional;
        std::string serverLine;
    };
    const std::int64_t now = 1'700'000'000;
    const std::int64_t day = 86400;
    const auto reply = [&](json changes) {
        json r = quickLogin();
        r.update(changes);
        return r;
    };
    const std::vector<Case> cases = {
        {reply({{"expiry", now + 2 * day}}), "Source RT Direct standard license, 2 days left", false,
         "Authenticated at RT server 'standin'"},
        {reply({{"expiry", now + day + 10}, {"type", 2}}), "Source RT Direct professional license, 1 day left", true,
         "Authenticated at RT server 'standin'"},
        {reply({{"expiry", now + day - 1}}), "Source RT Direct standard license, 0 days left", false,
         "Authenticated at RT server 'standin'"},
        {reply({{"expiry", now - 3 * day}}), "Source RT Direct standard license, -3 day left", false,
         "Authenticated at RT server 'standin'"},
        {reply({{"expiry", std::numeric_limits<std::int64_t>::max()}}),
         "Source RT Direct standard license, 2147483647 days left", false, "Authenticated at RT server 'standin'"},
        {reply({{"expiry", std::numeric_limits<std::int64_t>::min()}}),
         "Source RT Direct standard license, -2147483648 day left", false, "Authenticated at RT server 'standin'"},
        {json{{"status", 200}, {"wrrl", 250}, {"expiry", now + 5 * day}}, "Source RT Direct standard license, 5 days left",
         false, "Authenticated at RT server '?'"},
    };
    for (const Case& c : cases) {
        standIn.set("auth", c.reply);
        makeRoad();
        shell.clear();
        std::int32_t status = 0;
        ASSERT_TRUE(authenticate(*road, status)) << c.reply.dump();
        EXPECT_TRUE(road->connection.hasSession());
        EXPECT_EQ(shell.calls(), std::vector<std::string>{c.source}) << c.reply.dump();
        EXPECT_EQ(flags.isProfessionalEdition.load(), c.professional);
        EXPECT_TRUE(flags.isRTAppConnected.load());
        EXPECT_EQ(road->weather.wrrlMs.load(), 250);
        EXPECT_TRUE(logged(c.serverLine)) << c.serverLine;
    }
}

TEST_F(RTAPILoginTest, RefusedLoginsGiveTheirStatusAndMessage) {
    struct Case {
        json fault;
        std::int32_t status;
        std::string logLine; // empty: none
    };
    const std::vector<Case> cases = {
        {{{"reply", {{"status", 200}, {"server", "s"}}}}, 100, "==> Authentication succeeded without a GUID"},
        {{{"reply", {{"status", 200}, {"GUID", ""}}}}, 100, "==> Authentication succeeded without a GUID"},
        {{{"reply", {{"status", 404}, {"message", "License not found"}}}}, 404, "==> License not found"},
        {{{"http", 402}, {"reply", {{"status", 402}}}}, 402, ""},
        {{{"reply", {{"status", "200"}, {"GUID", "G"}}}}, 100, ""},
        {{{"http", 502}, {"raw", ""}}, 100, "==> Authentication: empty response"},
        {{{"raw", "<html>x</html>"}}, 100, "==> Authentication: invalid JSON: <html>x</html>"},
    };
    for (const Case& c : cases) {
        makeRoad("SECRET-KEY-9");
        standIn.once("auth", c.fault);
        const auto before = log.lines().size();
        std::int32_t status = 0;
        EXPECT_FALSE(authenticate(*road, status)) << c.fault.dump();
        EXPECT_EQ(status, c.status) << c.fault.dump();
        EXPECT_FALSE(road->connection.hasSession());
        EXPECT_FALSE(flags.isRTAppConnected.load());
        const auto lines = log.lines();
        if (c.logLine.empty()) {
            EXPECT_EQ(lines.size(), before) << c.fault.dump();
        } else {
            ASSERT_EQ(lines.size(), before + 1) << c.fault.dump();
            EXPECT_EQ(lines.back(), c.logLine);
        }
    }
    EXPECT_FALSE(logMentions("SECRET-KEY-9"));
}

TEST_F(RTAPILoginTest, TheLoginWaitsTheServedWrrlAndAStopEndsTheWait) {
    json slow = quickLogin();
    slow["wrrl"] = 5000;
    standIn.set("auth", slow);
    makeRoad();
    std::int32_t status = 0;
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(authenticate(*road, status));
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 5000ms);
    EXPECT_LT(took, 8000ms);

    slow["wrrl"] = 600000; // clamped to 60 s, and ended by the program's stop
    standIn.set("auth", slow);
    std::thread stopper([] {
        std::this_thread::sleep_for(1000ms);
        gf_installStopRequest(ExitReason::user_closed_sim, 0);
    });
    start = std::chrono::steady_clock::now();
    EXPECT_TRUE(authenticate(*road, status));
    took = std::chrono::steady_clock::now() - start;
    stopper.join();
    EXPECT_GE(took, 900ms);
    EXPECT_LT(took, 4000ms);
}

TEST_F(RTAPILoginTest, ASlowLoginEndsWhenTheProgramStops) {
    standIn.once("auth", {{"delay", 20}, {"reply", {{"status", 200}, {"GUID", "G"}}}});
    makeRoad();
    std::thread stopper([] {
        std::this_thread::sleep_for(500ms);
        gf_installStopRequest(ExitReason::user_closed_sim, 0);
    });
    const auto start = std::chrono::steady_clock::now();
    std::int32_t status = 0;
    EXPECT_FALSE(authenticate(*road, status));
    stopper.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_EQ(status, 100);
    EXPECT_TRUE(logMentions("==> Authentication failed: curl_easy_perform: ")) << "the aborted transfer is logged";
}

TEST_F(RTAPILoginTest, TheAuthenticationStepTurnsStatusesIntoUserErrors) {
    struct Case {
        std::int32_t status;
        std::string text;
    };
    const std::vector<Case> cases = {
        {402, "Your RT license is expired"},
        {404, "RT did not recognize your license"},
        {405, "More than one RealTraffic session is not possible, do not run the RealTraffic app"},
    };
    for (const Case& c : cases) {
        gf_resetRunStateForTests();
        makeRoad();
        shell.clear();
        standIn.once("auth", {{"reply", {{"status", c.status}}}});
        // The text stays up to 10 s while the program runs; the user closing ends it.
        std::thread closer([&] {
            test_support::waitUntil([&] { return shellCalled("Message+log " + c.text); });
            gf_setClosing();
        });
        try {
            gf_authenticater(*road);
            ADD_FAILURE() << c.status << " did not throw";
        } catch (const UserRelatedException& error) {
            EXPECT_EQ(error.code(), c.status);
            EXPECT_EQ(std::string(error.what()), std::to_string(c.status) + ": " + c.text);
        }
        closer.join();
    }
    gf_resetRunStateForTests();
    standIn.once("auth", {{"reply", {{"status", 500}}}});
    EXPECT_THROW(
        {
            try {
                gf_authenticater(*road);
            } catch (const std::runtime_error& error) {
                EXPECT_STREQ(error.what(), "No RT database connection");
                throw;
            }
        },
        std::runtime_error);

    shell.clear();
    standIn.once("auth", {{"reply", {{"status", 429}}}});
    gf_authenticater(*road);
    EXPECT_FALSE(road->connection.hasSession());
    EXPECT_TRUE(shellCalled("StoppedRTAPI Authenticater restart=0 code=0"));

    shell.clear();
    gf_authenticater(*road);
    EXPECT_TRUE(road->connection.hasSession());
    EXPECT_EQ(shell.calls().back(), "ClearMessage");
}

TEST_F(RTAPILoginTest, LogoutEndsTheSessionWhateverTheReply) {
    makeRoad();
    deauthenticate(*road);
    EXPECT_TRUE(logged("==> Deauthentication skipped: empty GUID"));

    std::int32_t status = 0;
    ASSERT_TRUE(authenticate(*road, status));
    const std::string guid = standIn.nextRequestOf("auth").dump(); // the login
    deauthenticate(*road);
    const json logout = standIn.nextRequestOf("deauth");
    EXPECT_TRUE(logout["guid_ok"].get<bool>());
    EXPECT_TRUE(logged("Logged out RT server 'standin'"));
    EXPECT_FALSE(road->connection.hasSession());
    EXPECT_FALSE(flags.isRTAppConnected.load());

    ASSERT_TRUE(authenticate(*road, status));
    standIn.once("deauth", {{"http", 502}, {"raw", ""}});
    deauthenticate(*road);
    EXPECT_TRUE(logged("==> Deauthentication failed, status 100: Deauthentication: empty response"));
    EXPECT_FALSE(road->connection.hasSession());

    ASSERT_TRUE(authenticate(*road, status));
    standIn.once("deauth", {{"reply", {{"status", 401}}}});
    deauthenticate(*road);
    EXPECT_TRUE(logged("==> Deauthentication failed, status 401: Deauthentication failed"));
    EXPECT_FALSE(road->connection.hasSession());
}

TEST_F(RTAPILoginTest, TheQueryBoxFollowsTheAircraftBeyondItsHysteresis) {
    makeRoad();
    const auto box = [&] {
        const std::lock_guard lock(road->traffic.queryMutex);
        return road->traffic.box;
    };
    const QueryBox initial = box();
    setUser(0.0, 0.00005); // no position yet
    gf_updateRTAPIQueryBox(*road);
    EXPECT_DOUBLE_EQ(box().top, initial.top);

    setUser(52.3, 4.76);
    gf_updateRTAPIQueryBox(*road);
    const QueryBox first = box();
    EXPECT_NEAR(first.top, 52.3 + 40 * 1.852 / 111.2, 1e-9);
    EXPECT_NEAR(first.bottom, 52.3 - 40 * 1.852 / 111.2, 1e-9);
    EXPECT_NEAR(first.left, 4.76 - 40.0 / 60.0 / std::cos(52.3 * 0.017453292519943295), 0.01);
    EXPECT_NEAR(first.right, 4.76 + 40.0 / 60.0 / std::cos(52.3 * 0.017453292519943295), 0.01);

    setUser(52.3 + 0.00014, 4.76 - 0.00014);
    gf_updateRTAPIQueryBox(*road);
    EXPECT_DOUBLE_EQ(box().top, first.top) << "within the hysteresis the box stays";
    {
        const std::lock_guard lock(road->traffic.queryMutex);
        EXPECT_DOUBLE_EQ(road->traffic.range.centreLatitude, 52.3 + 0.00014) << "the centre moves always";
    }
    setUser(52.3 + 0.00016, 4.76);
    gf_updateRTAPIQueryBox(*road);
    EXPECT_NEAR(box().top, first.top + 0.00016, 1e-9);
}

TEST(RTAPIWait, WaitsItsTimeUnlessStopped) {
    RTAPIConnection connection({"https://127.0.0.1:9", ""});
    RTAPITrafficClient state(connection);
    auto start = std::chrono::steady_clock::now();
    lf_waitMs(state, 3);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 3ms);

    start = std::chrono::steady_clock::now();
    std::thread waker([&] {
        std::this_thread::sleep_for(100ms);
        state.waitCondition.notify_all(); // a wake-up without the stop flag waits on
    });
    lf_waitMs(state, 401);
    waker.join();
    EXPECT_GE(std::chrono::steady_clock::now() - start, 401ms);

    start = std::chrono::steady_clock::now();
    std::thread stopper([&] {
        std::this_thread::sleep_for(100ms);
        state.requestStop();
    });
    lf_waitMs(state, 60000);
    stopper.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);

    start = std::chrono::steady_clock::now();
    lf_waitMs(state, std::numeric_limits<std::int64_t>::max());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
}

} // namespace
} // namespace kiv

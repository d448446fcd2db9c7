#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "test_peer.h"

namespace kiv::simconnect {
namespace {

using namespace std::chrono_literals;
using testing::TestEnvironment;
using Kind = ConnectAttempt::Kind;

// A port on which nothing listens: bound once, then given back.
std::string unusedPort(platform::IpFamily family) {
    platform::SocketError error;
    auto listener = platform::StreamListener::listenTcp(family, "", 0, error);
    return listener ? std::to_string(listener->port()) : "1";
}

struct Step {
    Kind kind;
    std::string target;
    bool succeeded;
};

std::vector<Step> stepsOf(const std::vector<ConnectAttempt>& attempts) {
    std::vector<Step> steps;
    for (const auto& attempt : attempts) {
        steps.push_back({attempt.kind, attempt.target, attempt.succeeded});
    }
    return steps;
}

void expectSteps(const std::vector<ConnectAttempt>& attempts, const std::vector<Step>& expected, const char* name) {
    const auto steps = stepsOf(attempts);
    ASSERT_EQ(steps.size(), expected.size()) << name;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(steps[i].kind, expected[i].kind) << name << " step " << i;
        EXPECT_EQ(steps[i].succeeded, expected[i].succeeded) << name << " step " << i;
        EXPECT_TRUE(steps[i].target.starts_with(expected[i].target))
            << name << " step " << i << ": " << steps[i].target << " vs " << expected[i].target;
    }
}

const std::string kDefaultPipe = "\\\\.\\pipe\\Lockheed Martin Prepar3D v5\\SimConnect";

TEST(ConnectChain, WithNothingListeningTriesPipeIpv6Ipv4AndPipeAgain) {
    TestEnvironment env;
    const std::string port6 = unusedPort(platform::IpFamily::ipv6);
    const std::string port4 = unusedPort(platform::IpFamily::ipv4);
    env.writeRegistryPorts(port6, port4);
    const auto outcome = connectToSimulator(0, env.environment());
    EXPECT_EQ(outcome.result, kConnectFailed);
    expectSteps(env.attempts,
                {{Kind::pipe, kDefaultPipe, false},
                 {Kind::ipv6, "[::1]:" + port6, false},
                 {Kind::ipv4, "127.0.0.1:" + port4, false},
                 {Kind::pipe, kDefaultPipe, false}},
                "registry holds both ports");
}

TEST(ConnectChain, ChainVariantsWithNothingListening) {
    struct Case {
        const char* name;
        std::string config;
        bool registry;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"no registry ports: IPv6 is skipped, IPv4 has no port",
         "",
         false,
         {{Kind::pipe, kDefaultPipe, false}, {Kind::ipv4, "127.0.0.1:", false}, {Kind::pipe, kDefaultPipe, false}}},
        {"a named pipe from Port",
         "[SimConnect]\nPort=Other Pipe\n",
         false,
         {{Kind::pipe, "\\\\.\\pipe\\Other Pipe", false},
          {Kind::ipv4, "127.0.0.1:", false},
          {Kind::pipe, kDefaultPipe, false}}},
        {"a remote pipe server ends the chain",
         "[SimConnect]\nAddress=simhost\n",
         false,
         {{Kind::pipe, "\\\\simhost\\pipe\\", false}}},
        {"unknown protocol tries nothing", "[SimConnect]\nProtocol=Token ring\n", false, {}},
    };
    for (const auto& c : cases) {
        TestEnvironment env;
        if (!c.config.empty()) {
            env.writeConfig(c.config);
        }
        EXPECT_EQ(connectToSimulator(0, env.environment()).result, kConnectFailed) << c.name;
        expectSteps(env.attempts, c.steps, c.name);
    }
}

TEST(ConnectChain, ConnectsWhereTheSimulatorListens) {
    struct Case {
        const char* name;
        std::optional<platform::IpFamily> tcp; // none: the pipe
        std::string config;
        Kind expectedKind;
        std::size_t expectedStep;
    };
    const Case cases[] = {
        {"pipe first", std::nullopt, "", Kind::pipe, 0},
        {"IPv6 after the pipe", platform::IpFamily::ipv6, "", Kind::ipv6, 1},
        {"IPv4 after the pipe (no IPv6 port)", platform::IpFamily::ipv4, "", Kind::ipv4, 1},
        {"IPv4 directly", platform::IpFamily::ipv4, "[SimConnect]\nProtocol=IPv4\n", Kind::ipv4, 0},
        {"IPv6 directly", platform::IpFamily::ipv6, "[SimConnect]\nProtocol=IPv6\n", Kind::ipv6, 0},
    };
    for (const auto& c : cases) {
        TestEnvironment env;
        platform::SocketError error;
        std::optional<platform::StreamListener> listener;
        if (c.tcp) {
            listener = platform::StreamListener::listenTcp(*c.tcp, "", 0, error);
            ASSERT_TRUE(listener) << error.text;
            const std::string port = std::to_string(listener->port());
            env.writeRegistryPorts(*c.tcp == platform::IpFamily::ipv6 ? port : "",
                                   *c.tcp == platform::IpFamily::ipv4 ? port : unusedPort(platform::IpFamily::ipv4));
        } else {
            listener = platform::StreamListener::listenLocal(env.defaultPipePath(), error);
            ASSERT_TRUE(listener) << error.text;
        }
        if (!c.config.empty()) {
            env.writeConfig(c.config);
        }
        const auto outcome = connectToSimulator(0, env.environment());
        ASSERT_EQ(outcome.result, kConnectOk) << c.name;
        ASSERT_EQ(env.attempts.size(), c.expectedStep + 1) << c.name;
        EXPECT_EQ(env.attempts.back().kind, c.expectedKind) << c.name;
        EXPECT_TRUE(env.attempts.back().succeeded) << c.name;
        EXPECT_EQ(outcome.connection->kind(),
                  c.expectedKind == Kind::pipe ? TransportKind::pipe : TransportKind::socket)
            << c.name;
    }
}

} // namespace
} // namespace kiv::simconnect

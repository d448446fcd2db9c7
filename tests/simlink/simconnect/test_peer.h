// A simulator side written into the test: listens where the client looks for the pipe (or
// on loopback TCP), accepts the client's connection and reads and writes raw bytes.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "foundation/byte_reader.h"
#include "platform/named_pipe_path.h"
#include "platform/stream_socket.h"
#include "simlink/simconnect/simconnect_api.h"
#include "test_support/file_contents.h"
#include "test_support/temp_folder.h"

namespace kiv::simconnect::testing {

using Bytes = std::vector<std::uint8_t>;

// A clock the test moves by hand.
struct FakeClock {
    std::shared_ptr<std::atomic<std::int64_t>> nowNs = std::make_shared<std::atomic<std::int64_t>>(1'000'000'000);
    SteadyClock clock() const {
        return [now = nowNs] { return std::chrono::steady_clock::time_point(std::chrono::nanoseconds(now->load())); };
    }
    void advance(std::chrono::nanoseconds by) const { nowNs->fetch_add(by.count()); }
};

// Temp folders for the config files, the registry file and the pipe sockets.
struct TestEnvironment {
    test_support::TempFolder temp;
    FakeClock clock;
    std::vector<ConnectAttempt> attempts;

    ConnectEnvironment environment() {
        ConnectEnvironment environment;
        environment.configFolders = {temp.path() / "public", temp.path() / "documents", temp.path() / "current"};
        environment.registry = platform::RegistryStore(temp.path() / "registry.ini");
        environment.pipeFolder = temp.path();
        environment.clock = clock.clock();
        environment.onAttempt = [this](const ConnectAttempt& attempt) { attempts.push_back(attempt); };
        return environment;
    }
    std::filesystem::path defaultPipePath() const {
        return *platform::localPipePath("\\\\.\\pipe\\Lockheed Martin Prepar3D v5\\SimConnect", temp.path());
    }
    void writeRegistryPorts(const std::string& ipv6, const std::string& ipv4) const {
        std::string text = "[HKEY_CURRENT_USER\\SOFTWARE\\Lockheed Martin\\Prepar3D v5]\n";
        if (!ipv6.empty()) {
            text += "SimConnect_Port_IPv6=" + ipv6 + "\n";
        }
        if (!ipv4.empty()) {
            text += "SimConnect_Port_IPv4=" + ipv4 + "\n";
        }
        test_support::writeFile(temp.path() / "registry.ini", text);
    }
    void writeConfig(const std::string& text) const {
        test_support::writeFile(temp.path() / "current" / "SimConnect.cfg", text);
    }
};

inline Bytes readPacket(platform::StreamSocket& socket) {
    Bytes size(4);
    if (!socket.receiveExact(size, std::chrono::seconds(5))) {
        ADD_FAILURE() << "no packet arrived";
        return {};
    }
    const std::uint32_t length = ByteReader(size, "peer").u32();
    Bytes packet(length);
    std::copy(size.begin(), size.end(), packet.begin());
    if (length < 4 || !socket.receiveExact(std::span(packet).subspan(4), std::chrono::seconds(5))) {
        ADD_FAILURE() << "packet cut short";
        return {};
    }
    return packet;
}

// A received message as a simulator would send it: size, version 4, id, then the fields.
inline Bytes recvMessage(std::uint32_t id, const Bytes& payload) {
    const auto size = static_cast<std::uint32_t>(12 + payload.size());
    // Sized once up front: growing a 12-byte vector by insert trips a false -Warray-bounds in g++ 12.
    Bytes bytes(size);
    for (int i = 0; i < 4; ++i) {
        bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(size >> (8 * i));
        bytes[static_cast<std::size_t>(4 + i)] = static_cast<std::uint8_t>(4u >> (8 * i));
        bytes[static_cast<std::size_t>(8 + i)] = static_cast<std::uint8_t>(id >> (8 * i));
    }
    std::copy(payload.begin(), payload.end(), bytes.begin() + 12);
    return bytes;
}

inline Bytes openReply() { return recvMessage(2, Bytes(296, 0)); }

// A session opened over the pipe with the simulator side in the test's hand.
struct PipeSession {
    TestEnvironment env;
    std::optional<platform::StreamListener> listener;
    platform::StreamSocket peer;
    HSimConnect handle = nullptr;
    Bytes openPacket;

    explicit PipeSession(const char* name = "VELT_P3D") {
        platform::SocketError error;
        listener = platform::StreamListener::listenLocal(env.defaultPipePath(), error);
        EXPECT_TRUE(listener) << error.text;
        EXPECT_EQ(SimConnect_Open(&handle, name, 0, 0, 0, 0, env.environment()), kS_OK);
        if (listener && handle != nullptr) {
            if (auto accepted = listener->accept(std::chrono::seconds(5), error)) {
                peer = std::move(*accepted);
                openPacket = readPacket(peer);
            }
        }
    }
    ~PipeSession() {
        if (handle != nullptr) {
            SimConnect_Close(handle);
        }
    }
};

} // namespace kiv::simconnect::testing

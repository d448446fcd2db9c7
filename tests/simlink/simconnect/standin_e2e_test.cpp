// End to end: the client against the separately written simulator stand-in
// (tools/simconnect-standin), started per test on free ports and a temp pipe path.
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "foundation/byte_reader.h"
#include "simlink/standin_driver.h"
#include "test_peer.h"

namespace kiv::simconnect {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;
using testing::Bytes;
using testing::TestEnvironment;

using StandIn = test_support::SimConnectStandIn;

struct Received {
    std::vector<Bytes> messages;
    std::uint32_t idOf(std::size_t i) const { return field(i, 8); }
    std::uint32_t field(std::size_t i, std::size_t offset) const {
        ByteReader reader(messages.at(i), "message");
        reader.seek(offset);
        return reader.u32();
    }
};

void collect(const std::uint8_t* message, std::uint32_t size, void* context) {
    static_cast<Received*>(context)->messages.emplace_back(message, message + size);
}

// Dispatches until a message with `id` arrives (its index), or the connection fails.
std::optional<std::size_t> waitFor(HSimConnect handle, Received& received, std::uint32_t id,
                                   Hresult* failure = nullptr) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    std::size_t checked = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        const Hresult result = SimConnect_CallDispatch(handle, collect, &received);
        for (; checked < received.messages.size(); ++checked) {
            if (received.idOf(checked) == id) {
                return checked++;
            }
        }
        if (result != kS_OK) {
            if (failure != nullptr) {
                *failure = result;
            }
            return std::nullopt;
        }
        std::this_thread::sleep_for(1ms);
    }
    return std::nullopt;
}

enum class Road { pipe, ipv4, ipv6 };

// Points the client at one of the stand-in's listeners and opens a session.
HSimConnect openOn(Road road, TestEnvironment& env, StandIn& standIn) {
    if (road == Road::ipv4) {
        env.writeConfig("[SimConnect]\nProtocol=IPv4\n");
        env.writeRegistryPorts("", std::to_string(standIn.tcp4Port()));
    } else if (road == Road::ipv6) {
        env.writeConfig("[SimConnect]\nProtocol=IPv6\n");
        env.writeRegistryPorts(std::to_string(standIn.tcp6Port()), "");
    }
    HSimConnect handle = nullptr;
    EXPECT_EQ(SimConnect_Open(&handle, "VELT_P3D", 0, 0, 0, 0, env.environment()), kS_OK);
    return handle;
}

TEST(StandInEndToEnd, ConnectsOverEveryTransport) {
    struct Case {
        const char* name;
        Road road;
        std::string transport;
        std::string simVersion;
    };
    const Case cases[] = {
        {"pipe", Road::pipe, "pipe", "5"}, {"IPv4", Road::ipv4, "tcp4", "6"}, {"IPv6", Road::ipv6, "tcp6", "5"}};
    for (const auto& c : cases) {
        TestEnvironment env;
        StandIn standIn({"--sim-version", c.simVersion}, env.defaultPipePath());
        HSimConnect handle = openOn(c.road, env, standIn);
        ASSERT_NE(handle, nullptr) << c.name;
        const json open = standIn.nextPacket("Open");
        EXPECT_EQ(open.value("transport", ""), c.transport) << c.name;
        EXPECT_EQ(open.value("name", ""), "VELT_P3D") << c.name;
        EXPECT_EQ(open.value("send_id", 0), 1) << c.name;
        Received received;
        const auto reply = waitFor(handle, received, 2);
        ASSERT_TRUE(reply) << c.name;
        ByteReader reader(received.messages[*reply], "OPEN");
        reader.seek(12);
        EXPECT_EQ(reader.fixedString(256), "Lockheed Martin Prepar3D v" + c.simVersion) << c.name;
        EXPECT_EQ(SimConnect_Close(handle), kS_OK);
    }
}

// As started in the background from a shell or a script: nothing to read on standard input.
TEST(StandInEndToEnd, RunsOnWithoutStandardInput) {
    TestEnvironment env;
    StandIn standIn({}, env.defaultPipePath(), false);
    standIn.closeInput();
    HSimConnect handle = openOn(Road::pipe, env, standIn);
    ASSERT_NE(handle, nullptr);
    Received received;
    EXPECT_TRUE(waitFor(handle, received, 2)) << "the OPEN reply";
    EXPECT_EQ(SimConnect_Close(handle), kS_OK);
}

TEST(StandInEndToEnd, EveryCallIsRecordedWithItsFieldsAndAnswered) {
    TestEnvironment env;
    StandIn standIn({}, env.defaultPipePath());
    HSimConnect h = openOn(Road::pipe, env, standIn);
    ASSERT_NE(h, nullptr);
    Received received;
    ASSERT_TRUE(waitFor(h, received, 2));

    ASSERT_EQ(SimConnect_SubscribeToSystemEvent(h, 201, "Sim"), kS_OK);
    ASSERT_EQ(SimConnect_SubscribeToSystemEvent(h, 203, "ObjectRemoved"), kS_OK);
    ASSERT_EQ(SimConnect_SubscribeToSystemEvent(h, 204, "Frame"), kS_OK);
    ASSERT_EQ(SimConnect_AddToDataDefinition(h, 402, "Plane Latitude", "degree", 4, 0.0f, kUnused), kS_OK);
    ASSERT_EQ(SimConnect_AddToDataDefinition(h, 402, "Plane Longitude", "degree", 4, 0.0f, kUnused), kS_OK);
    ASSERT_EQ(SimConnect_AddToDataDefinition(h, 410, "SIM ON GROUND", "Bool", 2, 0.0f, kUnused), kS_OK);
    ASSERT_EQ(SimConnect_MapClientEventToSimEvent(h, 215, "FREEZE_LATITUDE_LONGITUDE_SET"), kS_OK);
    ASSERT_EQ(SimConnect_AddClientEventToNotificationGroup(h, 301, 215, 1), kS_OK);
    ASSERT_EQ(SimConnect_SetNotificationGroupPriority(h, 301, 1), kS_OK);
    ASSERT_EQ(SimConnect_RequestDataOnSimObject(h, 108, 410, 0, 1, 0, 0, 0, 0), kS_OK);
    const InitPosition init{47.46, 8.55, 1416.0, 0.0, 0.0, 90.0, 1, 0};
    ASSERT_EQ(SimConnect_AICreateNonATCAircraft(h, "Airbus A320 Swiss", "HB-JLT", init, 1001), kS_OK);

    struct Expect {
        const char* packet;
        json fields;
    };
    const Expect expected[] = {
        {"SubscribeToSystemEvent", {{"event_id", 201}, {"event_name", "Sim"}, {"send_id", 2}}},
        {"SubscribeToSystemEvent", {{"event_id", 203}, {"event_name", "ObjectRemoved"}}},
        {"SubscribeToSystemEvent", {{"event_id", 204}, {"event_name", "Frame"}}},
        {"AddToDataDefinition",
         {{"define_id", 402},
          {"datum_name", "Plane Latitude"},
          {"units", "degree"},
          {"datum_type", 4},
          {"datum_id", kUnused}}},
        {"AddToDataDefinition", {{"define_id", 402}, {"datum_name", "Plane Longitude"}}},
        {"AddToDataDefinition",
         {{"define_id", 410}, {"datum_name", "SIM ON GROUND"}, {"units", "Bool"}, {"datum_type", 2}}},
        {"MapClientEventToSimEvent", {{"event_id", 215}, {"event_name", "FREEZE_LATITUDE_LONGITUDE_SET"}}},
        {"AddClientEventToNotificationGroup", {{"group_id", 301}, {"event_id", 215}, {"maskable", 1}}},
        {"SetNotificationGroupPriority", {{"group_id", 301}, {"priority", 1}}},
        {"RequestDataOnSimObject", {{"request_id", 108}, {"define_id", 410}, {"object_id", 0}, {"period", 1}}},
        {"AICreateNonATCAircraft",
         {{"title", "Airbus A320 Swiss"},
          {"tail_number", "HB-JLT"},
          {"latitude", 47.46},
          {"longitude", 8.55},
          {"altitude", 1416.0},
          {"heading", 90.0},
          {"on_ground", 1},
          {"request_id", 1001},
          {"send_id", 12}}},
    };
    for (const auto& e : expected) {
        const json record = standIn.nextPacket(e.packet);
        for (const auto& [key, value] : e.fields.items()) {
            EXPECT_EQ(record.value(key, json()), value) << e.packet << "." << key;
        }
    }

    // The replies: the "Sim" event, the on-ground data, the new object's id, frames.
    const auto assigned = waitFor(h, received, 12);
    ASSERT_TRUE(assigned);
    EXPECT_EQ(received.field(*assigned, 12), 1001u) << "request id";
    const std::uint32_t objectId = received.field(*assigned, 16);
    ASSERT_TRUE(waitFor(h, received, 7)) << "frames";

    ASSERT_EQ(SimConnect_AIReleaseControl(h, objectId, 104), kS_OK);
    ASSERT_EQ(SimConnect_TransmitClientEvent(h, objectId, 215, 1, 301, 0), kS_OK);
    const double pose[2] = {47.47, 8.56};
    ASSERT_EQ(SimConnect_SetDataOnSimObject(h, 402, objectId, 0, 0, sizeof pose, pose), kS_OK);
    ASSERT_EQ(SimConnect_RequestDataOnSimObjectType(h, 101, 402, 20000, 2), kS_OK);
    ASSERT_EQ(SimConnect_AISetAircraftFlightPlan(h, objectId, "orig_dest/HBJLT", 110), kS_OK);
    ASSERT_EQ(SimConnect_AIRemoveObject(h, objectId, 105), kS_OK);
    const Expect more[] = {
        {"AIReleaseControl", {{"object_id", objectId}, {"request_id", 104}}},
        {"TransmitClientEvent",
         {{"object_id", objectId}, {"event_id", 215}, {"data", 1}, {"group_id", 301}, {"flags", 0}}},
        {"SetDataOnSimObject",
         {{"define_id", 402}, {"object_id", objectId}, {"count", 1}, {"unit_size", 16}, {"values", {47.47, 8.56}}}},
        {"RequestDataOnSimObjectType",
         {{"request_id", 101}, {"define_id", 402}, {"radius_m", 20000}, {"object_type", 2}}},
        {"AISetAircraftFlightPlan", {{"object_id", objectId}, {"path", "orig_dest/HBJLT"}, {"request_id", 110}}},
        {"AIRemoveObject", {{"object_id", objectId}, {"request_id", 105}}},
    };
    for (const auto& e : more) {
        const json record = standIn.nextPacket(e.packet);
        for (const auto& [key, value] : e.fields.items()) {
            EXPECT_EQ(record.value(key, json()), value) << e.packet << "." << key;
        }
    }
    const auto byType = waitFor(h, received, 9);
    ASSERT_TRUE(byType);
    EXPECT_EQ(received.field(*byType, 16), objectId);
    const auto removed = waitFor(h, received, 5);
    ASSERT_TRUE(removed);
    EXPECT_EQ(received.field(*removed, 16), 203u) << "ObjectRemoved event id";
    EXPECT_EQ(received.field(*removed, 20), objectId);
    EXPECT_EQ(received.field(*removed, 28), 2u) << "aircraft";
    EXPECT_EQ(SimConnect_Close(h), kS_OK);
}

TEST(StandInEndToEnd, HandshakeTimesOutWhenOpenIsNeverAnswered) {
    TestEnvironment env;
    StandIn standIn({"--no-open-reply"}, env.defaultPipePath());
    HSimConnect h = openOn(Road::ipv4, env, standIn);
    ASSERT_NE(h, nullptr);
    standIn.nextPacket("Open");
    ASSERT_EQ(SimConnect_SubscribeToSystemEvent(h, 201, "Sim"), kS_OK);
    env.clock.advance(kHandshakeTimeout);
    EXPECT_EQ(SimConnect_SubscribeToSystemEvent(h, 204, "Frame"), kStatusHandshakeTimeout);
    Received received;
    EXPECT_EQ(SimConnect_CallDispatch(h, collect, &received), kStatusHandshakeTimeout);
    // The stand-in sees the client go.
    standIn.next([](const json& line) { return line.contains("disconnected"); });
    EXPECT_EQ(SimConnect_Close(h), kS_OK);
}

TEST(StandInEndToEnd, ReconnectsAfterTheSimulatorDropsTheSocket) {
    TestEnvironment env;
    StandIn standIn({}, env.defaultPipePath());
    for (const Road road : {Road::ipv4, Road::pipe}) {
        HSimConnect h = openOn(road, env, standIn);
        ASSERT_NE(h, nullptr);
        Received received;
        ASSERT_TRUE(waitFor(h, received, 2));
        standIn.command("drop");
        Hresult failure = kS_OK;
        EXPECT_FALSE(waitFor(h, received, 0xFFFF, &failure));
        EXPECT_EQ(failure, kE_FAIL) << "a dropped socket must not read as success";
        EXPECT_EQ(SimConnect_Close(h), kS_OK);

        h = openOn(road, env, standIn);
        ASSERT_NE(h, nullptr);
        Received again;
        EXPECT_TRUE(waitFor(h, again, 2)) << "the new session gets its OPEN reply";
        EXPECT_EQ(SimConnect_Close(h), kS_OK);
    }
}

TEST(StandInEndToEnd, InjectedFaults) {
    TestEnvironment env;
    StandIn standIn({}, env.defaultPipePath());
    HSimConnect h = openOn(Road::pipe, env, standIn);
    ASSERT_NE(h, nullptr);
    Received received;
    ASSERT_TRUE(waitFor(h, received, 2));
    ASSERT_EQ(SimConnect_SubscribeToSystemEvent(h, 201, "Sim"), kS_OK);
    ASSERT_TRUE(waitFor(h, received, 4));

    // A refused creation names the create packet's send id.
    standIn.command("refuse-next-create");
    ASSERT_EQ(SimConnect_AICreateNonATCAircraft(h, "Some Title", "N1", InitPosition{}, 1002), kS_OK);
    std::uint32_t createId = 0;
    SimConnect_GetLastSentPacketID(h, &createId);
    const auto exception = waitFor(h, received, 1);
    ASSERT_TRUE(exception);
    EXPECT_EQ(received.field(*exception, 12), 22u);
    EXPECT_EQ(received.field(*exception, 16), createId);

    // Padding before a message and a message of an unknown id both reach the dispatch.
    standIn.command("padding");
    EXPECT_TRUE(waitFor(h, received, 4)) << "the event after the padding";
    standIn.command("unknown");
    EXPECT_TRUE(waitFor(h, received, 99));
    standIn.command("quit");
    EXPECT_TRUE(waitFor(h, received, 3));

    // A size-2 message ends the connection with a framing error.
    standIn.command("size2");
    Hresult failure = kS_OK;
    EXPECT_FALSE(waitFor(h, received, 0xFFFF, &failure));
    EXPECT_EQ(failure, hresultFromWin32(13));
    EXPECT_EQ(h->connection->failure().code, 3u);
    EXPECT_EQ(SimConnect_Close(h), kS_OK);
}

} // namespace
} // namespace kiv::simconnect

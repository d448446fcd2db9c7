// End to end: the SimClient thread on the real client and transport against the separately
// written simulator stand-in, reached over its pipe (a Unix-domain socket).
#include <algorithm>
#include <chrono>
#include <cstring>
#include <set>
#include <thread>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "foundation/stop_request.h"
#include "link_end_to_end.h"

namespace kiv {
namespace {

using namespace std::chrono_literals;
using Json = nlohmann::json;
using test_support::LinkEndToEnd;

// One packet as the client must send it: the 16-byte header, then the fields.
class Packet : public test_support::ByteAppender<Packet> {
public:
    Packet(std::uint32_t id, std::uint32_t size, std::uint32_t sendId) : size_(size) {
        u32(size).u32(35).u32(0xF0000000u | id).u32(sendId);
    }
    std::string hex() const {
        EXPECT_EQ(bytes_.size(), size_);
        std::string result;
        for (const std::uint8_t byte : bytes_) {
            result += fmt::format("{:02x}", byte);
        }
        return result;
    }

private:
    std::size_t size_;
};

std::vector<std::string> expectedSetup() {
    std::vector<std::string> packets;
    std::uint32_t sendId = 1;
    Packet open(0x01, 296, sendId++);
    open.text("VELT_P3D", 256).u32(0).u32(0x50334400u).u32(5).u32(3).u32(0).u32(0);
    packets.push_back(open.hex());
    const std::pair<std::uint32_t, const char*> events[] = {{201, "Sim"},           {202, "ObjectAdded"},
                                                            {203, "ObjectRemoved"}, {205, "PositionChanged"},
                                                            {206, "FlightLoaded"},  {204, "Frame"}};
    for (const auto& [id, name] : events) {
        packets.push_back(Packet(0x17, 276, sendId++).u32(id).text(name, 256).hex());
    }
    struct Datum {
        std::uint32_t definition;
        const char* name;
        const char* units;
        std::uint32_t type;
    };
    const Datum data[] = {
        {408, "TITLE", nullptr, 11},
        {409, "ATC MODEL", nullptr, 6},
        {410, "SIM ON GROUND", "Bool", 2},
        {402, "Plane Latitude", "degree", 4},
        {402, "Plane Longitude", "degree", 4},
        {402, "Plane Pitch degrees", "radian", 4},
        {402, "Plane Bank degrees", "radian", 4},
        {402, "Plane Heading degrees true", "radian", 4},
        {402, "Plane Altitude", "feet", 4},
        {402, "Vertical Speed", "feet per minute", 4},
        {402, "Airspeed True", "knots", 4},
        {403, "Plane Latitude", "degree", 4},
        {403, "Plane Longitude", "degree", 4},
        {403, "Plane Pitch degrees", "radian", 4},
        {403, "Plane Bank degrees", "radian", 4},
        {403, "Vertical Speed", "feet per minute", 4},
        {403, "Plane Heading degrees true", "radian", 4},
        {403, "Plane Altitude", "feet", 4},
        {403, "Indicated Altitude", "feet", 4},
        {403, "Plane Alt Above Ground", "feet", 4},
        {403, "Ground Velocity", "knots", 4},
        {403, "ZULU TIME", "Seconds", 2},
        {403, "ZULU DAY OF YEAR", "Number", 2},
        {403, "ZULU YEAR", "Number", 2},
        {403, "LIGHT STATES", "Mask", 2},
        {403, "GPS Ground True Track", "degree", 4},
        {406, "Static CG to Ground", "feet", 4},
        {406, "Static Pitch", "radian", 4},
        {407, "Light On States", "Mask", 2},
        {405, "Plane Alt Above Ground", "feet", 4},
        {405, "Ground Altitude", "feet", 4},
        {405, "SIM ON GROUND", "Bool", 2},
        {404, "ATC ID", nullptr, 6},
        {401, "SPOILERS HANDLE POSITION", "percent", 4},
        {401, "GENERAL ENG THROTTLE LEVER POSITION:1", "percent", 4},
        {401, "GENERAL ENG THROTTLE LEVER POSITION:2", "percent", 4},
    };
    for (const Datum& d : data) {
        packets.push_back(Packet(0x0C, 544, sendId++)
                              .u32(d.definition)
                              .text(d.name, 256)
                              .text(d.units, 256)
                              .u32(d.type)
                              .f32(0.0f)
                              .u32(0xFFFFFFFFu)
                              .hex());
    }
    const std::pair<std::uint32_t, const char*> mapped[] = {
        {220, "GEAR_SET"},
        {221, "ENGINE_AUTO_START"},
        {222, "ENGINE_AUTO_SHUTDOWN"},
        {223, "THROTTLE_SET"},
        {218, "FLAPS_SET"},
        {219, "SPOILERS_SET"},
        {208, "NAV_LIGHTS_SET"},
        {207, "BEACON_LIGHTS_SET"},
        {211, "LANDING_LIGHTS_SET"},
        {209, "TAXI_LIGHTS_SET"},
        {210, "STROBES_SET"},
        {213, "LOGO_LIGHTS_SET"},
        {212, "CABIN_LIGHTS_SET"},
        {214, "ALL_LIGHTS_TOGGLE"},
        {215, "FREEZE_LATITUDE_LONGITUDE_SET"},
        {216, "FREEZE_ALTITUDE_SET"},
        {217, "FREEZE_ATTITUDE_SET"},
    };
    for (const auto& [id, name] : mapped) {
        packets.push_back(Packet(0x04, 276, sendId++).u32(id).text(name, 256).hex());
    }
    for (const std::uint32_t id :
         {208u, 207u, 211u, 209u, 210u, 213u, 212u, 214u, 218u, 219u, 220u, 222u, 223u, 215u, 216u, 217u}) {
        packets.push_back(Packet(0x07, 28, sendId++).u32(301).u32(id).u32(1).hex());
    }
    packets.push_back(Packet(0x09, 24, sendId++).u32(301).u32(1).hex());
    return packets;
}

TEST(SimClientEndToEnd, ConnectsRegistersEverythingInOrderAndRuns) {
    LinkEndToEnd e;
    e.neighbours.professional = true;
    e.start();
    const std::vector<std::string> expected = expectedSetup();
    ASSERT_EQ(expected.size(), 77u);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Json packet = e.standIn->next([](const Json& line) { return line.contains("packet"); });
        ASSERT_EQ(packet.value("hex", ""), expected[i]) << "packet " << i << ": " << packet.value("packet", "");
    }
    ASSERT_TRUE(e.waitForState(kSimulatorRunning));
    EXPECT_TRUE(e.shell.read([](auto& s) { return s.running == std::vector<bool>{true} && s.clearMessages == 1; }));
    EXPECT_TRUE(e.logged("Lockheed Martin Prepar3D v5 (5.4.9.28482) connected"));

    // The user aircraft: identity, position with the simulator's time, the second's report.
    e.link.queueDataRequest({kDataRequestUserTitleAndModel, 0});
    e.link.queueDataRequest({kDataRequestUserPosition, 0});
    e.link.queueDataRequest({kDataRequestUserOnGround, 0});
    ASSERT_TRUE(LinkEndToEnd::waitUntil([&] { return e.link.userReplyBits() == 3 && e.link.simulatorUtcSeconds(); }));
    EXPECT_EQ(e.link.userAircraftIdentity().model, "B738");
    EXPECT_EQ(e.link.gf_getUserAircraft().latitude, 47.458213);
    EXPECT_EQ(e.link.simulatorUtcSeconds(), std::optional<std::int64_t>(1749470400));
    EXPECT_TRUE(LinkEndToEnd::waitUntil([&] { return e.neighbours.secondReports >= 2; }, 5s))
        << "the on-ground report comes once a second";
    EXPECT_EQ(e.link.userOnGroundState(), 1);
}

TEST(SimClientEndToEnd, ACreationIsReleasedFrozenAndReportedByKind) {
    LinkEndToEnd e;
    e.start();
    ASSERT_TRUE(e.waitForState(kSimulatorRunning));
    for (const auto& [hexId, kind] :
         {std::pair{0x4B1815u, SimEventKind::liveAssigned}, std::pair{42u, SimEventKind::staticAssigned}}) {
        const std::uint32_t objectId = e.create(hexId, "SWR12");
        ASSERT_NE(objectId, 0u);
        EXPECT_EQ(e.events.back().kind, kind);
        const Json create = e.standIn->nextPacket("AICreateNonATCAircraft");
        EXPECT_EQ(create.value("title", ""), "Airbus A320 Swiss");
        EXPECT_EQ(create.value("tail_number", ""), "SWR12");
        EXPECT_EQ(create.value("latitude", 0.0), 47.46);
        EXPECT_EQ(create.value("heading", 0.0), 90.0);
        EXPECT_EQ(create.value("on_ground", 0), 1);
        const Json release = e.standIn->nextPacket("AIReleaseControl");
        EXPECT_EQ(release.value("object_id", 0u), objectId);
        EXPECT_EQ(release.value("request_id", 0), 104);
        for (const int freeze : {215, 216, 217}) {
            const Json event = e.standIn->nextPacket("TransmitClientEvent");
            EXPECT_EQ(event.value("object_id", 0u), objectId);
            EXPECT_EQ(event.value("event_id", 0), freeze);
            EXPECT_EQ(event.value("data", 0), 1);
            EXPECT_EQ(event.value("group_id", 0), 301);
        }
    }

    // A creation the simulator refuses comes back as kind 6 with its request id.
    e.standIn->command("refuse-next-create");
    CreateCommand refused;
    refused.title = "No Such Livery";
    refused.tailNumber = "DLH1";
    refused.hexId = 0x3C6586;
    e.link.gf_queueCreate(refused);
    const Json create = e.standIn->nextPacket("AICreateNonATCAircraft");
    const auto failed = e.waitForEvent([](const SimEvent& event) { return event.kind == SimEventKind::createFailed; });
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->key, 0x3C6586u);
    EXPECT_EQ(failed->data[0], create.value("request_id", 0.0));
}

TEST(SimClientEndToEnd, PosesAndReadbacksTravelBothWays) {
    LinkEndToEnd e;
    const std::uint32_t objectId = e.startWithOneAircraft();
    ASSERT_NE(objectId, 0u);

    // Two samples 10 ms apart: every frame from 30 ms after the second writes the second.
    const auto now =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    PoseSample a;
    a.timeNs = now;
    a.pose = {47.5, 8.6, 0.0, 0.0, 1.0, 2000.0, 0.0, 140.0};
    PoseSample b = a;
    b.timeNs = now + 10'000'000;
    b.pose.latitude = 47.501;
    e.link.withPublishedPoses([&](PublishedPoseMap& published) { published[objectId] = {a, b}; });
    const Json write = e.standIn->nextPacket("SetDataOnSimObject", [&](const Json& line) {
        return line.value("define_id", 0) == 402 && line.value("object_id", 0u) == objectId &&
               line["values"][0].get<double>() == 47.501;
    });
    ASSERT_FALSE(write.is_null());
    EXPECT_EQ(write.value("unit_size", 0), 64);
    for (const Json& earlier : e.standIn->packets("SetDataOnSimObject")) {
        const double latitude = earlier["values"][0].get<double>();
        EXPECT_TRUE(latitude >= 47.5 && latitude <= 47.501) << latitude;
    }

    // The stand-in keeps the written pose and answers the readbacks with it.
    const auto listing = e.standIn->command("objects");
    ASSERT_FALSE(listing.empty());
    const Json objects = listing.front().value("objects", Json::array());
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0].value("object_id", 0u), objectId);
    EXPECT_EQ(objects[0].value("latitude", 0.0), 47.501);
    EXPECT_EQ(objects[0].value("altitude", 0.0), 2000.0);
    e.link.gf_requestStaticCgAndPitch(objectId);
    e.link.gf_requestInitialPose(objectId);
    const auto cg = e.waitForEvent([](const SimEvent& event) { return event.kind == SimEventKind::staticCgAndPitch; });
    ASSERT_TRUE(cg);
    EXPECT_EQ(cg->objectId, objectId);
    EXPECT_EQ(cg->data[0], 9.5);
    EXPECT_EQ(cg->data[1], 0.02);
    const auto pose = e.waitForEvent([](const SimEvent& event) { return event.kind == SimEventKind::initialPose; });
    ASSERT_TRUE(pose);
    EXPECT_EQ(pose->pose().latitude, 47.501);
    EXPECT_EQ(pose->pose().altitudeFt, 2000.0);

    // Aircraft in range report their height above the ground.
    e.link.queueDataRequest({kDataRequestObjectsInRange, 0});
    const auto position = e.waitForEvent([](const SimEvent& event) { return event.kind == SimEventKind::aiPosition; });
    ASSERT_TRUE(position);
    EXPECT_EQ(position->objectId, objectId);
    EXPECT_EQ(position->key, 1u); // created on the ground
}

TEST(SimClientEndToEnd, CommandsReachTheSimulatorWithinTheirLimits) {
    LinkEndToEnd e;
    const std::uint32_t objectId = e.startWithOneAircraft();
    ASSERT_NE(objectId, 0u);
    e.link.queueDataRequest({kDataRequestUserPosition, 0});
    ASSERT_TRUE(LinkEndToEnd::waitUntil([&] { return e.link.gf_getUserAircraft().latitude != 0.0; }));

    e.link.queueClientEvent({objectId, kEventFlapsSet, 10240});
    e.link.queueAtcId({objectId, std::string(31, 'A')});
    e.link.queueAtcId({objectId, std::string(32, 'B')});
    e.link.gf_queueRemoveObject(1); // the user aircraft's id at the stand-in
    e.link.gf_queueRemoveObject(objectId);

    e.standIn->next([](const Json& line) {
        return line.value("packet", "") == "SetDataOnSimObject" && line.value("define_id", 0) == 404;
    });
    const auto& seen = e.standIn->seen();
    const auto flaps = std::find_if(seen.begin(), seen.end(), [](const Json& line) {
        return line.value("packet", "") == "TransmitClientEvent" && line.value("event_id", 0) == 218;
    });
    ASSERT_NE(flaps, seen.end());
    for (const auto& around : {*(flaps - 1), *(flaps + 1)}) {
        EXPECT_EQ(around.value("packet", ""), "AIReleaseControl") << "one release before and one after the flaps";
        EXPECT_EQ(around.value("object_id", 0u), objectId);
    }
    const auto removed = e.waitForEvent([](const SimEvent& event) { return event.kind == SimEventKind::removed; });
    ASSERT_TRUE(removed);
    EXPECT_EQ(removed->objectId, objectId);

    const auto atcWrites = [&] {
        std::vector<Json> writes;
        for (const Json& w : e.standIn->packets("SetDataOnSimObject")) {
            if (w.value("define_id", 0) == 404) {
                writes.push_back(w);
            }
        }
        return writes;
    }();
    ASSERT_EQ(atcWrites.size(), 1u);
    EXPECT_EQ(atcWrites[0].value("unit_size", 0), 32);
    EXPECT_TRUE(e.logged(fmt::format("Cannot set ATC ID, objectid: {}, length: 32", objectId)));
    e.standIn->nextPacket("AIRemoveObject", [&](const Json& line) { return line.value("object_id", 0u) == objectId; });
    EXPECT_EQ(e.standIn->packets("AIRemoveObject").size(), 1u) << "the user aircraft's removal went nowhere";
    EXPECT_TRUE(e.logged("SimConnect call to remove ac with objectid 1"));
}

TEST(SimClientEndToEnd, AFailedRequestStopsThePumpAndTheSession) {
    LinkEndToEnd e;
    const std::uint32_t objectId = e.startWithOneAircraft();
    ASSERT_NE(objectId, 0u);

    CreateCommand tooLong;
    tooLong.title = std::string(256, 'T'); // one more than the field holds
    tooLong.hexId = 0x4B1816;
    e.link.queueDataRequest({kDataRequestUserPosition, 0});
    e.link.gf_queueCreate(tooLong);
    e.link.gf_queueRemoveObject(objectId);
    // State 3 lasts only until the thread, no longer running, ends (without removing objects).
    ASSERT_TRUE(LinkEndToEnd::waitUntil([&] { return gf_pendingStopRequest() != nullptr; }));
    e.standIn->next([](const Json& line) { return line.contains("disconnected"); });

    EXPECT_FALSE(e.standIn->packets("RequestDataOnSimObject").empty()) << "the items before the failure went out";
    EXPECT_EQ(e.standIn->packets("AICreateNonATCAircraft").size(), 1u);
    EXPECT_TRUE(e.standIn->packets("AIRemoveObject").empty()) << "the items after it did not";
    const auto stop = gf_pendingStopRequest();
    ASSERT_NE(stop, nullptr);
    EXPECT_EQ(stop->reason, ExitReason::simconnect_error);
    EXPECT_EQ(stop->delaySeconds, 9u);
    EXPECT_TRUE(
        e.shell.read([](auto& s) { return s.messages == std::vector<std::string>{"SimConnect request error"}; }));
    EXPECT_TRUE(e.logged("! create failed hr=0x8007007A"));
}

TEST(SimClientEndToEnd, QuitOrADroppedSocketClosesTheSessionAndConnectsAgain) {
    for (const std::string command : {"quit", "drop"}) {
        LinkEndToEnd e;
        e.start();
        ASSERT_TRUE(e.waitForState(kSimulatorRunning)) << command;
        e.standIn->command(command);
        // The old connection's end and the new one's start may be recorded in either order.
        e.standIn->next([&](const Json&) { return e.standIn->packets("Open").size() == 2; });
        ASSERT_TRUE(e.waitForState(kSimulatorRunning)) << command;
        EXPECT_TRUE(e.shell.read([](auto& s) { return s.running == std::vector<bool>{true, false, true}; })) << command;
        EXPECT_EQ(e.logged("SimConnect dispatch failed; hr=0x80004005"), command == "drop") << command;
        EXPECT_EQ(e.logged("SimConnect diagnostic: no AI position update recorded"), command == "drop") << command;
        EXPECT_EQ(gf_pendingStopRequest(), nullptr) << command;
    }
}

TEST(SimClientEndToEnd, ShutdownRemovesEveryOwnedObject) {
    LinkEndToEnd e;
    e.start();
    ASSERT_TRUE(e.waitForState(kSimulatorRunning));
    std::set<std::uint32_t> owned;
    for (std::uint32_t hexId : {0x4B1815u, 0x4B1816u, 17u}) {
        owned.insert(e.create(hexId, "T" + std::to_string(hexId)));
    }
    e.stop();
    std::set<std::uint32_t> removed;
    for (const Json& removal : e.standIn->packets("AIRemoveObject")) {
        removed.insert(removal.value("object_id", 0u));
    }
    e.standIn->next([&](const Json& line) {
        if (line.value("packet", "") == "AIRemoveObject") {
            removed.insert(line.value("object_id", 0u));
        }
        return line.contains("disconnected");
    });
    EXPECT_EQ(removed, owned);
    EXPECT_TRUE(e.logged("SimConnect shutdown cleanup: initially owned 3, remove requested 3, confirmed 3, "
                         "pending removals 0, pending creates 0"));
    EXPECT_EQ(e.link.simulatorState(), 0);
}

TEST(SimClientEndToEnd, AWrongSimulatorOrUserVehicleIsTheUsersToFix) {
    struct Case {
        std::vector<std::string> options;
        std::string error;
    };
    const Case cases[] = {
        {{"--sim-name", "KittyHawk"}, "78: KittyHawk, (MSFS) not being P3D connects ... ?"},
        {{"--sim-version", "6"}, "78: wrong P3D version 'Lockheed Martin Prepar3D v6' connects ... ?)"},
        {{"--user-model", ""}, "71: atc_model= in [General] section of your aircraft.cfg is empty or missing"},
    };
    for (const Case& c : cases) {
        LinkEndToEnd e(c.options);
        e.start();
        e.link.queueDataRequest({kDataRequestUserTitleAndModel, 0});
        ASSERT_TRUE(LinkEndToEnd::waitUntil([&] { return gf_pendingStopRequest() != nullptr; })) << c.error;
        EXPECT_EQ(gf_pendingStopRequest()->reason, ExitReason::sim_was_closed) << c.error;
        EXPECT_TRUE(e.shell.read([&](auto& s) { return s.errors == std::vector<std::string>{c.error}; })) << c.error;
        e.stop();
        EXPECT_EQ(e.link.simulatorState(), 0) << c.error;
    }
}

TEST(SimClientEndToEnd, ALoadedFlightAsksForARestart) {
    LinkEndToEnd e;
    e.start();
    ASSERT_TRUE(e.waitForState(kSimulatorRunning));
    e.standIn->command("flight-loaded");
    ASSERT_TRUE(LinkEndToEnd::waitUntil([&] { return gf_pendingStopRequest() != nullptr; }));
    EXPECT_EQ(gf_pendingStopRequest()->reason, ExitReason::new_flight);
    EXPECT_EQ(gf_pendingStopRequest()->delaySeconds, 45u);
}

TEST(SimClientEndToEnd, ASimulatorNotYetRunningIsAwaitedWithOneMessage) {
    LinkEndToEnd e({}, false);
    e.start();
    std::this_thread::sleep_for(350ms);
    e.startStandIn();
    ASSERT_TRUE(e.waitForState(kSimulatorRunning));
    EXPECT_TRUE(
        e.shell.read([](auto& s) { return s.messages == std::vector<std::string>{"Waiting for Prepar3Dv5 ..."}; }));
    EXPECT_TRUE(e.logged("Waiting for Prepar3Dv5 ..."));
}

} // namespace
} // namespace kiv

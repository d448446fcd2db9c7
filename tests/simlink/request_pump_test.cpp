// The per-frame command pump on recording SimConnect calls.
#include <gtest/gtest.h>

#include "client_fixture.h"
#include "settings/settings_snapshot.h"
#include "simlink/link_ids.h"

namespace kiv {
namespace {

using namespace link_ids;
using test_support::ClientFixture;
using test_support::SimCall;
using Args = std::vector<std::uint32_t>;

CreateCommand creation(std::uint32_t hexId, std::string tail = "TAIL", std::string title = "Title") {
    CreateCommand command;
    command.latitude = 47.1;
    command.longitude = 8.2;
    command.onGround = 1;
    command.title = std::move(title);
    command.tailNumber = std::move(tail);
    command.hexId = hexId;
    return command;
}

void expectRequestError(ClientFixture& f, const std::string& context) {
    EXPECT_EQ(f.link.simulatorState(), static_cast<std::int32_t>(kSimulatorShuttingDown)) << context;
    EXPECT_EQ(f.shell.messages, std::vector<std::string>{"SimConnect request error"}) << context;
    EXPECT_EQ(f.shell.running, std::vector<bool>{false}) << context;
    const auto stop = gf_pendingStopRequest();
    ASSERT_NE(stop, nullptr) << context;
    EXPECT_EQ(stop->reason, ExitReason::simconnect_error) << context;
    EXPECT_EQ(stop->delaySeconds, 9u) << context;
}

TEST(RequestPump, EachDataRequestKindAsksForItsDefinition) {
    const std::uint32_t range = gf_settings()->rangeMetres;
    struct Case {
        std::uint32_t kind;
        std::uint32_t objectId;
        std::vector<std::pair<std::string, Args>> calls;
    };
    const Case cases[] = {
        {0, 0, {{"RequestDataOnSimObjectType", {101, 405, range, 2}}}},
        {1, 0, {{"RequestDataOnSimObject", {106, 408, 0, 1}}, {"RequestDataOnSimObject", {107, 409, 0, 1}}}},
        {2, 0, {{"RequestDataOnSimObject", {108, 410, 0, 4}}}},
        {3, 0, {{"RequestDataOnSimObject", {109, 403, 0, 1}}}},
        {4, 1001, {{"RequestDataOnSimObject", {102, 406, 1001, 1}}}},
        {5, 1002, {{"RequestDataOnSimObject", {103, 402, 1002, 1}}}},
    };
    for (const Case& c : cases) {
        ClientFixture f;
        f.link.queueDataRequest({c.kind, c.objectId});
        f.client.lf_pumpCommands();
        ASSERT_EQ(f.calls.calls.size(), c.calls.size()) << c.kind;
        for (std::size_t i = 0; i < c.calls.size(); ++i) {
            EXPECT_EQ(f.calls.calls[i].name, c.calls[i].first) << c.kind;
            EXPECT_EQ(f.calls.calls[i].args, c.calls[i].second) << c.kind;
        }
    }
}

TEST(RequestPump, CommandsGoOutInTheirFixedOrder) {
    ClientFixture f;
    f.link.gf_setReverseThrust(9, 1, 1);
    f.link.gf_queueRemoveObject(8);
    f.link.gf_queueCreate(creation(20001));
    f.link.queueAtcId({7, "DLH123"});
    f.link.queueFlightPlan({6, "/data/orig_dest/6.pln"});
    f.link.gf_engineAutoStart(5);
    f.link.gf_requestInitialPose(4);
    f.client.lf_pumpCommands();
    EXPECT_EQ(f.calls.names(),
              (std::vector<std::string>{"RequestDataOnSimObject", "TransmitClientEvent", "AISetAircraftFlightPlan",
                                        "SetDataOnSimObject", "AICreateNonATCAircraft", "GetLastSentPacketID",
                                        "AIRemoveObject", "SetDataOnSimObject"}));
    EXPECT_EQ(f.calls.calls[1].args, (Args{5, kEventEngineAutoStart, 0, kGroupTrafficApp, 0}));
    EXPECT_EQ(f.calls.calls[2].text, "/data/orig_dest/6.pln");
    EXPECT_EQ(f.calls.calls[2].args, (Args{6, kRequestAiFlightPlan}));
    EXPECT_EQ(f.calls.calls[6].args, (Args{8, kRequestAiRemoveObject}));
}

TEST(RequestPump, FlapsAreSetBetweenTwoReleasesOfControlUnlessTheEventFails) {
    struct Case {
        const char* name;
        std::uint32_t eventId;
        bool transmitFails;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"flaps", kEventFlapsSet, false, {"AIReleaseControl", "TransmitClientEvent", "AIReleaseControl"}},
        {"flaps refused", kEventFlapsSet, true, {"AIReleaseControl", "TransmitClientEvent"}},
        {"gear", kEventGearSet, false, {"TransmitClientEvent"}},
    };
    for (const Case& c : cases) {
        ClientFixture f;
        f.calls.fails = [&](const SimCall& call) { return c.transmitFails && call.name == "TransmitClientEvent"; };
        f.link.queueClientEvent({42, c.eventId, 10240});
        f.link.queueClientEvent({43, kEventGearSet, 1});
        f.client.lf_pumpCommands();
        std::vector<std::string> forObject42;
        for (const SimCall& call : f.calls.calls) {
            if (call.args[0] == 42) {
                forObject42.push_back(call.name);
            }
        }
        EXPECT_EQ(forObject42, c.calls) << c.name;
        if (c.eventId == kEventFlapsSet) {
            EXPECT_EQ(f.calls.named("AIReleaseControl")[0].args, (Args{42, kRequestAiReleaseControl})) << c.name;
        }
        EXPECT_EQ(f.calls.calls.back().args[0], c.transmitFails ? 42u : 43u) << c.name;
        if (c.transmitFails) {
            expectRequestError(f, c.name);
        }
    }
}

TEST(RequestPump, AFailingCallStopsThePumpThroughTheRequestError) {
    struct Case {
        const char* failing;
        std::size_t callsMade; // of the seven below, up to and with the failing one
    };
    const Case cases[] = {
        {"RequestDataOnSimObject", 1}, {"TransmitClientEvent", 2}, {"AISetAircraftFlightPlan", 3},
        {"AICreateNonATCAircraft", 5}, {"AIRemoveObject", 6},      {"SetDataOnSimObject", 7},
    };
    for (const Case& c : cases) {
        ClientFixture f;
        f.calls.fails = [&](const SimCall& call) {
            // The ATC id's SetDataOnSimObject must not count: its failure is only logged.
            return call.name == c.failing && !(call.name == "SetDataOnSimObject" && call.args[0] == 404);
        };
        f.link.gf_requestStaticCgAndPitch(1);
        f.link.queueClientEvent({2, kEventGearSet, 1});
        f.link.queueFlightPlan({3, "3.pln"});
        f.link.queueAtcId({4, "SWR12"});
        f.link.gf_queueCreate(creation(20001));
        f.link.gf_queueRemoveObject(6);
        f.link.gf_setReverseThrust(7, 1, 0);
        f.link.gf_setReverseThrust(8, 0, 0);
        f.client.lf_pumpCommands();
        std::vector<std::string> names = f.calls.names();
        std::erase(names, "GetLastSentPacketID");
        EXPECT_EQ(names.size(), c.callsMade) << c.failing;
        EXPECT_EQ(names.back(), c.failing) << c.failing;
        expectRequestError(f, c.failing);

        // Nothing goes out in the stopped state, and the queues are emptied all the same.
        f.calls.calls.clear();
        f.link.gf_engineAutoStart(9);
        f.client.lf_pumpCommands();
        EXPECT_TRUE(f.calls.calls.empty()) << c.failing;
    }
}

TEST(RequestPump, AnAtcIdMustFitItsFieldAndAFailureOnlyLogs) {
    ClientFixture f;
    const std::string fits(31, 'A');
    const std::string tooLong(32, 'B');
    f.link.queueAtcId({5, fits});
    f.link.queueAtcId({5, tooLong});
    f.link.queueAtcId({0, "DLH1"});
    f.link.queueAtcId({6, "FAIL"});
    f.link.gf_engineAutoShutdown(7); // client events go out first
    f.calls.fails = [](const SimCall& call) { return call.name == "SetDataOnSimObject" && call.args[1] == 6; };
    f.client.lf_pumpCommands();
    const auto writes = f.calls.named("SetDataOnSimObject");
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].args, (Args{kDefinitionAiSetAtcId, 5, 0, 32}));
    EXPECT_EQ(std::string(writes[0].data.begin(), writes[0].data.begin() + 31), fits);
    EXPECT_EQ(writes[0].data[31], 0);
    EXPECT_TRUE(f.logged("Cannot set ATC ID, objectid: 5, length: 32"));
    EXPECT_TRUE(f.logged("Cannot set ATC ID, objectid: 0, length: 4"));
    EXPECT_TRUE(f.logged("SetDataOnSimObject(ATC ID) failed, objectid: 6, hr: 0x80004005"));
    EXPECT_EQ(f.link.simulatorState(), static_cast<std::int32_t>(kSimulatorRunning));
    EXPECT_EQ(gf_pendingStopRequest(), nullptr);
}

TEST(RequestPump, TheUserAircraftIsNeverRemoved) {
    ClientFixture f;
    f.client.session().userObjectId = 1;
    f.client.session().owned = {1, 1001};
    f.link.gf_queueRemoveObject(1);
    f.link.gf_queueRemoveObject(1001);
    f.client.lf_pumpCommands();
    ASSERT_EQ(f.calls.names(), std::vector<std::string>{"AIRemoveObject"});
    EXPECT_EQ(f.calls.calls[0].args, (Args{1001, kRequestAiRemoveObject}));
    EXPECT_TRUE(f.logged("SimConnect call to remove ac with objectid 1"));
    EXPECT_EQ(f.client.session().owned, (std::unordered_set<std::uint32_t>{1}));
}

TEST(RequestPump, ACreationIsPendingUnderItsRequestAndPacketIds) {
    ClientFixture f;
    f.calls.sendId = 40;
    f.link.gf_queueCreate(creation(10000, "STATIC1", "Parked"));
    f.link.gf_queueCreate(creation(10001, "LIVE1", "Flying"));
    f.client.lf_pumpCommands();
    const auto creates = f.calls.named("AICreateNonATCAircraft");
    ASSERT_EQ(creates.size(), 2u);
    EXPECT_EQ(creates[0].text, "Parked");
    EXPECT_EQ(std::string(creates[0].data.begin(), creates[0].data.end()), "STATIC1");
    EXPECT_EQ(creates[0].args[1], 1u); // on the ground
    const std::uint32_t first = creates[0].args[0];
    EXPECT_EQ(creates[1].args[0], first + 1); // request ids count up
    const auto& session = f.client.session();
    EXPECT_FALSE(session.pendingCreates.at(first).live);
    EXPECT_TRUE(session.pendingCreates.at(first + 1).live);
    EXPECT_EQ(session.pendingCreates.at(first).packetId, 41u);
    EXPECT_EQ(session.pendingCreates.at(first + 1).packetId, 42u);
    EXPECT_EQ(session.pendingPackets.at(41), first);
    EXPECT_EQ(session.pendingPackets.at(42), first + 1);
}

TEST(RequestPump, AFailedCreationLeavesNothingPending) {
    for (const char* failing : {"AICreateNonATCAircraft", "GetLastSentPacketID"}) {
        ClientFixture f;
        f.calls.fails = [&](const SimCall& call) { return call.name == failing; };
        f.link.gf_queueCreate(creation(20001, "DLH9"));
        f.client.lf_pumpCommands();
        EXPECT_TRUE(f.client.session().pendingCreates.empty()) << failing;
        EXPECT_TRUE(f.client.session().pendingPackets.empty()) << failing;
        const std::uint32_t requestId = f.calls.named("AICreateNonATCAircraft")[0].args[0];
        EXPECT_TRUE(
            f.logged(std::string(failing) == "GetLastSentPacketID"
                         ? fmt::format("! cannot retrieve packetId for create requestId:{}", requestId)
                         : fmt::format("! create failed hr=0x80004005, requestId:{}, tailnumber:DLH9", requestId)))
            << failing;
        expectRequestError(f, failing);
    }
}

TEST(RequestPump, ReverseThrustSetsSpoilersAndBothLevers) {
    struct Case {
        std::uint8_t active;
        std::uint8_t reverse;
        std::vector<double> values;
    };
    for (const Case& c : {Case{1, 1, {100, -100, -100}}, Case{1, 0, {100, 100, 100}}, Case{0, 1, {0, 0, 0}}}) {
        ClientFixture f;
        f.link.gf_setReverseThrust(12, c.active, c.reverse);
        f.client.lf_pumpCommands();
        const auto writes = f.calls.named("SetDataOnSimObject");
        ASSERT_EQ(writes.size(), 1u);
        EXPECT_EQ(writes[0].args, (Args{kDefinitionReverseThrust, 12, 0, 24}));
        EXPECT_EQ(writes[0].values(), c.values);
    }
}

TEST(RequestPump, APromotedObjectsPositionReadbacksCountAgain) {
    ClientFixture f;
    f.client.session().statics = {2002, 2003};
    f.link.queuePromotedObject(2002);
    f.client.lf_pumpCommands();
    EXPECT_EQ(f.client.session().statics, (std::unordered_set<std::uint32_t>{2003}));
}

TEST(RequestPump, RequestsWaitWhileNoSessionIsOpen) {
    ClientFixture f;
    f.calls.sessionOpen = false;
    f.link.queueDataRequest({3, 0});
    f.link.queueFlightPlan({3, "3.pln"});
    f.link.queueAtcId({4, "SWR12"});
    f.client.lf_pumpCommands();
    EXPECT_TRUE(f.calls.calls.empty());
}

TEST(CommandQueues, AllLightsGoInTheirOrderAndQueuesKeepTheirRoom) {
    CommandQueues queues;
    queues.prepare();
    queues.gf_setAllLights(3, LightSet{1, 2, 3, 4, 5, 6, 7});
    CommandBatch batch;
    queues.takeAll(batch);
    ASSERT_EQ(batch.clientEvents.size(), 7u);
    const std::uint32_t order[7] = {kEventNavLightsSet,  kEventBeaconLightsSet, kEventLandingLightsSet,
                                    kEventTaxiLightsSet, kEventStrobesSet,      kEventLogoLightsSet,
                                    kEventCabinLightsSet};
    for (std::uint32_t i = 0; i < 7; ++i) {
        EXPECT_EQ(batch.clientEvents[i].eventId, order[i]);
        EXPECT_EQ(batch.clientEvents[i].value, i + 1);
        EXPECT_EQ(batch.clientEvents[i].objectId, 3u);
    }
    const std::size_t room = batch.clientEvents.capacity();
    queues.giveBack(batch);
    EXPECT_TRUE(batch.empty());
    queues.gf_engineAutoStart(4);
    queues.takeAll(batch);
    EXPECT_EQ(batch.clientEvents.capacity(), room); // the same array came back
}

} // namespace
} // namespace kiv

// The SimClient's reactions to each received message, on recording fakes.
#include <gtest/gtest.h>

#include "client_fixture.h"
#include "foundation/user_related_exception.h"
#include "simlink/link_ids.h"

namespace kiv {
namespace {

using namespace link_ids;
using test_support::addRemoveMessage;
using test_support::assignedMessage;
using test_support::ClientFixture;
using test_support::dataMessage;
using test_support::EventLayout;
using test_support::eventMessage;
using test_support::exceptionMessage;
using test_support::MessageBuilder;
using test_support::openMessage;

std::vector<std::uint8_t> truncated(std::vector<std::uint8_t> message, std::size_t size) {
    message.resize(size);
    const auto length = static_cast<std::uint32_t>(size);
    std::memcpy(message.data(), &length, 4);
    return message;
}

TEST(SimDispatch, EventsOfBothHeaderLayoutsAreRead) {
    for (const EventLayout layout : {EventLayout::current, EventLayout::older}) {
        const char* name = layout == EventLayout::current ? "current" : "older";
        ClientFixture f;
        f.link.setSimulatorState(kSimulatorConnected);
        f.dispatch(eventMessage(kEventSim, 1, layout));
        EXPECT_EQ(f.link.simulatorState(), static_cast<std::int32_t>(kSimulatorRunning)) << name;
        EXPECT_EQ(f.shell.running, std::vector<bool>{true}) << name;

        f.client.session().owned = {1001, 1002};
        f.client.session().removalPending = {1001};
        f.dispatch(addRemoveMessage(kEventObjectRemoved, 1001, kObjectTypeAircraft, layout));
        f.dispatch(addRemoveMessage(kEventObjectRemoved, 1002, 3, layout)); // not an aircraft
        f.dispatch(addRemoveMessage(kEventObjectAdded, 1003, kObjectTypeAircraft, layout));
        const auto events = f.events();
        ASSERT_EQ(events.size(), 1u) << name;
        EXPECT_EQ(events[0].objectId, 1001u) << name;
        EXPECT_EQ(events[0].kind, SimEventKind::removed) << name;
        EXPECT_FALSE(f.client.session().owned.contains(1001)) << name;
        EXPECT_TRUE(f.client.session().owned.contains(1002)) << name;
        EXPECT_EQ(f.client.session().removalsConfirmed, 1u) << name;
    }
}

TEST(SimDispatch, MessagesTooShortForTheirFieldsAreLoggedAndDropped) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> message;
        const char* logLine;
    };
    const Case cases[] = {
        {"header", std::vector<std::uint8_t>{8, 0, 0, 0, 4, 0, 0, 0},
         "SimConnect RECV payload too small: 8 < 12 bytes"},
        {"exception", truncated(exceptionMessage(kExceptionCreateObjectFailed, 7), 20),
         "SimConnect EXCEPTION payload too small: 20 < 24 bytes"},
        {"event", truncated(eventMessage(kEventSim, 1), 23), "SimConnect EVENT payload too small: 23 < 24 bytes"},
        {"add/remove", truncated(addRemoveMessage(kEventObjectRemoved, 5, 2), 27),
         "SimConnect EVENT_OBJECT_ADDREMOVE payload too small: 27 < 28 bytes"},
        {"user model",
         dataMessage(8, kRequestUserModel, 1, kDefinitionUserModel, [](MessageBuilder& m) { m.text("B738", 31); }),
         "SimConnect USER_AC_MODEL payload too small: 71 < 72 bytes"},
        {"user position",
         dataMessage(8, kRequestUserPosition, 1, kDefinitionUserPosition,
                     [](MessageBuilder& m) { m.f64(47.0).f64(8.0); }),
         "SimConnect USER_AC_POSITION payload too small: 56 < 160 bytes"},
        {"initial pose",
         dataMessage(8, kRequestAiInitialPose, 1001, kDefinitionAiPose, [](MessageBuilder& m) { m.f64(47.0); }),
         "SimConnect AI_INITIAL_POSE payload too small: 48 < 104 bytes"},
        {"assigned", truncated(assignedMessage(1, 1001), 16), "SimConnect ASSIGNED_OBJECT_ID payload too small"},
    };
    for (const Case& c : cases) {
        ClientFixture f;
        f.link.setSimulatorState(kSimulatorConnected);
        EXPECT_NO_THROW(f.dispatch(c.message)) << c.name;
        EXPECT_TRUE(f.logged(c.logLine)) << c.name;
        EXPECT_TRUE(f.events().empty()) << c.name;
        EXPECT_EQ(f.link.simulatorState(), static_cast<std::int32_t>(kSimulatorConnected)) << c.name;
        EXPECT_EQ(f.link.userAircraftIdentity().model, "") << c.name;
    }
}

TEST(SimDispatch, AnAssignedObjectIsReleasedFrozenAndReportedByKind) {
    struct Case {
        std::uint32_t hexId;
        SimEventKind kind;
        bool isStatic;
    };
    for (const Case c :
         {Case{10001, SimEventKind::liveAssigned, false}, Case{10000, SimEventKind::staticAssigned, true}}) {
        ClientFixture f;
        const std::uint32_t requestId = f.createPending(c.hexId, "TAIL1");
        f.calls.calls.clear();
        f.dispatch(assignedMessage(requestId, 4711));

        ASSERT_EQ(f.calls.names(), (std::vector<std::string>{"AIReleaseControl", "TransmitClientEvent",
                                                             "TransmitClientEvent", "TransmitClientEvent"}))
            << c.hexId;
        EXPECT_EQ(f.calls.calls[0].args, (std::vector<std::uint32_t>{4711, kRequestAiReleaseControl}));
        for (std::uint32_t i = 0; i < 3; ++i) {
            EXPECT_EQ(f.calls.calls[1 + i].args,
                      (std::vector<std::uint32_t>{4711, kEventFreezeLatitudeLongitudeSet + i, 1, kGroupTrafficApp, 0}));
        }
        const auto events = f.events();
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].objectId, 4711u);
        EXPECT_EQ(events[0].key, c.hexId);
        EXPECT_EQ(events[0].kind, c.kind);
        EXPECT_TRUE(f.client.session().owned.contains(4711));
        EXPECT_EQ(f.client.session().statics.contains(4711), c.isStatic);
        EXPECT_EQ(f.client.session().tailNumbers[4711], "TAIL1");
        EXPECT_TRUE(f.client.session().pendingCreates.empty());
        EXPECT_TRUE(f.client.session().pendingPackets.empty());
    }
}

TEST(SimDispatch, AnObjectAssignedDuringShutdownIsRemovedAtOnceAndNotReported) {
    ClientFixture f;
    const std::uint32_t requestId = f.createPending(20000);
    f.client.session().shutdown = true;
    f.calls.calls.clear();
    f.dispatch(assignedMessage(requestId, 900));
    ASSERT_EQ(f.calls.names(), std::vector<std::string>{"AIRemoveObject"});
    EXPECT_EQ(f.calls.calls[0].args, (std::vector<std::uint32_t>{900, kRequestAiRemoveObject}));
    EXPECT_TRUE(f.client.session().removalPending.contains(900));
    EXPECT_TRUE(f.events().empty());
}

// A creation whose id is still on its way when the program ends: the shutdown waits for the id
// and removes the object, so no aircraft is left behind in the simulator.
TEST(SimDispatch, ShutdownWaitsForACreationStillAwaitingItsId) {
    ClientFixture f;
    const std::uint32_t requestId = f.createPending(20000);
    f.calls.calls.clear();
    f.calls.inbox.push_back(assignedMessage(requestId, 900));
    f.client.lf_simClientShutdown();
    ASSERT_EQ(f.calls.named("AIRemoveObject").size(), 1u);
    EXPECT_EQ(f.calls.named("AIRemoveObject")[0].args, (std::vector<std::uint32_t>{900, kRequestAiRemoveObject}));
    EXPECT_TRUE(f.logged("initially owned 0, remove requested 0, confirmed 0, pending removals 1, pending creates 0"));
}

TEST(SimDispatch, AnAssignmentWithoutItsCreationIsOnlyLogged) {
    ClientFixture f;
    f.dispatch(assignedMessage(77, 900));
    EXPECT_TRUE(f.calls.calls.empty());
    EXPECT_TRUE(f.events().empty());
    EXPECT_TRUE(f.logged("ASSIGNED_OBJECT_ID: requestId:77 oid:900 (no pending)"));
}

TEST(SimDispatch, ARefusedCreationBecomesACreateFailedEvent) {
    ClientFixture f;
    const std::uint32_t requestId = f.createPending(0x3C6586, "DLH1");
    const std::uint32_t packetId = f.client.session().pendingCreates.at(requestId).packetId;
    f.dispatch(exceptionMessage(kExceptionCreateObjectFailed, packetId + 5)); // another packet
    EXPECT_TRUE(f.logged(fmt::format("CREATE_OBJECT_FAILED packetId:{} (no pending request)", packetId + 5)));
    f.dispatch(exceptionMessage(kExceptionCreateObjectFailed, packetId));
    const auto events = f.events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, SimEventKind::createFailed);
    EXPECT_EQ(events[0].objectId, 0u);
    EXPECT_EQ(events[0].key, 0x3C6586u);
    EXPECT_EQ(events[0].data[0], static_cast<double>(requestId));
    EXPECT_TRUE(f.logged(fmt::format("CREATE_OBJECT_FAILED packetId:{} requestId:{} hexid:3c6586 tailnumber:DLH1",
                                     packetId, requestId)));
    EXPECT_TRUE(f.client.session().pendingCreates.empty());
    EXPECT_TRUE(f.client.session().pendingPackets.empty());
}

TEST(SimDispatch, OtherExceptionsAreLoggedByKind) {
    struct Case {
        std::uint32_t id;
        const char* line; // nullptr: nothing logged
    };
    const Case cases[] = {
        {kExceptionUnrecognizedId, nullptr},
        {kExceptionVersionMismatch, "SimConnect Version Mismatch, dwIndex: 3"},
        {kExceptionTooManyObjects, "SimConnect: too many objects (max 1000)"},
        {kExceptionInvalidDataSize, "SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE"},
        {kExceptionLoadFlightPlanFailed, "SimConnect exception: load flight plan failed"},
        {kExceptionOperationInvalidForObjectType, "SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE"},
        {31, "SIMCONNECT_EXCEPTION #31"},
    };
    for (const Case& c : cases) {
        ClientFixture f;
        f.dispatch(exceptionMessage(c.id, 2, 3));
        if (c.line != nullptr) {
            EXPECT_TRUE(f.logged(c.line)) << c.id;
        } else {
            EXPECT_TRUE(f.log.lines().empty()) << c.id;
        }
    }
}

TEST(SimDispatch, QuitEndsTheSessionButKeepsAShutdownState) {
    for (const std::uint32_t before : {kSimulatorRunning, kSimulatorShuttingDown}) {
        ClientFixture f;
        f.link.setSimulatorState(before);
        f.dispatch(MessageBuilder(3).bytes());
        EXPECT_TRUE(f.client.session().quitSeen) << before;
        const bool shuttingDown = before == kSimulatorShuttingDown;
        EXPECT_EQ(f.link.simulatorState(), static_cast<std::int32_t>(shuttingDown ? kSimulatorShuttingDown : 0))
            << before;
        EXPECT_EQ(f.shell.running, shuttingDown ? std::vector<bool>{} : std::vector<bool>{false}) << before;
    }
}

TEST(SimDispatch, TheSimulatorMustIntroduceItselfAsTheConfiguredPrepar3D) {
    struct Case {
        std::string name;
        std::uint32_t majorVersion;
        bool accepted;
        std::string error; // part of the exception's text
    };
    const Case cases[] = {
        {"Lockheed Martin\xAE Prepar3D\xAE v5", 5, true, ""},
        {"Lockheed Martin Prepar3D V6", 6, true, ""},
        {"Lockheed Martin Prepar3D v6", 5, false, "wrong P3D version 'Lockheed Martin Prepar3D v6' connects ... ?)"},
        {"KittyHawk", 5, false, "KittyHawk, (MSFS) not being P3D connects ... ?"},
        {"", 5, false, "wrong P3D version '' connects"},
    };
    for (const Case& c : cases) {
        ClientFixture f;
        f.link.gf_prepareSimClient(c.majorVersion);
        f.link.setSimulatorState(kSimulatorNone);
        if (c.accepted) {
            f.dispatch(openMessage(c.name, c.majorVersion));
            EXPECT_EQ(f.link.simulatorState(), static_cast<std::int32_t>(kSimulatorConnected)) << c.name;
            EXPECT_EQ(f.shell.clearMessages, 1) << c.name;
            ASSERT_EQ(f.shell.simulatorTexts.size(), 1u) << c.name;
            EXPECT_EQ(f.shell.simulatorTexts[0].find('\xAE'), std::string::npos) << c.name;
            EXPECT_TRUE(
                f.logged(f.shell.simulatorTexts[0] + " (" + std::to_string(c.majorVersion) + ".4.9.28482) connected"))
                << c.name;
            continue;
        }
        try {
            f.dispatch(openMessage(c.name, c.majorVersion));
            ADD_FAILURE() << c.name << " was accepted";
        } catch (const UserRelatedException& error) {
            EXPECT_EQ(error.code(), 78) << c.name;
            EXPECT_NE(std::string(error.what()).find(c.error), std::string::npos) << error.what();
        }
        EXPECT_EQ(f.link.simulatorState(), static_cast<std::int32_t>(kSimulatorNone)) << c.name;
        EXPECT_EQ(f.logged("! Simulator name empty?"), c.name.empty()) << c.name;
    }
}

TEST(SimDispatch, AnAcceptedSimulatorShowsTheSupportHintWhileTheScanIsCancelled) {
    ClientFixture f;
    f.neighbours.scanCancelled = true;
    f.dispatch(openMessage("Lockheed Martin Prepar3D v5"));
    EXPECT_EQ(f.shell.supportHints, 1);
    EXPECT_EQ(f.shell.clearMessages, 0);
}

TEST(SimDispatch, PositionReadbacksOfOtherAircraftBecomeEvents) {
    struct Case {
        const char* name;
        std::uint32_t objectId;
        double aboveGroundFt;
        bool reported;
    };
    const Case cases[] = {
        {"live object", 1001, 12.0, true},     {"at the height limit", 1001, 2500.0, true},
        {"too high", 1001, 2500.5, false},     {"the user aircraft", 1, 0.0, false},
        {"a static object", 2002, 0.0, false},
    };
    for (const Case& c : cases) {
        ClientFixture f;
        f.client.session().userObjectId = 1;
        f.client.session().statics = {2002};
        f.dispatch(dataMessage(9, kRequestAiPosition, c.objectId, kDefinitionAiGetPosition,
                               [&](MessageBuilder& m) { m.f64(c.aboveGroundFt).f64(1416.0).i64(1); }));
        const auto events = f.events();
        ASSERT_EQ(events.size(), c.reported ? 1u : 0u) << c.name;
        if (c.reported) {
            EXPECT_EQ(events[0].kind, SimEventKind::aiPosition);
            EXPECT_EQ(events[0].objectId, c.objectId);
            EXPECT_EQ(events[0].key, 1u);
            EXPECT_EQ(events[0].data[0], 1416.0);
            EXPECT_EQ(events[0].data[1], c.aboveGroundFt);
        }
    }
    ClientFixture f;
    f.dispatch(dataMessage(9, kRequestAiPosition, 0, kDefinitionAiGetPosition)); // exactly 40 bytes: no object
    f.dispatch(dataMessage(9, kRequestAiPosition, 7, kDefinitionAiGetPosition, [](MessageBuilder& m) { m.f64(1); }));
    EXPECT_TRUE(f.events().empty());
    EXPECT_FALSE(f.logged("payload too small: 40"));
    EXPECT_TRUE(f.logged("SimConnect AI_POSITION payload too small: 48 < 64 bytes"));
}

TEST(SimDispatch, ReadbacksOfOneObjectBecomeEvents) {
    ClientFixture f;
    f.dispatch(dataMessage(8, kRequestAiStaticCgAndPitch, 1001, kDefinitionAiStaticCgAndPitch,
                           [](MessageBuilder& m) { m.f64(9.5).f64(0.02); }));
    f.dispatch(dataMessage(8, kRequestAiInitialPose, 1002, kDefinitionAiPose, [](MessageBuilder& m) {
        for (double v : {47.1, 8.2, 0.01, 0.02, 1.5, 1400.0, -200.0, 0.0}) {
            m.f64(v);
        }
    }));
    const auto events = f.events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, SimEventKind::staticCgAndPitch);
    EXPECT_EQ(events[0].objectId, 1001u);
    EXPECT_EQ(events[0].data[0], 9.5);
    EXPECT_EQ(events[0].data[1], 0.02);
    EXPECT_EQ(events[1].kind, SimEventKind::initialPose);
    EXPECT_EQ(events[1].objectId, 1002u);
    EXPECT_EQ(events[1].data[0], 0.0);
    EXPECT_EQ(events[1].data[2], 47.1); // the pose starts 16 bytes into the data
    EXPECT_EQ(events[1].pose().headingRad, 1.5);
    EXPECT_EQ(events[1].pose().verticalSpeedFpm, -200.0);
}

TEST(SimDispatch, AChangedFlightAsksForARestartAfterTheUserStandCheck) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> message;
        const char* line;
        bool standCheck;
    };
    const Case cases[] = {
        {"flight loaded", eventMessage(kEventFlightLoaded, 0), "SimConnect: flight loaded event", true},
        {"new file", MessageBuilder(6).u32(0).u32(kEventFlightLoaded).u32(0).u32(0).text("a.fxml", 256).bytes(),
         "SimConnect: New file event", true},
        {"position changed", eventMessage(kEventPositionChanged, 0), "Simconnect: user ac position changed", false},
    };
    for (const Case& c : cases) {
        ClientFixture f;
        f.neighbours.stand = "A12";
        UserAircraftState user;
        user.groundSpeedKt = 1.5;
        f.link.storeUserAircraft(user);
        f.link.storeUserOnGround(true);
        f.dispatch(c.message);
        EXPECT_TRUE(f.logged(c.line)) << c.name;
        const auto stop = gf_pendingStopRequest();
        ASSERT_NE(stop, nullptr) << c.name;
        EXPECT_EQ(stop->reason, ExitReason::new_flight) << c.name;
        EXPECT_EQ(stop->delaySeconds, 45u) << c.name;
        EXPECT_EQ(f.neighbours.reservedStands,
                  c.standCheck ? std::vector<std::string>{"A12"} : std::vector<std::string>{})
            << c.name;
    }
}

TEST(SimDispatch, TheUserStandCheckNeedsTheUserStandingOnTheGround) {
    struct Case {
        bool onGround;
        double groundSpeedKt;
        bool reserved;
    };
    for (const Case c : {Case{true, 2.0, true}, Case{true, 2.1, false}, Case{false, 0.0, false}}) {
        ClientFixture f;
        f.neighbours.stand = "B3";
        UserAircraftState user;
        user.groundSpeedKt = c.groundSpeedKt;
        f.link.storeUserAircraft(user);
        f.link.storeUserOnGround(c.onGround);
        f.dispatch(eventMessage(kEventFlightLoaded, 0));
        EXPECT_EQ(f.neighbours.reservedStands.size(), c.reserved ? 1u : 0u) << c.groundSpeedKt;
    }
}

TEST(SimDispatch, FrameFieldsAreReadFromTheEndInBothLayouts) {
    for (const EventLayout layout : {EventLayout::current, EventLayout::older}) {
        const auto message = test_support::frameMessage(59.5f, 1.0f, layout);
        const auto frame = gf_decodeFrame(message);
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame->frameRate, 59.5f);
        EXPECT_EQ(frame->simulationSpeed, 1.0f);
    }
    test_support::LogCapture log;
    EXPECT_FALSE(gf_decodeFrame(truncated(test_support::frameMessage(60.0f, 1.0f, EventLayout::older), 31)));
}

TEST(SimDispatch, UnknownMessagesAreLoggedExceptTheIgnoredOne) {
    ClientFixture f;
    f.dispatch(MessageBuilder(99).u32(0).bytes());
    f.dispatch(MessageBuilder(16).u32(0).bytes());
    EXPECT_TRUE(f.logged("! Unknown Dispatch dwID 99"));
    EXPECT_FALSE(f.logged("dwID 16"));
}

} // namespace
} // namespace kiv

// The SimClient's dispatch: one handler per received message kind.
#include <fmt/format.h>

#include "foundation/log.h"
#include "foundation/stop_request.h"
#include "foundation/user_related_exception.h"
#include "simlink/link_ids.h"
#include "simlink/sim_client.h"
#include "simlink/simconnect/packet_layout.h"
#include "simlink/user_aircraft.h"

namespace kiv {
namespace {

using namespace link_ids;
using simconnect::RecvId;

constexpr double kHighestGroundReadbackFt = 2500.0;
constexpr std::uint32_t kIgnoredRecvId = 16;
constexpr std::int32_t kUserErrorCodeNotP3D = 78;

bool nameHasVersion(std::string_view name, std::uint32_t majorVersion) {
    const std::string lower = fmt::format("v{}", majorVersion);
    const std::string upper = fmt::format("V{}", majorVersion);
    return name.find(lower) != std::string_view::npos || name.find(upper) != std::string_view::npos;
}

} // namespace

void SimClient::lf_simClientDispatch(MessageBytes message) {
    if (!gf_messageHasSize(message, "RECV", simconnect::kRecvHeaderSize)) {
        return;
    }
    const std::uint32_t id = gf_messageId(message);
    switch (static_cast<RecvId>(id)) {
    case RecvId::exception:
        onException(message);
        return;
    case RecvId::open:
        onOpen(message);
        return;
    case RecvId::quit:
        onQuit();
        return;
    case RecvId::event:
        onEvent(message);
        return;
    case RecvId::eventObjectAddRemove:
        onObjectAddRemove(message);
        return;
    case RecvId::eventFilename:
        onFilename();
        return;
    case RecvId::eventFrame:
        onFrame();
        return;
    case RecvId::simObjectData:
        onSimObjectData(message);
        return;
    case RecvId::simObjectDataByType:
        onSimObjectDataByType(message);
        return;
    case RecvId::assignedObjectId:
        onAssignedObjectId(message);
        return;
    }
    if (id != kIgnoredRecvId) {
        gf_logLine(fmt::format("! Unknown Dispatch dwID {}", id));
    }
}

void SimClient::onException(MessageBytes message) {
    const auto exception = gf_decodeException(message);
    if (!exception) {
        return;
    }
    switch (exception->exceptionId) {
    case kExceptionCreateObjectFailed:
        onCreateObjectFailed(exception->sendId);
        return;
    case kExceptionUnrecognizedId:
        return;
    case kExceptionVersionMismatch:
        gf_logLine(fmt::format("SimConnect Version Mismatch, dwIndex: {}", exception->index));
        return;
    case kExceptionTooManyObjects:
        gf_logLine("SimConnect: too many objects (max 1000)");
        return;
    case kExceptionInvalidDataSize:
        gf_logLine("SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE");
        return;
    case kExceptionLoadFlightPlanFailed:
        gf_logLine("SimConnect exception: load flight plan failed");
        return;
    case kExceptionOperationInvalidForObjectType:
        gf_logLine("SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE");
        return;
    default:
        gf_logLine(fmt::format("SIMCONNECT_EXCEPTION #{}", exception->exceptionId));
    }
}

void SimClient::onCreateObjectFailed(std::uint32_t sendId) {
    const auto packet = session_.pendingPackets.find(sendId);
    if (packet == session_.pendingPackets.end()) {
        gf_logLine(fmt::format("CREATE_OBJECT_FAILED packetId:{} (no pending request)", sendId));
        return;
    }
    const std::uint32_t requestId = packet->second;
    const auto create = session_.pendingCreates.find(requestId);
    if (create == session_.pendingCreates.end()) {
        gf_logLine(fmt::format("CREATE_OBJECT_FAILED requestId:{} (no pending create)", requestId));
        return;
    }
    gf_logLine(fmt::format("CREATE_OBJECT_FAILED packetId:{} requestId:{} hexid:{:x} tailnumber:{}", sendId, requestId,
                           create->second.hexId, create->second.tailNumber));
    SimEvent event;
    event.key = create->second.hexId;
    event.kind = SimEventKind::createFailed;
    event.data[0] = static_cast<double>(requestId);
    session_.pendingCreates.erase(create);
    session_.pendingPackets.erase(packet);
    link_.gf_postSimEvent(event);
}

void SimClient::onOpen(MessageBytes message) {
    const auto open = gf_decodeOpen(message);
    if (!open) {
        return;
    }
    const std::string name = gf_reducedSimulatorName(open->applicationName);
    if (name.empty()) {
        gf_logLine("! Simulator name empty?");
    }
    if (name == "KittyHawk" || name == "SunRise") {
        throw UserRelatedException(kUserErrorCodeNotP3D, fmt::format("{}, (MSFS) not being P3D connects ... ?", name));
    }
    const auto& v = open->applicationVersion;
    gf_logLine(fmt::format("{} connected", fmt::format("{} ({}.{}.{}.{})", name, v[0], v[1], v[2], v[3])));
    shell_.postSimulatorText(name);
    if (!nameHasVersion(name, link_.majorVersion())) {
        throw UserRelatedException(kUserErrorCodeNotP3D, fmt::format("wrong P3D version '{}' connects ... ?)", name));
    }
    if (neighbours_.airportScanCancelled()) {
        shell_.showSupportHint();
    } else {
        shell_.postClearMessage();
    }
    link_.setSimulatorState(kSimulatorConnected);
}

void SimClient::onQuit() {
    if (link_.simulatorState() != kSimulatorShuttingDown) {
        link_.setSimulatorState(kSimulatorNone);
        shell_.postSimulationRunning(false);
    }
    session_.quitSeen = true;
}

void SimClient::onEvent(MessageBytes message) {
    const auto event = gf_decodeEvent(message);
    if (!event) {
        return;
    }
    switch (event->eventId) {
    case kEventSim:
        // Once shutting down (or stopped by a request error) the state and the window stay so.
        if (link_.simulatorState() != kSimulatorShuttingDown) {
            link_.setSimulatorState(event->data == 1 ? kSimulatorRunning : kSimulatorConnected);
            shell_.postSimulationRunning(event->data == 1);
        }
        return;
    case kEventPositionChanged:
        gf_logLine("Simconnect: user ac position changed");
        gf_requestRestart();
        return;
    case kEventFlightLoaded:
        gf_logLine("SimConnect: flight loaded event");
        userStandCheck();
        gf_requestRestart();
        return;
    default:
        return;
    }
}

void SimClient::onObjectAddRemove(MessageBytes message) {
    const auto event = gf_decodeObjectAddRemove(message);
    if (!event || event->eventId != kEventObjectRemoved || event->objectType != kObjectTypeAircraft) {
        return;
    }
    session_.owned.erase(event->objectId);
    session_.statics.erase(event->objectId);
    if (session_.removalPending.erase(event->objectId) > 0) {
        ++session_.removalsConfirmed;
    }
    SimEvent removed;
    removed.objectId = event->objectId;
    removed.kind = SimEventKind::removed;
    link_.gf_postSimEvent(removed);
}

void SimClient::onFilename() {
    gf_logLine("SimConnect: New file event");
    userStandCheck();
    gf_requestRestart();
}

void SimClient::onFrame() {
    if (!calls_.isOpen() || session_.shutdown) {
        return;
    }
    lf_pushFramePoses();
    lf_pumpCommands();
}

void SimClient::onSimObjectDataByType(MessageBytes message) {
    constexpr std::string_view name = "SIMOBJECT_DATA_BYTYPE";
    const auto header = gf_decodeObjectData(message, name);
    if (!header || header->requestId != kRequestAiPosition || message.size() == simconnect::recv::kDataStart) {
        return;
    }
    auto reader = gf_objectDataReader(message, "AI_POSITION", simconnect::recv::kDataStart + 24);
    if (!reader) {
        return;
    }
    if (header->objectId == session_.userObjectId || session_.statics.contains(header->objectId)) {
        return;
    }
    const double aboveGroundFt = reader->f64();
    const double groundAltitudeFt = reader->f64();
    const std::int64_t onGround = reader->i64();
    if (aboveGroundFt > kHighestGroundReadbackFt) {
        return;
    }
    SimEvent event;
    event.objectId = header->objectId;
    event.key = static_cast<std::uint32_t>(onGround);
    event.kind = SimEventKind::aiPosition;
    event.data[0] = groundAltitudeFt;
    event.data[1] = aboveGroundFt;
    link_.gf_postSimEvent(event);
}

void SimClient::onAssignedObjectId(MessageBytes message) {
    const auto assigned = gf_decodeAssignedObjectId(message);
    if (!assigned) {
        return;
    }
    const auto create = session_.pendingCreates.find(assigned->requestId);
    if (create == session_.pendingCreates.end()) {
        gf_logLine(fmt::format("ASSIGNED_OBJECT_ID: requestId:{} oid:{} (no pending)", assigned->requestId,
                               assigned->objectId));
        return;
    }
    const PendingCreate pending = std::move(create->second);
    session_.pendingCreates.erase(create);
    session_.pendingPackets.erase(pending.packetId);
    const std::uint32_t objectId = assigned->objectId;
    session_.tailNumbers[objectId] = pending.tailNumber;
    session_.owned.insert(objectId);
    if (!pending.live) {
        session_.statics.insert(objectId);
    }
    if (session_.shutdown) {
        session_.removalPending.insert(objectId);
        if (calls_.aiRemoveObject(objectId, kRequestAiRemoveObject) < 0) {
            gf_logLine(fmt::format("SimConnect shutdown remove failed for newly assigned object {}", objectId));
        }
        return;
    }
    calls_.aiReleaseControl(objectId, kRequestAiReleaseControl);
    for (const std::uint32_t freeze :
         {kEventFreezeLatitudeLongitudeSet, kEventFreezeAltitudeSet, kEventFreezeAttitudeSet}) {
        calls_.transmitClientEvent(objectId, freeze, 1, kGroupTrafficApp, 0);
    }
    SimEvent event;
    event.objectId = objectId;
    event.key = pending.hexId;
    event.kind = pending.live ? SimEventKind::liveAssigned : SimEventKind::staticAssigned;
    link_.gf_postSimEvent(event);
}

} // namespace kiv

// The SimClient's command pump: once per frame, after the pose writes, every queued command
// goes to the simulator in a fixed order; a failed request ends the session.
#include <cstring>

#include <fmt/format.h>

#include "foundation/log.h"
#include "foundation/text_conversion.h"
#include "settings/settings_snapshot.h"
#include "simlink/link_ids.h"
#include "simlink/sim_client.h"

namespace kiv {
namespace {

using namespace link_ids;

constexpr std::size_t kAtcIdField = 32;
constexpr std::uint32_t kHighestStaticHexId = 10000;

struct RequestCall {
    std::uint32_t requestId;
    std::uint32_t definition;
    std::uint32_t period;
    const char* failure;
};

} // namespace

bool SimClient::stopped() const { return link_.simulatorState() == kSimulatorShuttingDown; }

void SimClient::lf_pumpCommands() {
    if (stopped()) {
        return;
    }
    link_.commands().takeAll(batch_);
    for (const std::uint32_t objectId : batch_.promoted) {
        session_.statics.erase(objectId);
    }
    // Each step ends the pump once a failed request has stopped the session.
    auto each = [this](auto& items, auto issue) {
        for (const auto& item : items) {
            if (stopped()) {
                return false;
            }
            (this->*issue)(item);
        }
        return !stopped();
    };
    each(batch_.dataRequests, &SimClient::issueDataRequest) &&
        each(batch_.clientEvents, &SimClient::issueClientEvent) &&
        each(batch_.flightPlans, &SimClient::issueFlightPlan) && each(batch_.atcIds, &SimClient::issueAtcId) &&
        each(batch_.creates, &SimClient::lf_createAiObject) && each(batch_.removals, &SimClient::issueRemoval) &&
        each(batch_.reverseThrust, &SimClient::issueReverseThrust);
    link_.commands().giveBack(batch_);
}

void SimClient::issueDataRequest(const DataRequestCommand& request) {
    if (!calls_.isOpen() || stopped()) {
        return;
    }
    auto ask = [this](const RequestCall& call, std::uint32_t objectId) {
        if (calls_.requestDataOnSimObject(call.requestId, call.definition, objectId, call.period) < 0) {
            gf_logLine(call.failure);
            lf_requestError();
            return false;
        }
        return true;
    };
    switch (request.kind) {
    case kDataRequestObjectsInRange:
        if (calls_.requestDataOnSimObjectType(kRequestAiPosition, kDefinitionAiGetPosition, gf_settings()->rangeMetres,
                                              kObjectTypeAircraft) < 0) {
            gf_logLine("SimConnect request ac within range fails");
            lf_requestError();
        }
        return;
    case kDataRequestUserTitleAndModel:
        if (ask({kRequestUserTitle, kDefinitionUserTitle, kPeriodOnce, "SimConnect request user ac title fails"},
                kUserObject)) {
            ask({kRequestUserModel, kDefinitionUserModel, kPeriodOnce, "SimConnect request user ac model fails"},
                kUserObject);
        }
        return;
    case kDataRequestUserOnGround:
        ask({kRequestUserOnGround, kDefinitionUserOnGround, kPeriodSecond, "SimConnect request ac gnd/air fails"},
            kUserObject);
        return;
    case kDataRequestUserPosition:
        ask({kRequestUserPosition, kDefinitionUserPosition, kPeriodOnce, "SimConnect request user ac position fails"},
            kUserObject);
        return;
    case kDataRequestStaticCgAndPitch:
        ask({kRequestAiStaticCgAndPitch, kDefinitionAiStaticCgAndPitch, kPeriodOnce,
             "SimConnect request StaticCG fails"},
            request.objectId);
        return;
    case kDataRequestInitialPose:
        ask({kRequestAiInitialPose, kDefinitionAiPose, kPeriodOnce, "SimConnect request initial AI pose fails"},
            request.objectId);
        return;
    default:
        gf_logLine(fmt::format("Unknown data request kind {}", request.kind));
    }
}

void SimClient::issueClientEvent(const ClientEventCommand& command) {
    const bool flaps = command.eventId == kEventFlapsSet;
    // An AI object lowers its flaps only while released from the simulator's control.
    if (flaps) {
        calls_.aiReleaseControl(command.objectId, kRequestAiReleaseControl);
    }
    if (calls_.transmitClientEvent(command.objectId, command.eventId, command.value, kGroupTrafficApp, 0) < 0) {
        gf_logLine(fmt::format("SimConnect_TransmitClientEvent failed, objectid: {}, event: {}", command.objectId,
                               command.eventId));
        lf_requestError();
        return;
    }
    if (flaps) {
        calls_.aiReleaseControl(command.objectId, kRequestAiReleaseControl);
    }
}

void SimClient::issueFlightPlan(const FlightPlanCommand& command) {
    if (!calls_.isOpen()) {
        return;
    }
    const std::string path = gf_pathToUtf8(command.path);
    if (calls_.aiSetAircraftFlightPlan(command.objectId, path.c_str(), kRequestAiFlightPlan) < 0) {
        gf_logLine(
            fmt::format("SimConnect_AISetAircraftFlightPlan failed, objectid: {}, path: {}", command.objectId, path));
        lf_requestError();
    }
}

void SimClient::issueAtcId(const AtcIdCommand& command) {
    if (!calls_.isOpen() || command.objectId == 0 || command.atcId.size() >= kAtcIdField) {
        gf_logLine(fmt::format("Cannot set ATC ID, objectid: {}, length: {}", command.objectId, command.atcId.size()));
        return;
    }
    char field[kAtcIdField] = {};
    std::memcpy(field, command.atcId.data(), command.atcId.size());
    const Hresult result = calls_.setDataOnSimObject(kDefinitionAiSetAtcId, command.objectId, 0, kAtcIdField, field);
    if (result < 0) {
        gf_logLine(fmt::format("SetDataOnSimObject(ATC ID) failed, objectid: {}, hr: 0x{:08X}", command.objectId,
                               static_cast<std::uint32_t>(result)));
    }
}

void SimClient::lf_createAiObject(const CreateCommand& command) {
    const std::uint32_t requestId = link_.nextCreateRequestId();
    session_.pendingCreates[requestId] =
        PendingCreate{command.hexId, command.hexId > kHighestStaticHexId, 0, command.title, command.tailNumber};
    const simconnect::InitPosition position{command.latitude, command.longitude, command.altitudeFt,
                                            command.pitchDeg, command.bankDeg,   command.headingDeg,
                                            command.onGround, command.airspeedKt};
    const Hresult result =
        calls_.aiCreateNonAtcAircraft(command.title.c_str(), command.tailNumber.c_str(), position, requestId);
    if (result < 0) {
        session_.pendingCreates.erase(requestId);
        gf_logLine(fmt::format("! create failed hr=0x{:08X}, requestId:{}, tailnumber:{}",
                               static_cast<std::uint32_t>(result), requestId, command.tailNumber));
        lf_requestError();
        return;
    }
    std::uint32_t packetId = 0;
    if (calls_.getLastSentPacketId(&packetId) < 0) {
        session_.pendingCreates.erase(requestId);
        gf_logLine(fmt::format("! cannot retrieve packetId for create requestId:{}", requestId));
        lf_requestError();
        return;
    }
    session_.pendingCreates[requestId].packetId = packetId;
    session_.pendingPackets[packetId] = requestId;
}

void SimClient::issueRemoval(std::uint32_t objectId) {
    playback_.dropStream(objectId);
    if (objectId == session_.userObjectId) {
        gf_logLine(fmt::format("SimConnect call to remove ac with objectid {}", objectId));
        return;
    }
    if (calls_.aiRemoveObject(objectId, kRequestAiRemoveObject) < 0) {
        gf_logLine(fmt::format("!SimConnect call to remove AI ac from sim failed, id {}?", objectId));
        ++session_.removalsFailed;
        lf_requestError();
        return;
    }
    session_.owned.erase(objectId);
}

void SimClient::issueReverseThrust(const ReverseThrustCommand& command) {
    double values[3] = {0.0, 0.0, 0.0};
    if (command.active != 0) {
        const double lever = command.reverse != 0 ? -100.0 : 100.0;
        values[0] = 100.0;
        values[1] = lever;
        values[2] = lever;
    }
    if (calls_.setDataOnSimObject(kDefinitionReverseThrust, command.objectId, 0, sizeof(values), values) < 0) {
        gf_logLine(fmt::format("SetDataOnSimObject(reverse thrust) failed, objectid: {}", command.objectId));
        lf_requestError();
    }
}

} // namespace kiv

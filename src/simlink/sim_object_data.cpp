// The SimClient's handling of object data replies: the AI readbacks for the traffic side and
// the user aircraft's identity, on-ground report and position.
#include <cmath>

#include <fmt/format.h>

#include "foundation/geodesy.h"
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
using simconnect::recv::kDataStart;

constexpr std::size_t kModelField = 32;
constexpr double kMetresPerNm = 1852.0;
constexpr double kTeleportNm = 10.0;
constexpr double kNullPositionDeg = 0.0001;
constexpr double kStandingStillKt = 2.0;
constexpr std::size_t kLongestTypeCode = 4;

bool isNullPosition(double latitude, double longitude) {
    return std::fabs(latitude) <= kNullPositionDeg && std::fabs(longitude) <= kNullPositionDeg;
}

} // namespace

void SimClient::onSimObjectData(MessageBytes message) {
    const auto header = gf_decodeObjectData(message, "SIMOBJECT_DATA");
    if (!header || message.size() == kDataStart) {
        return;
    }
    switch (header->requestId) {
    case kRequestAiStaticCgAndPitch:
        if (auto reader = gf_objectDataReader(message, "AI_STATIC_CG_AND_PITCH", kDataStart + 16)) {
            SimEvent event;
            event.objectId = header->objectId;
            event.kind = SimEventKind::staticCgAndPitch;
            event.data[0] = reader->f64();
            event.data[1] = reader->f64();
            link_.gf_postSimEvent(event);
        }
        return;
    case kRequestAiInitialPose:
        if (auto reader = gf_objectDataReader(message, "AI_INITIAL_POSE", kDataStart + 64)) {
            AiPose pose;
            for (double* value : {&pose.latitude, &pose.longitude, &pose.pitchRad, &pose.bankRad, &pose.headingRad,
                                  &pose.altitudeFt, &pose.verticalSpeedFpm, &pose.trueAirspeedKt}) {
                *value = reader->f64();
            }
            SimEvent event;
            event.objectId = header->objectId;
            event.kind = SimEventKind::initialPose;
            event.setPose(pose);
            link_.gf_postSimEvent(event);
        }
        return;
    case kRequestUserTitle:
        onUserTitle(message);
        return;
    case kRequestUserModel:
        onUserModel(message);
        return;
    case kRequestUserOnGround:
        onUserOnGround(message);
        return;
    case kRequestUserPosition:
        onUserPosition(*header, message);
        return;
    default:
        return;
    }
}

void SimClient::onUserTitle(MessageBytes message) {
    const MessageBytes data = message.subspan(kDataStart);
    const auto* begin = reinterpret_cast<const char*>(data.data());
    const std::string_view text(begin, data.size());
    const std::size_t end = text.find('\0');
    if (end == std::string_view::npos) {
        gf_logLine("SimConnect USER_AC_TITLE is not null terminated");
        return;
    }
    userTitle_ = std::string(text.substr(0, end));
    if (userTitle_.empty()) {
        gf_logLine("! Title of your aircraft is empty?");
    }
    gf_logLine("SimConnect: user aircraft title: " + userTitle_);
    link_.addUserReply(kUserReplyTitle);
}

void SimClient::onUserModel(MessageBytes message) {
    auto reader = gf_objectDataReader(message, "USER_AC_MODEL", kDataStart + kModelField);
    if (!reader) {
        return;
    }
    const std::string raw(reader->fixedString(kModelField));
    gf_logLine(fmt::format("model raw: {}", raw));
    if (raw.empty()) {
        throw UserRelatedException(71, "atc_model= in [General] section of your aircraft.cfg is empty or missing");
    }
    if (gf_isNotAnAircraft(raw)) {
        throw UserRelatedException(73, "It looks like you have not selected an aircraft as user vehicle");
    }
    const auto fromTitle = gf_modelFromTitle(userTitle_);
    UserAircraftIdentity identity;
    identity.model = fromTitle.value_or(raw);
    const UserModelFacts facts = neighbours_.userModelFacts(identity.model);
    const double halfSpanNm = identity.model.size() <= kLongestTypeCode ? facts.halfSpanNm : 0.0;
    identity.sizeClass = facts.sizeClass;
    gf_logLine(fmt::format("{}{}, half wing span: {:.1F} meter, category: {}",
                           fromTitle ? "SimConnect: User aircraft model deduced from title: "
                                     : "SimConnect: User aircraft model: ",
                           identity.model, halfSpanNm * kMetresPerNm, facts.sizeClassName));
    if (halfSpanNm > 0.0) {
        identity.halfSpanNm = halfSpanNm;
    } else {
        shell_.showMessage("User aircraft wing span unknown, max is taken instead, please report in my Forum!", true);
        identity.halfSpanNm = neighbours_.largestHalfSpanNm();
    }
    link_.storeUserIdentity(identity);
    link_.addUserReply(kUserReplyModel);
}

void SimClient::onUserOnGround(MessageBytes message) {
    auto reader = gf_objectDataReader(message, "USER_AC_ON_GROUND", kDataStart + 8);
    if (!reader) {
        return;
    }
    const std::int64_t onGround = reader->i64();
    neighbours_.userSecondReport();
    const UserAircraftState user = link_.gf_getUserAircraft();
    session_.userDataSeen = true;
    if (isNullPosition(user.latitude, user.longitude)) {
        return;
    }
    if (!session_.userGroundLogged) {
        session_.userGroundLogged = true;
        gf_logLine(fmt::format("User ground data: SIM ON GROUND={}, AGL={:.0f} ft, altitude={:.0f} ft, "
                               "groundspeed={:.0f} kt, position={:.6f},{:.6f}",
                               onGround, user.altitudeAboveGroundFt, user.altitudeFt, user.groundSpeedKt, user.latitude,
                               user.longitude));
    }
    link_.storeUserOnGround(onGround != 0);
}

void SimClient::onUserPosition(const ObjectDataMessage& header, MessageBytes message) {
    auto reader = gf_objectDataReader(message, "USER_AC_POSITION", kDataStart + kUserAircraftStateBytes);
    if (!reader) {
        return;
    }
    const UserAircraftState state = gf_readUserAircraftState(*reader);
    link_.storeUserAircraft(state);
    const Lalo previous = session_.lastUserPosition;
    if (!isNullPosition(previous.latitude, previous.longitude) && !isNullPosition(state.latitude, state.longitude) &&
        gf_distanceNm(previous, {state.latitude, state.longitude}) > kTeleportNm) {
        gf_logLine("Teleport");
        gf_requestRestart();
    }
    session_.lastUserPosition = {state.latitude, state.longitude};
    if (link_.gf_getUserAircraft().onGround) {
        shell_.setUserStand(neighbours_.standAtPosition(state.latitude, state.longitude).value_or(""));
    }
    if (neighbours_.professionalEdition()) {
        updateSimulatorTime(state);
    }
    session_.userObjectId = header.objectId;
}

void SimClient::updateSimulatorTime(const UserAircraftState& state) {
    const auto seconds = gf_zuluToUnixSeconds(state.zuluYear, state.zuluDayOfYear, state.zuluTimeS);
    link_.setSimulatorUtcSeconds(seconds);
    if (seconds) {
        session_.zuluInvalidLogged = false;
    } else if (!session_.zuluInvalidLogged) {
        session_.zuluInvalidLogged = true;
        gf_logLine(fmt::format("Invalid simulator Zulu time: year={}, day-of-year={}, seconds={}", state.zuluYear,
                               state.zuluDayOfYear, state.zuluTimeS));
    }
}

void SimClient::userStandCheck() {
    const UserAircraftState user = link_.gf_getUserAircraft();
    if (!user.onGround || !(user.groundSpeedKt <= kStandingStillKt)) {
        return;
    }
    if (const auto stand = neighbours_.standAtPosition(user.latitude, user.longitude)) {
        neighbours_.updateCurrentParkAirportStand(*stand);
    }
}

} // namespace kiv

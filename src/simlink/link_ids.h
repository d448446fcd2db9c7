// The fixed numbers the link registers with the simulator at every connection and then uses
// in every packet: system events, data definitions, request ids and the notification group.
// The client event ids are in link_commands.h. Constants only: any thread.
#pragma once

#include <cstdint>

namespace kiv::link_ids {

// System events (client event ids of the subscriptions).
inline constexpr std::uint32_t kEventSim = 201;
inline constexpr std::uint32_t kEventObjectAdded = 202;
inline constexpr std::uint32_t kEventObjectRemoved = 203;
inline constexpr std::uint32_t kEventFrame = 204;
inline constexpr std::uint32_t kEventPositionChanged = 205;
inline constexpr std::uint32_t kEventFlightLoaded = 206;

// Data definitions.
inline constexpr std::uint32_t kDefinitionReverseThrust = 401;
inline constexpr std::uint32_t kDefinitionAiPose = 402;       // DEFINITION_LATLONPIBAHEALVSTAS
inline constexpr std::uint32_t kDefinitionUserPosition = 403; // DEFINITION_LATLONPIBAVSHETRALTGSZULI
inline constexpr std::uint32_t kDefinitionAiSetAtcId = 404;
inline constexpr std::uint32_t kDefinitionAiGetPosition = 405;
inline constexpr std::uint32_t kDefinitionAiStaticCgAndPitch = 406;
inline constexpr std::uint32_t kDefinitionAiLights = 407;
inline constexpr std::uint32_t kDefinitionUserTitle = 408;
inline constexpr std::uint32_t kDefinitionUserModel = 409;
inline constexpr std::uint32_t kDefinitionUserOnGround = 410;

// Request ids (AI creations take theirs from the create-request counter).
inline constexpr std::uint32_t kRequestAiPosition = 101;
inline constexpr std::uint32_t kRequestAiStaticCgAndPitch = 102;
inline constexpr std::uint32_t kRequestAiInitialPose = 103;
inline constexpr std::uint32_t kRequestAiReleaseControl = 104;
inline constexpr std::uint32_t kRequestAiRemoveObject = 105;
inline constexpr std::uint32_t kRequestUserTitle = 106;
inline constexpr std::uint32_t kRequestUserModel = 107;
inline constexpr std::uint32_t kRequestUserOnGround = 108;
inline constexpr std::uint32_t kRequestUserPosition = 109;
inline constexpr std::uint32_t kRequestAiFlightPlan = 110;

inline constexpr std::uint32_t kGroupTrafficApp = 301;
inline constexpr std::uint32_t kGroupPriorityHighest = 1;

// SimConnect enumerations the link uses.
inline constexpr std::uint32_t kDatumInt64 = 2;
inline constexpr std::uint32_t kDatumFloat64 = 4;
inline constexpr std::uint32_t kDatumString32 = 6;
inline constexpr std::uint32_t kDatumStringV = 11;
inline constexpr std::uint32_t kPeriodOnce = 1;
inline constexpr std::uint32_t kPeriodSecond = 4;
inline constexpr std::uint32_t kObjectTypeAircraft = 2;
inline constexpr std::uint32_t kUserObject = 0; // SIMCONNECT_OBJECT_ID_USER in requests

// Exceptions the link tells apart.
inline constexpr std::uint32_t kExceptionUnrecognizedId = 3;
inline constexpr std::uint32_t kExceptionVersionMismatch = 5;
inline constexpr std::uint32_t kExceptionTooManyObjects = 11;
inline constexpr std::uint32_t kExceptionInvalidDataSize = 19;
inline constexpr std::uint32_t kExceptionCreateObjectFailed = 22;
inline constexpr std::uint32_t kExceptionLoadFlightPlanFailed = 23;
inline constexpr std::uint32_t kExceptionOperationInvalidForObjectType = 24;

} // namespace kiv::link_ids

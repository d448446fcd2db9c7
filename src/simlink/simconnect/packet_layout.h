// Layout of the SimConnect wire protocol as this client speaks it: the header and sizes of
// every packet sent, the fixed string fields, and the ids, minimum sizes and field offsets
// of the messages received. Constants only: any thread.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kiv::simconnect {

inline constexpr std::uint32_t kProtocolVersion = 35;
inline constexpr std::uint32_t kPacketTypeFlag = 0xF0000000u;
inline constexpr std::size_t kPacketHeaderSize = 16; // size, version, type, send id
inline constexpr std::size_t kSendIdOffset = 12;
inline constexpr std::size_t kSendBufferSize = 41088;
inline constexpr std::uint32_t kUnused = 0xFFFFFFFFu; // SIMCONNECT_UNUSED

// Fixed string fields: the usable length is one less (room for the NUL).
inline constexpr std::size_t kNameField = 256;
inline constexpr std::size_t kFlightPlanPathField = 260;
inline constexpr std::size_t kTailNumberField = 12;

// Packet ids (the low bits of the type word) and total sizes of the packets sent.
enum class PacketId : std::uint32_t {
    open = 0x01,
    mapClientEventToSimEvent = 0x04,
    transmitClientEvent = 0x05,
    addClientEventToNotificationGroup = 0x07,
    setNotificationGroupPriority = 0x09,
    addToDataDefinition = 0x0C,
    requestDataOnSimObject = 0x0E,
    requestDataOnSimObjectType = 0x0F,
    setDataOnSimObject = 0x10,
    subscribeToSystemEvent = 0x17,
    aiCreateNonAtcAircraft = 0x29,
    aiReleaseControl = 0x2B,
    aiRemoveObject = 0x2C,
    aiSetAircraftFlightPlan = 0x2D,
};

inline constexpr std::size_t kOpenSize = 296;
inline constexpr std::size_t kMapClientEventSize = 276;
inline constexpr std::size_t kTransmitClientEventSize = 36;
inline constexpr std::size_t kAddClientEventToGroupSize = 28;
inline constexpr std::size_t kSetGroupPrioritySize = 24;
inline constexpr std::size_t kAddToDataDefinitionSize = 544;
inline constexpr std::size_t kRequestDataOnSimObjectSize = 48;
inline constexpr std::size_t kRequestDataOnSimObjectTypeSize = 32;
inline constexpr std::size_t kSetDataHeaderSize = 36; // followed by count x unit size bytes
inline constexpr std::size_t kSubscribeToSystemEventSize = 276;
inline constexpr std::size_t kAiCreateNonAtcAircraftSize = 344;
inline constexpr std::size_t kAiObjectRequestSize = 24; // release control, remove object
inline constexpr std::size_t kAiSetFlightPlanSize = 284;

// OPEN's constant fields after the client name.
inline constexpr std::uint32_t kOpenProductTag = 0x50334400u; // bytes 00 'D' '3' 'P'
inline constexpr std::uint32_t kOpenVersionMajor = 5;
inline constexpr std::uint32_t kOpenVersionMinor = 3;

// Messages received: every one starts with u32 size, u32 version, u32 id.
inline constexpr std::size_t kRecvHeaderSize = 12;
inline constexpr std::size_t kRecvIdOffset = 8;

enum class RecvId : std::uint32_t {
    exception = 1,
    open = 2,
    quit = 3,
    event = 4,
    eventObjectAddRemove = 5,
    eventFilename = 6,
    eventFrame = 7,
    simObjectData = 8,
    simObjectDataByType = 9,
    assignedObjectId = 12,
};

// Field offsets from the start of each received message, and the sizes the reader needs.
namespace recv {
// EXCEPTION: exception id, send id of the packet that caused it, parameter index.
inline constexpr std::size_t kExceptionId = 12, kExceptionSendId = 16, kExceptionIndex = 20, kExceptionSize = 24;
// OPEN: application name, then application and SimConnect versions (4 x u32 each), 2 reserved.
inline constexpr std::size_t kOpenName = 12, kOpenAppVersion = 268, kOpenSimConnectVersion = 284, kOpenSize = 308;
// EVENT: group id, event id, data; ADDREMOVE adds the object type; FRAME adds two f32.
inline constexpr std::size_t kEventGroupId = 12, kEventId = 16, kEventData = 20, kEventSize = 28;
inline constexpr std::size_t kEventObjectType = 28, kEventObjectAddRemoveSize = 32;
inline constexpr std::size_t kFrameRate = 28, kFrameSimSpeed = 32, kEventFrameSize = 36;
// Servers built on the older event header (24 bytes: it lacks the word at 24) put every
// field after the data 4 bytes earlier. Readers that serve both take the event's trailing
// fields from the end of the message and accept these shorter sizes.
inline constexpr std::size_t kEventOlderSize = 24, kEventObjectAddRemoveOlderSize = 28, kEventFrameOlderSize = 32;
inline constexpr std::size_t kFileName = 28, kEventFilenameSize = 288;
// SIMOBJECT_DATA and _BYTYPE: request, object, definition, flags, entry, out of, count, data.
inline constexpr std::size_t kDataRequestId = 12, kDataObjectId = 16, kDataDefineId = 20, kDataFlags = 24;
inline constexpr std::size_t kDataEntryNumber = 28, kDataOutOf = 32, kDataDefineCount = 36, kDataStart = 40;
// ASSIGNED_OBJECT_ID: request id, object id.
inline constexpr std::size_t kAssignedRequestId = 12, kAssignedObjectId = 16, kAssignedObjectIdSize = 20;
} // namespace recv

} // namespace kiv::simconnect

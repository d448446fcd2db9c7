// Decoders of the SimConnect messages the SimClient thread reads. Each one checks the size
// it needs before it reads a field, logs a message that is too short ("SimConnect {} payload
// too small: {} < {} bytes") and then yields nothing. Pure functions over the bytes of one
// received message (header included); any thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "foundation/byte_reader.h"

namespace kiv {

using MessageBytes = std::span<const std::uint8_t>;

// True when the message holds at least `needed` bytes; otherwise logs it under `name`.
bool gf_messageHasSize(MessageBytes message, std::string_view name, std::size_t needed);

std::uint32_t gf_messageId(MessageBytes message); // the message holds its 12-byte header

struct ExceptionMessage {
    std::uint32_t exceptionId = 0;
    std::uint32_t sendId = 0; // of the packet that caused it
    std::uint32_t index = 0;
};
std::optional<ExceptionMessage> gf_decodeException(MessageBytes message);

struct OpenMessage {
    std::string_view applicationName; // points into the message
    std::array<std::uint32_t, 4> applicationVersion{};
};
std::optional<OpenMessage> gf_decodeOpen(MessageBytes message);

// EVENT, and the head of every event message: accepted from 24 bytes on (older header).
struct EventMessage {
    std::uint32_t groupId = 0;
    std::uint32_t eventId = 0;
    std::uint32_t data = 0;
};
std::optional<EventMessage> gf_decodeEvent(MessageBytes message, std::string_view name = "EVENT");

// EVENT_OBJECT_ADDREMOVE: the object's id travels in the event's data field; its type is the
// last word of the message in both header layouts.
struct ObjectAddRemoveMessage {
    std::uint32_t eventId = 0;
    std::uint32_t objectId = 0;
    std::uint32_t objectType = 0;
};
std::optional<ObjectAddRemoveMessage> gf_decodeObjectAddRemove(MessageBytes message);

// EVENT_FRAME: frame rate and simulation speed are the message's last two f32.
struct FrameMessage {
    float frameRate = 0.0f;
    float simulationSpeed = 0.0f;
};
std::optional<FrameMessage> gf_decodeFrame(MessageBytes message);

// SIMOBJECT_DATA and SIMOBJECT_DATA_BYTYPE: the 40-byte header, then the data.
struct ObjectDataMessage {
    std::uint32_t requestId = 0;
    std::uint32_t objectId = 0;
    std::uint32_t defineId = 0;
    std::uint32_t entryNumber = 0;
    std::uint32_t outOf = 0;
    std::uint32_t defineCount = 0;
    MessageBytes data; // everything after the header
};
std::optional<ObjectDataMessage> gf_decodeObjectData(MessageBytes message, std::string_view name);

struct AssignedObjectIdMessage {
    std::uint32_t requestId = 0;
    std::uint32_t objectId = 0;
};
std::optional<AssignedObjectIdMessage> gf_decodeAssignedObjectId(MessageBytes message);

// A reader at the start of an object data reply's data, when the message holds at least
// `needed` bytes; otherwise the shortage is logged under `name`.
std::optional<ByteReader> gf_objectDataReader(MessageBytes message, std::string_view name, std::size_t needed);

} // namespace kiv

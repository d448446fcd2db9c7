#include "simlink/received_messages.h"

#include <fmt/format.h>

#include "foundation/log.h"
#include "simlink/simconnect/packet_layout.h"

namespace kiv {

namespace recv = simconnect::recv;

bool gf_messageHasSize(MessageBytes message, std::string_view name, std::size_t needed) {
    if (message.size() >= needed) {
        return true;
    }
    gf_logLine(fmt::format("SimConnect {} payload too small: {} < {} bytes", name, message.size(), needed));
    return false;
}

std::uint32_t gf_messageId(MessageBytes message) {
    ByteReader reader(message, "RECV");
    reader.seek(simconnect::kRecvIdOffset);
    return reader.u32();
}

std::optional<ExceptionMessage> gf_decodeException(MessageBytes message) {
    if (!gf_messageHasSize(message, "EXCEPTION", recv::kExceptionSize)) {
        return std::nullopt;
    }
    ByteReader reader(message, "EXCEPTION");
    reader.seek(recv::kExceptionId);
    ExceptionMessage decoded;
    decoded.exceptionId = reader.u32();
    decoded.sendId = reader.u32();
    decoded.index = reader.u32();
    return decoded;
}

std::optional<OpenMessage> gf_decodeOpen(MessageBytes message) {
    if (!gf_messageHasSize(message, "OPEN", recv::kOpenSize)) {
        return std::nullopt;
    }
    ByteReader reader(message, "OPEN");
    reader.seek(recv::kOpenName);
    OpenMessage decoded;
    decoded.applicationName = reader.fixedString(recv::kOpenAppVersion - recv::kOpenName);
    for (std::uint32_t& part : decoded.applicationVersion) {
        part = reader.u32();
    }
    return decoded;
}

std::optional<EventMessage> gf_decodeEvent(MessageBytes message, std::string_view name) {
    if (!gf_messageHasSize(message, name, recv::kEventOlderSize)) {
        return std::nullopt;
    }
    ByteReader reader(message, name);
    reader.seek(recv::kEventGroupId);
    EventMessage decoded;
    decoded.groupId = reader.u32();
    decoded.eventId = reader.u32();
    decoded.data = reader.u32();
    return decoded;
}

std::optional<ObjectAddRemoveMessage> gf_decodeObjectAddRemove(MessageBytes message) {
    constexpr std::string_view name = "EVENT_OBJECT_ADDREMOVE";
    if (!gf_messageHasSize(message, name, recv::kEventObjectAddRemoveOlderSize)) {
        return std::nullopt;
    }
    const auto event = gf_decodeEvent(message, name);
    ByteReader reader(message, name);
    reader.seek(message.size() - 4);
    return ObjectAddRemoveMessage{event->eventId, event->data, reader.u32()};
}

std::optional<FrameMessage> gf_decodeFrame(MessageBytes message) {
    constexpr std::string_view name = "EVENT_FRAME";
    if (!gf_messageHasSize(message, name, recv::kEventFrameOlderSize)) {
        return std::nullopt;
    }
    ByteReader reader(message, name);
    reader.seek(message.size() - 8);
    FrameMessage decoded;
    decoded.frameRate = reader.f32();
    decoded.simulationSpeed = reader.f32();
    return decoded;
}

std::optional<ObjectDataMessage> gf_decodeObjectData(MessageBytes message, std::string_view name) {
    if (!gf_messageHasSize(message, name, recv::kDataStart)) {
        return std::nullopt;
    }
    ByteReader reader(message, name);
    reader.seek(recv::kDataRequestId);
    ObjectDataMessage decoded;
    decoded.requestId = reader.u32();
    decoded.objectId = reader.u32();
    decoded.defineId = reader.u32();
    reader.skip(4); // flags
    decoded.entryNumber = reader.u32();
    decoded.outOf = reader.u32();
    decoded.defineCount = reader.u32();
    decoded.data = message.subspan(recv::kDataStart);
    return decoded;
}

std::optional<AssignedObjectIdMessage> gf_decodeAssignedObjectId(MessageBytes message) {
    if (!gf_messageHasSize(message, "ASSIGNED_OBJECT_ID", recv::kAssignedObjectIdSize)) {
        return std::nullopt;
    }
    ByteReader reader(message, "ASSIGNED_OBJECT_ID");
    reader.seek(recv::kAssignedRequestId);
    AssignedObjectIdMessage decoded;
    decoded.requestId = reader.u32();
    decoded.objectId = reader.u32();
    return decoded;
}

std::optional<ByteReader> gf_objectDataReader(MessageBytes message, std::string_view name, std::size_t needed) {
    if (!gf_messageHasSize(message, name, needed)) {
        return std::nullopt;
    }
    ByteReader reader(message, name);
    reader.seek(recv::kDataStart);
    return reader;
}

} // namespace kiv

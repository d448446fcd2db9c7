#include "simlink/simconnect/simconnect_api.h"

#include <algorithm>
#include <mutex>
#include <span>

#include "foundation/byte_writer.h"
#include "simlink/simconnect/packet_layout.h"

namespace kiv::simconnect {
namespace {

// One lock for all connections: a packet is reserved, filled and committed under it in one
// go, so that a second caller can never have its half-filled packet sent by another's commit.
std::mutex& sendLock() {
    static std::mutex lock;
    return lock;
}

void writeHeader(ByteWriter& writer, std::size_t size, PacketId id) {
    writer.u32(static_cast<std::uint32_t>(size));
    writer.u32(kProtocolVersion);
    writer.u32(kPacketTypeFlag | static_cast<std::uint32_t>(id));
    writer.seek(kPacketHeaderSize); // the send id was stamped by the reserve
}

Hresult commit(Connection& connection) {
    SendBuffer& buffer = connection.sendBuffer();
    const auto pending = buffer.pending();
    if (pending.empty()) {
        return kS_OK;
    }
    const bool queued = connection.send(pending);
    buffer.clearAfterCommit();
    return queued ? kS_OK : kE_FAIL;
}

// Reserve, fill, commit (or release on a failed fill). `fill` writes the payload after the
// header and returns a result; anything but S_OK gives the reservation back.
template <typename Fill> Hresult sendPacket(HSimConnect handle, PacketId id, std::size_t size, Fill&& fill) {
    if (handle == nullptr || !handle->connection) {
        return kE_FAIL;
    }
    Connection& connection = *handle->connection;
    std::lock_guard lock(sendLock());
    if (connection.check()) {
        return failedConnectionResult(connection.failure().status);
    }
    const auto block = connection.sendBuffer().reserve(size);
    if (!block) {
        return kE_FAIL; // larger than the free room of the send buffer
    }
    ByteWriter writer(*block, "SimConnect packet");
    writeHeader(writer, size, id);
    if (const Hresult result = fill(writer); result != kS_OK) {
        connection.sendBuffer().release();
        return result;
    }
    return commit(connection);
}

Hresult writeText(ByteWriter& writer, const char* text, std::size_t fieldSize) {
    return writer.fixedString(text, fieldSize) ? kS_OK : kInsufficientBuffer;
}

Hresult sendOpen(SimConnectSession& session, const char* name) {
    Connection& connection = *session.connection;
    std::lock_guard lock(sendLock());
    if (connection.check()) {
        return failedConnectionResult(connection.failure().status);
    }
    const auto block = connection.sendBuffer().reserve(kOpenSize);
    if (!block) {
        return kE_FAIL;
    }
    ByteWriter writer(*block, "SimConnect OPEN packet");
    writeHeader(writer, kOpenSize, PacketId::open);
    if (!writer.fixedString(name, kNameField)) {
        connection.sendBuffer().release();
        return kInsufficientBuffer;
    }
    writer.u32(0);
    writer.u32(kOpenProductTag);
    writer.u32(kOpenVersionMajor);
    writer.u32(kOpenVersionMinor);
    writer.u32(0);
    writer.u32(0);
    return commit(connection);
}

} // namespace

Hresult SimConnect_Open(HSimConnect* handle, const char* name, std::uintptr_t window, std::uint32_t userMessage,
                        std::uintptr_t eventHandle, std::int32_t configIndex, const ConnectEnvironment& environment) {
    if (handle == nullptr || name == nullptr) {
        return kE_INVALIDARG;
    }
    *handle = nullptr;
    auto outcome = connectToSimulator(configIndex, environment);
    if (outcome.result != kConnectOk) {
        return outcome.result == kConnectNoSection ? kE_INVALIDARG : kE_FAIL;
    }
    auto session = std::make_unique<SimConnectSession>();
    session->connection = std::move(outcome.connection);
    session->connection->window = window;
    session->connection->windowMessage = userMessage;
    session->connection->eventHandle = eventHandle;
    session->connection->dispatchProc = nullptr;
    const Hresult result = sendOpen(*session, name);
    if (result != kS_OK) {
        // The session (and with it the connection) ends here; the caller gets no handle.
        return result;
    }
    *handle = session.release();
    return kS_OK;
}

Hresult SimConnect_Close(HSimConnect handle) {
    if (handle == nullptr || !handle->connection) {
        return kE_FAIL;
    }
    // Packets queued last (the removals at shut-down) should still reach the simulator.
    handle->connection->close(std::chrono::milliseconds(100));
    delete handle;
    return kS_OK;
}

Hresult SimConnect_CallDispatch(HSimConnect handle, DispatchProc callback, void* context) {
    if (handle == nullptr || !handle->connection) {
        return kE_FAIL;
    }
    Connection& connection = *handle->connection;
    if (callback != nullptr) {
        connection.dispatchProc = callback;
        connection.dispatchContext = context;
    }
    if (connection.dispatchProc == nullptr) {
        return kE_FAIL;
    }
    while (PacketHandle message = connection.takeReceived()) {
        if (message->length >= kRecvHeaderSize) {
            connection.dispatchProc(message->bytes.data(), message->length, connection.dispatchContext);
        }
    }
    return connection.check() ? failedConnectionResult(connection.failure().status) : kS_OK;
}

Hresult SimConnect_GetLastSentPacketID(HSimConnect handle, std::uint32_t* sendId) {
    if (handle == nullptr || !handle->connection || sendId == nullptr) {
        return kE_FAIL;
    }
    std::lock_guard lock(sendLock());
    *sendId = handle->connection->sendBuffer().lastSendId();
    return kS_OK;
}

Hresult SimConnect_MapClientEventToSimEvent(HSimConnect handle, std::uint32_t eventId, const char* eventName) {
    return sendPacket(handle, PacketId::mapClientEventToSimEvent, kMapClientEventSize, [&](ByteWriter& writer) {
        writer.u32(eventId);
        return writeText(writer, eventName, kNameField);
    });
}

Hresult SimConnect_TransmitClientEvent(HSimConnect handle, std::uint32_t objectId, std::uint32_t eventId,
                                       std::uint32_t data, std::uint32_t groupId, std::uint32_t flags) {
    return sendPacket(handle, PacketId::transmitClientEvent, kTransmitClientEventSize, [&](ByteWriter& writer) {
        writer.u32(objectId);
        writer.u32(eventId);
        writer.u32(data);
        writer.u32(groupId);
        writer.u32(flags);
        return kS_OK;
    });
}

Hresult SimConnect_AddClientEventToNotificationGroup(HSimConnect handle, std::uint32_t groupId, std::uint32_t eventId,
                                                     std::uint32_t maskable) {
    return sendPacket(handle, PacketId::addClientEventToNotificationGroup, kAddClientEventToGroupSize,
                      [&](ByteWriter& writer) {
                          writer.u32(groupId);
                          writer.u32(eventId);
                          writer.u32(maskable);
                          return kS_OK;
                      });
}

Hresult SimConnect_SetNotificationGroupPriority(HSimConnect handle, std::uint32_t groupId, std::uint32_t priority) {
    return sendPacket(handle, PacketId::setNotificationGroupPriority, kSetGroupPrioritySize, [&](ByteWriter& writer) {
        writer.u32(groupId);
        writer.u32(priority);
        return kS_OK;
    });
}

Hresult SimConnect_AddToDataDefinition(HSimConnect handle, std::uint32_t defineId, const char* datumName,
                                       const char* unitsName, std::uint32_t datumType, float epsilon,
                                       std::uint32_t datumId) {
    return sendPacket(handle, PacketId::addToDataDefinition, kAddToDataDefinitionSize, [&](ByteWriter& writer) {
        writer.u32(defineId);
        if (const Hresult result = writeText(writer, datumName, kNameField); result != kS_OK) {
            return result;
        }
        if (const Hresult result = writeText(writer, unitsName, kNameField); result != kS_OK) {
            return result;
        }
        writer.u32(datumType);
        writer.f32(epsilon);
        writer.u32(datumId);
        return kS_OK;
    });
}

Hresult SimConnect_RequestDataOnSimObject(HSimConnect handle, std::uint32_t requestId, std::uint32_t defineId,
                                          std::uint32_t objectId, std::uint32_t period, std::uint32_t flags,
                                          std::uint32_t origin, std::uint32_t interval, std::uint32_t limit) {
    return sendPacket(handle, PacketId::requestDataOnSimObject, kRequestDataOnSimObjectSize, [&](ByteWriter& writer) {
        for (const std::uint32_t value : {requestId, defineId, objectId, period, flags, origin, interval, limit}) {
            writer.u32(value);
        }
        return kS_OK;
    });
}

Hresult SimConnect_RequestDataOnSimObjectType(HSimConnect handle, std::uint32_t requestId, std::uint32_t defineId,
                                              std::uint32_t radiusMeters, std::uint32_t objectType) {
    return sendPacket(handle, PacketId::requestDataOnSimObjectType, kRequestDataOnSimObjectTypeSize,
                      [&](ByteWriter& writer) {
                          for (const std::uint32_t value : {requestId, defineId, radiusMeters, objectType}) {
                              writer.u32(value);
                          }
                          return kS_OK;
                      });
}

Hresult SimConnect_SetDataOnSimObject(HSimConnect handle, std::uint32_t defineId, std::uint32_t objectId,
                                      std::uint32_t flags, std::uint32_t arrayCount, std::uint32_t unitSize,
                                      const void* data) {
    const std::uint32_t count = arrayCount == 0 ? 1 : arrayCount;
    const std::uint64_t dataSize = std::uint64_t{count} * unitSize;
    if (data == nullptr && dataSize > 0) {
        return kE_INVALIDARG;
    }
    // Sizes beyond the send buffer are refused by the reserve; clamp so the sum cannot wrap.
    const std::size_t size =
        kSetDataHeaderSize + static_cast<std::size_t>(std::min<std::uint64_t>(dataSize, kSendBufferSize));
    return sendPacket(handle, PacketId::setDataOnSimObject, size, [&](ByteWriter& writer) {
        writer.u32(defineId);
        writer.u32(objectId);
        writer.u32(flags);
        writer.u32(count);
        writer.u32(unitSize);
        writer.bytes(std::span(static_cast<const std::uint8_t*>(data), static_cast<std::size_t>(dataSize)));
        return kS_OK;
    });
}

Hresult SimConnect_SubscribeToSystemEvent(HSimConnect handle, std::uint32_t eventId, const char* systemEventName) {
    return sendPacket(handle, PacketId::subscribeToSystemEvent, kSubscribeToSystemEventSize, [&](ByteWriter& writer) {
        writer.u32(eventId);
        return writeText(writer, systemEventName, kNameField);
    });
}

Hresult SimConnect_AICreateNonATCAircraft(HSimConnect handle, const char* containerTitle, const char* tailNumber,
                                          const InitPosition& initPosition, std::uint32_t requestId) {
    return sendPacket(handle, PacketId::aiCreateNonAtcAircraft, kAiCreateNonAtcAircraftSize, [&](ByteWriter& writer) {
        if (const Hresult result = writeText(writer, containerTitle, kNameField); result != kS_OK) {
            return result;
        }
        if (const Hresult result = writeText(writer, tailNumber, kTailNumberField); result != kS_OK) {
            return result;
        }
        for (const double value : {initPosition.latitudeDeg, initPosition.longitudeDeg, initPosition.altitudeFt,
                                   initPosition.pitchDeg, initPosition.bankDeg, initPosition.headingDeg}) {
            writer.f64(value);
        }
        writer.u32(initPosition.onGround);
        writer.u32(initPosition.airspeedKt);
        writer.u32(requestId);
        return kS_OK;
    });
}

Hresult SimConnect_AIReleaseControl(HSimConnect handle, std::uint32_t objectId, std::uint32_t requestId) {
    return sendPacket(handle, PacketId::aiReleaseControl, kAiObjectRequestSize, [&](ByteWriter& writer) {
        writer.u32(objectId);
        writer.u32(requestId);
        return kS_OK;
    });
}

Hresult SimConnect_AIRemoveObject(HSimConnect handle, std::uint32_t objectId, std::uint32_t requestId) {
    return sendPacket(handle, PacketId::aiRemoveObject, kAiObjectRequestSize, [&](ByteWriter& writer) {
        writer.u32(objectId);
        writer.u32(requestId);
        return kS_OK;
    });
}

Hresult SimConnect_AISetAircraftFlightPlan(HSimConnect handle, std::uint32_t objectId, const char* flightPlanPath,
                                           std::uint32_t requestId) {
    return sendPacket(handle, PacketId::aiSetAircraftFlightPlan, kAiSetFlightPlanSize, [&](ByteWriter& writer) {
        writer.u32(objectId);
        if (const Hresult result = writeText(writer, flightPlanPath, kFlightPlanPathField); result != kS_OK) {
            return result;
        }
        writer.u32(requestId);
        return kS_OK;
    });
}

} // namespace kiv::simconnect

#include "simlink/simconnect_calls.h"

#include <utility>

namespace kiv {

using namespace simconnect;

SessionCalls::SessionCalls(ConnectEnvironment environment) : environment_(std::move(environment)) {}

SessionCalls::~SessionCalls() {
    if (isOpen()) {
        close();
    }
}

Hresult SessionCalls::open(const char* name) {
    if (isOpen()) {
        close(); // one session at a time
    }
    HSimConnect handle = nullptr;
    const Hresult result = SimConnect_Open(&handle, name, 0, 0, 0, 0, environment_);
    handle_.store(handle);
    return result;
}

Hresult SessionCalls::close() {
    const Hresult result = SimConnect_Close(handle_.exchange(nullptr));
    return result;
}

Hresult SessionCalls::callDispatch(DispatchProc callback, void* context) {
    return SimConnect_CallDispatch(handle_.load(), callback, context);
}

Hresult SessionCalls::getLastSentPacketId(std::uint32_t* sendId) {
    return SimConnect_GetLastSentPacketID(handle_.load(), sendId);
}

std::string SessionCalls::describe(Hresult) const {
    // The closest thing to a system description here is the transport's own account of
    // why the connection failed.
    const HSimConnect handle = handle_.load();
    if (handle != nullptr && handle->connection && handle->connection->hasFailed()) {
        std::string text = handle->connection->failure().text;
        if (!text.empty()) {
            return text;
        }
    }
    return "no system description";
}

Hresult SessionCalls::subscribeToSystemEvent(std::uint32_t eventId, const char* name) {
    return SimConnect_SubscribeToSystemEvent(handle_.load(), eventId, name);
}

Hresult SessionCalls::addToDataDefinition(std::uint32_t defineId, const char* datumName, const char* unitsName,
                                          std::uint32_t datumType, float epsilon, std::uint32_t datumId) {
    return SimConnect_AddToDataDefinition(handle_.load(), defineId, datumName, unitsName, datumType, epsilon, datumId);
}

Hresult SessionCalls::mapClientEventToSimEvent(std::uint32_t eventId, const char* name) {
    return SimConnect_MapClientEventToSimEvent(handle_.load(), eventId, name);
}

Hresult SessionCalls::addClientEventToNotificationGroup(std::uint32_t groupId, std::uint32_t eventId,
                                                        std::uint32_t maskable) {
    return SimConnect_AddClientEventToNotificationGroup(handle_.load(), groupId, eventId, maskable);
}

Hresult SessionCalls::setNotificationGroupPriority(std::uint32_t groupId, std::uint32_t priority) {
    return SimConnect_SetNotificationGroupPriority(handle_.load(), groupId, priority);
}

Hresult SessionCalls::transmitClientEvent(std::uint32_t objectId, std::uint32_t eventId, std::uint32_t data,
                                          std::uint32_t groupId, std::uint32_t flags) {
    return SimConnect_TransmitClientEvent(handle_.load(), objectId, eventId, data, groupId, flags);
}

Hresult SessionCalls::requestDataOnSimObject(std::uint32_t requestId, std::uint32_t defineId, std::uint32_t objectId,
                                             std::uint32_t period) {
    return SimConnect_RequestDataOnSimObject(handle_.load(), requestId, defineId, objectId, period, 0, 0, 0, 0);
}

Hresult SessionCalls::requestDataOnSimObjectType(std::uint32_t requestId, std::uint32_t defineId,
                                                 std::uint32_t radiusMetres, std::uint32_t objectType) {
    return SimConnect_RequestDataOnSimObjectType(handle_.load(), requestId, defineId, radiusMetres, objectType);
}

Hresult SessionCalls::setDataOnSimObject(std::uint32_t defineId, std::uint32_t objectId, std::uint32_t arrayCount,
                                         std::uint32_t unitSize, const void* data) {
    return SimConnect_SetDataOnSimObject(handle_.load(), defineId, objectId, 0, arrayCount, unitSize, data);
}

Hresult SessionCalls::aiCreateNonAtcAircraft(const char* title, const char* tailNumber, const InitPosition& position,
                                             std::uint32_t requestId) {
    return SimConnect_AICreateNonATCAircraft(handle_.load(), title, tailNumber, position, requestId);
}

Hresult SessionCalls::aiReleaseControl(std::uint32_t objectId, std::uint32_t requestId) {
    return SimConnect_AIReleaseControl(handle_.load(), objectId, requestId);
}

Hresult SessionCalls::aiRemoveObject(std::uint32_t objectId, std::uint32_t requestId) {
    return SimConnect_AIRemoveObject(handle_.load(), objectId, requestId);
}

Hresult SessionCalls::aiSetAircraftFlightPlan(std::uint32_t objectId, const char* path, std::uint32_t requestId) {
    return SimConnect_AISetAircraftFlightPlan(handle_.load(), objectId, path, requestId);
}

} // namespace kiv

// The SimConnect calls this program makes, under their SDK names. Each call that sends
// builds one packet in the connection's send buffer and hands it to the I/O thread at once.
// Calls never throw: they return HRESULT-style results (see hresult.h). Any thread may
// call; packet building is serialised by one process-wide lock.
#pragma once

#include <cstdint>
#include <memory>

#include "simlink/simconnect/connection.h"
#include "simlink/simconnect/connector.h"
#include "simlink/simconnect/hresult.h"

namespace kiv::simconnect {

// The session handle: a small object owning the connection.
struct SimConnectSession {
    std::unique_ptr<Connection> connection;
};
using HSimConnect = SimConnectSession*;

// SIMCONNECT_DATA_INITPOSITION.
struct InitPosition {
    double latitudeDeg = 0;
    double longitudeDeg = 0;
    double altitudeFt = 0;
    double pitchDeg = 0;
    double bankDeg = 0;
    double headingDeg = 0;
    std::uint32_t onGround = 0;
    std::uint32_t airspeedKt = 0;
};

// Connects (see connector.h) and sends OPEN. On success *handle holds a new session; on
// failure it is null. E_INVALIDARG for a null handle or name or an unknown config section.
Hresult SimConnect_Open(HSimConnect* handle, const char* name, std::uintptr_t window, std::uint32_t userMessage,
                        std::uintptr_t eventHandle, std::int32_t configIndex,
                        const ConnectEnvironment& environment = ConnectEnvironment::standard());
// Lets queued packets leave (at most 100 ms), ends the connection and frees the session.
Hresult SimConnect_Close(HSimConnect handle);
Hresult SimConnect_CallDispatch(HSimConnect handle, DispatchProc callback, void* context);
Hresult SimConnect_GetLastSentPacketID(HSimConnect handle, std::uint32_t* sendId);

Hresult SimConnect_MapClientEventToSimEvent(HSimConnect handle, std::uint32_t eventId, const char* eventName);
Hresult SimConnect_TransmitClientEvent(HSimConnect handle, std::uint32_t objectId, std::uint32_t eventId,
                                       std::uint32_t data, std::uint32_t groupId, std::uint32_t flags);
Hresult SimConnect_AddClientEventToNotificationGroup(HSimConnect handle, std::uint32_t groupId, std::uint32_t eventId,
                                                     std::uint32_t maskable);
Hresult SimConnect_SetNotificationGroupPriority(HSimConnect handle, std::uint32_t groupId, std::uint32_t priority);
Hresult SimConnect_AddToDataDefinition(HSimConnect handle, std::uint32_t defineId, const char* datumName,
                                       const char* unitsName, std::uint32_t datumType, float epsilon,
                                       std::uint32_t datumId);
Hresult SimConnect_RequestDataOnSimObject(HSimConnect handle, std::uint32_t requestId, std::uint32_t defineId,
                                          std::uint32_t objectId, std::uint32_t period, std::uint32_t flags,
                                          std::uint32_t origin, std::uint32_t interval, std::uint32_t limit);
Hresult SimConnect_RequestDataOnSimObjectType(HSimConnect handle, std::uint32_t requestId, std::uint32_t defineId,
                                              std::uint32_t radiusMeters, std::uint32_t objectType);
// Sends arrayCount x unitSize bytes of `data` (a count of 0 is sent as 1).
Hresult SimConnect_SetDataOnSimObject(HSimConnect handle, std::uint32_t defineId, std::uint32_t objectId,
                                      std::uint32_t flags, std::uint32_t arrayCount, std::uint32_t unitSize,
                                      const void* data);
Hresult SimConnect_SubscribeToSystemEvent(HSimConnect handle, std::uint32_t eventId, const char* systemEventName);
Hresult SimConnect_AICreateNonATCAircraft(HSimConnect handle, const char* containerTitle, const char* tailNumber,
                                          const InitPosition& initPosition, std::uint32_t requestId);
Hresult SimConnect_AIReleaseControl(HSimConnect handle, std::uint32_t objectId, std::uint32_t requestId);
Hresult SimConnect_AIRemoveObject(HSimConnect handle, std::uint32_t objectId, std::uint32_t requestId);
Hresult SimConnect_AISetAircraftFlightPlan(HSimConnect handle, std::uint32_t objectId, const char* flightPlanPath,
                                           std::uint32_t requestId);

} // namespace kiv::simconnect

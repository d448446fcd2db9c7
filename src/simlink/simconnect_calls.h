// The SimConnect calls the SimClient thread makes, behind one interface: the program uses
// SessionCalls (one session of the real client at a time), tests a recording fake that can
// fail chosen calls. Only the SimClient thread calls; isOpen() may be read from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "simlink/simconnect/connector.h"
#include "simlink/simconnect/hresult.h"
#include "simlink/simconnect/simconnect_api.h"

namespace kiv {

using simconnect::Hresult;

class SimConnectCalls {
public:
    virtual ~SimConnectCalls() = default;

    // Opens a session under the client name (window, message and event 0, configuration 0).
    virtual Hresult open(const char* name) = 0;
    // Ends the session; E_FAIL when none is open.
    virtual Hresult close() = 0;
    virtual bool isOpen() const = 0;
    virtual Hresult callDispatch(simconnect::DispatchProc callback, void* context) = 0;
    virtual Hresult getLastSentPacketId(std::uint32_t* sendId) = 0;
    // A readable text for a failed result of this session ("no system description" when none).
    virtual std::string describe(Hresult result) const = 0;

    virtual Hresult subscribeToSystemEvent(std::uint32_t eventId, const char* name) = 0;
    virtual Hresult addToDataDefinition(std::uint32_t defineId, const char* datumName, const char* unitsName,
                                        std::uint32_t datumType, float epsilon, std::uint32_t datumId) = 0;
    virtual Hresult mapClientEventToSimEvent(std::uint32_t eventId, const char* name) = 0;
    virtual Hresult addClientEventToNotificationGroup(std::uint32_t groupId, std::uint32_t eventId,
                                                      std::uint32_t maskable) = 0;
    virtual Hresult setNotificationGroupPriority(std::uint32_t groupId, std::uint32_t priority) = 0;

    virtual Hresult transmitClientEvent(std::uint32_t objectId, std::uint32_t eventId, std::uint32_t data,
                                        std::uint32_t groupId, std::uint32_t flags) = 0;
    virtual Hresult requestDataOnSimObject(std::uint32_t requestId, std::uint32_t defineId, std::uint32_t objectId,
                                           std::uint32_t period) = 0;
    virtual Hresult requestDataOnSimObjectType(std::uint32_t requestId, std::uint32_t defineId,
                                               std::uint32_t radiusMetres, std::uint32_t objectType) = 0;
    virtual Hresult setDataOnSimObject(std::uint32_t defineId, std::uint32_t objectId, std::uint32_t arrayCount,
                                       std::uint32_t unitSize, const void* data) = 0;
    virtual Hresult aiCreateNonAtcAircraft(const char* title, const char* tailNumber,
                                           const simconnect::InitPosition& position, std::uint32_t requestId) = 0;
    virtual Hresult aiReleaseControl(std::uint32_t objectId, std::uint32_t requestId) = 0;
    virtual Hresult aiRemoveObject(std::uint32_t objectId, std::uint32_t requestId) = 0;
    virtual Hresult aiSetAircraftFlightPlan(std::uint32_t objectId, const char* path, std::uint32_t requestId) = 0;
};

// The real client: one session at a time, found through `environment`.
class SessionCalls final : public SimConnectCalls {
public:
    explicit SessionCalls(simconnect::ConnectEnvironment environment);
    ~SessionCalls() override;
    SessionCalls(const SessionCalls&) = delete;
    SessionCalls& operator=(const SessionCalls&) = delete;

    Hresult open(const char* name) override;
    Hresult close() override;
    bool isOpen() const override { return handle_.load() != nullptr; }
    Hresult callDispatch(simconnect::DispatchProc callback, void* context) override;
    Hresult getLastSentPacketId(std::uint32_t* sendId) override;
    std::string describe(Hresult result) const override;

    Hresult subscribeToSystemEvent(std::uint32_t eventId, const char* name) override;
    Hresult addToDataDefinition(std::uint32_t defineId, const char* datumName, const char* unitsName,
                                std::uint32_t datumType, float epsilon, std::uint32_t datumId) override;
    Hresult mapClientEventToSimEvent(std::uint32_t eventId, const char* name) override;
    Hresult addClientEventToNotificationGroup(std::uint32_t groupId, std::uint32_t eventId,
                                              std::uint32_t maskable) override;
    Hresult setNotificationGroupPriority(std::uint32_t groupId, std::uint32_t priority) override;
    Hresult transmitClientEvent(std::uint32_t objectId, std::uint32_t eventId, std::uint32_t data,
                                std::uint32_t groupId, std::uint32_t flags) override;
    Hresult requestDataOnSimObject(std::uint32_t requestId, std::uint32_t defineId, std::uint32_t objectId,
                                   std::uint32_t period) override;
    Hresult requestDataOnSimObjectType(std::uint32_t requestId, std::uint32_t defineId, std::uint32_t radiusMetres,
                                       std::uint32_t objectType) override;
    Hresult setDataOnSimObject(std::uint32_t defineId, std::uint32_t objectId, std::uint32_t arrayCount,
                               std::uint32_t unitSize, const void* data) override;
    Hresult aiCreateNonAtcAircraft(const char* title, const char* tailNumber, const simconnect::InitPosition& position,
                                   std::uint32_t requestId) override;
    Hresult aiReleaseControl(std::uint32_t objectId, std::uint32_t requestId) override;
    Hresult aiRemoveObject(std::uint32_t objectId, std::uint32_t requestId) override;
    Hresult aiSetAircraftFlightPlan(std::uint32_t objectId, const char* path, std::uint32_t requestId) override;

private:
    simconnect::ConnectEnvironment environment_;
    // Written by the SimClient thread only; atomic so that isOpen() may be asked from anywhere.
    std::atomic<simconnect::HSimConnect> handle_{nullptr};
};

} // namespace kiv

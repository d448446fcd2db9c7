// Recording fakes of what the SimClient talks to: the SimConnect calls, the shell and the
// other neighbours. Tests only; one test thread uses one fake at a time (the shell and the
// neighbours may be read through their locks while a SimClient thread runs).
#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "simlink/link_neighbours.h"
#include "simlink/link_shell.h"
#include "simlink/simconnect_calls.h"

namespace kiv::test_support {

struct SimCall {
    std::string name;                // the call's SDK name without "SimConnect_"
    std::vector<std::uint32_t> args; // its integer arguments in order
    std::string text;                // its first text argument, if any
    std::vector<std::uint8_t> data;  // the bytes of SetDataOnSimObject
    std::vector<double> values() const {
        std::vector<double> result(data.size() / 8);
        std::memcpy(result.data(), data.data(), result.size() * 8);
        return result;
    }
};

class FakeSimConnectCalls : public SimConnectCalls {
public:
    std::vector<SimCall> calls;
    bool sessionOpen = true;
    std::uint32_t sendId = 0; // each call that sends takes the next
    Hresult openResult = 0;
    Hresult dispatchResult = 0;
    // Decides per call; a call it fails returns E_FAIL (and sends nothing).
    std::function<bool(const SimCall&)> fails;
    // Off: pose writes are only counted, so that a test can count the client's own allocations.
    bool recordPoseWrites = true;
    std::uint64_t poseWritesUnrecorded = 0;
    // Messages handed to the callback by the next callDispatch.
    std::vector<std::vector<std::uint8_t>> inbox;

    std::vector<SimCall> named(const std::string& name) const {
        std::vector<SimCall> result;
        for (const SimCall& call : calls) {
            if (call.name == name) {
                result.push_back(call);
            }
        }
        return result;
    }
    std::vector<std::string> names() const {
        std::vector<std::string> result;
        for (const SimCall& call : calls) {
            result.push_back(call.name);
        }
        return result;
    }

    Hresult open(const char*) override {
        sessionOpen = openResult == 0;
        return openResult;
    }
    Hresult close() override {
        const bool was = sessionOpen;
        sessionOpen = false;
        return was ? 0 : simconnect::kE_FAIL;
    }
    bool isOpen() const override { return sessionOpen; }
    Hresult callDispatch(simconnect::DispatchProc callback, void* context) override {
        auto messages = std::move(inbox);
        inbox.clear();
        for (const auto& message : messages) {
            callback(message.data(), static_cast<std::uint32_t>(message.size()), context);
        }
        return dispatchResult;
    }
    Hresult getLastSentPacketId(std::uint32_t* id) override {
        *id = sendId;
        return record({"GetLastSentPacketID", {}, {}, {}});
    }
    std::string describe(Hresult) const override { return "no system description"; }

    Hresult subscribeToSystemEvent(std::uint32_t eventId, const char* name) override {
        return send({"SubscribeToSystemEvent", {eventId}, name, {}});
    }
    Hresult addToDataDefinition(std::uint32_t defineId, const char* datum, const char* units, std::uint32_t type, float,
                                std::uint32_t datumId) override {
        SimCall call{"AddToDataDefinition", {defineId, type, datumId}, datum, {}};
        const std::string unitsText = units != nullptr ? units : "";
        call.data.assign(unitsText.begin(), unitsText.end());
        return send(std::move(call));
    }
    Hresult mapClientEventToSimEvent(std::uint32_t eventId, const char* name) override {
        return send({"MapClientEventToSimEvent", {eventId}, name, {}});
    }
    Hresult addClientEventToNotificationGroup(std::uint32_t group, std::uint32_t eventId,
                                              std::uint32_t maskable) override {
        return send({"AddClientEventToNotificationGroup", {group, eventId, maskable}, {}, {}});
    }
    Hresult setNotificationGroupPriority(std::uint32_t group, std::uint32_t priority) override {
        return send({"SetNotificationGroupPriority", {group, priority}, {}, {}});
    }
    Hresult transmitClientEvent(std::uint32_t objectId, std::uint32_t eventId, std::uint32_t data, std::uint32_t group,
                                std::uint32_t flags) override {
        return send({"TransmitClientEvent", {objectId, eventId, data, group, flags}, {}, {}});
    }
    Hresult requestDataOnSimObject(std::uint32_t requestId, std::uint32_t defineId, std::uint32_t objectId,
                                   std::uint32_t period) override {
        return send({"RequestDataOnSimObject", {requestId, defineId, objectId, period}, {}, {}});
    }
    Hresult requestDataOnSimObjectType(std::uint32_t requestId, std::uint32_t defineId, std::uint32_t radius,
                                       std::uint32_t type) override {
        return send({"RequestDataOnSimObjectType", {requestId, defineId, radius, type}, {}, {}});
    }
    Hresult setDataOnSimObject(std::uint32_t defineId, std::uint32_t objectId, std::uint32_t count,
                               std::uint32_t unitSize, const void* data) override {
        if (!recordPoseWrites && defineId == 402) {
            ++poseWritesUnrecorded;
            return 0;
        }
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        return send({"SetDataOnSimObject", {defineId, objectId, count, unitSize}, {}, {bytes, bytes + unitSize}});
    }
    Hresult aiCreateNonAtcAircraft(const char* title, const char* tail, const simconnect::InitPosition& position,
                                   std::uint32_t requestId) override {
        SimCall call{"AICreateNonATCAircraft", {requestId, position.onGround}, title, {}};
        call.data.assign(tail, tail + std::strlen(tail));
        return send(std::move(call));
    }
    Hresult aiReleaseControl(std::uint32_t objectId, std::uint32_t requestId) override {
        return send({"AIReleaseControl", {objectId, requestId}, {}, {}});
    }
    Hresult aiRemoveObject(std::uint32_t objectId, std::uint32_t requestId) override {
        return send({"AIRemoveObject", {objectId, requestId}, {}, {}});
    }
    Hresult aiSetAircraftFlightPlan(std::uint32_t objectId, const char* path, std::uint32_t requestId) override {
        return send({"AISetAircraftFlightPlan", {objectId, requestId}, path, {}});
    }

private:
    Hresult record(SimCall call) {
        const bool failed = fails && fails(call);
        calls.push_back(std::move(call));
        return failed ? simconnect::kE_FAIL : 0;
    }
    Hresult send(SimCall call) {
        const Hresult result = record(std::move(call));
        if (result == 0) {
            ++sendId;
        }
        return result;
    }
};

// Every record is made under the fake's mutex, so a test may read it through `read` while a
// SimClient thread runs; single-threaded tests read the fields directly.
class RecordingLinkShell : public LinkShell {
public:
    std::vector<bool> running;
    std::vector<std::string> simulatorTexts;
    int clearMessages = 0;
    std::vector<std::string> messages;
    std::vector<std::string> errors;
    int supportHints = 0;
    std::vector<std::string> userStands;

    template <typename F> auto read(F&& f) {
        std::lock_guard lock(mutex_);
        return f(*this);
    }

    void postSimulationRunning(bool value) override {
        locked([&] { running.push_back(value); });
    }
    void postSimulatorText(const std::string& text) override {
        locked([&] { simulatorTexts.push_back(text); });
    }
    void postClearMessage() override {
        locked([&] { ++clearMessages; });
    }
    void showMessage(const std::string& text, bool) override {
        locked([&] { messages.push_back(text); });
    }
    void showError(const std::string& text) override {
        locked([&] { errors.push_back(text); });
    }
    void showSupportHint() override {
        locked([&] { ++supportHints; });
    }
    void setUserStand(const std::string& text) override {
        locked([&] { userStands.push_back(text); });
    }

private:
    template <typename F> void locked(F&& f) {
        std::lock_guard lock(mutex_);
        f();
    }
    std::mutex mutex_;
};

class FakeLinkNeighbours : public LinkNeighbours {
public:
    bool scanCancelled = false;
    std::optional<std::string> stand;
    std::vector<std::string> reservedStands;
    bool professional = false;
    UserModelFacts facts{17.9 / 1852.0, SizeClass::Large, "Large"};
    std::atomic<int> secondReports{0};

    bool airportScanCancelled() const override { return scanCancelled; }
    std::optional<std::string> standAtPosition(double, double) const override { return stand; }
    void updateCurrentParkAirportStand(const std::string& text) override { reservedStands.push_back(text); }
    bool professionalEdition() const override { return professional; }
    UserModelFacts userModelFacts(std::string_view) const override { return facts; }
    double largestHalfSpanNm() const override { return 40.0 / 1852.0; }
    void userSecondReport() override { ++secondReports; }
};

} // namespace kiv::test_support

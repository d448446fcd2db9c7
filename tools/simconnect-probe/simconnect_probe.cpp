// simconnect-probe: connects to a SimConnect server (Prepar3D, a bridge, or the stand-in
// in tools/simconnect-standin) the way the program does, makes a short scripted series of
// calls and prints every message it receives, so a server can be checked by hand.
//
//   simconnect-probe [--pipe-folder DIR] [--config-folder DIR]... [--registry FILE]
//                    [--frames N] [--timeout-s S]
//
// Without options it searches like the program: SimConnect.cfg in the public-share,
// documents and current folders, the registry file in the data folder, pipes in the
// runtime folder. Exit code 0 when the script ran to its end.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <fmt/format.h>

#include "foundation/byte_reader.h"
#include "simlink/simconnect/packet_layout.h"
#include "simlink/simconnect/simconnect_api.h"

namespace {

using namespace kiv::simconnect;
using namespace std::chrono_literals;

struct Seen {
    std::optional<std::uint32_t> assignedObject;
    bool openReply = false;
    bool removed = false;
    bool quit = false;
    int frames = 0;
};

std::uint32_t u32At(kiv::ByteReader& reader, std::size_t offset) {
    reader.seek(offset);
    return reader.u32();
}

std::string describe(std::span<const std::uint8_t> message, Seen& seen) {
    kiv::ByteReader reader(message, "server");
    const auto id = static_cast<RecvId>(u32At(reader, kRecvIdOffset));
    const std::size_t size = message.size();
    switch (id) {
    case RecvId::open: {
        reader.seek(recv::kOpenName);
        const std::string name(reader.fixedString(256));
        seen.openReply = true;
        return fmt::format("OPEN '{}' {}.{}.{}.{}", name, u32At(reader, recv::kOpenAppVersion),
                           u32At(reader, recv::kOpenAppVersion + 4), u32At(reader, recv::kOpenAppVersion + 8),
                           u32At(reader, recv::kOpenAppVersion + 12));
    }
    case RecvId::exception:
        return fmt::format("EXCEPTION {} send id {} index {}", u32At(reader, recv::kExceptionId),
                           u32At(reader, recv::kExceptionSendId), u32At(reader, recv::kExceptionIndex));
    case RecvId::quit:
        seen.quit = true;
        return "QUIT";
    case RecvId::event:
        return fmt::format("EVENT {} data {}", u32At(reader, recv::kEventId), u32At(reader, recv::kEventData));
    case RecvId::eventObjectAddRemove:
        if (u32At(reader, recv::kEventId) == 203) {
            seen.removed = true;
        }
        return fmt::format("EVENT_OBJECT_ADDREMOVE {} object {} type {}", u32At(reader, recv::kEventId),
                           u32At(reader, recv::kEventData), u32At(reader, recv::kEventObjectType));
    case RecvId::eventFrame:
        ++seen.frames;
        return "";
    case RecvId::simObjectData:
    case RecvId::simObjectDataByType:
        return fmt::format("{} request {} object {} define {} ({} bytes)",
                           id == RecvId::simObjectData ? "SIMOBJECT_DATA" : "SIMOBJECT_DATA_BYTYPE",
                           u32At(reader, recv::kDataRequestId), u32At(reader, recv::kDataObjectId),
                           u32At(reader, recv::kDataDefineId), size);
    case RecvId::assignedObjectId:
        seen.assignedObject = u32At(reader, recv::kAssignedObjectId);
        return fmt::format("ASSIGNED_OBJECT_ID request {} object {}", u32At(reader, recv::kAssignedRequestId),
                           *seen.assignedObject);
    default:
        return fmt::format("message id {} ({} bytes)", static_cast<std::uint32_t>(id), size);
    }
}

void onMessage(const std::uint8_t* message, std::uint32_t size, void* context) {
    try {
        const std::string text = describe({message, size}, *static_cast<Seen*>(context));
        if (!text.empty()) {
            fmt::print("  <- {}\n", text);
        }
    } catch (const std::exception& error) {
        fmt::print("  <- undecodable message: {}\n", error.what());
    }
}

bool check(const char* call, Hresult result) {
    fmt::print("  -> {}: hr=0x{:08X}\n", call, static_cast<std::uint32_t>(result));
    return result == kS_OK;
}

// Dispatches until `done` holds, the time is up or the connection fails.
bool pump(HSimConnect handle, Seen& seen, std::chrono::seconds timeout, const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done() && !seen.quit) {
        const Hresult result = SimConnect_CallDispatch(handle, onMessage, &seen);
        if (result != kS_OK) {
            fmt::print("dispatch failed: hr=0x{:08X}\n", static_cast<std::uint32_t>(result));
            return false;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            fmt::print("timed out\n");
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return done();
}

bool runScript(HSimConnect h, int frames, std::chrono::seconds timeout) {
    Seen seen;
    if (!pump(h, seen, timeout, [&] { return seen.openReply; })) {
        return false;
    }
    const std::pair<std::uint32_t, const char*> events[] = {{201, "Sim"},           {202, "ObjectAdded"},
                                                            {203, "ObjectRemoved"}, {205, "PositionChanged"},
                                                            {206, "FlightLoaded"},  {204, "Frame"}};
    for (const auto& [id, name] : events) {
        check("SubscribeToSystemEvent", SimConnect_SubscribeToSystemEvent(h, id, name));
    }
    const char* poseVariables[][2] = {{"Plane Latitude", "degree"},
                                      {"Plane Longitude", "degree"},
                                      {"Plane Pitch degrees", "radian"},
                                      {"Plane Bank degrees", "radian"},
                                      {"Plane Heading degrees true", "radian"},
                                      {"Plane Altitude", "feet"},
                                      {"Vertical Speed", "feet per minute"},
                                      {"Airspeed True", "knots"}};
    for (const auto& variable : poseVariables) {
        check("AddToDataDefinition",
              SimConnect_AddToDataDefinition(h, 402, variable[0], variable[1], 4, 0.0f, kUnused));
    }
    check("AddToDataDefinition", SimConnect_AddToDataDefinition(h, 410, "SIM ON GROUND", "Bool", 2, 0.0f, kUnused));
    // The AI position readback, as the program registers it for its request of the aircraft in range.
    const struct {
        const char* name;
        const char* units;
        std::uint32_t type;
    } aiPositionVariables[] = {
        {"Plane Alt Above Ground", "feet", 4}, {"Ground Altitude", "feet", 4}, {"SIM ON GROUND", "Bool", 2}};
    for (const auto& variable : aiPositionVariables) {
        check("AddToDataDefinition",
              SimConnect_AddToDataDefinition(h, 405, variable.name, variable.units, variable.type, 0.0f, kUnused));
    }
    check("MapClientEventToSimEvent", SimConnect_MapClientEventToSimEvent(h, 215, "FREEZE_LATITUDE_LONGITUDE_SET"));
    check("AddClientEventToNotificationGroup", SimConnect_AddClientEventToNotificationGroup(h, 301, 215, 1));
    check("SetNotificationGroupPriority", SimConnect_SetNotificationGroupPriority(h, 301, 1));
    check("RequestDataOnSimObject", SimConnect_RequestDataOnSimObject(h, 108, 410, 0, 1, 0, 0, 0, 0));
    const InitPosition init{47.4582, 8.5485, 1416.0, 0.0, 0.0, 90.0, 1, 0};
    check("AICreateNonATCAircraft", SimConnect_AICreateNonATCAircraft(h, "Boeing 737-800", "PROBE1", init, 1001));
    if (!pump(h, seen, timeout, [&] { return seen.assignedObject.has_value(); })) {
        return false;
    }
    const std::uint32_t object = *seen.assignedObject;
    check("AIReleaseControl", SimConnect_AIReleaseControl(h, object, 104));
    check("TransmitClientEvent", SimConnect_TransmitClientEvent(h, object, 215, 1, 301, 0));
    double pose[8] = {init.latitudeDeg, init.longitudeDeg, 0.0, 0.0, 1.57, 1416.0, 0.0, 0.0};
    for (int frame = 0; frame < frames; ++frame) {
        const int target = seen.frames + 1;
        if (!pump(h, seen, timeout, [&] { return seen.frames >= target; })) {
            return false;
        }
        pose[1] += 0.00001; // a few metres east per frame
        if (SimConnect_SetDataOnSimObject(h, 402, object, 0, 0, sizeof pose, pose) != kS_OK) {
            fmt::print("SetDataOnSimObject failed\n");
            return false;
        }
    }
    fmt::print("  -> {} pose writes on {} frames\n", frames, frames);
    check("RequestDataOnSimObjectType", SimConnect_RequestDataOnSimObjectType(h, 101, 405, 20000, 2));
    check("AIRemoveObject", SimConnect_AIRemoveObject(h, object, 105));
    return pump(h, seen, timeout, [&] { return seen.removed; });
}

} // namespace

int main(int argc, char** argv) {
    ConnectEnvironment environment = ConnectEnvironment::standard();
    std::vector<std::filesystem::path> configFolders;
    int frames = 120;
    std::chrono::seconds timeout(10);
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string_view option = argv[i];
        const std::string value = argv[i + 1];
        if (option == "--pipe-folder") {
            environment.pipeFolder = value;
        } else if (option == "--config-folder") {
            configFolders.emplace_back(value);
        } else if (option == "--registry") {
            environment.registry = kiv::platform::RegistryStore(value);
        } else if (option == "--frames") {
            frames = std::atoi(value.c_str());
        } else if (option == "--timeout-s") {
            timeout = std::chrono::seconds(std::atoi(value.c_str()));
        } else {
            fmt::print(stderr, "unknown option {}\n", option);
            return 2;
        }
    }
    if (!configFolders.empty()) {
        environment.configFolders = configFolders;
    }
    environment.onAttempt = [](const ConnectAttempt& attempt) {
        fmt::print("connect {}: {}{}\n", attempt.target, attempt.succeeded ? "ok" : "failed",
                   attempt.error.empty() ? "" : " (" + attempt.error + ")");
    };
    HSimConnect handle = nullptr;
    if (!check("Open", SimConnect_Open(&handle, "VELT_P3D probe", 0, 0, 0, 0, environment))) {
        return 1;
    }
    const bool ok = runScript(handle, frames, timeout);
    check("Close", SimConnect_Close(handle));
    fmt::print("{}\n", ok ? "probe finished" : "probe failed");
    return ok ? 0 : 1;
}

// Finds the simulator and makes the connection: the "SimConnect.cfg" settings, then the
// pipe, TCP over IPv6 "::1", TCP over IPv4 "127.0.0.1" and the pipe again. Everything the
// search reads from outside comes through ConnectEnvironment, so tests can aim it at temp
// folders and a fake clock. Called on the thread that opens the session.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry_store.h"
#include "simlink/simconnect/connection.h"

namespace kiv::simconnect {

inline constexpr std::string_view kRegistryFileName = "registry.ini";
inline constexpr std::string_view kDefaultPipeName = "Lockheed Martin Prepar3D v5\\SimConnect";

struct ConnectAttempt {
    enum class Kind { pipe, ipv6, ipv4 };
    Kind kind = Kind::pipe;
    std::string target; // pipe name and local path, or address and port
    bool succeeded = false;
    std::string error;
};

struct ConnectEnvironment {
    // Folders searched for "SimConnect.cfg", later ones overriding earlier ones.
    std::vector<std::filesystem::path> configFolders;
    platform::RegistryStore registry{std::filesystem::path()};
    // Where the Unix-domain sockets that stand for named pipes live.
    std::filesystem::path pipeFolder;
    SteadyClock clock;
    // Told of every attempt, in order; may be empty.
    std::function<void(const ConnectAttempt&)> onAttempt;

    // Public share, documents and the current folder; the data folder's registry file;
    // the runtime folder for pipes; the steady clock.
    static ConnectEnvironment standard();
};

// Connect result codes.
inline constexpr int kConnectOk = 0;
inline constexpr int kConnectFailed = 1;
inline constexpr int kConnectNoSection = 3;

struct ConnectOutcome {
    int result = kConnectFailed;
    std::unique_ptr<Connection> connection;
};

ConnectOutcome connectToSimulator(std::int32_t configIndex, const ConnectEnvironment& environment);

} // namespace kiv::simconnect

// How a SimConnect connection is made: the defaults merged with the "SimConnect.cfg" files
// found in the configuration folders, and the simulator's port values from the registry
// stand-in. Pure apart from reading those files: any thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_store.h"

namespace kiv::simconnect {

inline constexpr std::uint32_t kProtocolPipe = 1;
inline constexpr std::uint32_t kProtocolIpv4 = 2;
inline constexpr std::uint32_t kProtocolIpv6 = 23;
inline constexpr std::uint32_t kDefaultMaxReceiveSize = 41088;

inline constexpr std::string_view kConfigFileName = "SimConnect.cfg";
inline constexpr std::string_view kSimulatorRegistryKey = "SOFTWARE\\Lockheed Martin\\Prepar3D v5";
inline constexpr std::string_view kRegistryPortIpv6 = "SimConnect_Port_IPv6";
inline constexpr std::string_view kRegistryPortIpv4 = "SimConnect_Port_IPv4";
inline constexpr std::size_t kRegistryPortMaxChars = 10;
inline constexpr std::size_t kConfigValueMaxChars = 1023;

struct ConnectionSettings {
    std::uint32_t protocol = kProtocolPipe; // any other value than the three above fails
    std::string address;
    std::string port;
    std::uint32_t maxReceiveSize = kDefaultMaxReceiveSize;
    std::int32_t disableNagle = 0;
};

// "SimConnect" for index 0, else "SimConnect.<index as unsigned>".
std::string configSectionName(std::int32_t configIndex);

// The registry's port for a protocol value name; empty when the value is missing.
std::string registryPort(const platform::RegistryStore& registry, std::string_view valueName);

// Defaults overridden by the section of each "SimConnect.cfg" in `folders`, in order.
// Nothing when an index other than 0 and -1 names a section that no file holds.
std::optional<ConnectionSettings> readConnectionSettings(std::int32_t configIndex,
                                                         const std::vector<std::filesystem::path>& folders,
                                                         const platform::RegistryStore& registry);

} // namespace kiv::simconnect

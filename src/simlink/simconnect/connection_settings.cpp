#include "simlink/simconnect/connection_settings.h"

#include <algorithm>
#include <charconv>

#include <fmt/format.h>

#include "foundation/string_helpers.h"
#include "platform/private_profile.h"

namespace kiv::simconnect {
namespace {

// Like a private-profile integer read: leading digits count, anything else reads as 0.
std::int64_t numberOf(std::string_view text) {
    std::int64_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

void applyProtocol(ConnectionSettings& settings, std::string_view text, const platform::RegistryStore& registry) {
    const std::string value = gf_toUpper(text);
    if (value == "AUTO" || value == "PIPE") {
        settings.protocol = kProtocolPipe;
    } else if (value == "IPV4") {
        settings.protocol = kProtocolIpv4;
        settings.port = registryPort(registry, kRegistryPortIpv4);
    } else if (value == "IPV6") {
        settings.protocol = kProtocolIpv6;
        settings.port = registryPort(registry, kRegistryPortIpv6);
    } else {
        settings.protocol = 0;
    }
}

void applySection(ConnectionSettings& settings, const platform::PrivateProfile& profile, std::string_view section,
                  const platform::RegistryStore& registry) {
    if (const auto protocol = profile.value(section, "Protocol"); protocol && !protocol->empty()) {
        applyProtocol(settings, *protocol, registry);
    }
    if (const auto address = profile.value(section, "Address"); address && !address->empty()) {
        settings.address = address->substr(0, kConfigValueMaxChars);
    }
    if (const auto port = profile.value(section, "Port"); port && !port->empty()) {
        settings.port = port->substr(0, kConfigValueMaxChars);
    }
    if (const auto size = profile.value(section, "MaxReceiveSize")) {
        // A file may raise the limit, never lower it below what the client needs.
        const std::int64_t value = numberOf(*size);
        if (value > static_cast<std::int64_t>(settings.maxReceiveSize) && value <= 0xFFFFFFFF) {
            settings.maxReceiveSize = static_cast<std::uint32_t>(value);
        }
    }
    if (const auto nagle = profile.value(section, "DisableNagle")) {
        settings.disableNagle = static_cast<std::int32_t>(numberOf(*nagle));
    }
}

} // namespace

std::string configSectionName(std::int32_t configIndex) {
    return configIndex == 0 ? std::string("SimConnect")
                            : fmt::format("SimConnect.{}", static_cast<std::uint32_t>(configIndex));
}

std::string registryPort(const platform::RegistryStore& registry, std::string_view valueName) {
    return registry.queryString(platform::kCurrentUserRoot, kSimulatorRegistryKey, valueName, kRegistryPortMaxChars)
        .value_or(std::string());
}

std::optional<ConnectionSettings> readConnectionSettings(std::int32_t configIndex,
                                                         const std::vector<std::filesystem::path>& folders,
                                                         const platform::RegistryStore& registry) {
    const std::string section = configSectionName(configIndex);
    std::vector<platform::PrivateProfile> profiles;
    for (const auto& folder : folders) {
        profiles.push_back(platform::PrivateProfile::load(folder / kConfigFileName));
    }
    const bool sectionRequired = configIndex != 0 && configIndex != -1;
    if (sectionRequired && std::none_of(profiles.begin(), profiles.end(),
                                        [&](const auto& profile) { return profile.hasSection(section); })) {
        return std::nullopt;
    }
    ConnectionSettings settings;
    for (const auto& profile : profiles) {
        applySection(settings, profile, section, registry);
    }
    return settings;
}

} // namespace kiv::simconnect

// The connection settings over arbitrary "SimConnect.cfg" and "registry.ini" contents: the
// read must never crash or throw; it answers nothing only for a numbered configuration that
// no file names; and what it answers is usable: a known protocol or 0 (which the connector
// refuses), a receive limit never below the default, texts within their limits.
//
// Input: byte 0 picks the configuration index (0, -1, 1, 7); the rest is the "SimConnect.cfg"
// text up to the first zero byte, then the "registry.ini" text.
#include <array>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include "foundation/text_conversion.h"
#include "platform/private_profile.h"
#include "platform/registry_store.h"
#include "simlink/simconnect/connection_settings.h"
#include "test_support/file_contents.h"
#include "test_support/temp_folder.h"

namespace {

namespace simconnect = kiv::simconnect;

const std::filesystem::path& scratchFolder() {
    static const kiv::test_support::TempFolder folder;
    return folder.path();
}

bool usable(const simconnect::ConnectionSettings& settings) {
    const bool knownProtocol = settings.protocol == 0 || settings.protocol == simconnect::kProtocolPipe ||
                               settings.protocol == simconnect::kProtocolIpv4 ||
                               settings.protocol == simconnect::kProtocolIpv6;
    return knownProtocol && settings.maxReceiveSize >= simconnect::kDefaultMaxReceiveSize &&
           settings.address.size() <= simconnect::kConfigValueMaxChars &&
           settings.port.size() <= simconnect::kConfigValueMaxChars;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    constexpr std::array<std::int32_t, 4> indexes{0, -1, 1, 7};
    const std::int32_t configIndex = indexes[data[0] % indexes.size()];
    const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t split = rest.find('\0');
    const std::string_view config = rest.substr(0, split);
    const std::string_view registry = split == std::string_view::npos ? std::string_view() : rest.substr(split + 1);
    kiv::test_support::writeFile(scratchFolder() / std::string(simconnect::kConfigFileName), config);
    kiv::test_support::writeFile(scratchFolder() / "registry.ini", registry);

    std::optional<simconnect::ConnectionSettings> settings;
    try {
        settings = simconnect::readConnectionSettings(configIndex, {scratchFolder()},
                                                      kiv::platform::RegistryStore(scratchFolder() / "registry.ini"));
    } catch (...) {
        __builtin_trap(); // the connector calls it without a guard
    }
    const bool sectionNamed =
        kiv::platform::PrivateProfile::parse(config).hasSection(simconnect::configSectionName(configIndex));
    const bool mayBeMissing = configIndex != 0 && configIndex != -1 && !sectionNamed;
    if (settings.has_value() == mayBeMissing) {
        __builtin_trap();
    }
    if (settings && !usable(*settings)) {
        __builtin_trap();
    }
    return 0;
}

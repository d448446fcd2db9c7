#include "platform/registry_store.h"

#include <stdexcept>

#include <fmt/format.h>

#include "foundation/text_conversion.h"
#include "platform/private_profile.h"

namespace kiv::platform {

std::optional<std::string> RegistryStore::queryString(std::string_view root, std::string_view keyPath,
                                                      std::string_view valueName, std::size_t maxChars) const {
    const auto profile = PrivateProfile::load(file_);
    auto data = profile.value(fmt::format("{}\\{}", root, keyPath), valueName);
    // The limit counts characters as the registry does (UTF-16 units), not bytes.
    try {
        if (data && utf8_to_wide(*data).size() > maxChars) {
            return std::nullopt;
        }
    } catch (const std::runtime_error&) {
        return std::nullopt; // not text the registry could have held
    }
    return data;
}

} // namespace kiv::platform

#include "foundation/icao_code.h"

#include <stdexcept>

#include <fmt/format.h>

namespace kiv {

std::optional<IcaoCode> IcaoCode::tryParse(std::string_view text) {
    if (text.size() != 4) {
        return std::nullopt;
    }
    std::array<char, 4> upper{};
    std::uint32_t key = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) {
            return std::nullopt;
        }
        upper[i] = c;
        key = (key << 8) | static_cast<unsigned char>(c);
    }
    return IcaoCode(key, upper);
}

IcaoCode::IcaoCode(std::string_view text) : key_(0), text_{} {
    const std::optional<IcaoCode> parsed = tryParse(text);
    if (!parsed) {
        throw std::invalid_argument(fmt::format("'{}' IcaoCode: invalid string", text));
    }
    *this = *parsed;
}

} // namespace kiv

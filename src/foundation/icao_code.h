// Four-character airport codes (letters A-Z and digits), ordered by a 32-bit key that
// compares like the text. Plain value type.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include <fmt/format.h>

namespace kiv {

class IcaoCode {
public:
    // The empty code: key 0 and no characters ("no airport").
    constexpr IcaoCode() noexcept : key_(0), text_{} {}
    // Throws std::invalid_argument "'{}' IcaoCode: invalid string" for any other text.
    explicit IcaoCode(std::string_view text);
    static std::optional<IcaoCode> tryParse(std::string_view text);

    std::uint32_t key() const noexcept { return key_; }
    bool empty() const noexcept { return key_ == 0; }
    // The four characters; empty for the empty code.
    std::string_view text() const noexcept {
        return key_ == 0 ? std::string_view{} : std::string_view{text_.data(), text_.size()};
    }

    friend bool operator==(const IcaoCode& a, const IcaoCode& b) noexcept { return a.key_ == b.key_; }
    friend auto operator<=>(const IcaoCode& a, const IcaoCode& b) noexcept { return a.key_ <=> b.key_; }

private:
    IcaoCode(std::uint32_t key, std::array<char, 4> text) : key_(key), text_(text) {}

    std::uint32_t key_;
    std::array<char, 4> text_;
};

} // namespace kiv

// The four characters; nothing for the empty code.
template <> struct fmt::formatter<kiv::IcaoCode> : fmt::formatter<std::string_view> {
    template <typename Context> auto format(const kiv::IcaoCode& code, Context& ctx) const {
        return fmt::formatter<std::string_view>::format(code.text(), ctx);
    }
};

// The exception for problems the user must fix (a missing data file, a missing credential,
// server maintenance). Its text is "{code}: {message}"; handlers catch it apart from others.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string_view>

namespace kiv {

class UserRelatedException : public std::runtime_error {
public:
    UserRelatedException(std::int32_t code, std::string_view message);

    std::int32_t code() const noexcept { return code_; }

private:
    std::int32_t code_;
};

} // namespace kiv

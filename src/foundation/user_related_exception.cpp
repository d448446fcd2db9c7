#include "foundation/user_related_exception.h"

#include <fmt/format.h>

namespace kiv {

UserRelatedException::UserRelatedException(std::int32_t code, std::string_view message)
    : std::runtime_error(fmt::format("{}: {}", code, message)), code_(code) {}

} // namespace kiv

#include "platform/process_id.h"

#include <unistd.h>

namespace kiv::platform {

std::uint32_t currentProcessId() noexcept { return static_cast<std::uint32_t>(::getpid()); }

} // namespace kiv::platform

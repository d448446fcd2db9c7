// The running process's id, for temporary file names that must not clash between two
// programs writing beside each other. Stateless: any thread.
#pragma once

#include <cstdint>

namespace kiv::platform {

std::uint32_t currentProcessId() noexcept;

} // namespace kiv::platform

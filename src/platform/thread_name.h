// Names of threads as debuggers and `top -H` show them.
// Each thread names itself; the names of all threads may be read from any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kiv::platform {

// The longest name the system keeps; longer names are cut to this many bytes.
inline constexpr std::size_t kMaxThreadNameBytes = 15;

// Names the calling thread; false when the system refused.
bool setCurrentThreadName(std::string_view name);
// The calling thread's name, or an empty text when it cannot be read.
std::string currentThreadName();
// The names of every thread of this process right now, in no particular order.
std::vector<std::string> threadNamesOfProcess();

} // namespace kiv::platform

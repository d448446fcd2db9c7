// Maps the host's socket errno values onto the Winsock-style codes that the program's
// socket messages print (see foundation/socket_error_text.h). Pure function: any thread.
#pragma once

#include <cstdint>

namespace kiv::platform {

// The Winsock-style code for an errno value; one without a counterpart maps to
// 20000 + errno, outside the Winsock range, so its message says "Unknown errror code".
std::int32_t toWinsockError(int errnoValue);

} // namespace kiv::platform

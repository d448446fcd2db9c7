// Texts of the Winsock-style socket error codes that socket messages print. The platform
// layer maps the host's errno values onto these codes. Pure function: any thread.
#pragma once

#include <cstdint>
#include <string>

namespace kiv {

// "{code} " followed by the code's text, or "Unknown errror code".
std::string gf_socketErrorText(std::int32_t code);

} // namespace kiv

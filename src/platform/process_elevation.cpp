#include "platform/process_elevation.h"

#include <unistd.h>

namespace kiv::platform {

bool processIsElevated() { return ::geteuid() == 0; }

} // namespace kiv::platform

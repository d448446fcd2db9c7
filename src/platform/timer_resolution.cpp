#include "platform/timer_resolution.h"

namespace kiv::platform {

bool beginTimerResolution1ms() { return true; }

void endTimerResolution1ms() {}

} // namespace kiv::platform

// The system timer resolution around the 10 ms loops. Windows needs timeBeginPeriod(1) for
// 1 ms sleeps; Linux sleeps finely already, so here both calls do nothing. Any thread.
#pragma once

namespace kiv::platform {

// True when the finer resolution was granted (and must be ended later).
bool beginTimerResolution1ms();
void endTimerResolution1ms();

} // namespace kiv::platform

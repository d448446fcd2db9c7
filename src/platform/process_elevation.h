// Whether the running process has administrator rights (root here; an elevated token on
// Windows). Reads the process's credentials only: any thread.
#pragma once

namespace kiv::platform {

bool processIsElevated();

} // namespace kiv::platform

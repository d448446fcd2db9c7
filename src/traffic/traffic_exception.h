// The reporter that keeps one failing aircraft or step from stopping the simulator loop:
// called from inside a catch handler, it logs the first 20 reports of a run. The counter is
// process-wide and atomic, so any thread may report.
#pragma once

#include <cstdint>
#include <string_view>

namespace kiv {

// Never throws.
void gf_reportTrafficException(std::string_view functionName) noexcept;
std::uint32_t gf_trafficExceptionCount() noexcept;
void gf_resetTrafficExceptionCountForTesting() noexcept;

} // namespace kiv

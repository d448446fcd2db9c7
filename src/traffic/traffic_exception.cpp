#include "traffic/traffic_exception.h"

#include <atomic>
#include <exception>
#include <string>

#include <fmt/format.h>

#include "foundation/log.h"

namespace kiv {
namespace {

constexpr std::uint32_t kLoggedReports = 20;

std::atomic<std::uint32_t> g_reports{0};

std::string describeCurrentException() {
    if (!std::current_exception()) {
        return "unknown exception";
    }
    try {
        throw;
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "non-standard exception";
    }
}

} // namespace

void gf_reportTrafficException(std::string_view functionName) noexcept {
    const std::uint32_t previous = g_reports.fetch_add(1);
    if (previous >= kLoggedReports) {
        return;
    }
    try {
        const std::string description = describeCurrentException();
        const char* suffix = previous == kLoggedReports - 1 ? " (further traffic exceptions will be suppressed)" : "";
        gf_logImportant(fmt::format("Traffic exception in {}: {}{}", functionName, description, suffix));
    } catch (...) {
        // A reporter that fails must not take the loop down with it.
    }
}

std::uint32_t gf_trafficExceptionCount() noexcept { return g_reports.load(); }

void gf_resetTrafficExceptionCountForTesting() noexcept { g_reports.store(0); }

} // namespace kiv

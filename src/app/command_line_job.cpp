#include "app/command_line_job.h"

#include <exception>

#include <fmt/format.h>

#include "app/process_entry.h"
#include "foundation/log.h"

namespace kiv {

void lf_logProductionJob(ShellFlags& flags) {
    try {
        gf_logLine("Command line job:");
        if (flags.production.load()) {
            gf_logLine("production");
            flags.exitCode.store(0);
        }
    } catch (const std::exception& e) {
        gf_logImportant(fmt::format("exception {}", e.what()));
        flags.exitCode.store(kJobFailedExitCode);
    }
}

bool gf_dialogsAllowed(const ShellFlags& flags) { return !flags.production.load(); }

std::optional<std::string> JobAwareCredentialPrompt::lf_promptForLicense() {
    if (!gf_dialogsAllowed(flags_)) {
        return std::nullopt;
    }
    return window_.lf_promptForLicense();
}

} // namespace kiv

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

platform::WindowDialogs* JobAwareDialogs::shown() const {
    return gf_dialogsAllowed(flags_) ? window_.load() : nullptr;
}

void JobAwareDialogs::messageBox(std::string_view text, std::string_view caption, platform::MessageIcon icon) {
    if (platform::WindowDialogs* window = shown()) {
        window->messageBox(text, caption, icon);
    }
}

std::optional<std::filesystem::path> JobAwareDialogs::pickFolder(const std::filesystem::path& initial) {
    platform::WindowDialogs* window = shown();
    return window != nullptr ? window->pickFolder(initial) : std::nullopt;
}

std::optional<std::string> JobAwareDialogs::promptText(std::string_view title, std::string_view label,
                                                       std::size_t maxLength) {
    platform::WindowDialogs* window = shown();
    return window != nullptr ? window->promptText(title, label, maxLength) : std::nullopt;
}

std::optional<std::string> JobAwareCredentialPrompt::lf_promptForLicense() {
    if (!gf_dialogsAllowed(flags_)) {
        return std::nullopt;
    }
    return window_.lf_promptForLicense();
}

} // namespace kiv

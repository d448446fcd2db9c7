// The command-line job ("--production"): the run that ends after the data files and the
// update check, with its own exit code, and shows no dialog on the way — every prompt,
// picker and message box of a job counts as cancelled. Main worker (the job's log) or any
// thread (the dialog gate).
#pragma once

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>

#include "app/shell_flags.h"
#include "feeds/credential_prompt.h"
#include "platform/main_window.h"

namespace kiv {

// Logs "Command line job:" and "production", then sets the exit code to 0; an exception on
// the way is logged ("exception {}") and leaves the exit code 1.
void lf_logProductionJob(ShellFlags& flags);

// True while a dialog may wait for the user: never in a command-line job.
bool gf_dialogsAllowed(const ShellFlags& flags);

// The credential prompt of the run: the window's prompt, answered as cancelled in a job.
// The window's dialogs as the run sees them: in a job a message box is not shown and a
// folder picker or text prompt answers as cancelled. The window's own dialogs are attached
// once it exists; before that every dialog counts as cancelled. Any thread.
class JobAwareDialogs final : public platform::WindowDialogs {
public:
    explicit JobAwareDialogs(const ShellFlags& flags) : flags_(flags) {}

    void attach(platform::WindowDialogs* window) { window_.store(window); }

    void messageBox(std::string_view text, std::string_view caption, platform::MessageIcon icon) override;
    std::optional<std::filesystem::path> pickFolder(const std::filesystem::path& initial) override;
    std::optional<std::string> promptText(std::string_view title, std::string_view label,
                                          std::size_t maxLength) override;

private:
    // The window's dialogs when one may be shown now, else null.
    platform::WindowDialogs* shown() const;

    const ShellFlags& flags_;
    std::atomic<platform::WindowDialogs*> window_{nullptr};
};

class JobAwareCredentialPrompt final : public CredentialPrompt {
public:
    JobAwareCredentialPrompt(CredentialPrompt& window, const ShellFlags& flags) : window_(window), flags_(flags) {}
    std::optional<std::string> lf_promptForLicense() override;

private:
    CredentialPrompt& window_;
    const ShellFlags& flags_;
};

} // namespace kiv

// The command-line job ("--production"): the run that ends after the data files and the
// update check, with its own exit code, and shows no dialog on the way — every prompt,
// picker and message box of a job counts as cancelled. Main worker (the job's log) or any
// thread (the dialog gate).
#pragma once

#include <optional>
#include <string>

#include "app/shell_flags.h"
#include "feeds/credential_prompt.h"

namespace kiv {

// Logs "Command line job:" and "production", then sets the exit code to 0; an exception on
// the way is logged ("exception {}") and leaves the exit code 1.
void lf_logProductionJob(ShellFlags& flags);

// True while a dialog may wait for the user: never in a command-line job.
bool gf_dialogsAllowed(const ShellFlags& flags);

// The credential prompt of the run: the window's prompt, answered as cancelled in a job.
class JobAwareCredentialPrompt final : public CredentialPrompt {
public:
    JobAwareCredentialPrompt(CredentialPrompt& window, const ShellFlags& flags) : window_(window), flags_(flags) {}
    std::optional<std::string> lf_promptForLicense() override;

private:
    CredentialPrompt& window_;
    const ShellFlags& flags_;
};

} // namespace kiv

// Asks the user to type the service credential when no usable one is on file. Called from the
// worker that reads the credential; an implementation with a window runs it on the GUI thread
// and waits for the answer. The default answers nothing (as a cancelled prompt does).
#pragma once

#include <optional>
#include <string>

namespace kiv {

class CredentialPrompt {
public:
    virtual ~CredentialPrompt() = default;
    // The typed text (UTF-8) after OK with a non-empty field; nothing after Cancel or close.
    virtual std::optional<std::string> lf_promptForLicense() = 0;
};

class NoCredentialPrompt final : public CredentialPrompt {
public:
    std::optional<std::string> lf_promptForLicense() override { return std::nullopt; }
};

} // namespace kiv

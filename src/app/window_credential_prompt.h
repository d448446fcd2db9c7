// The service credential prompt of the traffic feeds, answered by a dialog of the main
// window: one edit field of 60 characters with OK and Cancel. Any thread (the dialog runs on
// the GUI thread while the caller waits).
#pragma once

#include <optional>
#include <string>

#include "feeds/credential_prompt.h"
#include "platform/main_window.h"

namespace kiv {

inline constexpr std::size_t kCredentialPromptLength = 60;

class WindowCredentialPrompt final : public CredentialPrompt {
public:
    explicit WindowCredentialPrompt(platform::WindowDialogs& dialogs) : dialogs_(dialogs) {}

    std::optional<std::string> lf_promptForLicense() override {
        std::optional<std::string> typed =
            dialogs_.promptText("VELT_P3D", "RealTraffic license key or API token", kCredentialPromptLength);
        if (!typed || typed->empty()) {
            return std::nullopt;
        }
        return typed;
    }

private:
    platform::WindowDialogs& dialogs_;
};

} // namespace kiv

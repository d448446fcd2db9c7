// The airport scan's shell over the main window: the message line, the support hint and its
// flag, the airport counts and repaints posted to the GUI update queue, and the two controls
// the scan enables, which the GUI thread sets. Called from the thread that runs the scan.
#pragma once

#include <cstdint>
#include <string_view>

#include "airports/scan_shell.h"

namespace kiv {

class Gui;

class GuiScanShell final : public ScanShell {
public:
    explicit GuiScanShell(Gui& gui) : gui_(gui) {}

    void showMessage(std::string_view text, bool log) override;
    void clearMessage() override;
    void showSupportHint() override;
    void setSupportHintFlag(bool set) override;
    bool supportHintFlag() const override;
    void postSimaddonCount(std::uint64_t count) override;
    void postThirdPartyCount(std::uint64_t count) override;
    void repaint(std::uint32_t mask) override;
    void enableSkipAirportScanCheckBox(bool enable) override;
    void enableTbloButton(bool enable) override;

private:
    Gui& gui_;
};

} // namespace kiv

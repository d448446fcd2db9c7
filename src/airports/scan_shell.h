// What the airport scan needs of the application shell: the message line, the support hint
// and its flag, the airport counts, repaints and the two window controls that the scan
// enables and disables. The shell implements it over its window and GUI update queue;
// tests record the calls. Called from the thread that runs the scan.
#pragma once

#include <cstdint>
#include <string_view>

namespace kiv {

class ScanShell {
public:
    virtual ~ScanShell() = default;

    // The message line (25 s), optionally also written to the log.
    virtual void showMessage(std::string_view text, bool log) = 0;
    // Clears the message line; while the support-hint flag is set the shell shows the
    // support hint instead.
    virtual void clearMessage() = 0;
    // Asks the user to press the Tblo button and mail "tblo.zip" to the support address.
    virtual void showSupportHint() = 0;
    // Set while a learning archive waits to be mailed.
    virtual void setSupportHintFlag(bool set) = 0;
    virtual bool supportHintFlag() const = 0;

    virtual void postSimaddonCount(std::uint64_t count) = 0;
    virtual void postThirdPartyCount(std::uint64_t count) = 0;
    // 1 status band, 2 settings band, 4 parking band, 8 message line, 16 resize.
    virtual void repaint(std::uint32_t mask) = 0;

    virtual void enableSkipAirportScanCheckBox(bool enable) = 0;
    virtual void enableTbloButton(bool enable) = 0;
};

} // namespace kiv

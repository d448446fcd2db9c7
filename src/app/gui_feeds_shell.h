// The traffic feeds' shell over the main window: reader statuses, QNH, the message and
// source lines posted to the GUI update queue, and the stop requests of a reader that ended.
// Any thread.
#pragma once

#include <cstdint>
#include <string>

#include "feeds/feeds_shell.h"

namespace kiv {

class Gui;

class GuiFeedsShell final : public FeedsShell {
public:
    explicit GuiFeedsShell(Gui& gui) : gui_(gui) {}

    void postTrafficReaderStatus(ReaderStatus status) override;
    void postWeatherReaderStatus(ReaderStatus status) override;
    void postQnh(std::uint32_t hPa) override;
    void showMessage(const std::string& text, bool log) override;
    void clearMessage() override;
    void setTrafficSourceText(const std::string& text) override;
    void reportRTAppReaderStopped(const std::string& readerName, const std::string& errorText) override;
    void reportRTAPIReaderStopped(const std::string& readerName, bool restartWanted, std::int32_t statusCode) override;

private:
    Gui& gui_;
};

} // namespace kiv

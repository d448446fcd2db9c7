// What the traffic feeds ask of the application shell: the main window's reader status,
// QNH, message and source lines, and the report of a reader that stopped. The shell
// implements it (posting to the GUI thread); tests pass a recording fake. Any thread.
#pragma once

#include <cstdint>
#include <string>

namespace kiv {

enum class ReaderStatus : std::uint32_t { receiving = 0, waiting = 1, not_running = 2 };

class FeedsShell {
public:
    virtual ~FeedsShell() = default;
    virtual void postTrafficReaderStatus(ReaderStatus status) = 0;
    virtual void postWeatherReaderStatus(ReaderStatus status) = 0;
    virtual void postQnh(std::uint32_t hPa) = 0;
    // The message line for 25 s; with `log` also written to the log.
    virtual void showMessage(const std::string& text, bool log) = 0;
    virtual void clearMessage() = 0;
    virtual void setTrafficSourceText(const std::string& text) = 0;
    // Shows "The {reader} has stopped with error: {text}" and asks for a restart after 15 s
    // (READER ERROR).
    virtual void reportRTAppReaderStopped(const std::string& readerName, const std::string& errorText) = 0;
    // An RT Direct reader (or the login step) stopped with the service's status: shows it and
    // asks for a stop, with a restart when `restartWanted` (a session to renew).
    virtual void reportRTAPIReaderStopped(const std::string& readerName, bool restartWanted, std::int32_t statusCode) = 0;
};

} // namespace kiv

#include "app/gui_feeds_shell.h"

#include "app/gui.h"
#include "app/stop_requests.h"

namespace kiv {

void GuiFeedsShell::postTrafficReaderStatus(ReaderStatus status) {
    gui_.enqueueUpdate(gui_update::TrafficReaderStatus{static_cast<std::uint32_t>(status)});
}

void GuiFeedsShell::postWeatherReaderStatus(ReaderStatus status) {
    gui_.enqueueUpdate(gui_update::WeatherReaderStatus{static_cast<std::uint32_t>(status)});
}

void GuiFeedsShell::postQnh(std::uint32_t hPa) { gui_.enqueueUpdate(gui_update::Qnh{hPa}); }
void GuiFeedsShell::showMessage(const std::string& text, bool log) { gui_.showMessage(text, log); }
void GuiFeedsShell::clearMessage() { gui_.clearMessage(); }
void GuiFeedsShell::setTrafficSourceText(const std::string& text) { gui_.setTrafficSourceText(text); }

void GuiFeedsShell::reportRTAppReaderStopped(const std::string& readerName, const std::string& errorText) {
    gf_reportRTAppReaderStopped(gui_, readerName, errorText);
}

void GuiFeedsShell::reportRTAPIReaderStopped(const std::string& readerName, bool restartWanted,
                                             std::int32_t statusCode) {
    gf_reportRTAPIReaderStopped(gui_, readerName, restartWanted, statusCode);
}

} // namespace kiv

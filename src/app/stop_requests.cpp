#include "app/stop_requests.h"

#include <mutex>
#include <string>
#include <utility>

#include <fmt/format.h>

#include "app/gui.h"
#include "settings/settings_snapshot.h"

namespace kiv {
namespace {

constexpr std::uint32_t kReaderRestartDelaySeconds = 15;
constexpr std::int32_t kLicenceExpiredStatus = 402;

std::mutex& wakerMutex() {
    static std::mutex mutex;
    return mutex;
}

std::function<void()>& rtAppServerWaker() {
    static std::function<void()> waker;
    return waker;
}

void lf_wakeRtAppServer() {
    std::function<void()> wake;
    {
        std::lock_guard lock(wakerMutex());
        wake = rtAppServerWaker();
    }
    if (wake) {
        wake();
    }
}

} // namespace

void gf_setRtAppServerWaker(std::function<void()> wake) {
    std::lock_guard lock(wakerMutex());
    rtAppServerWaker() = std::move(wake);
}

void gf_requestStop(ExitReason reason, std::uint32_t delaySeconds) {
    gf_installStopRequest(reason, delaySeconds);
    if (reason != ExitReason::user_closed_sim) {
        return;
    }
    gf_setClosing();
    if (!gf_isRTDirect()) {
        lf_wakeRtAppServer();
    }
}

void gf_reportRTAPIReaderStopped(std::string_view readerName, bool restartWanted, std::int32_t statusCode) {
    gf_reportRTAPIReaderStopped(gf_gui(), readerName, restartWanted, statusCode);
}

void gf_reportRTAPIReaderStopped(Gui& gui, std::string_view readerName, bool restartWanted, std::int32_t statusCode) {
    if (statusCode == kLicenceExpiredStatus) {
        gui.showMessage("Your RealTraffic license has expired (error 402). Check your license and API token.", true);
    } else {
        gui.showMessage(fmt::format("The {} has stopped with an error", readerName), true);
    }
    gf_requestStop(restartWanted ? ExitReason::reader_error : ExitReason::system_error, kReaderRestartDelaySeconds);
}

void gf_reportRTAppReaderStopped(std::string_view readerName, std::string_view errorText) {
    gf_reportRTAppReaderStopped(gf_gui(), readerName, errorText);
}

void gf_reportRTAppReaderStopped(Gui& gui, std::string_view readerName, std::string_view errorText) {
    gui.showMessage(fmt::format("The {} has stopped with error: {}", readerName, errorText), true);
    gf_requestStop(ExitReason::reader_error, kReaderRestartDelaySeconds);
}

} // namespace kiv

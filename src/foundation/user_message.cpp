#include "foundation/user_message.h"

#include <mutex>
#include <utility>

#include "foundation/log.h"

namespace kiv {
namespace {

std::mutex& handlerMutex() {
    static std::mutex mutex;
    return mutex;
}

UserMessageHandler& installedHandler() {
    static UserMessageHandler handler;
    return handler;
}

} // namespace

void gf_showUserMessage(std::string_view text, bool log) {
    UserMessageHandler handler;
    {
        std::lock_guard lock(handlerMutex());
        handler = installedHandler();
    }
    if (handler) {
        handler(text, log);
        return;
    }
    // Without a window the log is the only place the user can find the text.
    gf_logLine(text);
}

UserMessageHandler gf_setUserMessageHandler(UserMessageHandler handler) {
    std::lock_guard lock(handlerMutex());
    return std::exchange(installedHandler(), std::move(handler));
}

} // namespace kiv

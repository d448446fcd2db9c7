// Asking the program to stop, from any thread: the request itself (first one wins, see
// foundation/stop_request.h), the user's closing of the window, and the readers that report
// their own end. Any thread; the RT App server's waker is installed once by the wiring.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "foundation/stop_request.h"

namespace kiv {

class Gui;

// Wakes every thread blocked on the RT App server's sockets by shutting them down; the
// sockets are closed only by closing-down, after the readers are joined.
void gf_setRtAppServerWaker(std::function<void()> wake);

// Installs the request when none is pending. USER CLOSED SIM also marks the window as
// closing and, with the RT App as source, wakes the RT App server's readers, whether or not
// the request was installed.
void gf_requestStop(ExitReason reason, std::uint32_t delaySeconds);

// An RT Direct reader ended: a message (402: the licence has expired), then READER ERROR
// when a restart is wanted, else SYSTEM ERROR; 15 s either way. The message goes to `gui`,
// or to the program's Gui without one.
void gf_reportRTAPIReaderStopped(std::string_view readerName, bool restartWanted, std::int32_t statusCode);
void gf_reportRTAPIReaderStopped(Gui& gui, std::string_view readerName, bool restartWanted, std::int32_t statusCode);

// An RT App reader ended with an error: a message, then READER ERROR with 15 s.
void gf_reportRTAppReaderStopped(std::string_view readerName, std::string_view errorText);
void gf_reportRTAppReaderStopped(Gui& gui, std::string_view readerName, std::string_view errorText);

} // namespace kiv

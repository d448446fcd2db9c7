// The one road from the foundation to the user: a text for the main window's message line.
// The shell installs the window's handler once at start-up; until then (and in tools and
// tests) the text goes to the log. Any thread may call gf_showUserMessage.
#pragma once

#include <functional>
#include <string_view>

namespace kiv {

using UserMessageHandler = std::function<void(std::string_view text, bool log)>;

// Shows the text to the user; with `log` set it is also written to the log.
void gf_showUserMessage(std::string_view text, bool log);

// Replaces the handler; an empty handler restores the default that only logs.
// Returns the previous handler so that tests can put it back.
UserMessageHandler gf_setUserMessageHandler(UserMessageHandler handler);

} // namespace kiv

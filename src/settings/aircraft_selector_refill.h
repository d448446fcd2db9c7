// Hands a new aircraft list for AIRCRAFT_SELECTOR from the simulator loop to the GUI thread,
// which alone touches the parameter, its shared list and its combo box. A one-slot mailbox
// under a mutex: the newest list wins.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kiv {

// Any thread: leaves the list for the GUI thread and calls the notifier, if one is set.
void gf_postAircraftSelectorRefill(std::vector<std::string> aircraft);

// GUI thread: when a list is waiting, makes it AIRCRAFT_SELECTOR's shared list, sets the
// selector's text to its first entry (empty for an empty list) and refills the combo box.
// Returns whether a list was waiting.
bool gf_completeAircraftSelectorRefill();

// The GUI update queue installs a notifier that wakes the GUI thread to complete the refill;
// it runs on the posting thread, outside the mailbox lock. Without one the list simply
// waits for the next completion call.
void gf_setAircraftSelectorRefillNotifier(std::function<void()> notify);

} // namespace kiv

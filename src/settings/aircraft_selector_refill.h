// Hands a new aircraft list for AIRCRAFT_SELECTOR from the simulator loop to the GUI thread,
// which alone touches the parameter, its shared list and its combo box. The list waits in a
// one-slot mailbox under a mutex (the newest list wins); the GUI-thread change queue carries
// the wake-up and the completion.
#pragma once

#include <string>
#include <vector>

namespace kiv {

// Any thread: leaves the list in the slot, replacing one not yet taken, and queues its
// completion on the GUI thread (at once when called there).
void gf_postAircraftSelectorRefill(std::vector<std::string> aircraft);

// GUI thread: when a list is waiting, makes it AIRCRAFT_SELECTOR's shared list, sets the
// selector's text to its first entry (empty for an empty list) and refills the combo box.
// Returns whether a list was waiting.
bool gf_completeAircraftSelectorRefill();

} // namespace kiv

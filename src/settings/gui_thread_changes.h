// Changes to window controls (and to the parameters behind them) that any thread may ask
// for but only the GUI thread may carry out. On the GUI thread, or before the window layer
// has named its thread, a change runs at once; from any other thread it waits in a queue
// under a mutex until the GUI thread completes the queue, woken by the notifier the GUI
// update queue installs.
#pragma once

#include <cstddef>
#include <functional>

namespace kiv {

using GuiChange = std::function<void()>;

// The window layer calls it once from its own thread, before it creates any control.
void gf_registerGuiThread();
// Forgets the GUI thread again (tests; the program's window lives until exit).
void gf_unregisterGuiThread();
// True on the registered GUI thread, and on every thread while none is registered.
bool gf_onGuiThread();

// Runs `change` now on the GUI thread, else queues it and calls the notifier.
void gf_runOnGuiThread(GuiChange change);

// GUI thread: runs every queued change in the order posted; returns how many were taken.
// A change that throws is dropped and its exception passed on; the changes after it stay
// queued, ahead of later posts, and the notifier is called again for them.
std::size_t gf_completeGuiChanges();

// Called on the posting thread, outside the queue's lock, after each queued change.
void gf_setGuiChangeNotifier(std::function<void()> notify);

} // namespace kiv

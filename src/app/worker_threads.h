// The three worker threads besides the main worker: the simulator link and the two readers
// of the chosen traffic source, each a stoppable thread in its own slot. The main worker
// starts and joins them; the slots are touched from that thread only.
#pragma once

#include <thread>

namespace kiv {

struct WorkerThreads {
    std::jthread simClient;
    std::jthread weatherReader;
    std::jthread trafficReader;
};

// Puts `thread` into `slot`, first asking the thread already there to stop and joining it.
void gf_replaceThread(std::jthread& slot, std::jthread thread);

// The program's one set of slots.
WorkerThreads& gf_workerThreads();

} // namespace kiv

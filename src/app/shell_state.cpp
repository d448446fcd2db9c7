#include <utility>

#include "app/shell_flags.h"
#include "app/worker_threads.h"

namespace kiv {

ShellFlags& gf_shellFlags() {
    static ShellFlags flags;
    return flags;
}

void gf_replaceThread(std::jthread& slot, std::jthread thread) {
    if (slot.joinable()) {
        slot.request_stop();
        slot.join();
    }
    slot = std::move(thread);
}

WorkerThreads& gf_workerThreads() {
    static WorkerThreads threads;
    return threads;
}

} // namespace kiv

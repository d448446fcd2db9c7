#include "platform/thread_name.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <system_error>

#include <pthread.h>

namespace kiv::platform {

bool setCurrentThreadName(std::string_view name) {
    // The system refuses names past its limit rather than cutting them.
    const std::string kept(name.substr(0, kMaxThreadNameBytes));
    return ::pthread_setname_np(::pthread_self(), kept.c_str()) == 0;
}

std::string currentThreadName() {
    std::array<char, kMaxThreadNameBytes + 1> name{};
    if (::pthread_getname_np(::pthread_self(), name.data(), name.size()) != 0) {
        return {};
    }
    return name.data();
}

std::vector<std::string> threadNamesOfProcess() {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
        std::ifstream file(task.path() / "comm");
        std::string name;
        // A thread that ended since the folder was listed leaves nothing to read.
        if (std::getline(file, name)) {
            names.push_back(name);
        }
    }
    return names;
}

} // namespace kiv::platform

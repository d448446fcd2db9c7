#include "platform/child_process.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kiv::platform {
namespace {

[[noreturn]] void throwError(int error, const char* what) { throw std::system_error(error, std::generic_category(), what); }

// The parent's environment with the extra entries put in place of inherited ones.
std::vector<std::string> buildEnvironment(const std::vector<std::pair<std::string, std::string>>& extra) {
    std::vector<std::string> entries;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const std::string text(*entry);
        const std::string name = text.substr(0, text.find('='));
        bool overridden = false;
        for (const auto& [extraName, value] : extra) {
            overridden = overridden || extraName == name;
        }
        if (!overridden) {
            entries.push_back(text);
        }
    }
    for (const auto& [name, value] : extra) {
        entries.push_back(name + "=" + value);
    }
    return entries;
}

std::vector<char*> pointersTo(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

class SpawnActions {
public:
    SpawnActions() { posix_spawn_file_actions_init(&actions_); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t* get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_{};
};

} // namespace

ChildProcess::ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                           const std::vector<std::pair<std::string, std::string>>& extraEnvironment) {
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        throwError(errno, "pipe");
    }
    SpawnActions actions;
    posix_spawn_file_actions_adddup2(actions.get(), pipeEnds[1], STDOUT_FILENO);

    std::vector<std::string> argumentTexts{program.string()};
    argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());
    std::vector<std::string> environmentTexts = buildEnvironment(extraEnvironment);
    std::vector<char*> argv = pointersTo(argumentTexts);
    std::vector<char*> envp = pointersTo(environmentTexts);

    pid_t processId = -1;
    const int error = ::posix_spawn(&processId, program.c_str(), actions.get(), nullptr, argv.data(), envp.data());
    ::close(pipeEnds[1]);
    if (error != 0) {
        ::close(pipeEnds[0]);
        throwError(error, "posix_spawn");
    }
    processId_ = processId;
    outputDescriptor_ = pipeEnds[0];
}

ChildProcess::~ChildProcess() {
    if (!status_) {
        killHard();
        try {
            wait();
        } catch (const std::system_error&) {
            // Nothing left to reap.
        }
    }
    if (outputDescriptor_ >= 0) {
        ::close(outputDescriptor_);
    }
}

std::optional<std::string> ChildProcess::readLine() {
    for (;;) {
        const std::size_t end = pending_.find('\n');
        if (end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            return line;
        }
        char buffer[256];
        const ssize_t count = ::read(outputDescriptor_, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return std::nullopt;
        }
        pending_.append(buffer, static_cast<std::size_t>(count));
    }
}

void ChildProcess::killHard() {
    if (!status_) {
        ::kill(processId_, SIGKILL);
    }
}

int ChildProcess::wait() {
    while (!status_) {
        int status = 0;
        if (::waitpid(processId_, &status, 0) < 0) {
            if (errno == EINTR) {
                continue;
            }
            throwError(errno, "waitpid");
        }
        status_ = WIFSIGNALED(status) ? -WTERMSIG(status) : WEXITSTATUS(status);
    }
    return *status_;
}

} // namespace kiv::platform

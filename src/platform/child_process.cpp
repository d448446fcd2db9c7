#include "platform/child_process.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kiv::platform {
namespace {

[[noreturn]] void throwError(int error, const char* what) {
    throw std::system_error(error, std::generic_category(), what);
}

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

void closeDescriptor(int& descriptor) {
    if (descriptor >= 0) {
        ::close(descriptor);
        descriptor = -1;
    }
}

// Both ends of a pipe, closed unless taken.
struct Pipe {
    int ends[2] = {-1, -1};
    Pipe() {
        if (::pipe2(ends, O_CLOEXEC) != 0) {
            throwError(errno, "pipe");
        }
    }
    ~Pipe() {
        closeDescriptor(ends[0]);
        closeDescriptor(ends[1]);
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    int take(int end) { return std::exchange(ends[end], -1); }
};

// Writing to a pipe whose reader has gone raises SIGPIPE, which would end this whole
// process; the signal is blocked for the write and one it left pending is taken away.
class SigpipeBlock {
public:
    SigpipeBlock() {
        sigemptyset(&pipeOnly_);
        sigaddset(&pipeOnly_, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        wasPending_ = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &pipeOnly_, &previous_);
    }
    ~SigpipeBlock() {
        sigset_t pending;
        sigpending(&pending);
        if (!wasPending_ && sigismember(&pending, SIGPIPE) == 1) {
            const timespec noWait{};
            sigtimedwait(&pipeOnly_, nullptr, &noWait);
        }
        pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }
    SigpipeBlock(const SigpipeBlock&) = delete;
    SigpipeBlock& operator=(const SigpipeBlock&) = delete;

private:
    sigset_t pipeOnly_{};
    sigset_t previous_{};
    bool wasPending_ = false;
};

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
    Pipe toChild;
    Pipe fromChild;
    SpawnActions actions;
    posix_spawn_file_actions_adddup2(actions.get(), toChild.ends[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(actions.get(), fromChild.ends[1], STDOUT_FILENO);

    std::vector<std::string> argumentTexts{program.string()};
    argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());
    std::vector<std::string> environmentTexts = buildEnvironment(extraEnvironment);
    std::vector<char*> argv = pointersTo(argumentTexts);
    std::vector<char*> envp = pointersTo(environmentTexts);

    pid_t processId = -1;
    const int error = ::posix_spawn(&processId, program.c_str(), actions.get(), nullptr, argv.data(), envp.data());
    if (error != 0) {
        throwError(error, "posix_spawn");
    }
    processId_ = processId;
    inputDescriptor_ = toChild.take(1);
    outputDescriptor_ = fromChild.take(0);
}

ChildProcess::~ChildProcess() { release(); }

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : processId_(std::exchange(other.processId_, -1)), inputDescriptor_(std::exchange(other.inputDescriptor_, -1)),
      outputDescriptor_(std::exchange(other.outputDescriptor_, -1)), pending_(std::move(other.pending_)),
      status_(std::exchange(other.status_, std::nullopt)) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        release();
        processId_ = std::exchange(other.processId_, -1);
        inputDescriptor_ = std::exchange(other.inputDescriptor_, -1);
        outputDescriptor_ = std::exchange(other.outputDescriptor_, -1);
        pending_ = std::move(other.pending_);
        status_ = std::exchange(other.status_, std::nullopt);
    }
    return *this;
}

void ChildProcess::release() noexcept {
    closeDescriptor(inputDescriptor_);
    if (processId_ > 0 && !status_) {
        killHard();
        try {
            wait();
        } catch (const std::system_error&) {
            // Nothing left to reap.
        }
    }
    processId_ = -1;
    closeDescriptor(outputDescriptor_);
}

std::optional<std::string> ChildProcess::readLine() { return readLine(std::chrono::milliseconds(-1)); }

void ChildProcess::closeInput() { closeDescriptor(inputDescriptor_); }

std::optional<std::string> ChildProcess::readLine(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (const std::size_t end = pending_.find('\n'); end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            return line;
        }
        if (outputDescriptor_ < 0) {
            return std::nullopt;
        }
        if (timeout.count() >= 0) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd entry{outputDescriptor_, POLLIN, 0};
            const int ready = left.count() > 0 ? ::poll(&entry, 1, static_cast<int>(left.count())) : 0;
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            if (ready <= 0) {
                return std::nullopt;
            }
        }
        char buffer[4096];
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

bool ChildProcess::writeLine(std::string_view line) {
    std::string text(line);
    text += '\n';
    std::string_view rest = text;
    const SigpipeBlock noSigpipe;
    while (!rest.empty() && inputDescriptor_ >= 0) {
        const ssize_t count = ::write(inputDescriptor_, rest.data(), rest.size());
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return false;
        }
        rest.remove_prefix(static_cast<std::size_t>(count));
    }
    return rest.empty();
}

void ChildProcess::killHard() {
    if (processId_ > 0 && !status_) {
        ::kill(processId_, SIGKILL);
    }
}

int ChildProcess::wait() {
    if (processId_ <= 0 && !status_) {
        throwError(ECHILD, "waitpid");
    }
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

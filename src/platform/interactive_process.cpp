#include "platform/interactive_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>
#include <utility>

#include <fmt/format.h>

extern char** environ;

namespace kiv::platform {
namespace {

int exitStatusOf(int status) {
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

void closeHandle(int& handle) {
    if (handle >= 0) {
        ::close(handle);
        handle = -1;
    }
}

} // namespace

InteractiveProcess::~InteractiveProcess() { release(); }

InteractiveProcess::InteractiveProcess(InteractiveProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)), input_(std::exchange(other.input_, -1)),
      output_(std::exchange(other.output_, -1)), pending_(std::move(other.pending_)) {}

InteractiveProcess& InteractiveProcess::operator=(InteractiveProcess&& other) noexcept {
    if (this != &other) {
        release();
        pid_ = std::exchange(other.pid_, -1);
        input_ = std::exchange(other.input_, -1);
        output_ = std::exchange(other.output_, -1);
        pending_ = std::move(other.pending_);
    }
    return *this;
}

void InteractiveProcess::release() {
    if (pid_ > 0) {
        terminate();
    }
    closeHandle(input_);
    closeHandle(output_);
}

std::optional<InteractiveProcess> InteractiveProcess::start(const std::vector<std::string>& argv, std::string& error) {
    int toChild[2];
    int fromChild[2];
    if (argv.empty() || ::pipe2(toChild, O_CLOEXEC) != 0) {
        error = "pipe failed";
        return std::nullopt;
    }
    if (::pipe2(fromChild, O_CLOEXEC) != 0) {
        ::close(toChild[0]);
        ::close(toChild[1]);
        error = "pipe failed";
        return std::nullopt;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
    std::vector<char*> args;
    for (const auto& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(toChild[0]);
    ::close(fromChild[1]);
    if (rc != 0) {
        ::close(toChild[1]);
        ::close(fromChild[0]);
        error = fmt::format("could not start {}: {}", argv[0], std::strerror(rc));
        return std::nullopt;
    }
    InteractiveProcess child;
    child.pid_ = pid;
    child.input_ = toChild[1];
    child.output_ = fromChild[0];
    return child;
}

std::optional<std::string> InteractiveProcess::readLine(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (const auto end = pending_.find('\n'); end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd entry{output_, POLLIN, 0};
        if (output_ < 0 || left.count() <= 0 || ::poll(&entry, 1, static_cast<int>(left.count())) <= 0) {
            return std::nullopt;
        }
        char chunk[4096];
        const ssize_t count = ::read(output_, chunk, sizeof chunk);
        if (count <= 0) {
            return std::nullopt;
        }
        pending_.append(chunk, static_cast<std::size_t>(count));
    }
}

bool InteractiveProcess::writeLine(std::string_view line) {
    std::string text(line);
    text += '\n';
    std::string_view rest = text;
    while (!rest.empty()) {
        const ssize_t count = ::write(input_, rest.data(), rest.size());
        if (count <= 0) {
            return false;
        }
        rest.remove_prefix(static_cast<std::size_t>(count));
    }
    return true;
}

int InteractiveProcess::terminate() {
    if (pid_ <= 0) {
        return -1;
    }
    ::kill(pid_, SIGTERM);
    closeHandle(input_);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return exitStatusOf(status);
}

std::optional<int> InteractiveProcess::wait(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (pid_ > 0) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return exitStatusOf(status);
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return std::nullopt;
        }
        // A child has no descriptor to wait on here; a short poll interval is the portable way.
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return std::nullopt;
}

} // namespace kiv::platform

// A child process with its standard input and output connected to the parent, for tools
// and tests that drive a stand-in program. The object owns the process: destroying it ends
// the child. One thread uses an object at a time.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kiv::platform {

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // argv[0] is the program path; standard error stays the parent's.
    static std::optional<ChildProcess> start(const std::vector<std::string>& argv, std::string& error);

    // The next line of the child's output without its line end; nullopt on time-out or end.
    std::optional<std::string> readLine(std::chrono::milliseconds timeout);
    bool writeLine(std::string_view line);
    // Asks the child to end (SIGTERM), waits for it and returns its exit status.
    int terminate();
    // Waits for the child to end by itself; nullopt on time-out.
    std::optional<int> wait(std::chrono::milliseconds timeout);
    bool isRunning() const { return pid_ > 0; }

private:
    void release();
    int pid_ = -1;
    int input_ = -1;  // child's standard input
    int output_ = -1; // child's standard output
    std::string pending_;
};

} // namespace kiv::platform

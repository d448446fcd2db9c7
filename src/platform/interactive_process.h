// A child process driven through its standard input and output, with time-outs on every
// read, for tools and tests that steer a stand-in program line by line. The object owns the
// process: destroying it ends the child (SIGTERM). One thread uses an object at a time.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kiv::platform {

class InteractiveProcess {
public:
    InteractiveProcess() = default;
    ~InteractiveProcess();
    InteractiveProcess(InteractiveProcess&& other) noexcept;
    InteractiveProcess& operator=(InteractiveProcess&& other) noexcept;
    InteractiveProcess(const InteractiveProcess&) = delete;
    InteractiveProcess& operator=(const InteractiveProcess&) = delete;

    // argv[0] is the program path; standard error stays the parent's.
    static std::optional<InteractiveProcess> start(const std::vector<std::string>& argv, std::string& error);

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

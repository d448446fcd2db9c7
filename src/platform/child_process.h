// A child process started from a program file, driven through its standard input and read
// line by line from its standard output (with or without a time-out), that can be killed
// without warning (SIGKILL; TerminateProcess on Windows). Used by crash tests that
// interrupt a writer at random moments and by tests that steer a stand-in program. The
// object owns the process: it kills and reaps a child still running when destroyed.
// One thread uses one object at a time.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kiv::platform {

class ChildProcess {
public:
    // Starts `program` with `arguments` and the parent's environment plus `extraEnvironment`
    // (name, value pairs that override inherited ones); standard error stays the parent's.
    // Throws std::system_error on failure.
    ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                 const std::vector<std::pair<std::string, std::string>>& extraEnvironment = {});
    ~ChildProcess();
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The next line the child wrote to its standard output, without the line end (LF or
    // CR LF); empty optional at end of output (the child closed it or ended).
    std::optional<std::string> readLine();
    // The same, but an empty optional also once `timeout` has passed without a whole line.
    std::optional<std::string> readLine(std::chrono::milliseconds timeout);

    // Writes the line and a LF to the child's standard input; false when the child no
    // longer reads it.
    bool writeLine(std::string_view line);
    // Closes the child's standard input: it reads end of file from then on.
    void closeInput();

    // Ends the child at once, without giving it a chance to clean up.
    void killHard();

    // Waits for the end of the child: its exit code, or minus the signal that ended it.
    int wait();

private:
    void release() noexcept;

    int processId_ = -1;
    int inputDescriptor_ = -1;
    int outputDescriptor_ = -1;
    std::string pending_;
    std::optional<int> status_;
};

} // namespace kiv::platform

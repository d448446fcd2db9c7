// A child process started from a program file, with its standard output readable line by
// line, that can be killed without warning (SIGKILL; TerminateProcess on Windows). Used by
// crash tests that interrupt a writer at random moments. The object owns the process: it
// kills and reaps a child still running when destroyed. One thread uses one object.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kiv::platform {

class ChildProcess {
public:
    // Starts `program` with `arguments` and the parent's environment plus `extraEnvironment`
    // (name, value pairs that override inherited ones). Throws std::system_error on failure.
    ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                 const std::vector<std::pair<std::string, std::string>>& extraEnvironment = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The next line the child wrote to its standard output, without the line end; empty
    // optional at end of output (the child closed it or ended).
    std::optional<std::string> readLine();

    // Ends the child at once, without giving it a chance to clean up.
    void killHard();

    // Waits for the end of the child: its exit code, or minus the signal that ended it.
    int wait();

private:
    int processId_ = -1;
    int outputDescriptor_ = -1;
    std::string pending_;
    std::optional<int> status_;
};

} // namespace kiv::platform

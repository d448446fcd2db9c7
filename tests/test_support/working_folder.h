// Makes a fresh temp folder the process's working folder for one test and restores the
// previous one afterwards, for code that works with paths relative to the program's folder.
// The working folder is process-wide: one at a time, on the test's thread.
#pragma once

#include <filesystem>

#include "test_support/temp_folder.h"

namespace kiv::test_support {

class WorkingFolder {
public:
    WorkingFolder() : previous_(std::filesystem::current_path()) { std::filesystem::current_path(folder_.path()); }
    ~WorkingFolder() { std::filesystem::current_path(previous_); }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

    const std::filesystem::path& path() const { return folder_.path(); }

private:
    std::filesystem::path previous_;
    TempFolder folder_;
};

} // namespace kiv::test_support

// Runs one test inside a fresh temp folder as the working folder, as the program runs in its
// own folder, and returns to the previous working folder afterwards. The working folder is
// process-wide: one at a time, on the test's thread.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "test_support/file_contents.h"
#include "test_support/temp_folder.h"

namespace kiv::test_support {

class WorkingFolder {
public:
    WorkingFolder() : previous_(std::filesystem::current_path()) { std::filesystem::current_path(folder_.path()); }
    ~WorkingFolder() { std::filesystem::current_path(previous_); }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

    const std::filesystem::path& path() const { return folder_.path(); }

    // Writes `bytes` to the relative path, making its folders (see file_contents.h).
    static void write(const std::filesystem::path& relative, std::string_view bytes) { writeFile(relative, bytes); }
    static std::string read(const std::filesystem::path& relative) { return readFile(relative); }

private:
    TempFolder folder_;
    std::filesystem::path previous_;
};

} // namespace kiv::test_support

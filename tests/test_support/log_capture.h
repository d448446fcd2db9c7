// Opens the program's log in a fresh temp folder for one test and reads back what was
// written. Only one may exist at a time in a process (the log is global); the test's
// thread owns it.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/log.h"
#include "test_support/temp_folder.h"

namespace kiv::test_support {

class LogCapture {
public:
    LogCapture() {
        gf_setLogPathForTesting(folder_.path() / "Log.txt");
        gf_openLog();
    }
    ~LogCapture() {
        gf_closeLog();
        gf_setLogPathForTesting("Log.txt");
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const std::filesystem::path& folder() const { return folder_.path(); }

    // Every line written since the header, the header itself left out.
    std::vector<std::string> lines() const {
        gf_flushLog();
        std::ifstream file(folder_.path() / "Log.txt", std::ios::binary);
        std::vector<std::string> result;
        std::string line;
        bool header = true;
        while (std::getline(file, line)) {
            if (!header) {
                result.push_back(line);
            }
            header = false;
        }
        return result;
    }

private:
    TempFolder folder_;
};

} // namespace kiv::test_support

// The whole-file helpers (test_support/file_contents.h) and a log search for the shell's
// file tests. Stateless.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "test_support/file_contents.h"

namespace kiv::test_support {

inline bool anyLineContains(const std::vector<std::string>& lines, std::string_view text) {
    for (const std::string& line : lines) {
        if (line.find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

} // namespace kiv::test_support

// The command line of the data-file tool, kept apart from main() so that tests can run it.
//   encrypt <plain file> <encrypted file> [--key <key file>]
//   decrypt <encrypted file> <plain file> [--key <key file>]
// The key file holds exactly 32 raw bytes; without one the program's built-in key is used.
// Single-threaded.
#pragma once

#include <ostream>
#include <span>
#include <string>

namespace kiv::datafile {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// `arguments` excludes the program name. Errors go to `errors`, one line each.
int runDataFileTool(std::span<const std::string> arguments, std::ostream& errors);

} // namespace kiv::datafile

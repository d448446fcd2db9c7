// The program's one log, "Log.txt", in the working folder.
// The log object is global and owned by this module; every writer may be called from
// any thread at any time. Lines are finished UTF-8 texts without a line end.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace kiv {

inline constexpr std::uint64_t kLogFlushThresholdBytes = 4096;

// Ordinary line: flushed once 4096 or more bytes have gathered since the last flush.
void gf_logLine(std::string_view line);
// Ordinary line indented by ten blanks.
void gf_logIndented(std::string_view line);
// Ordinary line, flushed at once.
void gf_logLineFlush(std::string_view line);
// "==> " and the line, flushed at once.
void gf_logImportant(std::string_view line);

using LogWriter = void (*)(std::string_view line);

// For code that a failing log must not break (the settings writers): writes the line that
// `makeText` returns with `write`; any error, in making the text or in writing it, is
// swallowed.
template <typename MakeText>
void gf_logSwallowingErrors(const MakeText& makeText, LogWriter write = &gf_logLine) noexcept {
    try {
        write(makeText());
    } catch (...) {
    }
}

void gf_flushLog();
void gf_closeLog();
// Closes a log still open, keeps the old "Log.txt" as "Log0.txt", truncates "Log.txt"
// and writes the header line. Throws std::runtime_error when the file cannot be created.
void gf_openLog();

// Where the log lives; "Log.txt" relative to the working folder unless a test moves it.
std::filesystem::path gf_logPath();
void gf_setLogPathForTesting(const std::filesystem::path& path);

// Bytes handed to the stream since the last flush (for tests of the flush rule).
std::uint64_t gf_unflushedLogBytes();
bool gf_isLogOpen();

} // namespace kiv

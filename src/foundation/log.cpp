#include "foundation/log.h"

#include <fstream>
#include <mutex>
#include <stdexcept>
#include <string>

#include <fmt/format.h>

#include "foundation/clock.h"
#include "foundation/file_helpers.h"
#include "foundation/program_identity.h"
#include "foundation/text_conversion.h"

namespace kiv {
namespace {

constexpr std::string_view kImportantPrefix = "==> ";
constexpr std::string_view kIndent = "          ";

class LogFile {
public:
    // Writes the pieces as one line; `flushAlways` selects the important/flush writers.
    void write(std::string_view prefix, std::string_view line, bool flushAlways) {
        std::lock_guard lock(mutex_);
        if (!stream_.is_open()) {
            return;
        }
        stream_.write(prefix.data(), static_cast<std::streamsize>(prefix.size()));
        stream_.write(line.data(), static_cast<std::streamsize>(line.size()));
        stream_.put('\n');
        if (flushAlways) {
            stream_.flush();
            unflushedBytes_ = 0;
            return;
        }
        unflushedBytes_ += prefix.size() + line.size() + 1;
        if (unflushedBytes_ >= kLogFlushThresholdBytes) {
            stream_.flush();
            unflushedBytes_ = 0;
        }
    }

    void flush() {
        std::lock_guard lock(mutex_);
        if (stream_.is_open()) {
            stream_.flush();
        }
        unflushedBytes_ = 0;
    }

    void close() {
        std::lock_guard lock(mutex_);
        if (stream_.is_open()) {
            stream_.flush();
            stream_.close();
        }
        unflushedBytes_ = 0;
    }

    bool open(const std::filesystem::path& path) {
        std::lock_guard lock(mutex_);
        stream_.clear();
        stream_.open(path, std::ios::out | std::ios::trunc | std::ios::binary);
        unflushedBytes_ = 0;
        return stream_.is_open();
    }

    std::filesystem::path path() {
        std::lock_guard lock(mutex_);
        return path_;
    }

    void setPath(const std::filesystem::path& path) {
        std::lock_guard lock(mutex_);
        path_ = path;
    }

    std::uint64_t unflushedBytes() {
        std::lock_guard lock(mutex_);
        return unflushedBytes_;
    }

    bool isOpen() {
        std::lock_guard lock(mutex_);
        return stream_.is_open();
    }

private:
    std::mutex mutex_;
    std::ofstream stream_;
    std::uint64_t unflushedBytes_ = 0;
    std::filesystem::path path_ = "Log.txt";
};

// Built on first use, so that no other static initialiser can log into an unbuilt object,
// and never destroyed, so that a global destroyed after it can still log: its lines are
// dropped like any line written while the log is closed.
LogFile& logFile() {
    static LogFile* const file = new LogFile;
    return *file;
}

// Flushes and closes the log at program exit.
struct LogCloserAtExit {
    LogCloserAtExit() { logFile(); }
    ~LogCloserAtExit() { logFile().close(); }
};
const LogCloserAtExit logCloserAtExit;

} // namespace

void gf_logLine(std::string_view line) { logFile().write({}, line, false); }
void gf_logIndented(std::string_view line) { logFile().write(kIndent, line, false); }
void gf_logLineFlush(std::string_view line) { logFile().write({}, line, true); }
void gf_logImportant(std::string_view line) { logFile().write(kImportantPrefix, line, true); }

void gf_flushLog() { logFile().flush(); }
void gf_closeLog() { logFile().close(); }

void gf_openLog() {
    const std::filesystem::path path = logFile().path();
    gf_closeLog();
    gf_save1GenerationOf(path);
    if (!logFile().open(path)) {
        throw std::runtime_error("Failed to write file " + gf_pathToUtf8(path));
    }
    gf_logLine(fmt::format("{} {} version {} for {}", gf_dateTimeText(), kProgramName,
                           gf_formatVersion(gf_programVersion()), kSimulatorName));
    gf_flushLog();
}

std::filesystem::path gf_logPath() { return logFile().path(); }
void gf_setLogPathForTesting(const std::filesystem::path& path) { logFile().setPath(path); }
std::uint64_t gf_unflushedLogBytes() { return logFile().unflushedBytes(); }
bool gf_isLogOpen() { return logFile().isOpen(); }

} // namespace kiv

#include "app/process_entry.h"

#include <exception>
#include <system_error>

#include <fmt/format.h>

#include "foundation/fnv1a.h"
#include "foundation/log.h"
#include "foundation/program_identity.h"
#include "foundation/string_helpers.h"
#include "foundation/text_conversion.h"
#include "platform/instance_lock.h"

namespace kiv {
namespace {

int startupFailureCode(const ShellFlags& flags) { return flags.production.load() ? kJobFailedExitCode : 0; }

// Creates the data folder with its parents when it is missing; false (logged) on any error.
bool ensureDataFolder(const std::filesystem::path& folder) {
    if (folder.empty()) {
        return true; // no application-data folder: the settings code reports it
    }
    try {
        if (!std::filesystem::exists(std::filesystem::status(folder))) {
            std::filesystem::create_directories(folder);
        }
        return true;
    } catch (const std::filesystem::filesystem_error& e) {
        gf_logLine(fmt::format("Failed to create directory: {}", e.what()));
        return false;
    }
}

} // namespace

std::optional<bool> gf_productionOption(std::span<const std::string> arguments) {
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (gf_toUpper(arguments[i]) == gf_toUpper(kProductionOption)) {
            return true;
        }
    }
    return std::nullopt;
}

std::filesystem::path gf_instanceLockPath(const std::filesystem::path& dataFolder) {
    const std::uint64_t key = gf_fnv1a64(gf_pathToUtf8(dataFolder.lexically_normal()));
    return platform::runtimeFolder() /
           fmt::format("{}-{}-{:016x}.lock", kProgramName, platform::currentUserId(), key);
}

int gf_runProgram(std::span<const std::string> arguments, const std::filesystem::path& dataFolder,
                  ProgramWindow& window, ShellFlags& flags) {
    // Known before the window exists, so that no dialog of the start-up blocks a job.
    const bool production = gf_productionOption(arguments).value_or(false);
    flags.production.store(production);
    // A job counts as failed until it logged its completion.
    flags.exitCode.store(production ? kJobFailedExitCode : 0);

    if (!ensureDataFolder(dataFolder)) {
        return startupFailureCode(flags);
    }
    if (!window.initInstance()) {
        gf_logImportant("initInstance failed");
        return startupFailureCode(flags);
    }
    if (window.hasMainWindow()) {
        window.postStart();
    }
    const MessageLoopEnd end = window.runMessageLoop();
    if (end.failed) {
        gf_logImportant(fmt::format("GetMessageW failed: {}", end.errorText));
        return startupFailureCode(flags);
    }
    // A job's result is its own, whatever ended the loop (a closed window quits with 0).
    return production ? flags.exitCode.load() : end.code;
}

int gf_processEntry(std::span<const std::string> arguments, const std::filesystem::path& dataFolder,
                    const std::filesystem::path& lockFile, ProgramWindow& window, ShellFlags& flags) {
    const platform::InstanceLock lock = platform::InstanceLock::acquire(lockFile);
    if (lock.outcome() == platform::InstanceLock::Outcome::heldElsewhere) {
        return kSecondInstanceExitCode;
    }
    // A lock file that cannot be made does not keep the program from running.
    try {
        return gf_runProgram(arguments, dataFolder, window, flags);
    } catch (const std::exception& e) {
        gf_logImportant(fmt::format("Windows startup failed: {}", e.what()));
    } catch (...) {
        gf_logImportant("Windows startup failed with an unknown exception");
    }
    return startupFailureCode(flags);
}

} // namespace kiv

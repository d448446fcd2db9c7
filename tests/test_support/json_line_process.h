// A stand-in program started for one test: its standard output is read as one JSON object
// per line, and lines may be written to its standard input. The test's thread owns it; the
// child is killed when the object goes.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "platform/child_process.h"

namespace kiv::test_support {

class JsonLineProcess {
public:
    JsonLineProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments) {
        try {
            process_.emplace(program, arguments);
        } catch (const std::system_error& error) {
            ADD_FAILURE() << "could not start " << program << ": " << error.what();
        }
    }

    // The next line that satisfies `wanted`, skipping others; null (and a test failure)
    // when none comes within the time-out.
    nlohmann::json next(const std::function<bool(const nlohmann::json&)>& wanted,
                        std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (process_ && std::chrono::steady_clock::now() < deadline) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            const std::optional<std::string> line = process_->readLine(left);
            if (!line) {
                break;
            }
            nlohmann::json parsed = nlohmann::json::parse(*line, nullptr, false);
            seen_.push_back(parsed);
            if (!parsed.is_discarded() && wanted(parsed)) {
                return parsed;
            }
        }
        ADD_FAILURE() << "the stand-in did not print the expected line";
        return nlohmann::json();
    }
    // The next line that holds `key`.
    nlohmann::json nextWith(const std::string& key) {
        return next([&](const nlohmann::json& line) { return line.contains(key); });
    }
    void write(const std::string& line) {
        ASSERT_TRUE(process_);
        ASSERT_TRUE(process_->writeLine(line));
    }
    // Every line read so far, the skipped ones included.
    const std::vector<nlohmann::json>& seen() const { return seen_; }

private:
    std::optional<platform::ChildProcess> process_;
    std::vector<nlohmann::json> seen_;
};

} // namespace kiv::test_support

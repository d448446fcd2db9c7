// Drives the separately written simulator stand-in (tools/simconnect-standin) from a test:
// starts it on a free IPv4 port, an IPv6 port and a pipe path with frames at 100 Hz, follows
// its record file (one JSON line per packet received, per connection and per disconnection)
// and sends it commands on its standard input. The records go to a file rather than to standard output so that a
// test that does not read for a while never stalls the stand-in on a full pipe.
// One test thread uses one object.
#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "platform/child_process.h"

namespace kiv::test_support {

class SimConnectStandIn {
public:
    using Json = nlohmann::json;

    // Records go to a file beside the pipe. With `commands` the stand-in takes commands on
    // its standard input (and ends when the test closes it); without, it runs unattended.
    SimConnectStandIn(std::vector<std::string> options, const std::filesystem::path& pipePath, bool commands = true)
        : recordPath_(pipePath.parent_path() / (pipePath.filename().string() + ".records")) {
        std::filesystem::remove(recordPath_);
        std::vector<std::string> arguments = {
            KIV_SIMCONNECT_STANDIN, "--pipe", pipePath.string(), "--tcp6-port",        "0",
            "--frame-hz",           "100",    "--record",        recordPath_.string(), "--quiet"};
        if (commands) {
            arguments.emplace_back("--stdin-commands");
        }
        arguments.insert(arguments.end(), options.begin(), options.end());
        try {
            process_.emplace(KIV_PYTHON3, arguments);
        } catch (const std::system_error& error) {
            ADD_FAILURE() << "could not start the stand-in: " << error.what();
        }
        ready_ = nextOutput([](const Json& line) { return line.contains("ready"); });
        records_.open(recordPath_);
    }

    int tcp4Port() const { return ready_.value("tcp4", 0); }
    int tcp6Port() const { return ready_.value("tcp6", 0); }

    // The next record that satisfies `wanted`, remembering every record read on the way;
    // null (and a test failure) when none came within `timeout`.
    Json next(const std::function<bool(const Json&)>& wanted,
              std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline) {
            std::string line;
            if (!std::getline(records_, line) || records_.eof()) {
                // No whole line yet: the writer may be in the middle of one.
                partial_ += line;
                records_.clear();
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                continue;
            }
            line = std::exchange(partial_, {}) + line;
            Json parsed = Json::parse(line, nullptr, false);
            if (parsed.is_discarded()) {
                continue;
            }
            seen_.push_back(parsed);
            if (wanted(parsed)) {
                return parsed;
            }
        }
        ADD_FAILURE() << "the stand-in did not record the expected line";
        return Json();
    }
    Json nextPacket(const std::string& name) {
        return next([&](const Json& line) { return line.value("packet", "") == name; });
    }
    Json nextPacket(const std::string& name, const std::function<bool(const Json&)>& wanted) {
        return next([&](const Json& line) { return line.value("packet", "") == name && wanted(line); });
    }
    // Sends a command and waits for its acknowledgement; the output lines before it.
    std::vector<Json> command(const std::string& text) {
        std::vector<Json> before;
        if (!process_ || !process_->writeLine(text)) {
            ADD_FAILURE() << "the stand-in does not take commands";
            return before;
        }
        nextOutput([&](const Json& line) {
            before.push_back(line);
            return line.value("ack", "") == text;
        });
        return before;
    }

    void closeInput() {
        if (process_) {
            process_->closeInput();
        }
    }

    // Every record read so far, and the packets among them with that name.
    const std::vector<Json>& seen() const { return seen_; }
    std::vector<Json> packets(const std::string& name) const {
        std::vector<Json> result;
        for (const Json& line : seen_) {
            if (line.value("packet", "") == name) {
                result.push_back(line);
            }
        }
        return result;
    }

private:
    Json nextOutput(const std::function<bool(const Json&)>& wanted) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (process_ && std::chrono::steady_clock::now() < deadline) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            const auto line = process_->readLine(left);
            if (!line) {
                break;
            }
            Json parsed = Json::parse(*line, nullptr, false);
            if (!parsed.is_discarded() && wanted(parsed)) {
                return parsed;
            }
        }
        ADD_FAILURE() << "the stand-in did not print the expected line";
        return Json();
    }

    std::filesystem::path recordPath_;
    std::optional<platform::ChildProcess> process_;
    Json ready_;
    std::ifstream records_;
    std::string partial_;
    std::vector<Json> seen_;
};

} // namespace kiv::test_support

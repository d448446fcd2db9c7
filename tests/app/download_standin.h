// Starts the download server stand-in (tools/download-standin) for one test: serves a temp
// folder on a free port with the given misbehaviour rules, and reads its request lines.
// Owned by the test's thread.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "platform/child_process.h"

namespace kiv::test_support {

class DownloadStandIn {
public:
    DownloadStandIn(const std::filesystem::path& root, const std::vector<std::string>& rules) {
        std::vector<std::string> arguments = {KIV_DOWNLOAD_STANDIN, "--root", root.string()};
        for (const std::string& rule : rules) {
            arguments.insert(arguments.end(), {"--rule", rule});
        }
        process_.emplace(KIV_PYTHON3, arguments);
        const nlohmann::json ready = nextLine();
        base_ = ready.value("base", "");
        if (base_.empty()) {
            ADD_FAILURE() << "the download stand-in printed no readiness line";
        }
    }
    ~DownloadStandIn() { process_->killHard(); }
    DownloadStandIn(const DownloadStandIn&) = delete;
    DownloadStandIn& operator=(const DownloadStandIn&) = delete;

    // "http://127.0.0.1:<port>/"
    const std::string& base() const { return base_; }

    // The next request line ({"request", "mode", "status"}); null after 10 s.
    nlohmann::json nextLine() {
        const std::optional<std::string> line = process_->readLine(std::chrono::seconds(10));
        return line ? nlohmann::json::parse(*line, nullptr, false) : nlohmann::json();
    }

private:
    std::optional<platform::ChildProcess> process_;
    std::string base_;
};

} // namespace kiv::test_support

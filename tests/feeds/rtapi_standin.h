// The service's HTTPS interface played by the stand-in (tools/rtapi-standin) on a port the
// system picks, with a certificate made for this test that the transports take as their CA
// file. Requests the stand-in saw are read back in order; commands change its replies. The
// test's thread owns it.
#pragma once

#include <algorithm>
#include <chrono>
#include <deque>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "feeds/rtapi_transport.h"
#include "test_support/json_line_process.h"
#include "test_support/temp_folder.h"

namespace kiv::test_support {

class RTAPIStandIn {
public:
    RTAPIStandIn()
        : process_(KIV_PYTHON3, {KIV_RTAPI_STANDIN, "--tls-dir", tls_.path().string(), "--stdin-commands"}) {
        const nlohmann::json ready = process_.nextWith("ready");
        base_ = ready.value("base", "");
        ca_ = ready.value("ca", "");
    }

    RTAPIEndpoint endpoint() const { return {base_, ca_}; }
    std::string url(const std::string& path) const { return base_ + path; }
    const std::string& caFile() const { return ca_; }

    // Sends one command and waits for its acknowledgement.
    void command(const nlohmann::json& command) {
        process_.write(command.dump());
        for (;;) {
            const nlohmann::json line = nextLine(std::chrono::seconds(10));
            if (line.is_null() || line.contains("ack") || line.contains("error")) {
                EXPECT_TRUE(line.contains("ack")) << line.dump();
                return;
            }
        }
    }
    void set(const std::string& kind, const nlohmann::json& reply) {
        command({{"cmd", "set"}, {"kind", kind}, {"reply", reply}});
    }
    // The next request of `kind` only: {"reply": ...} or {"raw": ...} with "http", "delay".
    void once(const std::string& kind, nlohmann::json fault) {
        fault["cmd"] = "once";
        fault["kind"] = kind;
        command(fault);
    }

    // Requests of the kind printed so far and not yet read (a command round trip first, so
    // that every earlier line has arrived).
    std::size_t unreadRequestsOf(const std::string& kind) {
        command({{"cmd", "ping"}});
        return static_cast<std::size_t>(std::count_if(requests_.begin(), requests_.end(), [&](const nlohmann::json& r) {
            return r.value("kind", "") == kind;
        }));
    }

    // The next request the stand-in saw (null, and a failure, when none comes in time).
    nlohmann::json nextRequest(std::chrono::milliseconds timeout = std::chrono::seconds(15)) {
        if (requests_.empty()) {
            for (;;) {
                const nlohmann::json line = nextLine(timeout);
                if (line.is_null()) {
                    return line;
                }
                if (line.contains("request")) {
                    break;
                }
            }
        }
        nlohmann::json request = requests_.front();
        requests_.pop_front();
        return request;
    }
    // The next request of the kind, skipping others.
    nlohmann::json nextRequestOf(const std::string& kind) {
        for (;;) {
            nlohmann::json request = nextRequest();
            if (request.is_null() || request.value("kind", "") == kind) {
                return request;
            }
        }
    }

private:
    nlohmann::json nextLine(std::chrono::milliseconds timeout) {
        nlohmann::json line = process_.next([](const nlohmann::json&) { return true; }, timeout);
        if (line.contains("request")) {
            requests_.push_back(line);
        }
        return line;
    }

    TempFolder tls_;
    JsonLineProcess process_;
    std::string base_;
    std::string ca_;
    std::deque<nlohmann::json> requests_;
};

} // namespace kiv::test_support

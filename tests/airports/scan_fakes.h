// Test doubles of the scan's neighbours: reference tables filled by the test, and a shell
// that records what the scan asked of the window. One test thread.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "airports/scan_reference_tables.h"
#include "airports/scan_shell.h"

namespace kiv::test_support {

class FakeScanTables : public ScanReferenceTables {
public:
    std::set<std::string> known;
    std::set<std::string> weekly;
    std::set<std::string> simaddons;
    std::map<std::string, std::set<std::string>> thirdparties; // publisher -> airports
    // Path fragments and the publisher a scenery path containing one gets, first match wins.
    std::vector<std::pair<std::string, std::string>> publishers;
    bool weeklyReadable = true;
    bool publishersReadable = true;
    int clears = 0;
    bool acceptEveryAirport = false;      // every code is known and supported this week
    std::function<void()> onWeeklyLookup; // called on every weekly lookup when set

    bool readWeeklyTrafficAirports() override { return weeklyReadable; }
    bool readPublishers() override { return publishersReadable; }
    void clearScanTables() override { ++clears; }
    bool isKnownAirport(const IcaoCode& code) const override {
        return acceptEveryAirport || known.contains(std::string(code.text()));
    }
    bool isWeeklyTrafficAirport(const IcaoCode& code) const override {
        if (onWeeklyLookup) {
            onWeeklyLookup();
        }
        return acceptEveryAirport || weekly.contains(std::string(code.text()));
    }
    bool publisherFromFileName(BglAirport& airport) const override {
        airport.publisher.clear();
        for (const auto& [fragment, publisher] : publishers) {
            if (airport.bglPathText.find(fragment) != std::string::npos) {
                airport.publisher = publisher;
                return true;
            }
        }
        return false;
    }
    bool isSimaddonAirport(std::string_view code) const override { return simaddons.contains(std::string(code)); }
    bool isThirdPartyAirport(std::string_view publisher, std::string_view code) const override {
        const auto entry = thirdparties.find(std::string(publisher));
        return entry != thirdparties.end() && entry->second.contains(std::string(code));
    }
};

// Records every request as one text: "message <text>" (with " [logged]" when it is to be
// logged), "clear message", "support hint", "hint flag 0|1", "simaddon count N",
// "thirdparty count N", "repaint N", "skip box on|off", "tblo button on|off".
class RecordingScanShell : public ScanShell {
public:
    std::vector<std::string> calls;
    bool hintFlag = false;

    void showMessage(std::string_view text, bool log) override {
        calls.push_back(fmt::format("message {}{}", text, log ? " [logged]" : ""));
    }
    void clearMessage() override { calls.push_back("clear message"); }
    void showSupportHint() override { calls.push_back("support hint"); }
    void setSupportHintFlag(bool set) override {
        hintFlag = set;
        calls.push_back(fmt::format("hint flag {}", set ? 1 : 0));
    }
    bool supportHintFlag() const override { return hintFlag; }
    void postSimaddonCount(std::uint64_t count) override { calls.push_back(fmt::format("simaddon count {}", count)); }
    void postThirdPartyCount(std::uint64_t count) override {
        calls.push_back(fmt::format("thirdparty count {}", count));
    }
    void repaint(std::uint32_t mask) override { calls.push_back(fmt::format("repaint {}", mask)); }
    void enableSkipAirportScanCheckBox(bool enable) override {
        calls.push_back(fmt::format("skip box {}", enable ? "on" : "off"));
    }
    void enableTbloButton(bool enable) override {
        calls.push_back(fmt::format("tblo button {}", enable ? "on" : "off"));
    }

    // The texts of the messages, in order.
    std::vector<std::string> messages() const {
        std::vector<std::string> texts;
        for (const std::string& call : calls) {
            if (call.starts_with("message ")) {
                texts.push_back(call.substr(8));
            }
        }
        return texts;
    }
};

} // namespace kiv::test_support

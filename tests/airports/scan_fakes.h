// Test doubles of the scan's neighbours: reference tables filled by the test, and a shell
// that records what the scan asked of the window. One test thread.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "airports/scan_reference_tables.h"

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

    bool readWeeklyTrafficAirports() override { return weeklyReadable; }
    bool readPublishers() override { return publishersReadable; }
    void clearScanTables() override { ++clears; }
    bool isKnownAirport(const IcaoCode& code) const override { return known.contains(std::string(code.text())); }
    bool isWeeklyTrafficAirport(const IcaoCode& code) const override {
        return weekly.contains(std::string(code.text()));
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

} // namespace kiv::test_support

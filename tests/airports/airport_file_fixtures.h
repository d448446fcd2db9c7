// Airport files for the reading, applying and saving tests: a document with a valid info
// header, the given parameters and the given parkpositions text, and a recording shell.
// Test thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <pugixml.hpp>

#include "airports/airports_shell.h"
#include "settings/data_file_info.h"

namespace kiv::test_support {

using ParameterList = std::vector<std::pair<std::string, std::string>>;

// <root><meta/><parameters>...</parameters>[parkpositions]</root>; `parkpositions` is the
// text of the section's children, no section when it is nullopt.
inline std::string airportFileXml(const ParameterList& parameters, std::optional<std::string_view> parkpositions,
                                  std::int32_t sim = 3) {
    pugi::xml_document document;
    DataFileInfo info;
    info.version = "1.0.0";
    info.sim = sim;
    gf_writeInfoHeader(document, info);
    pugi::xml_node root = document.child("root");
    pugi::xml_node section = root.append_child("parameters");
    for (const auto& [name, value] : parameters) {
        pugi::xml_node parameter = section.append_child("parameter");
        parameter.append_attribute("name") = name.c_str();
        parameter.append_attribute("value") = value.c_str();
    }
    if (parkpositions) {
        pugi::xml_document stands;
        const std::string text = "<parkpositions>" + std::string(*parkpositions) + "</parkpositions>";
        stands.load_string(text.c_str());
        root.append_copy(stands.first_child());
    }
    std::ostringstream out;
    document.save(out, "  ");
    return out.str();
}

class RecordingAirportsShell : public AirportsShell {
public:
    RecordingAirportsShell() { gf_setAirportsShell(this); }
    ~RecordingAirportsShell() override { gf_setAirportsShell(nullptr); }
    RecordingAirportsShell(const RecordingAirportsShell&) = delete;
    RecordingAirportsShell& operator=(const RecordingAirportsShell&) = delete;

    void showMessage(std::string_view text, bool) override { messages.emplace_back(text); }
    void postStandCount(std::uint64_t count) override { standCounts.push_back(count); }
    void postQualityText(std::string text) override { qualityTexts.push_back(std::move(text)); }
    void setPublisher(std::string text, bool handmade) override { publishers.emplace_back(std::move(text), handmade); }
    void repaintParking() override { ++repaints; }
    void postParkAirport(std::optional<IcaoCode> code) override { parkAirports.push_back(code); }
    void updateParkingControls() override { ++parkingControlUpdates; }
    void updateControlsForRtParkedOnly() override { ++rtParkedOnlyUpdates; }
    void updateControlsForAutoPark() override { ++autoParkUpdates; }

    std::vector<std::string> messages;
    std::vector<std::uint64_t> standCounts;
    std::vector<std::string> qualityTexts;
    std::vector<std::pair<std::string, bool>> publishers;
    std::vector<std::optional<IcaoCode>> parkAirports;
    int repaints = 0;
    int parkingControlUpdates = 0;
    int rtParkedOnlyUpdates = 0;
    int autoParkUpdates = 0;
};

class ParkingNeighboursRecorder : public ParkingNeighbours {
public:
    ParkingNeighboursRecorder() { gf_setParkingNeighbours(this); }
    ~ParkingNeighboursRecorder() override { gf_setParkingNeighbours(nullptr); }
    void setRTAppParkAirportValue(std::optional<double> altitudeFt) override { rtApp.push_back(altitudeFt); }
    void setRTAPIParkAirportValue(std::optional<double> altitudeFt) override { rtApi.push_back(altitudeFt); }
    void clearParking() override { ++clears; }
    void disableParkingControls() override { ++disables; }
    void clearReceivedTraffic() override { ++trafficClears; }
    void requestRTAppParkedTraffic() override { ++parkedRequests; }
    void requestParkingRegeneration() override { ++regenerations; }
    bool userOnGround() const override { return onGround; }
    double userHeightAboveGroundFt() const override { return heightFt; }

    std::vector<std::optional<double>> rtApp;
    std::vector<std::optional<double>> rtApi;
    int clears = 0;
    int disables = 0;
    int trafficClears = 0;
    int parkedRequests = 0;
    int regenerations = 0;
    bool onGround = false;
    double heightFt = 0.0;
};

} // namespace kiv::test_support

// Every value that the main window paints, as the applied GUI updates left it. Owned by the
// Gui object; only the GUI thread reads or writes it (painting reads, applying writes).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/gui_update.h"
#include "foundation/icao_code.h"

namespace kiv {

struct GuiStatus {
    bool collapsed = false;

    std::string messageLine;
    std::string errorLine;
    std::string parkAirportText;
    std::string publisher;
    std::string qualityText;
    std::string simulatorText;
    std::string trafficSourceText;
    std::string userStand;

    std::optional<IcaoCode> parkAirport;
    float staticFit = -1.0F;
    float liveFit = -1.0F;

    std::uint64_t liveCount = 0;
    std::uint64_t simaddonCount = 0;
    std::uint64_t thirdPartyCount = 0;
    std::uint64_t liveryCount = 0;
    std::uint64_t parkedLiveCount = 0;
    std::uint64_t parkedStaticCount = 0;
    std::uint64_t standCount = 0;

    std::uint32_t maxParkPercent = 0;
    std::uint32_t maxParkCount = 0;
    std::uint32_t parkingCountdownMinutes = 0;

    // Steady-clock time in nanoseconds at which the message line is emptied, while armed.
    std::int64_t messageExpiryNs = 0;
    bool messageExpiryArmed = false;

    std::uint32_t parkingUpdates = 0;
    std::uint64_t staticExtra = 0;
    std::uint32_t qnhHectopascal = 0; // 0 = none

    bool qnhInInchesHg = false;
    bool publisherHandmade = false;
    bool trafficSourceNotStarted = true;
    bool parkAirportHasFile = false;
    std::uint8_t simulatorState = 0;
    bool userWingspanKnown = true;
    bool staticFitHidden = false; // the GUI's copy
    bool timeShiftEditable = true;

    std::uint32_t trafficReaderStatus = kReaderNotRunning;
    std::uint32_t weatherReaderStatus = kReaderNotRunning;
};

} // namespace kiv

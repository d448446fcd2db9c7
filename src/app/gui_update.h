// The values that any thread posts to the main window: one alternative per kind of change,
// each a small payload. Applying one (GUI thread, gui.h) stores the payload and yields which
// parts of the window to repaint. Plain values: built on one thread, moved to the queue.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "foundation/icao_code.h"

namespace kiv {

// Repaint mask bits.
inline constexpr std::uint8_t kRepaintStatus = 1;
inline constexpr std::uint8_t kRepaintSettings = 2;
inline constexpr std::uint8_t kRepaintParking = 4;
inline constexpr std::uint8_t kRepaintMessage = 8;
inline constexpr std::uint8_t kRepaintResize = 16;

// Reader statuses as the status band shows them.
inline constexpr std::uint32_t kReaderReceiving = 0;
inline constexpr std::uint32_t kReaderWaiting = 1;
inline constexpr std::uint32_t kReaderNotRunning = 2;

namespace gui_update {

struct SetCollapsed {
    bool collapsed = false;
};
struct ToggleCollapsed {};
struct SetAlwaysOnTop {
    bool on = false;
};
struct Repaint {
    std::uint8_t mask = 0;
};
struct ExpireMessage {};
struct TrafficSourceStarted {};
struct StaticExtra {
    std::uint64_t count = 0;
};
struct TrafficReaderStatus {
    std::uint32_t status = 0;
};
struct WeatherReaderStatus {
    std::uint32_t status = 0;
};
struct TrafficSourceText {
    std::string text;
};
struct SimulatorText {
    std::string text;
};
struct SimulatorState {
    std::uint8_t state = 0;
};
struct LiveryCount {
    std::uint64_t count = 0;
};
struct SimaddonCount {
    std::uint64_t count = 0;
};
struct ThirdPartyCount {
    std::uint64_t count = 0;
};
struct UserWingspanKnown {
    bool known = false;
};
struct LiveCount {
    std::uint64_t count = 0;
};
struct StandCount {
    std::uint64_t count = 0;
};
struct ParkCounts {
    std::uint64_t live = 0;
    std::uint64_t statics = 0;
};
struct MaxPark {
    std::uint32_t count = 0;
    std::uint32_t percent = 0;
};
struct QualityText {
    std::string text;
};
struct ParkAirport {
    std::optional<IcaoCode> code;
};
struct ParkAirportInfo {
    bool hasFile = false;
    std::string text;
};
struct ParkingCountdown {
    std::uint32_t minutes = 0;
};
struct StaticFitHidden {
    bool hidden = false;
};
struct Qnh {
    std::uint32_t hectopascal = 0;
};
struct QnhInInchesHg {
    bool inches = false;
};
struct Publisher {
    std::string text;
    bool handmade = false;
};
struct ParkingUpdates {
    std::uint32_t count = 0;
};
struct StaticFit {
    float fit = -1.0F;
};
struct LiveFit {
    float fit = -1.0F;
};
struct UserStand {
    std::string text;
};
struct TimeShiftLocked {};
struct Message {
    std::string text;
    bool log = false;
};
struct Error {
    std::string text;
};
struct ClearMessage {};
struct ClearError {};
struct ResetStatus {};

} // namespace gui_update

using GuiUpdate =
    std::variant<gui_update::SetCollapsed, gui_update::ToggleCollapsed, gui_update::SetAlwaysOnTop, gui_update::Repaint,
                 gui_update::ExpireMessage, gui_update::TrafficSourceStarted, gui_update::StaticExtra,
                 gui_update::TrafficReaderStatus, gui_update::WeatherReaderStatus, gui_update::TrafficSourceText,
                 gui_update::SimulatorText, gui_update::SimulatorState, gui_update::LiveryCount,
                 gui_update::SimaddonCount, gui_update::ThirdPartyCount, gui_update::UserWingspanKnown,
                 gui_update::LiveCount, gui_update::StandCount, gui_update::ParkCounts, gui_update::MaxPark,
                 gui_update::QualityText, gui_update::ParkAirport, gui_update::ParkAirportInfo,
                 gui_update::ParkingCountdown, gui_update::StaticFitHidden, gui_update::Qnh, gui_update::QnhInInchesHg,
                 gui_update::Publisher, gui_update::ParkingUpdates, gui_update::StaticFit, gui_update::LiveFit,
                 gui_update::UserStand, gui_update::TimeShiftLocked, gui_update::Message, gui_update::Error,
                 gui_update::ClearMessage, gui_update::ClearError, gui_update::ResetStatus>;

static_assert(std::variant_size_v<GuiUpdate> == 38);

} // namespace kiv

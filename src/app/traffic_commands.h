// The commands behind the main window's traffic controls: blocking one aircraft, the
// destination with its reserved stand, the time shift (by hand or following the simulator's
// clock), parking requests, the wait for the first traffic, a stop with an error, reading a
// control's text and testing a chosen simulator install path. The block, destination,
// time-shift and install-path commands run on the GUI thread; the others say where they run.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "app/main_window_controls.h"

namespace kiv {

// The largest time shift, two weeks in minutes.
inline constexpr std::int32_t kMaxTimeShiftMinutes = 20160;

// Process-wide state of the traffic commands; put back by resetForRestart on every restart.
struct TrafficCommandState {
    std::atomic<bool> timeShiftInEffect{false};
    std::atomic<bool> firstSetting{true};
    // Epoch seconds of the simulator time seen last by gf_followSimTime; 0 = none.
    std::atomic<std::int64_t> lastSimTime{0};

    void resetForRestart() {
        timeShiftInEffect.store(false);
        firstSetting.store(true);
        lastSimTime.store(0);
    }
};
TrafficCommandState& gf_trafficCommandState();

void gf_blockAircraft(const WindowContext& context);
void gf_unblockAircraft(const WindowContext& context);

void gf_destinationEntered(const WindowContext& context);
void gf_setDestination(const WindowContext& context, const std::string& text, const IcaoCode& airport);

std::int32_t gf_timeShiftMinutes();
void gf_setTimeShiftControls(std::int32_t minutes);
void gf_applyTimeShift(const WindowContext& context, std::int32_t minutes, bool quiet, bool keepControls);
void gf_setTimeShiftRTDirect(const WindowContext& context, std::int32_t minutes);
void gf_setTimeShiftRTApp(const WindowContext& context, std::int32_t minutes);
// Main worker, once a second while following the simulator's time; `nowEpochSeconds` is the
// current UTC time.
void gf_followSimTime(const WindowContext& context, std::int64_t nowEpochSeconds);
void gf_enableTimeShiftControls(const WindowContext& context, bool enable);

void gf_requestParkingUpdate(const WindowContext& context);

// Main worker: up to 150 rounds of `sleepRound` (100 ms each in the program) until the active
// source reports traffic; returns at once when `running` turns false.
void gf_waitForFirstTraffic(const WindowPorts& ports, const std::function<bool()>& running,
                            const std::function<void()>& sleepRound);

// Any thread: the error line, and SYSTEM ERROR without delay.
void gf_stopWithError(Gui& gui, std::string_view text);

// The UTF-8 text of the control with that id; empty when there is none.
std::string lf_getTextFromId(std::uint16_t id);

// Tests a picked install path; true when it exists and was taken.
bool gf_checkInstallPath(const WindowContext& context, const std::filesystem::path& path);

} // namespace kiv

#include "app/source_startup.h"

#include <cmath>
#include <numbers>

#include <fmt/format.h>

#include "app/stop_requests.h"
#include "foundation/log.h"
#include "foundation/stop_request.h"
#include "settings/settings_snapshot.h"
#include "settings/settings_table.h"
#include "simlink/link_commands.h"

namespace kiv {
namespace {

constexpr std::uint8_t kUserOnGround = 1;
constexpr std::uint8_t kOnGroundUnknown = 255;
constexpr std::uint8_t kTitleAndModel = 3;

bool away(double degrees) { return std::fabs(degrees) > kPositionEpsilonDeg; }

} // namespace

bool gf_positionKnown(const Lalo& position) { return away(position.latitude) || away(position.longitude); }

void SourceStartup::sleepFor(std::int64_t intervalNs) { c_.clock.sleepUntilNs(c_.clock.nowNs() + intervalNs); }

bool SourceStartup::lf_startSimClient() {
    c_.steps.prepareSimClient(param::P3D_VERSION.value);
    c_.gui.enqueueUpdate(gui_update::Repaint{1});
    gf_replaceThread(c_.threads.simClient, c_.steps.startSimClientThread());
    return lf_awaitSimulatorSession();
}

bool SourceStartup::lf_awaitSimulatorSession() {
    while (c_.steps.simulatorState() != kSimulatorRunning) {
        if (!gf_isRunning()) {
            return false;
        }
        sleepFor(kSimulatorPollNs);
    }
    c_.steps.queueUserDataRequest(kDataRequestUserOnGround);
    if (!waitForUserPosition()) {
        return false;
    }
    c_.steps.clearUserReplyBits();
    c_.steps.queueUserDataRequest(kDataRequestUserTitleAndModel);
    // A simulator that never names the user aircraft holds the start here until it goes away.
    while ((c_.steps.userReplyBits() & kTitleAndModel) != kTitleAndModel) {
        const std::uint32_t state = c_.steps.simulatorState();
        if (state == 0 || state > kSimulatorRunning || !gf_isRunning()) {
            return false;
        }
        sleepFor(kUserRepliesPollNs);
    }
    for (;;) {
        if (gf_positionKnown(c_.steps.userPosition())) {
            return true;
        }
        if (!gf_isRunning()) {
            return false;
        }
        c_.steps.queueUserDataRequest(kDataRequestUserPosition);
        c_.steps.refreshUserAircraft();
        sleepFor(kUserPositionRetryNs);
    }
}

bool SourceStartup::waitForUserPosition() {
    for (;;) {
        if (c_.steps.userOnGroundState() != kOnGroundUnknown && gf_positionKnown(c_.steps.userPosition())) {
            return true;
        }
        if (!gf_isRunning()) {
            return false;
        }
        c_.steps.queueUserDataRequest(kDataRequestUserPosition);
        c_.steps.refreshUserAircraft();
        sleepFor(kUserPositionPollNs);
    }
}

bool SourceStartup::lf_startRTAppReaders() {
    c_.gui.enqueueUpdate(gui_update::TimeShiftLocked{});
    if (!gf_isRunning()) {
        return false;
    }
    c_.steps.applyAutoRange();
    const bool serverHere = param::PSX_SERVER_HERE.value;
    const bool aerowinx = param::AEROWINX.value;
    if (!serverHere) {
        c_.steps.setRtAppConnected();
    } else if (!aerowinx) {
        c_.steps.listenRtAppServer(param::PORT_NUMBER.value);
    }
    if (!gf_isRunning()) {
        return false;
    }
    c_.gui.enqueueUpdate(gui_update::TrafficSourceStarted{});
    if (serverHere) {
        if (!aerowinx) {
            c_.steps.connectRtApp();
        } else {
            c_.steps.setProfessionalEdition(false);
        }
        const std::optional<std::int64_t> zulu = c_.steps.simZuluTime();
        if (c_.steps.professionalEdition() && zulu) {
            c_.steps.sendQs123ToRtApp(static_cast<double>(*zulu));
        }
    }
    if (!gf_isRunning()) {
        return false;
    }
    c_.steps.resetTrafficMailbox();
    c_.steps.sendUserPoseToRtApp();
    gf_replaceThread(c_.threads.weatherReader, c_.steps.startWeatherReader());
    if (!gf_isRunning()) {
        return false;
    }
    const Lalo user = c_.steps.userPosition();
    c_.steps.setUdpReaderPosition(user, std::cos(user.latitude * std::numbers::pi / 180.0));
    gf_replaceThread(c_.threads.trafficReader, c_.steps.startTrafficReader());

    int polls = 0;
    while (polls < kBufferTrafficPolls && gf_isRunning() && !c_.steps.bufferTrafficReceived()) {
        sleepFor(kTrafficFlagPollNs);
        ++polls;
    }
    if (!gf_isRunning()) {
        return false;
    }
    if (!c_.steps.bufferTrafficReceived()) {
        gf_logImportant("Time out: no buffer traffic received?");
    }
    requestParkedTraffic();
    if (!gf_isRunning()) {
        return false;
    }
    sleepFor(kSimulatorPollNs);
    c_.steps.waitForFirstTraffic();
    gf_flushLog();
    return true;
}

void SourceStartup::requestParkedTraffic() {
    const std::optional<Lalo> parkAirport = c_.steps.parkAirportPosition();
    const bool atAirport = c_.steps.userOnGroundState() == kUserOnGround && parkAirport &&
                           (std::fabs(parkAirport->latitude) <= 90.0 && std::fabs(parkAirport->longitude) <= 180.0 &&
                            gf_positionKnown(*parkAirport));
    if (!atAirport) {
        gf_logLine("user not at an airport, no RT parked Traffic needed");
        return;
    }
    c_.gui.showMessage(fmt::format("{} Requesting RT parked traffic ...", gf_timeText()), true);
    c_.steps.requestRtAppParkedTraffic();
    int polls = 0;
    while (polls < kParkedTrafficPolls && gf_isRunning() && !c_.steps.parkedTrafficReceived()) {
        sleepFor(kTrafficFlagPollNs);
        ++polls;
    }
    if (gf_isRunning() && !c_.steps.parkedTrafficReceived()) {
        gf_logImportant("Time out: no parked traffic received?");
    }
}

bool SourceStartup::lf_startRTAPIReaders() {
    if (!gf_isRunning()) {
        return false;
    }
    c_.steps.applyAutoRange();
    c_.gui.enqueueUpdate(gui_update::TrafficSourceStarted{});
    if (!gf_isRunning()) {
        return false;
    }
    c_.steps.resetTrafficMailbox();
    gf_flushLog();
    if (!awaitRtApiUserPosition()) {
        return false;
    }
    c_.steps.updateRtApiQueryBox();
    c_.steps.holdForRtApiCooldown();
    if (!gf_isRunning()) {
        return false;
    }
    c_.steps.authenticate();
    c_.gui.enqueueUpdate(gui_update::TrafficReaderStatus{kReaderWaiting});
    c_.gui.enqueueUpdate(gui_update::WeatherReaderStatus{kReaderWaiting});
    const bool professional = c_.steps.professionalEdition();
    c_.steps.enableTimeShiftControls(professional);
    if (!professional) {
        c_.steps.applyTimeShift(0);
        if (gf_settings()->keepSimTimePar) {
            c_.steps.switchOffKeepSimTime();
        }
        c_.gui.enqueueUpdate(gui_update::TimeShiftLocked{});
    }
    for (int polls = 0; polls < kRtApiLoginPolls && gf_isRunning() && !c_.steps.rtApiHasSession(); ++polls) {
        sleepFor(kRtApiLoginPollNs);
    }
    if (!gf_isRunning()) {
        return false;
    }
    if (professional && gf_settings()->simTime && !rtApiSimulatorTime()) {
        return false;
    }
    gf_replaceThread(c_.threads.weatherReader, c_.steps.startRtApiWeatherReader());
    if (!gf_isRunning()) {
        return false;
    }
    gf_replaceThread(c_.threads.trafficReader, c_.steps.startRtApiTrafficReader());
    sleepFor(3 * kSimulatorPollNs);
    c_.steps.setRtApiQueryCentre(c_.steps.userPosition());
    c_.steps.waitForFirstTraffic();

    const std::int64_t start = c_.clock.nowNs();
    while (gf_isRunning() && !c_.steps.rtApiReceiving()) {
        if (c_.clock.nowNs() - start > kRtApiReceivingLimitNs) {
            gf_logLine("RTAPI TrafficReader receiving timed out after 10 seconds?");
            gf_requestStop(ExitReason::reader_error, kReaderErrorRestartSeconds);
            break;
        }
        sleepFor(kRtApiReceivingPollNs);
    }
    gf_flushLog();
    return true;
}

bool SourceStartup::awaitRtApiUserPosition() {
    gf_logLine(fmt::format("{} waiting for the user aircraft position ...", gf_timeText()));
    const std::int64_t start = c_.clock.nowNs();
    while (!gf_positionKnown(c_.steps.userPosition())) {
        if (!gf_isRunning()) {
            gf_logLine(
                fmt::format("{} waiting for user aircraft position interrupted, program is stopping", gf_timeText()));
            return false;
        }
        if (c_.clock.nowNs() - start > kRtApiPositionLimitNs) {
            gf_logLine(fmt::format("{} user aircraft position still not valid after 60 seconds, continuing aborted",
                                   gf_timeText()));
            break;
        }
        sleepFor(kRtApiPositionPollNs);
    }
    return true;
}

bool SourceStartup::rtApiSimulatorTime() {
    c_.steps.queueUserDataRequest(kDataRequestUserPosition);
    c_.steps.refreshUserAircraft();
    const std::int64_t start = c_.clock.nowNs();
    std::optional<std::int64_t> zulu = c_.steps.simZuluTime();
    while (!zulu && gf_isRunning() && c_.clock.nowNs() - start < kZuluLimitNs) {
        sleepFor(kZuluPollNs);
        zulu = c_.steps.simZuluTime();
    }
    if (!gf_isRunning()) {
        return false;
    }
    if (!zulu) {
        gf_logImportant("Sim Time startup: no valid simulator Zulu time before requesting traffic");
        gf_requestStop(ExitReason::reader_error, kReaderErrorRestartSeconds);
        return false;
    }
    const std::int64_t behindSeconds = c_.utcNowSeconds() - *zulu;
    const std::int32_t minutes = behindSeconds > 0 ? static_cast<std::int32_t>(behindSeconds / 60) : 0;
    c_.steps.setTimeShiftRtDirect(minutes);
    c_.steps.setLastSimTime(*zulu);
    return true;
}

} // namespace kiv

#include "app/program_source_startup_steps.h"

#include <mutex>

#include "airports/current_park_airport.h"
#include "app/program.h"
#include "app/rt_api_cooldown.h"
#include "app/traffic_commands.h"
#include "feeds/rtapp_session.h"
#include "foundation/stop_request.h"
#include "settings/gui_thread_changes.h"
#include "settings/parameters_file.h"
#include "settings/settings_snapshot.h"
#include "settings/settings_table.h"
#include "traffic/sim_queues.h"

namespace kiv {

void gf_resetTrafficMailbox(TrafficMailbox& mailbox) {
    const std::lock_guard lock(mailbox.mutex);
    mailbox.slot.clear();
    mailbox.clearStatistics();
    mailbox.deliveryEnabled = false;
}

void ProgramSourceStartupSteps::prepareSimClient(std::int32_t majorVersion) {
    p_.simLink.gf_prepareSimClient(static_cast<std::uint32_t>(majorVersion));
}

std::jthread ProgramSourceStartupSteps::startSimClientThread() { return p_.startSimClientThread(); }

std::uint32_t ProgramSourceStartupSteps::simulatorState() {
    return static_cast<std::uint32_t>(p_.simLink.simulatorState());
}

void ProgramSourceStartupSteps::queueUserDataRequest(std::uint32_t kind) {
    p_.simLink.queueDataRequest(DataRequestCommand{kind, 0});
}

std::uint8_t ProgramSourceStartupSteps::userOnGroundState() { return p_.simLink.userOnGroundState(); }

Lalo ProgramSourceStartupSteps::refreshUserAircraft() {
    const UserAircraftState user = p_.simLink.gf_getUserAircraft();
    gf_setUserAircraftState(p_.traffic, user);
    return {user.latitude, user.longitude};
}

Lalo ProgramSourceStartupSteps::userPosition() {
    const UserAircraftState user = p_.simLink.gf_getUserAircraft();
    return {user.latitude, user.longitude};
}

void ProgramSourceStartupSteps::clearUserReplyBits() {
    p_.simLink.clearUserReplies(kUserReplyTitle | kUserReplyModel);
}

std::uint8_t ProgramSourceStartupSteps::userReplyBits() { return p_.simLink.userReplyBits(); }

std::optional<std::int64_t> ProgramSourceStartupSteps::simZuluTime() { return p_.simLink.simulatorUtcSeconds(); }

void ProgramSourceStartupSteps::applyAutoRange() {
    const WindowContext context = p_.windowContext;
    gf_runOnGuiThread([context] { lf_applyAutoRange(context); });
}

void ProgramSourceStartupSteps::resetTrafficMailbox() { gf_resetTrafficMailbox(p_.traffic.mailbox); }

bool ProgramSourceStartupSteps::professionalEdition() { return p_.feedFlags.isProfessionalEdition.load(); }

void ProgramSourceStartupSteps::setProfessionalEdition(bool professional) {
    p_.feedFlags.isProfessionalEdition.store(professional);
}

void ProgramSourceStartupSteps::waitForFirstTraffic() {
    LoopClock& clock = p_.clock;
    gf_waitForFirstTraffic(
        p_.windowPorts, [] { return gf_isRunning(); },
        [&clock] { clock.sleepUntilNs(clock.nowNs() + 100'000'000); });
}

void ProgramSourceStartupSteps::setRtAppConnected() { p_.feedFlags.isRTAppConnected.store(true); }

void ProgramSourceStartupSteps::listenRtAppServer(const std::string& port) { p_.rtAppRoad().server.listen(port); }

void ProgramSourceStartupSteps::connectRtApp() { gf_connectRTApp(p_.rtAppRoad()); }

void ProgramSourceStartupSteps::sendQs123ToRtApp(double seconds) {
    gf_sendQs123ToRTApp(p_.rtAppRoad(), static_cast<std::int64_t>(seconds));
}

void ProgramSourceStartupSteps::sendUserPoseToRtApp() { gf_sendUserPoseToRTApp(p_.rtAppRoad()); }

std::jthread ProgramSourceStartupSteps::startWeatherReader() {
    RtAppRoad& road = p_.rtAppRoad();
    return std::jthread([&road](std::stop_token stop) { gf_weatherReader(road, std::move(stop)); });
}

std::jthread ProgramSourceStartupSteps::startTrafficReader() {
    RtAppRoad& road = p_.rtAppRoad();
    return std::jthread([&road](std::stop_token stop) { gf_trafficReader(road, std::move(stop)); });
}

void ProgramSourceStartupSteps::setUdpReaderPosition(const Lalo& position, double cosLatitude) {
    p_.rtAppRoad().trafficReader.setRangeCentre(position.latitude, position.longitude, cosLatitude);
}

bool ProgramSourceStartupSteps::bufferTrafficReceived() { return p_.rtAppRoad().trafficReader.bufferReceived.load(); }

bool ProgramSourceStartupSteps::parkedTrafficReceived() { return p_.rtAppRoad().trafficReader.parkedReceived.load(); }

std::optional<Lalo> ProgramSourceStartupSteps::parkAirportPosition() {
    const KnownAirport airport = gf_currentParkAirport();
    if (airport.icao.text().empty()) {
        return std::nullopt;
    }
    return Lalo{airport.latitude, airport.longitude};
}

void ProgramSourceStartupSteps::requestRtAppParkedTraffic() { gf_requestRTAppParkedTraffic(p_.rtAppRoad()); }

void ProgramSourceStartupSteps::updateRtApiQueryBox() { gf_updateRTAPIQueryBox(p_.rtDirectRoad()); }

void ProgramSourceStartupSteps::holdForRtApiCooldown() { lf_holdForRTAPICooldown(p_.clock, p_.flags, p_.gui); }

void ProgramSourceStartupSteps::authenticate() { gf_authenticater(p_.rtDirectRoad()); }

void ProgramSourceStartupSteps::enableTimeShiftControls(bool enable) {
    gf_enableTimeShiftControls(p_.windowContext, enable);
}

void ProgramSourceStartupSteps::applyTimeShift(std::int32_t minutes) {
    const WindowContext context = p_.windowContext;
    gf_runOnGuiThread([context, minutes] { gf_applyTimeShift(context, minutes, false, false); });
}

void ProgramSourceStartupSteps::switchOffKeepSimTime() {
    gf_runOnGuiThread([] {
        param::KEEP_SIM_TIME_PAR.value = false;
        gf_storeParameter(param::KEEP_SIM_TIME_PAR);
        if (param::KEEP_SIM_TIME_PAR.hasLiveWindow()) {
            param::KEEP_SIM_TIME_PAR.window->setChecked(false);
        }
        gf_applyParameter(&param::KEEP_SIM_TIME_PAR);
    });
}

bool ProgramSourceStartupSteps::rtApiHasSession() { return p_.rtDirectRoad().connection.hasSession(); }

void ProgramSourceStartupSteps::setTimeShiftRtDirect(std::int32_t minutes) {
    const WindowContext context = p_.windowContext;
    gf_runOnGuiThread([context, minutes] { gf_setTimeShiftRTDirect(context, minutes); });
}

void ProgramSourceStartupSteps::setLastSimTime(std::int64_t seconds) {
    gf_trafficCommandState().lastSimTime.store(seconds);
}

std::jthread ProgramSourceStartupSteps::startRtApiWeatherReader() {
    RtDirectRoad& road = p_.rtDirectRoad();
    return std::jthread([&road] { gf_RTAPIWeatherReader(road); });
}

std::jthread ProgramSourceStartupSteps::startRtApiTrafficReader() {
    RtDirectRoad& road = p_.rtDirectRoad();
    return std::jthread([&road] { gf_RTAPITrafficReader(road); });
}

void ProgramSourceStartupSteps::setRtApiQueryCentre(const Lalo& position) {
    gf_setRTAPIQueryCentre(p_.rtDirectRoad(), position.latitude, position.longitude);
}

bool ProgramSourceStartupSteps::rtApiReceiving() { return p_.rtDirectRoad().traffic.loopRunning.load(); }

} // namespace kiv

#include "feeds/rtapp_session.h"

#include <cmath>
#include <exception>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "foundation/clock.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "foundation/stop_request.h"

namespace kiv {
namespace {

constexpr double kHalfPi = 1.5707963267948966;
constexpr double kKmPerNm = 1.852;
constexpr double kKmPerDegreeLatitude = 111.2;
constexpr double kFeetPerNm = 6076.11549;
// The parked box: 3 NM each way (5556 m over 111,200 m per degree of latitude).
constexpr double kParkedBoxDegrees = 0.04996402877697842;
constexpr double kParkedBoxFeet = 18228.34647;

bool isNullIsland(double latitude, double longitude) {
    return std::abs(latitude) <= 0.0001 && std::abs(longitude) <= 0.0001;
}

// "{south},{west},{north},{east}" around the centre.
std::string boxText(const Lalo& centre, double halfHeightDegrees, double halfWidthFeet) {
    const Lalo west = gf_destinationPoint(centre, -kHalfPi, halfWidthFeet);
    const Lalo east = gf_destinationPoint(centre, kHalfPi, halfWidthFeet);
    return fmt::format("{:.6f},{:.6f},{:.6f},{:.6f}", centre.latitude - halfHeightDegrees, west.longitude,
                       centre.latitude + halfHeightDegrees, east.longitude);
}

void reportAppGone(RtAppRoad& road, const std::string& text) {
    road.flags.isRTAppConnected = false;
    road.shell.showMessage(text, true);
    gf_installStopRequest(ExitReason::new_settings, 0);
}

void sleepFor(RtAppRoad& road, std::chrono::milliseconds duration) {
    road.clock.sleepUntilNs(road.clock.nowNs() + std::chrono::nanoseconds(duration).count());
}

} // namespace

void gf_resetTrafficReader(RtAppRoad& road) { road.trafficReader.reset(); }

void gf_setRTAppParkAirportValue(RtAppRoad& road, std::optional<double> elevationFt) {
    road.trafficReader.setParkAirportValue(elevationFt);
}

void gf_connectRTApp(RtAppRoad& road) {
    if (!road.config.psxServerHere) {
        return;
    }
    road.shell.showMessage("Waiting for the RealTraffic App to run ... (did you start it?)", true);
    gf_logLine(" ");
    gf_resetTrafficReader(road);
    road.qnhReader.reset();
    RTAppServer& server = road.server;
    while (server.waitForClient()) {
        const std::uint64_t closes = server.closeCount();
        server.sendDataPacket(kVersionRequestLine);
        const std::string reply = server.receive();
        sleepFor(road, road.config.versionSettle);
        server.drainReceiveBuffer();
        if (server.connected()) {
            lf_processRTVersion(road, reply);
            road.flags.isRTAppConnected = true;
            gf_logLine("RealTraffic connected");
            break;
        }
        // Closed for the shut-down while waiting for the reply: listening again would keep
        // the close-down waiting for a client that never comes.
        if (server.closeCount() != closes || !gf_isRunning()) {
            break;
        }
        gf_logLine("RT App connection was stale, waiting for a new one ...");
        server.close();
        server.listen(road.config.serverPort);
    }
    road.shell.clearMessage();
}

void lf_processRTVersion(RtAppRoad& road, std::string_view reply) {
    if (reply.empty()) {
        road.shell.showMessage("No RealTraffic version received?", true);
        road.flags.isProfessionalEdition = false;
        return;
    }
    try {
        const nlohmann::json version = nlohmann::json::parse(reply);
        if (!version.is_object()) {
            road.flags.isProfessionalEdition = false;
            road.shell.setTrafficSourceText("");
            return;
        }
        const std::int64_t level = version.value("level", std::int64_t{0});
        const std::string text = version.value("version", std::string{});
        road.flags.isProfessionalEdition = level == 2;
        road.shell.setTrafficSourceText(fmt::format("RT App {} edition: {}", text, level == 2 ? "prof" : "stnd"));
    } catch (const std::exception& error) {
        road.flags.isProfessionalEdition = false;
        road.shell.setTrafficSourceText("");
        gf_logLine(fmt::format("{}: JSON parse failed: {}", "lf_processRTVersion", error.what()));
    }
}

void gf_sendUserPoseToRTApp(RtAppRoad& road) {
    if (!road.config.psxServerHere) {
        return;
    }
    const auto user = road.neighbours.userAircraft();
    if (isNullIsland(user->latitude, user->longitude)) {
        return;
    }
    RTAppServer& server = road.server;
    if (!server.connected()) {
        reportAppGone(road, fmt::format("{} RealTraffic App gone", gf_timeText()));
        return;
    }
    const std::string line = fmt::format("Qs121={:.0f};{:.0f};{:.6f};{:.0f};{:.0f};{:.6f};{:.6f}\r\n",
                                         user->pitchRad * -100000.0, user->bankRad * 100000.0, user->headingRad,
                                         user->indicatedAltitudeFt * 1000.0, user->groundSpeedKt * 1000.0,
                                         user->latitude * kDegreesToRadians, user->longitude * kDegreesToRadians);
    if (!server.sendDataPacket(line)) {
        reportAppGone(road, "RealTraffic App gone");
        return;
    }
    const std::lock_guard lock(road.bufferRequest.mutex);
    if (!road.bufferRequest.inFlight) {
        server.drainReceiveBuffer();
    }
}

void gf_sendQs123ToRTApp(RtAppRoad& road, std::int64_t utcSeconds) {
    if (!road.server.connected() || utcSeconds < 1) {
        return;
    }
    road.server.sendDataPacket(fmt::format("Qs123={}\r\n", utcSeconds * 1000));
}

bool gf_requestRTAppBufferTraffic(RtAppRoad& road) {
    const std::lock_guard lock(road.bufferRequest.mutex);
    if (road.bufferRequest.inFlight.exchange(true)) {
        return false;
    }
    const auto user = road.neighbours.userAircraft();
    std::string line(kBufferRequestLineNoBox);
    if (!isNullIsland(user->latitude, user->longitude)) {
        const double rangeNm = gf_settings()->rangeNm;
        const double halfHeight = rangeNm * kKmPerNm / kKmPerDegreeLatitude;
        line = fmt::format("Qs999=sendbuffer=5,6,{}\n",
                           boxText({user->latitude, user->longitude}, halfHeight, rangeNm * kFeetPerNm));
    }
    road.server.drainReceiveBuffer();
    const bool sent = road.server.sendDataPacket(line);
    if (!sent) {
        road.bufferRequest.inFlight = false;
    }
    return sent;
}

void gf_clearRTAppBufferRequest(RtAppRoad& road) { road.bufferRequest.clear(); }

void gf_requestRTAppParkedTraffic(RtAppRoad& road) {
    road.trafficReader.parkedReceived = false;
    road.trafficReader.clearParkedLists();
    std::optional<Lalo> centre;
    const ParkAirportInfo airport = road.neighbours.currentParkAirport();
    if (!airport.code.empty() && gf_isValidLalo(airport.latitude, airport.longitude)) {
        centre = Lalo{airport.latitude, airport.longitude};
    } else {
        const auto user = road.neighbours.userAircraft();
        if (user->onGround) {
            centre = Lalo{user->latitude, user->longitude};
        }
    }
    if (!centre || !road.server.connected()) {
        return;
    }
    road.server.sendDataPacket(
        fmt::format("Qs999=sendparked,{}\r\n", boxText(*centre, kParkedBoxDegrees, kParkedBoxFeet)));
}

} // namespace kiv

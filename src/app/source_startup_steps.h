// What the start of the simulator connection and of the traffic source asks of the simulator
// link, the traffic feeds, the traffic manager and the window, one call each. The program's
// wiring implements it over the real subsystems; tests pass a scripted fake. Main worker
// thread only (the threads it starts run on their own).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <thread>

#include "foundation/lalo.h"

namespace kiv {

class SourceStartupSteps {
public:
    virtual ~SourceStartupSteps() = default;

    // Simulator link.
    virtual void prepareSimClient(std::int32_t majorVersion) = 0;
    // Starts the SimClient thread; throws std::system_error when no thread can be made.
    virtual std::jthread startSimClientThread() = 0;
    // 0 none, 1 connected, 2 running (a flight is loaded), 3 shutting down.
    virtual std::uint32_t simulatorState() = 0;
    // Queues a data request for the user aircraft (object id 0).
    virtual void queueUserDataRequest(std::uint32_t kind) = 0;
    // 255 until the first reply, then 0 airborne or 1 on the ground.
    virtual std::uint8_t userOnGroundState() = 0;
    // Copies the user aircraft's latest state to the traffic side; returns its position.
    virtual Lalo refreshUserAircraft() = 0;
    virtual Lalo userPosition() = 0;
    virtual void clearUserReplyBits() = 0;
    virtual std::uint8_t userReplyBits() = 0;
    // The simulator's Zulu time in seconds since 1970, while it reports one.
    virtual std::optional<std::int64_t> simZuluTime() = 0;

    // Both roads.
    virtual void applyAutoRange() = 0;
    virtual void resetTrafficMailbox() = 0;
    virtual bool professionalEdition() = 0;
    virtual void setProfessionalEdition(bool professional) = 0;
    virtual void waitForFirstTraffic() = 0;

    // RT App road.
    virtual void setRtAppConnected() = 0;
    // Throws when the server cannot listen on the port.
    virtual void listenRtAppServer(const std::string& port) = 0;
    virtual void connectRtApp() = 0;
    virtual void sendQs123ToRtApp(double seconds) = 0;
    virtual void sendUserPoseToRtApp() = 0;
    virtual std::jthread startWeatherReader() = 0;
    virtual std::jthread startTrafficReader() = 0;
    // The position the UDP readers' range filter measures from, with its latitude's cosine.
    virtual void setUdpReaderPosition(const Lalo& position, double cosLatitude) = 0;
    virtual bool bufferTrafficReceived() = 0;
    virtual bool parkedTrafficReceived() = 0;
    // The park airport's position when the user and park state holds one (read under its lock).
    virtual std::optional<Lalo> parkAirportPosition() = 0;
    virtual void requestRtAppParkedTraffic() = 0;

    // RT Direct road.
    virtual void updateRtApiQueryBox() = 0;
    virtual void holdForRtApiCooldown() = 0;
    // Logs in; throws UserRelatedException for a licence the service refuses.
    virtual void authenticate() = 0;
    virtual void enableTimeShiftControls(bool enable) = 0;
    // Sets the time shift without a restart.
    virtual void applyTimeShift(std::int32_t minutes) = 0;
    // KEEP_SIM_TIME_PAR off: stored, unchecked and applied.
    virtual void switchOffKeepSimTime() = 0;
    virtual bool rtApiHasSession() = 0;
    virtual void setTimeShiftRtDirect(std::int32_t minutes) = 0;
    virtual void setLastSimTime(std::int64_t seconds) = 0;
    virtual std::jthread startRtApiWeatherReader() = 0;
    virtual std::jthread startRtApiTrafficReader() = 0;
    virtual void setRtApiQueryCentre(const Lalo& position) = 0;
    virtual bool rtApiReceiving() = 0;
};

} // namespace kiv

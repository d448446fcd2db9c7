// The steps of the simulator connection's and the traffic source's start over the program's
// real subsystems: the simulator link, the run's RT App or RT Direct road, the traffic
// mailbox and the window. Main worker thread only; the threads it starts run the subsystems'
// own thread bodies.
#pragma once

#include "app/source_startup_steps.h"
#include "traffic/traffic_mailbox.h"

namespace kiv {

class Program;

class ProgramSourceStartupSteps final : public SourceStartupSteps {
public:
    explicit ProgramSourceStartupSteps(Program& program) : p_(program) {}

    void prepareSimClient(std::int32_t majorVersion) override;
    std::jthread startSimClientThread() override;
    std::uint32_t simulatorState() override;
    void queueUserDataRequest(std::uint32_t kind) override;
    std::uint8_t userOnGroundState() override;
    Lalo refreshUserAircraft() override;
    Lalo userPosition() override;
    void clearUserReplyBits() override;
    std::uint8_t userReplyBits() override;
    std::optional<std::int64_t> simZuluTime() override;

    void applyAutoRange() override;
    void resetTrafficMailbox() override;
    bool professionalEdition() override;
    void setProfessionalEdition(bool professional) override;
    void waitForFirstTraffic() override;

    void setRtAppConnected() override;
    void listenRtAppServer(const std::string& port) override;
    void connectRtApp() override;
    void sendQs123ToRtApp(double seconds) override;
    void sendUserPoseToRtApp() override;
    std::jthread startWeatherReader() override;
    std::jthread startTrafficReader() override;
    void setUdpReaderPosition(const Lalo& position, double cosLatitude) override;
    bool bufferTrafficReceived() override;
    bool parkedTrafficReceived() override;
    std::optional<Lalo> parkAirportPosition() override;
    void requestRtAppParkedTraffic() override;

    void updateRtApiQueryBox() override;
    void holdForRtApiCooldown() override;
    void authenticate() override;
    void enableTimeShiftControls(bool enable) override;
    void applyTimeShift(std::int32_t minutes) override;
    void switchOffKeepSimTime() override;
    bool rtApiHasSession() override;
    void setTimeShiftRtDirect(std::int32_t minutes) override;
    void setLastSimTime(std::int64_t seconds) override;
    std::jthread startRtApiWeatherReader() override;
    std::jthread startRtApiTrafficReader() override;
    void setRtApiQueryCentre(const Lalo& position) override;
    bool rtApiReceiving() override;

private:
    Program& p_;
};

// Empties the traffic mailbox's slot and turns its delivery off, under its mutex.
void gf_resetTrafficMailbox(TrafficMailbox& mailbox);

} // namespace kiv

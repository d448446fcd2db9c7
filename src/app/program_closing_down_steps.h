// The steps of closing-down and of the restart phases over the program's real subsystems:
// the run's traffic road stopped and closed, the parking and the park airport cleared, what
// must survive saved, and every per-run value put back for the next start. Main worker thread
// only, after the simulator loop has ended.
#pragma once

#include "app/closing_down_steps.h"

namespace kiv {

class Program;

class ProgramClosingDownSteps final : public ClosingDownSteps {
public:
    explicit ProgramClosingDownSteps(Program& program) : p_(program) {}

    void resetTrafficMailbox() override;
    void stopRtAppReaders() override;
    void stopRtApiReaders() override;
    bool rtApiHasSession() override;
    void deauthenticate() override;
    void clearRtApiSession() override;
    void closeRtAppServer() override;
    void releaseNetworkLibrary() override;
    bool hasParkAirport() override;
    void clearParking() override;
    void clearUserAndParkState() override;
    void clearGhostCheckTable() override;
    void removeFlightPlanFolder() override;
    void clearGhostCheckTexts() override;
    void logLiveryMatchingSummary() override;
    void saveParkAirports() override;
    void logNoMatchList() override;

    void resetRtAppReaders() override;
    void renewRtApiClient() override;
    void resetSimClientState(std::int32_t simulatorVersion) override;
    void resetTraffic() override;
    void resetRunState() override;

private:
    Program& p_;
};

} // namespace kiv

// The SimClient thread: the one thread that talks to the simulator. It connects as
// "VELT_P3D" (retrying every 100 ms), registers its events and data definitions, dispatches
// received messages every millisecond and, on every simulator frame, writes the AI poses and
// issues the queued commands; at the end it removes every AI object it created. Everything
// here but the SimLink it shares runs on that thread only; tests drive the parts one by one.
// The shell wires it: SimLink (prepared with the simulator's major version), SessionCalls
// over ConnectEnvironment::standard(), its LinkShell and LinkNeighbours, and a stoppable
// thread that runs SimClient::run.
#pragma once

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <stop_token>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "foundation/lalo.h"
#include "simlink/command_queues.h"
#include "simlink/link_neighbours.h"
#include "simlink/link_shell.h"
#include "simlink/pose_exchange.h"
#include "simlink/received_messages.h"
#include "simlink/sim_link.h"
#include "simlink/simconnect_calls.h"

namespace kiv {

inline constexpr const char* kSimClientName = "VELT_P3D";

struct SimClientOptions {
    // Steady-clock nanoseconds: the clock the traffic side stamps its poses with.
    std::function<std::int64_t()> nowNs;
    // How long the thread lets an error the user must fix stand before it ends.
    std::chrono::milliseconds userErrorPause{10'000};
    std::chrono::milliseconds shutdownWait{2'000};
};

struct PendingCreate {
    std::uint32_t hexId = 0;
    bool live = false;
    std::uint32_t packetId = 0; // send id of the create packet
    std::string title;
    std::string tailNumber;
};

// The last pose write attempted, for the log of a failed session.
struct PoseWriteRecord {
    bool made = false;
    std::uint32_t objectId = 0;
    AiPose pose;
    Hresult result = 0;
};

// What one session knows; emptied at every connection.
struct SessionTables {
    bool shutdown = false;
    bool quitSeen = false;
    std::uint32_t userObjectId = 0;
    std::unordered_map<std::uint32_t, PendingCreate> pendingCreates; // by request id
    std::unordered_map<std::uint32_t, std::uint32_t> pendingPackets; // create packet id to request id
    std::unordered_set<std::uint32_t> owned;
    std::unordered_set<std::uint32_t> statics;
    std::unordered_set<std::uint32_t> removalPending;
    std::unordered_map<std::uint32_t, std::string> tailNumbers;
    std::uint64_t removalsConfirmed = 0;
    std::uint64_t removalsFailed = 0;
    bool userDataSeen = false;
    bool userGroundLogged = false;
    Lalo lastUserPosition{0.0, 0.0};
    bool zuluInvalidLogged = false;
    PoseWriteRecord lastWrite;
};

class SimClient {
public:
    SimClient(SimLink& link, SimConnectCalls& calls, LinkShell& shell, LinkNeighbours& neighbours,
              SimClientOptions options = {});

    // The thread body: runs until the stop token is set or the program stops running.
    void run(std::stop_token stop);

    // The registration of every id, in order; false when any call failed (each is logged).
    bool lf_simClientSetup();
    // One received message.
    void lf_simClientDispatch(MessageBytes message);
    // The frame's pose writes, then the frame's commands.
    void lf_pushFramePoses();
    void lf_pumpCommands();
    // Removes every owned object and waits (dispatching) for the confirmations.
    void lf_simClientShutdown();
    // A failed request ends the session: message, state 3, SIMCONNECT ERROR with a 9 s restart.
    void lf_requestError();
    void logPoseDiagnostics() const;

    SessionTables& session() { return session_; }
    // An exception a handler threw while dispatching, taken out (the thread rethrows it).
    std::exception_ptr takeDispatchException();

private:
    static void dispatchThunk(const std::uint8_t* message, std::uint32_t size, void* context);

    // Thread loop steps.
    void resetSession();
    void closeSession();
    bool openSession(bool& waitingShown);
    void runSession(std::stop_token& stop);
    bool keepRunning(const std::stop_token& stop) const;
    void endOfThread();
    void onThreadException(std::exception_ptr failure, const std::stop_token& stop);

    // Dispatch, one handler per message.
    void onException(MessageBytes message);
    void onOpen(MessageBytes message);
    void onQuit();
    void onEvent(MessageBytes message);
    void onObjectAddRemove(MessageBytes message);
    void onFilename();
    void onFrame();
    void onSimObjectData(MessageBytes message);
    void onSimObjectDataByType(MessageBytes message);
    void onAssignedObjectId(MessageBytes message);
    void onCreateObjectFailed(std::uint32_t sendId);

    // The user aircraft's replies.
    void onUserTitle(MessageBytes message);
    void onUserModel(MessageBytes message);
    void onUserOnGround(MessageBytes message);
    void onUserPosition(const ObjectDataMessage& header, MessageBytes message);
    void updateSimulatorTime(const UserAircraftState& state);
    void userStandCheck();

    // The pump's steps.
    bool stopped() const;
    void issueDataRequest(const DataRequestCommand& request);
    void issueClientEvent(const ClientEventCommand& command);
    void issueFlightPlan(const FlightPlanCommand& command);
    void issueAtcId(const AtcIdCommand& command);
    void lf_createAiObject(const CreateCommand& command);
    void issueRemoval(std::uint32_t objectId);
    void issueReverseThrust(const ReverseThrustCommand& command);

    SimLink& link_;
    SimConnectCalls& calls_;
    LinkShell& shell_;
    LinkNeighbours& neighbours_;
    SimClientOptions options_;

    SessionTables session_;
    PosePlayback playback_;
    CommandBatch batch_; // the pump's local queues, kept for their capacity
    std::string userTitle_;
    std::exception_ptr dispatchException_;
};

} // namespace kiv

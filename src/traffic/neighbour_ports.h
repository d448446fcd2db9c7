// What the traffic manager asks of the subsystems around it, one narrow interface each,
// named after the services those subsystems offer. The program wires the real subsystems in;
// tests pass recording fakes. Every call comes from the simulator-loop thread unless a
// comment says otherwise.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "airports/stand.h"
#include "feeds/traffic_record.h"
#include "foundation/lalo.h"
#include "models/livery_key.h"
#include "motion/motion_values.h"
#include "simlink/link_commands.h"

namespace kiv {

class TrafficState;
struct AircraftInfo;
struct LiveAircraft;
struct StandPose;

// Published pose lists per simulator object, guarded by the link's pose mutex.
using PublishedPoseMap = std::unordered_map<std::uint32_t, std::vector<PoseSample>>;

// The simulator link: command queues (one lock per record), the pose buffer, its state.
class SimLinkPort {
public:
    virtual ~SimLinkPort() = default;
    virtual std::int32_t simulatorState() const = 0; // 2 = running
    virtual void gf_setNavLights(std::uint32_t objectId, bool on) = 0;
    virtual void gf_engineAutoShutdown(std::uint32_t objectId) = 0;
    virtual void gf_setAllLights(std::uint32_t objectId, const LightSet& lights) = 0;
    virtual void gf_queueRemoveObject(std::uint32_t objectId) = 0;
    virtual void gf_queueCreate(const CreateCommand& command) = 0;
    virtual void queueClientEvent(const ClientEventCommand& command) = 0;
    virtual void queueDataRequest(const DataRequestCommand& command) = 0;
    virtual UserAircraftState gf_getUserAircraft() const = 0;
    // Runs the change under the pose mutex (held only for the change).
    virtual void withPublishedPoses(const std::function<void(PublishedPoseMap&)>& change) = 0;
    // Empties the tick's and the published poses and bumps the pose generation.
    virtual void dropAllPoseStreams() = 0;

    virtual void gf_engineAutoStart(std::uint32_t objectId) = 0;
    virtual void gf_setBeaconLights(std::uint32_t objectId, std::uint32_t value) = 0;
    virtual void gf_setCabinLights(std::uint32_t objectId, std::uint32_t value) = 0;
    // Reverse thrust of an AI aircraft: active with reverse on, active forwards, or idle.
    virtual void gf_setReverseThrust(std::uint32_t objectId, std::uint8_t active, std::uint8_t reverse) = 0;
    // One-shot readbacks, answered as SimEvent kinds 4 and 5.
    virtual void gf_requestStaticCgAndPitch(std::uint32_t objectId) = 0;
    virtual void gf_requestInitialPose(std::uint32_t objectId) = 0;
    virtual void queueFlightPlan(const FlightPlanCommand& command) = 0;
    virtual void queueAtcId(const AtcIdCommand& command) = 0;
    // A static object handed to a live aircraft: its position readbacks count from now on.
    virtual void queuePromotedObject(std::uint32_t objectId) = 0;
    // Swaps the events posted since the last drain into `events` (emptied first); the vector
    // handed back keeps its capacity, so steady posting allocates nothing.
    virtual void drainSimEvents(std::vector<SimEvent>& events) = 0;
    virtual UserAircraftIdentity userAircraftIdentity() const = 0;

    // AI flight-plan files, one per object, in a folder under the data folder.
    virtual std::optional<std::filesystem::path> gf_flightPlanFolder() const = 0;
    virtual bool gf_ensureFlightPlanFolder(const std::filesystem::path& folder) = 0;
    virtual std::string gf_flightPlanFileName(std::uint32_t objectId) const = 0;
    // False (logged) when the file cannot be written.
    virtual bool gf_writeFlightPlan(const std::filesystem::path& path, const Route& route, SizeClass sizeClass) = 0;
    // Deletes the object's file; a missing file is no error, other failures are logged.
    virtual void gf_removeFlightPlan(std::uint32_t objectId) = 0;
};

struct ContinuityInput {
    std::uint32_t mode = 0; // 0, 1 or 2
    double refLatitude = 0.0;
    double refLongitude = 0.0;
    double testLatitude = 0.0;
    double testLongitude = 0.0;
    double cosRefLatitude = 1.0;
    double refTrackRad = 0.0;
    double testTrackRad = 0.0;
    double refAltitudeFt = 0.0;
    double testAltitudeFt = 0.0;
};

// Aircraft motion: the geometry and performance tests the traffic side asks for, and the
// drive into a stand. Positions in degrees, headings and angles in radians, radii in NM.
class MotionPort {
public:
    virtual ~MotionPort() = default;
    // 0 when the tested position is not a continuation of the reference.
    virtual std::uint32_t gf_checkPositionContinuity(const ContinuityInput& input) const = 0;
    virtual RelativePosition gf_relativePosition(const Lalo& from, double headingRad, const Lalo& to) const = 0;
    virtual bool gf_withinRadii(const Lalo& a, double radiusANm, const Lalo& b, double radiusBNm) const = 0;
    virtual StandApproachState gf_standApproachState(const StandPose& stand, const Lalo& aircraft,
                                                     double headingRad) const = 0;
    virtual StandEntryCheck gf_checkStandEntry(const StandPose& stand, double standRadiusNm, const Lalo& aircraft,
                                               double headingRad, double aircraftRadiusNm) const = 0;
    // The reference is the stream's last sample; it must lie within the stand's radius.
    virtual bool gf_canApproachStand(const StandPose& stand, double standRadiusNm, const Lalo& aircraft,
                                     double headingRad, const Lalo& reference) const = 0;
    virtual bool gf_isDirectFinalToStand(const StandPose& stand, const Lalo& aircraft, double headingRad) const = 0;
    // Pitch of an airborne initial pose for the sample's vertical rate.
    virtual double gf_climbDescentProfile(const StreamSample& sample, SizeClass sizeClass) const = 0;
    virtual double gf_maxBankAngle(SizeClass sizeClass) const = 0;
    virtual double gf_bankLimit(double maxBankRad, bool landing, double heightFt) const = 0;
    virtual TakeoffPerformance gf_takeoffPerformance(const TakeoffInput& input) const = 0;
    // Plans the last samples into the stand the aircraft has just taken.
    virtual void drive2Stand(TrafficState& state, LiveAircraft& aircraft, const StandPose& stand,
                             bool correctiveAllowed, bool slowApproach) = 0;
    // Situation takeoff_roll with the roll's commands and retiming windows.
    virtual void gf_startTakeoffRoll(TrafficState& state, LiveAircraft& aircraft) = 0;
    // The airline code of the livery key, "," and the operator's code when it has one.
    virtual std::string gf_airlineCodesText(const LiveAircraft& aircraft) const = 0;
    // The per-tick motion of a live aircraft: nextPosMain runs when the front sample of its
    // stream is due, gf_nextPosCurve every tick while that sample is not stationary.
    virtual void nextPosMain(TrafficState& state, LiveAircraft& aircraft) = 0;
    virtual void gf_nextPosCurve(TrafficState& state, LiveAircraft& aircraft) = 0;
};

// Places the service's parked aircraft (the parking planner's step); called under the feeds'
// parked-list lock with the cleaned list and the number of aircraft wanted.
using ParkedPlacement = std::function<void(std::vector<ParkedRecord>& list, std::int32_t needed)>;

// The traffic feeds of the active source (RT Direct or RT App).
class FeedsPort {
public:
    virtual ~FeedsPort() = default;
    virtual bool isRtDirect() const = 0;
    // Per-record delivery ticks of one batch; may be called from a feed thread.
    virtual void gf_setBatchDeliveryTicks(TrafficBatch& batch, std::int32_t baseTick,
                                          std::int32_t delaySeconds) const = 0;
    virtual void gf_updateRTAPIQueryBox() = 0;
    virtual void gf_setRTAPIQueryCentre(double latitude, double longitude) = 0;
    virtual void setRTAppRangeCentre(double latitude, double longitude, double cosLatitude) = 0;
    virtual void gf_sendUserPoseToRTApp() = 0;
    virtual void gf_sendQs123ToRTApp(double simTime) = 0;
    virtual std::optional<double> simulatorTime() const = 0;
    virtual void gf_requestRTAppParkedTraffic() = 0;
    virtual void gf_clearReceivedTraffic() = 0;
    virtual void clearParkValue() = 0;
    virtual void resetQnh() = 0;                 // back to 1013 hPa
    virtual std::int32_t currentQnh() const = 0; // hPa
    virtual bool sourceConnected() const = 0;
    // 0 fresh, 1 stale, judged by the source's own rules since the last look.
    virtual std::uint32_t weatherStatus() = 0;
    virtual std::uint32_t trafficStatus() = 0;
    // The parked aircraft the service reported: aged, cleaned and, when the settings ask for
    // the service's parked traffic only, handed to `place` under the list's lock. Must not
    // wait for the service: the loop thread calls it, and every pose would freeze. A source
    // that has to ask (RT Direct) asks and returns; its answer serves the next plan.
    virtual void gf_requestRTAPIParkedTraffic(std::int32_t needed, const ParkedPlacement& place) = 0;

    // Parking planner. The defaults stand for a source that delivered nothing.
    // The callsigns and hex ids of the traffic delivered since the stores were last cleared.
    virtual void receivedTrafficIds(std::unordered_set<std::string>& callsigns,
                                    std::unordered_set<std::uint32_t>& hexIds) const {
        callsigns.clear();
        hexIds.clear();
    }
    // Runs `use` on the active source's cleaned parked list under that list's lock.
    virtual void withParkedRecords(const std::function<void(std::vector<ParkedRecord>&)>& use) {
        static_cast<void>(use);
    }
    // Forgets the parked traffic received so far and the source's parked-collection flag.
    virtual void clearReceivedParkedTraffic() {}
};

struct ParkAirportInfo {
    std::string code; // empty: none
    double latitude = 0.0;
    double longitude = 0.0;
};

// The park airport's file as the parking planner takes it over: read, merged with its learned
// copy and applied to the run. A non-empty error text means nothing was read.
struct ParkAirportFile {
    std::string error;
    std::string airportName;
    std::int32_t qfReal = 0;
    std::int32_t qfSoft = 0;
    bool handmade = false;
    std::string publisher;
    bool publisherFlag = false;
    std::vector<Stand> stands;
};

// A row of the known-airports table as its neighbours see it.
struct KnownAirportInfo {
    std::string icao;
    IataCode iata; // key 0: none
    double latitude = 0.0;
    double longitude = 0.0;
};

// Airports and stands: the current park airport and its files.
class AirportsPort {
public:
    virtual ~AirportsPort() = default;
    virtual std::optional<double> gf_parkAirportAltitude() const = 0;
    virtual bool gf_airportFileExists(std::string_view icaoCode) const = 0;
    virtual std::optional<std::string> gf_currentParkAirportStand() const = 0;
    virtual ParkAirportInfo currentParkAirport() const = 0;
    virtual void clearCurrentParkAirport() = 0;
    // Within 10 NM of the park airport's centre (false without a park airport).
    virtual bool gf_isNearParkAirport(double latitude, double longitude) const = 0;
    // The known airport whose centre lies nearest the position within withinNm (flat
    // distance), rows farther than that in latitude or in longitude alone skipped at once;
    // read under the table's lock.
    virtual std::optional<KnownAirportInfo> gf_nearestKnownAirport(double latitude, double longitude,
                                                                   double withinNm) const = 0;
    // The known-airports row of an ICAO code; empty for a code not in the table.
    virtual std::optional<KnownAirportInfo> gf_findKnownAirport(std::string_view icaoCode) const = 0;

    // Parking. The defaults stand for a run without airport files.
    virtual std::optional<std::filesystem::path> gf_findAirportFilePath(std::string_view icaoCode) const {
        static_cast<void>(icaoCode);
        return std::nullopt;
    }
    // Reads the file with its learned copy and applies its settings to the run.
    virtual ParkAirportFile readAndApplyAirportFile(const std::filesystem::path& path);
    virtual void gf_saveLearned(std::span<const Stand> stands, bool handmade) {
        static_cast<void>(stands);
        static_cast<void>(handmade);
    }
    virtual void gf_applyParkSettings() {}
    // The stand uses recorded since the learned copy was last saved: one more for each
    // recorded use, and none again when an airport file is read afresh.
    virtual void gf_addLearnedUpdate() {}
    virtual void resetLearnedUpdates() {}
    // Under the park-airport list lock: the stand the user aircraft stands on becomes the
    // park airport's reserved stand unless it is that one already (empty: not at a stand).
    virtual void noteUserStand(const ParkAirportInfo& airport, const std::optional<std::string>& userStand) {
        static_cast<void>(airport);
        static_cast<void>(userStand);
    }
    // The park-airport sweep's decisions on the user position.
    virtual void gf_selectNearestParkAirport(double latitude, double longitude) {
        static_cast<void>(latitude);
        static_cast<void>(longitude);
    }
    virtual void gf_checkParkAirportReach(double latitude, double longitude) {
        static_cast<void>(latitude);
        static_cast<void>(longitude);
    }
    virtual void gf_parkAirportOnGround(double latitude, double longitude) {
        static_cast<void>(latitude);
        static_cast<void>(longitude);
    }
};

inline ParkAirportFile AirportsPort::readAndApplyAirportFile(const std::filesystem::path& path) {
    ParkAirportFile file;
    file.error = "no airport file reader for " + path.string();
    return file;
}

// Models and liveries: the type database and the livery choice.
class ModelsPort {
public:
    virtual ~ModelsPort() = default;
    virtual std::optional<LiveryKey> gf_lookupRegistration(std::string_view registration) const = 0;
    virtual bool gf_isKnownModelCode(std::string_view modelCode) const = 0;
    virtual std::string modelCode(std::uint16_t modelId) const = 0; // empty for an unknown id
    virtual std::string airlineCode(std::uint16_t airlineId) const = 0;
    virtual SizeClass gf_sizeClassOfModel(std::uint16_t modelId) const = 0;
    virtual std::uint16_t gf_modelId(std::string_view modelCode) = 0;
    // Interns an airline code not yet known.
    virtual std::uint16_t gf_airlineId(std::string_view airlineCode) = 0;
    // Half wingspan in nautical miles; empty at or beyond the end of the wingspan table.
    virtual std::optional<double> halfSpanNm(std::uint16_t modelId) const = 0;
    virtual double largestHalfSpanNm() const = 0;
    virtual void gf_forgetLiveryOfHexid(std::uint32_t hexId) = 0;
    virtual void clearLiveryOfHexids() = 0;
    virtual void gf_logNoMatchList(std::int32_t periods) = 0;
    virtual void gf_logLiveryMatchingSummary() = 0;

    // The livery choice for a live aircraft at `altitudeFt` while the user aircraft is at
    // `userAltitudeFt`: fills liveryTitle (empty: none fits), isPackageLivery and
    // isCoverageOnly. The title is a view into the models' tables, valid until the traffic
    // is reset.
    virtual void gf_chooseLivery(AircraftInfo& aircraft, double altitudeFt, double userAltitudeFt) = 0;
    // A static aircraft on the stand; false when nothing fits.
    virtual bool gf_chooseStaticLivery(AircraftInfo& aircraft, const Stand& stand) = 0;
    virtual bool gf_isFailedLivery(std::string_view title) const = 0;
    // The simulator refused the aircraft's livery; may throw UserRelatedException 81.
    virtual void gf_liveryCreationFailed(const AircraftInfo& aircraft) = 0;
    // The livery kept for a hex id (empty: none) and keeping a new one.
    virtual std::string_view liveryOfHexid(std::uint32_t hexId) const = 0;
    virtual void rememberLiveryOfHexid(std::uint32_t hexId, std::string_view title) = 0;
    // Aircraft with a registration that found no livery, printed every 20 minutes.
    virtual void addToNoMatchList(std::string aircraftText) = 0;
    virtual void clearNoMatchList() = 0;
    // The airline of a callsign of three letters and a digit into the key's airline id; false
    // when the callsign has no airline.
    virtual bool gf_airlineCodeFromCallsign(std::string_view callsign, LiveryKey& key) = 0;
    virtual bool gf_isCargo(const LiveryKey& key) const = 0;
};

// The application shell: stop requests, the main window's queue and its commands.
class ShellPort {
public:
    virtual ~ShellPort() = default;
    virtual bool gf_isRunning() const = 0;
    // Installs the stop request only when none is pending (any thread).
    virtual void installStopRequest(std::uint32_t exitReason, std::uint32_t delaySeconds) = 0;
    virtual void showMessage(const std::string& text, bool log) = 0;
    virtual void enableAircraftButton() = 0;
    virtual void fillAircraftList(const std::vector<std::string>& entries) = 0;
    virtual void postLiveCount(std::uint64_t count) = 0;
    virtual void postParkCounts(std::uint64_t a, std::uint64_t b) = 0;
    virtual void postRepaint(std::uint32_t mask) = 0;
    virtual void postExpireMessage() = 0;
    virtual void postClearMessage() = 0;
    virtual void postClearError() = 0;
    virtual void postStaticExtra(std::uint64_t count) = 0;
    virtual void postMaxPark(std::uint32_t count, std::uint32_t percent) = 0;
    virtual void postParkingCountdown(std::uint32_t minutes) = 0;
    virtual void postReaderStatus(std::uint32_t weather, std::uint32_t traffic) = 0;
    virtual void gf_updateGuiAircraftCounts() = 0;
    virtual void gf_followSimTime() = 0;
    virtual void gf_updateAutoRange() = 0;
    virtual void gf_disableParkingControls() = 0;
    virtual void gf_showSupportHint() = 0;
    virtual bool airportScanReportedProblem() const = 0;

    // Parking band and parking controls.
    virtual void postStaticFit(float hours) = 0; // -1: none
    virtual void setLiveFit(float hours) = 0;    // -1: none
    virtual void setStaticFitHidden(bool hidden) = 0;
    virtual void postParkAirport(std::uint64_t key) = 0; // 0: no airport within reach
    virtual void postParkingUpdates(std::uint32_t count) = 0;
    virtual void postLearnedChanges(std::uint32_t count) = 0;
    virtual void setParkAirportInfo(bool hasFile, const std::string& airportName) = 0;
    virtual void setPublisher(const std::string& text, bool flag) = 0;
    // The parking band shows "generating parking ..." until the controls are enabled again.
    virtual void markGeneratingParking() = 0;
    virtual void gf_enableParkingControls() = 0;
    virtual void gf_resetParkingCountdown() = 0;
    virtual void disableParkButtons() = 0;
};

} // namespace kiv

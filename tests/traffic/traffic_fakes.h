// Recording fakes of the traffic manager's neighbours and a fixture that builds a traffic
// state on them, with a virtual clock. Tests only; the program wires the real subsystems.
#pragma once

#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <vector>

#include "settings/settings_snapshot.h"
#include "test_support/fake_loop_clock.h"
#include "traffic/traffic_state.h"

namespace kiv::test_support {

class FakeSimLink : public SimLinkPort {
public:
    std::int32_t state = 2;
    std::vector<std::pair<std::uint32_t, bool>> navLights;
    std::vector<std::uint32_t> shutdowns;
    std::vector<std::pair<std::uint32_t, LightSet>> allLights;
    std::vector<std::uint32_t> removals;
    std::vector<CreateCommand> creates;
    std::vector<ClientEventCommand> events;
    std::vector<DataRequestCommand> dataRequests;
    UserAircraftState user;
    PublishedPoseMap poses;
    int poseDrops = 0;
    std::vector<std::array<std::uint32_t, 3>> reverseThrusts; // object id, active, reverse

    std::int32_t simulatorState() const override { return state; }
    void gf_setNavLights(std::uint32_t objectId, bool on) override { navLights.emplace_back(objectId, on); }
    void gf_engineAutoShutdown(std::uint32_t objectId) override { shutdowns.push_back(objectId); }
    void gf_setAllLights(std::uint32_t objectId, const LightSet& lights) override {
        allLights.emplace_back(objectId, lights);
    }
    void gf_queueRemoveObject(std::uint32_t objectId) override { removals.push_back(objectId); }
    void gf_queueCreate(const CreateCommand& command) override { creates.push_back(command); }
    void queueClientEvent(const ClientEventCommand& command) override { events.push_back(command); }
    void queueDataRequest(const DataRequestCommand& command) override { dataRequests.push_back(command); }
    UserAircraftState gf_getUserAircraft() const override { return user; }
    void withPublishedPoses(const std::function<void(PublishedPoseMap&)>& change) override { change(poses); }
    void dropAllPoseStreams() override {
        poses.clear();
        ++poseDrops;
    }

    std::vector<std::uint32_t> engineStarts;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> beaconLights;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> cabinLights;
    std::vector<FlightPlanCommand> flightPlans;
    std::vector<AtcIdCommand> atcIds;
    std::vector<std::uint32_t> promoted;
    std::vector<SimEvent> pendingEvents; // the next drain hands these over
    UserAircraftIdentity identity;
    std::optional<std::filesystem::path> planFolder;
    bool planWrites = true;
    std::vector<std::filesystem::path> writtenPlans;
    std::vector<std::uint32_t> removedPlans;

    void gf_engineAutoStart(std::uint32_t objectId) override { engineStarts.push_back(objectId); }
    void gf_setBeaconLights(std::uint32_t objectId, std::uint32_t value) override {
        beaconLights.emplace_back(objectId, value);
    }
    void gf_setCabinLights(std::uint32_t objectId, std::uint32_t value) override {
        cabinLights.emplace_back(objectId, value);
    }
    void gf_setReverseThrust(std::uint32_t objectId, std::uint8_t active, std::uint8_t reverse) override {
        reverseThrusts.push_back({objectId, active, reverse});
    }
    void gf_requestStaticCgAndPitch(std::uint32_t objectId) override { dataRequests.push_back({4, objectId}); }
    void gf_requestInitialPose(std::uint32_t objectId) override { dataRequests.push_back({5, objectId}); }
    void queueFlightPlan(const FlightPlanCommand& command) override { flightPlans.push_back(command); }
    void queueAtcId(const AtcIdCommand& command) override { atcIds.push_back(command); }
    void queuePromotedObject(std::uint32_t objectId) override { promoted.push_back(objectId); }
    void drainSimEvents(std::vector<SimEvent>& events) override {
        events.clear();
        events.swap(pendingEvents);
    }
    UserAircraftIdentity userAircraftIdentity() const override { return identity; }
    std::optional<std::filesystem::path> gf_flightPlanFolder() const override { return planFolder; }
    bool gf_ensureFlightPlanFolder(const std::filesystem::path&) override { return planFolder.has_value(); }
    std::string gf_flightPlanFileName(std::uint32_t objectId) const override {
        return std::to_string(objectId) + ".pln";
    }
    bool gf_writeFlightPlan(const std::filesystem::path& path, const Route&, SizeClass) override {
        writtenPlans.push_back(path);
        return planWrites;
    }
    void gf_removeFlightPlan(std::uint32_t objectId) override { removedPlans.push_back(objectId); }
};

class FakeFeeds : public FeedsPort {
public:
    bool rtDirect = true;
    std::vector<std::string> calls;
    std::uint32_t weather = 0;
    std::uint32_t traffic = 0;
    bool connected = true;
    std::int32_t qnh = 1013;

    bool isRtDirect() const override { return rtDirect; }
    // Base tick plus the delay in ticks; the per-record offsets are the feeds' own business.
    void gf_setBatchDeliveryTicks(TrafficBatch& batch, std::int32_t baseTick,
                                  std::int32_t delaySeconds) const override {
        for (TrafficRecord& record : batch) {
            record.sample.deliveryTick = baseTick + 100 * delaySeconds;
        }
    }
    void gf_updateRTAPIQueryBox() override { calls.push_back("gf_updateRTAPIQueryBox"); }
    void gf_setRTAPIQueryCentre(double, double) override { calls.push_back("gf_setRTAPIQueryCentre"); }
    void setRTAppRangeCentre(double, double, double) override { calls.push_back("setRTAppRangeCentre"); }
    void gf_sendUserPoseToRTApp() override { calls.push_back("gf_sendUserPoseToRTApp"); }
    void gf_sendQs123ToRTApp(double) override { calls.push_back("gf_sendQs123ToRTApp"); }
    std::optional<double> simulatorTime() const override { return std::nullopt; }
    void gf_requestRTAppParkedTraffic() override { calls.push_back("gf_requestRTAppParkedTraffic"); }
    void gf_clearReceivedTraffic() override { calls.push_back("gf_clearReceivedTraffic"); }
    void clearParkValue() override { calls.push_back("clearParkValue"); }
    std::function<void()> onResetQnh; // runs inside the reset, after the tables were emptied
    void resetQnh() override {
        calls.push_back("resetQnh");
        if (onResetQnh) {
            onResetQnh();
        }
    }
    std::int32_t currentQnh() const override { return qnh; }
    bool sourceConnected() const override { return connected; }
    std::uint32_t weatherStatus() override { return weather; }
    std::uint32_t trafficStatus() override { return traffic; }
    std::vector<ParkedRecord> parked; // the cleaned parked list
    bool placeParked = false;         // the request hands the list to the placement
    std::int32_t parkedNeeded = -1;
    void gf_requestRTAPIParkedTraffic(std::int32_t needed, const ParkedPlacement& place) override {
        calls.push_back("gf_requestRTAPIParkedTraffic");
        parkedNeeded = needed;
        if (placeParked && place) {
            place(parked, needed);
        }
    }
    std::unordered_set<std::string> receivedCallsigns;
    std::unordered_set<std::uint32_t> receivedHexIds;
    void receivedTrafficIds(std::unordered_set<std::string>& callsigns,
                            std::unordered_set<std::uint32_t>& hexIds) const override {
        callsigns = receivedCallsigns;
        hexIds = receivedHexIds;
    }
    void withParkedRecords(const std::function<void(std::vector<ParkedRecord>&)>& use) override { use(parked); }
    void clearReceivedParkedTraffic() override { calls.push_back("clearReceivedParkedTraffic"); }
};

class FakeAirports : public AirportsPort {
public:
    std::optional<double> parkAltitude;
    bool fileExists = false;
    std::optional<std::string> userStand;
    ParkAirportInfo parkAirport;
    int clears = 0;
    bool nearParkAirport = false;
    std::optional<KnownAirportInfo> nearestKnown;
    std::map<std::string, KnownAirportInfo> knownByCode;
    mutable double nearestAskedWithinNm = 0.0;

    std::optional<double> gf_parkAirportAltitude() const override { return parkAltitude; }
    bool gf_airportFileExists(std::string_view) const override { return fileExists; }
    std::optional<std::string> gf_currentParkAirportStand() const override { return userStand; }
    ParkAirportInfo currentParkAirport() const override { return parkAirport; }
    void clearCurrentParkAirport() override { ++clears; }
    bool gf_isNearParkAirport(double, double) const override { return nearParkAirport; }
    std::optional<KnownAirportInfo> gf_nearestKnownAirport(double, double, double withinNm) const override {
        nearestAskedWithinNm = withinNm;
        return nearestKnown;
    }
    std::optional<KnownAirportInfo> gf_findKnownAirport(std::string_view icaoCode) const override {
        return knownByCode.contains(std::string(icaoCode)) ? std::optional(knownByCode.at(std::string(icaoCode)))
                                                           : std::nullopt;
    }

    std::optional<std::filesystem::path> filePath;
    ParkAirportFile file;
    std::vector<std::string> calls;
    std::vector<std::vector<Stand>> savedLearned;
    std::optional<std::filesystem::path> gf_findAirportFilePath(std::string_view) const override { return filePath; }
    ParkAirportFile readAndApplyAirportFile(const std::filesystem::path& path) override {
        calls.push_back("readAndApplyAirportFile " + path.string());
        return file;
    }
    void gf_saveLearned(std::span<const Stand> stands, bool handmade) override {
        calls.push_back(std::string("gf_saveLearned ") + (handmade ? "handmade" : "learned"));
        savedLearned.emplace_back(stands.begin(), stands.end());
    }
    void gf_applyParkSettings() override { calls.push_back("gf_applyParkSettings"); }
    std::int32_t learnedUpdates = 0; // since the last read of an airport file
    void gf_addLearnedUpdate() override { ++learnedUpdates; }
    void resetLearnedUpdates() override { learnedUpdates = 0; }
    void noteUserStand(const ParkAirportInfo& airport, const std::optional<std::string>& stand) override {
        calls.push_back("noteUserStand " + airport.code + " " + stand.value_or("-"));
    }
    void gf_selectNearestParkAirport(double, double) override { calls.push_back("gf_selectNearestParkAirport"); }
    void gf_checkParkAirportReach(double, double) override { calls.push_back("gf_checkParkAirportReach"); }
    void gf_parkAirportOnGround(double, double) override { calls.push_back("gf_parkAirportOnGround"); }
};

// Model id n has the code in `codes`; unknown ids have an empty code.
class FakeModels : public ModelsPort {
public:
    std::map<std::uint16_t, std::string> codes = {{1, "A320"}, {2, "C172"}, {3, "BE58"},
                                                  {4, "CRJ9"}, {5, "EC35"}, {6, "B738"}};
    std::map<std::uint16_t, SizeClass> classes = {{1, SizeClass::Large},      {2, SizeClass::Light},
                                                  {3, SizeClass::TwoProps},   {4, SizeClass::Large},
                                                  {5, SizeClass::Rotorcraft}, {6, SizeClass::Large}};
    std::map<std::string, LiveryKey> registrations;
    std::map<std::uint16_t, double> halfSpans; // missing id: 0; id 2700 and up: beyond the table
    std::vector<std::uint32_t> forgotten;
    int liveryMapClears = 0;

    std::optional<LiveryKey> gf_lookupRegistration(std::string_view registration) const override {
        auto it = registrations.find(std::string(registration));
        return it == registrations.end() ? std::nullopt : std::optional<LiveryKey>(it->second);
    }
    bool gf_isKnownModelCode(std::string_view code) const override { return !code.empty(); }
    std::string modelCode(std::uint16_t id) const override {
        auto it = codes.find(id);
        return it == codes.end() ? std::string{} : it->second;
    }
    std::string airlineCode(std::uint16_t id) const override { return id == 0 ? "" : "DLH"; }
    SizeClass gf_sizeClassOfModel(std::uint16_t id) const override {
        auto it = classes.find(id);
        return it == classes.end() ? SizeClass::Large : it->second;
    }
    std::uint16_t gf_modelId(std::string_view code) override {
        for (const auto& [id, text] : codes) {
            if (text == code) {
                return id;
            }
        }
        return 2700;
    }
    std::map<std::string, std::uint16_t, std::less<>> airlineIds = {{"PVT", 90}};
    std::uint16_t gf_airlineId(std::string_view code) override {
        auto it = airlineIds.find(code);
        if (it == airlineIds.end()) {
            it = airlineIds.emplace(std::string(code), static_cast<std::uint16_t>(100 + airlineIds.size())).first;
        }
        return it->second;
    }
    std::optional<double> halfSpanNm(std::uint16_t id) const override {
        if (id >= 2700) {
            return std::nullopt;
        }
        auto it = halfSpans.find(id);
        return it == halfSpans.end() ? 0.0 : it->second;
    }
    double largestHalfSpanNm() const override { return 0.05; }
    void gf_forgetLiveryOfHexid(std::uint32_t hexId) override { forgotten.push_back(hexId); }
    void clearLiveryOfHexids() override { ++liveryMapClears; }
    void gf_logNoMatchList(std::int32_t) override {}
    void gf_logLiveryMatchingSummary() override {}

    // Livery choice: the title of `liveryTitles` for the model id (none when missing).
    std::map<std::uint16_t, std::string> liveryTitles;
    std::set<std::string, std::less<>> failedTitles;
    std::vector<std::uint32_t> creationFailures; // hex ids
    std::map<std::uint32_t, std::string_view> keptLiveries;
    std::vector<std::string> noMatches;
    int noMatchClears = 0;

    void gf_chooseLivery(AircraftInfo& aircraft, double, double) override {
        auto it = liveryTitles.find(aircraft.head.liveryKey.modelId);
        if (it != liveryTitles.end() && !failedTitles.contains(it->second)) {
            aircraft.liveryTitle = it->second;
        }
    }
    bool gf_chooseStaticLivery(AircraftInfo& aircraft, const Stand&) override {
        if (aircraft.liveryTitle.empty()) {
            gf_chooseLivery(aircraft, 0.0, 0.0);
        }
        return !aircraft.liveryTitle.empty();
    }
    bool gf_isFailedLivery(std::string_view title) const override { return failedTitles.contains(title); }
    void gf_liveryCreationFailed(const AircraftInfo& aircraft) override {
        creationFailures.push_back(aircraft.hexId);
        failedTitles.emplace(aircraft.liveryTitle);
    }
    std::string_view liveryOfHexid(std::uint32_t hexId) const override {
        auto it = keptLiveries.find(hexId);
        return it == keptLiveries.end() ? std::string_view{} : it->second;
    }
    void rememberLiveryOfHexid(std::uint32_t hexId, std::string_view title) override { keptLiveries[hexId] = title; }
    void addToNoMatchList(std::string aircraftText) override { noMatches.push_back(std::move(aircraftText)); }
    void clearNoMatchList() override { ++noMatchClears; }
    // Callsigns of three letters and a digit name airline 7.
    std::set<std::uint16_t> cargoModels;
    bool gf_airlineCodeFromCallsign(std::string_view callsign, LiveryKey& key) override {
        if (callsign.size() >= 4 && std::isalpha(static_cast<unsigned char>(callsign[0])) &&
            std::isalpha(static_cast<unsigned char>(callsign[1])) &&
            std::isalpha(static_cast<unsigned char>(callsign[2])) &&
            std::isdigit(static_cast<unsigned char>(callsign[3]))) {
            key.airlineId = 7;
            return true;
        }
        return false;
    }
    bool gf_isCargo(const LiveryKey& key) const override { return cargoModels.contains(key.modelId); }
};

class FakeShell : public ShellPort {
public:
    bool running = true;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> stopRequests;
    std::vector<std::string> messages;
    std::vector<std::string> posts;
    std::vector<std::vector<std::string>> aircraftLists;

    bool gf_isRunning() const override { return running && stopRequests.empty(); }
    void installStopRequest(std::uint32_t reason, std::uint32_t delay) override {
        if (stopRequests.empty()) {
            stopRequests.emplace_back(reason, delay);
        }
    }
    void showMessage(const std::string& text, bool) override { messages.push_back(text); }
    void enableAircraftButton() override { posts.push_back("enableAircraftButton"); }
    void fillAircraftList(const std::vector<std::string>& entries) override { aircraftLists.push_back(entries); }
    void postLiveCount(std::uint64_t count) override { posts.push_back("LiveCount " + std::to_string(count)); }
    void postParkCounts(std::uint64_t a, std::uint64_t b) override {
        posts.push_back("ParkCounts " + std::to_string(a) + "," + std::to_string(b));
    }
    void postRepaint(std::uint32_t mask) override { posts.push_back("Repaint " + std::to_string(mask)); }
    void postExpireMessage() override { posts.push_back("ExpireMessage"); }
    void postClearMessage() override { posts.push_back("ClearMessage"); }
    void postClearError() override { posts.push_back("ClearError"); }
    void postStaticExtra(std::uint64_t count) override { posts.push_back("StaticExtra " + std::to_string(count)); }
    void postMaxPark(std::uint32_t count, std::uint32_t percent) override {
        posts.push_back("MaxPark " + std::to_string(count) + "," + std::to_string(percent));
    }
    void postParkingCountdown(std::uint32_t minutes) override {
        posts.push_back("ParkingCountdown " + std::to_string(minutes));
    }
    void postReaderStatus(std::uint32_t w, std::uint32_t t) override {
        posts.push_back("ReaderStatus " + std::to_string(w) + "," + std::to_string(t));
    }
    void gf_updateGuiAircraftCounts() override { posts.push_back("gf_updateGuiAircraftCounts"); }
    void gf_followSimTime() override { posts.push_back("gf_followSimTime"); }
    void gf_updateAutoRange() override { posts.push_back("gf_updateAutoRange"); }
    void gf_disableParkingControls() override { posts.push_back("gf_disableParkingControls"); }
    void gf_showSupportHint() override { posts.push_back("gf_showSupportHint"); }
    bool airportScanReportedProblem() const override { return false; }

    bool staticFitHidden = false;
    void postStaticFit(float hours) override { posts.push_back("StaticFit " + fitText(hours)); }
    void setLiveFit(float hours) override { posts.push_back("LiveFit " + fitText(hours)); }
    void setStaticFitHidden(bool hidden) override {
        staticFitHidden = hidden;
        posts.push_back(std::string("StaticFitHidden ") + (hidden ? "1" : "0"));
    }
    void postParkAirport(std::uint64_t key) override { posts.push_back("ParkAirport " + std::to_string(key)); }
    void postParkingUpdates(std::uint32_t count) override {
        posts.push_back("ParkingUpdates " + std::to_string(count));
    }
    void postLearnedChanges(std::uint32_t count) override {
        posts.push_back("LearnedChanges " + std::to_string(count));
    }
    void setParkAirportInfo(bool hasFile, const std::string& name) override {
        posts.push_back(std::string("ParkAirportInfo ") + (hasFile ? "1 " : "0 ") + name);
    }
    void setPublisher(const std::string& text, bool flag) override {
        posts.push_back("Publisher " + text + (flag ? " 1" : " 0"));
    }
    void markGeneratingParking() override { posts.push_back("markGeneratingParking"); }
    void gf_enableParkingControls() override { posts.push_back("gf_enableParkingControls"); }
    void gf_resetParkingCountdown() override { posts.push_back("gf_resetParkingCountdown"); }
    void disableParkButtons() override { posts.push_back("disableParkButtons"); }

    // One decimal; none shows as -1.0.
    static std::string fitText(float hours) {
        char text[32];
        std::snprintf(text, sizeof text, "%.1f", static_cast<double>(hours));
        return text;
    }
    int count(const std::string& post) const {
        int n = 0;
        for (const std::string& p : posts) {
            n += p == post ? 1 : 0;
        }
        return n;
    }
};

// Answers as configured; records the continuity inputs and the drives into stands.
class FakeMotion : public MotionPort {
public:
    std::uint32_t result = 0;
    mutable std::vector<ContinuityInput> inputs;
    RelativePosition relative;
    bool withinRadii = false;
    StandApproachState approach;
    StandEntryCheck entry;
    bool canApproach = false;
    bool directFinal = false;
    double pitchRad = 0.0;
    double maxBankRad = 0.5;
    TakeoffPerformance takeoff;
    std::vector<std::uint32_t> drives;       // hex ids
    std::vector<std::uint32_t> takeoffRolls; // hex ids
    std::string airlineCodes;

    std::uint32_t gf_checkPositionContinuity(const ContinuityInput& input) const override {
        inputs.push_back(input);
        return result;
    }
    RelativePosition gf_relativePosition(const Lalo&, double, const Lalo&) const override { return relative; }
    mutable int withinRadiiCalls = 0;
    bool gf_withinRadii(const Lalo&, double, const Lalo&, double) const override {
        ++withinRadiiCalls;
        return withinRadii;
    }
    StandApproachState gf_standApproachState(const StandPose&, const Lalo&, double) const override { return approach; }
    StandEntryCheck gf_checkStandEntry(const StandPose&, double, const Lalo&, double, double) const override {
        return entry;
    }
    bool gf_canApproachStand(const StandPose&, double, const Lalo&, double, const Lalo&) const override {
        return canApproach;
    }
    bool gf_isDirectFinalToStand(const StandPose&, const Lalo&, double) const override { return directFinal; }
    double gf_climbDescentProfile(const StreamSample&, SizeClass) const override { return pitchRad; }
    double gf_maxBankAngle(SizeClass) const override { return maxBankRad; }
    double gf_bankLimit(double maxBank, bool, double) const override { return maxBank; }
    TakeoffPerformance gf_takeoffPerformance(const TakeoffInput&) const override { return takeoff; }
    void drive2Stand(TrafficState&, LiveAircraft& aircraft, const StandPose&, bool, bool) override {
        drives.push_back(aircraft.info.hexId);
    }
    void gf_startTakeoffRoll(TrafficState&, LiveAircraft& aircraft) override {
        takeoffRolls.push_back(aircraft.info.hexId);
    }
    std::string gf_airlineCodesText(const LiveAircraft&) const override { return airlineCodes; }
    std::vector<std::uint32_t> nextPosMainCalls;  // hex ids
    std::vector<std::uint32_t> nextPosCurveCalls; // hex ids
    void nextPosMain(TrafficState&, LiveAircraft& aircraft) override { nextPosMainCalls.push_back(aircraft.info.hexId); }
    void gf_nextPosCurve(TrafficState&, LiveAircraft& aircraft) override {
        nextPosCurveCalls.push_back(aircraft.info.hexId);
    }
};

// Records every later step it is asked to run, by name; a few answer as configured.
class FakeSteps : public TrafficSteps {
public:
    std::vector<std::string> calls;
    std::function<bool(TrafficState&, LiveAircraft&)> onUpdate;
    std::set<std::uint32_t> standHeldFor; // hex ids whose creation finds the stand taken
    bool quarantineReleases = false;
    std::uint64_t pendingParked = 0;
    std::optional<StandChoice> staticCheckAnswer;

    bool updateLiveAc(TrafficState& state, LiveAircraft& aircraft) override {
        return onUpdate ? onUpdate(state, aircraft) : false;
    }
    // The named step (decodeExisting or lf_checkRespawn) throws for the aircraft with this hexid.
    std::string throwingStep;
    std::uint32_t throwingHexId = 0;
    void throwIfAsked(const char* step, const LiveAircraft& aircraft) const {
        if (throwingStep == step && aircraft.info.hexId == throwingHexId) {
            throw std::runtime_error(std::string(step) + " failed");
        }
    }

    void decodeExisting(TrafficState&, LiveAircraft& aircraft, const StreamSample& sample) override {
        calls.push_back("decodeExisting");
        throwIfAsked("decodeExisting", aircraft);
        aircraft.samples.push_back(sample);
    }
    bool lf_checkRespawn(TrafficState&, LiveAircraft& aircraft, const TrafficRecord&) override {
        throwIfAsked("lf_checkRespawn", aircraft);
        return true;
    }
    std::function<void()> onDrain; // runs once per tick, at its start
    void lf_drainSimEvents(TrafficState&) override {
        calls.push_back("lf_drainSimEvents");
        if (onDrain) {
            onDrain();
        }
    }
    bool lf_jumpQuarantineReleases(TrafficState&, const TrafficRecord&) override {
        calls.push_back("lf_jumpQuarantineReleases");
        return quarantineReleases;
    }
    void enterJumpQuarantine(TrafficState& state, const TrafficRecord& record) override {
        calls.push_back("enterJumpQuarantine");
        state.jumpQuarantine[record.hexId] = {record.sample.latitude, record.sample.longitude, record.timestamp, 1, 0};
    }
    void lf_cleanupLiveAircraft(TrafficState&, const LiveAircraft& aircraft) override {
        calls.push_back("lf_cleanupLiveAircraft " + std::to_string(aircraft.info.hexId));
    }
    void lf_cleanupCancelledStatic(TrafficState&, std::uint32_t hexId, std::uint32_t) override {
        calls.push_back("lf_cleanupCancelledStatic " + std::to_string(hexId));
    }
    void lf_releaseDeferredParkedAdds(TrafficState&) override { calls.push_back("lf_releaseDeferredParkedAdds"); }
    void lf_processPendingAircraftRemovals(TrafficState&) override {
        calls.push_back("lf_processPendingAircraftRemovals");
    }
    void gf_checkForAllGndIfParkedVersionExistsAndRemove(TrafficState&) override {
        calls.push_back("gf_checkForAllGndIfParkedVersionExistsAndRemove");
    }
    std::optional<StandChoice> lf_checkForStaticWithCallsignOrHexidAndRemove(TrafficState&, std::uint32_t hexId,
                                                                             bool) override {
        calls.push_back("lf_checkForStaticWithCallsignOrHexidAndRemove " + std::to_string(hexId));
        return staticCheckAnswer;
    }
    void gf_removeAllStatic(TrafficState&) override { calls.push_back("gf_removeAllStatic"); }
    void gf_checkLiveWithParkedCollisions(TrafficState&) override {
        calls.push_back("gf_checkLiveWithParkedCollisions");
    }
    void gf_removeLiveAircraftCategory(TrafficState&, SizeClass c) override {
        calls.push_back("gf_removeLiveAircraftCategory " + std::to_string(static_cast<int>(c)));
    }
    void gf_removeStaticAircraftCategory(TrafficState&, SizeClass c) override {
        calls.push_back("gf_removeStaticAircraftCategory " + std::to_string(static_cast<int>(c)));
    }
    void gf_clearUserDestGate(TrafficState&, const std::string& stand) override {
        calls.push_back("gf_clearUserDestGate " + stand);
    }
    void lf_recheckWaitingLiveCreations(TrafficState&) override { calls.push_back("lf_recheckWaitingLiveCreations"); }
    bool lf_standHoldsStatic(TrafficState&, const CreateCommand& request) override {
        return standHeldFor.contains(request.hexId);
    }
    std::uint32_t standUse = 0; // what gf_standUseByOtherLive answers
    void try2Park(TrafficState&, LiveAircraft& aircraft) override {
        calls.push_back("try2Park " + std::to_string(aircraft.info.hexId));
    }
    void noMoreNextPos(TrafficState&, LiveAircraft& aircraft) override {
        calls.push_back("noMoreNextPos " + std::to_string(aircraft.info.hexId));
    }
    std::uint32_t gf_standUseByOtherLive(const TrafficState&, std::uint32_t, std::uint32_t) const override {
        return standUse;
    }
    void gf_addRealStandOption(TrafficState&, std::uint32_t standId, const LiveAircraft& aircraft,
                               std::uint8_t flag) override {
        calls.push_back("gf_addRealStandOption " + std::to_string(standId) + " " + std::to_string(aircraft.info.hexId) +
                        " " + std::to_string(flag));
    }
    void lf_matchSlotWindow(TrafficState&, std::uint32_t hexId) override {
        calls.push_back("lf_matchSlotWindow " + std::to_string(hexId));
    }
    std::function<void()> onRegenerateParking;
    void gf_regenerateParking(TrafficState&) override {
        calls.push_back("gf_regenerateParking");
        if (onRegenerateParking) {
            onRegenerateParking();
        }
    }
    void lf_parkAirportSweep(TrafficState&) override { calls.push_back("lf_parkAirportSweep"); }
    std::function<void()> onApplyParkingAdjustments; // e.g. lets the virtual clock run on
    void lf_applyParkingAdjustments(TrafficState&, bool replaceAll) override {
        calls.push_back(std::string("lf_applyParkingAdjustments ") + (replaceAll ? "all" : "some"));
        if (onApplyParkingAdjustments) {
            onApplyParkingAdjustments();
        }
    }
    void gf_computeMaxPark(TrafficState&) override { calls.push_back("gf_computeMaxPark"); }
    void gf_limitParkedAircraft(TrafficState&, std::uint32_t) override { calls.push_back("gf_limitParkedAircraft"); }
    std::uint64_t pendingParkedAdditions(const TrafficState&) const override { return pendingParked; }
    void lf_placeStaticAircraft(TrafficState&) override { calls.push_back("lf_placeStaticAircraft"); }
    void lf_checkUserAirCollisions(TrafficState&) override { calls.push_back("lf_checkUserAirCollisions"); }
    void gf_checkUserAcGndCollisions(TrafficState&) override { calls.push_back("gf_checkUserAcGndCollisions"); }
    void clearStepState(TrafficState&) override { calls.push_back("clearStepState"); }

    bool atStandAccepts = false;
    bool checkAtStandSituations(TrafficState&, LiveAircraft& aircraft, StreamSample&) override {
        calls.push_back("checkAtStandSituations " + std::to_string(aircraft.info.hexId));
        return atStandAccepts;
    }
    bool pushedBackAccepts = false;
    bool lf_checkPushedBack(TrafficState&, LiveAircraft& aircraft, StreamSample&) override {
        calls.push_back("lf_checkPushedBack " + std::to_string(aircraft.info.hexId));
        return pushedBackAccepts;
    }
    void lf_beginStandDeparture(TrafficState&, LiveAircraft& aircraft, StreamSample&, std::uint32_t mode) override {
        calls.push_back("lf_beginStandDeparture " + std::to_string(aircraft.info.hexId) + " " + std::to_string(mode));
    }
    void lf_finishJetwayWaitRemoval(TrafficState&, LiveAircraft& aircraft) override {
        calls.push_back("lf_finishJetwayWaitRemoval " + std::to_string(aircraft.info.hexId));
    }
    void lf_removeGhostWithUnderscoreIfPresent(TrafficState&, const std::string& callsign) override {
        calls.push_back("lf_removeGhostWithUnderscoreIfPresent " + callsign);
    }
    std::set<std::string> liveWithoutUnderscore; // callsigns whose '_' version is a ghost
    bool lf_liveWithoutUnderscoreExists(const TrafficState&, const std::string& callsign) const override {
        return liveWithoutUnderscore.contains(callsign);
    }
    std::optional<std::uint32_t> promotionAnswer;
    std::optional<std::uint32_t> lf_makeWayForLive(TrafficState&, const LiveAircraft& aircraft, std::uint32_t standId,
                                                   bool allowPromotion) override {
        calls.push_back("lf_makeWayForLive " + std::to_string(aircraft.info.hexId) + " " + std::to_string(standId) +
                        (allowPromotion ? " promote" : " remove"));
        return promotionAnswer;
    }
    void lf_eraseLiveAircraft(TrafficState& state, std::uint32_t hexId) override {
        calls.push_back("lf_eraseLiveAircraft " + std::to_string(hexId));
        const std::ptrdiff_t index = gf_findLiveIndex(state, hexId);
        if (index < 0) {
            return;
        }
        if (static_cast<std::size_t>(index) + 1 != state.live.size()) {
            state.live[static_cast<std::size_t>(index)] = std::move(state.live.back());
        }
        state.live.pop_back();
    }
    std::uint64_t parkedCount = 0;
    std::uint64_t lf_countParkedAircraft(const TrafficState&) const override { return parkedCount; }
    std::uint64_t gf_countLiveParked(TrafficState&, bool post) override {
        calls.push_back(std::string("gf_countLiveParked ") + (post ? "post" : "quiet"));
        return parkedCount;
    }
    void lf_removeAllStaticAndLiveAtAirport(TrafficState&) override {
        calls.push_back("lf_removeAllStaticAndLiveAtAirport");
    }
    std::set<std::pair<std::uint32_t, std::uint32_t>> standClaims; // (stand id, hex id) held
    bool gf_standClaimedByLive(const TrafficState&, std::uint32_t standId, std::uint32_t hexId) const override {
        return standClaims.contains({standId, hexId});
    }
    bool standFree = true;
    bool lf_standFreeForLive(const TrafficState&, std::uint32_t, std::uint32_t) const override { return standFree; }
    bool liveConflict = false;
    bool lf_liveParkedConflict(const TrafficState&, const LiveAircraft&, std::uint32_t, const LiveAircraft&,
                               std::uint32_t) const override {
        return liveConflict;
    }
    bool otherLiveYields = true;
    bool lf_checkStandIsNotUsedByOtherLiveAircraftSub(TrafficState&, std::uint32_t standId,
                                                      LiveAircraft& aircraft) override {
        calls.push_back("lf_checkStandIsNotUsedByOtherLiveAircraftSub " + std::to_string(standId) + " " +
                        std::to_string(aircraft.info.hexId));
        return otherLiveYields;
    }
    void lf_dropSimCommands(TrafficState&, std::uint32_t hexId, std::uint32_t objectId) override {
        calls.push_back("lf_dropSimCommands " + std::to_string(hexId) + " " + std::to_string(objectId));
    }

    std::optional<std::size_t> nearestStandIndex; // into state.parkStands
    mutable std::vector<bool> nearestAllowLearned;  // the learned flag of every nearest-stand search
    const Stand* gf_findNearestStand(const TrafficState& state, double, double, const AircraftInfo&,
                                     double& distanceMetres, bool allowLearned) const override {
        nearestAllowLearned.push_back(allowLearned);
        if (!nearestStandIndex || *nearestStandIndex >= state.parkStands.size()) {
            distanceMetres = 99999.0;
            return nullptr;
        }
        distanceMetres = 10.0;
        return &state.parkStands[*nearestStandIndex];
    }

    int count(const std::string& name) const {
        int n = 0;
        for (const std::string& call : calls) {
            n += call == name ? 1 : 0;
        }
        return n;
    }
};

// Restores the published settings after a test that changed them.
class SettingsGuard {
public:
    SettingsGuard() : saved_(*gf_settings()) {}
    ~SettingsGuard() {
        gf_updateSettings([this](SettingsSnapshot& copy) { copy = saved_; });
    }
    SettingsGuard(const SettingsGuard&) = delete;
    SettingsGuard& operator=(const SettingsGuard&) = delete;

private:
    SettingsSnapshot saved_;
};

struct TrafficFixture {
    FakeSimLink link;
    FakeFeeds feeds;
    FakeMotion motion;
    FakeAirports airports;
    FakeModels models;
    FakeShell shell;
    FakeSteps steps;
    FakeClock clock;
    SettingsGuard settingsGuard;
    TrafficState state{TrafficPorts{link, feeds, motion, airports, models, shell, steps, clock}};

    TrafficFixture() { gf_initTraffic(state); }

    static TrafficRecord record(std::uint32_t hexId, std::string callsign, double timestamp,
                                std::uint16_t modelId = 1) {
        TrafficRecord r;
        r.hexId = hexId;
        r.head.callsign = std::move(callsign);
        r.head.registration = "D-A" + std::to_string(hexId % 1000);
        r.head.liveryKey.modelId = modelId;
        r.timestamp = timestamp;
        r.sample.latitude = 50.0;
        r.sample.longitude = 8.5;
        r.sample.altitudeFt = 20000.0;
        r.sample.groundSpeedKt = 300.0;
        r.sample.trackDeg = 90.0;
        r.sample.airborne = 1;
        return r;
    }

    // A live aircraft straight into the table, in the given state.
    LiveAircraft& addLive(std::uint32_t hexId, SimState simState = SimState::active, std::uint32_t objectId = 0,
                          std::string callsign = "") {
        TrafficRecord r = record(hexId, callsign.empty() ? "CS" + std::to_string(hexId) : callsign, 1000.0);
        AircraftInfo info = gf_makeAircraftInfo(models, r.head);
        info.hexId = hexId;
        state.live.emplace_back(r.sample, info, r.timestamp, WeekdaySlot{});
        LiveAircraft& aircraft = state.live.back();
        aircraft.simState = simState;
        aircraft.objectId = objectId;
        return aircraft;
    }
};

} // namespace kiv::test_support

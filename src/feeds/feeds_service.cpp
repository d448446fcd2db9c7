#include "feeds/feeds_service.h"

#include <cmath>
#include <vector>

#include "feeds/parked_merge.h"
#include "feeds/record_rules.h"
#include "feeds/rtapp_session.h"
#include "foundation/clock.h"
#include "settings/settings_snapshot.h"

namespace kiv {
namespace {

constexpr std::uint32_t kStatusReceiving = static_cast<std::uint32_t>(ReaderStatus::receiving);
constexpr std::uint32_t kStatusWaiting = static_cast<std::uint32_t>(ReaderStatus::waiting);

} // namespace

FeedsService::FeedsService(FeedFlags& flags) : flags_(flags) {}

bool FeedsService::isRtDirect() const { return gf_isRTDirect(); }

void FeedsService::gf_setBatchDeliveryTicks(TrafficBatch& batch, std::int32_t baseTick,
                                            std::int32_t delaySeconds) const {
    kiv::gf_setBatchDeliveryTicks(batch, baseTick, delaySeconds);
}

void FeedsService::gf_updateRTAPIQueryBox() {
    if (RtDirectRoad* road = rtDirect_.load()) {
        kiv::gf_updateRTAPIQueryBox(*road);
    }
}

void FeedsService::gf_setRTAPIQueryCentre(double latitude, double longitude) {
    if (RtDirectRoad* road = rtDirect_.load()) {
        kiv::gf_setRTAPIQueryCentre(*road, latitude, longitude);
    }
}

void FeedsService::setRTAppRangeCentre(double latitude, double longitude, double cosLatitude) {
    if (RtAppRoad* road = rtApp_.load()) {
        road->trafficReader.setRangeCentre(latitude, longitude, cosLatitude);
    }
}

void FeedsService::gf_sendUserPoseToRTApp() {
    if (RtAppRoad* road = rtApp_.load()) {
        kiv::gf_sendUserPoseToRTApp(*road);
    }
}

void FeedsService::gf_sendQs123ToRTApp(double simTime) {
    if (RtAppRoad* road = rtApp_.load(); road != nullptr && std::isfinite(simTime)) {
        kiv::gf_sendQs123ToRTApp(*road, static_cast<std::int64_t>(simTime));
    }
}

std::optional<double> FeedsService::simulatorTime() const {
    RtAppRoad* road = rtApp_.load();
    if (road == nullptr || !flags_.isProfessionalEdition) {
        return std::nullopt;
    }
    const std::optional<std::int64_t> seconds = road->neighbours.simulatorUtcSeconds();
    return seconds ? std::optional<double>(static_cast<double>(*seconds)) : std::nullopt;
}

void FeedsService::gf_requestRTAppParkedTraffic() {
    if (RtAppRoad* road = rtApp_.load()) {
        kiv::gf_requestRTAppParkedTraffic(*road);
    }
}

void FeedsService::gf_clearReceivedTraffic() {
    if (RtAppRoad* road = rtApp_.load()) {
        road->trafficReader.clearReceivedTraffic();
    }
    if (RtDirectRoad* road = rtDirect_.load()) {
        gf_clearRTAPITrafficStores(*road);
    }
}

void FeedsService::setRTAppParkAirportValue(std::optional<double> altitudeFt) {
    if (RtAppRoad* road = rtApp_.load()) {
        gf_setRTAppParkAirportValue(*road, altitudeFt);
    }
}

void FeedsService::setRTAPIParkAirportValue(std::optional<double> altitudeFt) {
    if (RtDirectRoad* road = rtDirect_.load()) {
        gf_setRTAPIParkAirportValue(*road, altitudeFt);
    }
}

bool FeedsService::rtAppServerRunning() const {
    const RtAppRoad* road = rtApp_.load();
    return road != nullptr && road->server.port() != 0;
}

void FeedsService::closeRtAppServer() {
    if (RtAppRoad* road = rtApp_.load()) {
        road->server.close();
    }
}

void FeedsService::setRTDirectTimeShift(std::int32_t minutes) {
    if (RtDirectRoad* road = rtDirect_.load()) {
        gf_setTimeShiftRTDirect(*road, minutes);
    }
}

std::int64_t FeedsService::latestTrafficTime() const {
    if (const RtDirectRoad* road = rtDirect_.load()) {
        return road->traffic.dataTime.load();
    }
    if (const RtAppRoad* road = rtApp_.load()) {
        return road->trafficReader.latestDataTime.load();
    }
    return 0;
}

void FeedsService::clearParkValue() {
    if (RtAppRoad* road = rtApp_.load()) {
        gf_setRTAppParkAirportValue(*road, std::nullopt);
    }
    if (RtDirectRoad* road = rtDirect_.load()) {
        gf_setRTAPIParkAirportValue(*road, std::nullopt);
    }
}

void FeedsService::resetQnh() { flags_.currentQnh = kStandardQnhHpa; }

std::int32_t FeedsService::currentQnh() const { return flags_.currentQnh; }

bool FeedsService::sourceConnected() const { return flags_.isRTAppConnected; }

std::uint32_t FeedsService::weatherStatus() {
    if (RtDirectRoad* direct = rtDirect_.load()) {
        const std::int64_t weatherTime = direct->weather.weatherTimeNs;
        const bool fresh = weatherTime != 0 && direct->clock.nowNs() - weatherTime <= kRTDirectWeatherStaleNs;
        return fresh ? kStatusReceiving : kStatusWaiting;
    }
    RtAppRoad* road = rtApp_.load();
    if (road == nullptr) {
        return kStatusWaiting;
    }
    const std::int64_t metarTime = road->qnhReader.metarTimeNs;
    const bool fresh = metarTime != 0 && road->clock.nowNs() - metarTime <= kRTAppWeatherStaleNs;
    return fresh ? kStatusReceiving : kStatusWaiting;
}

std::uint32_t FeedsService::trafficStatus() {
    if (RtDirectRoad* direct = rtDirect_.load()) {
        const std::uint64_t count = direct->traffic.receivedCount;
        const bool changed = count != rtDirectCountSeen_;
        rtDirectCountSeen_ = count;
        return changed ? kStatusReceiving : kStatusWaiting;
    }
    RtAppRoad* road = rtApp_.load();
    if (road == nullptr) {
        return kStatusWaiting;
    }
    TrafficReader& reader = road->trafficReader;
    const std::uint32_t counter = reader.datagramCounter;
    const bool changed = counter != reader.counterSeen;
    reader.counterSeen = counter;
    return changed ? kStatusReceiving : kStatusWaiting;
}

void FeedsService::gf_requestRTAPIParkedTraffic(std::int32_t needed, const ParkedPlacement& place) {
    if (RtDirectRoad* direct = rtDirect_.load()) {
        if (!lf_waitParkedTraffic(*direct)) {
            return;
        }
        const std::lock_guard lock(direct->traffic.parkedMutex);
        std::vector<ParkedRecord>& list = direct->traffic.parked;
        const auto settings = gf_settings();
        lf_mergeParkedRecords(list, *settings, gf_halfHourSlot());
        if (settings->rtParkTrafficOnly && place) {
            place(list, needed);
        }
        return;
    }
    RtAppRoad* road = rtApp_.load();
    if (road == nullptr || !road->trafficReader.parkedReceived) {
        return;
    }
    road->trafficReader.withPublishedParked([&](std::vector<ParkedRecord>& list) {
        if (list.empty()) {
            return;
        }
        const auto settings = gf_settings();
        lf_mergeParkedRecords(list, *settings, gf_halfHourSlot());
        if (settings->rtParkTrafficOnly && place) {
            place(list, needed);
        }
    });
}

void FeedsService::receivedTrafficIds(std::unordered_set<std::string>& callsigns,
                                      std::unordered_set<std::uint32_t>& hexIds) const {
    callsigns.clear();
    hexIds.clear();
    RtAppRoad* road = rtApp_.load();
    if (road == nullptr) {
        return;
    }
    const ReceivedTraffic received = road->trafficReader.receivedTraffic();
    for (const auto& entry : received.callsigns) {
        callsigns.insert(entry.first);
    }
    hexIds.insert(received.hexIds.begin(), received.hexIds.end());
}

void FeedsService::withParkedRecords(const std::function<void(std::vector<ParkedRecord>&)>& use) {
    if (RtAppRoad* road = rtApp_.load()) {
        road->trafficReader.withPublishedParked(use);
    }
}

void FeedsService::clearReceivedParkedTraffic() {
    if (RtAppRoad* road = rtApp_.load()) {
        road->trafficReader.parkedReceived = false;
        road->trafficReader.clearParkedLists();
    }
}

} // namespace kiv

#include <chrono>
#include <cmath>
#include <stdexcept>
#include <thread>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "feeds/rtapi_records.h"
#include "feeds/rtdirect_road.h"
#include "foundation/clock.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "foundation/program_identity.h"
#include "platform/thread_name.h"
#include "settings/settings_snapshot.h"
#include "traffic/traffic_mailbox.h"

namespace kiv {
namespace {

constexpr RTAPIRequestOptions kLiveOptions{10, 30, false};
constexpr RTAPIRequestOptions kParkedOptions{5, 9, true};
constexpr std::string_view kTrafficPath = "/v6/traffic";
constexpr std::string_view kReaderName = "Traffic RTAPIreader";
constexpr std::uint32_t kBufferSliceSeconds = 6;
constexpr std::int32_t kBufferSlices = 5;
constexpr double kParkedHalfHeightDeg = 0.04996402877697842; // 3 NM
constexpr double kParkedHalfWidthFt = 18228.34647;           // 3 NM
constexpr double kHalfPi = 1.5707963267948966;

enum class Query { live, buffered, parked };

struct QueryCopy {
    QueryBox box;
    RangeContext range;
};

QueryCopy lf_copyQuery(RTAPITrafficClient& traffic, bool parked) {
    const std::lock_guard lock(traffic.queryMutex);
    return {parked ? traffic.parkedBox : traffic.box, traffic.range};
}

std::string lf_queryBody(RTAPITrafficClient& traffic, RTAPITransport& transport, const RTAPISession& session,
                         const QueryBox& box, Query query) {
    std::string body = fmt::format("GUID={}&top={:.2F}&bottom={:.2F}&left={:.2F}&right={:.2F}&querytype={}&toffset={}",
                                   transport.escape(session.guid), box.top, box.bottom, box.left, box.right,
                                   query == Query::parked ? "parkedtraffic" : "locationtraffic",
                                   traffic.timeOffsetMin.load());
    if (query == Query::buffered) {
        body += fmt::format("&buffercount={}&buffertime={}", kBufferSlices, kBufferSliceSeconds);
    }
    return body;
}

ConversionContext lf_conversionContext(RtDirectRoad& road, const RangeContext& range, bool buffered) {
    ConversionContext context;
    context.centreLatitude = range.centreLatitude;
    context.centreLongitude = range.centreLongitude;
    context.cosCentreLatitude = range.cosCentreLatitude;
    context.parkElevationFt = range.parkElevationFt;
    context.qnh = road.traffic.qnh;
    context.settings = gf_settings();
    if (buffered) {
        context.reportIdentities = true;
    } else {
        const std::lock_guard lock(road.traffic.storesMutex);
        context.reportIdentities = road.traffic.received.enabled;
    }
    context.dropGroundSquawk = true;
    context.identitiesBeforeChecks = false;
    context.neighbours = &road.neighbours;
    return context;
}

void lf_handOverRTAPIBatch(RtDirectRoad& road, RTAPIBatch& batch, BatchKind kind, std::uint32_t delaySeconds) {
    RTAPITrafficClient& traffic = road.traffic;
    if (batch.latestTimestamp != 0) {
        traffic.dataTime = static_cast<std::int64_t>(batch.latestTimestamp);
        gf_setRtDirectDataTime(static_cast<std::int64_t>(batch.latestTimestamp));
    }
    if (!batch.received.callsigns.empty() || !batch.received.hexIds.empty()) {
        const std::lock_guard lock(traffic.storesMutex);
        if (traffic.received.enabled) {
            for (const auto& [callsign, hexId] : batch.received.callsigns) {
                traffic.received.callsigns.try_emplace(callsign, hexId);
            }
            traffic.received.hexIds.insert(batch.received.hexIds.begin(), batch.received.hexIds.end());
        }
    }
    traffic.receivedCount += batch.records.size();
    road.neighbours.postTrafficBatch(batch.records, kind, delaySeconds, false);
    batch.records.clear();
}

void lf_logFailure(const RTAPIPostError& error, bool withDate) {
    if (withDate) {
        gf_logImportant(fmt::format("{} {} {}: {}", gf_dateTimeText(), error.context, gf_rtapiErrorKindText(error.kind),
                                    error.message));
    } else {
        gf_logImportant(fmt::format("{} {}: {}", error.context, gf_rtapiErrorKindText(error.kind), error.message));
    }
}

bool lf_requestBufferTraffic(RtDirectRoad& road, std::int32_t& status) {
    RTAPITrafficClient& traffic = road.traffic;
    const RTAPISessionPtr session = traffic.connection.session();
    if (!session) {
        return false;
    }
    bool result = false;
    try {
        const QueryCopy query = lf_copyQuery(traffic, false);
        const std::string body = lf_queryBody(traffic, traffic.liveTransport, *session, query.box, Query::buffered);
        const RTAPIPostResult reply = lf_post(traffic.liveTransport, traffic.connection.url(kTrafficPath), body,
                                              kLiveOptions, kRrlWait, "buffer traffic", RTAPIAbort{&traffic.stop});
        if (!reply) {
            if (!traffic.stop) {
                lf_logFailure(reply.error(), true);
            }
        } else if (reply->status != 200) {
            status = reply->status;
            if (reply->status == 406) {
                gf_logImportant(fmt::format("buffer traffic msg {}", reply->message));
            }
        } else {
            traffic.pauseMs = reply->waitMs;
            const ConversionContext context = lf_conversionContext(road, query.range, true);
            gf_clearRTAPITrafficStores(road);
            if (reply->data.is_object() && !reply->data.empty()) {
                result = true;
                for (std::int32_t k = 0; k < kBufferSlices; ++k) {
                    const auto slice = reply->data.find(fmt::format("buffer_{}", k));
                    if (slice != reply->data.end() && slice->is_object() && !slice->empty()) {
                        lf_fillBatchFromReply(*slice, context, traffic.batch);
                    } else {
                        traffic.batch.clear();
                    }
                    lf_handOverRTAPIBatch(road, traffic.batch, BatchKind::history,
                                          static_cast<std::uint32_t>(k) * kBufferSliceSeconds);
                }
            }
        }
    } catch (const std::exception& error) {
        gf_logImportant(fmt::format("buffer: {}", error.what()));
    }
    lf_waitMs(traffic, traffic.pauseMs);
    if (traffic.stop) {
        status = kStoppedStatus;
        result = false;
    }
    return result;
}

void lf_requestParkedTraffic(RtDirectRoad& road) {
    RTAPITrafficClient& traffic = road.traffic;
    try {
        const RTAPISessionPtr session = traffic.connection.session();
        if (!session) {
            traffic.parkedStatus = 1;
            return;
        }
        {
            const std::lock_guard lock(traffic.parkedMutex);
            traffic.parked.clear();
        }
        const QueryCopy query = lf_copyQuery(traffic, true);
        const std::string body = lf_queryBody(traffic, traffic.parkedTransport, *session, query.box, Query::parked);
        const RTAPIPostResult reply = lf_post(traffic.parkedTransport, traffic.connection.url(kTrafficPath), body,
                                              kParkedOptions, kRrlWait, "parkedtraffic", RTAPIAbort{&traffic.stop});
        if (!reply) {
            if (!traffic.stop) {
                lf_logFailure(reply.error(), true);
            }
            traffic.parkedStatus = 1;
        } else if (reply->status == 200) {
            traffic.pauseMs = reply->waitMs;
            std::vector<ParkedRecord> records = lf_fillParkedFromReply(reply->data, road.neighbours);
            {
                const std::lock_guard lock(traffic.parkedMutex);
                traffic.parked = std::move(records);
            }
            gf_logLine(fmt::format("{} RT parked traffic received", gf_timeText()));
            road.shell.clearMessage();
            traffic.parkedStatus = 0;
        } else if (reply->status == 406) {
            gf_logImportant(fmt::format("parkedtraffic msg: {}", reply->message));
            traffic.parkedStatus = 0;
        } else {
            traffic.parkedStatus = reply->status;
        }
    } catch (const std::exception& error) {
        gf_logImportant(fmt::format("parkedtraffic: {}", error.what()));
        traffic.parkedStatus = 1;
    }
}

// One live cycle; false when the loop must end (`status` says why).
bool lf_liveCycle(RtDirectRoad& road, std::int32_t& status) {
    RTAPITrafficClient& traffic = road.traffic;
    const RTAPISessionPtr session = traffic.connection.session();
    if (!session) {
        status = 401;
        return false;
    }
    const QueryCopy query = lf_copyQuery(traffic, false);
    const std::string body = lf_queryBody(traffic, traffic.liveTransport, *session, query.box, Query::live);
    const RTAPIPostResult reply = lf_post(traffic.liveTransport, traffic.connection.url(kTrafficPath), body,
                                          kLiveOptions, kRrlWait, "traffic receive", RTAPIAbort{&traffic.stop});
    if (!reply) {
        if (!traffic.stop) {
            lf_logFailure(reply.error(), false);
        }
        return true;
    }
    const RTAPISessionPtr now = traffic.connection.session();
    if (!now || now->sequence != session->sequence) {
        status = 401; // the reply belongs to a session that is gone
        return false;
    }
    if (reply->status == 200) {
        traffic.pauseMs = reply->waitMs;
        const ConversionContext context = lf_conversionContext(road, query.range, false);
        lf_fillBatchFromReply(reply->data, context, traffic.batch);
        lf_handOverRTAPIBatch(road, traffic.batch, BatchKind::live, kLiveStreamDelaySeconds);
    } else if (reply->status == 406) {
        gf_logImportant(fmt::format("{} curl traffic msg: {}", gf_dateTimeText(), reply->message));
    } else {
        status = reply->status;
        return false;
    }
    return true;
}

void lf_trafficPollLoop(RtDirectRoad& road, std::int32_t& status) {
    RTAPITrafficClient& traffic = road.traffic;
    if (!traffic.connection.session()) {
        return;
    }
    road.shell.showMessage(fmt::format("{} Requesting buffer traffic ...", gf_timeText()), true);
    if (!lf_requestBufferTraffic(road, status) && !traffic.stop) {
        gf_logImportant(fmt::format("buffer failed {}", status));
    }
    gf_logLine(fmt::format("{} Requesting traffic received", gf_timeText()));
    road.shell.clearMessage();
    if (traffic.stop) {
        return;
    }
    traffic.loopRunning = true;
    struct ClearRunning {
        std::atomic<bool>& running;
        ~ClearRunning() { running = false; }
    } clearRunning{traffic.loopRunning};
    while (!traffic.stop) {
        try {
            if (traffic.parkedRequest.exchange(false)) {
                lf_requestParkedTraffic(road);
                lf_waitMs(traffic, traffic.pauseMs);
                continue;
            }
            if (!lf_liveCycle(road, status)) {
                break;
            }
            lf_waitMs(traffic, traffic.pauseMs);
        } catch (const std::exception& error) {
            gf_logImportant(fmt::format("receive: {}", error.what()));
            lf_waitMs(traffic, traffic.pauseMs);
        }
    }
    if (traffic.stop) {
        status = kStoppedStatus;
    }
}

// Runs last in every case: "not running", and unless the reader was stopped, the weather
// reader stops too and the window hears why.
struct TrafficExitGuard {
    RtDirectRoad& road;
    const std::int32_t& status;
    const bool& errorReported;
    ~TrafficExitGuard() {
        road.shell.postTrafficReaderStatus(ReaderStatus::not_running);
        if (status == kStoppedStatus) {
            return;
        }
        road.weather.requestStop();
        if (!errorReported) {
            try {
                road.shell.reportRTAPIReaderStopped(std::string(kReaderName), status == 401, status);
            } catch (...) { // NOLINT(bugprone-empty-catch): a destructor must not throw
            }
        }
    }
};

} // namespace

void gf_logRTAPIReaderEnd(std::string_view reader, std::int32_t status) {
    switch (status) {
    case kStoppedStatus:
        break;
    case 401:
        gf_logImportant(gf_programName("re-authentication to RT API is needed, restart {}"));
        break;
    case 400:
        gf_logImportant(fmt::format("{} RT API: parameter fault", reader));
        break;
    case 403:
        gf_logImportant(fmt::format("{} RT API: No data for this license type", reader));
        break;
    default:
        gf_logImportant(fmt::format("{} RT API error: {}", reader, status));
        break;
    }
}

void gf_RTAPITrafficReader(RtDirectRoad& road) {
    platform::setCurrentThreadName(kReaderName);
    std::int32_t status = 0;
    bool errorReported = false;
    const TrafficExitGuard guard{road, status, errorReported};
    try {
        gf_logIndented(fmt::format("{} connected", kReaderName));
        road.shell.postTrafficReaderStatus(ReaderStatus::receiving);
        if (road.traffic.qnh == 0) {
            road.traffic.qnh = kStandardQnhHpa;
            road.flags.currentQnh.exchange(kStandardQnhHpa);
            road.shell.postQnh(kStandardQnhHpa);
        }
        lf_trafficPollLoop(road, status);
        road.shell.postTrafficReaderStatus(ReaderStatus::not_running);
        gf_logRTAPIReaderEnd("Traffic", status);
    } catch (const std::exception& error) {
        gf_logImportant(fmt::format("gf_RTAPITrafficReader: {}", error.what()));
        errorReported = true;
        road.shell.reportRTAPIReaderStopped(std::string(kReaderName), false, 0);
    } catch (...) {
        errorReported = true;
        road.shell.reportRTAPIReaderStopped(std::string(kReaderName), false, 0);
    }
}

bool lf_waitParkedTraffic(RtDirectRoad& road) {
    RTAPITrafficClient& traffic = road.traffic;
    const ParkAirportInfo airport = road.neighbours.currentParkAirport();
    if (airport.code.empty() || !gf_isValidLalo(airport.latitude, airport.longitude)) {
        return false;
    }
    {
        const std::lock_guard lock(traffic.queryMutex);
        const Lalo centre{airport.latitude, airport.longitude};
        traffic.parkedBox.top = airport.latitude + kParkedHalfHeightDeg;
        traffic.parkedBox.bottom = airport.latitude - kParkedHalfHeightDeg;
        traffic.parkedBox.left = gf_destinationPoint(centre, -kHalfPi, kParkedHalfWidthFt).longitude;
        traffic.parkedBox.right = gf_destinationPoint(centre, kHalfPi, kParkedHalfWidthFt).longitude;
    }
    road.shell.showMessage(fmt::format("{} Requesting RT parked traffic ...", gf_timeText()), true);
    traffic.parkedStatus = -1;
    traffic.parkedRequest = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto start = std::chrono::steady_clock::now();
    while (traffic.parkedStatus == -1) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (std::chrono::steady_clock::now() - start > std::chrono::seconds(10)) {
            gf_logLine("ParkedTraffic receiving timed out after 10 seconds");
            return false;
        }
    }
    const std::int32_t status = traffic.parkedStatus;
    switch (status) {
    case 1:
        return false;
    case 400:
        throw std::runtime_error("RT API parameter fault");
    case 403:
        throw std::runtime_error("No data for this license type");
    case 401:
        gf_logImportant(gf_programName("RT Parked: re-authentication to RT API is needed {}"));
        return false;
    default:
        if (status < 1) {
            return true;
        }
        gf_logImportant(fmt::format("RT Parked error status: {}", status));
        return false;
    }
}

} // namespace kiv

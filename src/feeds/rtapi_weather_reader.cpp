#include <cmath>
#include <stdexcept>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "feeds/metar_qnh.h"
#include "feeds/rtdirect_road.h"
#include "foundation/log.h"
#include "platform/thread_name.h"

namespace kiv {
namespace {

constexpr RTAPIRequestOptions kMetarOptions{10, 30, false};
constexpr std::string_view kMetarPath = "/v6/nearestmetar";
constexpr std::string_view kReaderName = "Weather RTAPIreader";
constexpr std::int64_t kCacheNs = 60'000'000'000;
constexpr double kCacheRadiusNmSquared = 100.0; // 10 NM
constexpr double kRadPerDeg = 0.017453292519943295;

// True when the last QNH still holds: asked less than 60 s ago within 10 NM with the same
// time offset.
bool lf_cacheHolds(const RTAPIWeatherClient::Cache& cache, double latitude, double longitude, std::int32_t toffset,
                   std::int64_t nowNs) {
    const bool hasPosition = !(std::abs(cache.latitude) <= 0.0001 && std::abs(cache.longitude) <= 0.0001);
    if (cache.lastQnh == 0 || !hasPosition || cache.timeOffsetMin != toffset || cache.timeNs == 0 ||
        nowNs - cache.timeNs >= kCacheNs) {
        return false;
    }
    const double north = (latitude - cache.latitude) * 60.0;
    const double east = std::cos(cache.latitude * kRadPerDeg) * (longitude - cache.longitude) * 60.0;
    return north * north + east * east <= kCacheRadiusNmSquared;
}

void lf_takeQnh(RtDirectRoad& road, std::int32_t qnh, double latitude, double longitude, std::int32_t toffset) {
    RTAPIWeatherClient& weather = road.weather;
    const std::int64_t now = road.clock.nowNs();
    weather.cache.latitude = latitude;
    weather.cache.longitude = longitude;
    weather.cache.timeNs = now;
    weather.weatherTimeNs = now;
    weather.cache.timeOffsetMin = toffset;
    if (qnh != weather.cache.lastQnh) {
        weather.cache.lastQnh = qnh;
        road.traffic.qnh = qnh;
        road.flags.currentQnh.exchange(qnh);
        road.shell.postQnh(static_cast<std::uint32_t>(qnh));
    }
}

struct WeatherExitGuard {
    RtDirectRoad& road;
    const std::int32_t& status;
    const bool& errorReported;
    ~WeatherExitGuard() {
        road.shell.postWeatherReaderStatus(ReaderStatus::not_running);
        if (status == kStoppedStatus) {
            return;
        }
        road.traffic.requestStop();
        if (!errorReported) {
            try {
                road.shell.reportRTAPIReaderStopped(std::string(kReaderName), status == 401, status);
            } catch (...) { // NOLINT(bugprone-empty-catch): a destructor must not throw
            }
        }
    }
};

} // namespace

bool lf_requestNearestMetar(RtDirectRoad& road, std::int32_t& status) {
    RTAPIWeatherClient& weather = road.weather;
    try {
        const RTAPISessionPtr session = weather.connection.session();
        if (!session) {
            status = 401;
            return false;
        }
        const std::shared_ptr<const UserAircraftState> user = road.neighbours.userAircraft();
        const double latitude = user ? user->latitude : 0.0;
        const double longitude = user ? user->longitude : 0.0;
        const std::int32_t toffset = weather.timeOffsetMin;
        if (lf_cacheHolds(weather.cache, latitude, longitude, toffset, road.clock.nowNs())) {
            return true;
        }
        const std::string body = fmt::format("GUID={}&toffset={}&lat={:.4F}&lon={:.4F}",
                                             weather.transport.escape(session->guid), toffset, latitude, longitude);
        const RTAPIPostResult reply = lf_post(weather.transport, weather.connection.url(kMetarPath), body, kMetarOptions,
                                              kNoKeyWait, "nearest metar", RTAPIAbort{&weather.stop});
        if (weather.stop) {
            return false;
        }
        const RTAPISessionPtr now = weather.connection.session();
        if (!now || now->sequence != session->sequence) {
            status = 401;
            gf_logImportant(fmt::format("nearest metar failed: API status=401, HTTP status=n/a, auth server='{}', "
                                        "message='RT API session changed while the request was active'",
                                        session->server));
            return false;
        }
        if (!reply) {
            const RTAPIPostError& error = reply.error();
            // Only a 401 without a JSON body is taken as the service's answer (renew and retry);
            // other HTTP failures come from the way there and are retried after the pause.
            if (error.kind == RTAPIErrorKind::http && error.code == 401) {
                status = 401;
            }
            gf_logImportant(fmt::format("{} failed: kind={}, API status=n/a, HTTP status={}, auth server='{}', "
                                        "message='{}'",
                                        "nearest metar", gf_rtapiErrorKindText(error.kind), error.code, session->server,
                                        error.message));
            return false;
        }
        if (reply->status != 200) {
            status = reply->status;
            gf_logImportant(fmt::format("nearest metar failed: API status={}, HTTP status={}, auth server='{}', "
                                        "message='{}'",
                                        reply->status, reply->httpStatus, session->server, reply->message));
            return false;
        }
        const MetarList metars = lf_parseMetarReply(reply->data);
        if (!metars) {
            gf_logImportant(fmt::format("{}: {}", metars.error().context, metars.error().message));
            return false;
        }
        for (const std::string& metar : *metars) {
            const QnhResult qnh = lf_qnhFromMetar(metar);
            if (!qnh) {
                gf_logImportant(fmt::format("nearest metar: {} in {}", qnh.error().message, metar));
                continue;
            }
            lf_takeQnh(road, *qnh, latitude, longitude, toffset);
            return true;
        }
        gf_logImportant("nearest metar: no METAR contains a valid QNH code");
        return false;
    } catch (const std::exception& error) {
        gf_logImportant(fmt::format("nearestmetar: {}", error.what()));
        return false;
    }
}

bool lf_weatherPollLoop(RtDirectRoad& road, std::int32_t& status) {
    RTAPIWeatherClient& weather = road.weather;
    if (!weather.connection.hasSession()) {
        status = 401;
        return false;
    }
    bool retried401 = false;
    while (!weather.stop) {
        try {
            status = 0;
            if (lf_requestNearestMetar(road, status)) {
                retried401 = false;
                lf_waitMs(weather, weather.wrrlMs);
                continue;
            }
            if (weather.stop) {
                break;
            }
            if (status == 401) {
                if (retried401) {
                    return false;
                }
                retried401 = true;
                weather.transport.reset();
                status = 0;
                gf_logImportant("nearest metar returned 401, retrying once with a new connection");
                continue;
            }
            if (status == 0 || status == 406 || status == 500) {
                lf_waitMs(weather, weather.retryMs);
                continue;
            }
            return false;
        } catch (const std::exception& error) {
            gf_logImportant(fmt::format("receive: {}\n", error.what()));
            lf_waitMs(weather, weather.retryMs);
        }
    }
    status = kStoppedStatus;
    return false;
}

void gf_RTAPIWeatherReader(RtDirectRoad& road) {
    platform::setCurrentThreadName(kReaderName);
    std::int32_t status = 0;
    bool errorReported = false;
    const WeatherExitGuard guard{road, status, errorReported};
    try {
        road.shell.postWeatherReaderStatus(ReaderStatus::receiving);
        lf_weatherPollLoop(road, status);
        road.shell.postWeatherReaderStatus(ReaderStatus::not_running);
        gf_logRTAPIReaderEnd("Weather", status);
    } catch (const std::exception& error) {
        gf_logImportant(fmt::format("gf_RTAPIWeatherReader: {}", error.what()));
        errorReported = true;
        road.shell.reportRTAPIReaderStopped(std::string(kReaderName), false, 0);
    } catch (...) {
        errorReported = true;
        road.shell.reportRTAPIReaderStopped(std::string(kReaderName), false, 0);
    }
}

} // namespace kiv

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <stdexcept>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "feeds/rt_credential.h"
#include "feeds/rtdirect_road.h"
#include "foundation/clock.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "foundation/program_identity.h"
#include "foundation/stop_request.h"
#include "foundation/user_related_exception.h"
#include "settings/settings_snapshot.h"
#include "settings/settings_table.h"

namespace kiv {
namespace {

constexpr std::int32_t kMinWaitMs = 250;
constexpr std::int32_t kMaxWaitMs = 60000;
constexpr std::int64_t kSecondsPerDay = 86400;
constexpr double kRadPerDeg = 0.017453292519943295;
constexpr double kBoxHysteresisDeg = 0.00015;
constexpr double kHalfPi = 1.5707963267948966;
constexpr double kFeetPerNm = 6076.11549;
// The login has the time-outs of the live query: a service that does not answer must not
// hold the start-up for ever.
constexpr RTAPIRequestOptions kLoginOptions{10, 30, true};
constexpr RTAPIRequestOptions kLogoutOptions{5, 10, true};

// Integers within the i32 range; anything else leaves the default.
void lf_takeI32(const nlohmann::json& reply, const char* key, std::int32_t& target) {
    const auto member = reply.find(key);
    if (member == reply.end() || !member->is_number_integer()) {
        return;
    }
    if (member->is_number_unsigned()) {
        const auto value = member->get<std::uint64_t>();
        if (value <= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
            target = static_cast<std::int32_t>(value);
        }
        return;
    }
    const auto value = member->get<std::int64_t>();
    if (value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max()) {
        target = static_cast<std::int32_t>(value);
    }
}

std::string lf_stringMember(const nlohmann::json& reply, const char* key) {
    const auto member = reply.find(key);
    return member != reply.end() && member->is_string() ? member->get<std::string>() : std::string();
}

// Whole days from now to the expiry, truncated toward zero, saturated to the i32 range.
std::int32_t lf_daysLeft(std::int64_t expirySeconds, std::int64_t nowSeconds) {
    std::int64_t difference = 0;
    if (__builtin_sub_overflow(expirySeconds, nowSeconds, &difference)) {
        return expirySeconds > nowSeconds ? std::numeric_limits<std::int32_t>::max()
                                          : std::numeric_limits<std::int32_t>::min();
    }
    const std::int64_t days = difference / kSecondsPerDay;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(days, std::numeric_limits<std::int32_t>::min(),
                                                               std::numeric_limits<std::int32_t>::max()));
}

// The pause after a login: bounded like every other wait and ended by a stop of the readers
// or of the program.
void lf_loginPause(RtDirectRoad& road, std::int32_t wrrlMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::clamp(wrrlMs, kMinWaitMs, kMaxWaitMs));
    RTAPIReaderState& state = road.traffic;
    std::unique_lock lock(state.waitMutex);
    while (!state.stop && gf_isRunning()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= end) {
            return;
        }
        state.waitCondition.wait_for(lock, std::min<std::chrono::steady_clock::duration>(end - now, std::chrono::milliseconds(100)));
    }
}

// Empty body and non-object replies of the login and logout, in their own words.
std::optional<RTAPIFailure> lf_envelopeFailure(const RTAPITransportResult& response, std::string_view what,
                                               nlohmann::json& reply) {
    if (!response) {
        return RTAPIFailure{kNoApiStatus, fmt::format("{} failed: {}", what, response.error().message)};
    }
    if (response->body.empty()) {
        return RTAPIFailure{kNoApiStatus, fmt::format("{}: empty response", what)};
    }
    reply = nlohmann::json::parse(response->body, nullptr, false);
    if (!reply.is_object()) {
        return RTAPIFailure{kNoApiStatus, fmt::format("{}: {}", what, lf_invalidJsonText(response->body))};
    }
    return std::nullopt;
}

} // namespace

RTAPIConnection::RTAPIConnection(RTAPIEndpoint endpoint) : endpoint_(std::move(endpoint)) {
    transport.setCaFile(endpoint_.caFile);
}

bool RTAPIConnection::hasSession() const {
    const std::lock_guard lock(mutex_);
    return current_ != nullptr;
}

void RTAPIConnection::clearSession() {
    const std::lock_guard lock(mutex_);
    current_.reset();
}

RTAPISessionPtr RTAPIConnection::session() const {
    const std::lock_guard lock(mutex_);
    return current_;
}

RTAPISessionPtr RTAPIConnection::install(RTAPISession session) {
    const std::lock_guard lock(mutex_);
    session.sequence = counter_++;
    current_ = std::make_shared<const RTAPISession>(std::move(session));
    return current_;
}

void RTAPIReaderState::requestStop() {
    {
        const std::lock_guard lock(waitMutex);
        stop = true;
    }
    waitCondition.notify_all();
}

void lf_waitMs(RTAPIReaderState& state, std::int64_t ms) {
    if (ms < 1) {
        return;
    }
    const std::int64_t quarter = ms / 4;
    const std::int64_t steps[] = {quarter, quarter, quarter, quarter, ms % 4};
    for (std::size_t step = 0; step < std::size(steps); ++step) {
        if (state.stop) {
            return;
        }
        if (step == 4 && steps[step] == 0) {
            return;
        }
        std::unique_lock lock(state.waitMutex);
        const auto now = std::chrono::steady_clock::now();
        const auto left = std::chrono::steady_clock::time_point::max() - now;
        const auto wanted = std::chrono::milliseconds(steps[step]);
        const auto deadline = wanted >= left ? std::chrono::steady_clock::time_point::max() : now + wanted;
        if (state.waitCondition.wait_until(lock, deadline, [&] { return state.stop.load(); })) {
            return;
        }
    }
}

RTAPITrafficClient::RTAPITrafficClient(RTAPIConnection& connection) : RTAPIReaderState(connection) {
    liveTransport.setCaFile(connection.endpoint().caFile);
    parkedTransport.setCaFile(connection.endpoint().caFile);
    batch.records.reserve(384);
}

RTAPIWeatherClient::RTAPIWeatherClient(RTAPIConnection& connection) : RTAPIReaderState(connection) {
    transport.setCaFile(connection.endpoint().caFile);
}

RtDirectRoad::RtDirectRoad(RtDirectConfig config, FeedsNeighbours& neighbours, FeedsShell& shell, FeedFlags& flags,
                           LoopClock& clock)
    : config(std::move(config)), neighbours(neighbours), shell(shell), flags(flags), clock(clock),
      connection(this->config.endpoint), traffic(connection), weather(connection) {}

void RtDirectRoad::requestStop() {
    traffic.requestStop();
    weather.requestStop();
}

RtDirectConfig gf_rtDirectConfigFromSettings(std::string credential) {
    RtDirectConfig config;
    config.endpoint.baseUrl = param::RT_API_SERVER.value;
    while (config.endpoint.baseUrl.ends_with('/')) {
        config.endpoint.baseUrl.pop_back();
    }
    config.endpoint.caFile = param::RT_API_CA_FILE.value;
    config.credential = std::move(credential);
    return config;
}

std::string gf_rtapiSoftwareText() { return fmt::format("{}_{}", kProgramName, kProgramVersionText); }

Expected<RTAPISessionPtr, RTAPIFailure> lf_authRequest(RtDirectRoad& road) {
    RTAPIConnection& connection = road.connection;
    connection.clearSession();
    const std::string_view kind = gf_isApiToken(road.config.credential) ? "token" : "license";
    // Each value is percent-encoded: a credential holding "&", "=", "+" or "%" must reach the
    // service as it is.
    const std::string body = fmt::format("{}={}&software={}", kind, connection.transport.escape(road.config.credential),
                                         connection.transport.escape(gf_rtapiSoftwareText()));
    const RTAPITransportResult response = connection.transport.perform(connection.url("/v6/auth"), body, kLoginOptions,
                                                                       RTAPIAbort{&road.traffic.stop, true});
    nlohmann::json reply;
    if (std::optional<RTAPIFailure> failure = lf_envelopeFailure(response, "Authentication", reply)) {
        return unexpected(std::move(*failure));
    }
    const std::int32_t status = lf_apiStatusOf(reply);
    if (status != 200) {
        return unexpected(RTAPIFailure{status, lf_stringMember(reply, "message")});
    }
    RTAPISession session;
    session.guid = lf_stringMember(reply, "GUID");
    if (session.guid.empty()) {
        return unexpected(RTAPIFailure{kNoApiStatus, "Authentication succeeded without a GUID"});
    }
    session.server = lf_stringMember(reply, "server");
    lf_takeI32(reply, "rrl", session.rrl);
    lf_takeI32(reply, "wrrl", session.wrrl);
    lf_takeI32(reply, "type", session.type);
    if (const auto expiry = reply.find("expiry"); expiry != reply.end() && expiry->is_number_integer()) {
        session.expiry = expiry->is_number_unsigned()
                             ? static_cast<std::int64_t>(std::min<std::uint64_t>(
                                   expiry->get<std::uint64_t>(),
                                   static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())))
                             : expiry->get<std::int64_t>();
    }
    return connection.install(std::move(session));
}

bool authenticate(RtDirectRoad& road, std::int32_t& status) {
    status = kNoApiStatus;
    try {
        road.connection.clearSession();
        road.flags.isRTAppConnected = false;
        const Expected<RTAPISessionPtr, RTAPIFailure> result = lf_authRequest(road);
        if (!result) {
            status = result.error().status;
            if (!result.error().message.empty()) {
                gf_logImportant(result.error().message);
            }
            return false;
        }
        const RTAPISession& session = **result;
        status = 200;
        road.weather.wrrlMs = session.wrrl;
        road.flags.isProfessionalEdition = session.type == 2;
        gf_logLine(fmt::format("\nAuthenticated at RT server '{}'", session.server.empty() ? "?" : session.server));
        road.flags.isRTAppConnected = true;
        const std::int32_t days = lf_daysLeft(session.expiry, gf_systemUtcSeconds());
        road.shell.setTrafficSourceText(fmt::format("RT Direct {} license, {} day{} left",
                                                    session.type == 2 ? "professional" : "standard", days,
                                                    days == 1 || days < 0 ? "" : "s"));
        lf_loginPause(road, session.wrrl);
        return true;
    } catch (const std::exception& error) {
        gf_logImportant(fmt::format("authenticate: {}", error.what()));
        return false;
    }
}

void gf_authenticater(RtDirectRoad& road) {
    road.shell.showMessage("Waiting for authentication at RT server ...", true);
    gf_logLineFlush(" ");
    std::int32_t status = kNoApiStatus;
    if (authenticate(road, status)) {
        road.shell.clearMessage();
        return;
    }
    const auto userError = [&](std::string_view text) {
        road.shell.showMessage(std::string(text), true);
        const auto start = std::chrono::steady_clock::now();
        while (gf_isRunning() && !road.traffic.stop && std::chrono::steady_clock::now() - start < std::chrono::seconds(10)) {
            lf_waitMs(road.traffic, 100);
        }
        throw UserRelatedException(status, text);
    };
    switch (status) {
    case 402:
        userError("Your RT license is expired");
        break;
    case 404:
        userError("RT did not recognize your license");
        break;
    case 405:
        userError("More than one RealTraffic session is not possible, do not run the RealTraffic app");
        break;
    case 500:
        throw std::runtime_error("No RT database connection");
    default:
        road.shell.reportRTAPIReaderStopped("Authenticater", false, 0);
        road.shell.clearMessage();
        break;
    }
}

Expected<RTAPILogout, RTAPIFailure> lf_deauthRequest(RtDirectRoad& road) {
    RTAPIConnection& connection = road.connection;
    const RTAPISessionPtr session = connection.session();
    if (!session) {
        return RTAPILogout{};
    }
    struct ClearAtEnd {
        RTAPIConnection& connection;
        ~ClearAtEnd() { connection.clearSession(); }
    } clearAtEnd{connection};
    const std::string body = fmt::format("GUID={}", connection.transport.escape(session->guid));
    const RTAPITransportResult response =
        connection.transport.perform(connection.url("/v6/deauth"), body, kLogoutOptions, RTAPIAbort{});
    nlohmann::json reply;
    if (std::optional<RTAPIFailure> failure = lf_envelopeFailure(response, "Deauthentication", reply)) {
        return unexpected(std::move(*failure));
    }
    const std::int32_t status = lf_apiStatusOf(reply);
    if (status != 200) {
        return unexpected(RTAPIFailure{status, "Deauthentication failed"});
    }
    return RTAPILogout{lf_stringMember(reply, "message"), lf_stringMember(reply, "server")};
}

void deauthenticate(RtDirectRoad& road) {
    try {
        if (!road.connection.hasSession()) {
            gf_logImportant("Deauthentication skipped: empty GUID");
        } else if (const auto result = lf_deauthRequest(road); result) {
            gf_logLine(fmt::format("{} RT server '{}'", result->message, result->server));
        } else {
            gf_logImportant(fmt::format("Deauthentication failed, status {}: {}", result.error().status,
                                        result.error().message));
        }
    } catch (const std::exception& error) {
        gf_logImportant(fmt::format("deauthenticate: {}", error.what()));
    }
    road.flags.isRTAppConnected = false;
    road.connection.clearSession();
}

void gf_renewRTAPIConnection(RtDirectRoad& road) {
    road.connection.clearSession();
    road.connection.transport.reset();
    for (RTAPIReaderState* state : {static_cast<RTAPIReaderState*>(&road.traffic),
                                    static_cast<RTAPIReaderState*>(&road.weather)}) {
        state->stop = false;
        state->timeOffsetMin = 0;
    }
}

void gf_updateRTAPIQueryBox(RtDirectRoad& road) {
    const std::shared_ptr<const UserAircraftState> user = road.neighbours.userAircraft();
    if (!user || (std::abs(user->latitude) <= 0.0001 && std::abs(user->longitude) <= 0.0001)) {
        return;
    }
    const double rangeNm = gf_settings()->rangeNm;
    RTAPITrafficClient& traffic = road.traffic;
    const std::lock_guard lock(traffic.queryMutex);
    traffic.range.centreLatitude = user->latitude;
    traffic.range.centreLongitude = user->longitude;
    traffic.range.cosCentreLatitude = std::cos(user->latitude * kRadPerDeg);
    if (std::abs(user->latitude - traffic.lastCentreLatitude) < kBoxHysteresisDeg &&
        std::abs(user->longitude - traffic.lastCentreLongitude) < kBoxHysteresisDeg && rangeNm == traffic.lastRangeNm) {
        return;
    }
    traffic.lastCentreLatitude = user->latitude;
    traffic.lastCentreLongitude = user->longitude;
    traffic.lastRangeNm = rangeNm;
    const double halfHeightDeg = rangeNm * 1.852 / 111.2;
    const Lalo centre{user->latitude, user->longitude};
    traffic.box.top = user->latitude + halfHeightDeg;
    traffic.box.bottom = user->latitude - halfHeightDeg;
    traffic.box.left = gf_destinationPoint(centre, -kHalfPi, rangeNm * kFeetPerNm).longitude;
    traffic.box.right = gf_destinationPoint(centre, kHalfPi, rangeNm * kFeetPerNm).longitude;
}

void gf_setRTAPIQueryCentre(RtDirectRoad& road, double latitude, double longitude) {
    const std::lock_guard lock(road.traffic.queryMutex);
    road.traffic.range.centreLatitude = latitude;
    road.traffic.range.centreLongitude = longitude;
    road.traffic.range.cosCentreLatitude = std::cos(latitude * kRadPerDeg);
}

void gf_setRTAPIParkAirportValue(RtDirectRoad& road, std::optional<double> elevationFt) {
    const std::lock_guard lock(road.traffic.queryMutex);
    road.traffic.range.parkElevationFt = elevationFt;
}

void gf_clearRTAPITrafficStores(RtDirectRoad& road) {
    const std::lock_guard lock(road.traffic.storesMutex);
    road.traffic.received.callsigns.clear();
    road.traffic.received.hexIds.clear();
    road.traffic.received.enabled = true;
}

void gf_setTimeShiftRTDirect(RtDirectRoad& road, std::int32_t minutes) {
    road.traffic.timeOffsetMin = minutes;
    road.weather.timeOffsetMin = minutes;
}

} // namespace kiv

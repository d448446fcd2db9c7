#include "feeds/rtapi_transport.h"

#include <algorithm>
#include <limits>
#include <mutex>
#include <new>
#include <stdexcept>

#include <fmt/format.h>

#include "foundation/log.h"
#include "foundation/stop_request.h"

namespace kiv {
namespace {

constexpr std::size_t kQuotedBodyChars = 256;
constexpr std::string_view kInitFailed = "RTAPITransport curl_easy_init() failed";

CURL* lf_newHandle() {
    static std::once_flag started;
    std::call_once(started, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    CURL* handle = curl_easy_init();
    if (handle == nullptr) {
        throw std::runtime_error(std::string(kInitFailed));
    }
    return handle;
}

std::size_t lf_writeResponse(char* data, std::size_t size, std::size_t count, void* target) {
    auto* response = static_cast<std::string*>(target);
    if (response == nullptr || (count != 0 && size > std::numeric_limits<std::size_t>::max() / count)) {
        return 0;
    }
    const std::size_t bytes = size * count;
    try {
        response->append(data, bytes);
    } catch (const std::bad_alloc&) {
        return 0;
    } catch (const std::length_error&) {
        return 0;
    }
    return bytes;
}

int lf_progress(void* abort, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<const RTAPIAbort*>(abort)->isSet() ? 1 : 0;
}

// Sets one option; the failure text names it.
template <class Value>
bool lf_set(CURL* handle, CURLoption option, std::string_view name, Value value, RTAPITransportError& error) {
    const CURLcode code = curl_easy_setopt(handle, option, value);
    if (code == CURLE_OK) {
        return true;
    }
    error = {static_cast<std::int32_t>(code), fmt::format("failed to set {}: {}", name, curl_easy_strerror(code))};
    return false;
}

} // namespace

bool RTAPIAbort::isSet() const {
    return (flag != nullptr && flag->load()) || (whenProgramStops && !gf_isRunning());
}

void RTAPITransport::HandleCleanup::operator()(CURL* handle) const noexcept { curl_easy_cleanup(handle); }

RTAPITransport::RTAPITransport(std::size_t reserve) : handle_(lf_newHandle()) { response_.reserve(reserve); }

RTAPITransport::~RTAPITransport() = default;

void RTAPITransport::reset() {
    handle_.reset(lf_newHandle());
    response_.clear();
}

std::string RTAPITransport::escape(std::string_view value) {
    if (!handle_) {
        throw std::runtime_error(std::string(kInitFailed));
    }
    if (value.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        throw std::length_error("form value too long");
    }
    char* escaped = curl_easy_escape(handle_.get(), value.data(), static_cast<int>(value.size()));
    if (escaped == nullptr) {
        throw std::bad_alloc();
    }
    std::string result(escaped);
    curl_free(escaped);
    return result;
}

RTAPITransportResult RTAPITransport::perform(const std::string& url, std::string_view body,
                                             const RTAPIRequestOptions& options, const RTAPIAbort& abort) {
    if (!handle_) {
        throw std::runtime_error(std::string(kInitFailed));
    }
    CURL* handle = handle_.get();
    response_.clear();
    curl_easy_reset(handle);
    RTAPITransportError error;
    const bool withAbort = abort.flag != nullptr || abort.whenProgramStops;
    const bool set =
        lf_set(handle, CURLOPT_URL, "CURLOPT_URL", url.c_str(), error) &&
        lf_set(handle, CURLOPT_ACCEPT_ENCODING, "CURLOPT_ACCEPT_ENCODING", "deflate,gzip", error) &&
        lf_set(handle, CURLOPT_POSTFIELDS, "CURLOPT_POSTFIELDS", body.data(), error) &&
        lf_set(handle, CURLOPT_POSTFIELDSIZE_LARGE, "CURLOPT_POSTFIELDSIZE_LARGE",
               static_cast<curl_off_t>(body.size()), error) &&
        lf_set(handle, CURLOPT_WRITEFUNCTION, "CURLOPT_WRITEFUNCTION", &lf_writeResponse, error) &&
        lf_set(handle, CURLOPT_WRITEDATA, "CURLOPT_WRITEDATA", static_cast<void*>(&response_), error) &&
        (caFile_.empty() || lf_set(handle, CURLOPT_CAINFO, "CURLOPT_CAINFO", caFile_.c_str(), error)) &&
        (options.connectTimeoutS <= 0 || lf_set(handle, CURLOPT_CONNECTTIMEOUT, "CURLOPT_CONNECTTIMEOUT",
                                                static_cast<long>(options.connectTimeoutS), error)) &&
        (options.totalTimeoutS <= 0 ||
         lf_set(handle, CURLOPT_TIMEOUT, "CURLOPT_TIMEOUT", static_cast<long>(options.totalTimeoutS), error)) &&
        (!withAbort ||
         (lf_set(handle, CURLOPT_XFERINFOFUNCTION, "CURLOPT_XFERINFOFUNCTION", &lf_progress, error) &&
          lf_set(handle, CURLOPT_XFERINFODATA, "CURLOPT_XFERINFODATA",
                 static_cast<void*>(const_cast<RTAPIAbort*>(&abort)), error) &&
          lf_set(handle, CURLOPT_NOPROGRESS, "CURLOPT_NOPROGRESS", 0L, error))) &&
        (!options.freshConnection || (lf_set(handle, CURLOPT_FORBID_REUSE, "CURLOPT_FORBID_REUSE", 1L, error) &&
                                      lf_set(handle, CURLOPT_FRESH_CONNECT, "CURLOPT_FRESH_CONNECT", 1L, error)));
    if (!set) {
        return unexpected(std::move(error));
    }
    CURLcode code = curl_easy_perform(handle);
    if (code != CURLE_OK) {
        return unexpected(RTAPITransportError{static_cast<std::int32_t>(code),
                                              fmt::format("curl_easy_perform: {}", curl_easy_strerror(code))});
    }
    long httpStatus = 0;
    code = curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &httpStatus);
    if (code != CURLE_OK) {
        return unexpected(
            RTAPITransportError{static_cast<std::int32_t>(code),
                                fmt::format("curl_easy_getinfo(CURLINFO_RESPONSE_CODE): {}", curl_easy_strerror(code))});
    }
    return RTAPIResponse{static_cast<std::uint32_t>(httpStatus), response_};
}

std::string_view gf_rtapiErrorKindText(RTAPIErrorKind kind) {
    switch (kind) {
    case RTAPIErrorKind::transport:
        return "transport";
    case RTAPIErrorKind::http:
        return "http";
    case RTAPIErrorKind::parse:
        return "parse";
    }
    return "?";
}

std::int32_t lf_apiStatusOf(const nlohmann::json& reply) {
    const auto status = reply.find("status");
    if (status == reply.end()) {
        return kNoApiStatus;
    }
    if (status->is_number_integer() && !status->is_number_unsigned()) {
        const auto value = status->get<std::int64_t>();
        if (value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max()) {
            return static_cast<std::int32_t>(value);
        }
    } else if (status->is_number_unsigned()) {
        const auto value = status->get<std::uint64_t>();
        if (value <= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
            return static_cast<std::int32_t>(value);
        }
    }
    return kNoApiStatus;
}

std::string lf_invalidJsonText(std::string_view body) {
    return fmt::format("invalid JSON: {}", body.substr(0, kQuotedBodyChars));
}

namespace {

std::int32_t lf_waitOf(const nlohmann::json& reply, std::string_view context, const RTAPIWaitSpec& wait) {
    const auto member = reply.find(wait.key);
    std::int64_t value = wait.defaultMs;
    if (member != reply.end() && member->is_number_unsigned()) {
        const auto unsignedValue = member->get<std::uint64_t>();
        value = unsignedValue > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())
                    ? std::numeric_limits<std::int64_t>::max()
                    : static_cast<std::int64_t>(unsignedValue);
    } else if (member != reply.end() && member->is_number_integer()) {
        value = member->get<std::int64_t>();
    } else {
        gf_logImportant(fmt::format("{}: invalid or missing {}, using default", context, wait.key));
    }
    const std::int64_t clamped = std::clamp<std::int64_t>(value, wait.minimumMs, wait.maximumMs);
    if (clamped != value) {
        gf_logImportant(fmt::format("{}: {} {} ms outside limits, using {} ms", context, wait.key, value, clamped));
    }
    return static_cast<std::int32_t>(clamped);
}

} // namespace

RTAPIParseResult lf_parseReply(std::string_view body, std::string_view context, const RTAPIWaitSpec& wait) {
    if (body.empty()) {
        return unexpected(RTAPIParseFailure{std::string(context), "empty response"});
    }
    nlohmann::json reply = nlohmann::json::parse(body, nullptr, false);
    if (!reply.is_object()) {
        return unexpected(RTAPIParseFailure{std::string(context), lf_invalidJsonText(body)});
    }
    RTAPIReply result;
    result.status = lf_apiStatusOf(reply);
    if (result.status == 200 && !wait.key.empty()) {
        result.waitMs = lf_waitOf(reply, context, wait);
    }
    if (const auto message = reply.find("message"); message != reply.end() && message->is_string()) {
        result.message = message->get<std::string>();
    }
    if (const auto data = reply.find("data"); data != reply.end()) {
        result.data = std::move(*data);
    }
    return result;
}

RTAPIPostResult lf_post(RTAPITransport& transport, const std::string& url, std::string_view body,
                        const RTAPIRequestOptions& options, const RTAPIWaitSpec& wait, std::string_view context,
                        const RTAPIAbort& abort) {
    const RTAPITransportResult response = transport.perform(url, body, options, abort);
    if (!response) {
        return unexpected(RTAPIPostError{RTAPIErrorKind::transport, 0, std::string(context), response.error().message});
    }
    const auto httpStatus = static_cast<std::int32_t>(response->httpStatus);
    RTAPIParseResult reply = lf_parseReply(response->body, context, wait);
    if (reply) {
        reply->httpStatus = httpStatus;
        return std::move(*reply);
    }
    if (httpStatus != 0 && (httpStatus < 200 || httpStatus > 299)) {
        return unexpected(RTAPIPostError{RTAPIErrorKind::http, httpStatus, std::string(context),
                                         fmt::format("HTTP {} response: {}", httpStatus, reply.error().message)});
    }
    return unexpected(RTAPIPostError{RTAPIErrorKind::parse, httpStatus, std::string(context), reply.error().message});
}

} // namespace kiv

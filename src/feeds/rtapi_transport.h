// One form-encoded HTTPS POST to the service's interface over a libcurl easy handle, and the
// JSON reply envelope every answer comes in: API status, the wait the service asks for, the
// message and the data. Each transport is used by one thread at a time (its owner); the abort
// flag is set by any thread and read by the transfer's own thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include <curl/curl.h>
#include <nlohmann/json.hpp>

#include "foundation/expected.h"

namespace kiv {

// Where the service is and which certificate authorities vouch for it (the CA file empty:
// the system's store). Peer and host verification always stay on.
struct RTAPIEndpoint {
    std::string baseUrl; // scheme and host, no trailing "/"
    std::string caFile;
};

struct RTAPIRequestOptions {
    std::int32_t connectTimeoutS = 0; // 0 or less: libcurl's default
    std::int32_t totalTimeoutS = 0;   // 0 or less: none
    bool freshConnection = false;
};

struct RTAPITransportError {
    std::int32_t code = 0; // libcurl's result code
    std::string message;
};

struct RTAPIResponse {
    std::uint32_t httpStatus = 0;
    std::string_view body; // the transport's response text, valid until its next request
};

using RTAPITransportResult = Expected<RTAPIResponse, RTAPITransportError>;

// What ends a transfer early: the owner's stop flag and, for requests made before the readers
// run (the login), the program's stop as well.
struct RTAPIAbort {
    const std::atomic<bool>* flag = nullptr;
    bool whenProgramStops = false;
    bool isSet() const;
};

class RTAPITransport {
public:
    explicit RTAPITransport(std::size_t reserve);
    ~RTAPITransport();
    RTAPITransport(const RTAPITransport&) = delete;
    RTAPITransport& operator=(const RTAPITransport&) = delete;

    // A new easy handle in place of the old one and an empty response text.
    void reset();
    RTAPITransportResult perform(const std::string& url, std::string_view body, const RTAPIRequestOptions& options,
                                 const RTAPIAbort& abort);
    void setCaFile(std::string caFile) { caFile_ = std::move(caFile); }
    // The value percent-encoded for a form body.
    std::string escape(std::string_view value);

private:
    struct HandleCleanup {
        void operator()(CURL* handle) const noexcept;
    };
    std::unique_ptr<CURL, HandleCleanup> handle_;
    std::string response_;
    std::string caFile_;
};

// The wait member of a reply and its bounds (an empty key: the request has none).
struct RTAPIWaitSpec {
    std::string_view key;
    std::int32_t defaultMs = 2000;
    std::int32_t minimumMs = 250;
    std::int32_t maximumMs = 60000;
};

inline constexpr RTAPIWaitSpec kRrlWait{"rrl", 2000, 250, 60000};
inline constexpr RTAPIWaitSpec kNoKeyWait{"", 2000, 250, 60000};
inline constexpr std::int32_t kNoApiStatus = 100;
inline constexpr std::int32_t kStoppedStatus = 9999; // set by the program when a reader was stopped

struct RTAPIReply {
    std::int32_t status = kNoApiStatus;
    std::int32_t httpStatus = 0;
    std::int32_t waitMs = 2000;
    std::string message;
    nlohmann::json data;
};

struct RTAPIParseFailure {
    std::string context;
    std::string message;
};

enum class RTAPIErrorKind : std::uint8_t { transport, http, parse };
std::string_view gf_rtapiErrorKindText(RTAPIErrorKind kind);

struct RTAPIPostError {
    RTAPIErrorKind kind = RTAPIErrorKind::transport;
    std::int32_t code = 0; // 0 for transport, else the HTTP status
    std::string context;
    std::string message;
};

using RTAPIParseResult = Expected<RTAPIReply, RTAPIParseFailure>;
using RTAPIPostResult = Expected<RTAPIReply, RTAPIPostError>;

// The API status of a reply object: "status" when an integer in the i32 range, else 100.
std::int32_t lf_apiStatusOf(const nlohmann::json& reply);
// "invalid JSON: " and at most the first 256 characters of the body.
std::string lf_invalidJsonText(std::string_view body);

RTAPIParseResult lf_parseReply(std::string_view body, std::string_view context, const RTAPIWaitSpec& wait);

RTAPIPostResult lf_post(RTAPITransport& transport, const std::string& url, std::string_view body,
                        const RTAPIRequestOptions& options, const RTAPIWaitSpec& wait, std::string_view context,
                        const RTAPIAbort& abort);

} // namespace kiv

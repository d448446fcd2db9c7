// The login at the service and the session every later request carries, the one connection
// that holds it, and the state of the two RT API readers (query box, waits, stop flag,
// received-traffic stores) with the interruptible wait both use.
// Threads: login and logout on the main worker; the readers copy the session under the
// connection's lock; the query box is written by the simulator loop and the start-up under the
// query lock; flags and counters are atomics.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "feeds/rtapi_records.h"
#include "feeds/rtapi_transport.h"
#include "feeds/traffic_reader.h"
#include "feeds/traffic_record.h"

namespace kiv {

struct RTAPISession {
    std::string guid;
    std::string server; // only for log lines
    std::int32_t rrl = 2000;
    std::int32_t wrrl = 2000; // ms between METAR requests and after the login
    std::int32_t type = 1;    // 2: professional licence
    std::int64_t expiry = 0;  // seconds since 1970
    std::uint64_t sequence = 0;
};

using RTAPISessionPtr = std::shared_ptr<const RTAPISession>;

class RTAPIConnection {
public:
    explicit RTAPIConnection(RTAPIEndpoint endpoint);

    // "<base URL><path>".
    std::string url(std::string_view path) const { return endpoint_.baseUrl + std::string(path); }
    const RTAPIEndpoint& endpoint() const { return endpoint_; }

    bool hasSession() const;
    void clearSession();
    RTAPISessionPtr session() const;
    // The new current session, numbered by the connection's counter.
    RTAPISessionPtr install(RTAPISession session);

    // Login and logout only, on the main worker.
    RTAPITransport transport{4096};

private:
    const RTAPIEndpoint endpoint_;
    mutable std::mutex mutex_;
    RTAPISessionPtr current_;
    std::uint64_t counter_ = 1;
};

// What both readers share: the connection, the time offset, the stop flag and the wait.
class RTAPIReaderState {
public:
    explicit RTAPIReaderState(RTAPIConnection& connection) : connection(connection) {}

    // Sets the stop flag and wakes a wait in progress; a transfer in progress aborts.
    void requestStop();

    RTAPIConnection& connection;
    std::atomic<std::int64_t> dataTime{0};      // newest data time handed over, seconds since 1970
    std::atomic<std::int32_t> timeOffsetMin{0}; // "toffset" of every query
    std::atomic<bool> stop{false};
    std::mutex waitMutex;
    std::condition_variable waitCondition;
};

// Sleeps `ms` in four quarters and the remainder; returns at once when the stop flag is set.
void lf_waitMs(RTAPIReaderState& state, std::int64_t ms);

struct QueryBox {
    double top = 52.44;
    double bottom = 52.17;
    double left = 4.54;
    double right = 4.98;
};

// The traffic reader's state ("Traffic RTAPIreader").
class RTAPITrafficClient final : public RTAPIReaderState {
public:
    explicit RTAPITrafficClient(RTAPIConnection& connection);

    std::atomic<std::int32_t> pauseMs{2000}; // between cycles; the wait of every 200 reply
    std::atomic<std::int32_t> qnh{0};        // hPa, 0 until set
    std::atomic<std::int32_t> parkedStatus{-1};
    std::atomic<bool> parkedRequest{false};
    std::atomic<bool> loopRunning{false};
    std::atomic<std::uint64_t> receivedCount{0};

    // Under the query lock.
    mutable std::mutex queryMutex;
    QueryBox box;
    QueryBox parkedBox;
    RangeContext range; // centre, cosine, park-airport elevation
    double lastCentreLatitude = 0.0;
    double lastCentreLongitude = 0.0;
    double lastRangeNm = -1.0;

    // Under the parked lock.
    std::mutex parkedMutex;
    std::vector<ParkedRecord> parked;

    // Under the stores lock.
    mutable std::mutex storesMutex;
    ReceivedTraffic received; // `enabled`: cleared since the last reset

    // Reader thread only.
    RTAPITransport liveTransport{16384};
    RTAPITransport parkedTransport{16384};
    RTAPIBatch batch;
};

// The weather reader's state ("Weather RTAPIreader").
class RTAPIWeatherClient final : public RTAPIReaderState {
public:
    explicit RTAPIWeatherClient(RTAPIConnection& connection);

    std::atomic<std::int32_t> wrrlMs{2000}; // between METAR requests; set by the login
    std::atomic<std::int32_t> retryMs{30000}; // after a failed METAR request
    // Steady-clock nanoseconds of the last METAR request that gave a QNH; 0: none yet. The
    // status display reads it.
    std::atomic<std::int64_t> weatherTimeNs{0};

    // Reader thread only.
    RTAPITransport transport{16384};
    struct Cache {
        std::int32_t lastQnh = 1013;
        double latitude = 0.0;
        double longitude = 0.0;
        std::int64_t timeNs = 0;
        std::int32_t timeOffsetMin = 0;
    } cache;
};

} // namespace kiv

// The RT App's traffic reader ("Traffic Reader", UDP): splits each datagram into fields,
// converts live and buffered records into batches handed to the traffic manager at every
// end marker, and gathers parked records into the list published at the parked end marker.
// The reader thread owns the batch, its context and the field list; the range context, the
// received-traffic stores and the parked lists are shared under their own locks; the flags
// and counters are atomics.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "feeds/feeds_neighbours.h"
#include "feeds/feeds_shell.h"
#include "feeds/rtapp_server.h"
#include "feeds/traffic_record.h"
#include "feeds/udp_reader.h"
#include "foundation/fnv1a.h"
#include "settings/settings_snapshot.h"

namespace kiv {

struct ConversionContext;

// Where the traffic is filtered: the user aircraft (written every 5 s) and the park airport.
struct RangeContext {
    double centreLatitude = 0.0;
    double centreLongitude = 0.0;
    double cosCentreLatitude = 0.0;
    std::optional<double> parkElevationFt;
};

// 64-bit FNV-1a over the id's four bytes, low byte first.
struct HexIdHash {
    std::size_t operator()(std::uint32_t hexId) const noexcept {
        const std::array<std::uint8_t, 4> bytes = {
            static_cast<std::uint8_t>(hexId), static_cast<std::uint8_t>(hexId >> 8),
            static_cast<std::uint8_t>(hexId >> 16), static_cast<std::uint8_t>(hexId >> 24)};
        return static_cast<std::size_t>(gf_fnv1a64(bytes));
    }
};

// The callsigns and hex ids of the traffic received since the stores were last cleared.
struct ReceivedTraffic {
    std::unordered_map<std::string, std::uint32_t, Fnv1aTextHash, std::equal_to<>> callsigns; // -> hex id
    std::unordered_set<std::uint32_t, HexIdHash> hexIds;
    bool enabled = false; // stores fill only after a clear
};

class TrafficReader final : public UdpReader {
public:
    TrafficReader(FeedsNeighbours& neighbours, FeedsShell& shell, BufferRequestFlag& bufferRequest);

    // Any thread.
    void setRangeCentre(double latitude, double longitude, double cosLatitude);
    void setParkAirportValue(std::optional<double> elevationFt);
    RangeContext rangeContext() const;
    void clearReceivedTraffic(); // empties the stores and lets them fill
    ReceivedTraffic receivedTraffic() const;
    void clearParkedLists();
    // Runs `use` on the published parked list (the set of the last parked end marker) under
    // the parked-lists lock.
    void withPublishedParked(const std::function<void(std::vector<ParkedRecord>&)>& use);

    // While the reader thread is not running: forgets everything received.
    void reset();
    // Reader thread, before it receives: a new buffer cycle starts.
    void startBufferCycle();

    std::atomic<bool> bufferReceived{false};
    std::atomic<bool> parkedReceived{false};
    std::atomic<std::int32_t> qnh{0};            // hPa; the weather reader writes it, 0 = none yet
    std::atomic<std::int64_t> latestDataTime{0}; // whole seconds since 1970, 0 = none yet

private:
    struct BatchContext {
        RangeContext range;
        std::shared_ptr<const SettingsSnapshot> settings;
    };

    void handleDatagram() override;
    void onDisconnect() override;
    bool repeatIsMeaningful(std::string_view datagram) const override;

    void processRTAppLine();
    bool lf_checkFieldCount(std::size_t required) const;
    void lf_processTrafficRecord();
    void processLine();
    void lf_processParkedLine();
    void postBatch(BatchKind kind, std::uint32_t delaySeconds);
    ConversionContext conversionContext() const;
    void noteDataTime(std::uint64_t roundedTimestamp);

    FeedsNeighbours& neighbours_;
    FeedsShell& shell_;
    BufferRequestFlag& bufferRequest_;

    // Reader thread only.
    TrafficBatch batch_;
    std::optional<BatchContext> batchContext_;
    std::vector<std::string_view> fields_;
    std::uint32_t separatorCount_ = 0;

    mutable std::mutex rangeMutex_;
    RangeContext range_;
    mutable std::mutex receivedMutex_;
    ReceivedTraffic received_;
    std::mutex parkedMutex_;
    std::vector<ParkedRecord> publishedParked_;
    std::vector<ParkedRecord> incomingParked_;
};

} // namespace kiv
